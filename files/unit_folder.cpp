#include "files/unit_folder.h"

#include <expat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <set>
#include <system_error>

#include "base/mounts.h"
#include "base/report.h"
#include "formats/export_driver.h"
#include "formats/gpx.h"
#include "geo/calendar.h"
#include "store/file_kinds.h"
#include "store/workspace.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxXmlSize = 4 << 20; // real ones are a few dozen KiB
constexpr size_t kMaxFieldText = 4096;
constexpr int kMaxDepth = 32;
constexpr int kMaxNameTries = 10000;
constexpr char kNamespaceSeparator = '\x01';
constexpr std::string_view kGpsData = "GPSData";

std::string sLower(std::string_view sv) {
    std::string s(sv);
    for (char &c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return s;
}

bool fIsFolder(const fs::path &o) {
    std::error_code e;
    return fs::is_directory(o, e);
}

bool fIsFile(const fs::path &o) {
    std::error_code e;
    return fs::is_regular_file(o, e);
}

// The names in a folder, sorted; none when it cannot be read.
std::vector<std::string> asFolderNames(const fs::path &oFolder) {
    std::vector<std::string> as;
    std::error_code e;
    for (fs::directory_iterator it(oFolder, e), itEnd; !e && it != itEnd; it.increment(e)) {
        as.push_back(it->path().filename().string());
    }
    std::sort(as.begin(), as.end());
    return as;
}

// The entry of oFolder whose name is svName in any case (the exact spelling
// first; FAT keeps the case it was given, units and hosts spell differently).
bool fFindEntry(const fs::path &oFolder, std::string_view svName, fs::path &oFound) {
    std::error_code e;
    fs::path oExact = oFolder / std::string(svName);
    if (fs::exists(oExact, e)) {
        oFound = oExact;
        return true;
    }
    const std::string sWanted = sLower(svName);
    for (const std::string &sName : asFolderNames(oFolder)) {
        if (sLower(sName) == sWanted) {
            oFound = oFolder / sName;
            return true;
        }
    }
    return false;
}

// A path of the XML ("Garmin/GPX/Current", either slash) below oBase, each
// part in any case.
bool fFindPath(const fs::path &oBase, std::string_view svPath, fs::path &oFound) {
    fs::path o = oBase;
    while (!svPath.empty()) {
        size_t nSlash = svPath.find_first_of("/\\");
        std::string_view svPart = svPath.substr(0, nSlash);
        svPath.remove_prefix(nSlash == std::string_view::npos ? svPath.size() : nSlash + 1);
        if (svPart.empty() || svPart == ".") {
            continue;
        }
        if (!fFindEntry(o, svPart, o)) {
            return false;
        }
    }
    oFound = o;
    return true;
}

// A path of the description that stays below the volume: relative, no "..".
bool fInsideVolume(std::string_view svPath) {
    if (!svPath.empty() && (svPath[0] == '/' || svPath[0] == '\\')) {
        return false;
    }
    if (svPath.find(':') != std::string_view::npos) {
        return false; // a Windows drive or stream
    }
    while (!svPath.empty()) {
        size_t nSlash = svPath.find_first_of("/\\");
        if (svPath.substr(0, nSlash) == "..") {
            return false;
        }
        svPath.remove_prefix(nSlash == std::string_view::npos ? svPath.size() : nSlash + 1);
    }
    return true;
}

// ---- GarminDevice.xml ----

class DeviceXmlReader {
  public:
    DeviceXmlReader(const char *pszName, UnitFolder &oUnit, bool fQuiet = false)
        : m_pszName(pszName), m_oUnit(oUnit), m_fQuiet(fQuiet) {}

    int iRead(std::string_view svXml) {
        std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> pParser(
            XML_ParserCreateNS(nullptr, kNamespaceSeparator), &XML_ParserFree);
        if (!pParser) {
            vReportError("cannot read '%s': out of memory", m_pszName);
            return 0;
        }
        m_pParser = pParser.get();
        XML_SetUserData(m_pParser, this);
        XML_SetElementHandler(m_pParser, &vOnStart, &vOnEnd);
        XML_SetCharacterDataHandler(m_pParser, &vOnText);
        XML_SetParamEntityParsing(m_pParser, XML_PARAM_ENTITY_PARSING_NEVER);
        if (XML_Parse(m_pParser, svXml.data(), static_cast<int>(svXml.size()), XML_TRUE) !=
            XML_STATUS_OK) {
            if (!m_fFailed && !m_fQuiet) {
                vReportError("'%s' line %lu: %s", m_pszName,
                             static_cast<unsigned long>(XML_GetCurrentLineNumber(m_pParser)),
                             XML_ErrorString(XML_GetErrorCode(m_pParser)));
            }
            return 0;
        }
        return 1;
    }

  private:
    static void XMLCALL vOnStart(void *pUser, const XML_Char *pszName, const XML_Char **) {
        static_cast<DeviceXmlReader *>(pUser)->vStart(pszName);
    }
    static void XMLCALL vOnEnd(void *pUser, const XML_Char *) {
        static_cast<DeviceXmlReader *>(pUser)->vEnd();
    }
    static void XMLCALL vOnText(void *pUser, const XML_Char *pText, int nLength) {
        std::string &s = static_cast<DeviceXmlReader *>(pUser)->m_sText;
        s.append(pText, std::min(static_cast<size_t>(nLength), kMaxFieldText - s.size()));
    }

    void vFail(const char *pszWhy) {
        if (!m_fQuiet) {
            vReportError("'%s' line %lu: %s", m_pszName,
                         static_cast<unsigned long>(XML_GetCurrentLineNumber(m_pParser)), pszWhy);
        }
        m_fFailed = true;
        XML_StopParser(m_pParser, XML_FALSE);
    }

    void vStart(const XML_Char *pszName) {
        std::string_view svName = pszName;
        size_t nSeparator = svName.rfind(kNamespaceSeparator);
        if (nSeparator != std::string_view::npos) {
            svName.remove_prefix(nSeparator + 1);
        }
        if (m_asPath.size() >= static_cast<size_t>(kMaxDepth)) {
            vFail("elements nested too deep");
            return;
        }
        if (m_asPath.empty() && svName != "Device") {
            vFail("not a Garmin device description (its root element is not <Device>)");
            return;
        }
        m_asPath.emplace_back(svName);
        m_sText.clear();
        if (fAt({"Device", "MassStorageMode", "DataType"})) {
            m_sDataType.clear();
            m_aFiles.clear();
        } else if (fAt({"Device", "MassStorageMode", "DataType", "File"})) {
            m_aFiles.emplace_back();
        }
    }

    void vEnd() {
        std::string sText = std::string(svTrimmed(m_sText));
        m_sText.clear();
        UnitFolder &u = m_oUnit;
        UnitLocation *pFile = m_aFiles.empty() ? nullptr : &m_aFiles.back();
        if (fAt({"Device", "Model", "PartNumber"})) {
            u.sPartNumber = sText;
        } else if (fAt({"Device", "Model", "SoftwareVersion"})) {
            u.sSoftwareVersion = sText;
        } else if (fAt({"Device", "Model", "Description"})) {
            u.sDescription = sText;
        } else if (fAt({"Device", "Id"})) {
            u.sUnitId = sText;
        } else if (fAt({"Device", "MassStorageMode", "DataType", "Name"})) {
            m_sDataType = sText;
        } else if (pFile != nullptr &&
                   fAt({"Device", "MassStorageMode", "DataType", "File", "Location", "Path"})) {
            pFile->sPath = sText;
        } else if (pFile != nullptr &&
                   fAt({"Device", "MassStorageMode", "DataType", "File", "Location", "BaseName"})) {
            pFile->sBaseName = sText;
        } else if (pFile != nullptr && fAt({"Device", "MassStorageMode", "DataType", "File",
                                            "Location", "FileExtension"})) {
            pFile->sExtension = sText;
        } else if (pFile != nullptr &&
                   fAt({"Device", "MassStorageMode", "DataType", "File", "TransferDirection"})) {
            pFile->eDirection = sText == "InputToUnit"      ? UnitDirection::kInputToUnit
                                : sText == "OutputFromUnit" ? UnitDirection::kOutputFromUnit
                                                            : UnitDirection::kInputOutput;
        } else if (fAt({"Device", "MassStorageMode", "DataType"})) {
            // The name may follow the files in a file that strays from the schema.
            for (UnitLocation &o : m_aFiles) {
                if (!fInsideVolume(o.sPath)) {
                    // A description must not send reads and writes off the unit.
                    if (!m_fQuiet) {
                        vReportError("'%s': the folder '%s' is not on the unit; passed over",
                                     m_pszName, o.sPath.c_str());
                    }
                    continue;
                }
                o.sDataType = m_sDataType;
                (m_sDataType == kGpsData ? m_aGpx : m_aOther).push_back(std::move(o));
            }
            m_aFiles.clear();
        } else if (fAt({"Device"})) {
            u.aLocations = std::move(m_aGpx);
            u.aLocations.insert(u.aLocations.end(), m_aOther.begin(), m_aOther.end());
        }
        if (!m_asPath.empty()) {
            m_asPath.pop_back();
        }
    }

    bool fAt(std::initializer_list<std::string_view> asPath) const {
        return std::equal(m_asPath.begin(), m_asPath.end(), asPath.begin(), asPath.end());
    }

    static std::string_view svTrimmed(std::string_view sv) {
        while (!sv.empty() && std::strchr(" \t\r\n", sv.front()) != nullptr) {
            sv.remove_prefix(1);
        }
        while (!sv.empty() && std::strchr(" \t\r\n", sv.back()) != nullptr) {
            sv.remove_suffix(1);
        }
        return sv;
    }

    const char *m_pszName;
    UnitFolder &m_oUnit;
    bool m_fQuiet;
    XML_Parser m_pParser = nullptr;
    bool m_fFailed = false;
    std::vector<std::string> m_asPath;
    std::string m_sText;
    std::string m_sDataType;
    std::vector<UnitLocation> m_aFiles;
    std::vector<UnitLocation> m_aGpx;
    std::vector<UnitLocation> m_aOther;
};

// The folder above Garmin/ that holds svLeaf ("GarminDevice.xml" or "GPX"),
// at the mount point or one folder below it.
bool fFindGarminEntry(const fs::path &oMount, std::string_view svLeaf, fs::path &oVolume,
                      fs::path &oEntry) {
    auto fTry = [&](const fs::path &oBase) {
        fs::path oGarmin;
        return fFindEntry(oBase, "Garmin", oGarmin) && fIsFolder(oGarmin) &&
               fFindEntry(oGarmin, svLeaf, oEntry) && (oVolume = oBase, true);
    };
    if (fTry(oMount)) {
        return true;
    }
    for (const std::string &sName : asFolderNames(oMount)) {
        if (fIsFolder(oMount / sName) && fTry(oMount / sName)) {
            return true;
        }
    }
    return false;
}

int iReadXmlFile(const fs::path &oFile, UnitFolder &oUnit) {
    const std::string sName = oFile.string();
    std::unique_ptr<std::FILE, int (*)(std::FILE *)> pFile(std::fopen(sName.c_str(), "rb"),
                                                           &std::fclose);
    if (!pFile) {
        vReportError("cannot open '%s': %s", sName.c_str(), std::strerror(errno));
        return 0;
    }
    std::string sXml;
    char acBuffer[1 << 14];
    size_t n;
    while ((n = std::fread(acBuffer, 1, sizeof(acBuffer), pFile.get())) > 0) {
        if (sXml.size() + n > kMaxXmlSize) {
            vReportError("'%s' is too large for a device description (more than %zu bytes)",
                         sName.c_str(), kMaxXmlSize);
            return 0;
        }
        sXml.append(acBuffer, n);
    }
    if (std::ferror(pFile.get())) {
        vReportError("cannot read '%s': %s", sName.c_str(), std::strerror(errno));
        return 0;
    }
    return iReadGarminDeviceXml(sXml, sName.c_str(), oUnit);
}

// Finds the unit's description without a word: for the /c U hint.
bool fProbeUnit(const std::string &sMountPoint, UnitFolder &oUnit) {
    fs::path oVolume, oXml;
    if (!fFindGarminEntry(sMountPoint, "GarminDevice.xml", oVolume, oXml) || !fIsFile(oXml)) {
        return false;
    }
    std::FILE *pFile = std::fopen(oXml.string().c_str(), "rb");
    if (pFile == nullptr) {
        return false;
    }
    std::string sXml(kMaxXmlSize, '\0');
    sXml.resize(std::fread(sXml.data(), 1, sXml.size(), pFile));
    std::fclose(pFile);
    // Only the model is wanted; a parse that fails late may still have it, and
    // its complaint is not this run's business.
    DeviceXmlReader(oXml.string().c_str(), oUnit, true).iRead(sXml);
    return true;
}

// ---- download and upload ----

std::string sExtensionOf(const UnitLocation &o, const char *pszDefault) {
    return sLower(o.sExtension.empty() ? pszDefault : o.sExtension);
}

// The files of a location, by name: those with its extension and, where it
// names one, its base name, in any case.
std::vector<fs::path> aLocationFiles(const UnitFolder &oUnit, const UnitLocation &o,
                                     const char *pszDefaultExtension) {
    std::vector<fs::path> a;
    fs::path oFolder;
    if (!fFindPath(oUnit.sVolume, o.sPath, oFolder) || !fIsFolder(oFolder)) {
        return a;
    }
    const std::string sExtension = "." + sExtensionOf(o, pszDefaultExtension);
    const std::string sBase = sLower(o.sBaseName);
    for (const std::string &sName : asFolderNames(oFolder)) {
        std::string sLowerName = sLower(sName);
        if (sLowerName.size() <= sExtension.size() || !sLowerName.ends_with(sExtension) ||
            (!sBase.empty() && sLowerName != sBase + sExtension) || !fIsFile(oFolder / sName)) {
            continue;
        }
        a.push_back(oFolder / sName);
    }
    return a;
}

// The FIT data types a host would want, and what to call their files.
struct FitKind {
    std::string_view svDataType;
    const char *pszWhat;
};
constexpr FitKind aFitKinds[] = {
    {"FIT_TYPE_4", "activity"},
    {"FIT_TYPE_6", "course"},
    {"FIT_TYPE_8", "location"},
};

void vCountFitFiles(const UnitFolder &oUnit) {
    std::string sLine;
    std::set<std::string> asSeen;
    int nKinds = 0;
    for (const FitKind &k : aFitKinds) {
        size_t nFiles = 0;
        for (const UnitLocation &o : oUnit.aLocations) {
            if (o.sDataType != k.svDataType || !o.fFromUnit()) {
                continue;
            }
            for (const fs::path &oFile : aLocationFiles(oUnit, o, "fit")) {
                nFiles += asSeen.insert(oFile.string()).second ? 1 : 0;
            }
        }
        if (nFiles == 0) {
            continue;
        }
        if (nKinds++ != 0) {
            sLine += ", ";
        }
        sLine += std::to_string(nFiles) + " FIT " + k.pszWhat + (nFiles == 1 ? " file" : " files");
    }
    if (nKinds != 0) {
        std::printf("%s %s not read yet\n", sLine.c_str(),
                    nKinds == 1 && sLine.starts_with("1 ") ? "is" : "are");
    }
}

// Copies the selected kinds of one store into another. Routes bring the
// waypoints they name, so that they stay whole. With pTaken, a route whose
// number an earlier file of the unit gave a route already gets a free one:
// each file numbers its routes from 1, and none may replace another's.
void vCopySelected(const Workspace &oFrom, Workspace &oTo, const UnitKinds &k,
                   std::set<uint32_t> *pTaken = nullptr) {
    const DataStore &s = *oFrom.pStore;
    std::set<std::string, std::less<>> asRouteNames;
    if (k.fRoutes) {
        uint32_t lNextFree = 1;
        for (const auto &[lNumber, oRoute] : s.pRoutes) {
            Route o = oRoute;
            if (pTaken != nullptr && pTaken->count(o.lNumber) != 0) {
                while (pTaken->count(lNextFree) != 0 || oTo.pStore->pRoutes.count(lNextFree) != 0 ||
                       s.pRoutes.count(lNextFree) != 0) {
                    ++lNextFree;
                }
                o.lNumber = lNextFree++;
            }
            if (pTaken != nullptr) {
                pTaken->insert(o.lNumber);
            }
            for (const RoutePointName &oName : o.aszPoints) {
                asRouteNames.emplace(oName.sz);
            }
            iAddRoute(&oTo, o);
        }
    }
    for (const auto &[sName, oWaypoint] : s.pWaypoints) {
        if (k.fWaypoints || (k.fProximity && oWaypoint.fProximity != 0.0f) ||
            asRouteNames.count(sName) != 0) {
            Waypoint o = oWaypoint;
            iAddWaypoint(&oTo, o);
        }
    }
    if (k.fTracks) {
        // Each file's tracks stay tracks of their own.
        for (const Track &oTrack : s.aTracks) {
            iCopyTrack(&oTo, oTrack);
        }
    }
}

// FAT refuses these in names; a name from another system may carry them.
std::string sUnitFileBase(const char *pszSourceName) {
    std::string_view sv = pszSourceName != nullptr ? pszSourceName : "";
    size_t nSlash = sv.find_last_of("/\\");
    if (nSlash != std::string_view::npos) {
        sv.remove_prefix(nSlash + 1);
    }
    size_t nDot = sv.rfind('.');
    if (nDot != std::string_view::npos && nDot != 0) {
        sv = sv.substr(0, nDot);
    }
    std::string s;
    for (char c : sv) {
        unsigned char b = static_cast<unsigned char>(c);
        s += b < 0x20 || std::strchr("<>:\"/\\|?*", c) != nullptr ? '_' : c;
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '.')) {
        s.pop_back();
    }
    return s.empty() ? "Quillox" : s;
}

