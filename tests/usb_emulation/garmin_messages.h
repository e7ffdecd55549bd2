#pragma once
// The Garmin messages of the emulated unit's conversations, written field by
// field from the record layouts (little-endian), independently of the
// program's own encoders.

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>

#include "usb_conversation.h"

namespace usbemu {

// Builds the data part of a record a field at a time.
class Fields {
  public:
    Fields &u8(int i) {
        m_a.push_back(static_cast<uint8_t>(i));
        return *this;
    }
    Fields &u16(int i) { return u8(i & 0xFF).u8((i >> 8) & 0xFF); }
    Fields &i32(int32_t l) {
        for (int i = 0; i < 4; ++i) {
            u8(static_cast<int>((static_cast<uint32_t>(l) >> (8 * i)) & 0xFF));
        }
        return *this;
    }
    Fields &f32(float f) {
        uint32_t l = 0;
        std::memcpy(&l, &f, sizeof(l));
        return i32(static_cast<int32_t>(l));
    }
    Fields &f64(double d) {
        uint64_t l = 0;
        std::memcpy(&l, &d, sizeof(l));
        i32(static_cast<int32_t>(l & 0xFFFFFFFFu));
        return i32(static_cast<int32_t>(l >> 32));
    }
    Fields &fill(int i, size_t n) {
        m_a.insert(m_a.end(), n, static_cast<uint8_t>(i));
        return *this;
    }
    // The characters without a terminator.
    Fields &text(const std::string &s) {
        m_a.insert(m_a.end(), s.begin(), s.end());
        return *this;
    }
    // The characters and the terminating zero.
    Fields &sz(const std::string &s) { return text(s).u8(0); }
    // The characters, then iPad up to nWidth.
    Fields &padded(const std::string &s, size_t nWidth, int iPad) {
        return text(s).fill(iPad, nWidth - s.size());
    }
    operator Bytes() const { return m_a; }

