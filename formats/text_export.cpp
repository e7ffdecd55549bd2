#include "formats/text_export.h"

#include <bit>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/debug.h"
#include "base/number_text.h"
#include "base/printf_format.h"
#include "base/report.h"
#include "base/temp_string.h"
#include "base/text_compare.h"
#include "base/text_format.h"
#include "formats/export_format.h"
#include "formats/field_reader.h"
#include "formats/file_look.h"
#include "formats/input_file.h"
#include "formats/output_file.h"
#include "garmin/waypoint_symbols.h"
#include "geo/calendar.h"
#include "geo/coordinates.h"
#include "geo/datums.h"
#include "geo/time_format.h"
#include "geo/units.h"
#include "store/file_kinds.h"
#include "store/route_place_names.h"
#include "store/workspace.h"

namespace {

constexpr int kFormatVersion = 1;
// Position and time fields are a few dozen characters; anything longer is not
// a position or a time, and is cut here rather than read.
constexpr size_t kFieldSize = 256;

// A record text field is at most its size minus one bytes, even when a record
// built elsewhere lacks its terminator.
std::string_view svField(const char *pszField, size_t nSize) {
    const void *pEnd = std::memchr(pszField, '\0', nSize);
    return std::string_view(
        pszField, pEnd != nullptr ? static_cast<size_t>(static_cast<const char *>(pEnd) - pszField)
                                  : nSize - 1);
}

// The quoted form of a name or comment, with no escaping (the reader has none).
void vAppendQuoted(std::string &sLine, std::string_view svText) {
    sLine += '"';
    sLine.append(svText);
    sLine += '"';
}

// The same at p in a line buffer, padded with blanks to nWidth characters
// (quotes included).
char *pPutQuoted(char *p, std::string_view svText, size_t nWidth = 0) {
    char *pStart = p;
    *p++ = '"';
    p = pPutText(p, svText);
    *p++ = '"';
    while (static_cast<size_t>(p - pStart) < nWidth) {
        *p++ = ' ';
    }
    return p;
}

template <size_t N> char *pPutLiteral(char *p, const char (&acText)[N]) {
    std::memcpy(p, acText, N - 1);
    return p + (N - 1);
}

// The position and time fields of a line, formatted into buffers of the
// caller (as long as the temporary strings they replace).
struct FieldText {
    char sz[kTempStringSize];
};

std::string_view svPositionText(const Workspace *pWorkspace, int32_t lLatitude, int32_t lLongitude,
                                FieldText &o) {
    return std::string_view(o.sz, nFormatPosition(o.sz, sizeof(o.sz), pWorkspace->sDatum,
                                                  dSemicirclesToDegrees(lLatitude),
                                                  dSemicirclesToDegrees(lLongitude),
                                                  pWorkspace->sCoordFormat));
}

std::string_view svTimeText(const Workspace *pWorkspace, int32_t lTime, FieldText &o) {
    return std::string_view(o.sz, nFormatTime(o.sz, sizeof(o.sz), lTime, pWorkspace->lUtcOffset,
                                              pWorkspace->sDateFormat));
}

// A record line is built here and then handed to the caller's string. Room for
// the longest: two quoted texts of kNameSize, a position and a time of less
// than kTempStringSize each, and the numbers (each under kPutRoom plus its
// width).
struct LineText {
    char ac[2 * kTempStringSize + 2 * kNameSize + 8 * kPutRoom + 128];
};

const char *szTakeLine(std::string &sLine, const LineText &o, const char *pEnd) {
    sLine.assign(o.ac, static_cast<size_t>(pEnd - o.ac));
    return sLine.c_str();
}

uint32_t lBits(int32_t lValue) {
    return static_cast<uint32_t>(lValue);
}

uint32_t lBits(float fValue) {
    return std::bit_cast<uint32_t>(fValue);
}

// Each export keeps one line buffer, so that a million track points reuse the
// same storage.
std::string &sLineBuffer(ExportContext &c) {
    if (std::string *pLine = std::any_cast<std::string>(&c.oState)) {
        return *pLine;
    }
    c.oState = std::string();
    std::string *pLine = std::any_cast<std::string>(&c.oState);
    pLine->reserve(512);
    return *pLine;
}

int iWriteLine(ExportContext &c, std::string &sLine) {
    sLine += '\n';
    return c.pFile->iWriteText(sLine);
}

} // namespace

