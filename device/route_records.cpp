#include "device/route_records.h"

#include <cstring>

#include "garmin/protocol_numbers.h"
#include "store/little_endian.h"

namespace {
constexpr size_t kHeaderCommentSize = 20;
}

int iEncodeRouteHeader(const Route &oRoute, int iFormat, std::vector<uint8_t> &aData) {
    aData.clear();
    if (!iIsRouteHeaderFormat(iFormat)) {
        return 0;
    }
    ByteWriter oOut(aData);
    oOut.vU8(static_cast<uint8_t>(oRoute.lNumber));
    if (iFormat == kD201) {
        uint8_t abComment[kHeaderCommentSize] = {};
        std::memcpy(abComment, oRoute.szComment, strnlen(oRoute.szComment, kHeaderCommentSize));
        oOut.vBytes(abComment, sizeof(abComment));
    }
    return 1;
}

int iDecodeRouteHeader(std::span<const uint8_t> aData, int iFormat, Route &oRoute) {
    std::memset(&oRoute, 0, sizeof(oRoute));
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
