#pragma once
// Helpers for the tests of the exchange formats: exports into a scratch
// folder, and stores filled with tracks.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/export_driver.h"
#include "store/workspace.h"
#include "tests/test_files.h"

namespace exchange_test {

using ::aLines;
using ::sPeerFile;
using ::sReadFile;
using ::vWriteFile;
using ScratchFolder = ::TempFolder;

// Runs gpsbabel with the arguments, killed after 60 seconds; true when it
// ended with status 0. Its standard error goes to a file of the folder.
inline bool fRunGpsbabel(const ScratchFolder &oFolder, const std::string &sArguments) {
    std::string sCommand =
        "timeout 60 gpsbabel " + sArguments + " 2>" + oFolder.sPath("gpsbabel.err");
    return std::system(sCommand.c_str()) == 0;
}

// Exports the store with the driver (kind mask 7, as the command line does)
// and returns the file's bytes; empty when the export failed.
inline std::string sExport(Workspace &oWorkspace, const ScratchFolder &oFolder, int iFileType,
                           const std::string &sName, int *piResult = nullptr) {
    std::string sPath = oFolder.sPath(sName);
    int iResult = iExportTextFile(&oWorkspace, sPath.c_str(), 7, iFileType);
    if (piResult != nullptr) {
        *piResult = iResult;
    }
    return iResult ? sReadFile(sPath) : std::string();
}

// Semicircles of an angle in degrees, to the nearest; exact for multiples of
// 180 / 2^31 degrees, such as 11.25 or 0.17578125.
inline int32_t lSemi(double dDegrees) {
    return static_cast<int32_t>(std::llround(dDegrees * 2147483648.0 / 180.0));
}

inline TrackPoint oPoint(double dLatitude, double dLongitude, int32_t lTime, float fAltitude,
                         int32_t fNewSegment = 0) {
    TrackPoint o{};
    o.lLatitude = lSemi(dLatitude);
    o.lLongitude = lSemi(dLongitude);
    o.lTime = lTime;
    o.fAltitude = fAltitude;
    o.fNewSegment = fNewSegment;
    return o;
}

constexpr double kSemicircleDegrees = 180.0 / 2147483648.0;

} // namespace exchange_test
