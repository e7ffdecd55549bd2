// A unit that falls silent in the middle of each transfer: the program ends
// within seconds, keeps what it had received, and says which transfer failed
// and how far it got. Line faults that are repaired leave no trace: a NAKed
// command is sent again, and the track download reads a point again after a
// bad checksum.
#include <gtest/gtest.h>

#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "tests/child_process.h"
#include "tests/sim_process.h"
#include "tests/store_points.h"
#include "tests/test_files.h"
#include "transfer_data.h"

namespace {

using namespace e2e;

// Frames the unit sends before the transfers: ACK of the product request,
// product data, extended product data, capability array, ACK of the time
// command, date and time.
constexpr int kIdentificationFrames = 6;

struct Fault {
    const char *pszName;
    std::vector<std::string> asSimArgs;
    const char *pszSwitch; // "/d..." or "/u"
    int iSilenceAfter;     // sim frame after which the unit says nothing more
    const char *pszReport; // the line on standard error, as a pattern
};

void PrintTo(const Fault &o, std::ostream *pOut) {
    *pOut << o.pszName;
}

const std::vector<std::string> kasProximityUnit = {
    "--profile", "a301", "--capabilities",
    "P000,L001,A010,A100,D109,A200,D201,D109,A301,D312,D302,A400,D403"};

// With the test set (12 waypoints, 4 with radius, 2 routes of 4 points, 40
// track points): each transfer's own frames follow the ACK of its command or
// of its records message, then come the records (or their ACKs).
const std::vector<Fault> &aFaults() {
    const int i0 = kIdentificationFrames;
    static const std::vector<Fault> a = {
        {"waypoint_download",
         {"--profile", "a300"},
         "/dw",
         i0 + 2 + 5,
         "waypoint download failed after 5 of 12 records"},
        {"proximity_download", kasProximityUnit, "/dp", i0 + 2 + 2,
         "proximity waypoint download failed after 2 of 4 records"},
        {"route_download",
         {"--profile", "a300"},
         "/dr",
         i0 + 2 + 7,
         "route download failed after 7 of 10 records"},
        {"track_download",
         {"--profile", "a301"},
         "/dt",
         i0 + 2 + 20,
         "track download failed after 20 of 41 records: the receiver stopped answering"},
        {"waypoint_upload",
         {"--profile", "a300"},
         "/u",
         i0 + 1 + 5,
         "waypoint upload failed after 5 of 12 records"},
        {"proximity_upload", kasProximityUnit, "/u", i0 + 14 + 1 + 2,
         "proximity waypoint upload failed after 2 of 4 records"},
        {"route_upload",
         {"--profile", "a300"},
         "/u",
         i0 + 14 + 1 + 3,
         "route upload failed after 3 of 10 records"},
        {"track_upload",
         {"--profile", "a301"},
         "/u",
         i0 + 14 + 12 + 1 + 9,
         "track upload failed after 9 of 41 records"},
    };
    return a;
}

class TransferFaults : public ::testing::TestWithParam<Fault> {
  protected:
    TempFolder oDir;
    SimProcess oSim;
    Workspace oData;
};

TEST_P(TransferFaults, SilenceEndsTheTransferWithAReport) {
    const Fault &f = GetParam();
    vBuildTestSet(oData);
    ASSERT_TRUE(fSave(oData, oDir.sPath("data.vkd")));
    std::vector<std::string> as = f.asSimArgs;
    as.insert(as.end(), {"--data", oDir.sPath("data.vkd"), "--silence-after",
                         std::to_string(f.iSilenceAfter)});
    ASSERT_EQ(oSim.iStart(as), 1);
    const bool fUpload = std::string(f.pszSwitch) == "/u";
    ProcessResult r = oRunProcess(
        {QUILLOX_EXE, "/c", oSim.sPort(), f.pszSwitch, fUpload ? "data.vkd" : "got.vkd"}, 60.0,
        oDir.sFolder());
    EXPECT_EQ(r.iExitStatus, 1) << r.sOut;
    EXPECT_NE(r.sErr.find(std::string("quillox: ") + f.pszReport + "\n"), std::string::npos)
        << r.sErr;
    // Every transfer after the failed one finds a silent unit too; each gives
    // up after its three sends or five reads.
    EXPECT_LT(r.dSeconds, 20.0);
    if (fUpload) {
        return;
    }
    // What arrived before the silence is saved.
    Workspace w;
    ASSERT_TRUE(fLoad(w, oDir.sPath("got.vkd")));
    const DataStore &o = *w.pStore;
    const std::string sName = f.pszName;
    if (sName == "waypoint_download") {
        EXPECT_EQ(o.pWaypoints.size(), 5u);
    } else if (sName == "proximity_download") {
        EXPECT_EQ(o.pWaypoints.size(), 2u);
    } else if (sName == "route_download") {
        // Route 1 was complete; route 3 was cut short and is not kept.
        EXPECT_EQ(o.pRoutes.size(), 1u);
        EXPECT_EQ(o.pRoutes.count(1), 1u);
        EXPECT_EQ(o.pWaypoints.size(), 5u); // W04..W07, then W07 and W08 of route 3
    } else {
        EXPECT_EQ(aTrackPoints(o).size(), 19u); // the header was the first record
    }
}

INSTANTIATE_TEST_SUITE_P(EachTransfer, TransferFaults, ::testing::ValuesIn(aFaults()),
                         [](const auto &oInfo) { return std::string(oInfo.param.pszName); });

TEST(TransferLineFaults, DownloadCutShortKeepsTheExistingFile) {
    TempFolder oDir;
    Workspace oData;
    vBuildTestSet(oData);
    ASSERT_TRUE(fSave(oData, oDir.sPath("data.vkd")));
    ASSERT_TRUE(fSave(oData, oDir.sPath("tour.vkd")));
    const std::string sTour = sReadFile(oDir.sPath("tour.vkd"));
    SimProcess oSim;
    ASSERT_EQ(oSim.iStart({"--profile", "a301", "--data", oDir.sPath("data.vkd"), "--silence-after",
                           std::to_string(kIdentificationFrames + 2 + 20)}),
              1);
    ProcessResult r =
        oRunProcess({QUILLOX_EXE, "/c", oSim.sPort(), "/dt", "tour.vkd"}, 60.0, oDir.sFolder());
    EXPECT_EQ(r.iExitStatus, 1);
    EXPECT_EQ(sReadFile(oDir.sPath("tour.vkd")), sTour) << "the cut track replaced the file";
    EXPECT_NE(r.sErr.find("quillox: 'tour.vkd' not saved: the track download failed; the file "
                          "keeps its previous content\n"),
              std::string::npos)
        << r.sErr;
}

TEST(TransferLineFaults, RepairedFaultsLeaveACompleteDownload) {
    TempFolder oDir;
    Workspace oData;
    vBuildTestSet(oData);
    ASSERT_TRUE(fSave(oData, oDir.sPath("data.vkd")));
    SimProcess oSim;
    ASSERT_EQ(oSim.iStart({"--profile", "a301", "--data", oDir.sPath("data.vkd"),
                           "--nak-host-frame", "4", "--corrupt-checksum", "50"}),
              1);
    ProcessResult r =
        oRunProcess({QUILLOX_EXE, "/c", oSim.sPort(), "/d", "got.vkd"}, 60.0, oDir.sFolder());
    ASSERT_EQ(r.iExitStatus, 0) << r.sErr;
    Workspace w;
    ASSERT_TRUE(fLoad(w, oDir.sPath("got.vkd")));
    EXPECT_EQ(w.pStore->pWaypoints.size(), 12u);
    EXPECT_EQ(w.pStore->pRoutes.size(), 2u);
    EXPECT_EQ(aTrackPoints(*w.pStore).size(), 40u);
}

} // namespace
