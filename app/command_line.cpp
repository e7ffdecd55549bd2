#include "app/command_line.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "base/report.h"
#include "geo/utm.h"
#include "store/workspace.h"

namespace {

constexpr int kMaxDatum = 101;
constexpr int kMaxCoordFormat = 17;
constexpr int kMaxUtmZone = 60;
constexpr int kMaxPortNumber = 255;

char cUpper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

std::string sUpper(std::string_view sv) {
    std::string s;
    for (char c : sv) {
        s += cUpper(c);
    }
    return s;
}

class SwitchParser {
  public:
    SwitchParser(int argc, char **argv, Workspace &oWorkspace, RunOptions &oOptions)
        : m_argc(argc), m_argv(argv), m_oWorkspace(oWorkspace), m_oOptions(oOptions) {}

    int iParse() {
        while (m_iNext < m_argc && !m_oOptions.fError) {
            vParseOne();
        }
        return m_oOptions.fError ? 0 : 1;
    }

  private:
    enum Slot { kFirstFile, kSecondFile };

    // Copies a file-name argument into its slot. A name that does not fit is
    // an error rather than a silently shortened name that would touch another
    // file; so is a different name for a slot that an earlier switch filled,
    // since every step runs after parsing and would act on the later name only
    // (the same name twice is fine).
    bool fSetFileSlot(Slot eSlot, const char *pszName, const char *pszSwitch) {
        char *pszSlot = eSlot == kFirstFile ? m_oOptions.szFirstFile : m_oOptions.szSecondFile;
        size_t nLength = std::strlen(pszName);
        if (nLength >= kFileNameSize) {
            vReportError("file name too long (%zu characters, at most %zu): '%.40s...'", nLength,
                         kFileNameSize - 1, pszName);
            return false;
        }
        const char *&pszOwner = m_apszSlotSwitch[eSlot];
        if (pszOwner != nullptr && std::strcmp(pszSlot, pszName) != 0) {
            vReportError("%s names '%s' and %s names '%s' where a run keeps one %s; give them "
                         "in separate runs",
                         pszOwner, pszSlot, pszSwitch, pszName,
                         eSlot == kFirstFile ? "data file" : "second file");
            return false;
        }
        pszOwner = pszSwitch;
        std::memcpy(pszSlot, pszName, nLength + 1);
        return true;
    }

    // The switch's own arguments, or nullptr (error noted) when fewer follow.
    bool fTakeArguments(int k, const char *pszSwitch) {
        if (m_iNext + k > m_argc) {
            vReportError("%s needs %d argument%s", pszSwitch, k, k == 1 ? "" : "s");
            m_oOptions.fError = true;
            return false;
        }
        return true;
    }

    const char *pszArg(int i) const { return m_argv[m_iNext + i]; }

    void vError() { m_oOptions.fError = true; }

    // "Invalid switch" on standard output as always; standard error names the argument.
    void vInvalidSwitch(const char *pszSwitch) {
        std::fputs("Invalid switch\n", stdout);
        vReportError("Invalid switch: %s", pszSwitch);
        vError();
    }

