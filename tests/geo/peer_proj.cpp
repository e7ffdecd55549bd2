// The Molodensky datum shift against PROJ: its own molodensky operation (the same
// formula) and the exact three-parameter Helmert shift through geocentric
// coordinates.
#include <gtest/gtest.h>

#ifdef QUILLOX_HAVE_PROJ

#include <proj.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>

#include "geo/datums.h"

namespace {

struct ProjDeleter {
    void operator()(PJ *p) const { proj_destroy(p); }
};
struct ContextDeleter {
    void operator()(PJ_CONTEXT *p) const { proj_context_destroy(p); }
};
using Pipeline = std::unique_ptr<PJ, ProjDeleter>;

std::string sEllipsoid(int16_t sDatum) {
    double a = 0, dInverseF = 0;
    sGetDatumParams(sDatum, &a, &dInverseF);
    char sz[96];
    std::snprintf(sz, sizeof sz, "+a=%.17g +rf=%.17g", a, dInverseF);
    return sz;
}

// Degrees in, degrees out, around one geodetic step.
std::string sAroundDegrees(const std::string &sStep) {
    return "+proj=pipeline +step +proj=unitconvert +xy_in=deg +xy_out=rad " + sStep +
           " +step +proj=unitconvert +xy_in=rad +xy_out=deg";
}

// From WGS 84 to the datum by PROJ's standard Molodensky: the ellipsoid given is
// the source, da and df lead to the target, the translation is the table's negated.
std::string sMolodenskyFromWgs84(int16_t sDatum) {
    double a = 0, dInverseF = 0, aWgs = 0, dInverseFWgs = 0;
    int16_t dx = 0, dy = 0, dz = 0;
    sGetDatumParams(sDatum, &a, &dInverseF, &dx, &dy, &dz);
    sGetDatumParams(100, &aWgs, &dInverseFWgs);
    char sz[256];
    std::snprintf(
        sz, sizeof sz, "+step +proj=molodensky %s +dx=%d +dy=%d +dz=%d +da=%.17g +df=%.17g",
        sEllipsoid(100).c_str(), -dx, -dy, -dz, a - aWgs, 1 / dInverseF - 1 / dInverseFWgs);
    return sAroundDegrees(sz);
}

// From the datum to WGS 84 exactly: geocentric, translate, back to geodetic.
std::string sHelmertToWgs84(int16_t sDatum) {
    int16_t dx = 0, dy = 0, dz = 0;
    double a = 0, f = 0;
    sGetDatumParams(sDatum, &a, &f, &dx, &dy, &dz);
    char sz[320];
    std::snprintf(sz, sizeof sz,
                  "+step +proj=cart %s +step +proj=helmert +x=%d +y=%d +z=%d +step +inv "
                  "+proj=cart %s",
                  sEllipsoid(sDatum).c_str(), dx, dy, dz, sEllipsoid(100).c_str());
    return sAroundDegrees(sz);
}

class PeerProj : public testing::Test {
  protected:
    void SetUp() override { m_pContext.reset(proj_context_create()); }
    Pipeline pCreate(const std::string &s) {
        Pipeline p(proj_create(m_pContext.get(), s.c_str()));
        EXPECT_NE(p, nullptr) << s << ": "
                              << proj_context_errno_string(m_pContext.get(),
                                                           proj_context_errno(m_pContext.get()));
        return p;
    }
    static PJ_COORD oTransform(PJ *p, double dLat, double dLon) {
        // Geodetic input in PROJ's pipelines is longitude first.
        return proj_trans(p, PJ_FWD, proj_coord(dLon, dLat, 0, 0));
    }
    std::unique_ptr<PJ_CONTEXT, ContextDeleter> m_pContext;
};

constexpr int16_t kDatums[] = {28, 61, 95, 75};

TEST_F(PeerProj, MolodenskyMatchesTheSameFormula) {
    std::mt19937 oRandom(51);
    std::uniform_real_distribution<double> oLat(-85, 85), oLon(-180, 180);
    for (int16_t sDatum : kDatums) {
        Pipeline p = pCreate(sMolodenskyFromWgs84(sDatum));
        ASSERT_NE(p, nullptr);
        double dWorst = 0;
        for (int i = 0; i < 5000; ++i) {
            double dLat = oLat(oRandom), dLon = oLon(oRandom);
            PJ_COORD o = oTransform(p.get(), dLat, dLon);
            double dOurLat = dLat, dOurLon = dLon;
            vShiftDatum(sDatum, 0, &dOurLat, &dOurLon);
            dWorst = std::max({dWorst, std::fabs(dOurLat - o.lpz.phi),
                               std::fabs(std::remainder(dOurLon - o.lpz.lam, 360.0))});
        }
        std::printf("Molodensky from WGS 84 to datum %d against PROJ molodensky: %.3g degree\n",
                    sDatum, dWorst);
        EXPECT_LT(dWorst, 1e-8) << sDatum;
    }
}

TEST_F(PeerProj, MolodenskyStaysWithinAMetreOfTheExactShift) {
    std::mt19937 oRandom(52);
    std::uniform_real_distribution<double> oLat(-80, 80), oLon(-180, 180);
    for (int16_t sDatum : kDatums) {
        Pipeline p = pCreate(sHelmertToWgs84(sDatum));
        ASSERT_NE(p, nullptr);
        double dWorst = 0;
        for (int i = 0; i < 5000; ++i) {
            double dLat = oLat(oRandom), dLon = oLon(oRandom);
            PJ_COORD o = oTransform(p.get(), dLat, dLon);
            double dOurLat = dLat, dOurLon = dLon;
            vShiftDatum(sDatum, 1, &dOurLat, &dOurLon);
            double dMetres = std::hypot((dOurLat - o.lpz.phi) * 111320,
                                        std::remainder(dOurLon - o.lpz.lam, 360.0) * 111320 *
                                            std::cos(dLat * M_PI / 180));
            dWorst = std::max(dWorst, dMetres);
        }
        std::printf("Molodensky from datum %d to WGS 84 against the exact Helmert shift: %.3g m\n",
                    sDatum, dWorst);
        EXPECT_LT(dWorst, 1.0) << sDatum;
    }
}

TEST_F(PeerProj, European1950Specimen) {
    Pipeline p = pCreate(sMolodenskyFromWgs84(28));
    ASSERT_NE(p, nullptr);
    PJ_COORD o = oTransform(p.get(), 48.5, 9.25);
    EXPECT_NEAR(o.lpz.phi, 48.500852, 5e-7);
    EXPECT_NEAR(o.lpz.lam, 9.251120, 5e-7);
    double dLat = 48.5, dLon = 9.25;
    vShiftDatum(28, 0, &dLat, &dLon);
    EXPECT_NEAR(dLat, o.lpz.phi, 1e-10);
    EXPECT_NEAR(dLon, o.lpz.lam, 1e-10);
}

} // namespace

#else
TEST(PeerProj, ProjMissing) {
    GTEST_SKIP() << "PROJ was not found";
}
#endif