// ---------------------------------------------------------------- writing

namespace {

// The position of a line at p, padded with blanks to iWidth characters.
char *pPutPosition(char *p, const Workspace *pWorkspace, int32_t lLatitude, int32_t lLongitude,
                   int iWidth = 0) {
    char *pStart = p;
    p += nFormatPosition(p, kTempStringSize, pWorkspace->sDatum, dSemicirclesToDegrees(lLatitude),
                         dSemicirclesToDegrees(lLongitude), pWorkspace->sCoordFormat);
    while (p - pStart < iWidth) {
        *p++ = ' ';
    }
    return p;
}

// The same for the time of a line.
char *pPutTime(char *p, const Workspace *pWorkspace, int32_t lTime, int iWidth = 0) {
    char *pStart = p;
    p += nFormatTime(p, kTempStringSize, lTime, pWorkspace->lUtcOffset, pWorkspace->sDateFormat);
    while (p - pStart < iWidth) {
        *p++ = ' ';
    }
    return p;
}

// The track point line at p (room for a LineText); returns its end.
char *pPutTrkLine(char *p, const Workspace *pWorkspace, const TrackPoint &oPoint) {
    const auto dAltitude = static_cast<double>(oPoint.fAltitude);
    if (pWorkspace->fTabbedExport != 0) {
        // "TRK  %-26s,%-19s,%10.2f,%d"
        p = pPutLiteral(p, "TRK  ");
        p = pPutPosition(p, pWorkspace, oPoint.lLatitude, oPoint.lLongitude, 26);
        *p++ = ',';
        p = pPutTime(p, pWorkspace, oPoint.lTime, 19);
        *p++ = ',';
        p = pPutFixed(p, dAltitude, 2, 10);
    } else {
        // "TRK %s,%s,%.2f,%d"
        p = pPutLiteral(p, "TRK ");
        p = pPutPosition(p, pWorkspace, oPoint.lLatitude, oPoint.lLongitude);
        *p++ = ',';
        p = pPutTime(p, pWorkspace, oPoint.lTime);
        *p++ = ',';
        p = pPutFixed(p, dAltitude, 2);
    }
    *p++ = ',';
    return pPutInt(p, oPoint.fNewSegment);
}

char *pPutTrhLine(char *p, const TrackPoint &oPoint) {
    // "TRH %8.8X,%8.8X,%8.8X,%8.8X,%2.2X"
    p = pPutLiteral(p, "TRH ");
    p = pPutHex(p, lBits(oPoint.lLatitude), 8);
    *p++ = ',';
    p = pPutHex(p, lBits(oPoint.lLongitude), 8);
    *p++ = ',';
    p = pPutHex(p, lBits(oPoint.lTime), 8);
    *p++ = ',';
    p = pPutHex(p, lBits(oPoint.fAltitude), 8);
    *p++ = ',';
    return pPutHex(p, lBits(oPoint.fNewSegment), 2);
}

} // namespace

const char *szFormatTrkLine(const Workspace *pWorkspace, const TrackPoint &oPoint,
                            std::string &sLine) {
    LineText o;
    return szTakeLine(sLine, o, pPutTrkLine(o.ac, pWorkspace, oPoint));
}

const char *szFormatTrhLine(const TrackPoint &oPoint, std::string &sLine) {
    LineText o;
    return szTakeLine(sLine, o, pPutTrhLine(o.ac, oPoint));
}

const char *szFormatRteLine(const Route &oRoute, std::string &sLine,
                            const RoutePlaceNames *pNames) {
    // "RTE %u,%u," and the quoted comment and point names, comma-separated.
    const auto nPoints = static_cast<uint32_t>(oRoute.aszPoints.size());
    LineText o;
    char *p = pPutLiteral(o.ac, "RTE ");
    p = pPutInt(p, oRoute.lNumber);
    *p++ = ',';
    p = pPutInt(p, nPoints);
    *p++ = ',';
    p = pPutQuoted(p, svField(oRoute.szComment, sizeof(oRoute.szComment)));
    szTakeLine(sLine, o, p);
    for (uint32_t k = 0; k < nPoints; ++k) {
        sLine += ',';
        const char *pszName =
            pNames != nullptr ? pszRoutePointName(*pNames, oRoute, k) : oRoute.aszPoints[k].sz;
        vAppendQuoted(sLine, svField(pszName, kNameSize));
    }
    return sLine.c_str();
}

