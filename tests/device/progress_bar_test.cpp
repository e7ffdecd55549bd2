#include <gtest/gtest.h>

#include <string>

#include "device/progress_bar.h"

namespace {

const char *kpszScale =
    "   0%    10%    20%    30%    40%    50%    60%    70%    80%    90%    100%\n"
    "   |      |      |      |      |      |      |      |      |      |      |\n"
    "   [";

TEST(ProgressBar, ThreeRecordsGiveTwentyThreeTwentyThreeTwentyFourMarks) {
    testing::internal::CaptureStdout();
    vStartProgress("Downloading Waypoints", 3);
    std::string sStart = testing::internal::GetCapturedStdout();
    EXPECT_EQ(sStart, std::string("Downloading Waypoints (Total count: 3)\n") + kpszScale);
    std::string asSteps[3];
    for (int i = 1; i <= 3; ++i) {
        testing::internal::CaptureStdout();
        vShowProgress(iProgressPercent(i, 3));
        asSteps[i - 1] = testing::internal::GetCapturedStdout();
    }
    EXPECT_EQ(asSteps[0], std::string(23, '#'));
    EXPECT_EQ(asSteps[1], std::string(23, '#'));
    EXPECT_EQ(asSteps[2], std::string(24, '#') + "]\n");
}

TEST(ProgressBar, OneRecordFillsAtOnceAndNothingGoesBackwards) {
    testing::internal::CaptureStdout();
    vStartProgress("Uploading Track Points", 1);
    vShowProgress(iProgressPercent(1, 1));
    std::string s = testing::internal::GetCapturedStdout();
    EXPECT_EQ(s.substr(s.size() - 72), std::string(70, '#') + "]\n");

    testing::internal::CaptureStdout();
    vStartProgress("Uploading Route Points", 4);
    vShowProgress(50);
    vShowProgress(25); // a smaller percentage adds nothing
    vShowProgress(99);
    s = testing::internal::GetCapturedStdout();
    EXPECT_EQ(s.substr(s.find('[') + 1), std::string(69, '#'));
}

TEST(ProgressBar, PercentOfLargeCounts) {
    EXPECT_EQ(iProgressPercent(1, 3), 33);
    EXPECT_EQ(iProgressPercent(2, 3), 66);
    EXPECT_EQ(iProgressPercent(65535, 65535), 100);
    EXPECT_EQ(iProgressPercent(40000, 65535), 61);
    EXPECT_EQ(iProgressPercent(0, 0), 100);
}

} // namespace
