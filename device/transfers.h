#pragma once
// Downloads from and uploads to the receiver. Each returns 1 on success or when
// there is nothing to do, 0 on failure.

struct DeviceLink;
struct Workspace;

int iDownloadWaypoints(Workspace *pWorkspace, DeviceLink *pLink, int fProximity);
int iUploadWaypoints(Workspace *pWorkspace, DeviceLink *pLink, int fProximity);
int iDownloadRoutes(Workspace *pWorkspace, DeviceLink *pLink);
int iUploadRoutes(Workspace *pWorkspace, DeviceLink *pLink);
// fKeepAll 0: received track points without a time are not stored.
int iDownloadTracks(Workspace *pWorkspace, int fKeepAll, DeviceLink *pLink);
int iUploadTracks(Workspace *pWorkspace, DeviceLink *pLink);
