#include "geo/utm.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "base/number_text.h"
#include "base/temp_string.h"
#include "base/text_format.h"
#include "geo/angles.h"
#include "geo/datums.h"
#include "geo/text_scan.h"

namespace {
constexpr double kScale = 0.9996;
constexpr double kFalseEasting = 500000.0;
constexpr double kFalseNorthingSouth = 10000000.0;
// A tenth of a millisecond of arc: positions on a band or exception boundary
// stay on the side they were written for despite rounding.
constexpr double kEpsilon = 1.0 / 36000000.0;

int iZoneOverride = -1;

// The ellipsoid of a datum with the quantities the projection needs.
struct Ellipsoid {
    double a, e2, ep2, n;
    double dA, dB, dC, dD, dE; // meridional arc coefficients
    // The arc's sines of 2, 4, 6 and 8 times the latitude, their sum as sin cos
    // times a polynomial in sin^2; and the scale times a.
    double adArcSine[4];
    double dScaledA;
    // The quick series' terms as polynomials in cos^2 of the latitude, lowest
    // power first (iQuickProject).
    double adNorthing4[4], adNorthing6[7], adNorthing8[4];
    double adEasting3[3], adEasting5[6], adEasting7[4];
};

// A polynomial in cos^2 of the latitude, lowest power first, for working out
// the quick series' coefficients.
struct CosinePolynomial {
    double ad[8] = {};
};

CosinePolynomial operator+(const CosinePolynomial &x, const CosinePolynomial &y) {
    CosinePolynomial o;
    for (int i = 0; i < 8; ++i) {
        o.ad[i] = x.ad[i] + y.ad[i];
    }
    return o;
}

CosinePolynomial operator*(const CosinePolynomial &x, const CosinePolynomial &y) {
    CosinePolynomial o;
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; i + j < 8; ++j) {
            o.ad[i + j] += x.ad[i] * y.ad[j];
        }
    }
    return o;
}

CosinePolynomial operator*(double d, const CosinePolynomial &x) {
    return CosinePolynomial{{d}} * x;
}

CosinePolynomial operator-(const CosinePolynomial &x, const CosinePolynomial &y) {
    return x + (-1.0) * y;
}

// Sum of ad[i] h^i, h a polynomial.
CosinePolynomial oInPowersOf(const CosinePolynomial &h, std::initializer_list<double> ad) {
    CosinePolynomial o;
    CosinePolynomial oPower{{1}};
    for (double d : ad) {
        o = o + d * oPower;
        oPower = oPower * h;
    }
    return o;
}

template <size_t N> void vKeep(double (&ad)[N], const CosinePolynomial &x, double dScale) {
    for (size_t i = 0; i < N; ++i) {
        ad[i] = x.ad[i] * dScale;
    }
}

// The quick series' polynomials (iQuickProject has the terms they come from).
void vComputeQuickTerms(Ellipsoid &o) {
    const CosinePolynomial c2{{0, 1}};
    const CosinePolynomial s2{{1, -1}};
    const CosinePolynomial s4 = s2 * s2, s6 = s4 * s2;
    const CosinePolynomial h{{0, o.ep2}};
    vKeep(o.adNorthing4, c2 * oInPowersOf(h, {5, 9, 4}) - s2, 1.0 / 24.0);
    vKeep(o.adNorthing6,
          c2 * (c2 * oInPowersOf(h, {61, 270, 445, 324, 88}) -
                s2 * oInPowersOf(h, {58, 330, 680, 600, 192})) +
              s4,
          1.0 / 720.0);
    vKeep(o.adNorthing8, c2 * (c2 * (1385 * c2 - 3111 * s2) + 543 * s4) - s6, 1.0 / 40320.0);
    vKeep(o.adEasting3, c2 * oInPowersOf(h, {1, 1}) - s2, 1.0 / 6.0);
    vKeep(o.adEasting5,
          c2 * (c2 * oInPowersOf(h, {5, 14, 13, 4}) - s2 * oInPowersOf(h, {18, 58, 64, 24})) + s4,
          1.0 / 120.0);
    vKeep(o.adEasting7, c2 * (c2 * (61 * c2 - 479 * s2) + 179 * s4) - s6, 1.0 / 5040.0);
}

template <size_t N> double dHorner(const double (&ad)[N], double x) {
    double d = ad[N - 1];
    for (size_t i = N - 1; i-- > 0;) {
        d = d * x + ad[i];
    }
    return d;
}

