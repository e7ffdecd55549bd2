#pragma once
// The one writer of every text format; the type number selects the format.

struct Workspace;

// Kind mask bits: 1 routes, 2 waypoints, 4 track points.
int iExportTextFile(Workspace *pWorkspace, const char *pszFileName, int iKindMask, int iFileType);
