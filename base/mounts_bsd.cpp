// The other POSIX systems (macOS, the BSDs): getmntinfo lists the mounts;
// the FAT and exFAT ones may be units, their Garmin/GarminDevice.xml tells.
// Not built or run on the machines this project is tested on.
#include <cstring>

#include <sys/mount.h>
#include <sys/param.h>

#include "base/mounts.h"

std::vector<MountedVolume> aListMountedVolumes() {
    std::vector<MountedVolume> a;
    struct statfs *pMounts = nullptr;
    int n = getmntinfo(&pMounts, MNT_NOWAIT);
    for (int i = 0; i < n; ++i) {
        const char *pszType = pMounts[i].f_fstypename;
        MountedVolume v;
        v.sMountPoint = pMounts[i].f_mntonname;
        v.fCandidate = std::strcmp(pszType, "msdos") == 0 || std::strcmp(pszType, "exfat") == 0;
        a.push_back(std::move(v));
    }
    return a;
}

std::vector<GarminUsbDevice> aListGarminUsbDevices() {
    return {};
}