Ellipsoid oComputeEllipsoid(int16_t sDatum) {
    Ellipsoid o{};
    double dInverseF = 0;
    sGetDatumParams(sDatum, &o.a, &dInverseF);
    double a = o.a;
    double b = a * (dInverseF - 1) / dInverseF;
    o.e2 = (a * a - b * b) / (a * a);
    o.ep2 = (a * a - b * b) / (b * b);
    double n = (a - b) / (a + b);
    o.n = n;
    double n2 = n * n, n3 = n2 * n, n4 = n3 * n, n5 = n4 * n;
    o.dA = a * (1 - n + 5.0 / 4.0 * (n2 - n3) + 81.0 / 64.0 * (n4 - n5));
    o.dB = 3.0 / 2.0 * a * (n - n2 + 7.0 / 8.0 * (n3 - n4) + 55.0 / 64.0 * n5);
    o.dC = 15.0 / 16.0 * a * (n2 - n3 + 3.0 / 4.0 * (n4 - n5));
    o.dD = 35.0 / 48.0 * a * (n3 - n4 + 11.0 / 16.0 * n5);
    o.dE = 315.0 / 512.0 * a * (n4 - n5);
    // sin 2x = 2 s c, sin 4x = 4 s c (1 - 2 s^2), sin 6x = 2 s c (3 - 16 s^2 + 16 s^4),
    // sin 8x = 8 s c (1 - 10 s^2 + 24 s^4 - 16 s^6).
    o.adArcSine[0] = -2 * o.dB + 4 * o.dC - 6 * o.dD + 8 * o.dE;
    o.adArcSine[1] = -8 * o.dC + 32 * o.dD - 80 * o.dE;
    o.adArcSine[2] = -32 * o.dD + 192 * o.dE;
    o.adArcSine[3] = -128 * o.dE;
    o.dScaledA = kScale * a;
    vComputeQuickTerms(o);
    return o;
}

// The constants of each datum, worked out when first asked for (a number
// outside the table is WGS 84, as for the datum's parameters). Each takes a
// few microseconds, and a listing may ask for two datums by turns.
const Ellipsoid &oEllipsoidOf(int16_t sDatum) {
    static Ellipsoid aoCached[kMaxDatumNumber + 1];
    static bool afCached[kMaxDatumNumber + 1];
    const int16_t sIndex = sDatum >= 0 && sDatum <= kMaxDatumNumber ? sDatum : kDatumWgs84;
    if (!afCached[sIndex]) {
        aoCached[sIndex] = oComputeEllipsoid(sIndex);
        afCached[sIndex] = true;
    }
    return aoCached[sIndex];
}

double dMeridionalArc(const Ellipsoid &o, double dPhi) {
    return o.dA * dPhi - o.dB * std::sin(2 * dPhi) + o.dC * std::sin(4 * dPhi) -
           o.dD * std::sin(6 * dPhi) + o.dE * std::sin(8 * dPhi);
}

// The same arc from the sine and cosine of the latitude, the multiple angles
// by their double-angle forms: one trigonometric call instead of four. It
// differs from dMeridionalArc by picometres, so only callers that round the
// result to far coarser units, and look again near a rounding edge, use it.
double dQuickMeridionalArc(const Ellipsoid &o, double dPhi, double s, double c) {
    const double s2 = 2 * s * c, c2 = (c - s) * (c + s);
    const double s4 = 2 * s2 * c2, c4 = (c2 - s2) * (c2 + s2);
    const double s6 = s4 * c2 + c4 * s2, s8 = 2 * s4 * c4;
    return o.dA * dPhi - o.dB * s2 + o.dC * s4 - o.dD * s6 + o.dE * s8;
}

// How near a rounding edge a quick result may come before the exact one is
// worked out: a millionth of the unit, a million times the quick results' error.
constexpr double kEdgeMargin = 1e-6;

// True when v, printed with no decimals, could print otherwise from a value
// kEdgeMargin away (or is too large or not a number to judge).
bool fNearHalf(double v) {
    if (!(std::fabs(v) < 1e9)) {
        return true;
    }
    // The part after the point, from a cast rather than floor (a library call
    // on the processors the program is built for); a tie lies at half either way.
    const double dPart = std::fabs(v - static_cast<double>(static_cast<int64_t>(v)));
    return std::fabs(dPart - 0.5) < kEdgeMargin;
}

