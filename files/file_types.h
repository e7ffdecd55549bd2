#pragma once
// The table of file types, chosen by the extension of a file name.

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

extern const char *const asFileExtension[kFileTypeCount];
extern const char *const asFileDescription[kFileTypeCount];

// The file type to use: the current type unless it is -1, else the one named by
// the extension of the last path component (the text from its last "."); no
// ".", or an extension outside the table, is a native file. Never 3..6 or 12.
int16_t sFileTypeFromName(const char *pszFileName, int16_t sCurrentType);
