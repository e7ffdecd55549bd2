#include "formats/pcx5.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/debug.h"
#include "base/number_text.h"
#include "base/printf_format.h"
#include "base/report.h"
#include "base/temp_string.h"
#include "base/text_format.h"
#include "formats/export_format.h"
#include "formats/field_reader.h"
#include "formats/file_look.h"
#include "formats/input_file.h"
#include "formats/output_file.h"
#include "garmin/waypoint_symbols.h"
#include "geo/coordinates.h"
#include "geo/time_format.h"
#include "geo/units.h"
#include "store/file_kinds.h"
#include "store/workspace.h"

namespace {

constexpr int16_t kWgs84 = 100;

bool fIsUtm(int iNotation) {
    return iNotation == 9;
}

const char *szPcx5Position(const Workspace *pWorkspace, int32_t lLatitude, int32_t lLongitude) {
    return szFormatPosition(kWgs84, dSemicirclesToDegrees(lLatitude),
                            dSemicirclesToDegrees(lLongitude), pWorkspace->sCoordFormat);
}

const char *szPcx5Date(int32_t lTime) {
    return szFormatTime(lTime, 0, 2);
}

// The same texts in buffers of the caller, for the lines the writer builds.
struct FieldText {
    char sz[kTempStringSize];
};

std::string_view svPcx5Position(const Workspace *pWorkspace, int32_t lLatitude, int32_t lLongitude,
                                FieldText &o) {
    return std::string_view(
        o.sz, nFormatPosition(o.sz, sizeof(o.sz), kWgs84, dSemicirclesToDegrees(lLatitude),
                              dSemicirclesToDegrees(lLongitude), pWorkspace->sCoordFormat));
}

std::string_view svPcx5Date(int32_t lTime, FieldText &o) {
    return std::string_view(o.sz, nFormatTime(o.sz, sizeof(o.sz), lTime, 0, 2));
}

// At most the first nMax characters of a record text, as "%.50s" (nMax 50)
// takes them.
std::string_view svUpTo(const char *pszText, size_t nMax) {
    const void *pEnd = std::memchr(pszText, '\0', nMax);
    return std::string_view(
        pszText,
        pEnd != nullptr ? static_cast<size_t>(static_cast<const char *>(pEnd) - pszText) : nMax);
}

template <size_t N> char *pPutLiteral(char *p, const char (&acText)[N]) {
    std::memcpy(p, acText, N - 1);
    return p + (N - 1);
}

// A W or T line is built here and then handed to the caller's string. Room
// for the longest: the segment header, name and comment of 50 characters
// each, a position and a date of less than kTempStringSize, and the symbol.
struct LineText {
    char ac[2 * kTempStringSize + 2 * kNameSize + kPutRoom + 256];
};

const char *szTakeLine(std::string &sLine, const LineText &o, const char *pEnd) {
    sLine.assign(o.ac, static_cast<size_t>(pEnd - o.ac));
    return sLine.c_str();
}

int iWriteWaypointHeader(ExportContext &c) {
    return c.pFile->iPrintf(
        fIsUtm(c.pWorkspace->sCoordFormat)
            ? "\nH  IDNT   ZONE EASTING NORTHING DATE      TIME     ALT   DESCRIPTION        "
              "                      PROXIMITY     SYMBOL ;waypts\n"
            : "\nH  IDNT   LATITUDE    LONGITUDE    DATE      TIME     ALT   DESCRIPTION      "
              "                        PROXIMITY     SYMBOL ;waypts\n");
}

int iWriteLine(ExportContext &c, std::string &sLine) {
    sLine += '\n';
    return c.pFile->iWriteText(sLine);
}

std::string &sLineBuffer(ExportContext &c) {
    if (std::string *pLine = std::any_cast<std::string>(&c.oState)) {
        return *pLine;
    }
    c.oState = std::string();
    return *std::any_cast<std::string>(&c.oState);
}

} // namespace

// ---------------------------------------------------------------- writing

