#include "formats/ozi.h"

#include <cstdio>
#include <string>
#include <vector>

#include "base/debug.h"
#include "base/report.h"
#include "base/temp_string.h"
#include "base/text_codec.h"
#include "base/text_format.h"
#include "formats/exchange_numbers.h"
#include "formats/export_format.h"
#include "formats/field_reader.h"
#include "formats/file_look.h"
#include "formats/input_file.h"
#include "formats/output_file.h"
#include "geo/coordinates.h"
#include "geo/time_format.h"
#include "geo/units.h"
#include "store/file_kinds.h"
#include "store/workspace.h"

namespace {

// Ozi files are comma-separated with no quoting; the format's own convention
// is that character 209 stands for a comma inside a text field. Writing a
// comma unchanged would shift every later field of the line.
constexpr char kOziComma = '\xD1';

// Positions in both files: signed decimal degrees in WGS 84, six decimals.
constexpr int16_t kOziCoordFormat = 10;
constexpr int16_t kWgs84 = 100;
constexpr int16_t kDayCountFormat = 5;

constexpr std::string_view kWaypointFirstLine = "OziExplorer Waypoint File";
constexpr std::string_view kTrackFirstLine = "OziExplorer Track Point File";

// Copies a text field for a line, commas turned into the Ozi stand-in.
void vCopyOziText(char *pszTarget, size_t nSize, const char *pszSource) {
    size_t k = 0;
    for (; k + 1 < nSize && pszSource[k] != '\0'; ++k) {
        pszTarget[k] = pszSource[k] == ',' ? kOziComma : pszSource[k];
    }
    pszTarget[k] = '\0';
}

// Copies at most 50 characters of a field into a record's text, turning the
// stand-in back into a comma. Only in the Western code page: in the others
// the byte is a letter far more often than a comma (the Cyrillic Es, the
// Greek Rho, the Polish N with acute), and stays one.
void vReadOziText(char (&szTarget)[kNameSize], std::string_view svField, int iCodePage) {
    size_t nLength = svField.size() < kNameSize - 1 ? svField.size() : kNameSize - 1;
    char cStandIn = iCodePage == kDefaultCodePage ? kOziComma : ',';
    for (size_t k = 0; k < nLength; ++k) {
        szTarget[k] = svField[k] == cStandIn ? ',' : svField[k];
    }
    szTarget[nLength] = '\0';
}

// Reads one signed decimal angle; 0 when the field holds none.
int iReadOziAngle(std::string_view svField, int fLatitude, int32_t &lAngle) {
    char szToken[128];
    vCopyFieldText(svField, szToken, sizeof(szToken));
    double dDegrees = 0.0;
    if (!iParseLatLon(szToken, kOziCoordFormat, fLatitude, &dDegrees)) {
        return 0;
    }
    lAngle = lDegreesToSemicircles(dDegrees);
    return 1;
}

// Reads the latitude and longitude fields; 0 and the reason when either holds
// no angle, so that no record lands at 0 degrees 0 degrees.
int iReadOziPosition(std::string_view svLatitude, std::string_view svLongitude, int32_t &lLatitude,
                     int32_t &lLongitude, const char **ppszReason) {
    if (iReadOziAngle(svLatitude, 1, lLatitude) && iReadOziAngle(svLongitude, 0, lLongitude)) {
        return 1;
    }
    if (ppszReason != nullptr) {
        std::string sText(svLatitude.substr(0, 80));
        sText += ',';
        sText.append(svLongitude.substr(0, 80));
        *ppszReason = pszUnreadablePosition(sText == "," ? std::string_view() : sText);
    }
    return 0;
}

// The format's "no altitude", in feet.
constexpr int32_t kOziNoFeet = -777;

// An altitude field in feet: -777 is no altitude, anything else a height
// (below sea level too; one the store cannot hold counts as none there).
float fReadOziAltitude(std::string_view svField) {
    double dFeet = dReadDecimal(svField);
    return dFeet == kOziNoFeet ? kNoAltitude : static_cast<float>(dFeet * kMetresPerFoot);
}

const char *pszStoreReason() {
    return "the store cannot take the record (out of memory)";
}

bool fIsBlank(std::string_view svLine) {
    return svLine.find_first_not_of(" \t") == std::string_view::npos;
}

std::string_view svField(const std::vector<std::string_view> &aFields, size_t nIndex) {
    return nIndex < aFields.size() ? aFields[nIndex] : std::string_view();
}

size_t nOziPosition(char *pszOut, size_t nSize, int32_t lLatitude, int32_t lLongitude) {
    return nFormatPosition(pszOut, nSize, kWgs84, dSemicirclesToDegrees(lLatitude),
                           dSemicirclesToDegrees(lLongitude), kOziCoordFormat);
}

// The length snprintf reports, cut to what the buffer holds.
size_t nStored(int iLength, size_t nSize) {
    if (iLength < 0 || nSize == 0) {
        return 0;
    }
    return static_cast<size_t>(iLength) < nSize ? static_cast<size_t>(iLength) : nSize - 1;
}

// One line and its line feed, formatted on the stack and written in one piece.
template <typename Record>
int iWriteOziLine(ExportContext &oContext, const Record &oRecord,
                  size_t (*pFormat)(char *, size_t, const Record &)) {
    char szLine[kTempStringSize + 1];
    size_t n = pFormat(szLine, kTempStringSize, oRecord);
    szLine[n] = '\n';
    return oContext.pFile->iWriteText(std::string_view(szLine, n + 1));
}

char *szUserPosition(const Workspace *pWorkspace, int32_t lLatitude, int32_t lLongitude) {
    return szFormatPosition(pWorkspace->sDatum, dSemicirclesToDegrees(lLatitude),
                            dSemicirclesToDegrees(lLongitude), pWorkspace->sCoordFormat);
}

// Reused across the lines of one import, so reading needs no allocation per line.
std::vector<std::string_view> &aLineFields() {
    static std::vector<std::string_view> aFields;
    return aFields;
}

using LineParser = int (*)(Workspace *, std::string_view, const char **, int32_t);

// The track line of a track file, the fourth after the first, names the
// track in its fourth field.
constexpr int kTrackNameLine = 3;

int iImportOziBuffer(Workspace *pWorkspace, std::string_view svData, const char *pszFileName,
                     std::string_view svFirstLine, int nSkippedLines, LineParser pParseLine,
                     int16_t sOwnType) {
    if (pWorkspace == nullptr || !pWorkspace->pStore) {
        return 0;
    }
    LineReader oReader(svData);
    std::string_view svLine;
    if (!oReader.fNextLine(svLine) || svLine.substr(0, svFirstLine.size()) != svFirstLine) {
        vReportNotOfFormat(pszFileName, svData, sOwnType);
        return 0;
    }
    // Datum, reserved and symbol-set or track lines: the positions are WGS 84
    // whatever the datum line says.
    // A track file is one track of its own, named by its track line.
    int32_t lTrack = -1;
    std::string sTrackName;
    for (int k = 0; k < nSkippedLines; ++k) {
        if (!oReader.fNextLine(svLine)) {
            return 1;
        }
        if (sOwnType == kFileOziTrack && k == kTrackNameLine) {
            std::vector<std::string_view> &aFields = aLineFields();
            vSplitCommas(svLine, aFields);
            char szName[kNameSize];
            vReadOziText(szName, svField(aFields, 3), pWorkspace->sCodePage);
            vTrimField(szName, sizeof(szName));
            sTrackName = szName;
        }
    }
    if (sOwnType == kFileOziTrack) {
        lTrack = lAddTrack(pWorkspace, sTrackName);
        if (lTrack < 0) {
            vReportError("cannot read '%s': %s", pszFileName, pszStoreReason());
            return 0;
        }
    }
    while (oReader.fNextLine(svLine)) {
        // A blank line carries no record (it would be one without a position).
        if (fIsBlank(svLine)) {
            continue;
        }
        const char *pszReason = nullptr;
        if (!pParseLine(pWorkspace, svLine, &pszReason, lTrack)) {
            vReportError("cannot read '%s': line %zu: %s", pszFileName, oReader.nLineNumber(),
                         pszReason != nullptr ? pszReason : pszStoreReason());
            return 0;
        }
    }
    return 1;
}

} // namespace