const char *szFormatWptLine(const Workspace *pWorkspace, const Waypoint &oWaypoint,
                            std::string &sLine) {
    const std::string_view svName = svField(oWaypoint.szName, kNameSize);
    const std::string_view svComment = svField(oWaypoint.szComment, kNameSize);
    FieldText oPosition;
    FieldText oTime;
    const std::string_view svPosition =
        svPositionText(pWorkspace, oWaypoint.lLatitude, oWaypoint.lLongitude, oPosition);
    const std::string_view svTime = svTimeText(pWorkspace, oWaypoint.lTime, oTime);
    const auto dProximity = static_cast<double>(oWaypoint.fProximity);
    const auto dAltitude = static_cast<double>(oWaypoint.fAltitude);
    LineText o;
    char *p = o.ac;
    if (pWorkspace->fTabbedExport != 0) {
        // "WPT  " the quoted name and comment padded to 22 and 32 characters
        // (quotes included), then ",%-26s,%-19s,%8.2f,%7d,%8d,%7d,%9.2f".
        p = pPutLiteral(p, "WPT  ");
        p = pPutQuoted(p, svName, 22);
        *p++ = ',';
        p = pPutQuoted(p, svComment, 32);
        *p++ = ',';
        p = pPutText(p, svPosition, -26);
        *p++ = ',';
        p = pPutText(p, svTime, -19);
        *p++ = ',';
        p = pPutFixed(p, dProximity, 2, 8);
        *p++ = ',';
        p = pPutInt(p, oWaypoint.sSymbol, 7);
        *p++ = ',';
        p = pPutInt(p, oWaypoint.bDisplay, 8);
        *p++ = ',';
        p = pPutInt(p, oWaypoint.bColor, 7);
        *p++ = ',';
        p = pPutFixed(p, dAltitude, 2, 9);
    } else {
        // "WPT " the quoted name and comment, then ",%s,%s,%f,%d,%d,%d,%.2f".
        p = pPutLiteral(p, "WPT ");
        p = pPutQuoted(p, svName);
        *p++ = ',';
        p = pPutQuoted(p, svComment);
        *p++ = ',';
        p = pPutText(p, svPosition);
        *p++ = ',';
        p = pPutText(p, svTime);
        *p++ = ',';
        p = pPutFixed(p, dProximity, 6);
        *p++ = ',';
        p = pPutInt(p, oWaypoint.sSymbol);
        *p++ = ',';
        p = pPutInt(p, oWaypoint.bDisplay);
        *p++ = ',';
        p = pPutInt(p, oWaypoint.bColor);
        *p++ = ',';
        p = pPutFixed(p, dAltitude, 2);
    }
    return szTakeLine(sLine, o, p);
}

const char *szFormatWphLine(const Waypoint &oWaypoint, std::string &sLine) {
    // "WPH " the quoted name and comment, then
    // ",%8.8X,%8.8X,%8.8X,%8.8X,%4.4X,%2.2X,%2.2X,%8.8X".
    LineText o;
    char *p = pPutLiteral(o.ac, "WPH ");
    p = pPutQuoted(p, svField(oWaypoint.szName, kNameSize));
    *p++ = ',';
    p = pPutQuoted(p, svField(oWaypoint.szComment, kNameSize));
    *p++ = ',';
    p = pPutHex(p, lBits(oWaypoint.lLatitude), 8);
    *p++ = ',';
    p = pPutHex(p, lBits(oWaypoint.lLongitude), 8);
    *p++ = ',';
    p = pPutHex(p, lBits(oWaypoint.lTime), 8);
    *p++ = ',';
    p = pPutHex(p, lBits(oWaypoint.fProximity), 8);
    *p++ = ',';
    // The symbol goes out as its 16 bits, so that it always takes four digits.
    p = pPutHex(p, static_cast<uint16_t>(oWaypoint.sSymbol), 4);
    *p++ = ',';
    p = pPutHex(p, oWaypoint.bDisplay, 2);
    *p++ = ',';
    p = pPutHex(p, oWaypoint.bColor, 2);
    *p++ = ',';
    p = pPutHex(p, lBits(oWaypoint.fAltitude), 8);
    return szTakeLine(sLine, o, p);
}

