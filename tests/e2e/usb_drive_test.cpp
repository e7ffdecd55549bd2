// Units that are USB drives, end to end: /c names the folder a unit is
// mounted at, built here as a tree with a device description of
// tests/e2e/garmin_units/ and the GPX files such a unit writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "files/load_save.h"
#include "link_run.h"
#include "store/workspace.h"
#include "tests/store_points.h"
#include "tests/test_files.h"
#include "transfer_data.h"

namespace {

namespace fs = std::filesystem;
using namespace e2e;

std::string sFixture(const char *pszName) {
    return sReadFile(std::string(QUILLOX_SOURCE_DIR) + "/tests/e2e/garmin_units/" + pszName);
}

std::string sSchemaPath() {
    return sPeerFile("../schemas/gpx-1.1-with-garmin-extensions.xsd");
}

const char *const kszHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" "
                              "xmlns:gpxx=\"http://www.garmin.com/xmlschemas/GpxExtensions/v3\" "
                              "creator=\"eTrex 30\" version=\"1.1\">\n";

std::string sTrack(const char *pszName, const char *pszTime, double dLatitude) {
    return std::string(kszHeader) + "<trk><name>" + pszName + "</name><trkseg><trkpt lat=\"" +
           std::to_string(dLatitude) + "\" lon=\"8.1\"><ele>1200</ele><time>" + pszTime +
           "</time></trkpt></trkseg></trk></gpx>\n";
}

class UsbDrive : public ::testing::Test {
  protected:
    // An eTrex 30 as it comes off the shelf after a walk: saved waypoints and
    // a route in the GPX folder, the current track, one archived track.
    std::string sBuildETrex() {
        const std::string sUnit = oDir.sPath("ETREX");
        fs::create_directories(sUnit + "/Garmin/GPX/Current");
        fs::create_directories(sUnit + "/Garmin/GPX/Archive");
        vWriteFile(sUnit + "/Garmin/GarminDevice.xml", sFixture("etrex30.xml"));
        vWriteFile(sUnit + "/Garmin/GPX/Waypoints_01-JUN-24.gpx",
                   std::string(kszHeader) +
                       "<wpt lat=\"46.55\" lon=\"8.15\"><name>HUT</name><sym>Lodging</sym>"
                       "<extensions><gpxx:WaypointExtension><gpxx:Proximity>50</gpxx:Proximity>"
                       "</gpxx:WaypointExtension></extensions></wpt>\n"
                       "<wpt lat=\"46.56\" lon=\"8.16\"><name>PASS</name></wpt>\n"
                       "<rte><name>UP</name><rtept lat=\"46.57\" lon=\"8.17\"><name>FOOT</name>"
                       "</rtept><rtept lat=\"46.58\" lon=\"8.18\"><name>TOP</name></rtept></rte>"
                       "</gpx>\n");
        vWriteFile(sUnit + "/Garmin/GPX/Current/Current.gpx",
                   sTrack("Current", "2024-06-02T09:00:00Z", 46.6));
        vWriteFile(sUnit + "/Garmin/GPX/Archive/2024-06-01.gpx",
                   sTrack("01-JUN-24", "2024-06-01T08:00:00Z", 46.5));
        return sUnit;
    }

    // A fitness unit in capitals, its description one folder deeper.
    std::string sBuildEdge() {
        const std::string sUnit = oDir.sPath("EDGE");
        const std::string sGarmin = sUnit + "/Internal Storage/GARMIN";
        fs::create_directories(sGarmin + "/ACTIVITY");
        fs::create_directories(sGarmin + "/COURSES");
        fs::create_directories(sGarmin + "/GPX");
        vWriteFile(sGarmin + "/GARMINDEVICE.XML", sFixture("edge.xml"));
        for (const char *psz : {"ACTIVITY/A1.FIT", "ACTIVITY/A2.fit", "ACTIVITY/A3.FIT",
                                "COURSES/C1.FIT", "ACTIVITY/NOTES.TXT"}) {
            vWriteFile(sGarmin + "/" + psz, "not read");
        }
        vWriteFile(sGarmin + "/GPX/RIDE.GPX", sTrack("Ride", "2024-06-03T07:00:00Z", 47.0));
        return sUnit;
    }

