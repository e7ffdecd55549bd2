#pragma once
// What one import did to the waypoints it brought: the names it stored, and
// how many of its waypoints replaced an earlier one of the same name at
// another place (the store keeps one waypoint per name).

#include <string>
#include <unordered_set>

struct ImportTally {
    std::unordered_set<std::string> aNames;
    long nReplaced = 0;
};