int32_t lReceiverNow() {
    int64_t llNow = static_cast<int64_t>(std::time(nullptr)) - kReceiverEpochUnix;
    return static_cast<int32_t>(std::clamp<int64_t>(llNow, 1, INT32_MAX));
}

bool fHasSelected(const Workspace &w, int iKindMask) {
    const DataStore &s = *w.pStore;
    return ((iKindMask & kKindWaypoints) != 0 && !s.pWaypoints.empty()) ||
           ((iKindMask & kKindRoutes) != 0 && !s.pRoutes.empty()) ||
           ((iKindMask & kKindTrackPoints) != 0 && s.lTrackPointCount > 0);
}

} // namespace

int iReadGarminDeviceXml(std::string_view svXml, const char *pszName, UnitFolder &oUnit) {
    if (svXml.size() > kMaxXmlSize) {
        vReportError("'%s' is too large for a device description (more than %zu bytes)", pszName,
                     kMaxXmlSize);
        return 0;
    }
    return DeviceXmlReader(pszName, oUnit).iRead(svXml);
}

int iOpenUnitFolder(const char *pszMountPoint, UnitFolder &oUnit) {
    oUnit = UnitFolder{};
    oUnit.sMountPoint = pszMountPoint;
    fs::path oMount = pszMountPoint;
    fs::path oVolume, oEntry;
    if (fFindGarminEntry(oMount, "GarminDevice.xml", oVolume, oEntry)) {
        oUnit.sVolume = oVolume.string();
        oUnit.sXmlFile = oEntry.string();
        UnitFolder oRead;
        if (!iReadXmlFile(oEntry, oRead)) {
            return 0;
        }
        oRead.sMountPoint = oUnit.sMountPoint;
        oRead.sVolume = oUnit.sVolume;
        oRead.sXmlFile = oUnit.sXmlFile;
        oUnit = std::move(oRead);
        return 1;
    }
    if (fFindGarminEntry(oMount, "GPX", oVolume, oEntry) && fIsFolder(oEntry)) {
        // Without the description, the GPX folder serves both ways, and the
        // folders the unit writes its current and archived tracks to are read.
        oUnit.sVolume = oVolume.string();
        const std::string sGpx = fs::relative(oEntry, oVolume).generic_string();
        oUnit.aLocations = {
            {std::string(kGpsData), sGpx, "", "gpx", UnitDirection::kInputOutput},
            {std::string(kGpsData), sGpx + "/Current", "", "gpx", UnitDirection::kOutputFromUnit},
            {std::string(kGpsData), sGpx + "/Archive", "", "gpx", UnitDirection::kOutputFromUnit},
        };
        return 1;
    }
    if (!fIsFolder(oMount)) {
        vReportError("'%s' is not a folder", pszMountPoint);
    } else {
        vReportError("'%s' is not a Garmin unit: it holds neither Garmin/GarminDevice.xml nor "
                     "Garmin/GPX",
                     pszMountPoint);
    }
    return 0;
}

