#include "device/identify.h"

#include <cstdio>
#include <cstring>

#include "base/debug.h"
#include "device/link_layer.h"
#include "device/product_table.h"
#include "device/protocol_selection.h"
#include "garmin/protocol_numbers.h"

void vStopPositionReports(DeviceLink *pLink) {
    if (pLink == nullptr || pLink->oProtocolSelection.iPvtProtocol != kA800) {
        return;
    }
    const uint8_t aCommand[4] = {kPidCommandData, 2, static_cast<uint8_t>(kCommandStopPositionData),
                                 0};
    const bool fWasGone = iReceiverGone(pLink) != 0;
    if (!iSendMessage(pLink, aCommand, sizeof(aCommand)) && iDebugProtocol()) {
        std::printf("   Stop PVT command not acknowledged\n");
    }
    // Silence here says nothing about the link: the unit answered before.
    if (!fWasGone) {
        vClearReceiverGone(pLink);
    }
}

int iIdentifyUnit(Workspace *, DeviceLink *pLink) {
    const uint8_t aRequest[3] = {kPidProductRequest, 1, 0x20};
    if (!iSendMessage(pLink, aRequest, sizeof(aRequest))) {
        return 0;
    }
    if (!iReadMessage(pLink, kPidProductData)) {
        return 0;
    }
    std::span<const uint8_t> aData = aReceivedData(pLink);
    int16_t sProductId = 0;
    int16_t sVersion = 0;
    if (aData.size() >= 2) {
        sProductId = static_cast<int16_t>(aData[0] | (aData[1] << 8));
    }
    if (aData.size() >= 4) {
        sVersion = static_cast<int16_t>(aData[2] | (aData[3] << 8));
    }
    // The description is the first zero-terminated string after the two numbers;
    // a unit that sends a single string without terminator still gets it whole.
    char szDescription[256] = "";
    size_t nLength = 0;
    for (size_t n = 4; n < aData.size() && aData[n] != 0; ++n) {
        szDescription[nLength++] = static_cast<char>(aData[n]);
    }
    szDescription[nLength] = '\0';
    pLink->sUnitDescription = szDescription;

    vApplyProductTable(sProductId, sVersion, pLink->oProtocolSelection);

    if (iDebugProtocol()) {
        std::printf("   ID Block read: ID=%s  Version=%d  ProductID=%d\n", szDescription, sVersion,
                    sProductId);
    }
    std::printf("Garmin unit found: ID=%s  Version=%d  ProductID=%d\n", szDescription, sVersion,
                sProductId);
    return 1;
}

int iReadUnitTime(DeviceLink *pLink) {
    const uint8_t aCommand[4] = {kPidCommandData, 2, kCommandTransferTime, 0};
    if (!iSendMessage(pLink, aCommand, sizeof(aCommand))) {
        return 0;
    }
    if (!iReadMessage(pLink, kPidDateTime)) {
        return 0;
    }
    std::span<const uint8_t> a = aReceivedData(pLink);
    if (a.size() < 8) {
        return 0; // too short to hold a date and time
    }
    int iMonth = a[0];
    int iDay = a[1];
    int iYear = a[2] | (a[3] << 8);
    int iHour = a[4]; // only the low byte of the 16-bit hour is meaningful
    int iMinute = a[6];
    int iSecond = a[7];
    if (iDebugProtocol()) {
        std::printf("   UTC Block read: %4.4d/%2.2d/%2.2d - %2.2d:%2.2d:%2.2d\n", iYear, iMonth,
                    iDay, iHour, iMinute, iSecond);
    }
    return 1;
}
