#pragma once
// The fixed order in which the selected operations of a run are carried out.

#include "app/run_options.h"

struct Workspace;

// Runs every selected step, each whatever the others did. Returns the exit
// status: 0 when every selected step succeeded, 1 when any failed.
int iRunSequence(Workspace &oWorkspace, const RunOptions &oOptions);