// "%07.0f" of a grid value: seven digits of the value rounded, where it lies
// in 0..9999999 and is known to lie clear of a half (fClear), which the
// rounding by addition cannot misjudge; the formatter's rounding elsewhere.
char *pPutMetres(char *p, double v, bool fClear) {
    if (fClear && !std::signbit(v) && v < 9999999.5) {
        return pPutDigits(p, static_cast<uint64_t>(v + 0.5), 7);
    }
    return pPutFixed(p, v, 0, 7, '0');
}

double dCentralMeridian(int32_t lZone) {
    return dDegreesToRadians(static_cast<double>(lZone) * 6.0 - 183.0);
}

int32_t lZoneOfLongitude(double dLongitude) {
    // Taken from the degrees themselves, not from the radians: the conversion's
    // pi is slightly large, which would push an exact western zone edge such as
    // -174 into the zone west of it. Every zone starts at its western edge.
    double dZone = dLongitude / 6.0 + 31.0;
    if (!(dZone < 61.0)) {
        return 60;
    }
    if (!(dZone >= 1.0)) {
        return 1;
    }
    return static_cast<int32_t>(dZone);
}
} // namespace

namespace {
// The forward series.
void vProject(const Ellipsoid &o, double dLatitude, double dLongitude, int32_t *plZone,
              int fFixedZone, double *pdEasting, double *pdNorthing) {
    double dPhi = dDegreesToRadians(dLatitude);
    double dLambda = dDegreesToRadians(dLongitude);
    int32_t lZone = 0;
    if (fFixedZone == 0 || plZone == nullptr) {
        lZone = lZoneOfLongitude(dLongitude);
        if (plZone != nullptr) {
            *plZone = lZone;
        }
    } else {
        lZone = *plZone;
    }
    double p = dLambda - dCentralMeridian(lZone);
    double s = std::sin(dPhi), c = std::cos(dPhi), t = s / c;
    double eta2 = o.ep2 * c * c;
    double nu = o.a / std::sqrt(1 - o.e2 * s * s);
    double t2 = t * t, t4 = t2 * t2, t6 = t4 * t2;
    double eta4 = eta2 * eta2, eta6 = eta4 * eta2, eta8 = eta4 * eta4;
    double c2 = c * c, c3 = c2 * c, c5 = c3 * c2, c7 = c5 * c2;
    double p2 = p * p, p3 = p2 * p, p4 = p2 * p2, p5 = p4 * p, p6 = p4 * p2, p7 = p6 * p,
           p8 = p4 * p4;
    double k0nu = kScale * nu;

    double dFalseNorthing = dPhi < 0 ? kFalseNorthingSouth : 0.0;
    const double dArc = dMeridionalArc(o, dPhi);
    double dNorthing =
        dFalseNorthing + kScale * dArc + p2 * k0nu * s * c * 0.5 +
        p4 * k0nu * s * c3 * (1.0 / 24.0) * (5 - t2 + 9 * eta2 + 4 * eta4) +
        p6 * k0nu * s * c5 * (1.0 / 720.0) *
            (61 - 58 * t2 + t4 + 270 * eta2 - 330 * t2 * eta2 + 445 * eta4 + 324 * eta6 -
             680 * t2 * eta4 + 88 * eta8 - 600 * t2 * eta6 - 192 * t2 * eta8) +
        p8 * k0nu * s * c7 * (1.0 / 40320.0) * (1385 - 3111 * t2 + 543 * t4 - t6);
    double dEasting = kFalseEasting + p * k0nu * c +
                      p3 * k0nu * c3 * (1.0 / 6.0) * (1 - t2 + eta2) +
                      p5 * k0nu * c5 * (1.0 / 120.0) *
                          (5 - 18 * t2 + t4 + 14 * eta2 - 58 * t2 * eta2 + 13 * eta4 + 4 * eta6 -
                           64 * t2 * eta4 - 24 * t2 * eta6) +
                      p7 * k0nu * c7 * (1.0 / 5040.0) * (61 - 479 * t2 + 179 * t4 - t6);
    if (pdEasting != nullptr) {
        *pdEasting = dEasting;
    }
    if (pdNorthing != nullptr) {
        *pdNorthing = dNorthing;
    }
}

// The radians of a degree in a double; the exact path takes its angles in long double.
constexpr double kRadiansPerDegree = kGeoPi / 180.0;
// Where the quick series below stands in for vProject: within this many
// radians of the central meridian (a zone's own points lie within 0.11, the
// Norway and Svalbard zones' within 0.16), and away from the poles and from
// latitudes so small that the hemisphere hangs on how the radians round.
constexpr double kQuickLongitudeLimit = 0.2;
constexpr double kQuickLatitudeLimit = 85.0;
constexpr double kQuickLatitudeFloor = 1e-300;

// Sines and cosines of whole 64ths of a radian, past 85 degrees: the quick
// series takes a latitude's from the nearest of them and short Taylor series
// of the rest (under 1/128 radian), a double's last bit or so off.
constexpr int kSineSteps = 96;
constexpr double kSineStep = 1.0 / 64.0;
struct SineTable {
    double adSine[kSineSteps + 1];
    double adCosine[kSineSteps + 1];
};

const SineTable &oSineTable() {
    static const SineTable oTable = [] {
        SineTable o{};
        for (int k = 0; k <= kSineSteps; ++k) {
            o.adSine[k] = std::sin(k * kSineStep);
            o.adCosine[k] = std::cos(k * kSineStep);
        }
        return o;
    }();
    return oTable;
}

// Sine and cosine of x, |x| below 1.5.
void vQuickSineCosine(double x, double *ps, double *pc) {
    const SineTable &o = oSineTable();
    const double a = std::fabs(x);
    const int k = static_cast<int>(a * (1 / kSineStep) + 0.5);
    const double d = a - k * kSineStep;
    const double d2 = d * d;
    const double dSine = d + d * d2 * (-1.0 / 6 + d2 * (1.0 / 120 + d2 * (-1.0 / 5040)));
    const double dCosineLessOne =
        d2 * (-1.0 / 2 + d2 * (1.0 / 24 + d2 * (-1.0 / 720 + d2 * (1.0 / 40320))));
    const double s0 = o.adSine[k], c0 = o.adCosine[k];
    *ps = std::copysign(s0 + (s0 * dCosineLessOne + c0 * dSine), x);
    *pc = c0 + (c0 * dCosineLessOne - s0 * dSine);
}

// 1 / sqrt(1 - x) for x in 0..0.0075 (e^2 sin^2 of every ellipsoid here): its
// binomial series to x^7, whose next term is below 3e-18.
constexpr double kInverseRootLimit = 0.0075;
double dInverseRootOfOneLess(double x) {
    const double x2 = x * x, x4 = x2 * x2;
    return (1 + 0.5 * x) + x2 * (0.375 + 0.3125 * x) +
           x4 * ((0.2734375 + 0.24609375 * x) + x2 * (0.2255859375 + 0.20947265625 * x));
}

// The quick series' terms at a latitude (radians): its sine and cosine and
// their squares, the scale times the radius of curvature, and the
// northing's terms in p^4, p^6 and p^8 over p^2 and the easting's in p^3,
// p^5 and p^7 over p, each times its power of cos^2 phi, which turns the
// powers of the tangent and of eta^2 into polynomials in cos^2 phi.
struct QuickTerms {
    double s, c, s2, c2, k0nu;
    double n4, n6, n8, e3, e5, e7;
};

QuickTerms oQuickTerms(const Ellipsoid &o, double dPhi) {
    QuickTerms t{};
    vQuickSineCosine(dPhi, &t.s, &t.c);
    t.s2 = t.s * t.s;
    t.c2 = t.c * t.c;
    t.k0nu = o.dScaledA * dInverseRootOfOneLess(o.e2 * t.s2);
    t.n4 = dHorner(o.adNorthing4, t.c2);
    t.n6 = dHorner(o.adNorthing6, t.c2);
    t.n8 = dHorner(o.adNorthing8, t.c2);
    t.e3 = dHorner(o.adEasting3, t.c2);
    t.e5 = dHorner(o.adEasting5, t.c2);
    t.e7 = dHorner(o.adEasting7, t.c2);
    return t;
}

// vProject's series for callers that round its results: the same terms,
// gathered in Horner form by powers of p^2, each power's factor a polynomial
// in cos^2 phi whose coefficients the ellipsoid keeps, and with no division,
// square root or library call: the angles in double radians, the sine and cosine from the
// table above, the radius of curvature from its series, and the meridian
// arc's multiple-angle sines as one polynomial in sin^2 phi times sin phi cos phi.
// Within the limits above it differs from vProject by nanometres at most;
// 0 outside them, where the caller takes vProject.
int iQuickProject(const Ellipsoid &o, double dLatitude, double dLongitude, int32_t lZone,
                  double *pdEasting, double *pdNorthing) {
    const double dPhi = dLatitude * kRadiansPerDegree;
    const double p = (dLongitude - (static_cast<double>(lZone) * 6.0 - 183.0)) * kRadiansPerDegree;
    if (!(std::fabs(p) < kQuickLongitudeLimit) || !(std::fabs(dLatitude) < kQuickLatitudeLimit) ||
        !(std::fabs(dLatitude) >= kQuickLatitudeFloor) || !(o.e2 < kInverseRootLimit)) {
        return 0;
    }
    const QuickTerms t = oQuickTerms(o, dPhi);
    const double p2 = p * p;
    const double dArc = o.dA * dPhi + t.s * t.c * dHorner(o.adArcSine, t.s2);
    const double dFalseNorthing = dLatitude < 0 ? kFalseNorthingSouth : 0.0;
    *pdNorthing = dFalseNorthing + kScale * dArc +
                  t.k0nu * t.s * t.c * p2 * (0.5 + p2 * (t.n4 + p2 * (t.n6 + p2 * t.n8)));
    *pdEasting = kFalseEasting + t.k0nu * t.c * p * (1 + p2 * (t.e3 + p2 * (t.e5 + p2 * t.e7)));
    return 1;
}

// The zone of a position: its own (stored through plZone) or, with
// fFixedZone, the one in *plZone.
int32_t lZoneFor(double dLongitude, int32_t *plZone, int fFixedZone) {
    if (fFixedZone != 0 && plZone != nullptr) {
        return *plZone;
    }
    const int32_t lZone = lZoneOfLongitude(dLongitude);
    if (plZone != nullptr) {
        *plZone = lZone;
    }
    return lZone;
}

// The quick series where it applies, vProject elsewhere.
void vProjectQuickly(const Ellipsoid &o, double dLatitude, double dLongitude, int32_t *plZone,
                     int fFixedZone, double *pdEasting, double *pdNorthing) {
    const int32_t lZone = lZoneFor(dLongitude, plZone, fFixedZone);
    if (!iQuickProject(o, dLatitude, dLongitude, lZone, pdEasting, pdNorthing)) {
        vProject(o, dLatitude, dLongitude, plZone, 1, pdEasting, pdNorthing);
    }
}

// Easting and northing to be printed in whole metres: the quick series, and
// the exact one where a value lies near half a metre. True when both values
// lie clear of a half.
bool fProjectForText(int16_t sDatum, double dLatitude, double dLongitude, int32_t *plZone,
                     int fFixedZone, double *pdEasting, double *pdNorthing) {
    const Ellipsoid &o = oEllipsoidOf(sDatum);
    vProjectQuickly(o, dLatitude, dLongitude, plZone, fFixedZone, pdEasting, pdNorthing);
    if (fNearHalf(*pdEasting) || fNearHalf(*pdNorthing)) {
        vProject(o, dLatitude, dLongitude, plZone, 1, pdEasting, pdNorthing);
        return false;
    }
    return true;
}
} // namespace

