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

namespace {
// The grid differences from one point to the other, easting and northing.
void vGridDifference(const GridPoint &oFrom, const GridPoint &oTo, double &dE, double &dN) {
    dE = oTo.dEasting - oFrom.dEasting;
    dN = oTo.dNorthing - oFrom.dNorthing;
    if (oFrom.fSouth != oTo.fSouth) {
        // Across the equator: the southern northing counts from the false
        // northing, 10000 km south of the equator.
        dN = oTo.fSouth ? (oTo.dNorthing - kFalseNorthing) - oFrom.dNorthing
                        : oTo.dNorthing - (oFrom.dNorthing - kFalseNorthing);
    }
}

// The bearing of a grid difference; fExact false converts the angle to
// degrees in double arithmetic, a unit or so of the last place away.
double dBearingOf(double dE, double dN, bool fExact = true) {
    auto dDegrees = [fExact](double dRadians) {
        constexpr double kDegreesPerRadian = 180 / kGeoPi;
        return fExact ? dRadiansToDegrees(dRadians) : dRadians * kDegreesPerRadian;
    };
    if (std::fabs(dN) < kDeadBand) {
        return dE > kDeadBand ? 90 : (dE < -kDeadBand ? 270 : 0);
    }
    if (dN < -kDeadBand) {
        return dDegrees(std::atan(dE / dN)) + 180;
    }
    if (dE < -kDeadBand) {
        return dDegrees(std::atan(dE / std::fabs(dN))) + 360;
    }
    return dDegrees(std::atan(dE / dN));
}
} // namespace

void vGridStep(const GridPoint &oFrom, const GridPoint &oTo, double *pdDistance,
               double *pdBearing) {
    double dE = 0, dN = 0;
    vGridDifference(oFrom, oTo, dE, dN);
    if (pdDistance != nullptr) {
        *pdDistance = std::sqrt(dE * dE + dN * dN);
    }
    if (pdBearing != nullptr) {
        *pdBearing = dBearingOf(dE, dN);
    }
}

void vQuickProjectGridPoint(double dLatitude, double dLongitude, int fFixedZone,
                            GridPoint &oPoint) {
    vQuickLatLonToUtm(kDatumWgs84, dLatitude, dLongitude, &oPoint.lZone, fFixedZone,
                      &oPoint.dEasting, &oPoint.dNorthing);
    oPoint.fSouth = dLatitude < 0;
}

int iQuickGridStep(const GridPoint &oFrom, const GridPoint &oTo, double *pdDistance,
                   double *pdBearing, double *pdBearingError) {
    double dE = 0, dN = 0;
    vGridDifference(oFrom, oTo, dE, dN);
    // Each difference lies well within kQuickGridError of the exact one, so
    // clear of the dead band's edges by more than that it takes the same branch.
    if (!(std::fabs(std::fabs(dE) - kDeadBand) > kQuickGridError) ||
        !(std::fabs(std::fabs(dN) - kDeadBand) > kQuickGridError)) {
        return 0;
    }
    const double dDistance = std::sqrt(dE * dE + dN * dN);
    *pdDistance = dDistance;
    *pdBearing = dBearingOf(dE, dN, false);
    // Inside the dead band the bearing is a constant. Outside it the points
    // lie 0.1 m apart or more, and an end moved by e turns the bearing by at
    // most e / distance radians; the conversion to degrees adds a billionth.
    constexpr double kDegreesPerRadianOrMore = 57.3;
    *pdBearingError = std::fabs(dN) < kDeadBand
                          ? 0.0
                          : kQuickGridError * kDegreesPerRadianOrMore / dDistance + 1e-9;
    return 1;
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
