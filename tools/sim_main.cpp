// quillox-sim: a simulated Garmin receiver on a pseudo-terminal. It prints the
// path of the terminal's device side, optionally links it to a given path, and
// answers the host like a unit until it is stopped or stays idle too long.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "tools/sim_receiver.h"

namespace {

volatile std::sig_atomic_t fStop = 0;

void vOnSignal(int) {
    fStop = 1;
}

void vUsage(std::FILE *pOut) {
    std::fprintf(pOut, "usage: quillox-sim [options]\n"
                       "  --profile NAME           unit profile (default a300):\n");
    vPrintProfiles(pOut);
    std::fprintf(pOut,
                 "  --product-id N           product id in the product data\n"
                 "  --software-version N     software version in hundredths\n"
                 "  --description TEXT       product description\n"
                 "  --capabilities LIST      capability entries, e.g. A100,D108 ('' = none)\n"
                 "  --time SECONDS           fixed unit clock, seconds since 1970 UTC\n"
                 "  --link PATH              symlink PATH to the pseudo-terminal (replaces only\n"
                 "                           a link of this user to a terminal, as left behind\n"
                 "                           by an earlier run)\n"
                 "  --log FILE               log every frame (hex, both directions)\n"
                 "  --ack-timeout MS         wait for an ACK before resending (default 1000)\n"
                 "  --idle-exit SECONDS      end after this long without host frames (0 never)\n"
                 "  --corrupt-checksum N     send sim frame N with a wrong checksum\n"
                 "  --nak-host-frame N       answer host frame N with a NAK\n"
                 "  --drop-ack N             ignore host frame N (no ACK)\n"
                 "  --noise-before N         send noise bytes before sim frame N\n"
                 "  --silence-after N        send nothing after sim frame N\n"
                 "  --data-while-ack N       answer host frame N with a data record, no ACK\n"
                 "Sim frames count every frame the simulator sends, ACKs included; host\n"
                 "frames count the host frames that are acknowledged (not ACK/NAK).\n");
    vPrintRegisteredOptions(pOut);
}

// --link PATH may take the place of nothing, or of a symbolic link of this
// user (any link for root) that points into /dev, as an earlier run leaves it
// when it is killed. A file, a folder or someone's own link is never removed.
bool fMayReplaceLink(const std::string &sPath) {
    struct stat oStat {};
    if (lstat(sPath.c_str(), &oStat) != 0) {
        return errno == ENOENT;
    }
    if (!S_ISLNK(oStat.st_mode) || (oStat.st_uid != geteuid() && geteuid() != 0)) {
        return false;
    }
    char acTarget[256];
    ssize_t n = readlink(sPath.c_str(), acTarget, sizeof(acTarget));
    return n > 5 && static_cast<size_t>(n) < sizeof(acTarget) &&
           std::string_view(acTarget, static_cast<size_t>(n)).starts_with("/dev/");
}

// Whether sPath is still the link this run made to sTarget.
bool fIsOurLink(const std::string &sPath, const std::string &sTarget) {
    char acTarget[256];
    ssize_t n = readlink(sPath.c_str(), acTarget, sizeof(acTarget));
    return n >= 0 && std::string_view(acTarget, static_cast<size_t>(n)) == sTarget;
}

bool fNumber(const char *psz, long *pl) {
    char *pszEnd = nullptr;
    *pl = std::strtol(psz, &pszEnd, 10);
    return pszEnd != psz && *pszEnd == '\0';
}

std::vector<std::string> asSplit(const std::string &s) {
    std::vector<std::string> as;
    std::string sCurrent;
    for (char c : s) {
        if (c == ',' || c == ' ') {
            if (!sCurrent.empty()) {
                as.push_back(sCurrent);
            }
            sCurrent.clear();
        } else {
            sCurrent += c;
        }
    }
    if (!sCurrent.empty()) {
        as.push_back(sCurrent);
    }
    return as;
}

} // namespace

int iSimStopRequested() {
    return fStop ? 1 : 0;
}

