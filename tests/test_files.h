#pragma once
// Files for tests: a temporary folder per test, whole-file reads and writes,
// line splitting, and the peer data read in place.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

// A folder of its own under the system's temporary folder, removed at the end.
class TempFolder {
  public:
    TempFolder() {
#if defined(_WIN32)
        // No mkdtemp: the process id and a count make the name, creating the
        // folder claims it.
        static unsigned nCount = 0;
        std::error_code oError;
        bool fMade = false;
        for (int i = 0; i < 1000 && !fMade; ++i) {
            m_oPath =
                std::filesystem::temp_directory_path() /
                ("quillox-test-" + std::to_string(_getpid()) + "-" + std::to_string(nCount++));
            fMade = std::filesystem::create_directory(m_oPath, oError);
        }
        EXPECT_TRUE(fMade);
#else
        std::string sTemplate =
            (std::filesystem::temp_directory_path() / "quillox-test-XXXXXX").string();
        char *pszMade = mkdtemp(sTemplate.data());
        EXPECT_NE(pszMade, nullptr);
        m_oPath = sTemplate;
#endif
    }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;
    ~TempFolder() {
        std::error_code oError;
        std::filesystem::remove_all(m_oPath, oError);
    }
    std::string sPath(const std::string &sName) const {
        return (m_oPath / sName).string();
    }
    std::string sFolder() const {
        return m_oPath.string();
    }

  private:
    std::filesystem::path m_oPath;
};

inline std::string sReadFile(const std::string &sName) {
    std::ifstream oIn(sName, std::ios::binary);
    std::ostringstream oText;
    oText << oIn.rdbuf();
    return oText.str();
}

inline void vWriteFile(const std::string &sName, const std::string &sText) {
    std::ofstream oOut(sName, std::ios::binary);
    oOut << sText;
}

// The text with every LF turned into CR LF, as the program writes its text files.
inline std::string sCrLf(const std::string &sText) {
    std::string sOut;
    for (char c : sText) {
        if (c == '\n') {
            sOut += '\r';
        }
        sOut += c;
    }
    return sOut;
}

// The file's lines without their CR LF or LF ends.
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

// A file of the peer data, read in place. The folder is the one CI lays out
// beside the project; QUILLOX_PEER_DATA_DIR in the environment points
// elsewhere (a checkout that sits at another depth).
inline std::string sPeerFile(const char *pszName) {
    const char *pszFolder = std::getenv("QUILLOX_PEER_DATA_DIR");
    return std::string(pszFolder != nullptr && *pszFolder != '\0' ? pszFolder
                                                                  : QUILLOX_PEER_DATA_DIR) +
           "/" + pszName;
}