void vLatLonToUtm(int16_t sDatum, double dLatitude, double dLongitude, int32_t *plZone,
                  int fFixedZone, double *pdEasting, double *pdNorthing) {
    vProject(oEllipsoidOf(sDatum), dLatitude, dLongitude, plZone, fFixedZone, pdEasting,
             pdNorthing);
}

namespace {
// Meridian radius of curvature at a latitude of the given sine.
double dRhoOfSine(const Ellipsoid &o, double dSine) {
    double w = std::sqrt(1 - o.e2 * dSine * dSine);
    return (1 - o.e2) * o.a / (w * w * w);
}

// The inverse series from the footpoint latitude dPhi1 (s, c, t its sine,
// cosine and tangent); x the easting less the false easting.
void vInverseSeries(const Ellipsoid &o, int32_t lZone, double dPhi1, double s, double c, double t,
                    double x, double *pdLatitude, double *pdLongitude) {
    double rho = dRhoOfSine(o, s);
    double nu = o.a / std::sqrt(1 - o.e2 * s * s);
    double eta2 = o.ep2 * c * c;
    double t2 = t * t, t4 = t2 * t2, t6 = t4 * t2;
    double eta4 = eta2 * eta2, eta6 = eta4 * eta2, eta8 = eta4 * eta4;
    double x2 = x * x, x3 = x2 * x, x4 = x2 * x2, x5 = x4 * x, x6 = x4 * x2, x7 = x6 * x,
           x8 = x4 * x4;
    double k2 = kScale * kScale, k3 = k2 * kScale, k4 = k2 * k2, k5 = k4 * kScale, k6 = k4 * k2,
           k7 = k6 * kScale, k8 = k4 * k4;
    double nu3 = nu * nu * nu, nu5 = nu3 * nu * nu, nu7 = nu5 * nu * nu;

    double dPhi =
        dPhi1 - x2 * t / (2 * rho * nu * k2) +
        x4 * t * (1.0 / 24.0) / (rho * nu3 * k4) * (5 + 3 * t2 + eta2 - 4 * eta4 - 9 * t2 * eta2) -
        x6 * t * (1.0 / 720.0) / (rho * nu5 * k6) *
            (61 + 90 * t2 + 46 * eta2 + 45 * t4 - 252 * t2 * eta2 - 3 * eta4 + 100 * eta6 -
             66 * t2 * eta4 - 90 * t4 * eta2 + 88 * eta8 + 225 * t4 * eta4 + 84 * t2 * eta6 -
             192 * t2 * eta8) +
        x8 * t * (1.0 / 40320.0) / (rho * nu7 * k8) * (1385 + 3633 * t2 + 4095 * t4 + 1575 * t6);
    double dLambda = dCentralMeridian(lZone) + x / (nu * c * kScale) -
                     x3 * (1 + 2 * t2 + eta2) * (1.0 / 6.0) / (nu3 * c * k3) +
                     x5 *
                         (5 + 6 * eta2 + 28 * t2 - 3 * eta4 + 8 * t2 * eta2 + 24 * t4 - 4 * eta6 +
                          4 * t2 * eta4 + 24 * t2 * eta6) *
                         (1.0 / 120.0) / (nu5 * c * k5) -
                     x7 * (61 + 662 * t2 + 1320 * t4 + 720 * t6) * (1.0 / 5040.0) / (nu7 * c * k7);
    if (pdLatitude != nullptr) {
        *pdLatitude = dRadiansToDegrees(dPhi);
    }
    if (pdLongitude != nullptr) {
        *pdLongitude = dRadiansToDegrees(dLambda);
    }
}

// The arc length north of the equator the northing stands for; a negative
// northing is southern and holds the false northing.
double dArcOfNorthing(double dNorthing) {
    double dFalseNorthing = 0.0;
    if (dNorthing < 0) {
        dFalseNorthing = kFalseNorthingSouth;
        dNorthing = std::fabs(dNorthing);
    }
    return (dNorthing - dFalseNorthing) / kScale;
}
} // namespace

