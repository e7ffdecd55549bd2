#include "app/quillox_main.h"

#include <cstdio>
#include <cstring>

#include "app/build_stamp.h"
#include "app/command_line.h"
#include "app/help.h"
#include "app/run_sequence.h"
#include "base/console.h"
#include "base/debug.h"
#include "base/version.h"
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

// "/n -" anywhere on the command line: the live sentences take standard
// output, so it must be handed over before the banner is printed.
bool fLiveToStandardOutput(int argc, char **argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        const char *psz = argv[i];
        if ((psz[0] == '/' || psz[0] == '-') && (psz[1] == 'n' || psz[1] == 'N') &&
            psz[2] == '\0' && std::strcmp(argv[i + 1], "-") == 0) {
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
    if (fLiveToStandardOutput(argc, argv)) {
        oOptions.pLiveStream = pTakeStandardOutputForData();
        if (oOptions.pLiveStream == nullptr) {
            std::fprintf(stderr, "quillox: cannot keep standard output for the live position\n");
            return kExitUsage;
        }
    }

    std::printf("QUILLOX %s - Garmin GPS data transfer\n", kszRelease);
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
