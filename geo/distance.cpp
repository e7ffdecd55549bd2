#include "geo/distance.h"

#include <algorithm>
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

// atan(y / x) within kQuickArcTangentError, given the inverse of the larger
// of |y| and |x|: the ratio of the smaller to the larger through an odd
// polynomial fitted on Chebyshev nodes of 0..1 (within 1e-8 radians there),
// and its complement where y is the larger.
constexpr double kQuickArcTangentError = 2e-8;
double dQuickArcTangent(double y, double x, double dInverseLarger) {
    const double a = std::fabs(y), b = std::fabs(x);
    const bool fSteep = a > b;
    const double t = (fSteep ? b : a) * dInverseLarger;
    const double u = t * t, u2 = u * u, u4 = u2 * u2;
    const double dPolynomial =
        ((0.9999999817886557 - 0.33333036709286273 * u) +
         u2 * (0.19991872029109073 - 0.14197797794085124 * u)) +
        u4 * ((0.10618370636953849 - 0.07456854826004547 * u) +
              u2 * (0.04213762358919304 - 0.01573124912218365 * u) + u4 * 0.002766283501762026);
    const double r = fSteep ? kGeoPi / 2 - t * dPolynomial : t * dPolynomial;
    return (y < 0) != (x < 0) ? -r : r;
}

// The bearing of a grid difference, fDegrees(y, x) the degrees of atan(y / x).
template <class Degrees> double dBearingOf(double dE, double dN, Degrees fDegrees) {
    if (std::fabs(dN) < kDeadBand) {
        return dE > kDeadBand ? 90 : (dE < -kDeadBand ? 270 : 0);
    }
    // Southward the angle turns half round; westward, else, it is taken
    // from the northing's size and turns a full round.
    const bool fSouthward = dN < -kDeadBand;
    const bool fWestward = !fSouthward && dE < -kDeadBand;
    const double dDegrees = fDegrees(dE, fWestward ? std::fabs(dN) : dN);
    return fSouthward ? dDegrees + 180 : (fWestward ? dDegrees + 360 : dDegrees);
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
        *pdBearing = dBearingOf(
            dE, dN, [](double y, double x) { return dRadiansToDegrees(std::atan(y / x)); });
    }
}

namespace {
constexpr double kRadiansPerDegree = kGeoPi / 180;
// The largest third and fourth derivatives of the grid coordinates by the
// angles over the grid: about a and 2a on WGS 84 (metres per radian cubed
// and to the fourth), doubled.
constexpr double kThirdDerivative = 1.3e7;
constexpr double kFourthDerivative = 2.6e7;
// The slopes' rates of change come from central differences this far
// either side (radians).
constexpr double kRateStep = 1e-3;
// How far the slopes may lie from those of the series (metres per radian),
// and their rates from the series' (per radian): the central difference's
// truncation, a sixth of the step squared times the fourth derivative, and
// the slopes' error over the step.
constexpr double kSlopeError = 1e-3;
constexpr double kRateError =
    kRateStep * kRateStep / 6 * kFourthDerivative + kSlopeError / kRateStep;
// Steps longer than this (radians of latitude and longitude together) and
// midpoints farther than this from the central meridian are left to the caller.
constexpr double kLongestStep = 1e-3;
constexpr double kWidestLongitude = 0.06;
// Once carrying the slopes could cost a step this much (metres), they are
// worked out afresh at the step.
constexpr double kCarryLimit = 1e-7;

// Latitudes so near zero that the hemisphere hangs on how the radians round.
bool fNearlyZero(double dLatitude) {
    return dLatitude != 0 && std::fabs(dLatitude) < 1e-300;
}

GridSlopes oCombined(const GridSlopes &x, double a, const GridSlopes &y, double b) {
    return {x.dEastByLongitude * a + y.dEastByLongitude * b,
            x.dEastByLatitude * a + y.dEastByLatitude * b,
            x.dNorthByLongitude * a + y.dNorthByLongitude * b,
            x.dNorthByLatitude * a + y.dNorthByLatitude * b};
}

int iWorkOutSlopes(GridWalk &o, int32_t lZone, double dPhi, double dP) {
    GridSlopes oNorth, oSouth, oEast, oWest;
    if (!iQuickGridSlopes(dPhi, dP, o.oSlopes) || !iQuickGridSlopes(dPhi + kRateStep, dP, oNorth) ||
        !iQuickGridSlopes(dPhi - kRateStep, dP, oSouth) ||
        !iQuickGridSlopes(dPhi, dP + kRateStep, oEast) ||
        !iQuickGridSlopes(dPhi, dP - kRateStep, oWest)) {
        o.fSlopes = false;
        return 0;
    }
    o.oByLatitude = oCombined(oNorth, 0.5 / kRateStep, oSouth, -0.5 / kRateStep);
    o.oByLongitude = oCombined(oEast, 0.5 / kRateStep, oWest, -0.5 / kRateStep);
    o.fSlopes = true;
    o.lZone = lZone;
    o.dPhi = dPhi;
    o.dP = dP;
    return 1;
}
} // namespace

