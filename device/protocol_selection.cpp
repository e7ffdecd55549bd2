#include "device/protocol_selection.h"

#include <cstdio>

#include "base/debug.h"

namespace {

ProtocolSelection oSelection;

bool fIn(int32_t l, std::initializer_list<int32_t> al) {
    for (int32_t lAccepted : al) {
        if (l == lAccepted) {
            return true;
        }
    }
    return false;
}

bool fInRange(int32_t l, int32_t lLow, int32_t lHigh) {
    return l >= lLow && l <= lHigh;
}

// Waypoint formats a waypoint or route transfer may use.
bool fWaypointFormat(int32_t l, bool fWithD110) {
    return fInRange(l, 100, 104) || fInRange(l, 107, 109) || (fWithD110 && l == 110) ||
           fInRange(l, 150, 152) || l == 154 || l == 155;
}

void vTrace(const char *pszFormat, char cTag, int iNumber) {
    if (iDebugProtocol()) {
        std::printf(pszFormat, cTag, iNumber);
    }
}

void vApplyData(ProtocolSelection &o, int32_t lCurrentA, char cTag, int32_t lNumber) {
    switch (lCurrentA) {
    case 100:
        if (fWaypointFormat(lNumber, true)) {
            o.iWptFormat = lNumber;
        } else {
            o.iWptFormat = 0;
            vTrace("  unsupported Wpt Transfer type: %c%03.3d\n", cTag, lNumber);
        }
        break;
    case 200:
        if (fWaypointFormat(lNumber, false)) {
            o.iRteWptFormat = lNumber;
        } else if (lNumber == 200 || lNumber == 201) {
            o.iRteHdrFormat = lNumber;
        } else {
            o.iRteProtocol = o.iRteHdrFormat = o.iRteWptFormat = 0;
            vTrace("  unsupported Route Transfer type: %c%03.3d\n", cTag, lNumber);
        }
        break;
    case 300:
        o.iTrkHdrFormat = 0;
        if (lNumber == 300 || lNumber == 301) {
            o.iTrkFormat = lNumber;
        } else {
            o.iTrkProtocol = o.iTrkFormat = 0;
            vTrace("  unsupported Track Transfer type: %c%03.3d\n", cTag, lNumber);
        }
        break;
    case 301:
    case 302:
        if (fInRange(lNumber, 300, 302)) {
            o.iTrkFormat = lNumber;
        } else if (lNumber == 310 || lNumber == 312) {
            o.iTrkHdrFormat = lNumber;
        } else {
            o.iTrkProtocol = o.iTrkFormat = o.iTrkHdrFormat = 0;
            vTrace("  unsupported Track Transfer type: %c%03.3d\n", cTag, lNumber);
        }
        break;
    case 400:
        if (fIn(lNumber, {101, 102, 104, 107, 108, 109, 110, 151, 152, 154, 155, 400, 403})) {
            o.iPrxFormat = lNumber;
        } else {
            o.iPrxFormat = o.iPrxProtocol = 0;
            vTrace("  unsupported Proximity Wpt Transfer type: %c%03.3d\n", cTag, lNumber);
        }
        break;
    default:
        break; // no transfer protocol the program speaks: the entry does not concern us
    }
}

} // namespace

ProtocolSelection &oProtocolSelection() {
    return oSelection;
}

void vResetProtocolSelection() {
    oSelection = ProtocolSelection{};
}

void vParseProtocolArray(std::span<const uint8_t> aData) {
    ProtocolSelection &o = oSelection;
    o = ProtocolSelection{0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    if (iDebugProtocol()) {
        std::printf("Protocol Capabilities Block read. Supported protocols are:\n");
    }
    int32_t lCurrentA = 0;
    // Only whole entries: a trailing fragment would read past the message.
    for (size_t n = 0; n + 3 <= aData.size(); n += 3) {
        char cTag = static_cast<char>(aData[n]);
        int32_t lNumber = static_cast<int32_t>(aData[n + 1] | (aData[n + 2] << 8));
        vTrace("  %c%03.3d\n", cTag, lNumber);
        if (cTag == 'A') {
            lCurrentA = lNumber;
            switch (lNumber) {
            case 10:
            case 11:
                break;
            case 100:
                o.iWptProtocol = lNumber;
                break;
            case 200:
                o.iRteProtocol = lNumber;
                break;
            case 300:
            case 301:
            case 302:
                o.iTrkProtocol = lNumber;
                break;
            case 400:
                o.iPrxProtocol = lNumber;
                break;
            default:
                vTrace("  %c%03.3d - unsupported transfer protocol\n", cTag, lNumber);
                break;
            }
        } else if (cTag == 'D') {
            vApplyData(o, lCurrentA, cTag, lNumber);
        }
    }
}
