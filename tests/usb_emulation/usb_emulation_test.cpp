// The program over USB from end to end: the real libusb backend finds, opens
// and claims an emulated Garmin unit (umockdev) and moves real URBs on its
// interrupt, bulk IN and bulk OUT endpoints. What the unit says and what it
// must receive comes from a conversation, turned into umockdev's script by
// usb_conversation.cpp; every run is checked for an exact replay.
//
// Not covered, as the emulation cannot show it: read and write time-outs
// (every URB completes at once, nothing stays pending), detaching and
// reattaching the kernel driver garmin_gps (none is bound), and the endpoint
// layout of a real unit (the emulated one is plausible, not recorded).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "files/load_save.h"
#include "formats/nmea_export.h"
#include "garmin_messages.h"
#include "store/workspace.h"
#include "tests/store_points.h"
#include "umockdev_run.h"

namespace {

using namespace usbemu;

constexpr uint32_t kUnitId = 0x0012D687;
constexpr int kProductId = 695;
constexpr int kVersion = 330;
const char *const kszDescription = "EMULATED UNIT Software Version 3.30";
const char *const kszCapabilities = "P000 L001 A010 A100 D108 A200 D201 D108 A301 D310 D301";

// The unit's side of opening the link and identifying it: the session, the
// product data and capability array queued on the bulk pipe, then the date
// and time the program asks for.
void vOpenAndIdentify(UsbConversation &o, const std::string &sCapabilities) {
    o.vHostSends(aStartSession(), "start session");
    o.vUnitSends(aSessionStarted(kUnitId), Pipe::kInterrupt, "session started");
    o.vHostSends(aProductRequest(), "product request");
    o.vUnitSends(aProductData(kProductId, kVersion, kszDescription), Pipe::kBulk, "product data");
    o.vHostSends(aCommand(kCmdTime), "time command");
    o.vUnitSends(aCapabilities(sCapabilities), Pipe::kBulk, "capability array");
    o.vUnitSends(aDateTime(2024, 6, 1, 8, 30, 0), Pipe::kBulk, "date and time");
    o.vBulkQueueRunsEmpty();
}

class UsbEmulation : public ::testing::Test {
  protected:
    void SetUp() override {
#ifndef QUILLOX_HAVE_LIBUSB
        GTEST_SKIP() << "USB support is not built in (libusb-1.0 was not found at build time)";
#endif
        if (sFindUmockdevRun().empty()) {
            GTEST_SKIP() << "umockdev-run not found: install the Debian package umockdev "
                            "(scripts/install-deps test does) to run the USB emulation tests";
        }
    }

    EmulatedRun oRun(const UsbConversation &o, const std::vector<std::string> &asArgs) {
        EmulatedRunOptions oOptions;
        oOptions.sDevices = sDevicePath("garmin-usb-unit.umockdev");
        oOptions.sScript = o.sScript();
        return oRunEmulated(oDir, oOptions, asArgs);
    }

    // A run that succeeded, used the script exactly, and counted its bytes.
    static void vExpectCleanRun(const EmulatedRun &r, const UsbConversation &o) {
        EXPECT_FALSE(r.fTimedOut);
        EXPECT_EQ(r.iExitStatus, 0) << r.sErr << r.sOut;
        EXPECT_EQ(r.sErr, "");
        EXPECT_EQ(o.sCheckReplay(r.sTrace), "") << "program output:\n" << r.sOut << r.sErr;
        const std::string sCounts = "Bytes read: " + std::to_string(o.lBytesRead()) +
                                    ", Bytes sent: " + std::to_string(o.lBytesSent()) + "\n";
        EXPECT_NE(r.sOut.find(sCounts), std::string::npos) << r.sOut;
    }

