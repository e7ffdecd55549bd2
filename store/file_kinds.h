#pragma once
// What a file is and what it carries: the file type numbers, chosen by the
// extension of a file name, and the kind mask that says which of the store's
// lists a save writes. They live with the store so that the export table of
// the exchange formats and the file-type table of the native side, a layer
// above it, name the same numbers.

#include <cstdint>

constexpr int kFileTypeCount = 16;

enum FileType : int16_t {
    kFileNative = 0,
    kFileTextExport = 1,
    kFilePcx5 = 2,
    kFilePcx5Waypoints = 3,
    kFilePcx5Track = 4,
    kFilePcx5Routes = 5,
    kFilePcx5Proximity = 6,
    kFileNmea = 7,
    kFileOverlay = 8,
    kFileOziWaypoints = 9,
    kFileOziTrack = 10,
    kFileBarograph = 11,
    kFileIgc = 12,
    kFileHexExport = 13,
    kFileKml = 14,
    kFileGpx = 15,
};

// Kind mask bits: which records a save or an export takes from the store.
constexpr int kKindRoutes = 1;
constexpr int kKindWaypoints = 2;
constexpr int kKindTrackPoints = 4;
constexpr int kKindAll = kKindRoutes | kKindWaypoints | kKindTrackPoints;