const char *szFormatPcx5Waypoint(const Workspace *pWorkspace, const Waypoint &oWaypoint,
                                 std::string &sLine) {
    // "W  %-6.50s %-21s %-18s -9999 %-40.50s 0.00000e+00 %8d" (UTM; the
    // position takes 24 columns in the other notations).
    FieldText oPosition;
    FieldText oDate;
    const std::string_view svPosition =
        svPcx5Position(pWorkspace, oWaypoint.lLatitude, oWaypoint.lLongitude, oPosition);
    const std::string_view svDate = svPcx5Date(oWaypoint.lTime, oDate);
    const int iSymbol = sGetGarminSymbolID(oWaypoint.sSymbol, pWorkspace->sSymbolSet);
    LineText o;
    char *p = pPutLiteral(o.ac, "W  ");
    p = pPutText(p, svUpTo(oWaypoint.szName, kNameSize - 1), -6);
    *p++ = ' ';
    p = pPutText(p, svPosition, fIsUtm(pWorkspace->sCoordFormat) ? -21 : -24);
    *p++ = ' ';
    p = pPutText(p, svDate, -18);
    p = pPutLiteral(p, " -9999 ");
    p = pPutText(p, svUpTo(oWaypoint.szComment, kNameSize - 1), -40);
    p = pPutLiteral(p, " 0.00000e+00 ");
    p = pPutInt(p, iSymbol, 8);
    return szTakeLine(sLine, o, p);
}

const char *szFormatPcx5TrackPoint(const Workspace *pWorkspace, const TrackPoint &oPoint,
                                   std::string &sLine) {
    // "T  %-21s %-18s -9999" (UTM; the position takes 24 columns in the other
    // notations).
    const bool fUtm = fIsUtm(pWorkspace->sCoordFormat);
    FieldText oPosition;
    FieldText oDate;
    const std::string_view svPosition =
        svPcx5Position(pWorkspace, oPoint.lLatitude, oPoint.lLongitude, oPosition);
    const std::string_view svDate = svPcx5Date(oPoint.lTime, oDate);
    LineText o;
    char *p = o.ac;
    if (oPoint.fNewSegment != 0) {
        p = fUtm ? pPutLiteral(p, "\nH  ZONE EASTING NORTHING DATE      TIME     ALT    ;track\n")
                 : pPutLiteral(p,
                               "\nH  LATITUDE    LONGITUDE    DATE      TIME     ALT    ;track\n");
    }
    p = pPutLiteral(p, "T  ");
    p = pPutText(p, svPosition, fUtm ? -21 : -24);
    *p++ = ' ';
    p = pPutText(p, svDate, -18);
    p = pPutLiteral(p, " -9999");
    return szTakeLine(sLine, o, p);
}

const char *szFormatPcx5Route(const Route &oRoute, std::string &sLine) {
    // "R  %02u  %.20s"
    LineText o;
    char *p = pPutLiteral(o.ac, "R  ");
    p = pPutInt(p, oRoute.lNumber, 2, '0');
    p = pPutLiteral(p, "  ");
    p = pPutText(p, svUpTo(oRoute.szComment, kRouteCommentSize - 1));
    return szTakeLine(sLine, o, p);
}

int iWritePcx5Header(ExportContext &c) {
    Workspace &w = *c.pWorkspace;
    if (!c.pFile->iPrintf("\nH  SOFTWARE NAME & VERSION\nI  PCX5 2.09\n\n"
                          "H  R DATUM                IDX DA            DF            DX       "
                          "     DY            DZ\n"
                          "M  G WGS 84               121 +0.000000e+00 +0.000000e+00 "
                          "+0.000000e+00 +0.000000e+00 +0.000000e+00\n\n"
                          "H  COORDINATE SYSTEM\n")) {
        return 0;
    }
    // The PCX5 notation replaces the user's for the rest of the run. A second
    // PCX5 file of the same run finds it already replaced and keeps it.
    static const char *const asSystemLine[] = {"U  LAT LON DEG", "U  LAT LON DM", "U  LAT LON DMS",
                                               "U  UTM UPS"};
    int iIndex;
    if (w.sCoordFormat >= 1 && w.sCoordFormat <= 4) {
        iIndex = w.sCoordFormat - 1;
    } else if (w.sCoordFormat >= 6 && w.sCoordFormat <= 9) {
        iIndex = w.sCoordFormat - 6;
    } else {
        vReportError("cannot write '%s': PCX5 files hold positions in notation 1 to 4 only, not %d",
                     c.pszFileName, w.sCoordFormat);
        return 0;
    }
    w.sCoordFormat = static_cast<int16_t>(iIndex + 6);
    return c.pFile->iPrintf("%s\n", asSystemLine[iIndex]);
}

int iWritePcx5TrackPoint(ExportContext &c, const TrackPoint &oPoint) {
    std::string &sLine = sLineBuffer(c);
    szFormatPcx5TrackPoint(c.pWorkspace, oPoint, sLine);
    return iWriteLine(c, sLine);
}

