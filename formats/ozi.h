#pragma once

struct Workspace;

// Reads the file into the store; 1 when every line was read, 0 on a failure.
int iImportOziWaypoints(Workspace *pWorkspace, const char *pszFileName);
// Reads the file into the store; 1 when every line was read, 0 on a failure.
int iImportOziTrack(Workspace *pWorkspace, const char *pszFileName);