int iWriteTextExportHeader(ExportContext &c) {
    const Workspace &w = *c.pWorkspace;
    const char *pszDatumName = nullptr;
    const char *pszEllipsoidName = nullptr;
    vGetDatumNames(w.sDatum, &pszDatumName, &pszEllipsoidName);
    return c.pFile->iPrintf("* Orvensta Export file *\n") &&
           c.pFile->iPrintf("VER %d\n", kFormatVersion) &&
           c.pFile->iPrintf("DAT %d,\"%s\",\"%s\"\n", w.sDatum,
                            pszDatumName != nullptr ? pszDatumName : "",
                            pszEllipsoidName != nullptr ? pszEllipsoidName : "") &&
           c.pFile->iPrintf("UTC %d\n", static_cast<int>(w.lUtcOffset));
}

int iWriteTextExportTrackPoint(ExportContext &c, const TrackPoint &oPoint) {
    if (c.fFirstInSection) {
        int iWritten = c.pWorkspace->fTabbedExport != 0
                           ? c.pFile->iPrintf("*TRK %-26s,%-19s,%-10s,SegmentStart\n", "Coord",
                                              "Time", "Altitude")
                           : c.pFile->iPrintf("*TRK Coord,Time,Altitude,SegmentStart\n");
        if (!iWritten) {
            return 0;
        }
    }
    char *p = c.pFile->pLineRoom(sizeof(LineText));
    return p != nullptr && c.pFile->iEndLine(pPutTrkLine(p, c.pWorkspace, oPoint));
}

int iWriteHexExportTrackPoint(ExportContext &c, const TrackPoint &oPoint) {
    if (c.fFirstInSection &&
        !c.pFile->iPrintf("*TRH Latitude,Longitude,Time,Altitude,SegmentStart\n")) {
        return 0;
    }
    char *p = c.pFile->pLineRoom(sizeof(LineText));
    return p != nullptr && c.pFile->iEndLine(pPutTrhLine(p, oPoint));
}

int iWriteTextExportRoute(ExportContext &c, const Route &oRoute) {
    if (c.fFirstInSection &&
        !c.pFile->iPrintf("*RTE RouteID,NoOfPoints,\"Wpt01\",\"Wpt02\",...\n")) {
        return 0;
    }
    std::string &sLine = sLineBuffer(c);
    szFormatRteLine(oRoute, sLine, c.pPlaceNames);
    return iWriteLine(c, sLine);
}

int iWriteTextExportWaypoint(ExportContext &c, const Waypoint &oWaypoint) {
    if (c.fFirstInSection) {
        int iWritten =
            c.pWorkspace->fTabbedExport != 0
                ? c.pFile->iPrintf("*WPT %-22s,%-32s,%-26s,%-19s,%-8s,%-7s,%-8s,%-7s,Altitude\n",
                                   "\"Name\"", "\"Comment\"", "Coord", "Time", "Radius", "Symbol",
                                   "DspMode", "Color")
                : c.pFile->iPrintf("*WPT \"Name\",\"Comment\",Coord,Time,Radius,Symbol,"
                                   "DisplayMode,Color,Altitude\n");
        if (!iWritten) {
            return 0;
        }
    }
    std::string &sLine = sLineBuffer(c);
    szFormatWptLine(c.pWorkspace, oWaypoint, sLine);
    return iWriteLine(c, sLine);
}

int iWriteHexExportWaypoint(ExportContext &c, const Waypoint &oWaypoint) {
    if (c.fFirstInSection &&
        !c.pFile->iPrintf("*WPH \"Name\",\"Comment\",Latitude,Longitude,Time,Radius,Symbol,"
                          "DisplayMode,Color,Altitude\n")) {
        return 0;
    }
    std::string &sLine = sLineBuffer(c);
    szFormatWphLine(oWaypoint, sLine);
    return iWriteLine(c, sLine);
}

// ---------------------------------------------------------------- reading