int iWritePcx5Route(ExportContext &c, const Route &oRoute) {
    std::string &sLine = sLineBuffer(c);
    szFormatPcx5Route(oRoute, sLine);
    if (!c.pFile->iWriteText("\n") || !iWriteLine(c, sLine) || !iWriteWaypointHeader(c)) {
        return 0;
    }
    for (uint32_t k = 0; k < oRoute.aszPoints.size(); ++k) {
        const Waypoint *pWaypoint = pRoutePointOrReport(c, oRoute, k);
        if (pWaypoint == nullptr) {
            continue;
        }
        szFormatPcx5Waypoint(c.pWorkspace, *pWaypoint, sLine);
        if (!iWriteLine(c, sLine)) {
            return 0;
        }
    }
    return 1;
}

int iWritePcx5Waypoint(ExportContext &c, const Waypoint &oWaypoint) {
    if (c.fFirstInSection && !iWriteWaypointHeader(c)) {
        return 0;
    }
    std::string &sLine = sLineBuffer(c);
    szFormatPcx5Waypoint(c.pWorkspace, oWaypoint, sLine);
    return iWriteLine(c, sLine);
}

// ---------------------------------------------------------------- reading

namespace {

// The characters of a fixed column range that the line holds (fewer, or none,
// when the line ends early), zero-terminated in pszOut of nLength + 1 bytes.
const char *pszColumns(std::string_view svLine, size_t nStart, size_t nLength, char *pszOut) {
    std::string_view svPart = nStart < svLine.size() ? svLine.substr(nStart, nLength) : "";
    std::memcpy(pszOut, svPart.data(), svPart.size());
    pszOut[svPart.size()] = '\0';
    return pszOut;
}

// Reads the position columns; 0 and the reason when they hold no position the
// notation can read.
int iReadPosition(std::string_view svLine, size_t nStart, int iNotation, int32_t &lLatitude,
                  int32_t &lLongitude, const char **ppszReason) {
    char szText[32];
    pszColumns(svLine, nStart, fIsUtm(iNotation) ? 21 : 24, szText);
    if (!iParsePositionSemicircles(szText, kWgs84, static_cast<int16_t>(iNotation), &lLatitude,
                                   &lLongitude)) {
        if (ppszReason != nullptr) {
            *ppszReason = pszUnreadablePosition(szText);
        }
        return 0;
    }
    return 1;
}

const char *pszStoreReason() {
    return "the store cannot take the record (out of memory)";
}

bool fDigits(std::string_view svLine, size_t nAt, size_t nCount) {
    for (size_t k = nAt; k < nAt + nCount; ++k) {
        if (k >= svLine.size() || svLine[k] < '0' || svLine[k] > '9') {
            return false;
        }
    }
    return true;
}

// A date and time of the shape dd-MON-yy hh:mm:ss at the column.
bool fIsPcx5Date(std::string_view svLine, size_t n) {
    auto fAt = [&](size_t k, char c) { return n + k < svLine.size() && svLine[n + k] == c; };
    auto fLetter = [&](size_t k) {
        return n + k < svLine.size() && std::isalpha(static_cast<unsigned char>(svLine[n + k]));
    };
    return fDigits(svLine, n, 2) && fAt(2, '-') && fLetter(3) && fLetter(4) && fLetter(5) &&
           fAt(6, '-') && fDigits(svLine, n + 7, 2) && fAt(9, ' ') && fDigits(svLine, n + 10, 2) &&
           fAt(12, ':') && fDigits(svLine, n + 13, 2) && fAt(15, ':') && fDigits(svLine, n + 16, 2);
}

bool fIsPosition(std::string_view svLine, size_t nStart, int iNotation) {
    int32_t lLatitude = 0;
    int32_t lLongitude = 0;
    return iReadPosition(svLine, nStart, iNotation, lLatitude, lLongitude, nullptr) != 0;
}

// Where the fields of a W line stand. A name longer than six characters (the
// writer puts names whole) pushes the position and everything after it to the
// right, and a comment longer than 40 pushes the proximity and the symbol.
struct WaypointColumns {
    size_t nNameLength = 6;
    size_t nPosition = 10;
    size_t nDate;
    size_t nCommentLength = 40;
    size_t nProximity, nProximityLength = 13;
    size_t nSymbol, nSymbolLength = 8;
};

WaypointColumns oWaypointColumns(std::string_view svLine, int iNotation) {
    const size_t d = fIsUtm(iNotation) ? 32 : 35;
    const size_t w = fIsUtm(iNotation) ? 21 : 24;
    WaypointColumns o;
    o.nDate = d;
    // The position and the date have fixed shapes: the date that follows a
    // readable position, in its columns or pushed right by a long name.
    if (!fIsPcx5Date(svLine, d)) {
        for (size_t n = d + 1; n + 18 <= svLine.size() && n - d <= size_t{kNameSize}; ++n) {
            if (fIsPcx5Date(svLine, n) && fIsPosition(svLine, n - 1 - w, iNotation)) {
                o.nDate = n;
                break;
            }
        }
    }
    const size_t nShift = o.nDate - d;
    o.nNameLength += nShift;
    o.nPosition += nShift;
    o.nProximity = o.nDate + 66;
    o.nSymbol = o.nDate + 80;
    // The proximity and the symbol are the last two fields; taken from the
    // line's end when they stand past the comment's 40 columns (where a long
    // comment puts them). Otherwise their columns hold.
    std::string_view svTrimmed = svLine.substr(0, svLine.find_last_not_of(' ') + 1);
    size_t nSymbol = svTrimmed.find_last_of(' ') + 1;
    size_t nBlank = svTrimmed.find_last_not_of(' ', nSymbol == 0 ? 0 : nSymbol - 1);
    size_t nProximity =
        nBlank == std::string_view::npos ? 0 : svTrimmed.find_last_of(' ', nBlank) + 1;
    std::string_view svSymbol = svTrimmed.substr(nSymbol);
    std::string_view svProximity =
        nProximity == 0 ? std::string_view() : svTrimmed.substr(nProximity, nSymbol - nProximity);
    svProximity = svProximity.substr(0, svProximity.find(' '));
    auto fNumber = [](std::string_view sv, std::string_view svChars) {
        return !sv.empty() && sv.find_first_not_of(svChars) == std::string_view::npos &&
               sv.find_first_of("0123456789") != std::string_view::npos;
    };
    if (nProximity > o.nDate + 65 && fNumber(svSymbol, "+-0123456789") &&
        fNumber(svProximity, "+-.eE0123456789")) {
        o.nCommentLength = std::min(nProximity - 1 - (o.nDate + 25), size_t{kNameSize - 1});
        o.nProximity = nProximity;
        o.nProximityLength = svProximity.size();
        o.nSymbol = nSymbol;
        o.nSymbolLength = svSymbol.size();
    }
    o.nNameLength = std::min(o.nNameLength, size_t{kNameSize - 1});
    return o;
}

} // namespace

