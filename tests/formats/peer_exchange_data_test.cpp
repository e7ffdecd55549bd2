// Files other programs wrote, read in place: an Ozi track with Latin-1 names
// and a count line that does not match its points, an Ozi waypoint file, and a
// TOP50 overlay with nine symbols.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <string>
#include <vector>

#include "exchange_test_support.h"
#include "files/load_save.h"
#include "formats/overlay.h"
#include "formats/ozi.h"
#include "store/workspace.h"
#include "tests/store_points.h"

using namespace exchange_test;

namespace {

std::string sPeer(const char *pszName) {
    return sPeerFile(pszName);
}

struct GpxPoint {
    double dLatitude;
    double dLongitude;
    double dElevation;
    std::string sTime;
};

// The track points of a GPX file GPSBabel wrote, one element per point.
std::vector<GpxPoint> aGpxTrackPoints(const std::string &sGpx) {
    std::vector<GpxPoint> aPoints;
    std::regex oPoint("<trkpt lat=\"([-0-9.]+)\" lon=\"([-0-9.]+)\"(/?)>"
                      "(\\s*<ele>([-0-9.]+)</ele>)?(\\s*<time>([^<]+)</time>)?");
    for (std::sregex_iterator it(sGpx.begin(), sGpx.end(), oPoint), end; it != end; ++it) {
        const std::smatch &m = *it;
        aPoints.push_back({std::stod(m[1]), std::stod(m[2]), m[5].matched ? std::stod(m[5]) : 0.0,
                           m[7].matched ? m[7].str() : std::string()});
    }
    return aPoints;
}

// Receiver seconds of an ISO time "2007-08-13T07:52:19.328Z", to the second.
double dDeviceTime(const std::string &sIso) {
    int iYear, iMonth, iDay, iHour, iMinute;
    double dSecond;
    if (std::sscanf(sIso.c_str(), "%d-%d-%dT%d:%d:%lfZ", &iYear, &iMonth, &iDay, &iHour, &iMinute,
                    &dSecond) != 6) {
        return -1;
    }
    // Days from 31 December 1989 by the proleptic Gregorian calendar.
    auto lDays = [](int y, int m, int d) {
        y -= m <= 2;
        long era = y / 400;
        long yoe = y - era * 400;
        long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
        long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        return era * 146097 + doe;
    };
    long lDay = lDays(iYear, iMonth, iDay) - lDays(1989, 12, 31);
    return lDay * 86400.0 + iHour * 3600 + iMinute * 60 + dSecond;
}

} // namespace

TEST(PeerOziTrack, Latin1TrackReadsAllPointsDespiteItsCountLine) {
    Workspace w;
    std::string sPath = sPeer("gpsbabel-ozi-track-latin1.plt");
    ASSERT_EQ(iLoadFile(&w, sPath.c_str()), 1);
    std::vector<TrackPoint> aPoints = aTrackPoints(*w.pStore);
    // The count line says 2390; the file holds 44 points, and all of them count.
    ASSERT_EQ(aPoints.size(), 44u);
    std::vector<GpxPoint> aExpected =
        aGpxTrackPoints(sReadFile(sPeer("gpsbabel-ozi-track-latin1.expected.gpx")));
    ASSERT_EQ(aExpected.size(), 44u);
    for (size_t k = 0; k < aPoints.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(aPoints[k].lLatitude * kSemicircleDegrees, aExpected[k].dLatitude, 1e-6);
        EXPECT_NEAR(aPoints[k].lLongitude * kSemicircleDegrees, aExpected[k].dLongitude, 1e-6);
        EXPECT_NEAR(aPoints[k].fAltitude, aExpected[k].dElevation, 2e-3);
        // The day count has seven decimals; GPSBabel adds a fraction of a second.
        EXPECT_NEAR(aPoints[k].lTime, dDeviceTime(aExpected[k].sTime), 1.0);
        EXPECT_EQ(aPoints[k].fNewSegment, 0);
    }
    // First line of the file: 47.466222, 3.747318, 1258.8 feet, 13 August 2007 07:52:19.
    EXPECT_NEAR(aPoints[0].fAltitude, 1258.8 * 0.3048, 1e-3);
    EXPECT_NEAR(aPoints[0].lTime, dDeviceTime("2007-08-13T07:52:19Z"), 1.0);
}

TEST(PeerOziWaypoints, GeocacheWaypointsWithTheirDescriptions) {
    Workspace w;
    std::string sPath = sPeer("gpsbabel-ozi-waypoints.wpt");
    // The extension is not ours, so the reader is called directly.
    ASSERT_EQ(iImportOziWaypoints(&w, sPath.c_str()), 1);
    ASSERT_EQ(w.pStore->pWaypoints.size(), 9u);
    const Waypoint *p = pFindWaypoint(&w, "GCEBB");
    ASSERT_NE(p, nullptr);
    EXPECT_NEAR(p->lLatitude * kSemicircleDegrees, 35.972033, 1e-6);
    EXPECT_NEAR(p->lLongitude * kSemicircleDegrees, -87.134700, 1e-6);
    EXPECT_STREQ(p->szComment, "Mountain Bike Heaven by susy1313");
    EXPECT_EQ(p->sSymbol, 0);
    EXPECT_EQ(p->fAltitude, 0.0f);
    EXPECT_EQ(p->fProximity, 0.0f);
    p = pFindWaypoint(&w, "GC317D");
    ASSERT_NE(p, nullptr);
    EXPECT_NEAR(p->lLatitude * kSemicircleDegrees, 36.082800, 1e-6);
    EXPECT_STREQ(p->szComment, "Inlighting by JoGPS / Warner Parks");
}

TEST(PeerOverlay, NineSymbolsGiveFourSegmentsAndOneLabel) {
    Workspace w;
    std::string sPath = sPeer("gpsbabel-top50-overlay.ovl");
    ASSERT_EQ(iLoadFile(&w, sPath.c_str()), 1);
    // Only the label (symbol 3) is a waypoint; the rectangle (5) and the
    // polygons (4) carry on the polyline before them.
    ASSERT_EQ(w.pStore->pWaypoints.size(), 1u);
    const Waypoint *p = pFindWaypoint(&w, "SYM003");
    ASSERT_NE(p, nullptr);
    EXPECT_NEAR(p->lLatitude * kSemicircleDegrees, 51.80532805, 1e-7);
    std::vector<TrackPoint> aPoints = aTrackPoints(*w.pStore);
    ASSERT_EQ(aPoints.size(), 85u);
    std::vector<size_t> aStarts;
    for (size_t k = 0; k < aPoints.size(); ++k) {
        if (aPoints[k].fNewSegment) {
            aStarts.push_back(k);
        }
    }
    EXPECT_EQ(aStarts, (std::vector<size_t>{0, 38, 50, 70}));
    // The first polyline is GPSBabel's "Track 1", point for point.
    std::vector<GpxPoint> aExpected =
        aGpxTrackPoints(sReadFile(sPeer("gpsbabel-top50-overlay.expected.gpx")));
    ASSERT_GE(aExpected.size(), 37u);
    for (size_t k = 0; k < 37; ++k) {
        EXPECT_NEAR(aPoints[k].lLatitude * kSemicircleDegrees, aExpected[k].dLatitude, 1e-7);
        EXPECT_NEAR(aPoints[k].lLongitude * kSemicircleDegrees, aExpected[k].dLongitude, 1e-7);
    }
}
