#include "geo/distance.h"

#include <cmath>

#include "geo/angles.h"
#include "geo/datums.h"
#include "geo/utm.h"

namespace {
constexpr double kEarthRadius = 6371000.0;
// Below a tenth of a metre in either grid direction the bearing ignores that direction.
constexpr double kDeadBand = 0.1;
} // namespace

void vGridDistanceBearing(double dLatitude1, double dLongitude1, double dLatitude2,
                          double dLongitude2, double *pdDistance, double *pdBearing) {
    double dDistance = 0, dBearing = 0;
    bool fInGrid = dLatitude1 >= -80 && dLatitude1 <= 84 && dLatitude2 >= -80 && dLatitude2 <= 84;
    if (fInGrid) {
        int32_t lZone = 0;
        double dE1 = 0, dN1 = 0, dE2 = 0, dN2 = 0;
        vLatLonToUtm(kDatumWgs84, dLatitude1, dLongitude1, &lZone, 0, &dE1, &dN1);
        vLatLonToUtm(kDatumWgs84, dLatitude2, dLongitude2, &lZone, 1, &dE2, &dN2);
        double dE = dE2 - dE1, dN = dN2 - dN1;
        dDistance = std::sqrt(dE * dE + dN * dN);
        if (std::fabs(dN) < kDeadBand) {
            dBearing = dE > kDeadBand ? 90 : (dE < -kDeadBand ? 270 : 0);
        } else if (dN < -kDeadBand) {
            dBearing = dRadiansToDegrees(std::atan(dE / dN)) + 180;
        } else if (dE < -kDeadBand) {
            dBearing = dRadiansToDegrees(std::atan(dE / std::fabs(dN))) + 360;
        } else {
            dBearing = dRadiansToDegrees(std::atan(dE / dN));
        }
    }
    if (pdDistance != nullptr) {
        *pdDistance = dDistance;
    }
    if (pdBearing != nullptr) {
        *pdBearing = dBearing;
    }
}

void vSphereDistance(double dLatitude1, double dLongitude1, double dLatitude2, double dLongitude2,
                     double *pdDistance, double *pdSecond) {
    double dPhi1 = dDegreesToRadians(dLatitude1);
    double dPhi2 = dDegreesToRadians(dLatitude2);
    double dDeltaLambda = dDegreesToRadians(dLongitude2 - dLongitude1);
    double x = std::sin(dPhi1) * std::sin(dPhi2) +
               std::cos(dPhi1) * std::cos(dPhi2) * std::cos(dDeltaLambda);
    // Equal or antipodal points can land a rounding step outside asin's domain.
    if (x > 1) {
        x = 1;
    } else if (x < -1) {
        x = -1;
    }
    if (pdDistance != nullptr) {
        // Equal points are exactly 0 apart, not the rounding remainder of pi.
        *pdDistance = x == 1 ? 0.0 : (kGeoPi / 2 - std::asin(x)) * kEarthRadius;
    }
    if (pdSecond != nullptr) {
        *pdSecond = 0.0;
    }
}