int iWalkGridStep(GridWalk &oWalk, double dLatitude1, double dLongitude1, double dLatitude2,
                  double dLongitude2, double *pdDistance, double *pdBearing,
                  double *pdDistanceError, double *pdBearingError) {
    if (!fOnGrid(dLatitude1) || !fOnGrid(dLatitude2)) {
        *pdDistance = 0;
        *pdBearing = 0;
        *pdDistanceError = 0;
        *pdBearingError = 0;
        return 1;
    }
    const double dStepPhi = (dLatitude2 - dLatitude1) * kRadiansPerDegree;
    const double dStepLambda = (dLongitude2 - dLongitude1) * kRadiansPerDegree;
    const double dStep = std::fabs(dStepPhi) + std::fabs(dStepLambda);
    // Both points are measured in the first one's zone: the walk's while the
    // point lies inside it, clear of the eastern edge, where the division by
    // 6 that chooses the zone could round up into the next.
    const double dWalkMeridian = static_cast<double>(oWalk.lZone) * 6.0 - 183.0;
    const int32_t lZone =
        oWalk.fSlopes && dLongitude1 >= dWalkMeridian - 3 && dLongitude1 < dWalkMeridian + 3 - 1e-9
            ? oWalk.lZone
            : lUtmZoneOfLongitude(dLongitude1);
    const double dCentralMeridian = static_cast<double>(lZone) * 6.0 - 183.0;
    const double dPhi = (dLatitude1 + dLatitude2) * (0.5 * kRadiansPerDegree);
    const double dP = ((dLongitude1 + dLongitude2) * 0.5 - dCentralMeridian) * kRadiansPerDegree;
    if (!(dStep <= kLongestStep) || !(std::fabs(dP) < kWidestLongitude) ||
        fNearlyZero(dLatitude1) || fNearlyZero(dLatitude2)) {
        return 0;
    }
    // The grid difference is the slopes at the midpoint times the step, but
    // for a twenty-fourth of the third derivative times the step cubed. The
    // slopes there are carried from where they were worked out by their
    // rates, off by half the third derivative times the distance squared and
    // by the rates' error times the distance.
    double dFar = std::fabs(dPhi - oWalk.dPhi) + std::fabs(dP - oWalk.dP);
    double dCarried = dStep * dFar * (0.5 * kThirdDerivative * dFar + kRateError);
    if (!oWalk.fSlopes || oWalk.lZone != lZone || !(dCarried <= kCarryLimit)) {
        if (!iWorkOutSlopes(oWalk, lZone, dPhi, dP)) {
            return 0;
        }
        dCarried = 0;
    }
    const GridSlopes o =
        oCombined(oCombined(oWalk.oSlopes, 1, oWalk.oByLatitude, dPhi - oWalk.dPhi), 1,
                  oWalk.oByLongitude, dP - oWalk.dP);
    const double dE = o.dEastByLongitude * dStepLambda + o.dEastByLatitude * dStepPhi;
    const double dN = o.dNorthByLongitude * dStepLambda + o.dNorthByLatitude * dStepPhi;
    // The most either difference may lie from the exact projections' one.
    const double dError = kQuickGridError + dCarried + dStep * kSlopeError +
                          kThirdDerivative / 24 * dStep * dStep * dStep;
    // Clear of the dead band's edges by more than that, the exact
    // differences take the same branch; and the bearing's error below
    // holds while the error is a small part of the step (over 0.1 m).
    if (!(std::fabs(std::fabs(dE) - kDeadBand) > dError) ||
        !(std::fabs(std::fabs(dN) - kDeadBand) > dError) || !(dError < 1e-3)) {
        return 0;
    }
    *pdDistance = std::sqrt(dE * dE + dN * dN);
    // The distance is at least the larger difference.
    const double dInverseLarger = 1 / std::max(std::fabs(dE), std::fabs(dN));
    *pdBearing = dBearingOf(dE, dN, [dInverseLarger](double y, double x) {
        constexpr double kDegreesPerRadian = 180 / kGeoPi;
        return dQuickArcTangent(y, x, dInverseLarger) * kDegreesPerRadian;
    });
    // The end of the step may move by dError in each direction, under
    // 1.5 dError in all, which moves the distance as much and turns the
    // bearing by under 1.5 dError / distance radians, as the error is under
    // a hundredth of the distance; the arc tangent adds its own error, and
    // the conversion to degrees a billionth.
    *pdDistanceError = 1.5 * dError;
    constexpr double kDegreesPerRadianOrMore = 57.3;
    *pdBearingError =
        std::fabs(dN) < kDeadBand
            ? 0.0
            : (1.5 * dError * dInverseLarger + kQuickArcTangentError) * kDegreesPerRadianOrMore +
                  1e-9;
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
