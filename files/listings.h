#pragma once
// The waypoint and track-point listings: plain-text reports for people.

struct Workspace;

// 1 when the listing was written, 0 when the file could not be written.
int iListWaypoints(Workspace *pWorkspace, const char *pszFileName);
int iListTrackPoints(Workspace *pWorkspace, const char *pszFileName);

inline void vListWaypoints(Workspace *pWorkspace, const char *pszFileName) {
    iListWaypoints(pWorkspace, pszFileName);
}
inline void vListTrackPoints(Workspace *pWorkspace, const char *pszFileName) {
    iListTrackPoints(pWorkspace, pszFileName);
}