std::string sUnitVersionLine(const UnitFolder &oUnit) {
    std::vector<std::string> as;
    if (!oUnit.sDescription.empty()) {
        as.push_back(oUnit.sDescription);
    }
    if (!oUnit.sPartNumber.empty()) {
        as.push_back("part number " + oUnit.sPartNumber);
    }
    if (!oUnit.sSoftwareVersion.empty()) {
        // Garmin writes the version in hundredths: 510 is 5.10.
        const std::string &s = oUnit.sSoftwareVersion;
        bool fDigits = s.size() <= 9 && s.find_first_not_of("0123456789") == std::string::npos;
        if (fDigits) {
            long lVersion = std::stol(s);
            char szVersion[32];
            std::snprintf(szVersion, sizeof(szVersion), "%ld.%02ld", lVersion / 100,
                          lVersion % 100);
            as.push_back(std::string("software ") + szVersion);
        } else {
            as.push_back("software " + s);
        }
    }
    if (!oUnit.sUnitId.empty()) {
        as.push_back("unit ID " + oUnit.sUnitId);
    }
    if (as.empty()) {
        as.push_back(oUnit.sXmlFile.empty() ? "no GarminDevice.xml"
                                            : "no model in its description");
    }
    std::string sLine = "Garmin USB drive: ";
    for (size_t i = 0; i < as.size(); ++i) {
        sLine += (i == 0 ? "" : ", ") + as[i];
    }
    return sLine;
}

