#pragma once
// Names for the route points that have a place of their own (another place
// than the stored waypoint of their name), where a format or a receiver can
// only name waypoints: each such place goes out under its name with a suffix
// ("RPT001-2"), cut to the field's length, that no stored waypoint and no
// other such place has. Points of the same name at the same place share one.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>

#include "store/data_store.h"

struct RoutePlaceNames {
    // (route number, point index) -> the name the point goes out under
    std::map<std::pair<uint32_t, uint32_t>, std::string> aNames;
    // The places under their new names, in the store's name order.
    WaypointList aPlaces;
};

// Names every own place of the store's routes for a field of nNameLength
// bytes. 0 when memory ran out or no free name was found.
int iNameRoutePlaces(const DataStore &oStore, size_t nNameLength, RoutePlaceNames &oNames);
// The name point k of a route goes out under: its new one, or its own.
const char *pszRoutePointName(const RoutePlaceNames &oNames, const Route &oRoute, uint32_t nPoint);