void vQuickLatLonToUtm(int16_t sDatum, double dLatitude, double dLongitude, int32_t *plZone,
                       int fFixedZone, double *pdEasting, double *pdNorthing) {
    double dEasting = 0, dNorthing = 0;
    vProjectQuickly(oEllipsoidOf(sDatum), dLatitude, dLongitude, plZone, fFixedZone, &dEasting,
                    &dNorthing);
    if (pdEasting != nullptr) {
        *pdEasting = dEasting;
    }
    if (pdNorthing != nullptr) {
        *pdNorthing = dNorthing;
    }
}

int32_t lUtmZoneOfLongitude(double dLongitude) {
    return lZoneOfLongitude(dLongitude);
}

int iQuickGridSlopes(double dPhi, double dP, GridSlopes &oSlopes) {
    const Ellipsoid &o = oEllipsoidOf(kDatumWgs84);
    if (!(std::fabs(dP) < kQuickLongitudeLimit) ||
        !(std::fabs(dPhi) < kQuickLatitudeLimit * kRadiansPerDegree)) {
        return 0;
    }
    const QuickTerms t = oQuickTerms(o, dPhi);
    const double p2 = dP * dP;
    // iQuickProject's easting and northing differentiated by p.
    const double dEastByLongitude =
        t.k0nu * t.c * (1 + p2 * (3 * t.e3 + p2 * (5 * t.e5 + p2 * 7 * t.e7)));
    const double dNorthByLongitude =
        t.k0nu * t.s * t.c * dP * (1 + p2 * (4 * t.n4 + p2 * (6 * t.n6 + p2 * 8 * t.n8)));
    // The projection is conformal: a step north of rho dphi metres on the
    // ellipsoid moves the grid point as a step east of nu cos(phi) dlambda
    // metres would, turned a right angle to the left. rho / (nu cos phi) is
    // (1 - e^2) / ((1 - e^2 sin^2 phi) cos phi).
    const double r = (1 - o.e2) / ((1 - o.e2 * t.s2) * t.c);
    oSlopes.dEastByLongitude = dEastByLongitude;
    oSlopes.dNorthByLongitude = dNorthByLongitude;
    oSlopes.dEastByLatitude = -r * dNorthByLongitude;
    oSlopes.dNorthByLatitude = r * dEastByLongitude;
    return 1;
}

