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
#include "base/text_codec.h"
#include "device/line_speed.h"
#include "formats/live_position.h"
#include "geo/utm.h"
#include "store/workspace.h"

namespace {

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

enum Slot { kNoFile, kFirstFile, kSecondFile };

using RunFlag = bool RunOptions::*;
using Setting = int16_t Workspace::*;

// What a switch's effect in code is handed: the argument as given and, for a
// switch that takes a number, its value (already checked against the range).
struct SwitchCall {
    Workspace &w;
    RunOptions &o;
    const char *pszSwitch;
    const char *pszValue;
    int iValue;
};

// A switch whose argument is a number: what it is, its range, and the setting
// it goes to (none when the switch's effect takes it).
struct NumberRule {
    const char *pszWhat = nullptr;
    int iMin = 0;
    int iMax = 0;
    Setting psSetting = nullptr;
};

// /d and /u: the flags set by the letters W, P, R, T after the switch letter
// (all four without letters), the flag that says letters named them, and the
// word of "Invalid <what> type".
struct KindLetters {
    RunFlag apfKinds[4];
    RunFlag pfNamed;
    const char *pszWhat;
};

// One switch. The switch is named by the letters after "/" or "-" in any case;
// further characters are ignored, except the kind letters of /d and /u. A row
// of two letters ("TC") belongs to a family (/t, /p) whose third character
// picks the member.
struct SwitchRow {
    const char *pszName;
    int iArguments;
    Slot aeFiles[2];    // the slot each of the first arguments fills
    RunFlag apfSets[3]; // the operations the switch asks for
    const KindLetters *pKinds;
    NumberRule oNumber;
    // What must stay in code; false when it noted an error (and said why).
    bool (*fnEffect)(const SwitchCall &c);
};

constexpr int kMaxDatum = 101;
constexpr int kMaxCoordFormat = 17;
constexpr int kMaxUtmZone = 60;
constexpr int kMaxPortNumber = 255;

// In this order: U or USB; the folder a unit that is a USB drive is mounted
// at (a Windows drive "U:\\" among them); a device path; a port number.
bool fParsePort(const SwitchCall &c) {
    RunOptions &o = c.o;
    const char *pszPort = c.pszValue;
    std::string_view svPort = pszPort;
    o.fUsb = o.fUnitFolder = false;
    if (sUpper(svPort) == "U" || sUpper(svPort) == "USB") {
        o.fUsb = true;
        return true;
    }
    std::error_code oError;
    const bool fFolder = !svPort.empty() && std::filesystem::is_directory(pszPort, oError);
    if (fFolder || std::strpbrk(pszPort, "/\\") != nullptr) {
        size_t nLength = std::strlen(pszPort);
        if (nLength >= sizeof(o.szPortPath)) {
            vReportError("%s too long: '%.40s...'", fFolder ? "folder name" : "device path",
                         pszPort);
            return false;
        }
        std::memcpy(o.szPortPath, pszPort, nLength + 1);
        o.fUnitFolder = fFolder;
        return true;
    }
    o.szPortPath[0] = '\0';
    int iPort;
    if (!iParseSwitchNumber(pszPort, iPort) || iPort < 1 || iPort > kMaxPortNumber) {
        vReportError("/c takes a port number from 1 to %d, U for USB, the folder of a unit that "
                     "is a USB drive or a device path containing '/', not '%s'",
                     kMaxPortNumber, pszPort);
        return false;
    }
    o.iPortNumber = iPort;
    return true;
}

bool fSetSymbolSet(const SwitchCall &c) {
    if (int iSet; iParseSwitchNumber(c.pszValue, iSet) && (iSet == 1 || iSet == 2)) {
        c.w.sSymbolSet = iSet == 1 ? 103 : 102;
        return true;
    }
    vReportError("/s takes 1 (16 symbols) or 2 (more than 16 symbols), not '%s'", c.pszValue);
    return false;
}

bool fSetCodePage(const SwitchCall &c) {
    if (int iCodePage; iParseSwitchNumber(c.pszValue, iCodePage) && iKnownCodePage(iCodePage)) {
        c.w.sCodePage = static_cast<int16_t>(iCodePage);
        return true;
    }
    vReportError("%s takes a code page, %s, not '%s'", c.pszSwitch, pszKnownCodePages(),
                 c.pszValue);
    return false;
}

bool fKeepOnlyTimed(const SwitchCall &c) {
    c.o.fIncludeUntimed = false;
    return true;
}

bool fSetUtmZone(const SwitchCall &c) {
    vSetUtmZoneOverride(c.iValue);
    return true;
}

bool fSetTabbed(const SwitchCall &c) {
    c.w.fTabbedExport = 1;
    return true;
}

bool fSetLineSpeed(const SwitchCall &c) {
    if (int iBaud; iParseSwitchNumber(c.pszValue, iBaud) && iIsLineSpeed(iBaud)) {
        c.o.lLineSpeed = static_cast<uint32_t>(iBaud);
        c.o.fChangeLineSpeed = c.o.lLineSpeed != kBaseLineSpeed;
        return true;
    }
    vReportError("%s takes a line speed of %s, not '%s'", c.pszSwitch, kszLineSpeeds, c.pszValue);
    return false;
}

// The live position's file is its own argument, not one of the two file slots.
bool fSetLiveFile(const SwitchCall &c) {
    if (std::strlen(c.pszValue) >= sizeof(c.o.szLiveFile) ||
        eLiveFormatOf(c.pszValue) == LiveFormat::kNone) {
        vReportError("%s takes a file ending in .NME, .GPX or .KML, or - for NMEA on standard "
                     "output, not '%.255s'",
                     c.pszSwitch, c.pszValue);
        return false;
    }
    std::snprintf(c.o.szLiveFile, sizeof(c.o.szLiveFile), "%s", c.pszValue);
    return true;
}

using O = RunOptions;
using W = Workspace;

constexpr KindLetters kUploadKinds = {
    {&O::fUploadWaypoints, &O::fUploadProximity, &O::fUploadRoutes, &O::fUploadTracks},
    &O::fUploadKindsNamed,
    "upload"};
constexpr KindLetters kDownloadKinds = {
    {&O::fDownloadWaypoints, &O::fDownloadProximity, &O::fDownloadRoutes, &O::fDownloadTracks},
    &O::fDownloadKindsNamed,
    "download"};

// name, arguments, file slots, operations, kind letters, number, effect
constexpr SwitchRow kaSwitches[] = {
    {"C", 1, {}, {}, nullptr, {}, fParsePort},
    {"M", 1, {}, {}, nullptr, {"a map datum", 0, kMaxDatum, &W::sDatum}, nullptr},
    {"F",
     1,
     {},
     {},
     nullptr,
     {"a coordinate format", 1, kMaxCoordFormat, &W::sCoordFormat},
     nullptr},
    {"U", 1, {kFirstFile}, {&O::fUpload, &O::fIdentify, &O::fLoad}, &kUploadKinds, {}, nullptr},
    {"D", 1, {kFirstFile}, {&O::fDownload, &O::fIdentify, &O::fSave}, &kDownloadKinds, {}, nullptr},
    {"G", 0, {}, {}, nullptr, {}, fKeepOnlyTimed},
    {"I", 2, {kSecondFile, kFirstFile}, {&O::fImport, &O::fSave}, nullptr, {}, nullptr},
    {"E", 2, {kFirstFile, kSecondFile}, {&O::fLoad, &O::fExport}, nullptr, {}, nullptr},
    {"W", 2, {kFirstFile, kSecondFile}, {&O::fLoad, &O::fListWaypoints}, nullptr, {}, nullptr},
    {"L", 2, {kFirstFile, kSecondFile}, {&O::fLoad, &O::fListTrackPoints}, nullptr, {}, nullptr},
    {"V", 0, {}, {&O::fIdentify}, nullptr, {}, nullptr},
    {"R", 1, {}, {}, nullptr, {}, fSetLineSpeed},
    {"N", 1, {}, {&O::fLivePosition, &O::fIdentify}, nullptr, {}, fSetLiveFile},
    {"Z", 1, {}, {}, nullptr, {"a UTM zone", 1, kMaxUtmZone, nullptr}, fSetUtmZone},
    {"B", 0, {}, {}, nullptr, {}, fSetTabbed},
    {"S", 1, {}, {}, nullptr, {}, fSetSymbolSet},
    {"A", 1, {}, {}, nullptr, {}, fSetCodePage},
    {"TC", 1, {}, {}, nullptr, {"a track colour", 1, 6, &W::sOvlTrackColor}, nullptr},
    {"TW", 1, {}, {}, nullptr, {"a track width", 1, 4, &W::sOvlTrackWidth}, nullptr},
    {"TS", 1, {}, {}, nullptr, {"a track style", 1, 4, &W::sOvlTrackStyle}, nullptr},
    {"PC", 1, {}, {}, nullptr, {"a waypoint colour", 1, 6, &W::sOvlWptColor}, nullptr},
    {"PS", 1, {}, {}, nullptr, {"a dot size in pixels", 1, INT16_MAX, &W::sOvlWptDotSize}, nullptr},
    {"PH", 1, {}, {}, nullptr, {"a font height", 1, 4, &W::sOvlWptFontHeight}, nullptr},
    {"PF", 1, {}, {}, nullptr, {"a font", 1, 4, &W::sOvlWptFont}, nullptr},
    {"PB", 1, {}, {}, nullptr, {"a background", 1, 2, &W::sOvlWptBackground}, nullptr},
};

// The row of a switch: one letter, or a family's letter and its modifier.
const SwitchRow *pFindSwitch(char cLetter, char cModifier) {
    for (const SwitchRow &oRow : kaSwitches) {
        if (oRow.pszName[0] == cLetter &&
            (oRow.pszName[1] == '\0' || oRow.pszName[1] == cModifier)) {
            return &oRow;
        }
    }
    return nullptr;
}

bool fIsFamily(char cLetter) {
    for (const SwitchRow &oRow : kaSwitches) {
        if (oRow.pszName[0] == cLetter && oRow.pszName[1] != '\0') {
            return true;
        }
    }
    return false;
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
        const char *&pszOwner = m_apszSlotSwitch[eSlot == kFirstFile ? 0 : 1];
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

    void vError() { m_oOptions.fError = true; }

    // "Invalid switch" on standard output as always; standard error names the argument.
    void vInvalidSwitch(const char *pszSwitch) {
        std::fputs("Invalid switch\n", stdout);
        vReportError("Invalid switch: %s", pszSwitch);
        vError();
    }

    // The row of the switch, or nullptr when it is none (the error noted).
    const SwitchRow *pLookUp(const char *pszSwitch) {
        if (pszSwitch[0] != '/' && pszSwitch[0] != '-') {
            vInvalidSwitch(pszSwitch);
            return nullptr;
        }
        const char cLetter = cUpper(pszSwitch[1]);
        if (cLetter == '\0' || !fIsFamily(cLetter)) {
            const SwitchRow *pRow = cLetter != '\0' ? pFindSwitch(cLetter, '\0') : nullptr;
            if (pRow == nullptr) {
                vInvalidSwitch(pszSwitch);
            }
            return pRow;
        }
        if (m_iNext >= m_argc || std::strlen(pszSwitch) < 3) {
            vReportError("%s needs a modifier letter and a number", pszSwitch);
            vError();
            return nullptr;
        }
        const char cModifier = cUpper(pszSwitch[2]);
        const SwitchRow *pRow = pFindSwitch(cLetter, cModifier);
        if (pRow == nullptr) {
            std::printf("Invalid track modifier: %c\n", cModifier);
            vError();
            ++m_iNext; // its number
        }
        return pRow;
    }

    // /d and /u: the kinds named by the letters after the switch letter, all
    // four without letters.
    void vParseKinds(const KindLetters &oKinds, const char *pszSwitch) {
        constexpr char kszKindLetters[] = "WPRT";
        if (std::strlen(pszSwitch) == 2) {
            for (RunFlag pfKind : oKinds.apfKinds) {
                m_oOptions.*pfKind = true;
            }
            return;
        }
        m_oOptions.*oKinds.pfNamed = true;
        for (const char *p = pszSwitch + 2; *p != '\0'; ++p) {
            const char c = cUpper(*p);
            const char *pszFound = std::strchr(kszKindLetters, c);
            if (pszFound != nullptr) {
                m_oOptions.*oKinds.apfKinds[pszFound - kszKindLetters] = true;
            } else {
                std::printf("Invalid %s type: %c\n", oKinds.pszWhat, c);
                vError();
            }
        }
    }

    void vParseOne() {
        const char *pszSwitch = m_argv[m_iNext++];
        const SwitchRow *pRow = pLookUp(pszSwitch);
        if (pRow == nullptr) {
            return;
        }
        const SwitchRow &oRow = *pRow;
        if (oRow.pKinds != nullptr) {
            vParseKinds(*oRow.pKinds, pszSwitch);
        }
        if (m_iNext + oRow.iArguments > m_argc) {
            vReportError("%s needs %d argument%s", pszSwitch, oRow.iArguments,
                         oRow.iArguments == 1 ? "" : "s");
            vError();
            return;
        }
        char **apszArgs = m_argv + m_iNext;
        m_iNext += oRow.iArguments;
        for (int i = 0; i < 2 && oRow.aeFiles[i] != kNoFile; ++i) {
            if (!fSetFileSlot(oRow.aeFiles[i], apszArgs[i], pszSwitch)) {
                vError();
                return;
            }
        }
        SwitchCall oCall{m_oWorkspace, m_oOptions, pszSwitch,
                         oRow.iArguments > 0 ? apszArgs[0] : nullptr, 0};
        if (const NumberRule &oNumber = oRow.oNumber; oNumber.pszWhat != nullptr) {
            if (!iParseSwitchNumber(oCall.pszValue, oCall.iValue) || oCall.iValue < oNumber.iMin ||
                oCall.iValue > oNumber.iMax) {
                vReportError("%s takes %s from %d to %d, not '%s'", pszSwitch, oNumber.pszWhat,
                             oNumber.iMin, oNumber.iMax, oCall.pszValue);
                vError();
                return;
            }
            if (oNumber.psSetting != nullptr) {
                m_oWorkspace.*oNumber.psSetting = static_cast<int16_t>(oCall.iValue);
            }
        }
        if (oRow.fnEffect != nullptr && !oRow.fnEffect(oCall)) {
            vError();
            return;
        }
        for (RunFlag pfSets : oRow.apfSets) {
            if (pfSets != nullptr) {
                m_oOptions.*pfSets = true;
            }
        }
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
