#include "formats/overlay.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "base/debug.h"
#include "base/number_text.h"
#include "base/report.h"
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

bool fStartsWith(std::string_view svLine, std::string_view svPrefix) {
    return svLine.substr(0, svPrefix.size()) == svPrefix;
}

// The value of a coordinate key: the text after the first '=' at or after the
// seventh character, so "XKoord=" and the numbered "XKoord12=" both read. A
// key without '=', or whose value is not wholly an angle in decimal degrees
// ("8,5" would read as 8), has none.
bool fCoordinateValue(std::string_view svLine, double &dValue) {
    size_t nEquals = svLine.find('=', 6);
    if (nEquals == std::string_view::npos) {
        return false;
    }
    char szToken[128];
    vCopyFieldText(svLine.substr(nEquals + 1), szToken, sizeof(szToken));
    const char *pszEnd = nullptr;
    dValue = dParseDouble(szToken, &pszEnd);
    if (pszEnd == szToken || !std::isfinite(dValue) || std::fabs(dValue) > 360.0) {
        return false;
    }
    while (*pszEnd == ' ' || *pszEnd == '\t') {
        ++pszEnd;
    }
    return *pszEnd == '\0' && svLine.size() - nEquals - 1 < sizeof(szToken);
}

bool fHasFormatKey(std::string_view svLine) {
    return fStartsWith(svLine, "[Symbol") || fStartsWith(svLine, "Typ=") ||
           fStartsWith(svLine, "XKoord") || fStartsWith(svLine, "YKoord") ||
           fStartsWith(svLine, "[Overlay]");
}

OverlayState &oStateOf(ExportContext &oContext) {
    if (OverlayState *pState = std::any_cast<OverlayState>(&oContext.oState)) {
        return *pState;
    }
    return oContext.oState.emplace<OverlayState>();
}

} // namespace

OverlayLineStyle oOverlayLineStyle(const Workspace &oWorkspace) {
    return {oWorkspace.sOvlTrackColor, oWorkspace.sOvlTrackWidth, oWorkspace.sOvlTrackStyle};
}

OverlayPointStyle oOverlayPointStyle(const Workspace &oWorkspace) {
    return {oWorkspace.sOvlWptColor, oWorkspace.sOvlWptDotSize, oWorkspace.sOvlWptFontHeight,
            oWorkspace.sOvlWptBackground, oWorkspace.sOvlWptFont};
}

int iWriteOvlTrackPoint(OutputFile &oFile, OverlayState &oState, const TrackPoint &oPoint,
                        const OverlayLineStyle &oStyle) {
    if (oPoint.fNewSegment != 0 && !iFlushOvlLine(oFile, oState, oStyle)) {
        return 0;
    }
    try {
        oState.aPendingLine.push_back(dSemicirclesToDegrees(oPoint.lLongitude));
        oState.aPendingLine.push_back(dSemicirclesToDegrees(oPoint.lLatitude));
    } catch (const std::bad_alloc &) {
        vReportError("cannot write the overlay: out of memory for the track segment");
        return 0;
    }
    return 1;
}

int iFlushOvlLine(OutputFile &oFile, OverlayState &oState, const OverlayLineStyle &oStyle) {
    if (oState.aPendingLine.empty()) {
        return 1;
    }
    ++oState.lSymbolCount;
    size_t nPoints = oState.aPendingLine.size() / 2;
    int iResult =
        oFile.iPrintf("[Symbol %d]\nTyp=3\nCol=%d\nZoom=1\nSize=%d\nArt=%d\nPunkte=%zu\n",
                      oState.lSymbolCount, oStyle.sColor, oStyle.sWidth, oStyle.sStyle, nPoints);
    for (size_t k = 0; k < nPoints && iResult; ++k) {
        iResult = oFile.iPrintf("XKoord%zu=%.8f\nYKoord%zu=%.8f\n", k, oState.aPendingLine[2 * k],
                                k, oState.aPendingLine[2 * k + 1]);
    }
    oState.aPendingLine.clear();
    return iResult && oFile.iWriteText("\n");
}

int iWriteOvlWaypoint(OutputFile &oFile, OverlayState &oState, const Waypoint &oWaypoint,
                      const OverlayPointStyle &oStyle) {
    double dLongitude = dSemicirclesToDegrees(oWaypoint.lLongitude);
    double dLatitude = dSemicirclesToDegrees(oWaypoint.lLatitude);
    ++oState.lSymbolCount;
    int iResult = oFile.iPrintf("[Symbol %d]\nTyp=6\nWidth=%d\nHeight=%d\nCol=%d\nZoom=1\n"
                                "Size=1\nArea=2\nXKoord=%.8f\nYKoord=%.8f\n\n",
                                oState.lSymbolCount, oStyle.sDotSize, oStyle.sDotSize,
                                oStyle.sColor, dLongitude, dLatitude);
    if (!iResult) {
        return 0;
    }
    ++oState.lSymbolCount;
    return oFile.iPrintf("[Symbol %d]\nTyp=2\nCol=%d\nArea=%d\nZoom=1\nSize=%d\nFont=%d\nDir=1\n"
                         "XKoord=%.8f\nYKoord=%.8f\nText=%s\n\n",
                         oState.lSymbolCount, oStyle.sColor, oStyle.sBackground, oStyle.sFontHeight,
                         oStyle.sFont, dLongitude, dLatitude, oWaypoint.szName);
}

