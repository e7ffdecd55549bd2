// Transfers over a fake serial line that answers like a unit: the warnings of
// an upload to a unit that keeps short names, where the progress bar stops
// when a record fails, and when a receiver counts as gone.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "device/link_layer.h"
#include "device/protocol_selection.h"
#include "device/route_records.h"
#include "device/track_records.h"
#include "device/transfers.h"
#include "device/waypoint_records.h"
#include "fake_transports.h"
#include "store/workspace.h"
#include "tests/store_points.h"

namespace {

using Bytes = std::vector<uint8_t>;

Waypoint oNamed(const char *pszName, float fProximity = 0.0f) {
    Waypoint o = oEmptyWaypoint();
    std::snprintf(o.szName, sizeof(o.szName), "%s", pszName);
    o.lLatitude = 1000;
    o.lLongitude = 2000;
    o.fProximity = fProximity;
    return o;
}

int iAdd(Workspace &w, Waypoint o) {
    return iAddWaypoint(&w, o);
}

// Frames the host wrote with the given record id.
int iWritesOf(const FakeSerialPort &o, uint8_t bId) {
    int n = 0;
    for (const Bytes &a : o.aWrites) {
        n += a.size() > 1 && a[1] == bId;
    }
    return n;
}

// A unit that acknowledges every frame except those the test picks.
void vAckAll(FakeSerialPort &o, const Bytes &aFrame) {
    if (aFrame.size() > 1 && aFrame[1] != kPidAck && aFrame[1] != kPidNak) {
        o.vQueueAck(aFrame[1]);
    }
}

// The part of standard output from the last progress bar's "[" on.
std::string sBar(const std::string &sOut) {
    const size_t n = sOut.rfind("   [");
    return n == std::string::npos ? std::string() : sOut.substr(n + 4);
}

class TransferTest : public FakeLinkTest<FakeSerialPort> {
  protected:
    Workspace w;
};

TEST_F(TransferTest, ShortNameUnitIsToldOfNamesThatCollideAfterTheCut) {
    for (const char *psz : {"Grand Hotel Zurich", "Grand Hotel Bern", "Grand", "Grand Hotel Basel",
                            "Other", "GrandX"}) {
        ASSERT_EQ(iAdd(w, oNamed(psz)), 1);
    }
    pLink->oProtocolSelection.iWptFormat = 103;
    pFake->pOnWrite = vAckAll;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(iUploadWaypoints(&w, pLink, 0), 1);
    ::testing::internal::GetCapturedStdout();
    // In upload order (ascending names), each name against the one before it
    // that the unit cannot tell apart from it.
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "quillox: 'Grand' and 'Grand Hotel Basel' are both 'Grand ' on this receiver; it "
              "keeps only the last\n"
              "quillox: 'Grand Hotel Basel' and 'Grand Hotel Bern' are both 'Grand ' on this "
              "receiver; it keeps only the last\n"
              "quillox: 'Grand Hotel Bern' and 'Grand Hotel Zurich' are both 'Grand ' on this "
              "receiver; it keeps only the last\n");
    // The upload itself is the same: every waypoint goes.
    EXPECT_EQ(iWritesOf(*pFake, kPidWaypoint), 6);
}