    void vParseOne() {
        const char *pszSwitch = m_argv[m_iNext++];
        if (pszSwitch[0] != '/' && pszSwitch[0] != '-') {
            vInvalidSwitch(pszSwitch);
            return;
        }
        RunOptions &o = m_oOptions;
        Workspace &w = m_oWorkspace;
        switch (cUpper(pszSwitch[1])) {
        case 'C':
            if (fTakeArguments(1, pszSwitch)) {
                vParsePort(pszArg(0));
                ++m_iNext;
            }
            break;
        case 'M':
            vSetNumber(pszSwitch, w.sDatum, 0, kMaxDatum, "a map datum");
            break;
        case 'F':
            vSetNumber(pszSwitch, w.sCoordFormat, 1, kMaxCoordFormat, "a coordinate format");
            break;
        case 'U':
            o.fUpload = o.fIdentify = o.fLoad = true;
            vParseTransfer(
                pszSwitch, "upload",
                {&o.fUploadWaypoints, &o.fUploadProximity, &o.fUploadRoutes, &o.fUploadTracks});
            break;
        case 'D':
            o.fDownload = o.fIdentify = o.fSave = true;
            vParseTransfer(pszSwitch, "download",
                           {&o.fDownloadWaypoints, &o.fDownloadProximity, &o.fDownloadRoutes,
                            &o.fDownloadTracks});
            break;
        case 'G':
            o.fIncludeUntimed = false;
            break;
        case 'I':
            if (fTakeArguments(2, pszSwitch) && fSetFileSlot(kSecondFile, pszArg(0), pszSwitch) &&
                fSetFileSlot(kFirstFile, pszArg(1), pszSwitch)) {
                o.fImport = o.fSave = true;
            } else {
                vError();
            }
            m_iNext += 2;
            break;
        case 'E':
        case 'W':
        case 'L':
            if (fTakeArguments(2, pszSwitch) && fSetFileSlot(kFirstFile, pszArg(0), pszSwitch) &&
                fSetFileSlot(kSecondFile, pszArg(1), pszSwitch)) {
                o.fLoad = true;
                char c = cUpper(pszSwitch[1]);
                (c == 'E' ? o.fExport : c == 'W' ? o.fListWaypoints : o.fListTrackPoints) = true;
            } else {
                vError();
            }
            m_iNext += 2;
            break;
        case 'V':
            o.fIdentify = true;
            break;
        case 'Z':
            if (int iZone; fTakeNumber(pszSwitch, 1, kMaxUtmZone, "a UTM zone", iZone)) {
                vSetUtmZoneOverride(iZone);
            }
            break;
        case 'B':
            w.fTabbedExport = 1;
            break;
        case 'S':
            if (fTakeArguments(1, pszSwitch)) {
                const char *pszValue = pszArg(0);
                ++m_iNext;
                if (int iSet; iParseSwitchNumber(pszValue, iSet) && (iSet == 1 || iSet == 2)) {
                    w.sSymbolSet = iSet == 1 ? 103 : 102;
                } else {
                    vReportError("/s takes 1 (16 symbols) or 2 (more than 16 symbols), not '%s'",
                                 pszValue);
                    vError();
                }
            }
            break;
        case 'T':
            vParseModifier(pszSwitch, "CWS",
                           {{&w.sOvlTrackColor, 6, "a track colour"},
                            {&w.sOvlTrackWidth, 4, "a track width"},
                            {&w.sOvlTrackStyle, 4, "a track style"}});
            break;
        case 'P':
            vParseModifier(pszSwitch, "CSHFB",
                           {{&w.sOvlWptColor, 6, "a waypoint colour"},
                            {&w.sOvlWptDotSize, INT16_MAX, "a dot size in pixels"},
                            {&w.sOvlWptFontHeight, 4, "a font height"},
                            {&w.sOvlWptFont, 4, "a font"},
                            {&w.sOvlWptBackground, 2, "a background"}});
            break;
        default:
            vInvalidSwitch(pszSwitch);
            break;
        }
    }

    // Takes the switch's one argument as a whole number from iMin to iMax;
    // anything else is an error that names the switch, the range and the text.
    bool fTakeNumber(const char *pszSwitch, int iMin, int iMax, const char *pszWhat, int &iValue) {
        if (!fTakeArguments(1, pszSwitch)) {
            return false;
        }
        const char *pszValue = pszArg(0);
        ++m_iNext;
        return fCheckNumber(pszSwitch, pszValue, iMin, iMax, pszWhat, iValue);
    }

    bool fCheckNumber(const char *pszSwitch, const char *pszValue, int iMin, int iMax,
                      const char *pszWhat, int &iValue) {
        if (iParseSwitchNumber(pszValue, iValue) && iValue >= iMin && iValue <= iMax) {
            return true;
        }
        vReportError("%s takes %s from %d to %d, not '%s'", pszSwitch, pszWhat, iMin, iMax,
                     pszValue);
        vError();
        return false;
    }

    void vSetNumber(const char *pszSwitch, int16_t &sField, int iMin, int iMax,
                    const char *pszWhat) {
        if (int iValue; fTakeNumber(pszSwitch, iMin, iMax, pszWhat, iValue)) {
            sField = static_cast<int16_t>(iValue);
        }
    }

    // In this order: U or USB; the folder a unit that is a USB drive is
    // mounted at (a Windows drive "U:\\" among them); a device path; a port
    // number.
    void vParsePort(const char *pszPort) {
        RunOptions &o = m_oOptions;
        std::string_view svPort = pszPort;
        o.fUsb = o.fUnitFolder = false;
        if (sUpper(svPort) == "U" || sUpper(svPort) == "USB") {
            o.fUsb = true;
            return;
        }
        std::error_code oError;
        const bool fFolder = !svPort.empty() && std::filesystem::is_directory(pszPort, oError);
        if (fFolder || std::strpbrk(pszPort, "/\\") != nullptr) {
            size_t nLength = std::strlen(pszPort);
            if (nLength >= sizeof(o.szPortPath)) {
                vReportError("%s too long: '%.40s...'", fFolder ? "folder name" : "device path",
                             pszPort);
                vError();
                return;
            }
            std::memcpy(o.szPortPath, pszPort, nLength + 1);
            o.fUnitFolder = fFolder;
            return;
        }
        o.szPortPath[0] = '\0';
        int iPort;
        if (!iParseSwitchNumber(pszPort, iPort) || iPort < 1 || iPort > kMaxPortNumber) {
            vReportError("/c takes a port number from 1 to %d, U for USB, the folder of a unit "
                         "that is a USB drive or a device path containing '/', not '%s'",
                         kMaxPortNumber, pszPort);
            vError();
            return;
        }
        o.iPortNumber = iPort;
    }