size_t nFormatOziWaypoint(char *pszOut, size_t nSize, const Waypoint &oWaypoint) {
    char szName[kNameSize];
    char szComment[kNameSize];
    vCopyOziText(szName, sizeof(szName), oWaypoint.szName);
    vCopyOziText(szComment, sizeof(szComment), oWaypoint.szComment);
    int32_t lFeet =
        oWaypoint.fAltitude >= -700.0f ? lMetresToFeet(oWaypoint.fAltitude) : kOziNoFeet;
    // The date field holds the day count; it stays empty for no time.
    char szDate[kTempStringSize] = "";
    if (oWaypoint.lTime != 0) {
        nFormatTime(szDate, sizeof(szDate), oWaypoint.lTime, 0, kDayCountFormat);
    }
    char szPosition[kTempStringSize];
    nOziPosition(szPosition, sizeof(szPosition), oWaypoint.lLatitude, oWaypoint.lLongitude);
    return nStored(iFormatText(pszOut, nSize, "-1,%s,%s,%s,%d,1,,,,%s,,%d,%d,%d", szName,
                               szPosition, szDate, oWaypoint.sSymbol, szComment, oWaypoint.bDisplay,
                               lRoundHalfUp(oWaypoint.fProximity), lFeet),
                   nSize);
}

