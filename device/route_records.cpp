#include "device/route_records.h"

#include <algorithm>
#include <cstring>

#include "garmin/protocol_numbers.h"
#include "store/little_endian.h"

namespace {
constexpr size_t kHeaderCommentSize = 20;
constexpr size_t kLinkFixedSize = 2 + 18;

// The bytes of a zero-terminated text that starts at nFrom, up to its zero
// byte or the end of the data.
size_t nTextLength(std::span<const uint8_t> aData, size_t nFrom) {
    size_t n = 0;
    while (nFrom + n < aData.size() && aData[nFrom + n] != 0) {
        ++n;
    }
    return n;
}
} // namespace

int iEncodeRouteHeader(const Route &oRoute, int iFormat, std::vector<uint8_t> &aData) {
    aData.clear();
    ByteWriter oOut(aData);
    if (iFormat == kD202) {
        oOut.vBytes(oRoute.szComment, strnlen(oRoute.szComment, kRouteCommentSize - 1));
        oOut.vU8(0);
        return 1;
    }
    if (!iIsRouteHeaderFormat(iFormat)) {
        return 0;
    }
    oOut.vU8(static_cast<uint8_t>(oRoute.lNumber));
    if (iFormat == kD201) {
        uint8_t abComment[kHeaderCommentSize] = {};
        std::memcpy(abComment, oRoute.szComment, strnlen(oRoute.szComment, kHeaderCommentSize));
        oOut.vBytes(abComment, sizeof(abComment));
    }
    return 1;
}

int iDecodeRouteHeader(std::span<const uint8_t> aData, int iFormat, Route &oRoute) {
    oRoute = Route{};
    if (iFormat == kD202) {
        const size_t n = std::min<size_t>(nTextLength(aData, 0), kRouteCommentSize - 1);
        std::memcpy(oRoute.szComment, aData.data(), n);
        return 1;
    }
    const size_t nSize = iFormat == kD200 ? 1 : iFormat == kD201 ? 1 + kHeaderCommentSize : 0;
    if (nSize == 0 || aData.size() < nSize) {
        return 0;
    }
    oRoute.lNumber = aData[0];
    if (iFormat == kD201) {
        size_t n = 0;
        while (n < kHeaderCommentSize && aData[1 + n] != 0) {
            ++n;
        }
        std::memcpy(oRoute.szComment, aData.data() + 1, n);
    }
    return 1;
}

RouteLink oStraightRouteLink() {
    RouteLink o;
    o.sClass = kRouteLinkLine;
    std::memset(o.abSubclass + 6, 0xFF, 12);
    return o;
}

int iEncodeRouteLink(const RouteLink &oLink, int iFormat, std::vector<uint8_t> &aData) {
    aData.clear();
    if (iFormat != kD210) {
        return 0;
    }
    ByteWriter oOut(aData);
    oOut.vU16(oLink.sClass);
    oOut.vBytes(oLink.abSubclass, sizeof(oLink.abSubclass));
    // 50 characters and the terminator, as much as a waypoint name holds.
    oOut.vBytes(oLink.sIdent.data(), std::min<size_t>(oLink.sIdent.size(), kNameSize - 1));
    oOut.vU8(0);
    return 1;
}

int iDecodeRouteLink(std::span<const uint8_t> aData, int iFormat, RouteLink &oLink) {
    oLink = RouteLink{};
    if (iFormat != kD210 || aData.size() < kLinkFixedSize) {
        return 0;
    }
    oLink.sClass = static_cast<uint16_t>(aData[0] | (aData[1] << 8));
    std::memcpy(oLink.abSubclass, aData.data() + 2, sizeof(oLink.abSubclass));
    const size_t n = nTextLength(aData, kLinkFixedSize);
    oLink.sIdent.assign(reinterpret_cast<const char *>(aData.data()) + kLinkFixedSize, n);
    return 1;
}