TEST_F(TransferTest, LongNameUnitsAndProximityListsWarnOnlyWhereNamesCollide) {
    for (const char *psz : {"Grand Hotel Zurich", "Grand Hotel Bern"}) {
        ASSERT_EQ(iAdd(w, oNamed(psz)), 1);
    }
    ASSERT_EQ(iAdd(w, oNamed("Grand Canyon", 100.0f)), 1);
    ASSERT_EQ(iAdd(w, oNamed("Gate", 50.0f)), 1);
    pFake->pOnWrite = vAckAll;
    pLink->oProtocolSelection.iWptFormat = 108; // whole names
    pLink->oProtocolSelection.iPrxProtocol = 400;
    pLink->oProtocolSelection.iPrxFormat = 403;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(iUploadWaypoints(&w, pLink, 0), 1);
    // Among the proximity waypoints only Grand Canyon is 'Grand '.
    EXPECT_EQ(iUploadWaypoints(&w, pLink, 1), 1);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(TransferTest, FailedWaypointDownloadStopsTheBarAtTheLastRecordThatArrived) {
    pLink->oProtocolSelection.iWptFormat = 103;
    pFake->pOnWrite = [](FakeSerialPort &o, const Bytes &aFrame) {
        if (aFrame.size() > 1 && aFrame[1] == kPidCommandData) {
            o.vQueueAck(kPidCommandData);
            o.vQueueMessage(kPidRecords, {3, 0});
            for (const char *psz : {"A", "B"}) {
                Bytes aData;
                iEncodeWaypointRecord(oNamed(psz), 103, aData);
                o.vQueueMessage(kPidWaypoint, aData);
            }
            // The third record never comes.
        }
    };
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(iDownloadWaypoints(&w, pLink, 0), 0);
    const std::string sOut = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "quillox: waypoint download failed after 2 of 3 records\n");
    // Two of three records: 66 %, 46 marks, and no closing bracket.
    EXPECT_EQ(sBar(sOut), std::string(46, '#') + "\n");
    EXPECT_EQ(w.pStore->pWaypoints.size(), 2u);
}

TEST_F(TransferTest, FailedUploadsStopTheBarAtTheLastRecordThatWent) {
    for (const char *psz : {"A", "B", "C"}) {
        ASSERT_EQ(iAdd(w, oNamed(psz)), 1);
    }
    for (int32_t l : {10, 20, 30}) {
        TrackPoint o{};
        o.lTime = l;
        iAddTrackPoint(&w, o);
    }
    pLink->oProtocolSelection.iWptFormat = 103;
    // The unit takes two records of each kind; the third gets no ACK.
    int iRecords = 0;
    pFake->pOnWrite = [&iRecords](FakeSerialPort &o, const Bytes &aFrame) {
        const uint8_t bId = aFrame.size() > 1 ? aFrame[1] : 0;
        if ((bId == kPidWaypoint || bId == kPidTrackPoint) && ++iRecords > 2) {
            return;
        }
        vAckAll(o, aFrame);
    };
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(iUploadWaypoints(&w, pLink, 0), 0);
    std::string sOut = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(sBar(sOut), std::string(46, '#') + "\n");
    pFake->aWrites.clear();
    iRecords = 0;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(iUploadTracks(&w, pLink), 0);
    sOut = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(sBar(sOut), std::string(46, '#') + "\n");
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("track upload failed after 2 of 3"),
              std::string::npos);
}

TEST_F(TransferTest, TrackDownloadBarMovesOnlyWithPointsThatArrived) {
    pFake->pOnWrite = [](FakeSerialPort &o, const Bytes &aFrame) {
        if (aFrame.size() > 1 && aFrame[1] == kPidCommandData) {
            o.vQueueAck(kPidCommandData);
            o.vQueueMessage(kPidRecords, {3, 0});
            Bytes aPoint(13, 0);
            o.vQueueMessage(kPidTrackPoint, aPoint);
            o.vQueueMessage(kPidWaypoint, aPoint); // not a track record: this one fails
            o.vQueueMessage(kPidTrackPoint, aPoint);
            o.vQueueMessage(kPidTransferComplete, {6, 0});
        }
    };
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(iDownloadTracks(&w, 1, pLink), 0);
    const std::string sOut = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("1 of 3 records could not be read"),
              std::string::npos);
    // The bar skips the bad record and reaches the end with the last point.
    EXPECT_EQ(sBar(sOut), std::string(70, '#') + "]\n\n");
    EXPECT_EQ(aTrackPoints(*w.pStore).size(), 2u);
}

// ---------------------------------------------------------------- gone

TEST_F(TransferTest, NoAnswerToThreeSendsMeansTheReceiverIsGone) {
    const Bytes aCommand = {kPidCommandData, 2, 7, 0};
    EXPECT_EQ(iSendMessage(pLink, aCommand.data(), aCommand.size()), 0);
    EXPECT_EQ(pFake->aWrites.size(), 3u);
    EXPECT_EQ(iReceiverGone(pLink), 1);
}

