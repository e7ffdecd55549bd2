#pragma once
// Helpers for the tests of the exchange formats: a scratch folder per test,
// whole-file reads, and stores filled with tracks.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "formats/export_driver.h"
#include "store/workspace.h"

namespace exchange_test {

// A folder of its own under the system's temporary folder, removed at the end.
class ScratchFolder {
  public:
    ScratchFolder() {
        static int iCounter = 0;
        m_oPath = std::filesystem::temp_directory_path() /
                  ("quillox-exch-" + std::to_string(::getpid()) + "-" + std::to_string(++iCounter));
        std::filesystem::create_directories(m_oPath);
    }
    ~ScratchFolder() {
        std::error_code oError;
        std::filesystem::remove_all(m_oPath, oError);
    }
    std::string sPath(const std::string &sName) const { return (m_oPath / sName).string(); }

  private:
    std::filesystem::path m_oPath;
};

inline std::string sReadFile(const std::string &sPath) {
    std::ifstream oStream(sPath, std::ios::binary);
    std::ostringstream oText;
    oText << oStream.rdbuf();
    return oText.str();
}

inline void vWriteFile(const std::string &sPath, const std::string &sData) {
    std::ofstream oStream(sPath, std::ios::binary);
    oStream << sData;
}

// The file's lines without their CR LF ends.
inline std::vector<std::string> aLines(const std::string &sData) {
    std::vector<std::string> aResult;
    size_t nStart = 0;
    while (nStart < sData.size()) {
        size_t nEnd = sData.find('\n', nStart);
        if (nEnd == std::string::npos) {
            nEnd = sData.size();
        }
        std::string sLine = sData.substr(nStart, nEnd - nStart);
        if (!sLine.empty() && sLine.back() == '\r') {
            sLine.pop_back();
        }
        aResult.push_back(sLine);
        nStart = nEnd + 1;
    }
    return aResult;
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

// A file of the peer data folder. The environment variable of the same name
// overrides the built-in path, for checkouts that do not sit beside it.
inline std::string sPeerFile(const char *pszName) {
    const char *pszFolder = std::getenv("QUILLOX_PEER_DATA_DIR");
#ifdef QUILLOX_PEER_DATA_DIR
    if (pszFolder == nullptr || *pszFolder == '\0') {
        pszFolder = QUILLOX_PEER_DATA_DIR;
    }
#endif
    return std::string(pszFolder != nullptr ? pszFolder : ".") + "/" + pszName;
}

constexpr double kSemicircleDegrees = 180.0 / 2147483648.0;

} // namespace exchange_test
