#include "app/command_line.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>

#include "base/report.h"
#include "geo/utm.h"
#include "store/workspace.h"

namespace {

constexpr int kMaxDatum = 101;

char cUpper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

// Copies a file-name argument into its slot; a name that does not fit is an
// error rather than a silently shortened name that would touch another file.
bool fSetFileSlot(char *pszSlot, const char *pszName) {
    size_t nLength = std::strlen(pszName);
    if (nLength >= kFileNameSize) {
        vReportError("file name too long (%zu characters, at most %zu): '%.40s...'", nLength,
                     kFileNameSize - 1, pszName);
        return false;
    }
    std::memcpy(pszSlot, pszName, nLength + 1);
    return true;
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

    void vParseOne() {
        const char *pszSwitch = m_argv[m_iNext++];
        if (pszSwitch[0] != '/' && pszSwitch[0] != '-') {
            std::fputs("Invalid switch\n", stdout);
            vError();
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
            if (fTakeArguments(1, pszSwitch)) {
                int iDatum = iParseSwitchNumber(pszArg(0));
                ++m_iNext;
                if (iDatum < 0 || iDatum > kMaxDatum) {
                    vReportError("map datum %d is out of range (0..%d)", iDatum, kMaxDatum);
                    vError();
                } else {
                    w.sDatum = static_cast<int16_t>(iDatum);
                }
            }
            break;
        case 'F':
            vSetNumber(pszSwitch, w.sCoordFormat);
            break;
        case 'U':
            if (fTakeArguments(1, pszSwitch) && fSetFileSlot(o.szFirstFile, pszArg(0))) {
                o.fUpload = o.fIdentify = o.fLoad = true;
            } else {
                vError();
            }
            ++m_iNext;
            break;
        case 'D':
            vParseDownload(pszSwitch);
            break;
        case 'G':
            o.fIncludeUntimed = false;
            break;
        case 'I':
            if (fTakeArguments(2, pszSwitch) && fSetFileSlot(o.szSecondFile, pszArg(0)) &&
                fSetFileSlot(o.szFirstFile, pszArg(1))) {
                o.fImport = o.fSave = true;
            } else {
                vError();
            }
            m_iNext += 2;
            break;
        case 'E':
        case 'W':
        case 'L':
            if (fTakeArguments(2, pszSwitch) && fSetFileSlot(o.szFirstFile, pszArg(0)) &&
                fSetFileSlot(o.szSecondFile, pszArg(1))) {
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
            if (fTakeArguments(1, pszSwitch)) {
                vSetUtmZoneOverride(iParseSwitchNumber(pszArg(0)));
                ++m_iNext;
            }
            break;
        case 'B':
            w.fTabbedExport = 1;
            break;
        case 'S':
            if (fTakeArguments(1, pszSwitch)) {
                int iSet = iParseSwitchNumber(pszArg(0));
                ++m_iNext;
                if (iSet == 1) {
                    w.sSymbolSet = 103;
                } else if (iSet == 2) {
                    w.sSymbolSet = 102;
                } else {
                    vReportError("/s takes 1 (16 symbols) or 2 (more than 16 symbols), not %d",
                                 iSet);
                    vError();
                }
            }
            break;
        case 'T':
            vParseModifier(pszSwitch, "CWS",
                           {&w.sOvlTrackColor, &w.sOvlTrackWidth, &w.sOvlTrackStyle});
            break;
        case 'P':
            vParseModifier(pszSwitch, "CSHFB",
                           {&w.sOvlWptColor, &w.sOvlWptDotSize, &w.sOvlWptFontHeight,
                            &w.sOvlWptFont, &w.sOvlWptBackground});
            break;
        default:
            std::fputs("Invalid switch\n", stdout);
            vError();
            break;
        }
    }

    void vSetNumber(const char *pszSwitch, int16_t &sField) {
        if (fTakeArguments(1, pszSwitch)) {
            sField = static_cast<int16_t>(iParseSwitchNumber(pszArg(0)));
            ++m_iNext;
        }
    }

    void vParsePort(const char *pszPort) {
        RunOptions &o = m_oOptions;
        if (cUpper(pszPort[0]) == 'U') {
            o.fUsb = true;
            return;
        }
        o.fUsb = false;
        if (std::strpbrk(pszPort, "/\\") != nullptr) {
            size_t nLength = std::strlen(pszPort);
            if (nLength >= sizeof(o.szPortPath)) {
                vReportError("device path too long: '%.40s...'", pszPort);
                vError();
                return;
            }
            std::memcpy(o.szPortPath, pszPort, nLength + 1);
            return;
        }
        o.szPortPath[0] = '\0';
        o.iPortNumber = iParseSwitchNumber(pszPort);
        char szName[11];
        int iLength = std::snprintf(szName, sizeof(szName), "COM%d", o.iPortNumber);
        if (iLength < 0 || static_cast<size_t>(iLength) >= sizeof(szName)) {
            vReportError("port number %d is out of range", o.iPortNumber);
            vError();
        }
    }

    void vParseDownload(const char *pszSwitch) {
        RunOptions &o = m_oOptions;
        o.fDownload = o.fIdentify = o.fSave = true;
        if (std::strlen(pszSwitch) == 2) {
            o.fDownloadWaypoints = o.fDownloadProximity = o.fDownloadRoutes = o.fDownloadTracks =
                true;
        } else {
            for (const char *p = pszSwitch + 2; *p != '\0'; ++p) {
                switch (char c = cUpper(*p)) {
                case 'W':
                    o.fDownloadWaypoints = true;
                    break;
                case 'P':
                    o.fDownloadProximity = true;
                    break;
                case 'R':
                    o.fDownloadRoutes = true;
                    break;
                case 'T':
                    o.fDownloadTracks = true;
                    break;
                default:
                    std::printf("Invalid download type: %c\n", c);
                    vError();
                    break;
                }
            }
        }
        if (fTakeArguments(1, pszSwitch)) {
            if (!fSetFileSlot(o.szFirstFile, pszArg(0))) {
                vError();
            }
            ++m_iNext;
        }
    }

    void vParseModifier(const char *pszSwitch, const char *pszLetters,
                        std::initializer_list<int16_t *> apFields) {
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
            *apFields.begin()[pszFound - pszLetters] =
                static_cast<int16_t>(iParseSwitchNumber(pszArg(0)));
        }
        ++m_iNext;
    }

    int m_argc;
    char **m_argv;
    int m_iNext = 1;
    Workspace &m_oWorkspace;
    RunOptions &m_oOptions;
};

} // namespace

int iParseSwitchNumber(const char *pszText) {
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
    while (*p >= '0' && *p <= '9') {
        if (llValue <= static_cast<long long>(INT_MAX) + 1) {
            llValue = llValue * 10 + (*p - '0');
        }
        ++p;
    }
    if (fNegative) {
        llValue = -llValue;
    }
    if (llValue > INT_MAX) {
        return INT_MAX;
    }
    if (llValue < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(llValue);
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
