#include "app/live_position.h"

#include <cstdio>
#include <cstring>

#include "app/run_options.h"
#include "base/console.h"
#include "base/report.h"
#include "device/position_report.h"
#include "device/transport.h"
#include "formats/live_position.h"
#include "geo/coordinates.h"
#include "store/workspace.h"

namespace {

const char *pszFixName(int16_t sFixType) {
    switch (sFixType) {
    case kFix2d:
        return "2D";
    case kFix3d:
        return "3D";
    case kFix2dDifferential:
        return "2D differential";
    case kFix3dDifferential:
        return "3D differential";
    default:
        return "no fix";
    }
}

// One status line: rewritten in place at a terminal, else printed again only
// when the kind of fix changes, so that a log does not grow by a line a second.
class StatusLine {
  public:
    StatusLine(const Workspace &w) : m_w(w), m_fInPlace(iConsoleIsInteractive() != 0) {}
    void vShow(const PositionFix &o) {
        char szLine[200];
        if (iFixHasPosition(o)) {
            std::snprintf(szLine, sizeof(szLine), "Position: %s fix, %s", pszFixName(o.sFixType),
                          szFormatPosition(m_w.sDatum, o.dLatitude * kdRadiansToDegrees,
                                           o.dLongitude * kdRadiansToDegrees, m_w.sCoordFormat));
        } else {
            std::snprintf(szLine, sizeof(szLine), "Position: no fix");
        }
        if (m_fInPlace) {
            std::printf("\r%-79.79s", szLine);
            std::fflush(stdout);
            m_fOpen = true;
        } else if (o.sFixType != m_sLastType || !m_fAny) {
            std::printf("%s\n", szLine);
        }
        m_fAny = true;
        m_sLastType = o.sFixType;
    }
    void vEnd() {
        if (m_fOpen) {
            std::printf("\n");
        }
    }

  private:
    const Workspace &m_w;
    bool m_fInPlace;
    bool m_fOpen = false;
    bool m_fAny = false;
    int16_t m_sLastType = -1;
};

} // namespace

int iRunLivePosition(const Workspace &w, const RunOptions &o, DeviceLink *pLink) {
    LivePositionSink oSink;
    oSink.iOpen(o.szLiveFile, o.pLiveStream);
    StatusLine oStatus(w);
    std::printf("Live position to %s (Ctrl+C ends it)\n",
                std::strcmp(o.szLiveFile, "-") == 0 ? "standard output" : o.szLiveFile);
    PositionReportEnd eEnd = PositionReportEnd::kInterrupted;
    const int iResult = iReportPositions(
        pLink,
        [&](const PositionFix &oFix) {
            oStatus.vShow(oFix);
            return oSink.iWrite(oFix);
        },
        &eEnd);
    oStatus.vEnd();
    const int iClosed = oSink.iClose();
    std::printf("Live position: %ld fixes written\n", oSink.lFixesWritten());
    if (eEnd == PositionReportEnd::kNoPvt) {
        vReportError("the receiver on %s does not report its position (it lists no A800)",
                     pLink->sName.c_str());
    }
    return iResult && iClosed ? 1 : 0;
}