int iDownloadFromUnit(Workspace *pWorkspace, const UnitFolder &oUnit, const UnitKinds &oKinds) {
    if (pWorkspace == nullptr || !pWorkspace->pStore) {
        return 0;
    }
    bool fAnyLocation = false;
    std::vector<fs::path> aFiles;
    std::set<std::string> asTaken;
    for (const UnitLocation &o : oUnit.aLocations) {
        if (o.sDataType != kGpsData || !o.fFromUnit()) {
            continue;
        }
        fAnyLocation = true;
        for (fs::path &oFile : aLocationFiles(oUnit, o, "gpx")) {
            if (asTaken.insert(oFile.string()).second) {
                aFiles.push_back(std::move(oFile));
            }
        }
    }
    vCountFitFiles(oUnit);
    if (!fAnyLocation) {
        vReportError("'%s' names no folder the unit writes GPX files to", oUnit.sXmlFile.c_str());
        return 0;
    }
    // Each file goes through a store of its own, which takes the kinds
    // asked for into the run's store and keeps the files' routes apart.
    std::set<uint32_t> aRouteNumbers;
    int iResult = 1;
    for (const fs::path &oFile : aFiles) {
        const std::string sName = oFile.string();
        std::printf("Download data from %s\n", sName.c_str());
        Workspace oRead;
        if (!iImportGpx(&oRead, sName.c_str())) {
            iResult = 0;
        }
        vCopySelected(oRead, *pWorkspace, oKinds, &aRouteNumbers);
    }
    if (aFiles.empty()) {
        std::printf("No GPX files on the unit\n");
    }
    return iResult;
}