    // Windows names the folders below the mount point with backslashes; the
    // expected texts use slashes.
    ProcessResult oRun(std::vector<std::string> asArgs) {
        ProcessResult r = oRunQuillox(std::move(asArgs), oDir.sFolder());
        for (std::string *p : {&r.sOut, &r.sErr}) {
            std::replace(p->begin(), p->end(), '\\', '/');
        }
        return r;
    }

    void vSaveTestSet(const std::string &sName, int iTrackPoints = 40) {
        Workspace w;
        vBuildTestSet(w, 12, iTrackPoints);
        ASSERT_EQ(iSaveFile(&w, oDir.sPath(sName).c_str(), 7), 1);
    }

    TempFolder oDir;
};

TEST_F(UsbDrive, VersionLineOrWhatIsMissing) {
    const std::string sETrex = sBuildETrex();
    const std::string sEdge = sBuildEdge();
    const std::string sGpxOnly = oDir.sPath("GPXONLY");
    fs::create_directories(sGpxOnly + "/garmin/gpx");
    const std::string sEmpty = oDir.sPath("EMPTY");
    fs::create_directories(sEmpty + "/Garmin");
    const std::string sBroken = oDir.sPath("BROKEN");
    fs::create_directories(sBroken + "/Garmin");
    std::string sXml = sFixture("etrex30.xml");
    sXml.replace(sXml.find("</Description>"), 14, "</Descr>");
    vWriteFile(sBroken + "/Garmin/GarminDevice.xml", sXml);

    struct Case {
        std::string sUnit;
        int iStatus;
        std::string sOut; // the line of /v
        std::string sErr;
    };
    const std::vector<Case> aCases = {
        {sETrex, 0,
         "Garmin USB drive: eTrex 30, part number 006-B1305-00, software 4.90, unit ID 3800012345",
         ""},
        {sEdge, 0,
         "Garmin USB drive: Edge Touring, part number 006-B2530-00, software 10.20, unit ID "
         "3900054321",
         ""},
        {sGpxOnly, 0, "Garmin USB drive: no GarminDevice.xml", ""},
        {sEmpty, 1, "",
         "quillox: '" + sEmpty +
             "' is not a Garmin unit: it holds neither Garmin/GarminDevice.xml nor Garmin/GPX\n"},
        {sBroken, 1, "",
         "quillox: '" + sBroken + "/Garmin/GarminDevice.xml' line 6: mismatched tag\n"},
    };
    for (const Case &c : aCases) {
        SCOPED_TRACE(c.sUnit);
        ProcessResult r = oRun({"/c", c.sUnit, "/v"});
        EXPECT_EQ(r.iExitStatus, c.iStatus);
        EXPECT_EQ(r.sErr, c.sErr);
        if (!c.sOut.empty()) {
            EXPECT_NE(r.sOut.find("\n" + c.sOut + "\n"), std::string::npos) << r.sOut;
        }
    }
}

TEST_F(UsbDrive, DownloadReadsEveryFileTheUnitWroteWithTheKindsAsked) {
    const std::string sUnit = sBuildETrex();
    ProcessResult r = oRun({"/c", sUnit, "/d", "all.vkd"});
    ASSERT_EQ(r.iExitStatus, 0) << r.sErr;
    // In the order of the description, by name within a folder.
    const std::string sGpx = sUnit + "/Garmin/GPX/";
    EXPECT_NE(r.sOut.find("Download data from " + sGpx +
                          "Waypoints_01-JUN-24.gpx\n"
                          "Download data from " +
                          sGpx +
                          "Current/Current.gpx\n"
                          "Download data from " +
                          sGpx +
                          "Archive/2024-06-01.gpx\n"
                          "Save data to all.vkd\n"),
              std::string::npos)
        << r.sOut;

    struct Case {
        const char *pszSwitch;
        size_t nWaypoints, nRoutes, nTrackPoints;
    };
    for (const Case &c : {Case{"/d", 4, 1, 2}, Case{"/dw", 4, 0, 0}, Case{"/dp", 1, 0, 0},
                          Case{"/dr", 2, 1, 0}, Case{"/dt", 0, 0, 2}}) {
        SCOPED_TRACE(c.pszSwitch);
        const std::string sFile = std::string(c.pszSwitch + 1) + ".vkd";
        r = oRun({"/c", sUnit, c.pszSwitch, sFile});
        ASSERT_EQ(r.iExitStatus, 0) << r.sErr;
        Workspace w;
        ASSERT_EQ(iLoadFile(&w, oDir.sPath(sFile).c_str()), 1);
        EXPECT_EQ(w.pStore->pWaypoints.size(), c.nWaypoints);
        EXPECT_EQ(w.pStore->pRoutes.size(), c.nRoutes);
        EXPECT_EQ(aTrackPoints(*w.pStore).size(), c.nTrackPoints);
    }
}

TEST_F(UsbDrive, FitFilesAreCountedNotPassedOver) {
    ProcessResult r = oRun({"/c", sBuildEdge(), "/d", "ride.vkd"});
    ASSERT_EQ(r.iExitStatus, 0) << r.sErr;
    EXPECT_NE(r.sOut.find("3 FIT activity files, 1 FIT course file are not read yet\n"),
              std::string::npos)
        << r.sOut;
    Workspace w;
    ASSERT_EQ(iLoadFile(&w, oDir.sPath("ride.vkd").c_str()), 1);
    EXPECT_EQ(aTrackPoints(*w.pStore).size(), 1u);
}

TEST_F(UsbDrive, AFileThatFailsFailsTheDownloadAndTheDataFileKeepsItsContent) {
    const std::string sUnit = sBuildETrex();
    const std::string sCurrent = sUnit + "/Garmin/GPX/Current/Current.gpx";
    const std::string sTrack = sReadFile(sCurrent);
    vWriteFile(sCurrent, sTrack.substr(0, sTrack.size() / 2)); // unplugged while writing
    vSaveTestSet("tour.vkd");
    const std::string sBefore = sReadFile(oDir.sPath("tour.vkd"));

    ProcessResult r = oRun({"/c", sUnit, "/d", "tour.vkd", "/e", "tour.vkd", "tour.gpx"});
    EXPECT_EQ(r.iExitStatus, 1);
    EXPECT_NE(r.sErr.find(sCurrent), std::string::npos) << r.sErr;
    EXPECT_NE(r.sErr.find("quillox: 'tour.vkd' not saved: the download from the unit failed; "
                          "the file keeps its previous content\n"),
              std::string::npos)
        << r.sErr;
    EXPECT_EQ(sReadFile(oDir.sPath("tour.vkd")), sBefore);
    // The other files still loaded: the new export holds their waypoints.
    EXPECT_NE(sReadFile(oDir.sPath("tour.gpx")).find("<name>PASS</name>"), std::string::npos);
}

TEST_F(UsbDrive, UploadWritesANewValidFileNeverOverAnother) {
    const std::string sUnit = sBuildETrex();
    const std::string sGpx = sUnit + "/Garmin/GPX/";
    vWriteFile(sGpx + "TOUR.GPX", "the user's own"); // FAT knows no case
    vSaveTestSet("tour.vkd");
    for (const char *pszName : {"tour-2.gpx", "tour-3.gpx"}) {
        ProcessResult r = oRun({"/c", sUnit, "/u", "tour.vkd"});
        ASSERT_EQ(r.iExitStatus, 0) << r.sErr;
        EXPECT_NE(r.sOut.find("Written to " + sGpx + pszName +
                              ": eject the unit to see the data on it\n"),
                  std::string::npos)
            << r.sOut;
        const std::string sGpxFile = sReadFile(sGpx + pszName);
        EXPECT_NE(sGpxFile.find("<metadata>\r\n    <time>"), std::string::npos);
        EXPECT_NE(sGpxFile.find("<rtept"), std::string::npos);
        std::string sCommand = "xmllint --noout --schema " + sSchemaPath() + " " + sGpx + pszName +
                               " 2>" + oDir.sPath("xmllint.err");
        EXPECT_EQ(std::system(sCommand.c_str()), 0) << sReadFile(oDir.sPath("xmllint.err"));
    }
    EXPECT_EQ(sReadFile(sGpx + "TOUR.GPX"), "the user's own");
    size_t nEntries = 0;
    for (const auto &o : fs::directory_iterator(sGpx)) {
        nEntries += o.is_regular_file() ? 1 : 0; // no temporary file stays
    }
    EXPECT_EQ(nEntries, 4u);

    // What went up comes down again; /uw sends the waypoints alone.
    ProcessResult r = oRun({"/c", sUnit, "/uw", "tour.vkd"});
    ASSERT_EQ(r.iExitStatus, 0) << r.sErr;
    EXPECT_EQ(sReadFile(sGpx + "tour-4.gpx").find("<trk>"), std::string::npos);
    r = oRun({"/c", sUnit, "/d", "back.vkd"});
    ASSERT_EQ(r.iExitStatus, 1) << "the user's TOUR.GPX is no GPX file";
    Workspace w;
    ASSERT_EQ(iLoadFile(&w, oDir.sPath("back.vkd").c_str()), 1);
    EXPECT_EQ(w.pStore->pWaypoints.size(), 12u + 4u);
    EXPECT_EQ(aTrackPoints(*w.pStore).size(), 40u * 2u + 2u);
    EXPECT_EQ(w.pStore->pRoutes.size(), 2u * 2u + 1u) << "no file's route replaces another's";
    // Each file's tracks stay tracks of their own (two uploads, two archived
    // tracks of one point), in the order of the files.
    std::string sTracks;
    for (const Track &o : w.pStore->aTracks) {
        sTracks += std::to_string(o.aPoints.size()) + " ";
    }
    EXPECT_EQ(sTracks, "40 40 1 1 ");
}

TEST_F(UsbDrive, UploadGoesWhereTheDescriptionSaysEvenWhenTheFolderIsMissing) {
    const std::string sUnit = sBuildEdge();
    vSaveTestSet("tour.vkd");
    ProcessResult r = oRun({"/c", sUnit, "/ut", "tour.vkd"});
    ASSERT_EQ(r.iExitStatus, 0) << r.sErr;
    EXPECT_TRUE(fs::exists(sUnit + "/Internal Storage/GARMIN/NEWFILES/tour.gpx"));
}

// A private mount namespace lets root make a read-only or a full unit without
// touching the machine's mounts.
TEST_F(UsbDrive, AReadOnlyOrFullUnitFailsTheUploadAndKeepsNothing) {
    if (geteuid() != 0 || access("/usr/bin/unshare", X_OK) != 0 || iProgramHasRunner()) {
        GTEST_SKIP() << "needs root and unshare to mount a read-only or a full unit";
    }
    const std::string sUnit = sBuildETrex();
    vSaveTestSet("tour.vkd", 20000); // far more than 64 KiB of GPX
    const std::string sMount = oDir.sPath("MOUNTED");
    fs::create_directories(sMount);
    struct Case {
        const char *pszMount;
        const char *pszReason;
    };
    for (const Case &c :
         {Case{"mount --bind \"$1\" \"$2\" && mount -o remount,bind,ro \"$2\"",
               "Read-only file system"},
          Case{"mount -t tmpfs -o size=64k tmpfs \"$2\" && cp -r \"$1\"/Garmin \"$2\"/",
               "No space left on device"}}) {
        SCOPED_TRACE(c.pszReason);
        const std::string sScript = std::string(c.pszMount) +
                                    " || exit 99; \"$3\" /c \"$2\" /u tour.vkd 2>stderr; "
                                    "echo $? >status; ls -A \"$2\"/Garmin/GPX >listing";
        ProcessResult r = oRunProcess({"/usr/bin/unshare", "-m", "--propagation", "private",
                                       "/bin/sh", "-c", sScript, "sh", sUnit, sMount, QUILLOX_EXE},
                                      60.0, oDir.sFolder());
        ASSERT_EQ(r.iExitStatus, 0) << r.sErr;
        EXPECT_EQ(sReadFile(oDir.sPath("status")), "1\n");
        EXPECT_NE(sReadFile(oDir.sPath("stderr")).find(c.pszReason), std::string::npos)
            << sReadFile(oDir.sPath("stderr"));
        EXPECT_EQ(sReadFile(oDir.sPath("listing")), "Archive\nCurrent\nWaypoints_01-JUN-24.gpx\n");
    }
}

} // namespace
