#include "device/track_records.h"

#include "device/waypoint_records.h"
#include "garmin/protocol_numbers.h"
#include "store/little_endian.h"

int iEncodeTrackPoint(const TrackPoint &oPoint, int iFormat, std::vector<uint8_t> &aData) {
    aData.clear();
    if (!iIsTrackPointFormat(iFormat)) {
        return 0;
    }
    ByteWriter oOut(aData);
    oOut.vI32(oPoint.lLatitude);
    oOut.vI32(oPoint.lLongitude);
    oOut.vI32(oPoint.lTime);
    if (iFormat != kD300) {
        oOut.vF32(fDeviceAltitude(oPoint.fAltitude));
        oOut.vF32(0.0f); // depth
    }
    if (iFormat == kD302) {
        oOut.vF32(kDeviceUnknown); // temperature: none
    }
    oOut.vU8(oPoint.fNewSegment != 0 ? 1 : 0);
    return 1;
}

int iEncodeTrackHeader(int iFormat, std::vector<uint8_t> &aData) {
    aData.clear();
    if (!iIsTrackHeaderFormat(iFormat)) {
        return 0;
    }
    static constexpr char kszName[11] = "ACTIVE LOG";
    ByteWriter oOut(aData);
    oOut.vU8(1);    // displayed
    oOut.vU8(0xFF); // no colour
    oOut.vBytes(kszName, sizeof(kszName));
    return 1;
}

int iDecodeTrackPoint(std::span<const uint8_t> aData, int iFormat, TrackPoint &oPoint) {
    oPoint = TrackPoint{};
    oPoint.fAltitude = kNoAltitude;
    if (!iIsTrackPointFormat(iFormat)) {
        return 0;
    }
    ByteReader oIn(aData);
    TrackPoint o{};
    o.fAltitude = kNoAltitude;
    uint8_t bNewSegment = 0;
    bool fOk = oIn.fI32(o.lLatitude) && oIn.fI32(o.lLongitude) && oIn.fI32(o.lTime);
    if (fOk && iFormat != kD300) {
        fOk = oIn.fF32(o.fAltitude) && oIn.fSkip(4); // depth is not kept
    }
    if (fOk && iFormat == kD302) {
        fOk = oIn.fSkip(4); // nor the temperature
    }
    fOk = fOk && oIn.fU8(bNewSegment);
    if (!fOk) {
        return 0;
    }
    o.fNewSegment = bNewSegment != 0 ? 1 : 0;
    oPoint = o;
    return 1;
}

void vNormaliseTrackPoint(TrackPoint &oPoint) {
    if (!(oPoint.fAltitude <= 1000000.0f)) {
        oPoint.fAltitude = kNoAltitude;
    }
    if (static_cast<uint32_t>(oPoint.lTime) == 0xFFFFFFFFu) {
        oPoint.lTime = 0;
    }
}