int iParsePcx5Waypoint(Workspace *pWorkspace, std::string_view svLine, int iNotation,
                       const char **ppszReason) {
    if (svLine.substr(0, 3) != "W  ") {
        return 0;
    }
    Waypoint oWaypoint = oEmptyWaypoint();
    const WaypointColumns o = oWaypointColumns(svLine, iNotation);
    char szText[kNameSize];
    std::strcpy(oWaypoint.szName, pszColumns(svLine, 3, o.nNameLength, szText));
    std::strcpy(oWaypoint.szComment, pszColumns(svLine, o.nDate + 25, o.nCommentLength, szText));
    if (!iReadPosition(svLine, o.nPosition, iNotation, oWaypoint.lLatitude, oWaypoint.lLongitude,
                       ppszReason)) {
        return 0;
    }
    oWaypoint.lTime = lParseTime(pszColumns(svLine, o.nDate, 18, szText), 0);
    double dProximity = dParseDouble(
        pszColumns(svLine, o.nProximity, std::min(o.nProximityLength, size_t{24}), szText));
    if (dProximity != 0.0) {
        oWaypoint.fProximity = static_cast<float>(dProximity);
    }
    int64_t llSymbol = llParseInteger(
        pszColumns(svLine, o.nSymbol, std::min(o.nSymbolLength, size_t{24}), szText));
    if ((llSymbol & 0xFFFF) != 0) {
        oWaypoint.sSymbol =
            sGetStoredSymbol(static_cast<int16_t>(llSymbol & 0xFFFF), pWorkspace->sSymbolSet);
    }
    int iResult = iAddWaypoint(pWorkspace, oWaypoint);
    if (iResult && sGetDebugModes() != 0) {
        std::printf("wpt \"%s\",\"%s\",%s,%s,%g,%d\n", oWaypoint.szName, oWaypoint.szComment,
                    szPcx5Position(pWorkspace, oWaypoint.lLatitude, oWaypoint.lLongitude),
                    szPcx5Date(oWaypoint.lTime), static_cast<double>(oWaypoint.fProximity),
                    oWaypoint.sSymbol);
    }
    if (!iResult && ppszReason != nullptr) {
        *ppszReason = pszStoreReason();
    }
    return iResult;
}