namespace {

// Cuts the keyword (up to the first blank) off the front of the line.
std::string_view svAfterKeyword(std::string_view svLine) {
    vSkipField(svLine, " ", false);
    return svLine;
}

int64_t llIntegerField(std::string_view &svRest) {
    char szField[kFieldSize];
    nReadField(szField, sizeof(szField), svRest, ",", false);
    return llParseInteger(szField);
}

// Integers keep their low 32 bits, as a 32-bit field would.
int32_t lIntegerField(std::string_view &svRest) {
    return static_cast<int32_t>(static_cast<uint32_t>(llIntegerField(svRest)));
}

double dDecimalField(std::string_view &svRest) {
    char szField[kFieldSize];
    nReadField(szField, sizeof(szField), svRest, ",", false);
    return dParseDouble(szField);
}

uint32_t lHexField(std::string_view &svRest) {
    char szField[kFieldSize];
    nReadField(szField, sizeof(szField), svRest, ",", false);
    return static_cast<uint32_t>(lParseHex32(szField));
}

const char *pszStoreReason() {
    return "the store cannot take the record (out of memory)";
}

// Reads a position field. A text no notation can read (a notation written
// with /f that has no reader, or degrees without their signs) is no position:
// 0 and the reason, rather than a record at 0 degrees 0 degrees.
int iPositionField(std::string_view &svRest, int16_t sDatum, int32_t &lLatitude,
                   int32_t &lLongitude, const char **ppszReason) {
    char szField[kFieldSize];
    nReadField(szField, sizeof(szField), svRest, ",", false);
    if (!iParsePositionSemicircles(szField, sDatum, 0, &lLatitude, &lLongitude)) {
        if (ppszReason != nullptr) {
            *ppszReason = pszUnreadablePosition(szField);
        }
        return 0;
    }
    return 1;
}

int32_t lTimeField(std::string_view &svRest, int32_t lUtcOffset) {
    char szField[kFieldSize];
    nReadField(szField, sizeof(szField), svRest, ",", false);
    return lParseTime(szField, lUtcOffset);
}

bool fStartsWith(std::string_view svLine, std::string_view svPrefix) {
    return svLine.substr(0, svPrefix.size()) == svPrefix;
}

void vEchoWaypoint(const Workspace *pWorkspace, const Waypoint &oWaypoint) {
    std::string sLine;
    szFormatWptLine(pWorkspace, oWaypoint, sLine);
    std::printf("wpt %s\n", sLine.c_str() + 4);
}

} // namespace

int iParseVersionLine(std::string_view svLine, int &iVersion) {
    std::string_view svRest = svAfterKeyword(svLine);
    iVersion = lIntegerField(svRest);
    return 1;
}

int iParseDatumLine(std::string_view svLine, int16_t &sDatum) {
    std::string_view svRest = svAfterKeyword(svLine);
    int32_t lNumber = lIntegerField(svRest);
    char szDatumName[kFieldSize];
    char szEllipsoidName[kFieldSize];
    nReadField(szDatumName, sizeof(szDatumName), svRest, ",", true);
    nReadField(szEllipsoidName, sizeof(szEllipsoidName), svRest, ",", true);
    if (lNumber < INT16_MIN || lNumber > INT16_MAX) {
        return 0;
    }
    const char *pszDatumName = nullptr;
    const char *pszEllipsoidName = nullptr;
    vGetDatumNames(static_cast<int16_t>(lNumber), &pszDatumName, &pszEllipsoidName);
    if (pszDatumName == nullptr || pszEllipsoidName == nullptr ||
        !fEqualsNoCase(pszDatumName, szDatumName) ||
        !fEqualsNoCase(pszEllipsoidName, szEllipsoidName)) {
        return 0;
    }
    sDatum = static_cast<int16_t>(lNumber);
    return 1;
}