    // /d and /u: the kinds named by the letters after the switch letter (W
    // waypoints, P proximity waypoints, R routes, T tracks), all four without
    // letters; then the data file.
    void vParseTransfer(const char *pszSwitch, const char *pszWhat,
                        std::initializer_list<bool *> apKinds) {
        bool *pWaypoints = apKinds.begin()[0], *pProximity = apKinds.begin()[1],
             *pRoutes = apKinds.begin()[2], *pTracks = apKinds.begin()[3];
        if (std::strlen(pszSwitch) == 2) {
            *pWaypoints = *pProximity = *pRoutes = *pTracks = true;
        } else {
            for (const char *p = pszSwitch + 2; *p != '\0'; ++p) {
                switch (char c = cUpper(*p)) {
                case 'W':
                    *pWaypoints = true;
                    break;
                case 'P':
                    *pProximity = true;
                    break;
                case 'R':
                    *pRoutes = true;
                    break;
                case 'T':
                    *pTracks = true;
                    break;
                default:
                    std::printf("Invalid %s type: %c\n", pszWhat, c);
                    vError();
                    break;
                }
            }
        }
        if (fTakeArguments(1, pszSwitch)) {
            if (!fSetFileSlot(kFirstFile, pszArg(0), pszSwitch)) {
                vError();
            }
            ++m_iNext;
        }
    }

    struct StyleField {
        int16_t *pField;
        int iMax; // the values run from 1 to iMax
        const char *pszWhat;
    };

    void vParseModifier(const char *pszSwitch, const char *pszLetters,
                        std::initializer_list<StyleField> aFields) {
        if (m_iNext >= m_argc || std::strlen(pszSwitch) < 3) {
            vReportError("%s needs a modifier letter and a number", pszSwitch);
            vError();
            return;
        }
        char c = cUpper(pszSwitch[2]);
        const char *pszFound = c != '\0' ? std::strchr(pszLetters, c) : nullptr;
        if (pszFound == nullptr) {
            std::printf("Invalid track modifier: %c\n", c);
            vError();
        } else {
            const StyleField &oField = aFields.begin()[pszFound - pszLetters];
            if (int iValue;
                fCheckNumber(pszSwitch, pszArg(0), 1, oField.iMax, oField.pszWhat, iValue)) {
                *oField.pField = static_cast<int16_t>(iValue);
            }
        }
        ++m_iNext;
    }

    int m_argc;
    char **m_argv;
    int m_iNext = 1;
    const char *m_apszSlotSwitch[2] = {nullptr, nullptr}; // the switch that filled each slot
    Workspace &m_oWorkspace;
    RunOptions &m_oOptions;
};

} // namespace

int iParseSwitchNumber(const char *pszText, int &iValue) {
    const char *p = pszText;
    while (*p == ' ' || *p == '\t') {
        ++p;
    }
    bool fNegative = false;
    if (*p == '+' || *p == '-') {
        fNegative = *p == '-';
        ++p;
    }
    long long llValue = 0;
    const char *pDigits = p;
    while (*p >= '0' && *p <= '9') {
        if (llValue <= static_cast<long long>(INT_MAX) + 1) {
            llValue = llValue * 10 + (*p - '0');
        }
        ++p;
    }
    if (fNegative) {
        llValue = -llValue;
    }
    iValue = static_cast<int>(std::clamp<long long>(llValue, INT_MIN, INT_MAX));
    return p != pDigits && *p == '\0' ? 1 : 0;
}

int iParseCommandLine(int argc, char **argv, Workspace &oWorkspace, RunOptions &oOptions) {
    return SwitchParser(argc, argv, oWorkspace, oOptions).iParse();
}

void vFormatPortName(const RunOptions &oOptions, char *pszName, size_t nSize) {
    if (oOptions.szPortPath[0] != '\0') {
        std::snprintf(pszName, nSize, "%s", oOptions.szPortPath);
    } else {
        std::snprintf(pszName, nSize, "COM%d", oOptions.iPortNumber);
    }
}