void vUtmToLatLon(int16_t sDatum, int32_t lZone, double dEasting, double dNorthing,
                  double *pdLatitude, double *pdLongitude) {
    const Ellipsoid &o = oEllipsoidOf(sDatum);
    const double M = dArcOfNorthing(dNorthing);
    double dPhi1 = M / dRhoOfSine(o, std::sin(0.0));
    for (int i = 0; i < 5; ++i) {
        dPhi1 += (M - dMeridionalArc(o, dPhi1)) / dRhoOfSine(o, std::sin(dPhi1));
    }
    vInverseSeries(o, lZone, dPhi1, std::sin(dPhi1), std::cos(dPhi1), std::tan(dPhi1),
                   dEasting - kFalseEasting, pdLatitude, pdLongitude);
}

int iQuickUtmToLatLon(int16_t sDatum, int32_t lZone, double dEasting, double dNorthing,
                      double *pdLatitude, double *pdLongitude) {
    const Ellipsoid &o = oEllipsoidOf(sDatum);
    const double M = dArcOfNorthing(dNorthing);
    const double x = dEasting - kFalseEasting;
    // Within 85 degrees of latitude and 1000 km of the central meridian the
    // footpoint iteration and the series behave; elsewhere the exact way decides.
    constexpr double kArcLimit = 9.45e6;
    constexpr double kEastingLimit = 1e6;
    if (!(std::fabs(M) < kArcLimit) || !(std::fabs(x) < kEastingLimit)) {
        return 0;
    }
    double dPhi1 = M / dRhoOfSine(o, 0.0);
    double s = 0, c = 1;
    for (int i = 0; i < 6; ++i) {
        s = std::sin(dPhi1);
        c = std::cos(dPhi1);
        const double dStep = (M - dQuickMeridionalArc(o, dPhi1, s, c)) / dRhoOfSine(o, s);
        dPhi1 += dStep;
        // Newton's steps square the error: after a step this small the next
        // would move the latitude by far less than its last bit.
        if (std::fabs(dStep) < 1e-10) {
            break;
        }
    }
    s = std::sin(dPhi1);
    c = std::cos(dPhi1);
    double dLatitude = 0, dLongitude = 0;
    vInverseSeries(o, lZone, dPhi1, s, c, s / c, x, &dLatitude, &dLongitude);
    if (!(std::fabs(dLatitude) < 89.0) || !(std::fabs(dLongitude) < 359.0)) {
        return 0;
    }
    *pdLatitude = dLatitude;
    *pdLongitude = dLongitude;
    return 1;
}

