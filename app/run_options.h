#pragma once
// What the command line asks of one run, besides the Workspace settings.

#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr size_t kFileNameSize = 256; // 255 characters and the terminator
constexpr size_t kPortNameSize = 256; // "COM<n>" or a device path

struct RunOptions {
    bool fUsb = false;
    bool fUnitFolder = false; // /c names the folder of a unit that is a USB drive
    int iPortNumber = 1;
    char szPortPath[kPortNameSize] = ""; // set when /c names a device path or that folder
    char szFirstFile[kFileNameSize] = "";
    char szSecondFile[kFileNameSize] = "";

    bool fDownload = false;
    bool fUpload = false;
    bool fIdentify = false;
    bool fImport = false;
    bool fLoad = false;
    bool fSave = false;
    bool fExport = false;
    bool fListWaypoints = false;
    bool fListTrackPoints = false;

    bool fDownloadWaypoints = false;
    bool fDownloadProximity = false;
    bool fDownloadRoutes = false;
    bool fDownloadTracks = false;

    // Upload kinds, set by the letters after /u the same way.
    bool fUploadWaypoints = false;
    bool fUploadProximity = false;
    bool fUploadRoutes = false;
    bool fUploadTracks = false;
    // Whether letters after /d or /u named the kinds: a named kind the unit
    // cannot transfer fails its step, an unnamed one is skipped.
    bool fDownloadKindsNamed = false;
    bool fUploadKindsNamed = false;

    bool fIncludeUntimed = true;   // /g turns it off
    uint32_t lLineSpeed = 9600;    // /r: the serial speed asked of the unit
    bool fChangeLineSpeed = false; // /r with a speed other than 9600

    // /n FILE: the live position, the last device step of the run. With "-"
    // the sentences go to pLiveStream, the standard output of the process,
    // and everything else to standard error.
    bool fLivePosition = false;
    char szLiveFile[kFileNameSize] = "";
    std::FILE *pLiveStream = nullptr;
    bool fError = false;
};