char *szFormatOziWaypoint(const Waypoint &oWaypoint) {
    char *pszLine = pszGetTempString();
    nFormatOziWaypoint(pszLine, kTempStringSize, oWaypoint);
    return pszLine;
}

size_t nFormatOziTrackPoint(char *pszOut, size_t nSize, const TrackPoint &oPoint) {
    // -777 feet is the format's "no altitude"; every altitude the store holds,
    // sea level and below included, is written in feet.
    int32_t lFeet = fHasAltitude(oPoint.fAltitude) ? lMetresToFeet(oPoint.fAltitude) : kOziNoFeet;
    if (nSize == 0) {
        return 0;
    }
    // "%s,%d,%d,%s" written piece by piece into the buffer.
    size_t n = nOziPosition(pszOut, nSize, oPoint.lLatitude, oPoint.lLongitude);
    n += nStored(iFormatText(pszOut + n, nSize - n, ",%d,%d,", oPoint.fNewSegment, lFeet),
                 nSize - n);
    return n + nFormatTime(pszOut + n, nSize - n, oPoint.lTime, 0, kDayCountFormat);
}

char *szFormatOziTrackPoint(const TrackPoint &oPoint) {
    char *pszLine = pszGetTempString();
    nFormatOziTrackPoint(pszLine, kTempStringSize, oPoint);
    return pszLine;
}

int iParseOziWaypoint(Workspace *pWorkspace, std::string_view svLine, const char **ppszReason,
                      int32_t /*lTrack*/) {
    std::vector<std::string_view> &aFields = aLineFields();
    vSplitCommas(svLine, aFields);
    Waypoint oWaypoint = oEmptyWaypoint();
    vReadOziText(oWaypoint.szName, svField(aFields, 1), pWorkspace->sCodePage);
    if (!iReadOziPosition(svField(aFields, 2), svField(aFields, 3), oWaypoint.lLatitude,
                          oWaypoint.lLongitude, ppszReason)) {
        return 0;
    }
    // A day count; an empty field gives 0, which lies outside the store's times.
    oWaypoint.lTime = lDayCountToTime(dReadDecimal(svField(aFields, 4)));
    oWaypoint.sSymbol = static_cast<int16_t>(lReadInteger(svField(aFields, 5)));
    vReadOziText(oWaypoint.szComment, svField(aFields, 10), pWorkspace->sCodePage);
    oWaypoint.bDisplay = static_cast<uint8_t>(lReadInteger(svField(aFields, 12)));
    oWaypoint.fProximity = static_cast<float>(dReadDecimal(svField(aFields, 13)));
    oWaypoint.fAltitude = fReadOziAltitude(svField(aFields, 14));
    if (iDebugGeneral()) {
        std::printf("wpt \"%s\",%s\n", oWaypoint.szName,
                    szUserPosition(pWorkspace, oWaypoint.lLatitude, oWaypoint.lLongitude));
    }
    const int iResult = iAddWaypoint(pWorkspace, oWaypoint);
    if (!iResult && ppszReason != nullptr) {
        *ppszReason = pszStoreReason();
    }
    return iResult;
}

