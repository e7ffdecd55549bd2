#pragma once
// The three record kinds the program works on. Field order and sizes are those
// of the native data file; files and receivers are read and written field by
// field (see files/native_file.cpp), never by copying these structs.

#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

constexpr int kNameSize = 51;         // names and comments: 50 characters and the terminator
constexpr int kRouteCommentSize = 21; // route comments: 20 characters and the terminator
// The points of a route the native file's route record and most receivers hold;
// the store keeps any number.
constexpr int kMaxRoutePoints = 30;
constexpr int kTrackNameSize = 50; // bytes of a track's name

constexpr int kWaypointRecordSize = 126;
constexpr int kTrackPointRecordSize = 20;
constexpr int kRouteRecordSize = 1559;

struct Waypoint {
    char szName[kNameSize]; // key of the waypoint list
    char szComment[kNameSize];
    // Not 0: the waypoint arrived only as the point of a route; formats that
    // carry route points inside their routes write it there only.
    uint8_t fRouteOnly;
    int32_t lLatitude;  // semicircles
    int32_t lLongitude; // semicircles
    int32_t lTime;      // receiver seconds, 0 = no time
    float fProximity;   // metres, 0 = not a proximity waypoint
    int16_t sSymbol;    // the program's own symbol number
    uint8_t bDisplay;
    uint8_t bColor;  // 255 = none
    float fAltitude; // metres
};

struct TrackPoint {
    int32_t lLatitude;
    int32_t lLongitude;
    int32_t lTime;
    float fAltitude;
    int32_t fNewSegment; // not 0 = the point starts a new track segment
};

// One name of a route's list; it reads as the char array it holds.
struct RoutePointName {
    char sz[kNameSize];
    operator char *() { return sz; }
    operator const char *() const { return sz; }
    friend bool operator==(const RoutePointName &a, std::string_view b) {
        return std::string_view(a.sz) == b;
    }
};

struct Route {
    uint32_t lNumber; // key of the route list
    char szComment[kRouteCommentSize];
    // The waypoints the route passes, by name, in order; any number.
    std::vector<RoutePointName> aszPoints;
    // Point index -> the place of that point, where it differs from the stored
    // waypoint of its name (files reuse names such as RPT001 across routes).
    std::map<uint32_t, Waypoint> aOwnPlaces;
};
// Appends an empty name to the route; nullptr when memory ran out.
char *pszAppendRoutePoint(Route &oRoute);

// What fitness units measure beside a track point. Each field has its own
// "none"; a track whose points carry none of them keeps no such record.
constexpr uint8_t kNoHeartRate = 0;  // the units send 0 without a heart-rate signal
constexpr uint8_t kNoCadence = 0xFF; // and 0xFF without a cadence sensor
constexpr float kNoDistance = -1.0f;
struct TrackSensors {
    uint8_t bHeartRate = kNoHeartRate; // beats per minute
    uint8_t bCadence = kNoCadence;     // revolutions per minute
    uint8_t fWheelSensor = 0;          // not 0: the distance comes from a wheel sensor
    float fDistance = kNoDistance;     // metres travelled since the track began
};
inline bool fHasDistance(float fDistance) {
    return fDistance >= 0.0f && fDistance < 1.0e24f;
}
inline bool fHasSensors(const TrackSensors &o) {
    return o.bHeartRate != kNoHeartRate || o.bCadence != kNoCadence || fHasDistance(o.fDistance);
}

// The store's mark for "no altitude". Any altitude of -700 m or below counts
// as none (files written by other programs carry their own marks down there),
// and so does a NaN.
constexpr float kNoAltitude = -777.0f;
inline bool fHasAltitude(float fAltitude) {
    return fAltitude > -700.0f;
}

// A waypoint as every reader starts it: all zero, colour 255 (none).
Waypoint oEmptyWaypoint();
