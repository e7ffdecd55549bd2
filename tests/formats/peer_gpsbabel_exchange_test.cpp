// GPSBabel as the other side: it reads the OziExplorer, NMEA and KML files the
// program writes, and the program reads the OziExplorer files it writes.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "exchange_test_support.h"
#include "files/file_types.h"
#include "files/load_save.h"
#include "formats/ozi.h"
#include "store/workspace.h"
#include "tests/store_points.h"

using namespace exchange_test;

namespace {

// One row of GPSBabel's unicsv output, by column name.
using CsvRow = std::map<std::string, std::string>;

std::vector<std::string> aCsvFields(const std::string &sLine) {
    std::vector<std::string> aFields(1);
    bool fQuoted = false;
    for (char c : sLine) {
        if (c == '"') {
            fQuoted = !fQuoted;
        } else if (c == ',' && !fQuoted) {
            aFields.emplace_back();
        } else {
            aFields.back() += c;
        }
    }
    return aFields;
}

std::vector<CsvRow> aReadUnicsv(const std::string &sPath) {
    std::vector<std::string> aText = aLines(sReadFile(sPath));
    std::vector<CsvRow> aRows;
    if (aText.empty()) {
        return aRows;
    }
    std::vector<std::string> aNames = aCsvFields(aText[0]);
    for (size_t k = 1; k < aText.size(); ++k) {
        if (aText[k].empty()) {
            continue;
        }
        std::vector<std::string> aValues = aCsvFields(aText[k]);
        CsvRow oRow;
        for (size_t n = 0; n < aNames.size() && n < aValues.size(); ++n) {
            oRow[aNames[n]] = aValues[n];
        }
        aRows.push_back(oRow);
    }
    return aRows;
}

double dField(const CsvRow &oRow, const char *pszName) {
    auto it = oRow.find(pszName);
    return it != oRow.end() && !it->second.empty() ? std::stod(it->second) : NAN;
}

std::string sField(const CsvRow &oRow, const char *pszName) {
    auto it = oRow.find(pszName);
    return it != oRow.end() ? it->second : std::string();
}

// Receiver seconds of unicsv's "2004/08/07" and "03:29:08.379".
double dDeviceTime(const std::string &sDate, const std::string &sTime) {
    int iYear, iMonth, iDay, iHour, iMinute;
    double dSecond;
    if (std::sscanf(sDate.c_str(), "%d/%d/%d", &iYear, &iMonth, &iDay) != 3 ||
        std::sscanf(sTime.c_str(), "%d:%d:%lf", &iHour, &iMinute, &dSecond) != 3) {
        return -1;
    }
    auto lDays = [](int y, int m, int d) {
        y -= m <= 2;
        long era = y / 400;
        long yoe = y - era * 400;
        long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
        return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy;
    };
    return (lDays(iYear, iMonth, iDay) - lDays(1989, 12, 31)) * 86400.0 + iHour * 3600 +
           iMinute * 60 + dSecond;
}

Waypoint oWaypoint(const char *pszName, double dLatitude, double dLongitude, float fAltitude,
                   float fProximity) {
    Waypoint o = oEmptyWaypoint();
    std::snprintf(o.szName, sizeof(o.szName), "%s", pszName);
    std::snprintf(o.szComment, sizeof(o.szComment), "comment of %s", pszName);
    o.lLatitude = lSemi(dLatitude);
    o.lLongitude = lSemi(dLongitude);
    o.fAltitude = fAltitude;
    o.fProximity = fProximity;
    o.sSymbol = 18;
    return o;
}

// A track of the 2000s with two segments, fractional positions in every
// quadrant and altitudes with and without a value.
void vAddTestTrack(Workspace &w, int nPoints) {
    int32_t lStart = 5333 * 86400 + 14 * 3600; // 7 August 2004 14:00:00
    for (int k = 0; k < nPoints; ++k) {
        double dLatitude = (k % 2 ? -1 : 1) * (10.0 + k * 0.0123457);
        double dLongitude = (k % 3 ? -1 : 1) * (100.0 + k * 0.0345679);
        float fAltitude = k % 5 == 4 ? 0.0f : 100.0f + 37.5f * static_cast<float>(k);
        iAddTrackPoint(&w,
                       oPoint(dLatitude, dLongitude, lStart + 17 * k, fAltitude, k == 0 || k == 6));
    }
}

} // namespace

