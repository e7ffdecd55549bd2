// The unit's side of a line speed change: it answers a speed request with the
// rate its clock makes, changes as soon as that answer has left,
// and goes back to 9600 baud unless two pings come at the new speed within
// two seconds. Test aids make it ignore the request, answer an odd rate, lose
// pings or fall silent after the change.

#include <cmath>
#include <cstdlib>
#include <vector>

#include "device/line_speed.h"
#include "garmin/protocol_numbers.h"
#include "store/little_endian.h"
#include "tools/sim_receiver.h"

namespace {

bool fIgnoreRequest = false;
long lOddRate = 0;
int iDropPings = 0;
bool fMuteAfterChange = false;

int iTakeIgnore(SimReceiver &, const char *) {
    fIgnoreRequest = true;
    return 1;
}
int iTakeOddRate(SimReceiver &, const char *pszValue) {
    lOddRate = std::atol(pszValue);
    return lOddRate > 0 ? 1 : 0;
}
int iTakeDropPings(SimReceiver &, const char *pszValue) {
    iDropPings = std::atoi(pszValue);
    return iDropPings >= 1 ? 1 : 0;
}
int iTakeMute(SimReceiver &, const char *) {
    fMuteAfterChange = true;
    return 1;
}

SimOptionRegistration oIgnoreOption("--ignore-speed-request", 0,
                                    " acknowledge speed requests and never answer them",
                                    &iTakeIgnore);
SimOptionRegistration oOddOption("--answer-rate", 1,
                                 "N  answer every speed request with the rate N", &iTakeOddRate);
SimOptionRegistration oDropOption("--drop-pings", 1,
                                  "N  leave the first N pings at a new speed unanswered",
                                  &iTakeDropPings);
SimOptionRegistration oMuteOption("--silent-after-speed-change", 0,
                                  " say nothing at all after changing the speed", &iTakeMute);

// The rate a unit's clock makes of a standard one: a little below it, as a
// real unit answers 115177 for 115200.
uint32_t lClockRate(uint32_t lBaud) {
    return lBaud <= kBaseLineSpeed
               ? lBaud
               : static_cast<uint32_t>(std::lround(static_cast<double>(lBaud) * 0.9998));
}

// The standard speed a rate stands for, or the rate itself.
uint32_t lStandardSpeed(uint32_t lRate) {
    for (uint32_t l : {9600u, 19200u, 38400u, 57600u, 115200u}) {
        if (iRateStandsFor(lRate, l)) {
            return l;
        }
    }
    return lRate;
}

void vAnswerSpeedRequest(SimReceiver &oReceiver, const SimMessage &oMessage) {
    if (fIgnoreRequest || oMessage.aData.size() < 4) {
        return;
    }
    ByteReader r(oMessage.aData);
    uint32_t lAsked = 0;
    r.fU32(lAsked);
    if (!iIsLineSpeed(static_cast<long>(lAsked))) {
        return;
    }
    const uint32_t lAnswer = lOddRate > 0 ? static_cast<uint32_t>(lOddRate) : lClockRate(lAsked);
    std::vector<uint8_t> a;
    ByteWriter w(a);
    w.vU32(lAnswer);
    // The unit changes as soon as its answer has left: hosts differ in
    // whether they acknowledge it, and an ACK would come at the old speed.
    oReceiver.pLink->vSendOnce(kPidBaudAccept, a);
    oReceiver.pLink->vBeginSpeedChange(lStandardSpeed(lAnswer), iDropPings, fMuteAfterChange);
    iDropPings = 0;
}

SimRecordRegistration oSpeedRequest(kPidBaudRequest, &vAnswerSpeedRequest);

} // namespace
