// The position, angle, UTM and time text readers; the position reader
// also against its quick form, which must store the same semicircles. Byte 0 chooses the reader,
// byte 1 the coordinate format and byte 2 the datum; the rest is the text.
// Run: build-fuzz/fuzz/geo_text_fuzz -max_total_time=180 -rss_limit_mb=2048 -timeout=5
//      -close_fd_mask=3 fuzz/corpus/geo_text   (see fuzz/README.md)
#include <cstddef>
#include <cstdint>
#include <string>

#include "geo/coordinates.h"
#include "geo/time_format.h"
#include "geo/units.h"
#include "geo/utm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize) {
    if (nSize < 3) {
        return 0;
    }
    const int iReader = pData[0] % 4;
    const int16_t sFormat = static_cast<int16_t>(pData[1] % 19); // 0..18: both ends and beyond
    const int16_t sDatum = static_cast<int16_t>(pData[2]);       // known numbers and unknown ones
    std::string sText(reinterpret_cast<const char *>(pData + 3), nSize - 3); // NUL-terminated copy
    double dLatitude = 0;
    double dLongitude = 0;
    switch (iReader) {
    case 0: {
        // The quick reading of grid references stores what the exact one stores.
        const int iExact = iParsePosition(sText.c_str(), sDatum, sFormat, &dLatitude, &dLongitude);
        int32_t lLatitude = 0;
        int32_t lLongitude = 0;
        const int iQuick =
            iParsePositionSemicircles(sText.c_str(), sDatum, sFormat, &lLatitude, &lLongitude);
        if (iQuick != iExact || (iExact && (lLatitude != lDegreesToSemicircles(dLatitude) ||
                                            lLongitude != lDegreesToSemicircles(dLongitude)))) {
            __builtin_trap();
        }
        break;
    }
    case 1:
        iParseLatLon(sText.data(), sFormat, pData[2] & 1, &dLatitude);
        break;
    case 2:
        iParseUtm(sText.data(), sDatum, &dLatitude, &dLongitude);
        break;
    default:
        lParseTime(sText.c_str(), static_cast<int32_t>(pData[2]) * 3600 - 12 * 3600);
        break;
    }
    return 0;
}