int iParseWaypointLine(Workspace *pWorkspace, std::string_view svLine, int iVersion, int16_t sDatum,
                       int32_t lUtcOffset, const char **ppszReason) {
    bool fHex = fStartsWith(svLine, "WPH");
    if (!fHex && !fStartsWith(svLine, "WPT")) {
        return 0;
    }
    Waypoint oWaypoint = oEmptyWaypoint();
    std::string_view svRest = svAfterKeyword(svLine);
    nReadField(oWaypoint.szName, kNameSize, svRest, ",", true);
    nReadField(oWaypoint.szComment, kNameSize, svRest, ",", true);
    if (fHex) {
        oWaypoint.lLatitude = static_cast<int32_t>(lHexField(svRest));
        oWaypoint.lLongitude = static_cast<int32_t>(lHexField(svRest));
        oWaypoint.lTime = lStoredTime(static_cast<int32_t>(lHexField(svRest)));
        oWaypoint.fProximity = std::bit_cast<float>(lHexField(svRest));
        char szField[kFieldSize];
        nReadField(szField, sizeof(szField), svRest, ",", false);
        oWaypoint.sSymbol = sParseHex16(szField);
        nReadField(szField, sizeof(szField), svRest, ",", false);
        oWaypoint.bDisplay = cParseHex8(szField);
        nReadField(szField, sizeof(szField), svRest, ",", false);
        oWaypoint.bColor = cParseHex8(szField);
        oWaypoint.fAltitude = std::bit_cast<float>(lHexField(svRest));
    } else {
        if (!iPositionField(svRest, sDatum, oWaypoint.lLatitude, oWaypoint.lLongitude,
                            ppszReason)) {
            return 0;
        }
        oWaypoint.lTime = lTimeField(svRest, lUtcOffset);
        if (iVersion == 0) {
            // Files before the first version held the receiver's own codes.
            vSkipField(svRest, ",", false);
            oWaypoint.fProximity = static_cast<float>(dDecimalField(svRest));
            vSkipField(svRest, ",", false);
            int32_t lSymbol = lIntegerField(svRest);
            int32_t lDisplay = lIntegerField(svRest);
            oWaypoint.sSymbol = sGetStoredSymbol(static_cast<int16_t>(lSymbol), 103);
            oWaypoint.bDisplay = bGetStoredDisplay(static_cast<uint8_t>(lDisplay), 103);
        } else {
            oWaypoint.fProximity = static_cast<float>(dDecimalField(svRest));
            oWaypoint.sSymbol = static_cast<int16_t>(lIntegerField(svRest));
            oWaypoint.bDisplay = static_cast<uint8_t>(lIntegerField(svRest));
            oWaypoint.bColor = static_cast<uint8_t>(lIntegerField(svRest));
            oWaypoint.fAltitude = static_cast<float>(dDecimalField(svRest));
        }
    }
    int iResult = iAddWaypoint(pWorkspace, oWaypoint);
    if (iResult && sGetDebugModes() != 0) {
        vEchoWaypoint(pWorkspace, oWaypoint);
    }
    if (!iResult && ppszReason != nullptr) {
        *ppszReason = pszStoreReason();
    }
    return iResult;
}

int iParseTrackLine(Workspace *pWorkspace, std::string_view svLine, int iVersion, int16_t sDatum,
                    int32_t lUtcOffset, const char **ppszReason) {
    bool fHex = fStartsWith(svLine, "TRH");
    if (!fHex && !fStartsWith(svLine, "TRK")) {
        return 0;
    }
    TrackPoint oPoint{};
    std::string_view svRest = svAfterKeyword(svLine);
    if (fHex) {
        oPoint.lLatitude = static_cast<int32_t>(lHexField(svRest));
        oPoint.lLongitude = static_cast<int32_t>(lHexField(svRest));
        oPoint.lTime = lStoredTime(static_cast<int32_t>(lHexField(svRest)));
        oPoint.fAltitude = std::bit_cast<float>(lHexField(svRest));
        // The writer puts the flag out in hexadecimal; reading it so gives the
        // same value back for every flag, not only for 0 to 9.
        char szField[kFieldSize];
        nReadField(szField, sizeof(szField), svRest, ",", false);
        oPoint.fNewSegment = static_cast<int32_t>(std::strtoul(szField, nullptr, 16));
    } else {
        if (!iPositionField(svRest, sDatum, oPoint.lLatitude, oPoint.lLongitude, ppszReason)) {
            return 0;
        }
        oPoint.lTime = lTimeField(svRest, lUtcOffset);
        if (iVersion > 0) {
            oPoint.fAltitude = static_cast<float>(dDecimalField(svRest));
        }
        oPoint.fNewSegment = lIntegerField(svRest);
    }
    int iResult = iAddTrackPoint(pWorkspace, oPoint);
    if (iResult && sGetDebugModes() != 0) {
        std::string sLine;
        szFormatTrkLine(pWorkspace, oPoint, sLine);
        std::printf("trk %s\n", sLine.c_str() + 4);
    }
    if (!iResult && ppszReason != nullptr) {
        *ppszReason = pszStoreReason();
    }
    return iResult;
}

