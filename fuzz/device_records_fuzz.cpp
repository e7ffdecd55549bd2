// The receivers' waypoint, route header, route link, track point and track
// header records. Byte 0
// chooses the format among the known ones; the rest is the record's data.
// Run: build-fuzz/fuzz/device_records_fuzz -max_total_time=180 -rss_limit_mb=2048 -timeout=5
//      -close_fd_mask=3   (see fuzz/README.md)
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "device/route_records.h"
#include "device/track_records.h"
#include "device/waypoint_records.h"

namespace {
constexpr int kFormats[] = {100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110,
                            150, 151, 152, 154, 155, 400, 403, 200, 201, 300, 301,
                            302, 153, 111, 0,   202, 210, 303, 304, 311};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize) {
    if (nSize < 1) {
        return 0;
    }
    const int iFormat = kFormats[pData[0] % (sizeof kFormats / sizeof kFormats[0])];
    std::span<const uint8_t> aData(pData + 1, nSize - 1);
    if (iFormat >= 200 && iFormat <= 202) {
        Route oRoute;
        iDecodeRouteHeader(aData, iFormat, oRoute);
    } else if (iFormat == 210) {
        RouteLink oLink;
        std::vector<uint8_t> aOut;
        if (iDecodeRouteLink(aData, iFormat, oLink)) {
            iEncodeRouteLink(oLink, iFormat, aOut);
        }
    } else if (iFormat >= 310 && iFormat <= 312) {
        TrackHeader oHeader;
        std::string sName;
        std::vector<uint8_t> aOut;
        if (iDecodeTrackHeader(aData, iFormat, oHeader, sName)) {
            iEncodeTrackHeader(iFormat, aOut, oHeader);
        }
    } else if (iFormat >= 300 && iFormat <= 304) {
        TrackPoint oPoint;
        TrackSensors oSensors;
        if (iDecodeTrackPoint(aData, iFormat, oPoint, &oSensors)) {
            vNormaliseTrackPoint(oPoint);
            std::vector<uint8_t> aOut;
            iEncodeTrackPoint(oPoint, iFormat, aOut, &oSensors);
        }
    } else {
        Waypoint oWaypoint;
        if (eDecodeWaypointRecord(aData, iFormat, oWaypoint) == WaypointDecode::kUserWaypoint) {
            // What was read must go back out as a record of the same format.
            std::vector<uint8_t> aOut;
            iEncodeWaypointRecord(oWaypoint, iFormat, aOut);
        }
    }
    return 0;
}