TEST(PeerGpsbabelOzi, ReadsOurWaypointFile) {
    ScratchFolder oFolder;
    Workspace w;
    Waypoint a = oWaypoint("ALPHA", 48.5, -9.25, 1000.0f, 99.6f);
    Waypoint b = oWaypoint("BRAVO", -33.8765432, 151.2345678, -777.0f, 0.0f);
    Waypoint c = oWaypoint("CHARLIE", 0.0000005, -0.0000004, -12.0f, 2500.0f);
    iAddWaypoint(&w, a);
    iAddWaypoint(&w, b);
    iAddWaypoint(&w, c);
    std::string sOzi = oFolder.sPath("w.ozi");
    ASSERT_EQ(iSaveFile(&w, sOzi.c_str(), 7), 1);
    // GPSBabel takes the proximity field for miles unless told otherwise.
    ASSERT_TRUE(fRunGpsbabel(oFolder, "-i ozi,proxunit=k -f " + sOzi + " -o unicsv -F " +
                                          oFolder.sPath("w.csv")));
    std::vector<CsvRow> aRows = aReadUnicsv(oFolder.sPath("w.csv"));
    ASSERT_EQ(aRows.size(), 3u);
    const Waypoint *apStored[] = {&a, &b, &c};
    for (size_t k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const Waypoint &o = *apStored[k];
        EXPECT_EQ(sField(aRows[k], "Name"), o.szName);
        EXPECT_EQ(sField(aRows[k], "Description"), o.szComment);
        EXPECT_NEAR(dField(aRows[k], "Latitude"), o.lLatitude * kSemicircleDegrees, 5.1e-7);
        EXPECT_NEAR(dField(aRows[k], "Longitude"), o.lLongitude * kSemicircleDegrees, 5.1e-7);
        EXPECT_NEAR(dField(aRows[k], "Proximity") / 1000.0, std::floor(o.fProximity + 0.5), 1e-6);
    }
    // Feet to metres; -777 is "no altitude" to GPSBabel as to us.
    EXPECT_NEAR(dField(aRows[0], "Altitude"), 3281 * 0.3048, 0.06);
    EXPECT_TRUE(std::isnan(dField(aRows[1], "Altitude")));
    // -12 m is -39.4 feet; one half added and truncated toward zero gives -38.
    EXPECT_NEAR(dField(aRows[2], "Altitude"), -38 * 0.3048, 0.06);
}

TEST(PeerGpsbabelOzi, ReadsOurTrackFile) {
    ScratchFolder oFolder;
    Workspace w;
    vAddTestTrack(w, 40);
    std::string sPlt = oFolder.sPath("t.plt");
    ASSERT_EQ(iSaveFile(&w, sPlt.c_str(), 7), 1);
    ASSERT_TRUE(
        fRunGpsbabel(oFolder, "-t -i ozi -f " + sPlt + " -o unicsv -F " + oFolder.sPath("t.csv")));
    std::vector<CsvRow> aRows = aReadUnicsv(oFolder.sPath("t.csv"));
    std::vector<TrackPoint> aPoints = aTrackPoints(*w.pStore);
    ASSERT_EQ(aRows.size(), aPoints.size());
    for (size_t k = 0; k < aPoints.size(); ++k) {
        SCOPED_TRACE(k);
        const TrackPoint &o = aPoints[k];
        EXPECT_NEAR(dField(aRows[k], "Latitude"), o.lLatitude * kSemicircleDegrees, 5.1e-7);
        EXPECT_NEAR(dField(aRows[k], "Longitude"), o.lLongitude * kSemicircleDegrees, 5.1e-7);
        // Sea level and below are heights too; only "no altitude" is -777.
        if (fHasAltitude(o.fAltitude)) {
            EXPECT_NEAR(dField(aRows[k], "Altitude"),
                        std::trunc(o.fAltitude / 0.3048 + 0.5) * 0.3048, 0.06);
        } else {
            EXPECT_TRUE(std::isnan(dField(aRows[k], "Altitude")));
        }
        EXPECT_NEAR(dDeviceTime(sField(aRows[k], "Date"), sField(aRows[k], "Time")), o.lTime, 1.0);
    }
}

