#pragma once
// The one in-memory collection of waypoints, routes and track points that every
// source fills and every sink reads.
//
// The lists keep these orders, which every writer relies on:
//   routes      ascending by number (unsigned);
//   waypoints   ascending by name, bytes compared as unsigned, case-sensitive;
//   track points ascending by time (signed); a point whose non-zero time equals
//               stored ones goes in front of them; untimed points (time 0) keep
//               their arrival order among themselves.
// Balanced trees keep insertion at O(log n), so a million-point track loads in
// well under a second; readers walk the containers from begin() to end().

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "store/import_tally.h"
#include "store/original_texts.h"
#include "store/records.h"

struct NameLess {
    using is_transparent = void;
    // std::string_view compares through char_traits<char>, which orders bytes as unsigned.
    bool operator()(std::string_view a, std::string_view b) const { return a < b; }
};

struct TrackPointTimeLess {
    bool operator()(const TrackPoint &a, const TrackPoint &b) const { return a.lTime < b.lTime; }
};

using WaypointList = std::map<std::string, Waypoint, NameLess>;
using RouteList = std::map<uint32_t, Route>;
using TrackPointList = std::multiset<TrackPoint, TrackPointTimeLess>;

struct DataStore {
    int32_t lRouteCount = 0;
    RouteList pRoutes;
    int32_t lWaypointCount = 0;
    WaypointList pWaypoints;
    int32_t lTrackPointCount = 0;
    TrackPointList pTrackPoints;
    OriginalTexts oOriginalTexts;        // texts the 8-bit fields cannot hold whole
    ImportTally *pImportTally = nullptr; // set while an import runs
};

struct Workspace;

// Each returns 1 when the record is stored (or replaced), 0 when memory ran out
// or there is no store. The add operations trim the caller's record in place.
int iAddWaypoint(Workspace *pWorkspace, Waypoint &oWaypoint);
int iAddRoute(Workspace *pWorkspace, Route &oRoute);
int iAddTrackPoint(Workspace *pWorkspace, const TrackPoint &oPoint);
// First waypoint with exactly that name, or nullptr.
const Waypoint *pFindWaypoint(const Workspace *pWorkspace, const char *pszName);
// Copies a text into a new zero-terminated buffer the caller owns (delete[]);
// nullptr for an absent or empty text.
char *pszDuplicateString(const char *pszText);

// Removes leading blanks, CR and LF, every embedded CR and LF, and trailing
// blanks, in place, inside a field of nSize bytes.
void vTrimField(char *pszField, size_t nSize);
