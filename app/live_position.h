#pragma once
// The live position step of a run: the unit's position reports go to the
// file of /n until Ctrl+C, with one status line on the console.

struct DeviceLink;
struct Workspace;
struct RunOptions;

// 1 when the report ran until the user ended it.
int iRunLivePosition(const Workspace &oWorkspace, const RunOptions &oOptions, DeviceLink *pLink);
