#pragma once
// The one writer of every text format; the type number selects the format.

#include <cstdint>

struct Workspace;

// How an export writes its file beyond what the store holds.
struct ExportOptions {
    // The file must be new (never written over one), synced to the medium
    // before it gets its name: for units that are USB drives.
    bool fNewFile = false;
    // Receiver time recorded as the time of writing where the format has a
    // place for it (GPX metadata); 0 records none.
    int32_t lWrittenTime = 0;
};

// Kind mask bits: 1 routes, 2 waypoints, 4 track points.
int iExportTextFile(Workspace *pWorkspace, const char *pszFileName, int iKindMask, int iFileType,
                    const ExportOptions &oOptions = ExportOptions());