int iParseOziTrackPoint(Workspace *pWorkspace, std::string_view svLine, const char **ppszReason,
                        int32_t lTrack) {
    std::vector<std::string_view> &aFields = aLineFields();
    vSplitCommas(svLine, aFields);
    TrackPoint oPoint{};
    if (!iReadOziPosition(svField(aFields, 0), svField(aFields, 1), oPoint.lLatitude,
                          oPoint.lLongitude, ppszReason)) {
        return 0;
    }
    oPoint.fNewSegment = lReadInteger(svField(aFields, 2));
    oPoint.fAltitude = fReadOziAltitude(svField(aFields, 3));
    char szTime[128];
    vCopyFieldText(svField(aFields, 4), szTime, sizeof(szTime));
    oPoint.lTime = lParseTime(szTime, 0);
    if (iDebugGeneral()) {
        std::printf("trk %s,%d\n", szUserPosition(pWorkspace, oPoint.lLatitude, oPoint.lLongitude),
                    oPoint.fNewSegment);
    }
    const int iResult = lTrack >= 0 ? iAppendTrackPoint(pWorkspace, lTrack, oPoint)
                                    : iAddTrackPoint(pWorkspace, oPoint);
    if (!iResult && ppszReason != nullptr) {
        *ppszReason = pszStoreReason();
    }
    return iResult;
}

int iImportOziWaypointsFromBuffer(Workspace *pWorkspace, std::string_view svData,
                                  const char *pszFileName) {
    return iImportOziBuffer(pWorkspace, svData, pszFileName, kWaypointFirstLine, 3,
                            iParseOziWaypoint, kFileOziWaypoints);
}

int iImportOziTrackFromBuffer(Workspace *pWorkspace, std::string_view svData,
                              const char *pszFileName) {
    return iImportOziBuffer(pWorkspace, svData, pszFileName, kTrackFirstLine, 5,
                            iParseOziTrackPoint, kFileOziTrack);
}

int iImportOziWaypoints(Workspace *pWorkspace, const char *pszFileName) {
    return iImportFile(pWorkspace, pszFileName, &iImportOziWaypointsFromBuffer);
}

int iImportOziTrack(Workspace *pWorkspace, const char *pszFileName) {
    return iImportFile(pWorkspace, pszFileName, &iImportOziTrackFromBuffer);
}

int iWriteOziWaypointHeader(ExportContext &oContext) {
    return oContext.pFile->iWriteText("OziExplorer Waypoint File Version 1.1\n"
                                      "WGS 84\n"
                                      "Reserved 2\n"
                                      "garmin16\n");
}

int iWriteOziWaypointLine(ExportContext &oContext, const Waypoint &oWaypoint) {
    return iWriteOziLine(oContext, oWaypoint, &nFormatOziWaypoint);
}

int iWriteOziTrackHeader(ExportContext &oContext) {
    // The file holds one track: it takes the name of the store's first
    // named track.
    const char *pszName = "Garmin Track";
    for (const Track &oTrack : oContext.pWorkspace->pStore->aTracks) {
        if (!oTrack.sName.empty()) {
            pszName = oTrack.sName.c_str();
            break;
        }
    }
    char szName[kNameSize];
    vCopyOziText(szName, sizeof(szName), pszName);
    return oContext.pFile->iPrintf("OziExplorer Track Point File Version 2.1\n"
                                   "WGS 84\n"
                                   "Altitude is in Feet\n"
                                   "Reserved 3\n"
                                   "0,2,255,%s,0,0,0,8421376\n",
                                   szName);
}

int iPrepareOziTrack(ExportContext &oContext) {
    // The count line holds the true number of points; readers size their
    // track by it, so it must not wrap past 32,767.
    auto nPoints = static_cast<size_t>(oContext.pWorkspace->pStore->lTrackPointCount);
    if (nPoints == 0) {
        return 1;
    }
    return oContext.pFile->iPrintf("%zu\n", nPoints);
}

int iWriteOziTrackLine(ExportContext &oContext, const TrackPoint &oPoint) {
    return iWriteOziLine(oContext, oPoint, &nFormatOziTrackPoint);
}