size_t nFormatUtm(char *pszOut, size_t nSize, int16_t sDatum, double dLatitude, double dLongitude) {
    int32_t lZone = 0;
    double dEasting = 0, dNorthing = 0;
    bool fClear = true; // of a rounding half
    char cLetter = 0;
    if (!(dLatitude >= -80 - kEpsilon && dLatitude <= 84 + kEpsilon)) {
        // No polar projection: a polar letter and zeros.
        if (dLatitude > 0) {
            cLetter = dLongitude >= 0 ? 'Z' : 'Y';
        } else {
            cLetter = dLongitude >= 0 ? 'B' : 'A';
        }
    } else {
        if (iZoneOverride != -1) {
            lZone = iZoneOverride;
            fClear =
                fProjectForText(sDatum, dLatitude, dLongitude, &lZone, 1, &dEasting, &dNorthing);
        } else {
            fClear =
                fProjectForText(sDatum, dLatitude, dLongitude, &lZone, 0, &dEasting, &dNorthing);
            int32_t lOwnZone = lZone;
            if (lZone >= 31 && lZone <= 37 && dLatitude > 56 + kEpsilon) {
                // South-west Norway and Svalbard have zones of their own widths.
                if (dLatitude <= 64 + kEpsilon && (lZone == 31 || lZone == 32)) {
                    lZone = dLongitude < 3 ? 31 : 32;
                }
                if (dLatitude > 72 + kEpsilon) {
                    lZone = 31;
                    if (dLongitude > 9) {
                        lZone += 2;
                    }
                    if (dLongitude > 21) {
                        lZone += 2;
                    }
                    if (dLongitude > 33) {
                        lZone += 2;
                    }
                }
                if (lZone != lOwnZone) {
                    fClear = fProjectForText(sDatum, dLatitude, dLongitude, &lZone, 1, &dEasting,
                                             &dNorthing);
                }
            }
        }
        int k = static_cast<int>((dLatitude + 80) * 0.125) + 3;
        if (k > 8) {
            ++k;
        }
        if (k > 14) {
            ++k;
        }
        if (k >= 25) {
            k = 24;
        }
        cLetter = static_cast<char>(64 + k);
    }
    // "%02d%c %07.0f %07.0f", straight into the caller's buffer where it has
    // room for the longest text.
    char szText[4 * kPutRoom];
    char *const pText = nSize >= sizeof(szText) ? pszOut : szText;
    char *p = lZone >= 0 && lZone < 100 ? pPutDigits(pText, static_cast<uint32_t>(lZone), 2)
                                        : pPutInt(pText, lZone, 2, '0');
    *p++ = cLetter;
    *p++ = ' ';
    p = pPutMetres(p, dEasting, fClear);
    *p++ = ' ';
    p = pPutMetres(p, dNorthing, fClear);
    if (nSize == 0) {
        return 0;
    }
    const size_t nLength = std::min(static_cast<size_t>(p - pText), nSize - 1);
    if (pText != pszOut) {
        std::memcpy(pszOut, pText, nLength);
    }
    pszOut[nLength] = '\0';
    return nLength;
}

