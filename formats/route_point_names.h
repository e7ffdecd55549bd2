#pragma once
// The names of the waypoints that the routes written so far refer to, so that a
// file holding routes but not all waypoints still carries the routes' points.
// Empty between saves.

void vAddRoutePointName(const char *pszName);
int iHasRoutePointName(const char *pszName);
void vClearRoutePointNames();
int iRoutePointNameCount();
