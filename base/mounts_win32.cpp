// Drive letters: every local drive (removable or fixed) may be a unit; which
// one is, its Garmin\GarminDevice.xml tells. Windows names no USB vendor here.
#include <windows.h>

#include "base/mounts.h"

std::vector<MountedVolume> aListMountedVolumes() {
    std::vector<MountedVolume> a;
    // A card reader without a card must not bring up a dialog box.
    UINT uPrevious = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    DWORD lDrives = GetLogicalDrives();
    for (int i = 2; i < 26; ++i) { // A: and B: are floppy drives, slow to ask
        if ((lDrives & (DWORD{1} << i)) == 0) {
            continue;
        }
        char szRoot[] = {static_cast<char>('A' + i), ':', '\\', '\0'};
        UINT uType = GetDriveTypeA(szRoot);
        if (uType == DRIVE_REMOVABLE || uType == DRIVE_FIXED) {
            MountedVolume v;
            v.sMountPoint = szRoot;
            v.fCandidate = true;
            a.push_back(std::move(v));
        }
    }
    SetErrorMode(uPrevious);
    return a;
}

std::vector<GarminUsbDevice> aListGarminUsbDevices() {
    return {};
}
