// GPSBabel as the other side for GPX: it reads the files the program writes and
// finds the same points, names, times, elevations and symbol names; the
// program reads GPSBabel's GPX of the peer files and finds what GPSBabel's
// reference files (the .expected.gpx beside them) hold.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <regex>
#include <string>
#include <vector>

#include "exchange_test_support.h"
#include "files/file_types.h"
#include "files/load_save.h"
#include "formats/gpx.h"
#include "gpx_test_support.h"
#include "tests/store_points.h"

using namespace exchange_test;

namespace {

// One point of a GPX file as the text says it, read with regular expressions
// (not with the program's reader).
struct TextPoint {
    double dLatitude = NAN, dLongitude = NAN;
    std::string sElevation, sTime, sName, sSymbol;
    bool fSegmentStart = false;
};

std::string sUnescape(std::string s) {
    const std::pair<const char *, const char *> aEntities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto &[pszFrom, pszTo] : aEntities) {
        for (size_t n = s.find(pszFrom); n != std::string::npos; n = s.find(pszFrom, n + 1)) {
            s.replace(n, std::strlen(pszFrom), pszTo);
        }
    }
    return s;
}

std::string sChild(const std::string &sBody, const char *pszElement) {
    std::regex oPattern(std::string("<") + pszElement + ">([^<]*)</" + pszElement + ">");
    std::smatch m;
    return std::regex_search(sBody, m, oPattern) ? sUnescape(m[1].str()) : std::string();
}

std::vector<TextPoint> aTextPoints(const std::string &sText, const char *pszElement) {
    std::vector<TextPoint> aPoints;
    std::regex oPattern(std::string("(<trkseg>\\s*)?<") + pszElement +
                        " lat=\"([^\"]+)\" lon=\"([^\"]+)\"\\s*(/>|>([\\s\\S]*?)</" + pszElement +
                        ">)");
    for (auto it = std::sregex_iterator(sText.begin(), sText.end(), oPattern);
         it != std::sregex_iterator(); ++it) {
        const std::smatch &m = *it;
        TextPoint o;
        o.fSegmentStart = m[1].matched;
        o.dLatitude = std::stod(m[2].str());
        o.dLongitude = std::stod(m[3].str());
        std::string sBody = m[5].str();
        o.sElevation = sChild(sBody, "ele");
        o.sTime = sChild(sBody, "time");
        o.sName = sChild(sBody, "name");
        o.sSymbol = sChild(sBody, "sym");
        aPoints.push_back(o);
    }
    return aPoints;
}

// Receiver seconds of an ISO time, fractions rounded to the nearest second; 0 for none.
long lTextTime(const std::string &sTime) {
    std::tm oTime{};
    double dSeconds = 0;
    if (std::sscanf(sTime.c_str(), "%d-%d-%dT%d:%d:%lf", &oTime.tm_year, &oTime.tm_mon,
                    &oTime.tm_mday, &oTime.tm_hour, &oTime.tm_min, &dSeconds) != 6) {
        return 0;
    }
    oTime.tm_year -= 1900;
    oTime.tm_mon -= 1;
    return static_cast<long>(timegm(&oTime)) - 631065600L + std::lround(dSeconds);
}

int32_t lSemicircles(double dDegrees) {
    return static_cast<int32_t>(std::llround(dDegrees * 2147483648.0 / 180.0));
}

std::string sUtf8(const char *pszLatin1) {
    std::string s;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(pszLatin1); *p; ++p) {
        if (*p < 0x80) {
            s += static_cast<char>(*p);
        } else {
            s += static_cast<char>(0xC0 | (*p >> 6));
            s += static_cast<char>(0x80 | (*p & 0x3F));
        }
    }
    return s;
}

// GPSBabel's reading of a file: its own GPX writing of what it read.
std::string sThroughGpsbabel(const ScratchFolder &oFolder, const std::string &sInput,
                             const char *pszFormat, const char *pszKinds, const char *pszOut) {
    std::string sOut = oFolder.sPath(pszOut);
    EXPECT_TRUE(fRunGpsbabel(oFolder, std::string(pszKinds) + " -i " + pszFormat + " -f " + sInput +
                                          " -o gpx -F " + sOut))
        << sReadFile(oFolder.sPath("gpsbabel.err"));
    return sReadFile(sOut);
}

} // namespace

