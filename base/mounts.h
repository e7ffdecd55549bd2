#pragma once
// Where the file systems of the machine are mounted, and which of them sit on
// a Garmin USB device: what /c U says when no unit speaks the Garmin protocol
// but a unit that is a USB drive is attached.
//
// One backend per platform, chosen by the build: mounts_linux.cpp
// (/proc/self/mountinfo and sysfs), mounts_win32.cpp (drive letters),
// mounts_bsd.cpp (getmntinfo, for the other POSIX systems).

#include <string>
#include <string_view>
#include <vector>

struct MountedVolume {
    std::string sMountPoint;
    // Worth looking into for Garmin/GarminDevice.xml: on Linux a volume on a
    // Garmin USB device, elsewhere every local drive.
    bool fCandidate = false;
    bool fGarminUsb = false; // known to sit on a Garmin (vendor 091e) USB device
    std::string sUsbProduct; // that device's product string, when it has one
    std::string sUsbDevice;  // that device's sysfs path, to tell devices apart
};

// A Garmin USB device by what its interfaces are.
struct GarminUsbDevice {
    std::string sProduct;
    std::string sUsbDevice; // sysfs path, as in MountedVolume
    bool fMassStorage = false;
    bool fMtp = false;
};

std::vector<MountedVolume> aListMountedVolumes();
// Linux only (sysfs); the other platforms list none.
std::vector<GarminUsbDevice> aListGarminUsbDevices();

// One line of /proc/self/mountinfo: the mount point with its octal escapes
// (\040 for a blank) undone, the device numbers, the file system type.
struct MountInfoEntry {
    std::string sMountPoint;
    unsigned uMajor = 0;
    unsigned uMinor = 0;
    std::string sFsType;
};
// Lines that do not have the fields are skipped.
std::vector<MountInfoEntry> aParseMountInfo(std::string_view svText);