    TempFolder oDir;
};

D108 oWaypoint(const char *pszName, const char *pszComment, int i) {
    D108 o;
    o.sName = pszName;
    o.sComment = pszComment;
    o.lLatitude = 558000000 + 1234567 * i;
    o.lLongitude = -(95000000 + 7654321 * i);
    o.fAltitude = 400.5f + static_cast<float>(i);
    o.iSymbol = 8197 + i; // device symbols of 256 and above are kept as they are
    return o;
}

void vExpectStored(const Waypoint &oGot, const D108 &oSent) {
    EXPECT_EQ(oGot.szName, oSent.sName);
    EXPECT_EQ(oGot.szComment, oSent.sComment);
    EXPECT_EQ(oGot.lLatitude, oSent.lLatitude);
    EXPECT_EQ(oGot.lLongitude, oSent.lLongitude);
    EXPECT_EQ(oGot.fAltitude, oSent.fAltitude);
    EXPECT_EQ(oGot.sSymbol, oSent.iSymbol);
}

TEST_F(UsbEmulation, VersionQueryFindsClaimsAndIdentifiesTheUnit) {
    UsbConversation o;
    vOpenAndIdentify(o, kszCapabilities);
    EmulatedRun r = oRun(o, {"/c", "U", "/v"});
    vExpectCleanRun(r, o);
    EXPECT_NE(r.sOut.find("Garmin unit found: ID=EMULATED UNIT Software Version 3.30  "
                          "Version=330  ProductID=695\n"),
              std::string::npos)
        << r.sOut;
}

TEST_F(UsbEmulation, DownloadOfWaypointsRoutesAndATrack) {
    UsbConversation o;
    vOpenAndIdentify(o, kszCapabilities);
    const std::vector<D108> aWaypoints = {oWaypoint("ABBEY", "Old walls", 1),
                                          oWaypoint("BRIDGE", "", 2),
                                          oWaypoint("CAIRN", "Summit of the ridge", 3)};
    o.vHostSends(aCommand(kCmdWaypoints), "waypoint command");
    o.vUnitSends(aRecords(3), Pipe::kBulk, "records: 3");
    for (const D108 &w : aWaypoints) {
        o.vUnitSends(aMessage(kRecWaypoint, aD108(w)), Pipe::kBulk, "waypoint " + w.sName);
    }
    o.vUnitSends(aTransferComplete(kCmdWaypoints), Pipe::kBulk, "transfer complete");
    o.vBulkQueueRunsEmpty();
    // Routes: the records message comes on the interrupt pipe, the rest by bulk.
    o.vHostSends(aCommand(kCmdRoutes), "route command");
    o.vUnitSends(aRecords(5), Pipe::kInterrupt, "records: 5");
    o.vUnitSends(aMessage(kRecRouteHeader, aD201(1, "TO THE CAIRN")), Pipe::kBulk, "route 1");
    o.vUnitSends(aMessage(kRecRouteWaypoint, aD108(aWaypoints[0])), Pipe::kBulk, "route point");
    o.vUnitSends(aMessage(kRecRouteWaypoint, aD108(aWaypoints[2])), Pipe::kBulk, "route point");
    o.vUnitSends(aMessage(kRecRouteHeader, aD201(2, "BACK")), Pipe::kBulk, "route 2");
    o.vUnitSends(aMessage(kRecRouteWaypoint, aD108(aWaypoints[1])), Pipe::kBulk, "route point");
    o.vUnitSends(aTransferComplete(kCmdRoutes), Pipe::kBulk, "transfer complete");
    // The track: the unit answers the command while the program still drains the bulk pipe.
    o.vHostSends(aCommand(kCmdTracks), "track command");
    o.vUnitSends(aRecords(4), Pipe::kBulk, "records: 4");
    o.vUnitSends(aMessage(kRecTrackHeader, aD310("ACTIVE LOG")), Pipe::kBulk, "track header");
    for (int i = 0; i < 3; ++i) {
        o.vUnitSends(aMessage(kRecTrackPoint, aD301(560000000 + 100000 * i, 90000000 - 50000 * i,
                                                    1100000000 + 15 * i, 200.0f + i, i != 1)),
                     Pipe::kBulk, "track point");
    }
    o.vUnitSends(aTransferComplete(kCmdTracks), Pipe::kBulk, "transfer complete");

    EmulatedRun r = oRun(o, {"/c", "U", "/d", "unit.vkd"});
    vExpectCleanRun(r, o);
    EXPECT_NE(r.sOut.find("Downloading Waypoints (Total count: 3)"), std::string::npos);
    EXPECT_EQ(r.sOut.find("Proximity"), std::string::npos); // the unit has no A400
    EXPECT_NE(r.sOut.find("Downloading Route Points (Total count: 5)"), std::string::npos);
    EXPECT_NE(r.sOut.find("Downloading Track Points (Total count: 4)"), std::string::npos);

    Workspace w;
    ASSERT_EQ(iLoadFile(&w, oDir.sPath("unit.vkd").c_str()), 1);
    ASSERT_EQ(w.pStore->pWaypoints.size(), 3u);
    auto itWaypoint = w.pStore->pWaypoints.begin();
    for (const D108 &oSent : aWaypoints) {
        vExpectStored((itWaypoint++)->second, oSent);
    }
    ASSERT_EQ(w.pStore->pRoutes.size(), 2u);
    const Route &oFirst = w.pStore->pRoutes.at(1);
    EXPECT_STREQ(oFirst.szComment, "TO THE CAIRN");
    ASSERT_EQ(oFirst.aszPoints.size(), 2u);
    EXPECT_STREQ(oFirst.aszPoints[0], "ABBEY");
    EXPECT_STREQ(oFirst.aszPoints[1], "CAIRN");
    const Route &oSecond = w.pStore->pRoutes.at(2);
    EXPECT_STREQ(oSecond.szComment, "BACK");
    ASSERT_EQ(oSecond.aszPoints.size(), 1u);
    EXPECT_STREQ(oSecond.aszPoints[0], "BRIDGE");
    ASSERT_EQ(aTrackPoints(*w.pStore).size(), 3u);
    int i = 0;
    for (const TrackPoint &p : aTrackPoints(*w.pStore)) {
        EXPECT_EQ(p.lLatitude, 560000000 + 100000 * i);
        EXPECT_EQ(p.lLongitude, 90000000 - 50000 * i);
        EXPECT_EQ(p.lTime, 1100000000 + 15 * i);
        EXPECT_EQ(p.fAltitude, 200.0f + i);
        EXPECT_EQ(p.fNewSegment != 0, i != 1);
        ++i;
    }
}

TEST_F(UsbEmulation, UploadSendsTheRecordLayoutsByteForByte) {
    // What the file holds; the long name and comment make a waypoint packet of
    // 128 bytes, which a zero-length write has to end.
    const std::vector<D108> aWaypoints = {
        oWaypoint("ALPHA", "First point", 1), oWaypoint("BRAVO", "", 2),
        oWaypoint("LONG NAME 12", "A comment of fifty characters, as long as it gets.", 3)};
    Workspace w;
    for (const D108 &oSource : aWaypoints) {
        Waypoint oStored = oEmptyWaypoint();
        std::snprintf(oStored.szName, sizeof(oStored.szName), "%s", oSource.sName.c_str());
        std::snprintf(oStored.szComment, sizeof(oStored.szComment), "%s", oSource.sComment.c_str());
        oStored.lLatitude = oSource.lLatitude;
        oStored.lLongitude = oSource.lLongitude;
        oStored.fAltitude = oSource.fAltitude;
        oStored.sSymbol = static_cast<int16_t>(oSource.iSymbol);
        ASSERT_EQ(iAddWaypoint(&w, oStored), 1);
    }
    Route oRoute{};
    oRoute.lNumber = 2;
    std::snprintf(oRoute.szComment, sizeof(oRoute.szComment), "UPLOAD ROUTE");
    oRoute.aszPoints.resize(2);
    std::snprintf(oRoute.aszPoints[0], kNameSize, "BRAVO");
    std::snprintf(oRoute.aszPoints[1], kNameSize, "ALPHA");
    ASSERT_EQ(iAddRoute(&w, oRoute), 1);
    for (int i = 0; i < 3; ++i) {
        TrackPoint p{};
        p.lLatitude = 560000000 + 100000 * i;
        p.lLongitude = 90000000 - 50000 * i;
        p.lTime = 1100000000 + 15 * i;
        p.fAltitude = 200.0f + i;
        p.fNewSegment = i == 0 ? 1 : 0;
        ASSERT_EQ(iAddTrackPoint(&w, p), 1);
    }
    ASSERT_EQ(iSaveFile(&w, oDir.sPath("up.vkd").c_str(), 7), 1);

    UsbConversation o;
    vOpenAndIdentify(o, kszCapabilities);
    o.vHostSends(aRecords(3), "records: 3");
    for (const D108 &oWpt : aWaypoints) {
        o.vHostSends(aMessage(kRecWaypoint, aD108(oWpt)), "waypoint " + oWpt.sName);
    }
    ASSERT_EQ(aMessage(kRecWaypoint, aD108(aWaypoints[2])).size(), 128u);
    o.vHostSends(aTransferComplete(kCmdWaypoints), "transfer complete");
    // No proximity waypoints: the unit has no A400.
    o.vHostSends(aRecords(3), "records: 3");
    o.vHostSends(aMessage(kRecRouteHeader, aD201(2, "UPLOAD ROUTE")), "route header");
    o.vHostSends(aMessage(kRecRouteWaypoint, aD108(aWaypoints[1])), "route point BRAVO");
    o.vHostSends(aMessage(kRecRouteWaypoint, aD108(aWaypoints[0])), "route point ALPHA");
    o.vHostSends(aTransferComplete(kCmdRoutes), "transfer complete");
    o.vHostSends(aRecords(4), "records: 4");
    o.vHostSends(aMessage(kRecTrackHeader, aD310("ACTIVE LOG")), "track header");
    for (int i = 0; i < 3; ++i) {
        o.vHostSends(aMessage(kRecTrackPoint, aD301(560000000 + 100000 * i, 90000000 - 50000 * i,
                                                    1100000000 + 15 * i, 200.0f + i, i == 0)),
                     "track point " + std::to_string(i + 1));
    }
    o.vHostSends(aTransferComplete(kCmdTracks), "transfer complete");

    // A write that differs from the script in any byte matches no line, so
    // the replay check compares every record with its layout.
    EmulatedRun r = oRun(o, {"/c", "U", "/u", "up.vkd"});
    vExpectCleanRun(r, o);
    EXPECT_NE(r.sOut.find("Uploading Waypoints (Total count: 3)"), std::string::npos) << r.sOut;
    EXPECT_NE(r.sOut.find("Uploading Track Points (Total count: 4)"), std::string::npos);
}

TEST_F(UsbEmulation, ProductPacketOfWholeChunksAndCapabilitiesOverTwoChunks) {
    // 12 + 4 + 48 bytes: exactly one interrupt chunk, ended by a zero-length read.
    const std::string sDescription = "EMULATED UNIT WITH A DESCRIPTION OF 47 LETTERS";
    const Bytes aProduct = aProductData(kProductId, kVersion, sDescription + ".");
    ASSERT_EQ(aProduct.size(), 64u);
    // 12 + 60 bytes: the waypoint protocol and format lie in the second chunk.
    const Bytes aCaps = aCapabilities("P000 L001 A010 A200 D201 D108 A300 D300 A500 D500 A600 "
                                      "D600 A700 D700 A800 D800 D801 D802 A100 D108");
    ASSERT_EQ(aCaps.size(), 72u);
    const std::vector<D108> aWaypoints = {oWaypoint("DELTA", "", 4), oWaypoint("ECHO", "Fifth", 5)};

    UsbConversation o;
    o.vHostSends(aStartSession(), "start session");
    o.vUnitSends(aSessionStarted(kUnitId), Pipe::kInterrupt, "session started");
    o.vHostSends(aProductRequest(), "product request");
    o.vUnitSends(aProduct, Pipe::kInterrupt, "product data");
    o.vHostSends(aCommand(kCmdTime), "time command");
    o.vUnitSends(aCaps, Pipe::kInterrupt, "capability array");
    o.vUnitSends(aDateTime(2024, 6, 1, 8, 30, 0), Pipe::kInterrupt, "date and time");
    o.vHostSends(aCommand(kCmdWaypoints), "waypoint command");
    o.vUnitSends(aRecords(2), Pipe::kBulk, "records: 2");
    for (const D108 &w : aWaypoints) {
        o.vUnitSends(aMessage(kRecWaypoint, aD108(w)), Pipe::kBulk, "waypoint " + w.sName);
    }
    o.vUnitSends(aTransferComplete(kCmdWaypoints), Pipe::kBulk, "transfer complete");

    EmulatedRun r = oRun(o, {"/c", "U", "/dw", "unit.vkd"});
    vExpectCleanRun(r, o);
    EXPECT_NE(r.sOut.find("Garmin unit found: ID=" + sDescription + ".  Version=330"),
              std::string::npos)
        << r.sOut;
    EXPECT_NE(r.sOut.find("Downloading Waypoints (Total count: 2)"), std::string::npos);
    Workspace w;
    ASSERT_EQ(iLoadFile(&w, oDir.sPath("unit.vkd").c_str()), 1);
    ASSERT_EQ(w.pStore->pWaypoints.size(), 2u);
    vExpectStored(w.pStore->pWaypoints.at("DELTA"), aWaypoints[0]);
    vExpectStored(w.pStore->pWaypoints.at("ECHO"), aWaypoints[1]);
}

// An eTrex of the HC series: routes in A201, a D202 header with the name, D110
// points and a D210 link between each two.
TEST_F(UsbEmulation, A201RouteDownloadOfAnEtrexHc) {
    UsbConversation o;
    vOpenAndIdentify(o, "P000 L001 A010 A100 D110 A201 D202 D110 D210 A301 D312 D302 A500 D501 "
                        "A600 D600 A700 D700 A800 D800");
    o.vHostSends(aCommand(kCmdStopPositionReports), "stop PVT command");
    const std::vector<D110> aPoints = {{"HUT", "Alpine hut", 560000000, 90000000, 2200.0f},
                                       {"PASS", "", 560100000, 90100000, 2500.0f},
                                       {"LAKE", "Cold water", 560200000, 90200000, 1900.0f}};
    o.vHostSends(aCommand(kCmdRoutes), "route command");
    o.vUnitSends(aRecords(6), Pipe::kBulk, "records: 6");
    o.vUnitSends(aMessage(kRecRouteHeader, Fields().sz("OVER THE PASS")), Pipe::kBulk,
                 "route header");
    for (size_t n = 0; n < aPoints.size(); ++n) {
        if (n > 0) {
            // A road of the unit's map (class 1), as the unit's own routes have.
            o.vUnitSends(
                aMessage(kRecRouteLink, Fields().u16(1).fill(0, 6).fill(0xFF, 12).sz("TRAIL")),
                Pipe::kBulk, "route link");
        }
        o.vUnitSends(aMessage(kRecRouteWaypoint, aD110(aPoints[n])), Pipe::kBulk, "route point");
    }
    o.vUnitSends(aTransferComplete(kCmdRoutes), Pipe::kBulk, "transfer complete");

    EmulatedRun r = oRun(o, {"/c", "U", "/dr", "unit.vkd"});
    vExpectCleanRun(r, o);
    EXPECT_NE(r.sOut.find("Downloading Route Points (Total count: 6)"), std::string::npos);
    Workspace w;
    ASSERT_EQ(iLoadFile(&w, oDir.sPath("unit.vkd").c_str()), 1);
    ASSERT_EQ(w.pStore->pRoutes.size(), 1u);
    const Route &oRoute = w.pStore->pRoutes.begin()->second;
    EXPECT_STREQ(oRoute.szComment, "OVER THE PASS");
    ASSERT_EQ(oRoute.aszPoints.size(), 3u);
    for (size_t n = 0; n < aPoints.size(); ++n) {
        EXPECT_EQ(oRoute.aszPoints[n], aPoints[n].sName);
        const Waypoint &oGot = w.pStore->pWaypoints.at(aPoints[n].sName);
        EXPECT_EQ(oGot.szComment, aPoints[n].sComment);
        EXPECT_EQ(oGot.lLatitude, aPoints[n].lLatitude);
        EXPECT_EQ(oGot.fAltitude, aPoints[n].fAltitude);
    }
}

// /n over USB: the unit streams D800 records on the interrupt pipe, each of
// 76 bytes (two chunks), then falls silent; Ctrl+C ends the report, and the
// unit is told to stop. A fix without a position is not written.
TEST_F(UsbEmulation, LivePositionWritesEachFixAndStopsTheUnit) {
    constexpr int32_t kWeekDays = 12565; // Sunday 26 May 2024
    constexpr double kSaturday0830 = 6 * 86400.0 + 8.5 * 3600.0 + 18.0;
    const std::vector<D800> aFixes = {
        {3, 46.8, 8.2, 550.5f, -47.5f, kWeekDays, kSaturday0830},
        {1, 0.0, 0.0, 0.0f, 0.0f, kWeekDays, kSaturday0830 + 1},
        {2, 46.81, 8.21, 560.5f, -47.5f, kWeekDays, kSaturday0830 + 2}};
    UsbConversation o;
    vOpenAndIdentify(o, std::string(kszCapabilities) + " A800 D800");
    o.vHostSends(aCommand(kCmdStopPositionReports), "stop PVT command");
    o.vHostSends(aCommand(kCmdStartPositionReports), "start PVT command");
    for (const D800 &oFix : aFixes) {
        o.vUnitSends(aMessage(kRecPvt, aD800(oFix)), Pipe::kInterrupt, "PVT");
    }
    o.vUnitFallsSilent(200);
    o.vHostSends(aCommand(kCmdStopPositionReports), "stop PVT command");

    // Ctrl+C once both fixes are in the file (or after 20 s, by when the
    // program has long given the silent unit up).
    EmulatedRunOptions oOptions;
    oOptions.sDevices = sDevicePath("garmin-usb-unit.umockdev");
    oOptions.sScript = o.sScript();
    oOptions.sBefore = "(i=0; while [ $i -lt 200 ] && [ \"$(grep -c GPGGA live.nme)\" != 2 ]; do "
                       "sleep 0.1; i=$((i+1)); done; kill -INT $$) </dev/null >/dev/null 2>&1 &";
    EmulatedRun r = oRunEmulated(oDir, oOptions, {"/c", "U", "/n", "live.nme"});
    vExpectCleanRun(r, o);
    EXPECT_NE(r.sOut.find("Live position: 2 fixes written\n"), std::string::npos) << r.sOut;
    std::string sExpected;
    for (const char *psz : {"GPRMC,083000,A,4648.00,N,00812.00,E,000.0,000.0,010624,000.0,E",
                            "GPGGA,083000,4648.00,N,00812.00,E,1,,,503.0,M,47.5,M,,",
                            "GPRMC,083002,A,4648.60,N,00812.60,E,000.0,000.0,010624,000.0,E",
                            "GPGGA,083002,4648.60,N,00812.60,E,1,,,513.0,M,47.5,M,,"}) {
        char szSum[4];
        std::snprintf(szSum, sizeof(szSum), "%02X", uNmeaChecksum(psz));
        sExpected += std::string("$") + psz + "*" + szSum + "\r\n";
    }
    EXPECT_EQ(sReadFile(oDir.sPath("live.nme")), sExpected);
}

TEST_F(UsbEmulation, LivePositionOfAUnitWithoutA800IsOneLineAndSendsNothing) {
    UsbConversation o;
    vOpenAndIdentify(o, kszCapabilities);
    vWriteFile(oDir.sPath("old.nme"), "kept");
    EmulatedRun r = oRun(o, {"/c", "U", "/n", "old.nme"});
    EXPECT_EQ(r.iExitStatus, 1);
    EXPECT_EQ(r.sErr, "quillox: the receiver on USB does not report its position (it lists no "
                      "A800)\n");
    EXPECT_EQ(o.sCheckReplay(r.sTrace), "");
    EXPECT_EQ(sReadFile(oDir.sPath("old.nme")), "kept");
}

TEST_F(UsbEmulation, NoGarminUnitAmongTheDevices) {
    // A root hub and a Garmin device in mass-storage mode: neither speaks the protocol.
    EmulatedRunOptions oOptions;
    oOptions.sDevices = sDevicePath("no-garmin-unit.umockdev");
    EmulatedRun r = oRunEmulated(oDir, oOptions, {"/c", "U", "/v"});
    EXPECT_EQ(r.iExitStatus, 1);
    EXPECT_EQ(r.sErr, "quillox: cannot open USB: no Garmin USB unit found (vendor 091e)\n");
    EXPECT_EQ(r.sOut.find("Garmin unit found"), std::string::npos);
    EXPECT_EQ(r.sOut.find("Elapsed time"), std::string::npos);
}

TEST_F(UsbEmulation, DeviceNodeWithoutPermissionGivesTheUdevHint) {
    // Root opens any node; the check needs an ordinary user.
    if (geteuid() == 0 && (access("/usr/bin/setpriv", X_OK) != 0 || !iReachableByAll(QUILLOX_EXE) ||
                           !iReachableByAll(sFindUmockdevRun()))) {
        GTEST_SKIP() << "running as root, and the user nobody cannot be used here (needs "
                        "/usr/bin/setpriv and a program every user may run)";
    }
    EmulatedRunOptions oOptions;
    oOptions.sDevices = oDir.sPath("unit.umockdev");
    vWriteFile(oOptions.sDevices, sReadFile(sDevicePath("garmin-usb-unit.umockdev")));
    chmod(oOptions.sDevices.c_str(), 0644);
    oOptions.fAsNobody = true;
    UsbConversation o;
    vOpenAndIdentify(o, kszCapabilities);
    oOptions.sScript = o.sScript();
    // An ordinary user who may open the node reaches the unit.
    EmulatedRun rAllowed = oRunEmulated(oDir, oOptions, {"/c", "U", "/v"});
    vExpectCleanRun(rAllowed, o);
    // Without permission the open fails, and says how to get it.
    oOptions.sBefore = "chmod 000 \"$UMOCKDEV_DIR" + std::string(kDeviceNode) + "\" || exit 99;";
    EmulatedRun r = oRunEmulated(oDir, oOptions, {"/c", "U", "/v"});
    EXPECT_EQ(r.iExitStatus, 1) << r.sErr;
    EXPECT_EQ(r.sErr, "quillox: cannot open USB: permission denied; install the udev rule "
                      "51-quillox-garmin-usb.rules or run with access to the device\n");
    EXPECT_EQ(r.sOut.find("Elapsed time"), std::string::npos);
}

TEST_F(UsbEmulation, ReplayCheckCatchesALineTheProgramSkipped) {
    // umockdev would pass over the stray write and answer the read after it;
    // the program succeeds, and only the replay check sees the gap.
    UsbConversation o;
    o.vHostSends(aStartSession(), "start session");
    o.vHostSends(aCommand(99), "a command the program never sends");
    o.vUnitSends(aSessionStarted(kUnitId), Pipe::kInterrupt, "session started");
    o.vHostSends(aProductRequest(), "product request");
    o.vUnitSends(aProductData(kProductId, kVersion, kszDescription), Pipe::kBulk, "product data");
    o.vHostSends(aCommand(kCmdTime), "time command");
    o.vUnitSends(aDateTime(2024, 6, 1, 8, 30, 0), Pipe::kBulk, "date and time");
    EmulatedRun r = oRun(o, {"/c", "U", "/v"});
    EXPECT_EQ(r.iExitStatus, 0) << r.sErr;
    EXPECT_EQ(o.sCheckReplay(r.sTrace),
              "URB 2 of the program used line 3 (unit (interrupt) session started bytes 0..15) "
              "where line 2 (host writes a command the program never sends) was due");
}

} // namespace

