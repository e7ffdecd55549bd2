#pragma once
// Garmin units that are USB drives. Such a unit speaks no packets: it shows
// its memory as a drive, and the folders it reads and writes are named by
// Garmin/GarminDevice.xml on it (never hard-coded: units differ). Downloading
// reads the GPX files it wrote; uploading writes one new GPX file where it
// takes them, which it reads when it starts again after being ejected.

#include <string>
#include <string_view>
#include <vector>

struct Workspace;

enum class UnitDirection { kInputToUnit, kOutputFromUnit, kInputOutput };

// One <File> of a <DataType> in the XML: a folder, relative to the volume,
// with the base name and extension of its files (either may be empty: any).
struct UnitLocation {
    std::string sDataType; // "GPSData", "FIT_TYPE_4", ...
    std::string sPath;     // as the XML has it, e.g. "Garmin/GPX/Current"
    std::string sBaseName;
    std::string sExtension;
    UnitDirection eDirection = UnitDirection::kInputOutput;

    bool fFromUnit() const { return eDirection != UnitDirection::kInputToUnit; }
    bool fToUnit() const { return eDirection != UnitDirection::kOutputFromUnit; }
};

struct UnitFolder {
    std::string sMountPoint; // as /c named it
    std::string sVolume;     // the folder the XML's paths start from
    std::string sXmlFile;    // the GarminDevice.xml read; empty when there is none
    // From <Model> and <Id>; empty when the XML lacks them.
    std::string sDescription;
    std::string sPartNumber;
    std::string sSoftwareVersion;
    std::string sUnitId;
    std::vector<UnitLocation> aLocations; // GPSData locations, then FIT ones
};

// Finds Garmin/GarminDevice.xml under the mount point (any case, also one
// folder deeper, as "Internal Storage/Garmin/") and reads it; without it, a
// Garmin/GPX folder serves both ways. 0, with one line on standard error,
// when the folder holds neither or the XML cannot be read.
int iOpenUnitFolder(const char *pszMountPoint, UnitFolder &oUnit);
// The XML read from memory, for tests and the fuzzer; pszName names it in reports.
int iReadGarminDeviceXml(std::string_view svXml, const char *pszName, UnitFolder &oUnit);

// "Garmin USB drive: eTrex 30, part number 006-B1305-00, software 5.10, unit
// ID 3889775294", each part the XML lacks left out.
std::string sUnitVersionLine(const UnitFolder &oUnit);

// What /d and /u take from and give to the unit.
struct UnitKinds {
    bool fWaypoints = true;
    bool fProximity = true;
    bool fRoutes = true;
    bool fTracks = true;
};

// Reads every GPX file of the locations the unit writes to, in order of the
// XML and by name within a folder, into the store; the kinds not selected are
// left out. A file that cannot be read is named with its reason, the others
// still load, and the result is 0. FIT files of activities, courses and
// locations are counted in one line.
int iDownloadFromUnit(Workspace *pWorkspace, const UnitFolder &oUnit, const UnitKinds &oKinds);

// Writes the selected kinds into one new GPX file where the unit takes them,
// named after pszSourceName (tour.vkd gives tour.gpx, then tour-2.gpx, ...),
// never over a file; nothing is left behind when the write fails.
int iUploadToUnit(Workspace *pWorkspace, const UnitFolder &oUnit, const UnitKinds &oKinds,
                  const char *pszSourceName);

// When no protocol unit answers on USB: one line for each Garmin unit that is
// a USB drive or an MTP device, saying where it is mounted and how to reach it.
// Returns how many it found.
int iExplainGarminDrives();
