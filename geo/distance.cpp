#include "geo/distance.h"

#include <cmath>

#include "geo/angles.h"
#include "geo/datums.h"
#include "geo/utm.h"

namespace {
constexpr double kEarthRadius = 6371000.0;
// Below a tenth of a metre in either grid direction the bearing ignores that direction.
constexpr double kDeadBand = 0.1;
constexpr double kFalseNorthing = 10000000.0;
} // namespace

bool fOnGrid(double dLatitude) {
    return dLatitude >= -80 && dLatitude <= 84;
}

void vProjectGridPoint(double dLatitude, double dLongitude, int fFixedZone, GridPoint &oPoint) {
    vLatLonToUtm(kDatumWgs84, dLatitude, dLongitude, &oPoint.lZone, fFixedZone, &oPoint.dEasting,
                 &oPoint.dNorthing);
    oPoint.fSouth = dLatitude < 0;
}

void vGridStep(const GridPoint &oFrom, const GridPoint &oTo, double *pdDistance,
               double *pdBearing) {
    double dE = oTo.dEasting - oFrom.dEasting, dN = oTo.dNorthing - oFrom.dNorthing;
    if (oFrom.fSouth != oTo.fSouth) {
        // Across the equator: the southern northing counts from the false
        // northing, 10000 km south of the equator.
        dN = oTo.fSouth ? (oTo.dNorthing - kFalseNorthing) - oFrom.dNorthing
                        : oTo.dNorthing - (oFrom.dNorthing - kFalseNorthing);
    }
    double dBearing = 0;
    if (std::fabs(dN) < kDeadBand) {
        dBearing = dE > kDeadBand ? 90 : (dE < -kDeadBand ? 270 : 0);
    } else if (dN < -kDeadBand) {
        dBearing = dRadiansToDegrees(std::atan(dE / dN)) + 180;
    } else if (dE < -kDeadBand) {
        dBearing = dRadiansToDegrees(std::atan(dE / std::fabs(dN))) + 360;
    } else {
        dBearing = dRadiansToDegrees(std::atan(dE / dN));
    }
    if (pdDistance != nullptr) {
        *pdDistance = std::sqrt(dE * dE + dN * dN);
    }
    if (pdBearing != nullptr) {
        *pdBearing = dBearing;
    }
}

void vGridDistanceBearing(double dLatitude1, double dLongitude1, double dLatitude2,
                          double dLongitude2, double *pdDistance, double *pdBearing) {
    if (fOnGrid(dLatitude1) && fOnGrid(dLatitude2)) {
        GridPoint oFirst;
        vProjectGridPoint(dLatitude1, dLongitude1, 0, oFirst);
        GridPoint oSecond{oFirst.lZone};
        vProjectGridPoint(dLatitude2, dLongitude2, 1, oSecond);
        vGridStep(oFirst, oSecond, pdDistance, pdBearing);
        return;
    }
    if (pdDistance != nullptr) {
        *pdDistance = 0;
    }
    if (pdBearing != nullptr) {
        *pdBearing = 0;
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
