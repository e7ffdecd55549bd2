#pragma once
// What one import did to the waypoints it brought: the records it stored, and
// how many of its waypoints replaced an earlier one of the same name at
// another place (the store keeps one waypoint per name). Records stay where
// the store put them, so their addresses name them; the index for asking
// "did this import store it?" is built only once a replacement asks.

#include <unordered_set>
#include <vector>

struct Waypoint;

struct ImportTally {
    std::vector<const Waypoint *> apStored;
    std::unordered_set<const Waypoint *> aIndex;
    bool fIndexed = false;
    long nReplaced = 0;
};
