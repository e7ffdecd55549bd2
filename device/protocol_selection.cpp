#include "device/protocol_selection.h"

#include <cstdio>

#include "base/debug.h"

namespace {

bool fIn(int32_t l, std::initializer_list<int32_t> al) {
    for (int32_t lAccepted : al) {
        if (l == lAccepted) {
            return true;
        }
    }
    return false;
}

// Waypoint formats a waypoint transfer accepts; a route transfer takes the
// same without D110.
bool fWaypointFormat(int32_t l, bool fWithD110) {
    return fIn(l, {kD100, kD101, kD102, kD103, kD104, kD107, kD108, kD109}) ||
           (fWithD110 && l == kD110) || iIsD150FamilyFormat(l);
}

// Formats a proximity waypoint transfer accepts.
bool fProximityFormat(int32_t l) {
    return fIn(l, {kD101, kD102, kD104, kD107, kD108, kD109, kD110, kD400, kD403}) ||
           (iIsD150FamilyFormat(l) && l != kD150);
}

void vTrace(const char *pszFormat, char cTag, int iNumber) {
    if (iDebugProtocol()) {
        std::printf(pszFormat, cTag, iNumber);
    }
}

void vReject(int32_t (&aRejected)[2], int32_t lCurrentA, int32_t lNumber) {
    aRejected[0] = lCurrentA;
    aRejected[1] = lNumber;
}

void vApplyData(ProtocolSelection &o, int32_t lCurrentA, char cTag, int32_t lNumber) {
    switch (lCurrentA) {
    case kA100:
        if (fWaypointFormat(lNumber, true)) {
            o.iWptFormat = lNumber;
        } else {
            o.iWptFormat = 0;
            vReject(o.iWptRejected, lCurrentA, lNumber);
            vTrace("  unsupported Wpt Transfer type: %c%03.3d\n", cTag, lNumber);
        }
        break;
    case kA200:
        if (fWaypointFormat(lNumber, false)) {
            o.iRteWptFormat = lNumber;
        } else if (iIsRouteHeaderFormat(lNumber)) {
            o.iRteHdrFormat = lNumber;
        } else {
            o.iRteProtocol = o.iRteHdrFormat = o.iRteWptFormat = 0;
            vReject(o.iRteRejected, lCurrentA, lNumber);
            vTrace("  unsupported Route Transfer type: %c%03.3d\n", cTag, lNumber);
        }
        break;
    case kA201:
        // A201 routes: a header, then the points in a waypoint format (D110
        // included) with a link record between each two.
        if (fWaypointFormat(lNumber, true)) {
            o.iRteWptFormat = lNumber;
        } else if (iIsAnyRouteHeaderFormat(lNumber)) {
            o.iRteHdrFormat = lNumber;
        } else if (lNumber == kD210) {
            o.iRteLinkFormat = lNumber;
        } else {
            o.iRteProtocol = o.iRteHdrFormat = o.iRteWptFormat = o.iRteLinkFormat = 0;
            vReject(o.iRteRejected, lCurrentA, lNumber);
            vTrace("  unsupported Route Transfer type: %c%03.3d\n", cTag, lNumber);
        }
        break;
    case kA300:
        o.iTrkHdrFormat = 0;
        if (lNumber == kD300 || lNumber == kD301) {
            o.iTrkFormat = lNumber;
        } else {
            o.iTrkProtocol = o.iTrkFormat = 0;
            vReject(o.iTrkRejected, lCurrentA, lNumber);
            vTrace("  unsupported Track Transfer type: %c%03.3d\n", cTag, lNumber);
        }
        break;
    case kA301:
    case kA302:
        if (iIsAnyTrackPointFormat(lNumber)) {
            o.iTrkFormat = lNumber;
        } else if (iIsTrackHeaderFormat(lNumber) || lNumber == kD311) {
            o.iTrkHdrFormat = lNumber;
        } else {
            o.iTrkProtocol = o.iTrkFormat = o.iTrkHdrFormat = 0;
            vReject(o.iTrkRejected, lCurrentA, lNumber);
            vTrace("  unsupported Track Transfer type: %c%03.3d\n", cTag, lNumber);
        }
        break;
    case kA400:
        if (fProximityFormat(lNumber)) {
            o.iPrxFormat = lNumber;
        } else {
            o.iPrxFormat = o.iPrxProtocol = 0;
            vReject(o.iPrxRejected, lCurrentA, lNumber);
            vTrace("  unsupported Proximity Wpt Transfer type: %c%03.3d\n", cTag, lNumber);
        }
        break;
    case kA800:
        if (lNumber != kD800) {
            o.iPvtProtocol = 0;
            vTrace("  unsupported PVT type: %c%03.3d\n", cTag, lNumber);
        }
        break;
    default:
        break; // no transfer protocol the program speaks: the entry does not concern us
    }
}

} // namespace

void vParseProtocolArray(std::span<const uint8_t> aData, ProtocolSelection &o) {
    o = ProtocolSelection{};
    o.iWptProtocol = o.iWptFormat = o.iRteProtocol = o.iRteHdrFormat = o.iRteWptFormat = 0;
    o.iTrkProtocol = o.iTrkFormat = 0;
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
            case kA010:
            case kA011:
                break;
            case kA100:
                o.iWptProtocol = lNumber;
                break;
            case kA200:
            case kA201:
                o.iRteProtocol = lNumber;
                break;
            case kA300:
            case kA301:
            case kA302:
                o.iTrkProtocol = lNumber;
                break;
            case kA400:
                o.iPrxProtocol = lNumber;
                break;
            case kA800:
                o.iPvtProtocol = lNumber;
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
