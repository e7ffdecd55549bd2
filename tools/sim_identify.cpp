// How the simulated unit introduces itself: product data, extended product
// data and capability array after a product request, and its clock.

#include <cstdlib>
#include <ctime>

#include "device/link_layer.h"
#include "garmin/protocol_numbers.h"
#include "tools/sim_receiver.h"

namespace {

std::vector<uint8_t> aCapabilityData(const std::vector<std::string> &asEntries) {
    std::vector<uint8_t> a;
    for (const std::string &s : asEntries) {
        if (s.size() < 2) {
            continue;
        }
        a.push_back(static_cast<uint8_t>(s[0]));
        vPutU16(a, static_cast<uint16_t>(std::atoi(s.c_str() + 1)));
    }
    return a;
}

void vAnswerProductRequest(SimReceiver &r, const SimMessage &) {
    const SimProfile &p = r.oProfile;
    std::vector<uint8_t> a;
    vPutU16(a, static_cast<uint16_t>(p.sProductId));
    vPutU16(a, static_cast<uint16_t>(p.sSoftwareVersion));
    for (const std::string &s : p.asDescription) {
        a.insert(a.end(), s.begin(), s.end());
        a.push_back(0);
    }
    if (a.size() > 255) {
        a.resize(255);
    }
    if (!r.pLink->iSend(kPidProductData, a)) {
        return;
    }
    if (p.fSendExtendedProductData) {
        std::string s = "SIM EXTENDED DATA";
        std::vector<uint8_t> aExtended(s.begin(), s.end());
        aExtended.push_back(0);
        if (!r.pLink->iSend(kPidExtendedProductData, aExtended)) {
            return;
        }
    }
    if (!p.asCapabilities.empty()) {
        std::vector<uint8_t> aCaps = aCapabilityData(p.asCapabilities);
        if (aCaps.size() > 255) {
            aCaps.resize(255 - 255 % 3);
        }
        r.pLink->iSend(kPidProtocolArray, aCaps);
    }
}

void vSendTime(SimReceiver &r, uint16_t) {
    std::time_t lNow = r.fFixedTime ? r.lFixedTime : std::time(nullptr);
    std::tm oTm{};
    gmtime_r(&lNow, &oTm);
    std::vector<uint8_t> a;
    a.push_back(static_cast<uint8_t>(oTm.tm_mon + 1));
    a.push_back(static_cast<uint8_t>(oTm.tm_mday));
    vPutU16(a, static_cast<uint16_t>(oTm.tm_year + 1900));
    vPutU16(a, static_cast<uint16_t>(oTm.tm_hour));
    a.push_back(static_cast<uint8_t>(oTm.tm_min));
    a.push_back(static_cast<uint8_t>(oTm.tm_sec));
    r.pLink->iSend(kPidDateTime, a);
}

SimRecordRegistration oProductRequest(kPidProductRequest, &vAnswerProductRequest);
SimCommandRegistration oTime(kCommandTransferTime, &vSendTime);

} // namespace