TEST(PeerGpsbabelGpx, FindsOurWaypointsRoutesAndTrack) {
    ScratchFolder oFolder;
    Workspace w;
    gpx_test::vFillStore(w);
    std::string sOurs = oFolder.sPath("ours.gpx");
    ASSERT_EQ(iSaveFile(&w, sOurs.c_str(), 7), 1);

    std::vector<TextPoint> aWaypoints =
        aTextPoints(sThroughGpsbabel(oFolder, sOurs, "gpx", "-w", "w.gpx"), "wpt");
    ASSERT_EQ(aWaypoints.size(), w.pStore->pWaypoints.size());
    size_t k = 0;
    for (const auto &[sName, o] : w.pStore->pWaypoints) {
        SCOPED_TRACE(sName);
        const TextPoint &t = aWaypoints[k++];
        EXPECT_EQ(t.sName, sUtf8(o.szName));
        EXPECT_EQ(lSemicircles(t.dLatitude), o.lLatitude);
        EXPECT_EQ(lSemicircles(t.dLongitude), o.lLongitude);
        EXPECT_EQ(lTextTime(t.sTime), o.lTime);
        if (o.fAltitude > -700.0f) {
            EXPECT_NEAR(std::stod(t.sElevation), o.fAltitude, 1e-3);
        } else {
            EXPECT_EQ(t.sElevation, "");
        }
    }
    // The symbol names our file gives, as GPSBabel keeps them.
    EXPECT_EQ(aWaypoints[0].sSymbol, "Waypoint");   // ALPHA
    EXPECT_EQ(aWaypoints[1].sSymbol, "Dot, White"); // B&<>"'
    EXPECT_EQ(aWaypoints[2].sSymbol, "Geocache");   // NORTH
    EXPECT_EQ(aWaypoints[3].sSymbol, "300");        // NUM
    EXPECT_EQ(aWaypoints[5].sSymbol, "Campground"); // Ärger

    std::string sRoutes = sThroughGpsbabel(oFolder, sOurs, "gpx", "-r", "r.gpx");
    std::vector<TextPoint> aRoutePoints = aTextPoints(sRoutes, "rtept");
    const char *apszNames[] = {"NORTH", "ALPHA", "RPT001", "ALPHA", "\xc3\x84rger"};
    ASSERT_EQ(aRoutePoints.size(), 5u);
    for (size_t n = 0; n < 5; ++n) {
        EXPECT_EQ(aRoutePoints[n].sName, apszNames[n]);
    }
    EXPECT_THAT(sRoutes, ::testing::HasSubstr("<name>Sunday &amp; more</name>"));

    std::vector<TextPoint> aTrackText =
        aTextPoints(sThroughGpsbabel(oFolder, sOurs, "gpx", "-t", "t.gpx"), "trkpt");
    std::vector<TrackPoint> aStored = aTrackPoints(*w.pStore);
    ASSERT_EQ(aTrackText.size(), aStored.size());
    for (size_t n = 0; n < aStored.size(); ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(lSemicircles(aTrackText[n].dLatitude), aStored[n].lLatitude);
        EXPECT_EQ(lSemicircles(aTrackText[n].dLongitude), aStored[n].lLongitude);
        EXPECT_EQ(lTextTime(aTrackText[n].sTime), aStored[n].lTime);
        EXPECT_EQ(aTrackText[n].fSegmentStart, aStored[n].fNewSegment != 0);
        if (aStored[n].fAltitude > -700.0f) {
            EXPECT_NEAR(std::stod(aTrackText[n].sElevation), aStored[n].fAltitude, 1e-3);
        }
    }
}

