#include "geo/datums.h"

#include <cmath>

#include "geo/angles.h"

namespace {
struct Ellipsoid {
    const char *pszName;
    double dSemiMajor;
    double dInverseFlattening;
};

struct Datum {
    const char *pszName;
    int16_t sEllipsoid;
    int16_t sDx, sDy, sDz; // translation from the datum to WGS 84, metres
};

constexpr Ellipsoid kEllipsoids[kEllipsoidCount] = {
    {"Airy 1830", 6377563.396, 299.3249646},             // 0
    {"Modified Airy", 6377340.189, 299.3249646},         // 1
    {"Australian National", 6378160.0, 298.25},          // 2
    {"Bessel 1841", 6377397.155, 299.1528128},           // 3
    {"Clarke 1866", 6378206.4, 294.9786982},             // 4
    {"Clarke 1880", 6378249.145, 293.465},               // 5
    {"Everest (India 1830)", 6377276.345, 300.8017},     // 6
    {"Everest (1948)", 6377304.063, 300.8017},           // 7
    {"Modified Fischer 1960", 6378155.0, 298.3},         // 8
    {"Everest (Pakistan)", 6377309.613, 300.8017},       // 9
    {"Indonesian 1974", 6378160.0, 298.247},             // 10
    {"GRS 80", 6378137.0, 298.257222101},                // 11
    {"Helmert 1906", 6378200.0, 298.3},                  // 12
    {"Hough 1960", 6378270.0, 297.0},                    // 13
    {"International 1924", 6378388.0, 297.0},            // 14
    {"Krassovsky 1940", 6378245.0, 298.3},               // 15
    {"South American 1969", 6378160.0, 298.25},          // 16
    {"Everest (Malaysia 1969)", 6377295.664, 300.8017},  // 17
    {"Everest (Sabah Sarawak)", 6377298.556, 300.8017},  // 18
    {"WGS 72", 6378135.0, 298.26},                       // 19
    {"WGS 84", 6378137.0, 298.257223563},                // 20
    {"Bessel 1841 (Namibia)", 6377483.865, 299.1528128}, // 21
    {"Everest (India 1956)", 6377301.243, 300.8017},     // 22
};

constexpr Datum kDatums[kMaxDatumNumber + 1] = {
    {"Adindan", 5, -162, -12, 206},                // 0
    {"Afgooye", 15, -43, -163, 45},                // 1
    {"Ain el Abd 1970", 14, -150, -251, -2},       // 2
    {"Anna 1 Astro 1965", 2, -491, -22, 435},      // 3
    {"Arc 1950", 5, -143, -90, -294},              // 4
    {"Arc 1960", 5, -160, -8, -300},               // 5
    {"Ascension Island `58", 14, -207, 107, 52},   // 6
    {"Astro B4 Sorol Atoll", 14, 114, -116, -333}, // 7
    {"Astro Beacon \"E\"", 14, 145, 75, -272},     // 8
    {"Astro DOS 71/4", 14, -320, 550, -494},       // 9
    {"Astronomic Stn `52", 14, 124, -234, -25},    // 10
    {"Australian Geod `66", 2, -133, -48, 148},    // 11
    {"Australian Geod `84", 2, -134, -48, 149},    // 12
    {"Bellevue (IGN)", 14, -127, -769, 472},       // 13
    {"Bermuda 1957", 4, -73, 213, 296},            // 14
    {"Bogota Observatory", 14, 307, 304, -318},    // 15
    {"Campo Inchauspe", 14, -148, 136, 90},        // 16
    {"Canton Astro 1966", 14, 298, -304, -375},    // 17
    {"Cape", 5, -136, -108, -292},                 // 18
    {"Cape Canaveral", 4, -2, 150, 181},           // 19
    {"Carthage", 5, -263, 6, 431},                 // 20
    {"CH-1903", 3, 674, 15, 405},                  // 21
    {"Chatham 1971", 14, 175, -38, 113},           // 22
    {"Chua Astro", 14, -134, 229, -29},            // 23
    {"Corrego Alegre", 14, -206, 172, -6},         // 24
    {"Djakarta (Batavia)", 3, -377, 681, -50},     // 25
    {"DOS 1968", 14, 230, -199, -752},             // 26
    {"Easter Island 1967", 14, 211, 147, 111},     // 27
    {"European 1950", 14, -87, -98, -121},         // 28
    {"European 1979", 14, -86, -98, -119},         // 29
    {"Finland Hayford", 14, -78, -231, -97},       // 30
    {"Gandajika Base", 14, -133, -321, 50},        // 31
    {"Geodetic Datum `49", 14, 84, -22, 209},      // 32
    {"Guam 1963", 4, -100, -248, 259},             // 33
    {"GUX 1 Astro", 14, 252, -209, -751},          // 34
    {"Hjorsey 1955", 14, -73, 46, -86},            // 35
    {"Hong Kong 1963", 14, -156, -271, -189},      // 36
    {"Indian Bangladesh", 6, 289, 734, 257},       // 37
    {"Indian Thailand", 6, 214, 836, 303},         // 38
    {"Ireland 1965", 1, 506, -122, 611},           // 39
    {"ISTS 073 Astro `69", 14, 208, -435, -229},   // 40
    {"Johnston Island", 14, 191, -77, -204},       // 41
    {"Kandawala", 6, -97, 787, 86},                // 42
    {"Kerguelen Island", 14, 145, -187, 103},      // 43
    {"Kertau 1948", 7, -11, 851, 5},               // 44
    {"L.C. 5 Astro", 4, 42, 124, 147},             // 45
    {"Liberia 1964", 5, -90, 40, 88},              // 46
    {"Luzon Mindanao", 4, -133, -79, -72},         // 47
    {"Luzon Philippines", 4, -133, -77, -51},      // 48
    {"Mahe 1971", 5, 41, -220, -134},              // 49
    {"Marco Astro", 14, -289, -124, 60},           // 50
    {"Massawa", 3, 639, 405, 60},                  // 51
    {"Merchich", 5, 31, 146, 47},                  // 52
    {"Midway Astro 1961", 14, 912, -58, 1227},     // 53
    {"Minna", 5, -92, -93, 122},                   // 54
    {"NAD27 Alaska", 4, -5, 135, 172},             // 55
    {"NAD27 Bahamas", 4, -4, 154, 178},            // 56
    {"NAD27 Canada", 4, -10, 158, 187},            // 57
    {"NAD27 Canal Zone", 4, 0, 125, 201},          // 58
    {"NAD27 Caribbean", 4, -7, 152, 178},          // 59
    {"NAD27 Central", 4, 0, 125, 194},             // 60
    {"NAD27 CONUS", 4, -8, 160, 176},              // 61
    {"NAD27 Cuba", 4, -9, 152, 178},               // 62
    {"NAD27 Greenland", 4, 11, 114, 195},          // 63
    {"NAD27 Mexico", 4, -12, 130, 190},            // 64
    {"NAD27 San Salvador", 4, 1, 140, 165},        // 65
    {"NAD83", 11, 0, 0, 0},                        // 66
    {"Nahrwn Masirah Ilnd", 5, -247, -148, 369},   // 67
    {"Nahrwn Saudi Arbia", 5, -231, -196, 482},    // 68
    {"Nahrwn United Arab", 5, -249, -156, 381},    // 69
    {"Naparima BWI", 14, -2, 374, 172},            // 70
    {"Observatorio 1966", 14, -425, -169, 81},     // 71
    {"Old Egyptian", 12, -130, 110, -13},          // 72
    {"Old Hawaiian", 4, 61, -285, -181},           // 73
    {"Oman", 5, -346, -1, 224},                    // 74
    {"Ord Srvy Grt Britn", 0, 375, -111, 431},     // 75
    {"Pico De Las Nieves", 14, -307, -92, 127},    // 76
    {"Pitcairn Astro 1967", 14, 185, 165, 42},     // 77
    {"Prov So Amrican `56", 14, -288, 175, -376},  // 78
    {"Prov So Chilean `63", 14, 16, 196, 93},      // 79
    {"Puerto Rico", 4, 11, 72, -101},              // 80
    {"Qatar National", 14, -128, -283, 22},        // 81
    {"Qornoq", 14, 164, 138, -189},                // 82
    {"Reunion", 14, 94, -948, -1262},              // 83
    {"Rome 1940", 14, -225, -65, 9},               // 84
    {"RT 90", 3, 498, -36, 568},                   // 85
    {"Santo (DOS)", 14, 170, 42, 84},              // 86
    {"Sao Braz", 14, -203, 141, 53},               // 87
    {"Sapper Hill 1943", 14, -355, 16, 74},        // 88
    {"Schwarzeck", 21, 616, 97, -251},             // 89
    {"South American `69", 16, -57, 1, -41},       // 90
    {"South Asia", 8, 7, -10, -26},                // 91
    {"Southeast Base", 14, -499, -249, 314},       // 92
    {"Southwest Base", 14, -104, 167, -38},        // 93
    {"Timbalai 1948", 6, -689, 691, -46},          // 94
    {"Tokyo", 3, -128, 481, 664},                  // 95
    {"Tristan Astro 1968", 14, -632, 438, -609},   // 96
    {"Viti Levu 1916", 5, 51, 391, -36},           // 97
    {"Wake-Eniwetok `60", 13, 101, 52, -39},       // 98
    {"WGS 72", 19, 0, 0, 5},                       // 99
    {"WGS 84", 20, 0, 0, 0},                       // 100
    {"Zanderij", 14, -265, 120, -358},             // 101
};

static_assert(sizeof(kDatums) / sizeof(kDatums[0]) == 102);
static_assert(sizeof(kEllipsoids) / sizeof(kEllipsoids[0]) == 23);

constexpr bool fDatumTableSound() {
    for (const Datum &o : kDatums) {
        if (o.sEllipsoid < 0 || o.sEllipsoid >= kEllipsoidCount) {
            return false;
        }
    }
    return true;
}
static_assert(fDatumTableSound(), "every datum names an ellipsoid of the table");

// A number outside the table stands for WGS 84, so no caller can read past it.
int16_t sValidDatum(int16_t sDatum) {
    return (sDatum >= 0 && sDatum <= kMaxDatumNumber) ? sDatum : kDatumWgs84;
}

constexpr double kTwoPi = 2.0 * kGeoPi;
} // namespace

