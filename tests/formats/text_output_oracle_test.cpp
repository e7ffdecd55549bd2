// Text output byte for byte as it was written before the program had its own
// formatter: every writer against the same writer running on the C library's
// vsnprintf, and the position, time and OziExplorer line functions against
// copies of their earlier forms (kept below as they were), on seeded stores.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <random>
#include <string>
#include <vector>

#include "base/temp_string.h"
#include "base/text_format.h"
#include "exchange_test_support.h"
#include "files/listings.h"
#include "formats/exchange_numbers.h"
#include "formats/ozi.h"
#include "geo/coordinates.h"
#include "geo/datums.h"
#include "geo/time_format.h"
#include "geo/units.h"
#include "geo/utm.h"
#include "store/file_kinds.h"
#include "store/workspace.h"

using namespace exchange_test;

namespace {

// ------------------------------------------------ the earlier functions

// Runs what follows on the C library's formatting while in scope.
struct ThroughCLibrary {
    ThroughCLibrary() { vFormatThroughCLibrary(true); }
    ~ThroughCLibrary() { vFormatThroughCLibrary(false); }
    ThroughCLibrary(const ThroughCLibrary &) = delete;
    ThroughCLibrary &operator=(const ThroughCLibrary &) = delete;
};

char *szOldFormatPosition(int16_t sDatum, double dLatitude, double dLongitude, int16_t sFormat) {
    static const char *const apszForm[] = {
        "%-12s %-13s", "%-12s %-13s", "%-12s %-13s", nullptr,       "%s,%s",       "%-11s %-12s",
        "%-11s %-12s", "%-11s %-12s", nullptr,       "%s,%s",       "%-12s %-13s", "%-12s %-13s",
        "%-12s %-13s", "%-12s %-13s", "%-12s %-13s", "%-12s %-13s", "%s%s"};
    if (sFormat < 1 || sFormat > 17) {
        char *psz = pszGetTempString();
        std::snprintf(psz, kTempStringSize, "%s", "Coordinate formatting error!");
        return psz;
    }
    vShiftDatum(sDatum, kShiftFromWgs84, &dLatitude, &dLongitude);
    if (sFormat == 4 || sFormat == 9) {
        return szFormatUtm(sDatum, dLatitude, dLongitude);
    }
    const char *pszLatitude = szFormatLatLon(dLatitude, sFormat, 1);
    const char *pszLongitude = szFormatLatLon(dLongitude, sFormat, 0);
    char *psz = pszGetTempString();
    std::snprintf(psz, kTempStringSize, apszForm[sFormat - 1], pszLatitude, pszLongitude);
    return psz;
}

char *szOldFormatTime(int32_t lTime, int32_t lOffset, int16_t sDateFormat) {
    static const char *const apszMonth[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                              "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    char *psz = pszGetTempString();
    auto lTotal =
        static_cast<int32_t>(static_cast<uint32_t>(lTime) + static_cast<uint32_t>(lOffset));
    int32_t lDayNumber = lTotal / 86400;
    int32_t lSecondOfDay = lTotal - lDayNumber * 86400;
    long lHour = lSecondOfDay / 3600;
    long lMinute = (lSecondOfDay - lHour * 3600) / 60;
    long lSecond = lSecondOfDay - lHour * 3600 - lMinute * 60;
    int16_t sMonth = 0, sDay = 0, sYear = 0;
    vDayNumberToDate(lDayNumber, &sMonth, &sDay, &sYear);
    long lMonth = sMonth, lDay = sDay, lYear = sYear;
    switch (sDateFormat) {
    case 1:
        std::snprintf(psz, kTempStringSize, "%02ld/%02ld/%04ld %02ld:%02ld:%02ld", lMonth, lDay,
                      lYear, lHour, lMinute, lSecond);
        break;
    case 2:
        std::snprintf(psz, kTempStringSize, "%02ld-%3s-%02ld %02ld:%02ld:%02ld", lDay,
                      (lMonth >= 1 && lMonth <= 12) ? apszMonth[lMonth - 1] : "???", lYear % 100,
                      lHour, lMinute, lSecond);
        break;
    case 3:
        std::snprintf(psz, kTempStringSize, "%02ld%02ld%02ld", lHour, lMinute, lSecond);
        break;
    case 4:
        std::snprintf(psz, kTempStringSize, "%02ld%02ld%02ld", lDay, lMonth, lYear % 100);
        break;
    case 5: {
        long double dDays = static_cast<long double>(lDayNumber + 32873) +
                            static_cast<long double>(lSecondOfDay) * (1.0L / 86400.0L);
        std::snprintf(psz, kTempStringSize, "%13.7lf", static_cast<double>(dDays));
        break;
    }
    default:
        std::snprintf(psz, kTempStringSize, "Invalid Dateformat");
        break;
    }
    return psz;
}

void vOldOziText(char *pszTarget, size_t nSize, const char *pszSource) {
    size_t k = 0;
    for (; k + 1 < nSize && pszSource[k] != '\0'; ++k) {
        pszTarget[k] = pszSource[k] == ',' ? '\xD1' : pszSource[k];
    }
    pszTarget[k] = '\0';
}

char *szOldOziPosition(int32_t lLatitude, int32_t lLongitude) {
    return szOldFormatPosition(100, dSemicirclesToDegrees(lLatitude),
                               dSemicirclesToDegrees(lLongitude), 10);
}

char *szOldOziWaypoint(const Waypoint &o) {
    char szName[kNameSize];
    char szComment[kNameSize];
    vOldOziText(szName, sizeof(szName), o.szName);
    vOldOziText(szComment, sizeof(szComment), o.szComment);
    int32_t lFeet = o.fAltitude >= -700.0f ? lMetresToFeet(o.fAltitude) : -777;
    const char *pszDate = o.lTime != 0 ? szOldFormatTime(o.lTime, 0, 5) : "";
    int32_t lProximity = lRoundHalfUp(o.fProximity);
    char *pszLine = pszGetTempString();
    std::snprintf(pszLine, kTempStringSize, "-1,%s,%s,%s,%d,1,,,,%s,,%d,%d,%d", szName,
                  szOldOziPosition(o.lLatitude, o.lLongitude), pszDate, o.sSymbol, szComment,
                  o.bDisplay, lProximity, lFeet);
    return pszLine;
}

char *szOldOziTrackPoint(const TrackPoint &o) {
    int32_t lFeet = fHasAltitude(o.fAltitude) ? lMetresToFeet(o.fAltitude) : -777;
    char *pszLine = pszGetTempString();
    std::snprintf(pszLine, kTempStringSize, "%s,%d,%d,%s",
                  szOldOziPosition(o.lLatitude, o.lLongitude), o.fNewSegment, lFeet,
                  szOldFormatTime(o.lTime, 0, 5));
    return pszLine;
}

// ------------------------------------------------ seeded data

struct Seeded {
    std::mt19937 oRandom{20261209};

    double dUniform(double dLow, double dHigh) {
        return std::uniform_real_distribution<double>(dLow, dHigh)(oRandom);
    }
    int32_t lAny() { return static_cast<int32_t>(oRandom()); }
    int32_t lSemicircles(double dLimit) { return lSemi(dUniform(-dLimit, dLimit)); }
    // Angles at the places where rounding and carries happen: whole and half
    // units of the printed digits, a hair on either side, and the poles.
    double dAngle(double dLimit) {
        switch (oRandom() % 4) {
        case 0: {
            double dStep = std::pow(10.0, -static_cast<int>(oRandom() % 8));
            double d = std::round(dUniform(-dLimit, dLimit) / dStep) * dStep;
            return d + dStep * (static_cast<int>(oRandom() % 3) - 1) * 0.5;
        }
        case 1:
            return static_cast<double>(static_cast<int>(oRandom() % 180) - 90) +
                   (59.9995 + dUniform(-0.001, 0.001)) / 60.0;
        default:
            return dSemicirclesToDegrees(lSemicircles(dLimit));
        }
    }
    int32_t lTime() {
        switch (oRandom() % 5) {
        case 0:
            return 0;
        case 1:
            return lAny();
        default:
            return 300000000 + static_cast<int32_t>(oRandom() % 800000000);
        }
    }
    float fAltitude() {
        switch (oRandom() % 6) {
        case 0:
            return kNoAltitude;
        case 1:
            return 0.0f;
        case 2:
            return static_cast<float>(dUniform(-500, 0));
        default:
            return static_cast<float>(dUniform(0, 9000));
        }
    }
    void vText(char *psz, size_t nSize) {
        static const char kChars[] = "ABCXYZ019 ,.-'\"\xE9\xD1";
        size_t n = oRandom() % nSize;
        for (size_t k = 0; k < n; ++k) {
            psz[k] = kChars[oRandom() % (sizeof(kChars) - 1)];
        }
        psz[n] = '\0';
    }

    TrackPoint oTrackPoint() {
        TrackPoint o{};
        o.lLatitude = lSemi(dAngle(89.9));
        o.lLongitude = lSemi(dAngle(179.9));
        o.lTime = lTime();
        o.fAltitude = fAltitude();
        o.fNewSegment = oRandom() % 7 == 0 ? 1 : 0;
        return o;
    }
    Waypoint oWaypoint(int k) {
        Waypoint o = oEmptyWaypoint();
        vText(o.szName, 12);
        std::string sName = o.szName + std::to_string(k);
        std::snprintf(o.szName, sizeof(o.szName), "%s", sName.c_str());
        vText(o.szComment, kNameSize);
        o.lLatitude = lSemi(dAngle(89.9));
        o.lLongitude = lSemi(dAngle(179.9));
        o.lTime = lTime();
        o.fProximity = oRandom() % 3 == 0 ? static_cast<float>(dUniform(0, 5000)) : 0.0f;
        o.sSymbol = static_cast<int16_t>(oRandom() % 200);
        o.bDisplay = static_cast<uint8_t>(oRandom() % 3);
        o.fAltitude = fAltitude();
        return o;
    }
};

// A store of track points, waypoints and routes through them.
void vFillStore(Workspace &w, int nTrackPoints, int nWaypoints) {
    Seeded o;
    for (int k = 0; k < nTrackPoints; ++k) {
        iAddTrackPoint(&w, o.oTrackPoint());
    }
    std::vector<std::string> asNames;
    for (int k = 0; k < nWaypoints; ++k) {
        Waypoint oWaypoint = o.oWaypoint(k);
        asNames.emplace_back(oWaypoint.szName);
        iAddWaypoint(&w, oWaypoint);
    }
    for (uint32_t lNumber = 1; lNumber <= 4 && !asNames.empty(); ++lNumber) {
        Route oRoute{};
        oRoute.lNumber = lNumber;
        std::snprintf(oRoute.szComment, sizeof(oRoute.szComment), "ROUTE %u", lNumber);
        // Up to 44 points: past the 30 the older files held.
        const uint32_t nPoints = lNumber * 11 % 45 + 2;
        for (uint32_t k = 0; k < nPoints; ++k) {
            std::snprintf(pszAppendRoutePoint(oRoute), kNameSize, "%s",
                          asNames[(lNumber * 13 + k) % asNames.size()].c_str());
        }
        iAddRoute(&w, oRoute);
    }
}

// Every writer: the export driver's text formats and the two listings.
const int kaWriterTypes[] = {
    kFileTextExport,    kFilePcx5,      kFilePcx5Waypoints, kFilePcx5Track,    kFilePcx5Routes,
    kFilePcx5Proximity, kFileNmea,      kFileOverlay,       kFileOziWaypoints, kFileOziTrack,
    kFileBarograph,     kFileHexExport, kFileKml,           kFileGpx};
constexpr int kWaypointListing = -1;
constexpr int kTrackListing = -2;

std::string sWrite(Workspace &w, const ScratchFolder &oFolder, int iType) {
    std::string sPath = oFolder.sPath("out.txt");
    std::remove(sPath.c_str());
    int iResult = 0;
    if (iType == kWaypointListing) {
        iResult = iListWaypoints(&w, sPath.c_str());
    } else if (iType == kTrackListing) {
        iResult = iListTrackPoints(&w, sPath.c_str());
    } else {
        iResult = iExportTextFile(&w, sPath.c_str(), 7, iType);
    }
    return iResult ? sReadFile(sPath) : std::string("(failed)");
}

// Each switch that changes what the text writers write, once.
struct Switch {
    const char *pszName;
    void (*pSet)(Workspace &);
};
const Switch kaSwitches[] = {{"tabbed", [](Workspace &o) { o.fTabbedExport = 1; }},
                             {"date form 2", [](Workspace &o) { o.sDateFormat = 2; }},
                             {"date form 5", [](Workspace &o) { o.sDateFormat = 5; }},
                             {"offset", [](Workspace &o) { o.lUtcOffset = -5 * 3600; }},
                             {"symbol set", [](Workspace &o) { o.sSymbolSet = 108; }},
                             {"overlay look",
                              [](Workspace &o) {
                                  o.sOvlTrackColor = 3;
                                  o.sOvlTrackWidth = 7;
                                  o.sOvlWptDotSize = 4;
                              }},
                             {"code page", [](Workspace &o) { o.sCodePage = 1251; }},
                             {"UTM zone", [](Workspace &o) {
                                  o.sCoordFormat = kCoordUtm;
                                  vSetUtmZoneOverride(32);
                              }}};

// The same store written both ways gives the same bytes.
void vExpectSameBothWays(Workspace &w, const ScratchFolder &oFolder, int iType,
                         const std::string &sCase) {
    std::string sNew = sWrite(w, oFolder, iType);
    std::string sOld;
    {
        ThroughCLibrary oOld;
        sOld = sWrite(w, oFolder, iType);
    }
    ASSERT_EQ(sNew.size(), sOld.size()) << sCase << ", type " << iType;
    EXPECT_TRUE(sNew == sOld) << sCase << ", type " << iType;
}

} // namespace

TEST(TextOutputOracle, EveryConversionAsTheCLibraryWritesIt) {
    Seeded o;
    const char *const apszDouble[] = {
        "%f",      "%.0f",    "%.1f",   "%.2f",   "%10.2f",  "%11.6f", "%08.5f", "%09.5f",
        "%010.7f", "%011.7f", "%06.3f", "%05.2f", "%13.7lf", "%.9f",   "%6.0f",  "%5.0f",
        "%07.0f",  "%-10.3f", "%+.2f",  "% .4f",  "%.12f",   "%3.f",   "%g",     "%e"};
    const char *const apszInteger[] = {"%d",   "%5d",   "%-5d",  "%05d", "%+d", "% d", "%.3d",
                                       "%.0d", "%8.8X", "%2.2X", "%x",   "%u",  "%3i", "%-+6d"};
    std::vector<double> adValues = {
        0.0,  -0.0,     0.5,       1.5,          2.5,        -0.5,        0.125,   0.0625,
        1e-7, -1e-7,    123456.5,  2147483647.5, 3e9,        -4.2e15,     1.7e308, 5e-324,
        NAN,  INFINITY, -INFINITY, 59.9999995,   89.9999999, 179.99999995};
    for (int k = 0; k < 4000; ++k) {
        adValues.push_back(o.dAngle(200.0) * (k % 5 == 0 ? 1000.0 : 1.0));
    }
    char szNew[512];
    char szOld[512];
    for (const char *pszFormat : apszDouble) {
        for (double d : adValues) {
            iFormatText(szNew, sizeof(szNew), pszFormat, d);
            std::snprintf(szOld, sizeof(szOld), pszFormat, d);
            ASSERT_STREQ(szNew, szOld) << pszFormat << " of " << d;
        }
    }
    std::vector<int32_t> alValues = {0, 1, -1, 9, 10, 99999, -99999, INT32_MAX, INT32_MIN};
    for (int k = 0; k < 2000; ++k) {
        alValues.push_back(o.lAny() >> (k % 31));
    }
    for (const char *pszFormat : apszInteger) {
        for (int32_t l : alValues) {
            iFormatText(szNew, sizeof(szNew), pszFormat, l);
            std::snprintf(szOld, sizeof(szOld), pszFormat, l);
            ASSERT_STREQ(szNew, szOld) << pszFormat << " of " << l;
        }
    }
    // Lengths, strings, characters, and a text cut by the buffer.
    const long long llBig = -1234567890123LL;
    const size_t nSize = 123456789;
    const char *pszText = "Bergh\xFCtte, \"oben\"";
    for (size_t nRoom : {size_t{0}, size_t{1}, size_t{7}, size_t{40}, sizeof(szNew)}) {
        int iNew = iFormatText(szNew, nRoom, "%ld|%lu|%lld|%zu|%hd|%s|%-12s|%20s|%.*s|%c%%|%5c",
                               -12345678L, 4000000000UL, llBig, nSize, static_cast<short>(-7),
                               pszText, "ab", pszText, 5, pszText, 'Q', 'R');
        int iOld = std::snprintf(szOld, nRoom, "%ld|%lu|%lld|%zu|%hd|%s|%-12s|%20s|%.*s|%c%%|%5c",
                                 -12345678L, 4000000000UL, llBig, nSize, static_cast<short>(-7),
                                 pszText, "ab", pszText, 5, pszText, 'Q', 'R');
        EXPECT_EQ(iNew, iOld);
        if (nRoom != 0) {
            EXPECT_STREQ(szNew, szOld) << nRoom;
        }
    }
}

// The pieces line builders put together write what the printf conversion they name writes.
TEST(TextOutputOracle, LinePiecesAsTheCLibraryWritesThem) {
    Seeded o;
    char szNew[128];
    char szOld[128];
    std::vector<double> adValues = {0.0,          -0.0,         0.5,     -2.5,   -0.4,
                                    3.5,          1e-7,         9999.5,  -999.5, 9999.499999999999,
                                    2147483647.5, 2147483648.5, -4.2e15, NAN};
    for (int k = 0; k < 3000; ++k) {
        adValues.push_back(o.dAngle(200.0) * (k % 5 == 0 ? 1000.0 : 1.0));
    }
    // The whole numbers written inline: every quarter up to 10000, and a
    // hair either side of each half.
    for (int k = -40004; k <= 40004; ++k) {
        for (double d : {k / 4.0, std::nextafter(k / 4.0, -1e9), std::nextafter(k / 4.0, 1e9)}) {
            for (int iWidth : {4, 5, 6}) {
                *pPutWhole(szNew, d, iWidth) = '\0';
                std::snprintf(szOld, sizeof(szOld), "%*.0f", iWidth, d);
                ASSERT_STREQ(szNew, szOld) << d << " " << iWidth;
            }
        }
    }
    for (double d : adValues) {
        for (int iWidth : {0, 4, 5, 6, 16}) {
            *pPutWhole(szNew, d, iWidth) = '\0';
            std::snprintf(szOld, sizeof(szOld), "%*.0f", iWidth, d);
            ASSERT_STREQ(szNew, szOld) << d << " " << iWidth;
        }
        for (int iPrecision : {0, 2, 3, 5, 7, 9}) {
            for (int iWidth : {0, 6, 11}) {
                for (char cPad : {' ', '0'}) {
                    *pPutFixed(szNew, d, iPrecision, iWidth, cPad) = '\0';
                    std::snprintf(szOld, sizeof(szOld), cPad == '0' ? "%0*.*f" : "%*.*f", iWidth,
                                  iPrecision, d);
                    ASSERT_STREQ(szNew, szOld) << d << " " << iPrecision << " " << iWidth;
                }
            }
        }
    }
    for (int64_t ll :
         {int64_t{0}, int64_t{-7}, int64_t{123456}, int64_t{INT64_MIN}, int64_t{o.lAny()}}) {
        for (int iWidth : {0, 2, 8}) {
            for (char cPad : {' ', '0'}) {
                *pPutInt(szNew, ll, iWidth, cPad) = '\0';
                std::snprintf(szOld, sizeof(szOld), cPad == '0' ? "%0*lld" : "%*lld", iWidth,
                              static_cast<long long>(ll));
                ASSERT_STREQ(szNew, szOld) << ll << " " << iWidth;
            }
        }
    }
    const uint64_t nAny = static_cast<uint32_t>(o.lAny()) % 100;
    for (uint64_t n : {uint64_t{0}, uint64_t{7}, uint64_t{99}, nAny, uint64_t{9999999}}) {
        for (int iDigits : {2, 3, 7}) {
            if (n < 100 || iDigits == 7) {
                *pPutDigits(szNew, n, iDigits) = '\0';
                std::snprintf(szOld, sizeof(szOld), "%0*llu", iDigits,
                              static_cast<unsigned long long>(n));
                ASSERT_STREQ(szNew, szOld) << n << " " << iDigits;
            }
        }
    }
    for (uint32_t l : {0U, 0xABCU, 0xFFFFFFFFU, 0x1FFU}) {
        for (int iDigits : {2, 4, 8}) {
            *pPutHex(szNew, l, iDigits) = '\0';
            std::snprintf(szOld, sizeof(szOld), "%*.*X", iDigits, iDigits, l);
            ASSERT_STREQ(szNew, szOld) << l << " " << iDigits;
        }
    }
    *pPutText(pPutText(szNew, "ab", -5), "cd", 4) = '\0';
    EXPECT_STREQ(szNew, "ab     cd");
}

TEST(TextOutputOracle, PositionsInEveryNotationAndDatum) {
    Seeded o;
    std::vector<std::pair<double, double>> aPositions = {
        {0, 0}, {90, 180}, {-90, -180}, {47.99999999, 8.99999999}, {-33.5, 151.25}};
    for (int k = 0; k < 400; ++k) {
        aPositions.emplace_back(o.dAngle(90.0), o.dAngle(180.0));
    }
    auto vCompare = [&](int16_t sDatum, int16_t sFormat) {
        for (const auto &[dLatitude, dLongitude] : aPositions) {
            std::string sNew = szFormatPosition(sDatum, dLatitude, dLongitude, sFormat);
            std::string sOld;
            {
                ThroughCLibrary oOld;
                sOld = szOldFormatPosition(sDatum, dLatitude, dLongitude, sFormat);
            }
            ASSERT_EQ(sNew, sOld) << "datum " << sDatum << ", notation " << sFormat << ", "
                                  << dLatitude << " " << dLongitude;
        }
    };
    for (int16_t sFormat = 0; sFormat <= 18; ++sFormat) {
        vCompare(kDatumWgs84, sFormat);
        vCompare(27, sFormat);
    }
    for (int16_t sDatum = -1; sDatum <= 102; ++sDatum) {
        vCompare(sDatum, kCoordDm);
        vCompare(sDatum, kCoordUtm);
    }
    vSetUtmZoneOverride(33);
    vCompare(kDatumWgs84, kCoordUtm);
    vSetUtmZoneOverride(-1);
}

// The usual notations' angles are written without reading their forms, as
// the C library writes them at every rounding edge of minutes and tenths of a
// second, and for degrees past the columns' widths; so are the positions
// line builders write in them.
TEST(TextOutputOracle, UsualAnglesAtTheirRoundingEdges) {
    Seeded o;
    char szNew[kTempStringSize];
    char szOld[kTempStringSize];
    double dPrevious = 0;
    for (int k = 0; k < 100000; ++k) {
        const double dDegrees = k % 50 == 0 ? o.dUniform(0, 40000) : o.oRandom() % 200;
        const double dEdge =
            k % 2 ? (o.oRandom() % 60000 + 0.5) / 1000 : (o.oRandom() % 36000 + 0.5) / 600;
        const double dNudge =
            o.dUniform(-1, 1) * std::pow(10.0, -static_cast<int>(o.oRandom() % 14));
        double dAngle = dDegrees + (dEdge + dNudge) / 60;
        dAngle = o.oRandom() % 2 ? -dAngle : dAngle;
        for (int16_t sFormat : {kCoordDm, kCoordDms, int16_t{14}}) {
            for (int fLatitude : {1, 0}) {
                nFormatLatLon(szNew, sizeof(szNew), dAngle, sFormat, fLatitude);
                {
                    ThroughCLibrary oOld;
                    nFormatLatLon(szOld, sizeof(szOld), dAngle, sFormat, fLatitude);
                }
                ASSERT_STREQ(szNew, szOld) << std::setprecision(17) << dAngle << " " << sFormat;
            }
            *pPutShiftedPosition(szNew, kDatumWgs84, dAngle, dPrevious, sFormat, 28) = '\0';
            {
                ThroughCLibrary oOld;
                *pPutShiftedPosition(szOld, kDatumWgs84, dAngle, dPrevious, sFormat, 28) = '\0';
            }
            ASSERT_STREQ(szNew, szOld) << std::setprecision(17) << dAngle << " " << dPrevious;
        }
        dPrevious = dAngle;
    }
}

// The grid text takes a quicker series; its metres are those of the exact
// projection in the zone it names, its own or one forced up to two zones away.
TEST(TextOutputOracle, UtmTextHasTheExactProjectionsMetres) {
    Seeded o;
    char szExact[64];
    for (int16_t sDatum : {kDatumWgs84, int16_t{27}, int16_t{3}}) {
        for (int k = 0; k < 100000; ++k) {
            const double dLatitude = o.dUniform(-80.0, 84.0);
            const double dLongitude = o.dUniform(-180.0, 180.0);
            const int iOwnZone = static_cast<int>(dLongitude / 6 + 31);
            vSetUtmZoneOverride(k % 4 != 0 ? -1 : std::clamp(iOwnZone + k % 5 - 2, 1, 60));
            const std::string sText = szFormatUtm(sDatum, dLatitude, dLongitude);
            vSetUtmZoneOverride(-1);
            int32_t lZone = std::atoi(sText.c_str());
            double dEasting = 0;
            double dNorthing = 0;
            vLatLonToUtm(sDatum, dLatitude, dLongitude, &lZone, 1, &dEasting, &dNorthing);
            std::snprintf(szExact, sizeof(szExact), "%07.0f %07.0f", dEasting, dNorthing);
            ASSERT_EQ(sText.substr(4), szExact) << dLatitude << " " << dLongitude;
        }
    }
}

TEST(TextOutputOracle, TimesInEveryForm) {
    Seeded o;
    std::vector<int32_t> alTimes = {0, 1, -1, 86399, 86400, INT32_MAX, INT32_MIN, -631065600};
    for (int k = 0; k < 3000; ++k) {
        alTimes.push_back(o.lTime());
    }
    for (int16_t sForm = 0; sForm <= 6; ++sForm) {
        for (int32_t lOffset : {0, 3600, -19800}) {
            for (int32_t lTime : alTimes) {
                std::string sNew = szFormatTime(lTime, lOffset, sForm);
                std::string sOld;
                {
                    ThroughCLibrary oOld;
                    sOld = szOldFormatTime(lTime, lOffset, sForm);
                }
                ASSERT_EQ(sNew, sOld) << lTime << " + " << lOffset << ", form " << sForm;
            }
        }
    }
    // Times a second apart, as a track's are, across midnights and the
    // epoch, the form and the offset changing from one call to the next.
    for (int32_t lMidnight : {0, 86400 * (o.lAny() % 20000), 86400 * (o.lAny() % 20000)}) {
        for (int32_t lTime = lMidnight - 300; lTime < lMidnight + 300; ++lTime) {
            const auto sForm = static_cast<int16_t>(1 + (lTime / 5 & 3));
            const int32_t lOffset = lTime % 7 == 0 ? -3600 : 0;
            std::string sNew = szFormatTime(lTime, lOffset, sForm);
            ThroughCLibrary oOld;
            ASSERT_EQ(sNew, szOldFormatTime(lTime, lOffset, sForm)) << lTime << " + " << lOffset;
        }
    }
}

TEST(TextOutputOracle, OziExplorerLines) {
    Seeded o;
    for (int k = 0; k < 3000; ++k) {
        TrackPoint oPoint = o.oTrackPoint();
        Waypoint oWaypoint = o.oWaypoint(k);
        std::string sNewPoint = szFormatOziTrackPoint(oPoint);
        std::string sNewWaypoint = szFormatOziWaypoint(oWaypoint);
        ThroughCLibrary oOld;
        ASSERT_EQ(sNewPoint, szOldOziTrackPoint(oPoint));
        ASSERT_EQ(sNewWaypoint, szOldOziWaypoint(oWaypoint));
    }
}

// Every writer in every notation with one datum, every datum with one
// notation, and each switch once.
TEST(TextOutputOracle, EveryWriterWritesTheSameBytes) {
    ScratchFolder oFolder;
    Workspace w;
    vFillStore(w, 400, 60);
    std::vector<int> aiTypes(std::begin(kaWriterTypes), std::end(kaWriterTypes));
    aiTypes.push_back(kWaypointListing);
    aiTypes.push_back(kTrackListing);
    for (int16_t sFormat = 1; sFormat <= 17; ++sFormat) {
        w.sCoordFormat = sFormat;
        for (int iType : aiTypes) {
            vExpectSameBothWays(w, oFolder, iType, "notation " + std::to_string(sFormat));
        }
    }
    w.sCoordFormat = kCoordDm;
    for (int16_t sDatum = 0; sDatum <= 101; ++sDatum) {
        w.sDatum = sDatum;
        for (int iType : {int{kFileTextExport}, int{kFilePcx5}, int{kFileOverlay}, kTrackListing}) {
            vExpectSameBothWays(w, oFolder, iType, "datum " + std::to_string(sDatum));
        }
    }
    w.sDatum = kDatumWgs84;
    for (const Switch &oSwitch : kaSwitches) {
        Workspace s;
        vFillStore(s, 400, 60);
        oSwitch.pSet(s);
        for (int iType : aiTypes) {
            vExpectSameBothWays(s, oFolder, iType, oSwitch.pszName);
        }
    }
    vSetUtmZoneOverride(-1);
}

namespace {
// What the text writers wrote of the seeded store before they built their
// lines themselves (the track listing since its steps across the equator were
// mended, which changed nothing else): a 64-bit FNV-1a digest of every output
// of a group, in order. QUILLOX_PRINT_DIGESTS=1 prints the digests this build writes.
struct Digest {
    const char *pszGroup;
    uint64_t llDigest;
};
const Digest kaDigestsBefore[] = {
#include "text_output_digests.inc"
};

uint64_t llDigestOf(uint64_t llDigest, const std::string &s) {
    for (unsigned char c : s) {
        llDigest = (llDigest ^ c) * 0x100000001B3ULL;
    }
    return llDigest;
}
} // namespace

// Every text writer in every notation, in every datum, and with each switch,
// writes what it wrote before.
TEST(TextOutputOracle, EveryTextWriterWritesWhatItWroteBefore) {
    ScratchFolder oFolder;
    const int kaTypes[] = {kFileTextExport,    kFileHexExport, kFilePcx5,
                           kFilePcx5Waypoints, kFilePcx5Track, kFilePcx5Routes,
                           kFilePcx5Proximity, kFileNmea,      kFileOverlay,
                           kFileOziWaypoints,  kFileOziTrack,  kFileBarograph,
                           kWaypointListing,   kTrackListing};
    auto llDigestAll = [&](Workspace &w) {
        uint64_t llDigest = 0xCBF29CE484222325ULL;
        for (int iType : kaTypes) {
            llDigest = llDigestOf(llDigest, sWrite(w, oFolder, iType));
        }
        return llDigest;
    };
    std::vector<std::pair<std::string, uint64_t>> aGroups;
    for (int16_t sFormat = 1; sFormat <= 17; ++sFormat) {
        Workspace w;
        vFillStore(w, 300, 40);
        w.sCoordFormat = sFormat;
        aGroups.emplace_back("notation " + std::to_string(sFormat), llDigestAll(w));
    }
    for (int16_t sFormat : {kCoordDm, kCoordUtm}) {
        Workspace w;
        vFillStore(w, 60, 10);
        w.sCoordFormat = sFormat;
        uint64_t llDigest = 0;
        for (int16_t sDatum = 0; sDatum <= 101; ++sDatum) {
            w.sDatum = sDatum;
            llDigest = llDigest * 31 + llDigestAll(w);
        }
        aGroups.emplace_back("every datum, notation " + std::to_string(sFormat), llDigest);
    }
    for (const auto &[pszName, pSet] : kaSwitches) {
        Workspace w;
        vFillStore(w, 300, 40);
        pSet(w);
        aGroups.emplace_back(pszName, llDigestAll(w));
        vSetUtmZoneOverride(-1);
    }
    const char *pszPrint = std::getenv("QUILLOX_PRINT_DIGESTS");
    for (size_t n = 0; n < aGroups.size(); ++n) {
        if (pszPrint != nullptr) {
            std::printf("    {\"%s\", 0x%016llXULL},\n", aGroups[n].first.c_str(),
                        static_cast<unsigned long long>(aGroups[n].second));
            continue;
        }
        ASSERT_LT(n, std::size(kaDigestsBefore));
        EXPECT_EQ(aGroups[n].first, kaDigestsBefore[n].pszGroup);
        EXPECT_EQ(aGroups[n].second, kaDigestsBefore[n].llDigest) << aGroups[n].first;
    }
    EXPECT_EQ(aGroups.size(), std::size(kaDigestsBefore));
}

TEST(TextOutputOracle, HundredThousandPoints) {
    ScratchFolder oFolder;
    Workspace w;
    vFillStore(w, 100000, 5);
    for (int16_t sFormat : {kCoordUtm, kCoordDms}) {
        w.sCoordFormat = sFormat;
        for (int iType : {int{kFileTextExport}, int{kFileOziTrack}, int{kFilePcx5Track}}) {
            vExpectSameBothWays(w, oFolder, iType, "100,000 points");
        }
    }
}

namespace {

// The earlier forms of two conversions the readers use.
int32_t lOldDegreesToSemicircles(double dDegrees) {
    if (!std::isfinite(dDegrees) || dDegrees == 0.0) {
        return 0;
    }
    int iExponent = 0;
    double dFraction = std::frexp(std::fabs(dDegrees), &iExponent);
    auto nMantissa = static_cast<uint64_t>(std::ldexp(dFraction, 53));
    int iScale = iExponent - 53 + 30 - 70;
    unsigned __int128 nProduct = static_cast<unsigned __int128>(nMantissa) * 0xB60B60B60B60B60BULL;
    int nBits = 0;
    for (unsigned __int128 n = nProduct; n != 0; n >>= 1) {
        ++nBits;
    }
    uint64_t nKept = 0;
    if (nBits > 64) {
        int nShift = nBits - 64;
        unsigned __int128 nHalf = static_cast<unsigned __int128>(1) << (nShift - 1);
        unsigned __int128 nRest = nProduct & ((nHalf << 1) - 1);
        nKept = static_cast<uint64_t>(nProduct >> nShift);
        iScale += nShift;
        if (nRest > nHalf || (nRest == nHalf && (nKept & 1) != 0)) {
            ++nKept;
            if (nKept == 0) {
                nKept = 1ULL << 63;
                ++iScale;
            }
        }
    } else {
        nKept = static_cast<uint64_t>(nProduct);
    }
    uint64_t nInteger = 0;
    if (iScale >= 0) {
        nInteger = iScale >= 64 ? 0 : nKept << iScale;
    } else {
        nInteger = -iScale >= 64 ? 0 : nKept >> -iScale;
    }
    auto nLow = static_cast<uint32_t>(nInteger);
    if (dDegrees < 0) {
        nLow = 0U - nLow;
    }
    return static_cast<int32_t>(nLow);
}

int32_t lOldParseHex32(const char *psz) {
    unsigned int n = 0;
    if (std::strlen(psz) != 8 || std::sscanf(psz, "%x", &n) != 1) {
        return -1;
    }
    return static_cast<int32_t>(n);
}

} // namespace

TEST(TextOutputOracle, ReadersConvertAsBefore) {
    Seeded o;
    std::vector<double> adDegrees = {0.0,    -0.0,   90.0,    -90.0, 180.0, -180.0, 45.0,
                                     1e-300, 5e-324, -5e-324, 1e300, 720.5, NAN,    INFINITY};
    for (int k = 0; k < 200000; ++k) {
        adDegrees.push_back(k % 2 ? o.dAngle(180.0) : o.dUniform(-1e4, 1e4));
    }
    for (double d : adDegrees) {
        ASSERT_EQ(lDegreesToSemicircles(d), lOldDegreesToSemicircles(d)) << d;
    }
    for (const char *psz : {"00000000", "FFFFFFFF", "7fffffff", "DeadBeef", "0x1234ab", "-0000001",
                            " 1234567", "1234567 ", "123z5678", "+00000ff", "        "}) {
        EXPECT_EQ(lParseHex32(psz), lOldParseHex32(psz)) << psz;
    }
    char sz[16];
    for (int k = 0; k < 20000; ++k) {
        std::snprintf(sz, sizeof(sz), k % 2 ? "%08X" : "%08x", static_cast<unsigned>(o.lAny()));
        ASSERT_EQ(lParseHex32(sz), lOldParseHex32(sz)) << sz;
    }
}

// Grid references are stored as the exact inverse stores them, inside the
// quick inverse's domain and out of it.
TEST(TextOutputOracle, GridReferencesStoreAsTheExactInverseStoresThem) {
    Seeded o;
    char szText[96];
    for (int16_t sDatum : {kDatumWgs84, int16_t{27}, int16_t{3}}) {
        for (int k = 0; k < 100000; ++k) {
            const double dEasting = k % 10 == 0 ? o.dUniform(-2e6, 3e6) : o.dUniform(1e5, 9e5);
            const double dNorthing = k % 10 == 1 ? o.dUniform(9e6, 1e7) : o.dUniform(0, 9.5e6);
            std::snprintf(szText, sizeof(szText), "%02d%c %.*f %.*f",
                          static_cast<int>(o.dUniform(1, 60.99)), "NSX"[k % 3], k % 4, dEasting,
                          k % 4, dNorthing);
            double dLatitude = 0;
            double dLongitude = 0;
            int32_t lLatitude = 0;
            int32_t lLongitude = 0;
            const int iExact = iParsePosition(szText, sDatum, 0, &dLatitude, &dLongitude);
            ASSERT_EQ(iParsePositionSemicircles(szText, sDatum, 0, &lLatitude, &lLongitude), iExact)
                << szText;
            if (iExact) {
                ASSERT_EQ(lLatitude, lDegreesToSemicircles(dLatitude)) << szText;
                ASSERT_EQ(lLongitude, lDegreesToSemicircles(dLongitude)) << szText;
            }
        }
    }
}