char *szFormatUtm(int16_t sDatum, double dLatitude, double dLongitude) {
    char *psz = pszGetTempString();
    nFormatUtm(psz, kTempStringSize, sDatum, dLatitude, dLongitude);
    return psz;
}

int iReadUtmText(char *pszText, int32_t *plZone, double *pdEasting, double *pdNorthing) {
    if (pszText == nullptr) {
        return 0;
    }
    char *pszRest = pszText;
    char *pszZone = pszNextToken(pszRest);
    char *pszEasting = pszZone != nullptr ? pszNextToken(pszRest) : nullptr;
    char *pszNorthing = pszEasting != nullptr ? pszNextToken(pszRest) : nullptr;
    if (pszNorthing == nullptr) {
        return 0;
    }
    const char *pszAfterZone = nullptr;
    int iZone = iReadLeadingInt(pszZone, &pszAfterZone);
    if (iZone < 1 || iZone > 60) {
        return 0;
    }
    double dEasting = dParseDouble(pszEasting);
    double dNorthing = dParseDouble(pszNorthing);
    // A hundred thousand kilometres lies off any grid: such a number is garbage.
    constexpr double kNoGrid = 1e8;
    if (!(std::fabs(dEasting) < kNoGrid) || !(std::fabs(dNorthing) < kNoGrid)) {
        return 0;
    }
    // The writer gives southern positions with the false northing and no sign,
    // so the band letter, where there is one, says which hemisphere is meant.
    char cBand = static_cast<char>(std::toupper(static_cast<unsigned char>(*pszAfterZone)));
    bool fBandSouth = cBand >= 'C' && cBand <= 'M' && cBand != 'I';
    bool fBandNorth = cBand >= 'N' && cBand <= 'X' && cBand != 'O';
    if (fBandSouth) {
        dNorthing = -std::fabs(dNorthing);
    } else if (fBandNorth) {
        dNorthing = std::fabs(dNorthing);
    }
    *plZone = iZone;
    *pdEasting = dEasting;
    *pdNorthing = dNorthing;
    return 1;
}

int iParseUtm(char *pszText, int16_t sDatum, double *pdLatitude, double *pdLongitude) {
    int32_t lZone = 0;
    double dEasting = 0, dNorthing = 0;
    if (!iReadUtmText(pszText, &lZone, &dEasting, &dNorthing)) {
        return 0;
    }
    double dLatitude = 0, dLongitude = 0;
    vUtmToLatLon(sDatum, lZone, dEasting, dNorthing, &dLatitude, &dLongitude);
    if (!(std::fabs(dLatitude) <= 90) || !(std::fabs(dLongitude) <= 360)) {
        return 0;
    }
    *pdLatitude = dLatitude;
    *pdLongitude = dLongitude;
    return 1;
}

void vSetUtmZoneOverride(int iZone) {
    iZoneOverride = iZone;
}

int iGetUtmZoneOverride() {
    return iZoneOverride;
}