int16_t sGetDatumParams(int16_t sDatum, double *pdSemiMajor, double *pdInverseFlattening,
                        int16_t *psDx, int16_t *psDy, int16_t *psDz) {
    sDatum = sValidDatum(sDatum);
    const Datum &oDatum = kDatums[sDatum];
    const Ellipsoid &oEllipsoid = kEllipsoids[oDatum.sEllipsoid];
    if (pdSemiMajor != nullptr) {
        *pdSemiMajor = oEllipsoid.dSemiMajor;
    }
    if (pdInverseFlattening != nullptr) {
        *pdInverseFlattening = oEllipsoid.dInverseFlattening;
    }
    if (psDx != nullptr) {
        *psDx = oDatum.sDx;
    }
    if (psDy != nullptr) {
        *psDy = oDatum.sDy;
    }
    if (psDz != nullptr) {
        *psDz = oDatum.sDz;
    }
    return sDatum;
}

void vGetDatumNames(int16_t sDatum, const char **ppszDatum, const char **ppszEllipsoid) {
    bool fValid = sDatum >= 0 && sDatum <= kMaxDatumNumber;
    if (ppszDatum != nullptr) {
        *ppszDatum = fValid ? kDatums[sDatum].pszName : nullptr;
    }
    if (ppszEllipsoid != nullptr) {
        *ppszEllipsoid = fValid ? kEllipsoids[kDatums[sDatum].sEllipsoid].pszName : nullptr;
    }
}