  private:
    Bytes m_a;
};

constexpr uint8_t kRecCommand = 0x0A;
constexpr uint8_t kRecTransferComplete = 0x0C;
constexpr uint8_t kRecDateTime = 0x0E;
constexpr uint8_t kRecRecords = 0x1B;
constexpr uint8_t kRecRouteHeader = 0x1D;
constexpr uint8_t kRecRouteWaypoint = 0x1E;
constexpr uint8_t kRecTrackPoint = 0x22;
constexpr uint8_t kRecWaypoint = 0x23;
constexpr uint8_t kRecRouteLink = 0x62;
constexpr uint8_t kRecPvt = 0x33;
constexpr uint8_t kRecTrackHeader = 0x63;
constexpr uint8_t kRecCapabilities = 0xFD;
constexpr uint8_t kRecProductRequest = 0xFE;
constexpr uint8_t kRecProductData = 0xFF;

constexpr int kCmdRoutes = 4;
constexpr int kCmdTime = 5;
constexpr int kCmdTracks = 6;
constexpr int kCmdWaypoints = 7;
constexpr int kCmdStartPositionReports = 49;
constexpr int kCmdStopPositionReports = 50;

inline Bytes aStartSession() {
    return aUsbPacket(0, 5, {});
}
inline Bytes aSessionStarted(uint32_t lUnitId) {
    return aUsbPacket(0, 6, Fields().i32(static_cast<int32_t>(lUnitId)));
}
inline Bytes aProductRequest() {
    return aMessage(kRecProductRequest, Fields().u8(0x20));
}
inline Bytes aProductData(int iProductId, int iVersion, const std::string &sDescription) {
    return aMessage(kRecProductData, Fields().u16(iProductId).u16(iVersion).sz(sDescription));
}
// "A100 D108 ..." to the capability array's 3-byte entries.
inline Bytes aCapabilities(const std::string &sEntries) {
    Fields o;
    std::istringstream oIn(sEntries);
    std::string s;
    while (oIn >> s) {
        o.u8(s[0]).u16(std::stoi(s.substr(1)));
    }
    return aMessage(kRecCapabilities, o);
}
inline Bytes aCommand(int iCommand) {
    return aMessage(kRecCommand, Fields().u16(iCommand));
}
inline Bytes aRecords(int iCount) {
    return aMessage(kRecRecords, Fields().u16(iCount));
}
inline Bytes aTransferComplete(int iCommand) {
    return aMessage(kRecTransferComplete, Fields().u16(iCommand));
}
inline Bytes aDateTime(int iYear, int iMonth, int iDay, int iHour, int iMinute, int iSecond) {
    return aMessage(kRecDateTime,
                    Fields().u8(iMonth).u8(iDay).u16(iYear).u16(iHour).u8(iMinute).u8(iSecond));
}

// A user waypoint in format 108: no colour, symbol with name, no depth, no
// state or country; name and comment as zero-terminated strings, then the
// four empty strings facility, city, address and cross road.
struct D108 {
    std::string sName;
    std::string sComment;
    int32_t lLatitude = 0; // semicircles
    int32_t lLongitude = 0;
    float fAltitude = 0;
    float fProximity = 0;
    int iSymbol = 18;
};
inline Bytes aD108(const D108 &o) {
    return Fields()
        .u8(0)    // class: user waypoint
        .u8(0xFF) // colour: default
        .u8(0)    // display: symbol with name
        .u8(0x60) // attributes
        .u16(o.iSymbol)
        .fill(0, 6)     // subclass
        .fill(0xFF, 12) // subclass
        .i32(o.lLatitude)
        .i32(o.lLongitude)
        .f32(o.fAltitude)
        .f32(0.0f) // depth
        .f32(o.fProximity)
        .fill(' ', 2) // state
        .fill(' ', 2) // country code
        .sz(o.sName)
        .sz(o.sComment)
        .fill(0, 4);
}
// A user waypoint in format 110 (the route points of A201 units): data type
// 1, class 0, colour and display in one byte, attributes 0x80, no depth,
// state or country, no estimated time, no temperature, no time, category 0.
struct D110 {
    std::string sName;
    std::string sComment;
    int32_t lLatitude = 0;
    int32_t lLongitude = 0;
    float fAltitude = 0;
};
inline Bytes aD110(const D110 &o) {
    return Fields()
        .u8(1)    // data type
        .u8(0)    // class: user waypoint
        .u8(0x1F) // display: symbol with name; colour: default
        .u8(0x80) // attributes
        .u16(18)  // symbol
        .fill(0, 6)
        .fill(0xFF, 12) // subclass
        .i32(o.lLatitude)
        .i32(o.lLongitude)
        .f32(o.fAltitude)
        .f32(1.0e25f) // depth
        .f32(0.0f)    // proximity
        .fill(' ', 2)
        .fill(' ', 2)
        .i32(-1)      // estimated time
        .f32(1.0e25f) // temperature
        .i32(-1)      // time: none
        .u16(0)       // category
        .sz(o.sName)
        .sz(o.sComment)
        .fill(0, 4);
}
// A route header in format 201: number, then the comment in 20 zero-padded bytes.
inline Bytes aD201(int iNumber, const std::string &sComment) {
    return Fields().u8(iNumber).padded(sComment, 20, 0);
}
// The track header in format 310: displayed, default colour, the track's name.
inline Bytes aD310(const std::string &sName) {
    return Fields().u8(1).u8(0xFF).sz(sName);
}
// A track point in format 301: position, time, altitude, depth, new segment.
inline Bytes aD301(int32_t lLatitude, int32_t lLongitude, int32_t lTime, float fAltitude,
                   bool fNewSegment) {
    return Fields()
        .i32(lLatitude)
        .i32(lLongitude)
        .i32(lTime)
        .f32(fAltitude)
        .f32(0.0f)
        .u8(fNewSegment ? 1 : 0);
}

// A position report in format 800: the fix at a latitude and longitude in
// degrees, its time as days of the receiver's week count and seconds into
// that week, 18 leap seconds; no errors, standing still.
struct D800 {
    int iFixType = 3; // 3D
    double dLatitude = 0;
    double dLongitude = 0;
    float fAltitude = 0;  // above the ellipsoid
    float fMslHeight = 0; // mean sea level above the ellipsoid, negated
    int32_t lWeekDays = 0;
    double dTimeOfWeek = 0;
};
inline Bytes aD800(const D800 &o) {
    constexpr double kdRadiansPerDegree = 3.14159265358979323846 / 180.0;
    return Fields()
        .f32(o.fAltitude)
        .f32(0.0f) // estimated position error
        .f32(0.0f) // horizontal
        .f32(0.0f) // vertical
        .u16(o.iFixType)
        .f64(o.dTimeOfWeek)
        .f64(o.dLatitude * kdRadiansPerDegree)
        .f64(o.dLongitude * kdRadiansPerDegree)
        .f32(0.0f) // east
        .f32(0.0f) // north
        .f32(0.0f) // up
        .f32(o.fMslHeight)
        .u16(18)
        .i32(o.lWeekDays);
}

} // namespace usbemu