namespace {

// No unit speaks the protocol, but an eTrex in mass-storage mode is mounted
// (the mount table is the test's: a mount point with a blank in it, on the
// emulated partition 8:17) and an Edge is attached as an MTP device: /c U says
// where the one is and how to reach the other.
TEST_F(UsbEmulation, GarminDrivesAreNamedWhenNoUnitAnswers) {
    const std::string sMount = oDir.sPath("GARMIN DRIVE");
    std::filesystem::create_directories(sMount + "/Garmin");
    vWriteFile(sMount + "/Garmin/GarminDevice.xml",
               sReadFile(std::string(QUILLOX_SOURCE_DIR) + "/tests/e2e/garmin_units/etrex30.xml"));
    std::string sEscaped = sMount;
    sEscaped.replace(sEscaped.find(' '), 1, "\\040");
    vWriteFile(oDir.sPath("mountinfo"),
               "22 1 259:2 / / rw,relatime shared:1 - ext4 /dev/nvme0n1p2 rw\n"
               "98 22 8:17 / " +
                   sEscaped + " rw,nosuid,nodev,relatime shared:52 - vfat /dev/sdb1 rw,uid=1000\n");
    EmulatedRunOptions oOptions;
    oOptions.sDevices = sDevicePath("garmin-usb-drive.umockdev");
    oOptions.sBefore = "mkdir -p \"$UMOCKDEV_DIR/proc/self\" && cp '" + oDir.sPath("mountinfo") +
                       "' \"$UMOCKDEV_DIR/proc/self/mountinfo\";";
    EmulatedRun r = oRunEmulated(oDir, oOptions, {"/c", "U", "/v"});
    EXPECT_EQ(r.iExitStatus, 1);
    EXPECT_EQ(r.sErr, "quillox: cannot open USB: no Garmin USB unit found (vendor 091e)\n"
                      "quillox: eTrex 30 is a USB drive mounted at " +
                          sMount + ": use /c " + sMount +
                          "\n"
                          "quillox: Edge 530 is an MTP device, not a drive: mount it first (gio "
                          "mount, or jmtpfs FOLDER), then use /c with the folder it is mounted "
                          "at\n");
}

} // namespace
