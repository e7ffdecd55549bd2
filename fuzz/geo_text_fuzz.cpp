// The position, angle, UTM and time text readers; the position reader
// also against its quick form, which must store the same semicircles; and the
// UTM text writer against the exact projection, the position and time
// writers against themselves on the C library's digits, and the grid walk
// against the exact grid measure. Byte 0 chooses which, byte 1 the coordinate
// format (for the UTM writer, the zone; for the walk, the second step's
// scale) and byte 2 the datum; the rest is the text (for the writers, the
// latitude and longitude; for the walk, those and the step's).
// Run: build-fuzz/fuzz/geo_text_fuzz -max_total_time=180 -rss_limit_mb=2048 -timeout=5
//      -close_fd_mask=3 fuzz/corpus/geo_text   (see fuzz/README.md)
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/text_format.h"
#include "geo/coordinates.h"
#include "geo/distance.h"
#include "geo/time_format.h"
#include "geo/units.h"
#include "geo/utm.h"

namespace {
// Traps unless a line's position (in notation sFormat, padded to its column)
// and a time in each form are written as they are on the C library's digits.
void vWritersAsOnTheCLibrary(const double adAngle[2], int16_t sFormat, int16_t sDatum) {
    char acOwn[kPositionRoom + 64];
    char acLibrary[kPositionRoom + 64];
    int32_t alTime[2] = {};
    std::memcpy(alTime, adAngle, sizeof(alTime));
    const char *pOwn = pPutShiftedPosition(acOwn, sDatum, adAngle[0], adAngle[1], sFormat, 28);
    std::string asOwnTimes[5];
    for (int16_t sForm = 1; sForm <= 5; ++sForm) {
        asOwnTimes[sForm - 1] = szFormatTime(alTime[0], alTime[1] % 86400, sForm);
    }
    vFormatThroughCLibrary(true);
    const char *pLibrary =
        pPutShiftedPosition(acLibrary, sDatum, adAngle[0], adAngle[1], sFormat, 28);
    bool fSame = pOwn - acOwn == pLibrary - acLibrary &&
                 std::memcmp(acOwn, acLibrary, static_cast<size_t>(pOwn - acOwn)) == 0;
    for (int16_t sForm = 1; sForm <= 5; ++sForm) {
        fSame = fSame && asOwnTimes[sForm - 1] == szFormatTime(alTime[0], alTime[1] % 86400, sForm);
    }
    vFormatThroughCLibrary(false);
    if (!fSame) {
        __builtin_trap();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize) {
    if (nSize < 3) {
        return 0;
    }
    const int iReader = pData[0] % 6;
    const int16_t sFormat = static_cast<int16_t>(pData[1] % 19); // 0..18: both ends and beyond
    const int16_t sDatum = static_cast<int16_t>(pData[2]);       // known numbers and unknown ones
    std::string sText(reinterpret_cast<const char *>(pData + 3), nSize - 3); // NUL-terminated copy
    double dLatitude = 0;
    double dLongitude = 0;
    switch (iReader) {
    case 0: {
        // The quick reading of grid references stores what the exact one stores.
        const int iExact = iParsePosition(sText.c_str(), sDatum, sFormat, &dLatitude, &dLongitude);
        int32_t lLatitude = 0;
        int32_t lLongitude = 0;
        const int iQuick =
            iParsePositionSemicircles(sText.c_str(), sDatum, sFormat, &lLatitude, &lLongitude);
        if (iQuick != iExact || (iExact && (lLatitude != lDegreesToSemicircles(dLatitude) ||
                                            lLongitude != lDegreesToSemicircles(dLongitude)))) {
            __builtin_trap();
        }
        break;
    }
    case 1:
        iParseLatLon(sText.data(), sFormat, pData[2] & 1, &dLatitude);
        break;
    case 2:
        iParseUtm(sText.data(), sDatum, &dLatitude, &dLongitude);
        break;
    case 3: {
        // The UTM text holds the metres of the exact projection, in the zone
        // of its own or one forced up to two zones away.
        double adAngle[2] = {};
        std::memcpy(adAngle, sText.data(), std::min(sText.size(), sizeof(adAngle)));
        vWritersAsOnTheCLibrary(adAngle, sFormat, sDatum);
        if (!std::isfinite(adAngle[0]) || !std::isfinite(adAngle[1])) {
            break;
        }
        dLatitude = -80 + std::fmod(std::fabs(adAngle[0]), 164.0);
        dLongitude = -180 + std::fmod(std::fabs(adAngle[1]), 360.0);
        const int iZone = static_cast<int>(dLongitude / 6 + 31) + pData[1] % 5 - 2;
        vSetUtmZoneOverride(pData[1] % 2 == 0 ? -1 : std::clamp(iZone, 1, 60));
        const std::string sUtm = szFormatUtm(sDatum, dLatitude, dLongitude);
        vSetUtmZoneOverride(-1);
        int32_t lZone = std::atoi(sUtm.c_str());
        double dEasting = 0;
        double dNorthing = 0;
        vLatLonToUtm(sDatum, dLatitude, dLongitude, &lZone, 1, &dEasting, &dNorthing);
        char szExact[64];
        std::snprintf(szExact, sizeof(szExact), "%07.0f %07.0f", dEasting, dNorthing);
        if (sUtm.size() < 4 || sUtm.substr(4) != szExact) {
            __builtin_trap();
        }
        break;
    }
    case 5: {
        // Two steps of a walk, each within its stated errors of the exact
        // measure where the walk decides.
        double adAngle[4] = {};
        std::memcpy(adAngle, sText.data(), std::min(sText.size(), sizeof(adAngle)));
        if (!std::isfinite(adAngle[0]) || !std::isfinite(adAngle[1]) ||
            !std::isfinite(adAngle[2]) || !std::isfinite(adAngle[3])) {
            break;
        }
        dLatitude = -80 + std::fmod(std::fabs(adAngle[0]), 164.0);
        dLongitude = -180 + std::fmod(std::fabs(adAngle[1]), 360.0);
        GridWalk oWalk;
        for (int k = 0; k < 2; ++k) {
            const double dScale = k == 0 ? 1.0 : pData[1] / 64.0;
            const double dLatitude2 =
                std::clamp(dLatitude + std::fmod(adAngle[2], 0.02) * dScale, -80.0, 84.0);
            const double dLongitude2 = dLongitude + std::fmod(adAngle[3], 0.02) * dScale;
            double dDistance = 0, dBearing = 0, dWalkDistance = 0, dWalkBearing = 0;
            double dDistanceError = 0, dBearingError = 0;
            vGridDistanceBearing(dLatitude, dLongitude, dLatitude2, dLongitude2, &dDistance,
                                 &dBearing);
            if (iWalkGridStep(oWalk, dLatitude, dLongitude, dLatitude2, dLongitude2, &dWalkDistance,
                              &dWalkBearing, &dDistanceError, &dBearingError) &&
                (!(std::fabs(dWalkDistance - dDistance) <= dDistanceError) ||
                 !(std::fabs(dWalkBearing - dBearing) <= dBearingError))) {
                __builtin_trap();
            }
            dLatitude = dLatitude2;
            dLongitude = dLongitude2;
        }
        break;
    }
    default:
        lParseTime(sText.c_str(), static_cast<int32_t>(pData[2]) * 3600 - 12 * 3600);
        break;
    }
    return 0;
}
