#include "tools/sim_receiver.h"

#include <cstring>
#include <map>

#include "device/link_layer.h"

namespace {

struct OptionEntry {
    int fTakesValue;
    const char *pszHelp;
    SimOptionHandler pHandler;
};

// Function-local registries: registrations run during static initialisation,
// in no fixed order across files.
std::map<uint8_t, SimRecordHandler> &mRecordHandlers() {
    static std::map<uint8_t, SimRecordHandler> m;
    return m;
}
std::map<uint16_t, SimCommandHandler> &mCommandHandlers() {
    static std::map<uint16_t, SimCommandHandler> m;
    return m;
}
std::map<std::string, OptionEntry> &mOptions() {
    static std::map<std::string, OptionEntry> m;
    return m;
}

const std::vector<SimProfile> &aProfiles() {
    static const std::vector<SimProfile> a = {
        // An old unit without capability array: the product table decides.
        {"legacy73",
         73,
         250,
         {"SIM LEGACY 73 Software Version 2.50"},
         {},
         false,
         "no capability array, product 73: waypoints D103, no proximity"},
        // The unit whose proximity support depends on its software version.
        {"legacy77",
         77,
         355,
         {"SIM LEGACY 77 Software Version 3.55"},
         {},
         false,
         "no capability array, product 77 version 3.55: waypoints D103, no proximity"},
        {"a300",
         404,
         320,
         {"SIM A300 Software Version 3.20", "VERBOSE EXTRA"},
         {"P000", "L001", "A010", "A100", "D108", "A200", "D201", "D108", "A300", "D300"},
         true,
         "waypoints D108, routes D201/D108, tracks A300 D300, no proximity"},
        {"a301",
         405,
         510,
         {"SIM A301 Software Version 5.10"},
         {"P000", "L001", "A010", "A100", "D108", "A200", "D201", "D108", "A301", "D310", "D301"},
         true,
         "waypoints D108, routes D201/D108, tracks A301 D310/D301, no proximity"},
        {"a400",
         406,
         520,
         {"SIM A400 Software Version 5.20"},
         {"P000", "L001", "A010", "A100", "D109", "A200", "D201", "D109", "A301", "D312", "D302",
          "A400", "D403"},
         true,
         "waypoints D109, routes D201/D109, tracks A301 D312/D302, proximity A400 D403"},
        {"a800",
         407,
         530,
         {"SIM A800 Software Version 5.30"},
         {"P000", "L001", "A010", "A100", "D108", "A200", "D201", "D108", "A301", "D310", "D302",
          "A800", "D800"},
         true,
         "as a301 with D302 track points, and live position A800 D800"},
        // Modelled on the handheld units of the 2000s (eTrex Legend/Vista/Venture HC).
        {"etrexhc",
         694,
         280,
         {"SIM ETREX HC Software Version 2.80"},
         {"P000", "L001", "A010", "A100", "D110", "A201", "D202", "D110", "D210", "A301",
          "D312", "D302", "A500", "D501", "A600", "D600", "A700", "D700", "A800", "D800"},
         false,
         "waypoints D110, routes A201 D202/D110/D210, tracks A301 D312/D302, position A800"},
        // Modelled on the fitness units (Forerunner): no routes, tracks that
        // carry heart rate and cadence, and no track upload.
        {"forerunner",
         484,
         250,
         {"SIM FORERUNNER Software Version 2.50"},
         {"P000", "L001", "A010", "A100", "D110", "A302", "D311", "D304", "A800", "D800"},
         false,
         "waypoints D110, tracks A302 D311/D304 (no upload), no routes, position A800"},
    };
    return a;
}

} // namespace

SimRecordRegistration::SimRecordRegistration(uint8_t bRecordId, SimRecordHandler pHandler) {
    mRecordHandlers()[bRecordId] = pHandler;
}

SimCommandRegistration::SimCommandRegistration(uint16_t sCommand, SimCommandHandler pHandler) {
    mCommandHandlers()[sCommand] = pHandler;
}

SimOptionRegistration::SimOptionRegistration(const char *pszName, int fTakesValue,
                                             const char *pszHelp, SimOptionHandler pHandler) {
    mOptions()[pszName] = OptionEntry{fTakesValue, pszHelp, pHandler};
}

SimRecordHandler pFindRecordHandler(uint8_t bRecordId) {
    auto it = mRecordHandlers().find(bRecordId);
    return it == mRecordHandlers().end() ? nullptr : it->second;
}

SimCommandHandler pFindCommandHandler(uint16_t sCommand) {
    auto it = mCommandHandlers().find(sCommand);
    return it == mCommandHandlers().end() ? nullptr : it->second;
}

int iApplyRegisteredOption(SimReceiver &oReceiver, int argc, char **argv, int iIndex) {
    auto it = mOptions().find(argv[iIndex]);
    if (it == mOptions().end()) {
        return 0;
    }
    if (it->second.fTakesValue) {
        if (iIndex + 1 >= argc) {
            return 0;
        }
        return it->second.pHandler(oReceiver, argv[iIndex + 1]) ? 2 : 0;
    }
    return it->second.pHandler(oReceiver, nullptr) ? 1 : 0;
}

void vPrintRegisteredOptions(std::FILE *pOut) {
    for (const auto &[sName, oEntry] : mOptions()) {
        std::fprintf(pOut, "  %s %s\n", sName.c_str(), oEntry.pszHelp);
    }
}

void vDispatchMessage(SimReceiver &oReceiver, const SimMessage &oMessage) {
    if (oMessage.bId == kPidCommandData) {
        if (oMessage.aData.size() < 2) {
            return;
        }
        auto sCommand = static_cast<uint16_t>(oMessage.aData[0] | (oMessage.aData[1] << 8));
        if (SimCommandHandler p = pFindCommandHandler(sCommand)) {
            p(oReceiver, sCommand);
        }
        return;
    }
    if (SimRecordHandler p = pFindRecordHandler(oMessage.bId)) {
        p(oReceiver, oMessage);
    }
}

const SimProfile *pFindProfile(const std::string &sName) {
    for (const SimProfile &o : aProfiles()) {
        if (o.sName == sName) {
            return &o;
        }
    }
    return nullptr;
}

void vPrintProfiles(std::FILE *pOut) {
    for (const SimProfile &o : aProfiles()) {
        std::fprintf(pOut, "    %-10s %s\n", o.sName.c_str(), o.pszSummary);
    }
}

std::vector<std::string> asProfileNames() {
    std::vector<std::string> as;
    for (const SimProfile &o : aProfiles()) {
        as.push_back(o.sName);
    }
    return as;
}
