#include "device/track_records.h"

#include "device/waypoint_records.h"
#include "garmin/protocol_numbers.h"
#include "store/little_endian.h"

#include <string_view>

int iEncodeTrackPoint(const TrackPoint &oPoint, int iFormat, std::vector<uint8_t> &aData,
                      const TrackSensors *pSensors) {
    aData.clear();
    if (!iIsAnyTrackPointFormat(iFormat)) {
        return 0;
    }
    const TrackSensors oSensors = pSensors != nullptr ? *pSensors : TrackSensors{};
    ByteWriter oOut(aData);
    oOut.vI32(oPoint.lLatitude);
    oOut.vI32(oPoint.lLongitude);
    oOut.vI32(oPoint.lTime);
    if (iFormat != kD300) {
        oOut.vF32(fDeviceAltitude(oPoint.fAltitude));
    }
    if (iIsFitnessTrackPointFormat(iFormat)) {
        if (iFormat == kD304) {
            oOut.vF32(fHasDistance(oSensors.fDistance) ? oSensors.fDistance : kDeviceUnknown);
        }
        oOut.vU8(oSensors.bHeartRate);
        if (iFormat == kD304) {
            oOut.vU8(oSensors.bCadence);
            oOut.vU8(oSensors.fWheelSensor != 0 ? 1 : 0);
        }
        return 1;
    }
    if (iFormat != kD300) {
        oOut.vF32(0.0f); // depth
    }
    if (iFormat == kD302) {
        oOut.vF32(kDeviceUnknown); // temperature: none
    }
    oOut.vU8(oPoint.fNewSegment != 0 ? 1 : 0);
    return 1;
}

int iEncodeTrackHeader(int iFormat, std::vector<uint8_t> &aData, const TrackHeader &oHeader) {
    aData.clear();
    ByteWriter oOut(aData);
    if (iFormat == kD311) {
        oOut.vU16(oHeader.sIndex);
        return 1;
    }
    if (!iIsTrackHeaderFormat(iFormat)) {
        return 0;
    }
    // A unit shows a track without a name as the active log.
    std::string_view svName = oHeader.svName.empty() ? "ACTIVE LOG" : oHeader.svName;
    svName = svName.substr(0, kTrackNameSize);
    oOut.vU8(1); // displayed
    // D310 has 16 colours (0..15), D312 adds transparent (16); 0xFF is none.
    const uint8_t bLimit = iFormat == kD310 ? 15 : 16;
    oOut.vU8(oHeader.bColor <= bLimit ? oHeader.bColor : 0xFF);
    oOut.vBytes(svName.data(), svName.size());
    oOut.vU8(0);
    return 1;
}

int iDecodeTrackHeader(std::span<const uint8_t> aData, int iFormat, TrackHeader &oHeader,
                       std::string &sName) {
    oHeader = TrackHeader{};
    sName.clear();
    ByteReader oIn(aData);
    if (iFormat == kD311) {
        return oIn.fU16(oHeader.sIndex) ? 1 : 0;
    }
    uint8_t bDisplay = 0;
    if (!iIsTrackHeaderFormat(iFormat) || !oIn.fU8(bDisplay) || !oIn.fU8(oHeader.bColor)) {
        return 0;
    }
    // The name runs to its terminator, or to the end of a record that lacks one.
    for (size_t i = 2; i < aData.size() && aData[i] != 0 && sName.size() < kTrackNameSize; ++i) {
        sName += static_cast<char>(aData[i]);
    }
    oHeader.svName = sName;
    return 1;
}

int iDecodeTrackPoint(std::span<const uint8_t> aData, int iFormat, TrackPoint &oPoint,
                      TrackSensors *pSensors) {
    oPoint = TrackPoint{};
    oPoint.fAltitude = kNoAltitude;
    if (pSensors != nullptr) {
        *pSensors = TrackSensors{};
    }
    if (!iIsAnyTrackPointFormat(iFormat)) {
        return 0;
    }
    ByteReader oIn(aData);
    TrackPoint o{};
    o.fAltitude = kNoAltitude;
    TrackSensors oSensors;
    uint8_t bNewSegment = 0;
    bool fOk = oIn.fI32(o.lLatitude) && oIn.fI32(o.lLongitude) && oIn.fI32(o.lTime);
    if (fOk && iFormat != kD300) {
        fOk = oIn.fF32(o.fAltitude);
    }
    if (iIsFitnessTrackPointFormat(iFormat)) {
        float fDistance = kDeviceUnknown;
        if (fOk && iFormat == kD304) {
            fOk = oIn.fF32(fDistance);
        }
        fOk = fOk && oIn.fU8(oSensors.bHeartRate);
        if (fOk && iFormat == kD304) {
            fOk = oIn.fU8(oSensors.bCadence) && oIn.fU8(oSensors.fWheelSensor);
        }
        oSensors.fDistance = fHasDistance(fDistance) ? fDistance : kNoDistance;
    } else {
        if (fOk && iFormat != kD300) {
            fOk = oIn.fSkip(4); // depth is not kept
        }
        if (fOk && iFormat == kD302) {
            fOk = oIn.fSkip(4); // nor the temperature
        }
        fOk = fOk && oIn.fU8(bNewSegment);
    }
    if (!fOk) {
        return 0;
    }
    o.fNewSegment = bNewSegment != 0 ? 1 : 0;
    oPoint = o;
    if (pSensors != nullptr) {
        *pSensors = oSensors;
    }
    return 1;
}

void vNormaliseTrackPoint(TrackPoint &oPoint) {
    if (!(oPoint.fAltitude <= 1000000.0f)) {
        oPoint.fAltitude = kNoAltitude;
    }
    oPoint.lTime = lStoredDeviceTime(oPoint.lTime);
}
