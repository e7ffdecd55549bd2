#include "device/waypoint_records.h"

#include <algorithm>
#include <cstring>

#include "garmin/protocol_numbers.h"
#include "garmin/waypoint_symbols.h"
#include "store/little_endian.h"

namespace {

constexpr float kUnknownAbove = 1000000.0f;

// The fixed layouts share the first 58 bytes; what follows differs.
struct FixedLayout {
    int iFormat;
    int iSize;
    int iProximityAt; // -1 = not carried
    int iSymbolAt;
    int iSymbolBytes; // 1 or 2
    int iDisplayAt;
    int iColorAt;
};

constexpr FixedLayout kaFixedLayouts[] = {
    {kD100, 58, -1, -1, 0, -1, -1}, {kD101, 63, 58, 62, 1, -1, -1}, {kD102, 64, 58, 62, 2, -1, -1},
    {kD103, 60, -1, 58, 1, 59, -1}, {kD104, 65, 58, 62, 2, 64, -1}, {kD107, 65, 60, 58, 1, 59, 64},
    {kD400, 62, 58, -1, 0, -1, -1}, {kD403, 64, 60, 58, 1, 59, -1},
};

const FixedLayout *pFixedLayout(int iFormat) {
    for (const FixedLayout &o : kaFixedLayouts) {
        if (o.iFormat == iFormat) {
            return &o;
        }
    }
    return nullptr;
}

// Writes up to nWidth characters of a zero-terminated field, padded with blanks.
void vPutPadded(uint8_t *p, size_t nWidth, const char *psz, size_t nFieldSize) {
    size_t n = strnlen(psz, nFieldSize);
    n = std::min(n, nWidth);
    std::memset(p, ' ', nWidth);
    std::memcpy(p, psz, n);
}

void vPutU16(uint8_t *p, uint16_t s) {
    p[0] = static_cast<uint8_t>(s);
    p[1] = static_cast<uint8_t>(s >> 8);
}
void vPutU32(uint8_t *p, uint32_t l) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(l >> (8 * i));
    }
}
void vPutI32(uint8_t *p, int32_t l) {
    vPutU32(p, static_cast<uint32_t>(l));
}
void vPutF32(uint8_t *p, float f) {
    vPutU32(p, std::bit_cast<uint32_t>(f));
}

