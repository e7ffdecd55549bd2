#include "device/progress_bar.h"

#include <cstdint>
#include <cstdio>

namespace {
int16_t sMarksShown = 0;
}

void vStartProgress(const char *pszTitle, int iTotalCount) {
    sMarksShown = 0;
    std::printf("%s (Total count: %d)\n", pszTitle, iTotalCount);
    std::printf("   0%%    10%%    20%%    30%%    40%%    50%%    60%%    70%%    80%%    "
                "90%%    100%%\n");
    std::printf("   |      |      |      |      |      |      |      |      |      |      |\n");
    std::printf("   [");
    std::fflush(stdout);
}

void vShowProgress(int iPercent) {
    // Seven marks per ten percent, rounded: 70 marks at 100 %.
    while (sMarksShown < (iPercent * 7 + 5) / 10) {
        std::printf("#");
        std::fflush(stdout);
        ++sMarksShown;
    }
    if (iPercent == 100) {
        std::printf("]\n");
    }
    std::fflush(stdout);
}

int iProgressPercent(int iDone, int iTotal) {
    if (iTotal <= 0) {
        return 100;
    }
    return static_cast<int>((static_cast<long long>(iDone) * 100) / iTotal);
}