TEST(PeerGpsbabelOzi, OurReadersTakeWhatGpsbabelWrites) {
    ScratchFolder oFolder;
    vWriteFile(
        oFolder.sPath("in.gpx"),
        "<?xml version=\"1.0\"?>\n"
        "<gpx version=\"1.1\" creator=\"test\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
        "<wpt lat=\"48.123456\" lon=\"-9.654321\"><ele>512.4</ele><name>ONE</name>"
        "<desc>first</desc></wpt>\n"
        "<wpt lat=\"-0.5\" lon=\"179.999999\"><name>TWO</name></wpt>\n"
        "<trk><name>T</name><trkseg>\n"
        "<trkpt lat=\"48.5\" lon=\"9.25\"><ele>100</ele><time>2004-08-07T14:05:00Z</time></trkpt>\n"
        "<trkpt lat=\"48.51\" "
        "lon=\"9.26\"><ele>110.5</ele><time>2004-08-07T14:05:10Z</time></trkpt>\n"
        "<trkpt lat=\"-48.52\" "
        "lon=\"-9.27\"><ele>120</ele><time>2004-08-07T14:05:20Z</time></trkpt>\n"
        "</trkseg></trk></gpx>\n");
    ASSERT_TRUE(fRunGpsbabel(oFolder, "-w -i gpx -f " + oFolder.sPath("in.gpx") + " -o ozi -F " +
                                          oFolder.sPath("g.wpt")));
    ASSERT_TRUE(fRunGpsbabel(oFolder, "-t -i gpx -f " + oFolder.sPath("in.gpx") +
                                          " -o ozi,pack -F " + oFolder.sPath("g.plt")));
    Workspace w;
    ASSERT_EQ(iImportOziWaypoints(&w, oFolder.sPath("g.wpt").c_str()), 1);
    ASSERT_EQ(iLoadFile(&w, oFolder.sPath("g.plt").c_str()), 1);
    ASSERT_EQ(w.pStore->pWaypoints.size(), 2u);
    const Waypoint *p = pFindWaypoint(&w, "ONE");
    ASSERT_NE(p, nullptr);
    EXPECT_NEAR(p->lLatitude * kSemicircleDegrees, 48.123456, 1e-6);
    EXPECT_NEAR(p->lLongitude * kSemicircleDegrees, -9.654321, 1e-6);
    EXPECT_NEAR(p->fAltitude, 512.4, 0.2);
    p = pFindWaypoint(&w, "TWO");
    ASSERT_NE(p, nullptr);
    EXPECT_NEAR(p->lLatitude * kSemicircleDegrees, -0.5, 1e-6);
    EXPECT_NEAR(p->lLongitude * kSemicircleDegrees, 179.999999, 1e-6);

    std::vector<TrackPoint> aPoints = aTrackPoints(*w.pStore);
    ASSERT_EQ(aPoints.size(), 3u);
    const double adLatitudes[] = {48.5, 48.51, -48.52};
    const double adLongitudes[] = {9.25, 9.26, -9.27};
    const double adAltitudes[] = {100, 110.5, 120};
    int32_t lStart = 5333 * 86400 + 14 * 3600 + 5 * 60;
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_NEAR(aPoints[k].lLatitude * kSemicircleDegrees, adLatitudes[k], 1e-6);
        EXPECT_NEAR(aPoints[k].lLongitude * kSemicircleDegrees, adLongitudes[k], 1e-6);
        EXPECT_NEAR(aPoints[k].fAltitude, adAltitudes[k], 0.05);
        EXPECT_NEAR(aPoints[k].lTime, lStart + 10 * static_cast<int32_t>(k), 1);
    }
    EXPECT_EQ(aPoints[0].fNewSegment, 1);
}

TEST(PeerGpsbabelNmea, ReadsOurSentences) {
    ScratchFolder oFolder;
    Workspace w;
    vAddTestTrack(w, 30);
    std::string sNme = oFolder.sPath("t.nme");
    ASSERT_EQ(iSaveFile(&w, sNme.c_str(), 7), 1);
    ASSERT_TRUE(
        fRunGpsbabel(oFolder, "-t -i nmea -f " + sNme + " -o unicsv -F " + oFolder.sPath("t.csv")));
    // GPSBabel warns on standard error about every sentence whose checksum is wrong.
    EXPECT_EQ(sReadFile(oFolder.sPath("gpsbabel.err")), "");
    std::vector<CsvRow> aRows = aReadUnicsv(oFolder.sPath("t.csv"));
    std::vector<TrackPoint> aPoints = aTrackPoints(*w.pStore);
    ASSERT_EQ(aRows.size(), aPoints.size());
    for (size_t k = 0; k < aPoints.size(); ++k) {
        SCOPED_TRACE(k);
        // Minutes with two decimals: a hundredth of a minute is 1/6000 degree.
        EXPECT_NEAR(dField(aRows[k], "Latitude"), aPoints[k].lLatitude * kSemicircleDegrees, 1e-4);
        EXPECT_NEAR(dField(aRows[k], "Longitude"), aPoints[k].lLongitude * kSemicircleDegrees,
                    1e-4);
        EXPECT_NEAR(dDeviceTime(sField(aRows[k], "Date"), sField(aRows[k], "Time")),
                    aPoints[k].lTime, 0.5);
    }
}