TEST_F(TransferTest, AReceiverThatAnswersSomehowIsNotGone) {
    const Bytes aCommand = {kPidCommandData, 2, 7, 0};
    // NAKs, an ACK of another record and a record of another kind are answers.
    const std::vector<std::function<void(FakeSerialPort &, const Bytes &)>> aAnswers = {
        [](FakeSerialPort &o, const Bytes &a) {
            if (a[1] != kPidAck) {
                o.vQueueMessage(kPidNak, {a[1], 0});
            }
        },
        [](FakeSerialPort &o, const Bytes &a) {
            if (a[1] != kPidAck) {
                o.vQueueAck(0x23);
            }
        },
        [](FakeSerialPort &o, const Bytes &a) {
            if (a[1] != kPidAck) {
                o.vQueueBytes({0x55, 0xAA}); // line noise
            }
        },
    };
    for (const auto &pAnswer : aAnswers) {
        pFake->pOnWrite = pAnswer;
        pFake->aWrites.clear();
        EXPECT_EQ(iSendMessage(pLink, aCommand.data(), aCommand.size()), 0);
        EXPECT_EQ(iWritesOf(*pFake, kPidCommandData), 3);
        EXPECT_EQ(iReceiverGone(pLink), 0);
    }
    // A unit that takes the command and then sends nothing lacks a record; it
    // has not gone.
    pFake->pOnWrite = vAckAll;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(iDownloadWaypoints(&w, pLink, 0), 0);
    ::testing::internal::GetCapturedStdout();
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("did not announce its records"),
              std::string::npos);
    EXPECT_EQ(iReceiverGone(pLink), 0);
}

TEST_F(TransferTest, APortThatRefusesWritesIsGoneAtOnce) {
    pFake->fFailWrites = true;
    const Bytes aCommand = {kPidCommandData, 2, 7, 0};
    EXPECT_EQ(iSendMessage(pLink, aCommand.data(), aCommand.size()), 0);
    EXPECT_EQ(pFake->aWrites.size(), 1u);
    EXPECT_EQ(iReceiverGone(pLink), 1);
}

TEST_F(TransferTest, FiveSilentReadsOfATrackDownloadMeanTheReceiverIsGone) {
    pFake->pOnWrite = [](FakeSerialPort &o, const Bytes &aFrame) {
        if (aFrame.size() > 1 && aFrame[1] == kPidCommandData) {
            o.vQueueAck(kPidCommandData);
            o.vQueueMessage(kPidRecords, {3, 0});
            o.vQueueMessage(kPidTrackPoint, Bytes(13, 0));
        }
    };
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(iDownloadTracks(&w, 1, pLink), 0);
    ::testing::internal::GetCapturedStdout();
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("the receiver stopped answering"),
              std::string::npos);
    EXPECT_EQ(iReceiverGone(pLink), 1);
    // A transfer that cannot start on a gone receiver leaves the words to the run.
    pFake->pOnWrite = nullptr;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(iDownloadRoutes(&w, pLink), 0);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

// ---------------------------------------------------------------- A201, A302

void vSelectA201(DeviceLink *pLink) {
    ProtocolSelection &o = pLink->oProtocolSelection;
    o.iRteProtocol = 201;
    o.iRteHdrFormat = 202;
    o.iRteWptFormat = 110;
    o.iRteLinkFormat = 210;
}

