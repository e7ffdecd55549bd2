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

enum class TransferKind { kWaypoints, kProximity, kRoutes, kTracks };
// Whether the transfer of this kind may go ahead on the identified unit.
// A kind the unit's capabilities lack is skipped silently by the transfer
// itself, unless the user named it (fNamed): then one line names the unit and
// the missing protocol, and the result is 0. A unit of track protocol A302
// takes no tracks: a named track upload fails the same way; an unnamed one
// says in one line that the store's tracks were not sent, and goes on (1).
int iUnitTakes(Workspace *pWorkspace, const DeviceLink *pLink, TransferKind eKind, int fUpload,
               int fNamed);