uint16_t sGetU16(const uint8_t *p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t lGetU32(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
int32_t lGetI32(const uint8_t *p) {
    return static_cast<int32_t>(lGetU32(p));
}
float fGetF32(const uint8_t *p) {
    return std::bit_cast<float>(lGetU32(p));
}

// Copies up to nWidth characters, stopping at a zero byte, into a field of
// kNameSize bytes; the result is always terminated.
void vGetText(char *pszOut, const uint8_t *p, size_t nWidth) {
    size_t n = 0;
    while (n < nWidth && n < kNameSize - 1 && p[n] != 0) {
        ++n;
    }
    std::memcpy(pszOut, p, n);
    pszOut[n] = '\0';
}

// The 16-bit altitude of the 150 family: cut toward zero, held within range.
int16_t sShortAltitude(float fAltitude) {
    if (!(fAltitude > -32768.0f)) { // also catches NaN
        return fAltitude != fAltitude ? 0 : INT16_MIN;
    }
    if (fAltitude >= 32767.0f) {
        return INT16_MAX;
    }
    return static_cast<int16_t>(fAltitude);
}

void vEncodeFixed(const Waypoint &o, const FixedLayout &oLayout, uint8_t *p) {
    vPutPadded(p, 6, o.szName, sizeof(o.szName));
    vPutI32(p + 6, o.lLatitude);
    vPutI32(p + 10, o.lLongitude);
    vPutI32(p + 14, o.lTime);
    vPutPadded(p + 18, 40, o.szComment, sizeof(o.szComment));
    if (oLayout.iProximityAt >= 0) {
        vPutF32(p + oLayout.iProximityAt, o.fProximity);
    }
    const int iFormat = oLayout.iFormat;
    if (oLayout.iSymbolAt >= 0) {
        const auto sSymbol = static_cast<uint16_t>(sGetGarminSymbolID(o.sSymbol, iFormat));
        if (oLayout.iSymbolBytes == 2) {
            vPutU16(p + oLayout.iSymbolAt, sSymbol);
        } else if (iFormat == kD101) {
            p[oLayout.iSymbolAt] = static_cast<uint8_t>(sSymbol > 255 ? 36 : sSymbol);
        } else if (sSymbol > 255) {
            p[oLayout.iSymbolAt] = 0; // the display byte stays 0 as well
        } else {
            p[oLayout.iSymbolAt] = static_cast<uint8_t>(sSymbol);
        }
        if (oLayout.iDisplayAt >= 0 && !(oLayout.iSymbolBytes == 1 && sSymbol > 255)) {
            p[oLayout.iDisplayAt] = bGetDeviceDisplay(o.bDisplay, iFormat);
        }
    }
    if (oLayout.iColorAt >= 0) {
        p[oLayout.iColorAt] = bGetDeviceColor(o.bColor, iFormat);
    }
}

void vEncodeD150Family(const Waypoint &o, int iFormat, uint8_t *p) {
    vPutPadded(p, 6, o.szName, sizeof(o.szName));
    if (iFormat == kD150) {
        std::memset(p + 6, ' ', 2); // country code
        p[8] = 4;                   // class: user waypoint
        vPutI32(p + 9, o.lLatitude);
        vPutI32(p + 13, o.lLongitude);
        vPutU16(p + 17, static_cast<uint16_t>(sShortAltitude(o.fAltitude)));
        std::memset(p + 19, ' ', 24 + 2 + 30); // city, state, facility
        vPutPadded(p + 75, 40, o.szComment, sizeof(o.szComment));
        return;
    }
    vPutI32(p + 6, o.lLatitude);
    vPutI32(p + 10, o.lLongitude);
    vPutI32(p + 14, o.lTime);
    vPutPadded(p + 18, 40, o.szComment, sizeof(o.szComment));
    vPutF32(p + 58, o.fProximity);
    std::memset(p + 62, ' ', 30 + 24 + 2); // facility, city, state
    vPutU16(p + 118, static_cast<uint16_t>(sShortAltitude(o.fAltitude)));
    std::memset(p + 120, ' ', 2); // country code
    p[122] = 0;
    p[123] = iFormat == kD151 ? 2 : 4;
    if (iFormat == kD154 || iFormat == kD155) {
        vPutU16(p + 124, static_cast<uint16_t>(sGetGarminSymbolID(o.sSymbol, iFormat)));
    }
    if (iFormat == kD155) {
        p[126] = bGetDeviceDisplay(o.bDisplay, iFormat);
    }
}

int iFixedSize(int iFormat) {
    if (const FixedLayout *pLayout = pFixedLayout(iFormat)) {
        return pLayout->iSize;
    }
    switch (iFormat) {
    case kD150:
        return 115;
    case kD151:
    case kD152:
        return 124;
    case kD154:
        return 126;
    case kD155:
        return 127;
    case kD108:
        return 48;
    case kD109:
        return 52;
    case kD110:
        return 62;
    default:
        return 0;
    }
}

void vEncodeVariable(const Waypoint &o, int iFormat, std::vector<uint8_t> &aData) {
    uint8_t *p = aData.data();
    const auto sSymbol = static_cast<uint16_t>(sGetGarminSymbolID(o.sSymbol, iFormat));
    const uint8_t bDisplay = bGetDeviceDisplay(o.bDisplay, iFormat);
    const uint8_t bColor = bGetDeviceColor(o.bColor, iFormat);
    if (iFormat == kD108) {
        p[0] = 0; // class: user waypoint
        p[1] = bColor;
        p[2] = bDisplay;
        p[3] = 0x60;
    } else {
        p[0] = 1; // data type
        p[1] = 0; // class: user waypoint
        p[2] = static_cast<uint8_t>(((bDisplay << 5) & 0x60) | (bColor & 0x1F));
        p[3] = iFormat == kD109 ? 0x70 : 0x80;
    }
    vPutU16(p + 4, sSymbol);
    std::memset(p + 6, 0x00, 6);
    std::memset(p + 12, 0xFF, 12);
    vPutI32(p + 24, o.lLatitude);
    vPutI32(p + 28, o.lLongitude);
    vPutF32(p + 32, fDeviceAltitude(o.fAltitude));
    vPutF32(p + 36, 0.0f); // depth
    vPutF32(p + 40, o.fProximity);
    std::memset(p + 44, ' ', 4); // state, country code
    if (iFormat != kD108) {
        vPutU32(p + 48, 0xFFFFFFFFu); // estimated time: none
    }
    if (iFormat == kD110) {
        vPutF32(p + 52, kDeviceUnknown); // temperature: none
        vPutI32(p + 56, o.lTime);
        vPutU16(p + 60, 0); // category
    }
    // Name, comment, and the empty facility, city, address and cross road.
    for (const char *psz : {o.szName, o.szComment}) {
        const size_t n = strnlen(psz, kNameSize - 1);
        aData.insert(aData.end(), psz, psz + n);
        aData.push_back(0);
    }
    aData.insert(aData.end(), 4, 0);
}

// Reads a zero-terminated string of a variable record; a string that runs to
// the end of the data without its zero ends there.
size_t nGetString(std::span<const uint8_t> aData, size_t nPos, char *pszOut) {
    size_t nEnd = nPos;
    while (nEnd < aData.size() && aData[nEnd] != 0) {
        ++nEnd;
    }
    vGetText(pszOut, aData.data() + nPos, nEnd - nPos);
    return nEnd < aData.size() ? nEnd + 1 : nEnd;
}

WaypointDecode eDecodeVariable(std::span<const uint8_t> aData, int iFormat, Waypoint &o) {
    const uint8_t *p = aData.data();
    const size_t nIdentifierAt = static_cast<size_t>(iFixedSize(iFormat));
    const bool fUser = iFormat == kD108 ? p[0] == 0 : p[1] == 0;
    nGetString(aData, nGetString(aData, nIdentifierAt, o.szName), o.szComment);
    if (!fUser) {
        return WaypointDecode::kNotUser;
    }
    if (iFormat == kD108) {
        o.bColor = bGetStoredColor(p[1], iFormat);
        o.bDisplay = bGetStoredDisplay(p[2], iFormat);
    } else {
        o.bColor = bGetStoredColor(p[2] & 0x1F, iFormat);
        o.bDisplay = bGetStoredDisplay(static_cast<uint8_t>((p[2] >> 5) & 0x03), iFormat);
    }
    o.sSymbol = sGetStoredSymbol(static_cast<int16_t>(sGetU16(p + 4)), iFormat);
    o.lLatitude = lGetI32(p + 24);
    o.lLongitude = lGetI32(p + 28);
    o.fAltitude = fGetF32(p + 32);
    o.fProximity = fGetF32(p + 40);
    if (iFormat == kD110) {
        o.lTime = lStoredDeviceTime(lGetI32(p + 56));
    }
    return WaypointDecode::kUserWaypoint;
}

WaypointDecode eDecodeD150Family(std::span<const uint8_t> aData, int iFormat, Waypoint &o) {
    const uint8_t *p = aData.data();
    vGetText(o.szName, p, 6);
    if (iFormat == kD150) {
        if (p[8] != 4) {
            return WaypointDecode::kNotUser;
        }
        o.lLatitude = lGetI32(p + 9);
        o.lLongitude = lGetI32(p + 13);
        o.fAltitude = static_cast<int16_t>(sGetU16(p + 17));
        vGetText(o.szComment, p + 75, 40);
        return WaypointDecode::kUserWaypoint;
    }
    if (p[123] != (iFormat == kD151 ? 2 : 4)) {
        return WaypointDecode::kNotUser;
    }
    o.lLatitude = lGetI32(p + 6);
    o.lLongitude = lGetI32(p + 10);
    o.lTime = lGetI32(p + 14);
    vGetText(o.szComment, p + 18, 40);
    o.fProximity = fGetF32(p + 58);
    o.fAltitude = static_cast<int16_t>(sGetU16(p + 118));
    if (iFormat == kD154 || iFormat == kD155) {
        o.sSymbol = sGetStoredSymbol(static_cast<int16_t>(sGetU16(p + 124)), iFormat);
    }
    if (iFormat == kD155) {
        o.bDisplay = bGetStoredDisplay(p[126], iFormat);
    }
    return WaypointDecode::kUserWaypoint;
}

void vDecodeFixed(std::span<const uint8_t> aData, const FixedLayout &oLayout, Waypoint &o) {
    const uint8_t *p = aData.data();
    const int iFormat = oLayout.iFormat;
    vGetText(o.szName, p, 6);
    o.lLatitude = lGetI32(p + 6);
    o.lLongitude = lGetI32(p + 10);
    o.lTime = lGetI32(p + 14);
    vGetText(o.szComment, p + 18, 40);
    if (oLayout.iProximityAt >= 0) {
        o.fProximity = fGetF32(p + oLayout.iProximityAt);
    }
    if (oLayout.iSymbolAt >= 0) {
        const int16_t sDevice = oLayout.iSymbolBytes == 2
                                    ? static_cast<int16_t>(sGetU16(p + oLayout.iSymbolAt))
                                    : static_cast<int16_t>(p[oLayout.iSymbolAt]);
        o.sSymbol = sGetStoredSymbol(sDevice, iFormat);
    }
    if (oLayout.iDisplayAt >= 0) {
        o.bDisplay = bGetStoredDisplay(p[oLayout.iDisplayAt], iFormat);
    }
    if (oLayout.iColorAt >= 0) {
        o.bColor = bGetStoredColor(p[oLayout.iColorAt], iFormat);
    }
}

} // namespace

int iKeepsShortIdentifier(int iFormat) {
    return (pFixedLayout(iFormat) != nullptr || iIsD150FamilyFormat(iFormat)) ? 1 : 0;
}

void vShortIdentifier(const Waypoint &oWaypoint, char (&szIdentifier)[kShortIdentifierSize + 1]) {
    vPutPadded(reinterpret_cast<uint8_t *>(szIdentifier), kShortIdentifierSize, oWaypoint.szName,
               sizeof(oWaypoint.szName));
    szIdentifier[kShortIdentifierSize] = '\0';
}

int iIsWaypointFormat(int iFormat) {
    return iFixedSize(iFormat) != 0 ? 1 : 0;
}

int iEncodeWaypointRecord(const Waypoint &oWaypoint, int iFormat, std::vector<uint8_t> &aData) {
    aData.clear();
    const int iSize = iFixedSize(iFormat);
    if (iSize == 0) {
        return 0;
    }
    aData.assign(static_cast<size_t>(iSize), 0);
    if (const FixedLayout *pLayout = pFixedLayout(iFormat)) {
        vEncodeFixed(oWaypoint, *pLayout, aData.data());
    } else if (iIsD150FamilyFormat(iFormat)) {
        vEncodeD150Family(oWaypoint, iFormat, aData.data());
    } else {
        vEncodeVariable(oWaypoint, iFormat, aData);
    }
    return 1;
}

WaypointDecode eDecodeWaypointRecord(std::span<const uint8_t> aData, int iFormat,
                                     Waypoint &oWaypoint) {
    oWaypoint = oEmptyWaypoint();
    oWaypoint.fAltitude = kNoAltitude;
    const int iSize = iFixedSize(iFormat);
    // A record shorter than its layout would otherwise be filled from whatever
    // an earlier message left in the buffer.
    if (iSize == 0 || aData.size() < static_cast<size_t>(iSize)) {
        return WaypointDecode::kMalformed;
    }
    WaypointDecode eResult = WaypointDecode::kUserWaypoint;
    if (const FixedLayout *pLayout = pFixedLayout(iFormat)) {
        vDecodeFixed(aData, *pLayout, oWaypoint);
    } else if (iIsD150FamilyFormat(iFormat)) {
        eResult = eDecodeD150Family(aData, iFormat, oWaypoint);
    } else {
        eResult = eDecodeVariable(aData, iFormat, oWaypoint);
    }
    if (eResult != WaypointDecode::kUserWaypoint) {
        return eResult;
    }
    // NaN compares false with everything, so it counts as unknown too.
    if (!(oWaypoint.fAltitude <= kUnknownAbove)) {
        oWaypoint.fAltitude = kNoAltitude;
    }
    if (!(oWaypoint.fProximity <= kUnknownAbove)) {
        oWaypoint.fProximity = 0.0f;
    }
    return WaypointDecode::kUserWaypoint;
}