TEST_F(TransferTest, A201RoutesArriveNamedAndNumberedWithTheirLinksSkipped) {
    vSelectA201(pLink);
    pFake->pOnWrite = [](FakeSerialPort &o, const Bytes &aFrame) {
        if (aFrame.size() > 1 && aFrame[1] == kPidCommandData) {
            o.vQueueAck(kPidCommandData);
            o.vQueueMessage(kPidRecords, {6, 0});
            Bytes a;
            for (const char *pszRoute : {"TO THE LAKE", "BACK"}) {
                Route oRoute{};
                std::snprintf(oRoute.szComment, sizeof(oRoute.szComment), "%s", pszRoute);
                iEncodeRouteHeader(oRoute, 202, a);
                o.vQueueMessage(kPidRouteHeader, a);
                iEncodeWaypointRecord(oNamed("A"), 110, a);
                o.vQueueMessage(kPidRouteWaypoint, a);
                if (pszRoute[0] == 'T') {
                    iEncodeRouteLink(oStraightRouteLink(), 210, a);
                    o.vQueueMessage(kPidRouteLink, a);
                    iEncodeWaypointRecord(oNamed("B"), 110, a);
                    o.vQueueMessage(kPidRouteWaypoint, a);
                }
            }
            o.vQueueMessage(kPidTransferComplete, {4, 0});
        }
    };
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(iDownloadRoutes(&w, pLink), 1);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(w.pStore->pRoutes.size(), 2u);
    const Route &oFirst = w.pStore->pRoutes.at(1);
    EXPECT_STREQ(oFirst.szComment, "TO THE LAKE");
    ASSERT_EQ(oFirst.aszPoints.size(), 2u);
    EXPECT_STREQ(oFirst.aszPoints[1], "B");
    EXPECT_STREQ(w.pStore->pRoutes.at(2).szComment, "BACK");
}

// What goes out for a route of three points: the header, then the points
// with a link between each two on an A201 unit, and no links on A200.
TEST_F(TransferTest, RouteUploadPutsLinksBetweenPointsOnlyForA201) {
    for (const char *psz : {"A", "B", "C"}) {
        ASSERT_EQ(iAdd(w, oNamed(psz)), 1);
    }
    Route oRoute{};
    oRoute.lNumber = 5;
    std::strcpy(oRoute.szComment, "LOOP");
    oRoute.aszPoints.resize(3);
    std::strcpy(oRoute.aszPoints[0], "A");
    std::strcpy(oRoute.aszPoints[1], "X"); // not stored: neither it nor a link goes
    std::strcpy(oRoute.aszPoints[2], "C");
    iAddRoute(&w, oRoute);
    std::strcpy(oRoute.aszPoints[1], "B");
    oRoute.lNumber = 6;
    iAddRoute(&w, oRoute);
    struct Case {
        bool fA201;
        std::vector<uint8_t> aIds;
    };
    const uint8_t H = kPidRouteHeader, P = kPidRouteWaypoint, L = kPidRouteLink;
    for (const Case &c :
         {Case{true, {H, P, L, P, H, P, L, P, L, P}}, Case{false, {H, P, P, H, P, P, P}}}) {
        pLink->oProtocolSelection = ProtocolSelection{};
        if (c.fA201) {
            vSelectA201(pLink);
        }
        pFake->aWrites.clear();
        pFake->pOnWrite = vAckAll;
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(iUploadRoutes(&w, pLink), 1);
        ::testing::internal::GetCapturedStdout();
        std::vector<uint8_t> aIds;
        for (const Bytes &a : pFake->aWrites) {
            if (a[1] == H || a[1] == P || a[1] == L) {
                aIds.push_back(a[1]);
            }
            if (a[1] == L) {
                EXPECT_EQ(Bytes(a.begin() + 2, a.end() - 3),
                          Bytes({21,   0,    0,    0,    0,    0,    0,    0,    0,    0xFF, 0xFF,
                                 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0}));
            }
            if (a[1] == H && c.fA201) {
                EXPECT_EQ(Bytes(a.begin() + 3, a.begin() + 8), Bytes({'L', 'O', 'O', 'P', 0}));
            }
        }
        EXPECT_EQ(aIds, c.aIds);
        // The records message announced what went.
        EXPECT_EQ(pFake->aWrites[0][3], c.aIds.size());
    }
}