int iParsePcx5TrackPoint(Workspace *pWorkspace, std::string_view svLine, int iNotation,
                         int fNewSegment, const char **ppszReason) {
    if (svLine.substr(0, 3) != "T  ") {
        return 0;
    }
    TrackPoint oPoint{};
    char szText[24];
    if (!iReadPosition(svLine, 3, iNotation, oPoint.lLatitude, oPoint.lLongitude, ppszReason)) {
        return 0;
    }
    oPoint.lTime = lParseTime(pszColumns(svLine, fIsUtm(iNotation) ? 25 : 28, 18, szText), 0);
    oPoint.fNewSegment = fNewSegment;
    int iResult = iAddTrackPoint(pWorkspace, oPoint);
    if (iResult && sGetDebugModes() != 0) {
        std::printf("trk %s,%s,%d\n",
                    szPcx5Position(pWorkspace, oPoint.lLatitude, oPoint.lLongitude),
                    szPcx5Date(oPoint.lTime), oPoint.fNewSegment);
    }
    if (!iResult && ppszReason != nullptr) {
        *ppszReason = pszStoreReason();
    }
    return iResult;
}

int iImportPcx5Buffer(Workspace *pWorkspace, std::string_view svData, const char *pszName) {
    if (pWorkspace == nullptr || !pWorkspace->pStore) {
        return 0;
    }
    int iNotation = 0;
    int fNewSegment = 1;
    // Header and record lines of the format; a file without one is another
    // kind of file (other lines are skipped, so it would read as nothing).
    size_t nFormatLines = 0;
    LineReader oLines(svData);
    std::string_view svLine;
    while (oLines.fNextLine(svLine)) {
        const char *pszReason = nullptr;
        char cKeyword = svLine.empty() ? '\0' : svLine[0];
        switch (cKeyword) {
        case 'H':
            fNewSegment = 1;
            break;
        case 'I':
            if (svLine.substr(0, 12) != "I  PCX5 2.09") {
                pszReason = "not a PCX5 2.09 file (its I line names another program or version)";
            }
            break;
        case 'M':
            if (svLine.substr(0, 29) != "M  G WGS 84               121") {
                pszReason = "only the datum WGS 84 (index 121) is read";
            }
            break;
        case 'U':
            if (svLine.substr(0, 14) == "U  LAT LON DMS") {
                iNotation = 8;
            } else if (svLine.substr(0, 13) == "U  LAT LON DM") {
                iNotation = 7;
            } else if (svLine.substr(0, 14) == "U  LAT LON DEG") {
                iNotation = 6;
            } else if (svLine.substr(0, 10) == "U  UTM UPS") {
                iNotation = 9;
            } else {
                pszReason = "unknown coordinate system";
            }
            break;
        case 'T':
            if (svLine.substr(0, 3) != "T  ") {
                pszReason = "a T line must begin with T and two blanks";
            } else if (!iParsePcx5TrackPoint(pWorkspace, svLine, iNotation, fNewSegment,
                                             &pszReason)) {
                pszReason = pszReason != nullptr ? pszReason : pszStoreReason();
            }
            fNewSegment = 0;
            break;
        case 'W':
            if (svLine.substr(0, 3) != "W  ") {
                pszReason = "a W line must begin with W and two blanks";
            } else if (!iParsePcx5Waypoint(pWorkspace, svLine, iNotation, &pszReason)) {
                pszReason = pszReason != nullptr ? pszReason : pszStoreReason();
            }
            break;
        default:
            break; // R lines, empty lines, comments
        }
        if (pszReason != nullptr) {
            // Before any line of the format, the line is more likely one of
            // another kind of file than a faulty one.
            if (nFormatLines == 0 && iReportForeignLook(pszName, svData, kFilePcx5)) {
                return 0;
            }
            vReportError("'%s' line %zu: %s", pszName, oLines.nLineNumber(), pszReason);
            return 0;
        }
        if (std::strchr("HIMUTWR", cKeyword) != nullptr && cKeyword != '\0' &&
            svLine.substr(1, 2) == "  ") {
            ++nFormatLines;
        }
    }
    if (nFormatLines == 0 && !fIsBlankData(svData)) {
        vReportNotOfFormat(pszName, svData, kFilePcx5);
        return 0;
    }
    return 1;
}

int iImportPcx5(Workspace *pWorkspace, const char *pszFileName) {
    return iImportFile(pWorkspace, pszFileName, &iImportPcx5Buffer);
}
