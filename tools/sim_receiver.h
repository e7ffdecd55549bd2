#pragma once
// The simulated receiver: its identity, its data, and the handlers that answer
// host messages. Each concern registers its handlers from its own file with a
// static registration object, so new transfers need no edit of the others:
//
//   static SimCommandRegistration oWaypoints(kCommandTransferWaypoints, &vSendWaypoints);
//   static SimRecordRegistration oRecords(kPidRecords, &vReceiveRecords);
//   static SimOptionRegistration oData("--data", 1, "FILE  serve the records of a .VKD file",
//                                      &iLoadData);

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "store/workspace.h"
#include "tools/sim_link.h"

struct SimProfile {
    std::string sName;
    int16_t sProductId = 0;
    int16_t sSoftwareVersion = 0;
    std::vector<std::string> asDescription; // each sent zero-terminated
    // Capability entries as text ("A100", "D108"); empty = the unit sends no array.
    std::vector<std::string> asCapabilities;
    bool fSendExtendedProductData = false;
    const char *pszSummary = ""; // what the unit speaks, for --help
};

struct SimReceiver {
    SimLink *pLink = nullptr;
    SimProfile oProfile;
    Workspace oWorkspace; // the records the unit holds and serves
    // Unit clock: fixed when set (seconds since 1970, UTC), else the host's clock.
    bool fFixedTime = false;
    std::time_t lFixedTime = 0;
};

// Handles a host message with this record id (command data, kPidCommandData, is dispatched
// by command number instead).
using SimRecordHandler = void (*)(SimReceiver &oReceiver, const SimMessage &oMessage);
// Handles command data (kPidCommandData) with this command number.
using SimCommandHandler = void (*)(SimReceiver &oReceiver, uint16_t sCommand);
// Takes the value of an option (nullptr for options without value); 0 = bad value.
using SimOptionHandler = int (*)(SimReceiver &oReceiver, const char *pszValue);

struct SimRecordRegistration {
    SimRecordRegistration(uint8_t bRecordId, SimRecordHandler pHandler);
};
struct SimCommandRegistration {
    SimCommandRegistration(uint16_t sCommand, SimCommandHandler pHandler);
};
struct SimOptionRegistration {
    SimOptionRegistration(const char *pszName, int fTakesValue, const char *pszHelp,
                          SimOptionHandler pHandler);
};

SimRecordHandler pFindRecordHandler(uint8_t bRecordId);
SimCommandHandler pFindCommandHandler(uint16_t sCommand);
// Applies a registered option; returns the number of arguments consumed
// (1 or 2), or 0 when the option is unknown or its value is bad.
int iApplyRegisteredOption(SimReceiver &oReceiver, int argc, char **argv, int iIndex);
void vPrintRegisteredOptions(std::FILE *pOut);

// Dispatches one host message to its handler; unknown messages are ignored
// (a unit acknowledges and drops what it does not understand).
void vDispatchMessage(SimReceiver &oReceiver, const SimMessage &oMessage);

// 1 once the simulator was asked to end (SIGTERM, SIGINT, SIGHUP).
int iSimStopRequested();

// Built-in unit profiles; nullptr for an unknown name.
const SimProfile *pFindProfile(const std::string &sName);
std::vector<std::string> asProfileNames();
// One line per profile: its name and what the unit speaks.
void vPrintProfiles(std::FILE *pOut);

// Little-endian helpers for building record data.
inline void vPutU16(std::vector<uint8_t> &a, uint16_t s) {
    a.push_back(static_cast<uint8_t>(s));
    a.push_back(static_cast<uint8_t>(s >> 8));
}