TEST(PeerGpsbabelNmea, ReceiverLogReplayedThroughOurFileKeepsItsPoints) {
    // GPSBabel turns a receiver's NMEA log into an Ozi track, we read that,
    // write it as NMEA again, and GPSBabel reads our sentences back.
    ScratchFolder oFolder;
    std::string sLog = sPeerFile("gpsbabel-nmea-log.nmea");
    ASSERT_TRUE(fRunGpsbabel(oFolder, "-t -i nmea -f " + sLog + " -o unicsv -F " +
                                          oFolder.sPath("log.csv")));
    ASSERT_TRUE(fRunGpsbabel(oFolder, "-t -i nmea -f " + sLog + " -o ozi,pack -F " +
                                          oFolder.sPath("log.plt")));
    Workspace w;
    ASSERT_EQ(iLoadFile(&w, oFolder.sPath("log.plt").c_str()), 1);
    std::vector<CsvRow> aLog = aReadUnicsv(oFolder.sPath("log.csv"));
    ASSERT_EQ(aTrackPoints(*w.pStore).size(), aLog.size());
    ASSERT_GT(aLog.size(), 100u);
    std::string sNme = oFolder.sPath("again.nme");
    ASSERT_EQ(iSaveFile(&w, sNme.c_str(), 7), 1);
    ASSERT_TRUE(fRunGpsbabel(oFolder, "-t -i nmea -f " + sNme + " -o unicsv -F " +
                                          oFolder.sPath("again.csv")));
    std::vector<CsvRow> aAgain = aReadUnicsv(oFolder.sPath("again.csv"));
    ASSERT_EQ(aAgain.size(), aLog.size());
    for (size_t k = 0; k < aLog.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(dField(aAgain[k], "Latitude"), dField(aLog[k], "Latitude"), 1e-4);
        EXPECT_NEAR(dField(aAgain[k], "Longitude"), dField(aLog[k], "Longitude"), 1e-4);
        EXPECT_EQ(sField(aAgain[k], "Date"), sField(aLog[k], "Date"));
        EXPECT_NEAR(dDeviceTime(sField(aAgain[k], "Date"), sField(aAgain[k], "Time")),
                    dDeviceTime(sField(aLog[k], "Date"), sField(aLog[k], "Time")), 1.0);
    }
}

TEST(PeerGpsbabelKml, OurFileIsXmlAndItsCoordinatesRead) {
    ScratchFolder oFolder;
    Workspace w;
    vAddTestTrack(w, 25);
    std::string sKml = oFolder.sPath("t.kml");
    ASSERT_EQ(iSaveFile(&w, sKml.c_str(), 7), 1);
    std::string sLint = "timeout 60 xmllint --noout " + sKml + " 2>" + oFolder.sPath("lint.err");
    EXPECT_EQ(std::system(sLint.c_str()), 0) << sReadFile(oFolder.sPath("lint.err"));
    ASSERT_TRUE(
        fRunGpsbabel(oFolder, "-t -i kml -f " + sKml + " -o unicsv -F " + oFolder.sPath("t.csv")));
    std::vector<CsvRow> aRows = aReadUnicsv(oFolder.sPath("t.csv"));
    std::vector<TrackPoint> aPoints = aTrackPoints(*w.pStore);
    ASSERT_EQ(aRows.size(), aPoints.size());
    for (size_t k = 0; k < aPoints.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(dField(aRows[k], "Latitude"), aPoints[k].lLatitude * kSemicircleDegrees,
                    5.1e-7);
        EXPECT_NEAR(dField(aRows[k], "Longitude"), aPoints[k].lLongitude * kSemicircleDegrees,
                    5.1e-7);
        EXPECT_NEAR(dField(aRows[k], "Altitude"), std::floor(aPoints[k].fAltitude + 0.5), 1e-6);
    }
}