int iParseRouteLine(Workspace *pWorkspace, std::string_view svLine) {
    if (!fStartsWith(svLine, "RTE")) {
        return 0;
    }
    Route oRoute{};
    std::string_view svRest = svAfterKeyword(svLine);
    oRoute.lNumber = static_cast<uint32_t>(llIntegerField(svRest));
    vSkipField(svRest, ",", false); // the count: the names on the line decide it
    nReadField(oRoute.szComment, kRouteCommentSize, svRest, ",", true);
    // Every name on the line is a point; the first empty field ends them.
    for (;;) {
        RoutePointName oName{};
        if (nReadField(oName.sz, kNameSize, svRest, ",", true) == 0) {
            break;
        }
        char *pszName = pszAppendRoutePoint(oRoute);
        if (pszName == nullptr) {
            return 0;
        }
        std::memcpy(pszName, oName.sz, kNameSize);
    }
    int iResult = iAddRoute(pWorkspace, oRoute);
    if (iResult && sGetDebugModes() != 0) {
        std::string sLine;
        szFormatRteLine(oRoute, sLine);
        std::printf("rte %s\n", sLine.c_str() + 4);
    }
    return iResult;
}

int iImportTextExportBuffer(Workspace *pWorkspace, std::string_view svData, const char *pszName) {
    if (pWorkspace == nullptr || !pWorkspace->pStore) {
        return 0;
    }
    int iVersion = 0;
    int16_t sDatum = 100;
    int32_t lUtcOffset = 0;
    LineReader oLines(svData);
    std::string_view svLine;
    size_t nFormatLines = 0;
    while (oLines.fNextLine(svLine)) {
        // Blanks that an editor leaves at a line's end would make the last
        // hexadecimal field too long to read; they carry nothing.
        while (!svLine.empty() && (svLine.back() == ' ' || svLine.back() == '\t')) {
            svLine.remove_suffix(1);
        }
        if (svLine.size() < 3 || svLine[0] == '*') {
            continue;
        }
        char szKeyword[4] = {};
        for (int i = 0; i < 3; ++i) {
            char c = svLine[static_cast<size_t>(i)];
            szKeyword[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        }
        std::string_view svKeyword(szKeyword, 3);
        int iResult = 1;
        const char *pszReason = nullptr;
        if (svKeyword == "VER" || svKeyword == "DAT" || svKeyword == "UTC" || svKeyword == "WPT" ||
            svKeyword == "WPH" || svKeyword == "TRK" || svKeyword == "TRH" || svKeyword == "RTE") {
            ++nFormatLines;
        }
        if (svKeyword == "VER") {
            iResult = iParseVersionLine(svLine, iVersion);
        } else if (svKeyword == "DAT") {
            iResult = iParseDatumLine(svLine, sDatum);
            pszReason = "the datum line does not match the datum table";
        } else if (svKeyword == "UTC") {
            char szField[kFieldSize];
            std::string_view svValue = svLine.substr(svLine.size() >= 4 ? 4 : svLine.size());
            nReadField(szField, sizeof(szField), svValue, "", false);
            lUtcOffset = static_cast<int32_t>(llParseInteger(szField));
        } else if (svKeyword == "WPT" || svKeyword == "WPH" || svKeyword == "TRK" ||
                   svKeyword == "TRH" || svKeyword == "RTE") {
            if (std::string_view(svLine.data(), 3) != svKeyword) {
                iResult = 0;
                pszReason = "a record keyword must be written in upper case";
            } else {
                pszReason = pszStoreReason();
                if (svKeyword[0] == 'W') {
                    iResult = iParseWaypointLine(pWorkspace, svLine, iVersion, sDatum, lUtcOffset,
                                                 &pszReason);
                } else if (svKeyword[0] == 'T') {
                    iResult = iParseTrackLine(pWorkspace, svLine, iVersion, sDatum, lUtcOffset,
                                              &pszReason);
                } else {
                    iResult = iParseRouteLine(pWorkspace, svLine);
                }
            }
        }
        if (!iResult) {
            vReportError("'%s' line %zu: %s", pszName, oLines.nLineNumber(), pszReason);
            return 0;
        }
    }
    // A file without one line of the format (a file of another kind given this
    // extension) is not an empty export.
    if (nFormatLines == 0) {
        vReportNotOfFormat(pszName, svData, kFileTextExport);
        return 0;
    }
    return 1;
}

int iImportTextExport(Workspace *pWorkspace, const char *pszFileName) {
    return iImportFile(pWorkspace, pszFileName, &iImportTextExportBuffer);
}