void vShiftDatum(int16_t sDatum, int iDirection, double *pdLatitude, double *pdLongitude) {
    sDatum = sValidDatum(sDatum);
    if (sDatum == kDatumWgs84 || pdLatitude == nullptr || pdLongitude == nullptr) {
        return;
    }
    // The constants of the last datum and direction asked for: a file is
    // written in one datum, and they take some divisions to work out.
    struct Shift {
        int16_t sDatum;
        int iDirection;
        double a, f, da, df, e2, dx, dy, dz;
    };
    static Shift oCached{-1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    if (oCached.sDatum != sDatum || oCached.iDirection != iDirection) {
        double dDatumA = 0, dDatumInvF = 0, dWgsA = 0, dWgsInvF = 0;
        int16_t sDx = 0, sDy = 0, sDz = 0;
        sGetDatumParams(sDatum, &dDatumA, &dDatumInvF, &sDx, &sDy, &sDz);
        sGetDatumParams(kDatumWgs84, &dWgsA, &dWgsInvF);
        double dSourceA = dDatumA, dSourceF = 1.0 / dDatumInvF;
        double dTargetA = dWgsA, dTargetF = 1.0 / dWgsInvF;
        double dx = sDx, dy = sDy, dz = sDz;
        if (iDirection == kShiftFromWgs84) {
            dSourceA = dWgsA;
            dSourceF = 1.0 / dWgsInvF;
            dTargetA = dDatumA;
            dTargetF = 1.0 / dDatumInvF;
            dx = -dx;
            dy = -dy;
            dz = -dz;
        }
        oCached = {sDatum,
                   iDirection,
                   dSourceA,
                   dSourceF,
                   dTargetA - dSourceA,
                   dTargetF - dSourceF,
                   2 * dSourceF - dSourceF * dSourceF,
                   dx,
                   dy,
                   dz};
    }
    const double a = oCached.a, f = oCached.f, da = oCached.da, df = oCached.df, e2 = oCached.e2;
    const double dx = oCached.dx, dy = oCached.dy, dz = oCached.dz;

    double dPhi = dDegreesToRadians(*pdLatitude);
    double dLambda = dDegreesToRadians(*pdLongitude);
    double sPhi = std::sin(dPhi), cPhi = std::cos(dPhi);
    double sLambda = std::sin(dLambda), cLambda = std::cos(dLambda);
    double dW2 = 1 - e2 * sPhi * sPhi;
    double dRn = a / std::sqrt(dW2);
    double dRm = a * (1 - e2) / std::pow(dW2, 1.5);

    double dDeltaPhi =
        (-dx * sPhi * cLambda - dy * sPhi * sLambda + dz * cPhi + da * dRn * e2 * sPhi * cPhi / a +
         df * (dRm / (1 - f) + dRn * (1 - f)) * sPhi * cPhi) /
        dRm;
    double dDeltaLambda = (-dx * sLambda + dy * cLambda) / (dRn * cPhi);

    double dNewPhi = dPhi + dDeltaPhi;
    double dNewLambda = dLambda + dDeltaLambda;
    if (dNewLambda + kGeoPi < 0) {
        dNewLambda += kTwoPi;
    } else if (dNewLambda - kGeoPi > 0) {
        dNewLambda -= kTwoPi;
    }
    // At a pole the longitude change has no bound; bring it back into one turn
    // so no later formatting meets an absurd angle (the longitude of a pole is
    // arbitrary anyway).
    if (!std::isfinite(dNewLambda)) {
        dNewLambda = dLambda;
    } else if (std::fabs(dNewLambda) > kGeoPi) {
        dNewLambda = std::remainder(dNewLambda, kTwoPi);
    }
    if (std::isfinite(dNewPhi)) {
        *pdLatitude = dRadiansToDegrees(dNewPhi);
    }
    *pdLongitude = dRadiansToDegrees(dNewLambda);
}
