#include "formats/barograph_export.h"

#include <cstdio>

#include "base/temp_string.h"
#include "base/text_format.h"
#include "formats/exchange_numbers.h"
#include "formats/export_format.h"
#include "formats/output_file.h"
#include "geo/distance.h"
#include "geo/time_format.h"
#include "geo/units.h"
#include "store/workspace.h"

namespace {

// What the summary needs from the walk over the track points. Values with no
// point to come from (an empty track, the time step of a single point) stay 0.
struct BarografState {
    int32_t lPointCount = 0;
    int32_t lHighest = -1;
    int32_t lFirstTime = 0;
    int32_t lTimeStep = 0;
    int16_t sHour = 0, sMinute = 0, sMonth = 0, sDay = 0, sYear = 0;
    double dFirstLatitude = 0.0, dFirstLongitude = 0.0;
    double dLastLatitude = 0.0, dLastLongitude = 0.0;
};

BarografState &oStateOf(ExportContext &oContext) {
    if (BarografState *pState = std::any_cast<BarografState>(&oContext.oState)) {
        return *pState;
    }
    return oContext.oState.emplace<BarografState>();
}

} // namespace

char *szFormatBarografPoint(const TrackPoint &oPoint, int32_t *plAltitude) {
    int32_t lAltitude = lRoundedAltitude(oPoint.fAltitude);
    if (plAltitude != nullptr) {
        *plAltitude = lAltitude;
    }
    char *pszLine = pszGetTempString();
    iFormatText(pszLine, kTempStringSize, "%d 0", lAltitude);
    return pszLine;
}

int iPrepareBarografTrack(ExportContext &oContext) {
    oContext.oState.emplace<BarografState>();
    return 1;
}

int iWriteBarografTrackPoint(ExportContext &oContext, const TrackPoint &oPoint) {
    BarografState &s = oStateOf(oContext);
    int32_t lAltitude = 0;
    if (!oContext.pFile->iPrintf("%s\n", szFormatBarografPoint(oPoint, &lAltitude))) {
        return 0;
    }
    if (lAltitude > s.lHighest) {
        s.lHighest = lAltitude;
    }
    double dLatitude = dSemicirclesToDegrees(oPoint.lLatitude);
    double dLongitude = dSemicirclesToDegrees(oPoint.lLongitude);
    if (s.lPointCount == 0) {
        vSplitTime(oPoint.lTime, oContext.pWorkspace->lUtcOffset, &s.sHour, &s.sMinute, nullptr,
                   &s.sMonth, &s.sDay, &s.sYear);
        s.lFirstTime = oPoint.lTime;
        s.dFirstLatitude = dLatitude;
        s.dFirstLongitude = dLongitude;
    } else if (s.lPointCount == 1) {
        // In 64 bits: two times far apart must not wrap into a wrong step.
        int64_t llStep = static_cast<int64_t>(oPoint.lTime) - s.lFirstTime;
        s.lTimeStep = lTruncateToInt(static_cast<double>(llStep));
    }
    s.dLastLatitude = dLatitude;
    s.dLastLongitude = dLongitude;
    if (s.lPointCount < INT32_MAX) {
        ++s.lPointCount;
    }
    return 1;
}

int iWriteBarografSummary(ExportContext &oContext) {
    BarografState &s = oStateOf(oContext);
    int32_t lKilometres = 0;
    int32_t lHighest = 0;
    if (s.lPointCount > 0) {
        double dDistance = 0.0;
        vSphereDistance(s.dFirstLatitude, s.dFirstLongitude, s.dLastLatitude, s.dLastLongitude,
                        &dDistance, nullptr);
        lKilometres = lTruncateToInt((dDistance + 500.0) * 0.001);
        lHighest = s.lHighest;
    }
    return oContext.pFile->iPrintf("-1\n-1\n%02d\n%02d\n%04d\n%02d\n%02d\nPilot\nLaunch site\n"
                                   "Landing site\n%d\nComment\nRegistration\n999\n%d\n0.0\n%d\n"
                                   "Passengers\n1\n",
                                   s.sDay, s.sMonth, s.sYear, s.sHour, s.sMinute, lKilometres,
                                   lHighest, s.lTimeStep);
}
