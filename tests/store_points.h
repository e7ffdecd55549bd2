#pragma once
// Every track point of a store as one list, in the order the formats with one
// track list write them (each track after the first starting a segment). The
// list stays alive for the test program's life, so iterators into it may be
// kept.

#include <deque>
#include <vector>

#include "store/data_store.h"

inline const std::vector<TrackPoint> &aTrackPoints(const DataStore &oStore) {
    static std::deque<std::vector<TrackPoint>> aKept;
    std::vector<TrackPoint> &a = aKept.emplace_back();
    a.reserve(static_cast<size_t>(oStore.lTrackPointCount));
    fForEachTrackPoint(oStore, [&a](const TrackPoint &o) {
        a.push_back(o);
        return true;
    });
    return a;
}