// A302 units: a 311 header starts a track; a point without a fix is left
// out, and two of them in a row (a pause) start a new segment.
TEST_F(TransferTest, FitnessTrackDownloadStartsTracksAtHeadersAndPauses) {
    ProtocolSelection &oSel = pLink->oProtocolSelection;
    oSel.iTrkProtocol = 302;
    oSel.iTrkHdrFormat = 311;
    oSel.iTrkFormat = 304;
    pFake->pOnWrite = [](FakeSerialPort &o, const Bytes &aFrame) {
        if (aFrame.size() > 1 && aFrame[1] == kPidCommandData) {
            o.vQueueAck(kPidCommandData);
            o.vQueueMessage(kPidRecords, {9, 0});
            Bytes a;
            auto vPoint = [&](int32_t lTime, bool fFix) {
                TrackPoint oPoint{};
                oPoint.lLatitude = oPoint.lLongitude = fFix ? 100 : kNoDevicePosition;
                oPoint.lTime = lTime;
                iEncodeTrackPoint(oPoint, 304, a);
                o.vQueueMessage(kPidTrackPoint, a);
            };
            iEncodeTrackHeader(311, a, TrackHeader{});
            o.vQueueMessage(kPidTrackHeader, a);
            vPoint(10, true);
            vPoint(20, false);
            vPoint(30, true); // one point without fix: no pause
            vPoint(40, false);
            vPoint(50, false);
            vPoint(60, true); // after a pause
            iEncodeTrackHeader(311, a, TrackHeader{"", 0xFF, 1});
            o.vQueueMessage(kPidTrackHeader, a);
            vPoint(70, true); // a new track
            o.vQueueMessage(kPidTransferComplete, {6, 0});
        }
    };
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(iDownloadTracks(&w, 1, pLink), 1);
    ::testing::internal::GetCapturedStdout();
    std::vector<std::pair<int32_t, int32_t>> aGot;
    for (const TrackPoint &o : aTrackPoints(*w.pStore)) {
        aGot.emplace_back(o.lTime, o.fNewSegment);
    }
    EXPECT_EQ(aGot, (std::vector<std::pair<int32_t, int32_t>>{{10, 1}, {30, 0}, {60, 1}, {70, 1}}));
}

// A kind the user named that the unit cannot transfer fails with one line
// naming the unit and what it lacks; unnamed, it is skipped without a word.
TEST_F(TransferTest, NamedKindsTheUnitLacksAreSaid) {
    struct Case {
        const char *pszCapabilities;
        TransferKind eKind;
        int fUpload;
        int fNamed;
        int iResult;
        const char *pszErr;
    };
    const Case aCases[] = {
        {"A100D108", TransferKind::kProximity, 0, 1, 0,
         "quillox: proximity waypoint download: the unit has no A400 (proximity waypoints)\n"},
        {"A100D108", TransferKind::kProximity, 0, 0, 1, ""},
        {"A100D108", TransferKind::kRoutes, 1, 1, 0,
         "quillox: route upload: the unit has no A200 or A201 (routes)\n"},
        {"A100D108A200D201D110", TransferKind::kRoutes, 0, 1, 0,
         "quillox: route download: the unit speaks A200 with D110, a record format this "
         "program does not support\n"},
        {"A100D108A200D201D108", TransferKind::kRoutes, 0, 1, 1, ""},
        {"A302D311D304", TransferKind::kTracks, 0, 1, 1, ""},
        {"A302D311D304", TransferKind::kTracks, 1, 1, 0,
         "quillox: track upload: the unit takes no tracks (A302)\n"},
        {"A302D311D304", TransferKind::kTracks, 1, 0, 1,
         "quillox: track upload: the unit takes no tracks (A302); its 1 track points were not "
         "sent\n"},
    };
    TrackPoint oPoint{};
    iAddTrackPoint(&w, oPoint);
    for (const Case &c : aCases) {
        Bytes aArray;
        for (const char *p = c.pszCapabilities; *p != '\0'; p += 4) {
            const int iNumber = std::atoi(std::string(p + 1, 3).c_str());
            aArray.insert(aArray.end(), {static_cast<uint8_t>(*p), static_cast<uint8_t>(iNumber),
                                         static_cast<uint8_t>(iNumber >> 8)});
        }
        vParseProtocolArray(aArray, pLink->oProtocolSelection);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(iUnitTakes(&w, pLink, c.eKind, c.fUpload, c.fNamed), c.iResult)
            << c.pszCapabilities;
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.pszErr) << c.pszCapabilities;
    }
}

} // namespace
