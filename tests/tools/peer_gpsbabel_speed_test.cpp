// GPSBabel as the host of a faster line and of the live position: the unit's
// side of the speed change and its D800 stream are what an independent host
// expects, and GPSBabel sees the positions the program writes.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e/link_run.h"
#include "peer_gpsbabel_support.h"

namespace {

using namespace peer;

// Latitude and longitude in minutes of every $GPRMC sentence with a fix.
std::vector<std::pair<double, double>> aRmcPositions(const std::string &sText) {
    std::vector<std::pair<double, double>> a;
    for (size_t n = sText.find("$GPRMC,"); n != std::string::npos;
         n = sText.find("$GPRMC,", n + 1)) {
        std::vector<std::string> as;
        size_t nField = n;
        for (int i = 0; i < 7; ++i) {
            const size_t nComma = sText.find(',', nField);
            as.push_back(sText.substr(nField, nComma - nField));
            nField = nComma + 1;
        }
        if (as[2] != "A") {
            continue;
        }
        auto dMinutes = [](const std::string &s, int iDegreeDigits, const std::string &sHemi) {
            const double d =
                std::atof(s.substr(0, static_cast<size_t>(iDegreeDigits)).c_str()) * 60.0 +
                std::atof(s.substr(static_cast<size_t>(iDegreeDigits)).c_str());
            return sHemi == "S" || sHemi == "W" ? -d : d;
        };
        a.emplace_back(dMinutes(as[3], 2, as[4]), dMinutes(as[5], 3, as[6]));
    }
    return a;
}

class GpsbabelSpeed : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fHaveGpsbabel()) {
            GTEST_SKIP() << "gpsbabel is not installed";
        }
        std::string sPath;
        for (int i = 0; i < 40; ++i) {
            sPath += std::to_string(46.8 + i * 0.0013) + " " + std::to_string(-8.2 - i * 0.0007) +
                     " " + std::to_string(500 + i) + "\n";
        }
        vWriteFile(oDir.sPath("path.txt"), sPath);
    }
    // Runs asArgs (PORT for the terminal) against a fresh unit streaming the
    // path, ends it with SIGINT after two seconds; the unit's frame log.
    std::string sRun(std::vector<std::string> asArgs, std::string *psOut = nullptr) {
        SimProcess oSim;
        EXPECT_EQ(
            oSim.iStart({"--profile", "a800", "--pvt", oDir.sPath("path.txt"), "--pvt-interval",
                         "200", "--time", "1700000000", "--log", oDir.sPath("frames.log")}),
            1);
        // GPSBabel finds the terminal in raw mode, as a serial port would be.
        EXPECT_EQ(std::system(("stty -F " + oSim.sTerminal() + " raw").c_str()), 0);
        for (std::string &s : asArgs) {
            s = s == "PORT" ? oSim.sPort() : s;
        }
        ChildProcess oRun;
        EXPECT_EQ(oRun.iStart(asArgs, oDir.sFolder(), {"ORVENSTA_DEBUG"}), 1);
        oRun.vReadUntil(dSecondsNow() + 2.5);
        oRun.vSignal(SIGINT);
        oRun.vReadUntil(dSecondsNow() + 10.0);
        oRun.iWait(dSecondsNow() + 1.0);
        oSim.sStop();
        if (psOut != nullptr) {
            *psOut = oRun.sOut;
        }
        return sReadFile(oDir.sPath("frames.log"));
    }
    TempFolder oDir;
};

TEST_F(GpsbabelSpeed, GpsbabelChangesTheSimulatorsSpeedAndSetsItBack) {
    SimProcess oSim;
    ASSERT_EQ(oSim.iStart({"--profile", "a400", "--log", oDir.sPath("frames.log")}), 1);
    ASSERT_EQ(std::system(("stty -F " + oSim.sTerminal() + " raw").c_str()), 0);
    ProcessResult r = oRunProcess({"/usr/bin/gpsbabel", "-w", "-i", "garmin,baud=115200", "-f",
                                   oSim.sPort(), "-o", "gpx", "-F", oDir.sPath("got.gpx")},
                                  60.0);
    oSim.sStop();
    EXPECT_EQ(r.iExitStatus, 0) << r.sErr;
    const std::string sFrames = sReadFile(oDir.sPath("frames.log"));
    EXPECT_NE(sFrames.find("# speed 115200 baud confirmed"), std::string::npos) << sFrames;
    EXPECT_NE(sFrames.find("# speed 9600 baud confirmed"), std::string::npos) << sFrames;
    EXPECT_EQ(oParseGpx(sReadFile(oDir.sPath("got.gpx"))).aWaypoints.size(), 36u);
}

TEST_F(GpsbabelSpeed, GpsbabelSeesThePositionsTheProgramWrites) {
    std::string sGpsbabel;
    sRun({"/usr/bin/gpsbabel", "-T", "-i", "garmin", "-f", "PORT", "-o", "nmea", "-F", "-"},
         &sGpsbabel);
    sRun({QUILLOX_EXE, "/c", "PORT", "/n", "live.nme"});
    const auto aTheirs = aRmcPositions(sGpsbabel);
    const auto aOurs = aRmcPositions(sReadFile(oDir.sPath("live.nme")));
    ASSERT_GE(aTheirs.size(), 5u) << sGpsbabel;
    ASSERT_GE(aOurs.size(), 5u);
    // Both units start the path at the same moment of their clock.
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_NEAR(aOurs[i].first, aTheirs[i].first, 0.006) << i;
        EXPECT_NEAR(aOurs[i].second, aTheirs[i].second, 0.006) << i;
    }
}

} // namespace
