#pragma once
// The records the simulated receiver serves: a .VKD file given with --data,
// nothing with --empty, or else a built-in demo set; and the .VKD file that
// takes what a host uploads (--upload-to).

#include <string>

struct SimReceiver;
struct Workspace;

// Fills the receiver's store with the chosen data on its first call.
void vEnsureServedData(SimReceiver &oReceiver);
// The built-in demo set: named waypoints with symbols, some with proximity
// radii, two routes, and a track in two segments of iTrackPoints points in all.
void vBuildDemoSet(Workspace &oWorkspace, int iTrackPoints);
// Where uploads are written; empty when no file was asked for.
const std::string &sUploadFile();