int iImportOverlayFromBuffer(Workspace *pWorkspace, std::string_view svData,
                             const char *pszFileName) {
    if (pWorkspace == nullptr || !pWorkspace->pStore) {
        return 0;
    }
    int32_t lSymbol = 0;
    bool fTrackMode = false;
    Waypoint oWaypoint = oEmptyWaypoint();
    iFormatText(oWaypoint.szName, sizeof(oWaypoint.szName), "SYM%03d", lSymbol);
    TrackPoint oPoint{};
    // A coordinate pair is stored at its YKoord; one without its XKoord would
    // be stored at a longitude of 0 or of the point before.
    bool fHaveX = false;
    size_t nFormatLines = 0;
    LineReader oReader(svData);
    std::string_view svLine;
    while (oReader.fNextLine(svLine)) {
        if (fHasFormatKey(svLine)) {
            ++nFormatLines;
        }
        if (fStartsWith(svLine, "[Symbol")) {
            lSymbol = lReadInteger(svLine.substr(7));
            fHaveX = false;
        }
        if (fStartsWith(svLine, "Typ=")) {
            char cType = svLine.size() > 4 ? svLine[4] : '\0';
            if (cType == '2' || cType == '6') {
                oWaypoint = oEmptyWaypoint();
                iFormatText(oWaypoint.szName, sizeof(oWaypoint.szName), "SYM%03d", lSymbol);
                fTrackMode = false;
            } else if (cType == '3') {
                oPoint = TrackPoint{};
                oPoint.fNewSegment = 1;
                fTrackMode = true;
            }
        }
        double dValue = 0.0;
        const bool fX = fStartsWith(svLine, "XKoord");
        const bool fY = fStartsWith(svLine, "YKoord");
        if ((fX || fY) && !fCoordinateValue(svLine, dValue)) {
            vReportError("cannot read '%s': line %zu: %s", pszFileName, oReader.nLineNumber(),
                         pszUnreadablePosition(svLine));
            return 0;
        }
        if (fX) {
            (fTrackMode ? oPoint.lLongitude : oWaypoint.lLongitude) = lDegreesToSemicircles(dValue);
            fHaveX = true;
        }
        if (fY && !fHaveX) {
            vReportError("cannot read '%s': line %zu: the position has no XKoord before its YKoord",
                         pszFileName, oReader.nLineNumber());
            return 0;
        }
        if (fY) {
            fHaveX = false;
            int iStored;
            if (fTrackMode) {
                oPoint.lLatitude = lDegreesToSemicircles(dValue);
                if (iDebugGeneral()) {
                    std::printf("trk %s,%d\n",
                                szFormatPosition(pWorkspace->sDatum,
                                                 dSemicirclesToDegrees(oPoint.lLatitude),
                                                 dSemicirclesToDegrees(oPoint.lLongitude),
                                                 pWorkspace->sCoordFormat),
                                oPoint.fNewSegment);
                }
                iStored = iAddTrackPoint(pWorkspace, oPoint);
                oPoint.fNewSegment = 0;
            } else {
                oWaypoint.lLatitude = lDegreesToSemicircles(dValue);
                if (iDebugGeneral()) {
                    std::printf("wpt \"%s\",%s\n", oWaypoint.szName,
                                szFormatPosition(pWorkspace->sDatum,
                                                 dSemicirclesToDegrees(oWaypoint.lLatitude),
                                                 dSemicirclesToDegrees(oWaypoint.lLongitude),
                                                 pWorkspace->sCoordFormat));
                }
                iStored = iAddWaypoint(pWorkspace, oWaypoint);
            }
            if (!iStored) {
                vReportError("cannot read '%s': line %zu: the store refused the %s", pszFileName,
                             oReader.nLineNumber(), fTrackMode ? "track point" : "waypoint");
                return 0;
            }
        }
    }
    // A file without one line of the format (a file of another kind given this
    // extension) is not an empty overlay.
    if (nFormatLines == 0) {
        vReportNotOfFormat(pszFileName, svData, kFileOverlay);
        return 0;
    }
    return 1;
}

int iImportOverlay(Workspace *pWorkspace, const char *pszFileName) {
    return iImportFile(pWorkspace, pszFileName, &iImportOverlayFromBuffer);
}

int iStartOverlay(ExportContext &oContext) {
    oContext.oState.emplace<OverlayState>();
    return 1;
}

int iWriteOverlayTrackPoint(ExportContext &oContext, const TrackPoint &oPoint) {
    return iWriteOvlTrackPoint(*oContext.pFile, oStateOf(oContext), oPoint,
                               oOverlayLineStyle(*oContext.pWorkspace));
}

int iCloseOverlayTrack(ExportContext &oContext) {
    return iFlushOvlLine(*oContext.pFile, oStateOf(oContext),
                         oOverlayLineStyle(*oContext.pWorkspace));
}

int iWriteOverlayWaypoint(ExportContext &oContext, const Waypoint &oWaypoint) {
    return iWriteOvlWaypoint(*oContext.pFile, oStateOf(oContext), oWaypoint,
                             oOverlayPointStyle(*oContext.pWorkspace));
}

int iWriteOverlayTrailer(ExportContext &oContext) {
    return oContext.pFile->iPrintf("[Overlay]\nSymbols=%d\n", oStateOf(oContext).lSymbolCount);
}
