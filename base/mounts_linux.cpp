// Mounts from /proc/self/mountinfo; the USB device under each block device
// from sysfs: /sys/dev/block/<major>:<minor> links to the device's place in
// /sys/devices, and the first folder above it with an idVendor file is the
// USB device it sits on.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <unistd.h>

#include "base/mounts.h"

namespace {

constexpr size_t kMaxMountInfo = 16 << 20; // far beyond any real mount table
constexpr size_t kMaxAttribute = 4096;
constexpr const char *kGarminVendor = "091e";

// A whole small file, at most nLimit bytes; empty when it cannot be read.
std::string sReadSmallFile(const std::string &sPath, size_t nLimit) {
    std::string s;
    std::FILE *pFile = std::fopen(sPath.c_str(), "rb");
    if (pFile == nullptr) {
        return s;
    }
    char acBuffer[4096];
    size_t n;
    while (s.size() < nLimit && (n = std::fread(acBuffer, 1, sizeof(acBuffer), pFile)) > 0) {
        s.append(acBuffer, std::min(n, nLimit - s.size()));
    }
    std::fclose(pFile);
    return s;
}

// A sysfs attribute without its line end.
std::string sAttribute(const std::string &sFolder, const char *pszName) {
    std::string s = sReadSmallFile(sFolder + "/" + pszName, kMaxAttribute);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) {
        s.pop_back();
    }
    return s;
}

// The path a sysfs link names, made absolute and without "." and "..", by
// the text alone: sysfs links are relative and never pass through other links.
std::string sFollowLink(const std::string &sLink) {
    char acTarget[4096];
    ssize_t n = readlink(sLink.c_str(), acTarget, sizeof(acTarget) - 1);
    if (n <= 0) {
        return "";
    }
    std::string sTarget(acTarget, static_cast<size_t>(n));
    std::string sJoined =
        sTarget[0] == '/' ? sTarget : sLink.substr(0, sLink.rfind('/') + 1) + sTarget;
    std::vector<std::string> aParts;
    size_t nStart = 0;
    while (nStart <= sJoined.size()) {
        size_t nEnd = sJoined.find('/', nStart);
        if (nEnd == std::string::npos) {
            nEnd = sJoined.size();
        }
        std::string sPart = sJoined.substr(nStart, nEnd - nStart);
        if (sPart == "..") {
            if (!aParts.empty()) {
                aParts.pop_back();
            }
        } else if (!sPart.empty() && sPart != ".") {
            aParts.push_back(sPart);
        }
        nStart = nEnd + 1;
    }
    std::string sPath;
    for (const std::string &sPart : aParts) {
        sPath += "/" + sPart;
    }
    return sPath;
}

// The USB device folder a device folder sits in: the first one upwards that
// has an idVendor, or "".
std::string sUsbDeviceAbove(std::string sFolder) {
    while (sFolder.size() > std::strlen("/sys/devices")) {
        if (!sAttribute(sFolder, "idVendor").empty()) {
            return sFolder;
        }
        sFolder.erase(sFolder.rfind('/'));
    }
    return "";
}

} // namespace

std::vector<MountedVolume> aListMountedVolumes() {
    std::vector<MountedVolume> a;
    for (const MountInfoEntry &o :
         aParseMountInfo(sReadSmallFile("/proc/self/mountinfo", kMaxMountInfo))) {
        MountedVolume v;
        v.sMountPoint = o.sMountPoint;
        if (o.uMajor != 0) {
            std::string sDevice = sFollowLink("/sys/dev/block/" + std::to_string(o.uMajor) + ":" +
                                              std::to_string(o.uMinor));
            std::string sUsb = sDevice.empty() ? "" : sUsbDeviceAbove(sDevice);
            if (!sUsb.empty() && sAttribute(sUsb, "idVendor") == kGarminVendor) {
                v.fGarminUsb = v.fCandidate = true;
                v.sUsbProduct = sAttribute(sUsb, "product");
                v.sUsbDevice = sUsb;
            }
        }
        a.push_back(std::move(v));
    }
    return a;
}

std::vector<GarminUsbDevice> aListGarminUsbDevices() {
    std::vector<GarminUsbDevice> a;
    const std::string sBus = "/sys/bus/usb/devices";
    DIR *pBus = opendir(sBus.c_str());
    if (pBus == nullptr) {
        return a;
    }
    std::vector<std::string> asNames;
    while (const dirent *p = readdir(pBus)) {
        // Interfaces are "<device>:<configuration>.<interface>".
        if (p->d_name[0] != '.' && std::strchr(p->d_name, ':') == nullptr) {
            asNames.emplace_back(p->d_name);
        }
    }
    closedir(pBus);
    std::sort(asNames.begin(), asNames.end());
    for (const std::string &sName : asNames) {
        std::string sDevice = sFollowLink(sBus + "/" + sName);
        if (sDevice.empty() || sAttribute(sDevice, "idVendor") != kGarminVendor) {
            continue;
        }
        GarminUsbDevice o;
        o.sProduct = sAttribute(sDevice, "product");
        o.sUsbDevice = sDevice;
        if (DIR *pDevice = opendir(sDevice.c_str())) {
            while (const dirent *p = readdir(pDevice)) {
                if (std::strncmp(p->d_name, sName.c_str(), sName.size()) != 0 ||
                    p->d_name[sName.size()] != ':') {
                    continue;
                }
                const std::string sInterface = sDevice + "/" + p->d_name;
                const std::string sClass = sAttribute(sInterface, "bInterfaceClass");
                if (sClass == "08") {
                    o.fMassStorage = true;
                } else if (sClass == "06" ||
                           sAttribute(sInterface, "interface").find("MTP") != std::string::npos) {
                    o.fMtp = true;
                }
            }
            closedir(pDevice);
        }
        if (o.fMassStorage || o.fMtp) {
            a.push_back(std::move(o));
        }
    }
    return a;
}
