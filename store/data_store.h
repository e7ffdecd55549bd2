#pragma once
// The one in-memory collection of waypoints, routes and track points that every
// source fills and every sink reads.
//
// The lists keep these orders, which every writer relies on:
//   routes      ascending by number (unsigned);
//   waypoints   ascending by name, bytes compared as unsigned, case-sensitive;
//   tracks      in the order they arrived; each keeps its points in arrival
//               order, except the one unnamed track that sources without track
//               structure fill (text formats, receivers without track
//               headers, older data files): its points are ascending by time
//               (signed), a point whose non-zero time equals stored ones goes
//               in front of them, untimed points (time 0) keep their arrival
//               order among themselves.
// Balanced trees keep insertion at O(log n), and track points sit in blocks
// (store/track_points.h), so a million-point track loads in well under a
// second; readers walk the containers from begin() to end().

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "store/import_tally.h"
#include "store/original_texts.h"
#include "store/records.h"
#include "store/track_points.h"

struct NameLess {
    using is_transparent = void;
    // std::string_view compares through char_traits<char>, which orders bytes as unsigned.
    bool operator()(std::string_view a, std::string_view b) const { return a < b; }
};

struct Track {
    std::string sName;    // at most kTrackNameSize bytes in the run's code page; may be empty
    uint8_t bColor = 255; // display colour as D310/D312 carry it; 255 = none
    bool fByTime = false; // the unnamed track of sources without structure
    TrackPoints aPoints;  // the first point starts the track's first segment
    // Empty, or one entry per point for tracks whose points carry sensor data.
    std::vector<TrackSensors> aSensors;
};

using WaypointList = std::map<std::string, Waypoint, NameLess>;
using RouteList = std::map<uint32_t, Route>;
using TrackList = std::vector<Track>;

struct DataStore {
    int32_t lRouteCount = 0;
    RouteList pRoutes;
    int32_t lWaypointCount = 0;
    WaypointList pWaypoints;
    int32_t lTrackPointCount = 0; // of every track
    TrackList aTracks;
    int32_t lByTimeTrack = -1;           // index of the track kept in time order, or -1
    OriginalTexts oOriginalTexts;        // texts the 8-bit fields cannot hold whole
    ImportTally *pImportTally = nullptr; // set while an import runs
};

// Calls fnPoint(point) for the points of every track in order, each track's
// first point after the first track with its segment mark set, as formats
// with one track list write them; stops at the first false.
template <class Fn> bool fForEachTrackPoint(const DataStore &oStore, Fn &&fnPoint) {
    bool fFirstTrack = true;
    for (const Track &oTrack : oStore.aTracks) {
        bool fFirst = true;
        for (const TrackPoint &oPoint : oTrack.aPoints) {
            if (fFirst && !fFirstTrack && oPoint.fNewSegment == 0) {
                TrackPoint oStart = oPoint;
                oStart.fNewSegment = 1;
                if (!fnPoint(static_cast<const TrackPoint &>(oStart))) {
                    return false;
                }
            } else if (!fnPoint(oPoint)) {
                return false;
            }
            fFirst = false;
        }
        fFirstTrack = fFirstTrack && oTrack.aPoints.empty();
    }
    return true;
}

struct Workspace;

// Each returns 1 when the record is stored (or replaced), 0 when memory ran out
// or there is no store. The add operations trim the caller's record in place.
int iAddWaypoint(Workspace *pWorkspace, Waypoint &oWaypoint);
int iAddRoute(Workspace *pWorkspace, Route &oRoute);
// Adds a point to the unnamed track kept in time order (started when there is
// none yet), for sources without track structure.
int iAddTrackPoint(Workspace *pWorkspace, const TrackPoint &oPoint);
// Starts a new track at the end of the list (name cut to kTrackNameSize bytes);
// its index, or -1 when memory ran out.
int32_t lAddTrack(Workspace *pWorkspace, std::string_view svName, uint8_t bColor = 255);
// Appends a point to track lTrack (of lAddTrack), in arrival order; with
// sensor data where pSensors is given (points before it get none).
int iAppendTrackPoint(Workspace *pWorkspace, int32_t lTrack, const TrackPoint &oPoint,
                      const TrackSensors *pSensors = nullptr);
// Adds a copy of a track (of another store) as a track of its own; the points
// of a track kept in time order go into this store's such track.
int iCopyTrack(Workspace *pWorkspace, const Track &oTrack);
// Adds oPlace as the next point of oRoute. Where the store holds no waypoint
// of its name, oPlace is stored (marked as a route point only when
// fRouteOnly); where the stored one is at the same position it is updated as
// iAddWaypoint does; where it lies elsewhere, the route keeps oPlace as its
// own, and the stored waypoint stays.
int iAddRoutePoint(Workspace *pWorkspace, Route &oRoute, Waypoint &oPlace, bool fRouteOnly);
// The place point k of a route passes: its own, or the stored waypoint of
// its name; nullptr when there is neither.
const Waypoint *pRoutePlace(const Workspace *pWorkspace, const Route &oRoute, uint32_t nPoint);
// First waypoint with exactly that name, or nullptr.
const Waypoint *pFindWaypoint(const Workspace *pWorkspace, const char *pszName);
// Copies a text into a new zero-terminated buffer the caller owns (delete[]);
// nullptr for an absent or empty text.
char *pszDuplicateString(const char *pszText);

// Removes leading blanks, CR and LF, every embedded CR and LF, and trailing
// blanks, in place, inside a field of nSize bytes.
void vTrimField(char *pszField, size_t nSize);