int iUploadToUnit(Workspace *pWorkspace, const UnitFolder &oUnit, const UnitKinds &oKinds,
                  const char *pszSourceName) {
    if (pWorkspace == nullptr || !pWorkspace->pStore) {
        return 0;
    }
    const UnitLocation *pInput = nullptr;
    for (const UnitLocation &o : oUnit.aLocations) {
        if (o.sDataType == kGpsData && o.fToUnit()) {
            pInput = &o;
            break;
        }
    }
    if (pInput == nullptr) {
        vReportError("'%s' names no folder the unit takes GPX files from", oUnit.sXmlFile.c_str());
        return 0;
    }
    // The unit reads the folder it names once it exists; the parts that are
    // there keep their spelling.
    fs::path oFolder = oUnit.sVolume;
    std::string_view svPath = pInput->sPath;
    while (!svPath.empty()) {
        size_t nSlash = svPath.find_first_of("/\\");
        std::string sPart(svPath.substr(0, nSlash));
        svPath.remove_prefix(nSlash == std::string_view::npos ? svPath.size() : nSlash + 1);
        if (sPart.empty() || sPart == "." || fFindEntry(oFolder, sPart, oFolder)) {
            continue;
        }
        oFolder /= sPart;
        std::error_code e;
        if (!fs::create_directory(oFolder, e) && e) {
            vReportError("cannot create '%s': %s", oFolder.string().c_str(), e.message().c_str());
            return 0;
        }
    }

    // Proximity waypoints without the other waypoints need a store of their own.
    Workspace oScratch;
    Workspace *pFrom = pWorkspace;
    if (oKinds.fProximity && !oKinds.fWaypoints) {
        vCopySelected(*pWorkspace, oScratch, oKinds);
        pFrom = &oScratch;
    }
    int iKindMask = (oKinds.fWaypoints || oKinds.fProximity ? kKindWaypoints : 0) |
                    (oKinds.fRoutes ? kKindRoutes : 0) | (oKinds.fTracks ? kKindTrackPoints : 0);
    if (!fHasSelected(*pFrom, iKindMask)) {
        std::printf("Nothing to upload to %s\n", oUnit.sMountPoint.c_str());
        return 1;
    }

    // A new name, never one a file has (in any case: FAT knows no case).
    std::set<std::string> asNames;
    for (const std::string &sName : asFolderNames(oFolder)) {
        asNames.insert(sLower(sName));
    }
    const std::string sBase = sUnitFileBase(pszSourceName);
    const std::string sExtension = "." + sExtensionOf(*pInput, "gpx");
    std::string sName;
    for (int i = 1; i <= kMaxNameTries && sName.empty(); ++i) {
        std::string sTry = sBase + (i == 1 ? "" : "-" + std::to_string(i)) + sExtension;
        if (asNames.count(sLower(sTry)) == 0) {
            sName = sTry;
        }
    }
    if (sName.empty()) {
        vReportError("cannot upload to '%s': %d files are named after '%s' already",
                     oFolder.string().c_str(), kMaxNameTries, sBase.c_str());
        return 0;
    }
    const std::string sTarget = (oFolder / sName).string();
    std::printf("Upload data to %s\n", sTarget.c_str());
    ExportOptions oOptions;
    oOptions.fNewFile = true;
    oOptions.lWrittenTime = lReceiverNow();
    if (!iExportTextFile(pFrom, sTarget.c_str(), iKindMask, kFileGpx, oOptions)) {
        return 0;
    }
    std::printf("Written to %s: eject the unit to see the data on it\n", sTarget.c_str());
    return 1;
}