int main(int argc, char **argv) {
    SimReceiver oReceiver;
    oReceiver.oProfile = *pFindProfile("a300");
    SimFaults oFaults;
    std::string sLinkPath, sLogPath;
    long lAckTimeout = 1000, lIdleExit = 0;

    // Profile first, so that single fields given anywhere override it.
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--profile") == 0) {
            const SimProfile *p = pFindProfile(argv[i + 1]);
            if (p == nullptr) {
                std::fprintf(stderr, "quillox-sim: unknown profile '%s'\n", argv[i + 1]);
                vUsage(stderr);
                return 2;
            }
            oReceiver.oProfile = *p;
        }
    }
    for (int i = 1; i < argc; ++i) {
        std::string s = argv[i];
        const char *pszValue = i + 1 < argc ? argv[i + 1] : nullptr;
        long l = 0;
        auto fNum = [&](int *piField) {
            if (pszValue == nullptr || !fNumber(pszValue, &l)) {
                return false;
            }
            *piField = static_cast<int>(l);
            return true;
        };
        bool fOk = true;
        int iTaken = 2;
        if (s == "--profile") {
            fOk = pszValue != nullptr;
        } else if (s == "--product-id" || s == "--software-version") {
            fOk = pszValue != nullptr && fNumber(pszValue, &l);
            (s == "--product-id" ? oReceiver.oProfile.sProductId
                                 : oReceiver.oProfile.sSoftwareVersion) = static_cast<int16_t>(l);
        } else if (s == "--description" && pszValue != nullptr) {
            oReceiver.oProfile.asDescription = {pszValue};
        } else if (s == "--capabilities" && pszValue != nullptr) {
            oReceiver.oProfile.asCapabilities = asSplit(pszValue);
        } else if (s == "--time") {
            fOk = pszValue != nullptr && fNumber(pszValue, &l);
            oReceiver.fFixedTime = true;
            oReceiver.lFixedTime = static_cast<std::time_t>(l);
        } else if (s == "--link" && pszValue != nullptr) {
            sLinkPath = pszValue;
        } else if (s == "--log" && pszValue != nullptr) {
            sLogPath = pszValue;
        } else if (s == "--ack-timeout") {
            fOk = pszValue != nullptr && fNumber(pszValue, &lAckTimeout);
        } else if (s == "--idle-exit") {
            fOk = pszValue != nullptr && fNumber(pszValue, &lIdleExit);
        } else if (s == "--corrupt-checksum") {
            fOk = fNum(&oFaults.iCorruptChecksumOfSimFrame);
        } else if (s == "--nak-host-frame") {
            fOk = fNum(&oFaults.iNakHostFrame);
        } else if (s == "--drop-ack") {
            fOk = fNum(&oFaults.iDropAckOfHostFrame);
        } else if (s == "--noise-before") {
            fOk = fNum(&oFaults.iNoiseBeforeSimFrame);
        } else if (s == "--silence-after") {
            fOk = fNum(&oFaults.iSilenceAfterSimFrame);
        } else if (s == "--data-while-ack") {
            fOk = fNum(&oFaults.iDataInsteadOfAck);
        } else if (s == "--help" || s == "-h") {
            vUsage(stdout);
            return 0;
        } else {
            iTaken = iApplyRegisteredOption(oReceiver, argc, argv, i);
            fOk = iTaken > 0;
        }
        if (!fOk) {
            std::fprintf(stderr, "quillox-sim: bad or incomplete option '%s'\n", argv[i]);
            vUsage(stderr);
            return 2;
        }
        i += iTaken - 1;
    }

    int iMaster = posix_openpt(O_RDWR | O_NOCTTY);
    if (iMaster < 0 || grantpt(iMaster) != 0 || unlockpt(iMaster) != 0) {
        std::perror("quillox-sim: pseudo-terminal");
        return 1;
    }
    const char *pszSlave = ptsname(iMaster);
    if (pszSlave == nullptr) {
        std::perror("quillox-sim: ptsname");
        return 1;
    }
    std::string sSlave = pszSlave;
    // Holding the device side open keeps the terminal alive between program runs
    // (the master would report an error while no one has the device side open).
    int iSlaveKeep = open(sSlave.c_str(), O_RDWR | O_NOCTTY);
    if (iSlaveKeep >= 0) {
        termios oTerm{};
        if (tcgetattr(iSlaveKeep, &oTerm) == 0) {
            cfmakeraw(&oTerm);
            // A unit starts at 9600 baud; a host that sets no speed finds it there.
            cfsetispeed(&oTerm, B9600);
            cfsetospeed(&oTerm, B9600);
            tcsetattr(iSlaveKeep, TCSANOW, &oTerm);
        }
    }
    if (!sLinkPath.empty()) {
        if (!fMayReplaceLink(sLinkPath)) {
            std::fprintf(stderr,
                         "quillox-sim: --link: '%s' exists and is not a link to a terminal that "
                         "an earlier run left; it is not replaced\n",
                         sLinkPath.c_str());
            return 1;
        }
        unlink(sLinkPath.c_str());
        if (symlink(sSlave.c_str(), sLinkPath.c_str()) != 0) {
            std::perror("quillox-sim: symlink");
            return 1;
        }
    }
    std::FILE *pLog = nullptr;
    if (!sLogPath.empty()) {
        pLog = std::fopen(sLogPath.c_str(), "w");
        if (pLog == nullptr) {
            std::perror("quillox-sim: log file");
            return 1;
        }
    }
    std::signal(SIGTERM, vOnSignal);
    std::signal(SIGINT, vOnSignal);
    std::signal(SIGHUP, vOnSignal);
    std::signal(SIGPIPE, SIG_IGN);

    std::printf("%s\n", sSlave.c_str());
    std::fflush(stdout);

    SimLink oLink(iMaster, oFaults, pLog);
    oLink.iAckTimeoutMs = static_cast<int>(lAckTimeout);
    oReceiver.pLink = &oLink;
    long lIdleMs = 0;
    while (!fStop) {
        SimMessage oMessage;
        if (oLink.iNextMessage(&oMessage, 200)) {
            lIdleMs = 0;
            vDispatchMessage(oReceiver, oMessage);
        } else {
            lIdleMs += 200;
            if (lIdleExit > 0 && lIdleMs >= lIdleExit * 1000) {
                break;
            }
        }
    }
    if (!sLinkPath.empty() && fIsOurLink(sLinkPath, sSlave)) {
        unlink(sLinkPath.c_str());
    }
    if (pLog != nullptr) {
        std::fclose(pLog);
    }
    return 0;
}