TEST(PeerGpsbabelGpx, WeReadItsGpxOfAnOziTrack) {
    ScratchFolder oFolder;
    std::string sExpected = sReadFile(sPeerFile("gpsbabel-ozi-track-latin1.expected.gpx"));
    std::vector<TextPoint> aExpected = aTextPoints(sExpected, "trkpt");
    ASSERT_EQ(aExpected.size(), 44u);
    std::string sTheirs = oFolder.sPath("theirs.gpx");
    vWriteFile(sTheirs, sThroughGpsbabel(oFolder, sPeerFile("gpsbabel-ozi-track-latin1.plt"), "ozi",
                                         "-t", "plt.gpx"));
    // Their reading of the peer file today, and their reference reading of it.
    for (const std::string &sPath :
         {sTheirs, sPeerFile("gpsbabel-ozi-track-latin1.expected.gpx")}) {
        SCOPED_TRACE(sPath);
        Workspace w;
        ASSERT_EQ(iLoadFile(&w, sPath.c_str()), 1);
        std::vector<TrackPoint> a = aTrackPoints(*w.pStore);
        ASSERT_EQ(a.size(), aExpected.size());
        for (size_t n = 0; n < a.size(); ++n) {
            SCOPED_TRACE(n);
            EXPECT_EQ(a[n].lLatitude, lSemicircles(aExpected[n].dLatitude));
            EXPECT_EQ(a[n].lLongitude, lSemicircles(aExpected[n].dLongitude));
            EXPECT_NEAR(a[n].fAltitude, std::stod(aExpected[n].sElevation), 1e-3);
            EXPECT_EQ(a[n].lTime, lTextTime(aExpected[n].sTime));
            EXPECT_EQ(a[n].fNewSegment, n == 0 ? 1 : 0);
        }
    }
}

TEST(PeerGpsbabelGpx, WeReadItsGpxOfAnOverlay) {
    ScratchFolder oFolder;
    std::string sExpected = sReadFile(sPeerFile("gpsbabel-top50-overlay.expected.gpx"));
    std::vector<TextPoint> aRoutePoints = aTextPoints(sExpected, "rtept");
    std::vector<TextPoint> aTextTrackPoints = aTextPoints(sExpected, "trkpt");
    ASSERT_EQ(aRoutePoints.size(), 29u);
    ASSERT_EQ(aTextTrackPoints.size(), 55u);
    std::string sTheirs = oFolder.sPath("theirs.gpx");
    std::string sBabel = sThroughGpsbabel(oFolder, sPeerFile("gpsbabel-top50-overlay.ovl"),
                                          "ggv_ovl", "-r -t -w", "ovl.gpx");
    vWriteFile(sTheirs, sBabel);
    for (const std::string &sPath : {sTheirs, sPeerFile("gpsbabel-top50-overlay.expected.gpx")}) {
        SCOPED_TRACE(sPath);
        Workspace w;
        ASSERT_EQ(iLoadFile(&w, sPath.c_str()), 1);
        ASSERT_EQ(w.pStore->pRoutes.size(), 4u);
        const size_t anPoints[] = {15, 5, 4, 5};
        size_t nNext = 0;
        uint32_t lNumber = 1;
        for (const auto &[lKey, oRoute] : w.pStore->pRoutes) {
            EXPECT_EQ(lKey, lNumber);
            EXPECT_EQ(oRoute.szComment, "Route " + std::to_string(lNumber));
            ASSERT_EQ(oRoute.aszPoints.size(), anPoints[lNumber - 1]);
            for (uint32_t n = 0; n < oRoute.aszPoints.size(); ++n, ++nNext) {
                const TextPoint &t = aRoutePoints[nNext];
                EXPECT_EQ(std::string(oRoute.aszPoints[n]), t.sName);
                const Waypoint *p = pFindWaypoint(&w, oRoute.aszPoints[n]);
                ASSERT_NE(p, nullptr);
                EXPECT_EQ(p->lLatitude, lSemicircles(t.dLatitude));
                EXPECT_EQ(p->lLongitude, lSemicircles(t.dLongitude));
            }
            ++lNumber;
        }
        std::vector<TrackPoint> a = aTrackPoints(*w.pStore);
        ASSERT_EQ(a.size(), aTextTrackPoints.size());
        for (size_t n = 0; n < a.size(); ++n) {
            EXPECT_EQ(a[n].lLatitude, lSemicircles(aTextTrackPoints[n].dLatitude));
            EXPECT_EQ(a[n].lLongitude, lSemicircles(aTextTrackPoints[n].dLongitude));
            EXPECT_EQ(a[n].fNewSegment != 0, aTextTrackPoints[n].fSegmentStart);
        }
    }
}