int iExplainGarminDrives() {
    int nFound = 0;
    std::set<std::string> asDevicesSeen;
    for (const MountedVolume &v : aListMountedVolumes()) {
        if (!v.fCandidate) {
            continue;
        }
        UnitFolder oUnit;
        bool fDescribed = fProbeUnit(v.sMountPoint, oUnit);
        if (!fDescribed && !v.fGarminUsb) {
            continue;
        }
        std::string sName = !oUnit.sDescription.empty() ? oUnit.sDescription
                            : !v.sUsbProduct.empty()    ? v.sUsbProduct
                                                        : "A Garmin unit";
        vReportError("%s is a USB drive mounted at %s: use /c %s", sName.c_str(),
                     v.sMountPoint.c_str(), v.sMountPoint.c_str());
        asDevicesSeen.insert(v.sUsbDevice);
        ++nFound;
    }
    for (const GarminUsbDevice &d : aListGarminUsbDevices()) {
        if (asDevicesSeen.count(d.sUsbDevice) != 0) {
            continue;
        }
        const char *pszName = d.sProduct.empty() ? "A Garmin unit" : d.sProduct.c_str();
        if (d.fMtp) {
            vReportError("%s is an MTP device, not a drive: mount it first (gio mount, or jmtpfs "
                         "FOLDER), then use /c with the folder it is mounted at",
                         pszName);
        } else {
            vReportError("%s is a USB drive that is not mounted: mount it, then use /c with the "
                         "folder it is mounted at",
                         pszName);
        }
        ++nFound;
    }
    return nFound;
}
