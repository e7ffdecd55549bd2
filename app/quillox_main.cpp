#include "app/quillox_main.h"

#include <cstdio>
#include <cstring>

#include "app/build_stamp.h"
#include "app/command_line.h"
#include "app/help.h"
#include "app/run_sequence.h"
#include "base/debug.h"
#include "store/workspace.h"

namespace {

constexpr int kExitUsage = 2;

// The help is asked for by the first argument only: "/?" and its short forms,
// and the forms most console programs take.
bool fAsksForHelp(const char *pszArg) {
    for (const char *psz : {"?", "-?", "/?", "-h", "--help"}) {
        if (std::strcmp(pszArg, psz) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

int iQuilloxMain(int argc, char **argv) {
    // Lines written by printf and by the hex dumps must stay in order with the
    // messages on standard error when both go to one terminal or log.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Workspace oWorkspace;
    RunOptions oOptions;

    std::printf("QUILLOX 0.5c - Garmin GPS data transfer\n");
    std::printf("Build %s\n", pszBuildStamp());
    vInitDebugModes();

    if (argc < 2 || fAsksForHelp(argv[1])) {
        vShowHelp();
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::fflush(stdout); // the banner says it
        return 0;
    }
    if (!iParseCommandLine(argc, argv, oWorkspace, oOptions)) {
        std::fflush(stdout);
        return kExitUsage;
    }
    return iRunSequence(oWorkspace, oOptions);
}
