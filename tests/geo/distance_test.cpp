#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "geo/distance.h"
#include "geo/utm.h"

namespace {

// A point at a given grid offset from 48.5, 9.25 in its own zone.
void vOffset(double dEast, double dNorth, double *pdLat, double *pdLon) {
    int32_t lZone = 0;
    double dE = 0, dN = 0;
    vLatLonToUtm(100, 48.5, 9.25, &lZone, 0, &dE, &dN);
    vUtmToLatLon(100, lZone, dE + dEast, dN + dNorth, pdLat, pdLon);
}

TEST(GridDistance, CardinalBearings) {
    double dDistance = -1, dBearing = -1;
    vGridDistanceBearing(48.5, 9.25, 48.5, 9.25, &dDistance, &dBearing);
    EXPECT_EQ(dDistance, 0);
    EXPECT_EQ(dBearing, 0);
    const struct {
        double dEast, dNorth, dBearing;
    } aCases[] = {{1000, 0, 90},     {0, -1000, 180},    {-1000, 0, 270},     {0, 1000, 0},
                  {1000, 1000, 45},  {1000, -1000, 135}, {-1000, -1000, 225}, {-1000, 1000, 315},
                  {0.05, 0.05, 0.0}, {0.05, -0.05, 0.0}, {0.5, 0.05, 90.0}};
    for (const auto &o : aCases) {
        double dLat = 0, dLon = 0;
        vOffset(o.dEast, o.dNorth, &dLat, &dLon);
        vGridDistanceBearing(48.5, 9.25, dLat, dLon, &dDistance, &dBearing);
        EXPECT_NEAR(dDistance, std::hypot(o.dEast, o.dNorth), 1e-3);
        EXPECT_NEAR(dBearing, o.dBearing, 1e-3) << o.dEast << " " << o.dNorth;
    }
    // A small westward step inside the dead band gives a small negative bearing.
    double dLat = 0, dLon = 0;
    vOffset(-0.05, 1000, &dLat, &dLon);
    vGridDistanceBearing(48.5, 9.25, dLat, dLon, &dDistance, &dBearing);
    EXPECT_LT(dBearing, 0);
}

TEST(GridDistance, OutsideTheGridIsZero) {
    double dDistance = -1, dBearing = -1;
    vGridDistanceBearing(85, 9.25, 48.5, 9.25, &dDistance, &dBearing);
    EXPECT_EQ(dDistance, 0);
    EXPECT_EQ(dBearing, 0);
    dDistance = dBearing = -1;
    vGridDistanceBearing(48.5, 9.25, -80.5, 9.25, &dDistance, &dBearing);
    EXPECT_EQ(dDistance, 0);
    EXPECT_EQ(dBearing, 0);
    dDistance = dBearing = -1;
    vGridDistanceBearing(NAN, 9.25, 48.5, 9.25, &dDistance, &dBearing);
    EXPECT_EQ(dDistance, 0);
    vGridDistanceBearing(48.5, 9.25, 48.6, 9.25, nullptr, nullptr);
}

TEST(GridDistance, SecondPointStaysInTheFirstPointsZone) {
    // 5.9 and 6.1 degrees east lie in zones 31 and 32; both measure in 31.
    double dDistance = 0, dBearing = 0;
    vGridDistanceBearing(48.5, 5.9, 48.5, 6.1, &dDistance, &dBearing);
    EXPECT_NEAR(dDistance, 14770, 30);
    EXPECT_GT(dBearing, 80);
    EXPECT_LT(dBearing, 100);
}

TEST(GridDistance, AStepAcrossTheEquatorIsTheStepItself) {
    // 0.0001 degrees either side of the equator: 22 m apart, south then north.
    double dDistance = 0, dBearing = 0;
    vGridDistanceBearing(0.0001, 9, -0.0001, 9, &dDistance, &dBearing);
    EXPECT_NEAR(dDistance, 22.1, 0.1);
    EXPECT_DOUBLE_EQ(dBearing, 180);
    vGridDistanceBearing(-0.0001, 9, 0.0001, 9, &dDistance, &dBearing);
    EXPECT_NEAR(dDistance, 22.1, 0.1);
    EXPECT_DOUBLE_EQ(dBearing, 0);
}

TEST(SphereDistance, Specimens) {
    double dDistance = 0, dSecond = 7;
    vSphereDistance(0, 0, 0, 1, &dDistance, &dSecond);
    EXPECT_NEAR(dDistance, 111195, 1);
    EXPECT_EQ(dSecond, 0.0);
    vSphereDistance(48.5, 9.25, 48.5, 9.25, &dDistance, nullptr);
    EXPECT_EQ(dDistance, 0.0);
    vSphereDistance(12.3456789, 98.7654321, 12.3456789, 98.7654321, &dDistance, nullptr);
    EXPECT_EQ(dDistance, 0.0);
    vSphereDistance(10, 20, -10, -160, &dDistance, nullptr);
    // Near the antipode asin loses half the digits: some centimetres.
    EXPECT_NEAR(dDistance, M_PI * 6371000, 0.5);
    vSphereDistance(90, 0, -90, 0, &dDistance, nullptr);
    EXPECT_FALSE(std::isnan(dDistance));
    vSphereDistance(1, 2, 3, 4, nullptr, nullptr);
}

// Seeded walks over the whole grid, and across the equator and zone edges,
// in steps from a kilometre to a millimetre and with the walk's slopes
// carried from walk to walk: where a step decides, its distance and bearing
// lie within the errors it states of the exact ones.
TEST(GridDistance, WalkStaysWithinItsErrors) {
    std::mt19937_64 oRandom(25);
    std::uniform_real_distribution<double> oLatitude(-80, 84), oLongitude(-180, 180), oStep(-1, 1);
    GridWalk oWalk;
    int nDecided = 0, nSteps = 0;
    for (int nWalk = 0; nWalk < 10000; ++nWalk) {
        double dLatitude = oLatitude(oRandom), dLongitude = oLongitude(oRandom);
        if (nWalk % 4 == 0) {
            dLatitude = oStep(oRandom) * 1e-3;
            dLongitude = std::round(dLongitude / 6) * 6 + oStep(oRandom) * 1e-3;
        }
        const double dScale = std::pow(10.0, -2 - nWalk % 7);
        for (int k = 0; k < 20; ++k, ++nSteps) {
            const double dLatitude2 = std::clamp(dLatitude + oStep(oRandom) * dScale, -80.0, 84.0);
            const double dLongitude2 = dLongitude + oStep(oRandom) * dScale;
            double dDistance = 0, dBearing = 0, dWalkDistance = 0, dWalkBearing = 0;
            double dDistanceError = 0, dBearingError = 0;
            vGridDistanceBearing(dLatitude, dLongitude, dLatitude2, dLongitude2, &dDistance,
                                 &dBearing);
            if (iWalkGridStep(oWalk, dLatitude, dLongitude, dLatitude2, dLongitude2, &dWalkDistance,
                              &dWalkBearing, &dDistanceError, &dBearingError)) {
                ++nDecided;
                ASSERT_NEAR(dWalkDistance, dDistance, dDistanceError)
                    << dLatitude << " " << dLongitude;
                ASSERT_NEAR(dWalkBearing, dBearing, dBearingError)
                    << dLatitude << " " << dLongitude;
            }
            dLatitude = dLatitude2;
            dLongitude = dLongitude2;
        }
    }
    EXPECT_GT(nDecided, nSteps * 95 / 100);
}

} // namespace
