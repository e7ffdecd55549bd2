// The UTM grid and the distances against GeographicLib: UTMUPS with the zone
// forced, the exact transverse Mercator on other ellipsoids, and the geodesic.
#include <gtest/gtest.h>

#ifdef QUILLOX_HAVE_GEOGRAPHICLIB

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/MGRS.hpp>
#include <GeographicLib/TransverseMercatorExact.hpp>
#include <GeographicLib/UTMUPS.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "geo/datums.h"
#include "geo/distance.h"
#include "geo/utm.h"

namespace {

using GeographicLib::Geodesic;
using GeographicLib::TransverseMercatorExact;
using GeographicLib::UTMUPS;

double dCentralMeridian(int iZone) {
    return iZone * 6.0 - 183.0;
}

TEST(PeerUtm, ForwardAndInverseAgreeWithUtmupsWithinAMillimetre) {
    std::mt19937 oRandom(61);
    std::uniform_real_distribution<double> oLat(-80, 84), oOffset(-3, 3);
    std::uniform_int_distribution<int> oZone(1, 60);
    double dWorstForward = 0, dWorstInverse = 0, dWorstRoundTrip = 0;
    for (int i = 0; i < 5000; ++i) {
        int iZone = oZone(oRandom);
        double dLat = oLat(oRandom);
        double dLon = dCentralMeridian(iZone) + oOffset(oRandom);
        int32_t lZone = iZone;
        double dE = 0, dN = 0;
        vLatLonToUtm(100, dLat, dLon, &lZone, 1, &dE, &dN);
        int iPeerZone = 0;
        bool fNorth = false;
        double dPeerE = 0, dPeerN = 0;
        UTMUPS::Forward(dLat, dLon, iPeerZone, fNorth, dPeerE, dPeerN, iZone);
        ASSERT_EQ(iPeerZone, iZone);
        ASSERT_EQ(fNorth, dLat >= 0);
        dWorstForward = std::max(dWorstForward, std::hypot(dE - dPeerE, dN - dPeerN));

        double dLatBack = 0, dLonBack = 0;
        vUtmToLatLon(100, iZone, dPeerE, fNorth ? dPeerN : -dPeerN, &dLatBack, &dLonBack);
        double dPeerLat = 0, dPeerLon = 0;
        UTMUPS::Reverse(iZone, fNorth, dPeerE, dPeerN, dPeerLat, dPeerLon);
        // Compared in metres on the ground.
        double dInverse = std::hypot((dLatBack - dPeerLat) * 111320,
                                     (dLonBack - dPeerLon) * 111320 * std::cos(dLat * M_PI / 180));
        dWorstInverse = std::max(dWorstInverse, dInverse);

        vUtmToLatLon(100, iZone, dE, fNorth ? dN : -dN, &dLatBack, &dLonBack);
        dWorstRoundTrip =
            std::max({dWorstRoundTrip, std::fabs(dLatBack - dLat), std::fabs(dLonBack - dLon)});
    }
    std::printf("UTM against UTMUPS, 5000 points: forward %.3g m, inverse %.3g m, round trip "
                "%.3g degree\n",
                dWorstForward, dWorstInverse, dWorstRoundTrip);
    EXPECT_LT(dWorstForward, 1e-3);
    EXPECT_LT(dWorstInverse, 1e-3);
    EXPECT_LT(dWorstRoundTrip, 1e-9);
}

TEST(PeerUtm, OtherEllipsoidsAgreeWithTheExactTransverseMercator) {
    std::mt19937 oRandom(62);
    std::uniform_real_distribution<double> oLat(-80, 84), oOffset(-3, 3);
    for (int16_t sDatum : {28, 61, 75, 95, 0, 44, 89, 99}) {
        double a = 0, dInverseF = 0;
        sGetDatumParams(sDatum, &a, &dInverseF);
        TransverseMercatorExact oPeer(a, 1 / dInverseF, 0.9996);
        double dWorst = 0;
        for (int i = 0; i < 1000; ++i) {
            int32_t lZone = 1 + static_cast<int32_t>(i % 60);
            double dLat = oLat(oRandom), dLon = dCentralMeridian(lZone) + oOffset(oRandom);
            double dE = 0, dN = 0;
            vLatLonToUtm(sDatum, dLat, dLon, &lZone, 1, &dE, &dN);
            double x = 0, y = 0;
            oPeer.Forward(dCentralMeridian(lZone), dLat, dLon, x, y);
            double dPeerE = x + 500000, dPeerN = y + (dLat < 0 ? 10000000 : 0);
            dWorst = std::max(dWorst, std::hypot(dE - dPeerE, dN - dPeerN));
        }
        std::printf("UTM on datum %d against the exact projection: %.3g m\n", sDatum, dWorst);
        EXPECT_LT(dWorst, 1e-3) << sDatum;
    }
}

TEST(PeerUtm, ZonesAndBandsMatchTheStandardGrid) {
    std::mt19937 oRandom(63);
    std::uniform_real_distribution<double> oLat(-79.99, 83.99), oLon(-179.99, 179.99),
        oNorth(55, 84), oNorthLon(-1, 43);
    for (int i = 0; i < 20000; ++i) {
        // Half the points in the exception area of Norway and Svalbard.
        double dLat = i % 2 ? oLat(oRandom) : oNorth(oRandom);
        double dLon = i % 2 ? oLon(oRandom) : oNorthLon(oRandom);
        std::string sText = szFormatUtm(100, dLat, dLon);
        int iZone = UTMUPS::StandardZone(dLat, dLon);
        int iPeerZone = 0;
        bool fNorth = false;
        double x = 0, y = 0;
        UTMUPS::Forward(dLat, dLon, iPeerZone, fNorth, x, y, iZone);
        std::string sMgrs;
        GeographicLib::MGRS::Forward(iPeerZone, fNorth, x, y, dLat, 0, sMgrs);
        char szExpected[8];
        std::snprintf(szExpected, sizeof szExpected, "%02d%c", iZone, sMgrs[2]);
        ASSERT_EQ(sText.substr(0, 3), szExpected) << dLat << " " << dLon;
        // The printed metres are the peer's, rounded.
        char szMetres[32];
        std::snprintf(szMetres, sizeof szMetres, "%07.0f %07.0f", x, y);
        double dE = std::stod(sText.substr(4, 7)), dN = std::stod(sText.substr(12));
        ASSERT_LE(std::fabs(dE - x), 0.5 + 1e-3) << sText << " " << szMetres;
        ASSERT_LE(std::fabs(dN - y), 0.5 + 1e-3) << sText << " " << szMetres;
    }
}

TEST(PeerDistance, GridDistanceAndBearingAgreeWithTheGeodesicOverShortSteps) {
    const Geodesic &oGeodesic = Geodesic::WGS84();
    std::mt19937 oRandom(64);
    std::uniform_real_distribution<double> oLat(-79, 83), oLon(-179, 179), oStep(-0.01, 0.01);
    double dWorstDistance = 0, dWorstBearing = 0;
    for (int i = 0; i < 5000; ++i) {
        double dLat1 = oLat(oRandom), dLon1 = oLon(oRandom);
        double dLat2 = dLat1 + oStep(oRandom), dLon2 = dLon1 + oStep(oRandom);
        double dDistance = 0, dBearing = 0;
        vGridDistanceBearing(dLat1, dLon1, dLat2, dLon2, &dDistance, &dBearing);
        double s12 = 0, azi1 = 0, azi2 = 0;
        oGeodesic.Inverse(dLat1, dLon1, dLat2, dLon2, s12, azi1, azi2);
        if (s12 < 10) {
            continue;
        }
        // On the grid a length is the ground length times the point scale, and
        // north is true north turned by the meridian convergence.
        // The measuring zone is the first point's own, without the Norway rules.
        int32_t lZone = 0;
        double dE = 0, dN = 0;
        vLatLonToUtm(100, dLat1, dLon1, &lZone, 0, &dE, &dN);
        int iZone = 0;
        bool fNorth = false;
        double x = 0, y = 0, gamma = 0, k = 0;
        UTMUPS::Forward((dLat1 + dLat2) / 2, (dLon1 + dLon2) / 2, iZone, fNorth, x, y, gamma, k,
                        lZone);
        double dRelative = std::fabs(dDistance - s12 * k) / s12;
        dWorstDistance = std::max(dWorstDistance, dRelative);
        double dGridAzimuth = std::fmod(azi1 - gamma + 720.0, 360.0);
        double dDifference = std::fabs(std::remainder(dBearing - dGridAzimuth, 360.0));
        dWorstBearing = std::max(dWorstBearing, dDifference);
    }
    std::printf("grid distance against geodesic times scale: %.3g relative; bearing %.3g degree\n",
                dWorstDistance, dWorstBearing);
    EXPECT_LT(dWorstDistance, 1e-5);
    EXPECT_LT(dWorstBearing, 0.01);
}

TEST(PeerDistance, SphereDistanceAgreesWithTheGeodesicToTheSpheresShape) {
    const Geodesic &oGeodesic = Geodesic::WGS84();
    std::mt19937 oRandom(65);
    std::uniform_real_distribution<double> oLat(-89, 89), oLon(-180, 180), oStep(-0.05, 0.05);
    double dWorst = 0;
    for (int i = 0; i < 5000; ++i) {
        double dLat1 = oLat(oRandom), dLon1 = oLon(oRandom);
        double dLat2 = std::clamp(dLat1 + oStep(oRandom), -90.0, 90.0);
        double dLon2 = dLon1 + oStep(oRandom);
        double dDistance = 0;
        vSphereDistance(dLat1, dLon1, dLat2, dLon2, &dDistance, nullptr);
        double s12 = 0;
        oGeodesic.Inverse(dLat1, dLon1, dLat2, dLon2, s12);
        if (s12 < 100) {
            continue;
        }
        dWorst = std::max(dWorst, std::fabs(dDistance - s12) / s12);
    }
    std::printf("sphere distance against geodesic: %.3g relative\n", dWorst);
    // A sphere of the mean radius is off the ellipsoid by at most about 0.7 %.
    EXPECT_LT(dWorst, 0.007);
}

} // namespace

#else
TEST(PeerUtm, GeographicLibMissing) {
    GTEST_SKIP() << "GeographicLib was not found";
}
#endif
