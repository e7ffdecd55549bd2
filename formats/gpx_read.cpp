// Reading GPX 1.1, GPX 1.0 and GPX without a namespace, streaming: the reader
// keeps one point, one route and the path of open elements, never the file.
// expat reads the XML. No DTD or external entity is loaded (expat loads none
// unless asked to), and expat's protection against entity amplification stays
// on.

#include <expat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "base/debug.h"
#include "base/report.h"
#include "base/text_codec.h"
#include "formats/file_look.h"
#include "formats/gpx.h"
#include "garmin/color_names.h"
#include "garmin/symbol_names.h"
#include "garmin/waypoint_symbols.h"
#include "geo/calendar.h"
#include "store/file_kinds.h"
#include "store/workspace.h"

namespace {

constexpr char kNamespaceSeparator = '\x01';
constexpr int kMaxDepth = 64;
// No attribute of a GPX file comes near this; a larger one is an attack on memory.
constexpr size_t kMaxAttributeLength = 1 << 16;
// Text kept of one element: enough for a name of 50 letters in any script and
// the blanks around it; the rest is dropped.
constexpr size_t kMaxFieldText = 4096;
constexpr size_t kReadChunk = 1 << 16;
constexpr int kSymbolFormat = 108;
constexpr int kDeviceSymbolWaypoint = 18;

constexpr std::string_view kGarminNamespace = "http://www.garmin.com/xmlschemas/GpxExtensions/v3";

enum class Element {
    kDocument,
    kSkip, // an element the reader does not know, with all inside it
    kGpx,
    kWpt,
    kRte,
    kRtePt,
    kTrk,
    kTrkSeg,
    kTrkPt,
    kExtensions,          // <extensions> of a point
    kWaypointExtension,   // gpxx:WaypointExtension
    kTrackPointExtension, // gpxtpx:TrackPointExtension of a track point
    kTrackExtension,      // gpxx:TrackExtension of a track
    kField,               // a text field of a point or a route
};

enum class Field {
    kNone,
    kName,
    kCmt,
    kDesc,
    kEle,
    kTime,
    kSym,
    kNumber,
    kProximity,
    kDisplay,
    kHeartRate,
    kCadence,
    kColor
};

// Garmin's track point extension, as Garmin's units and services (and
// Strava) write it; version 2 has the same heart rate and cadence.
constexpr std::string_view kTrackPointNamespaceV1 =
    "http://www.garmin.com/xmlschemas/TrackPointExtension/v1";
constexpr std::string_view kTrackPointNamespaceV2 =
    "http://www.garmin.com/xmlschemas/TrackPointExtension/v2";

enum class Space { kGpx, kGarmin, kTrackPoint, kOther };

bool fIsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view svTrim(std::string_view sv) {
    while (!sv.empty() && fIsBlank(sv.front())) {
        sv.remove_prefix(1);
    }
    while (!sv.empty() && fIsBlank(sv.back())) {
        sv.remove_suffix(1);
    }
    return sv;
}

bool fEndsWith(std::string_view sv, std::string_view svEnd) {
    return sv.size() >= svEnd.size() && sv.substr(sv.size() - svEnd.size()) == svEnd;
}

// A decimal number as GPX writes it: blanks around it allowed, a sign, digits
// with an optional fraction and exponent; nothing else (no "nan", no "inf").
template <typename T> bool fParseDecimal(std::string_view sv, T &dValue) {
    sv = svTrim(sv);
    bool fNegative = false;
    if (!sv.empty() && (sv.front() == '+' || sv.front() == '-')) {
        fNegative = sv.front() == '-';
        sv.remove_prefix(1);
    }
    if (sv.empty() || !((sv.front() >= '0' && sv.front() <= '9') || sv.front() == '.')) {
        return false;
    }
    T d = 0;
    auto [pEnd, eError] = std::from_chars(sv.data(), sv.data() + sv.size(), d);
    if (eError != std::errc() || pEnd != sv.data() + sv.size() || !std::isfinite(d)) {
        return false;
    }
    dValue = fNegative ? -d : d;
    return true;
}

// Degrees to semicircles, rounded to the nearest (what makes the writer's nine
// decimals exact); +180 stays on the east side as the largest value.
int32_t lRoundToSemicircles(double dDegrees) {
    double d = std::nearbyint(dDegrees * (2147483648.0 / 180.0));
    if (d >= 2147483647.0) {
        return INT32_MAX;
    }
    return static_cast<int32_t>(d);
}

bool fDigits(std::string_view sv, size_t nAt, size_t nCount, int &iValue) {
    if (nAt + nCount > sv.size()) {
        return false;
    }
    iValue = 0;
    for (size_t i = nAt; i < nAt + nCount; ++i) {
        if (sv[i] < '0' || sv[i] > '9') {
            return false;
        }
        iValue = iValue * 10 + (sv[i] - '0');
    }
    return true;
}

} // namespace

int32_t lParseGpxTime(std::string_view svText) {
    std::string_view sv = svTrim(svText);
    int iYear, iMonth, iDay, iHour, iMinute, iSecond;
    if (!fDigits(sv, 0, 4, iYear) || sv.size() < 19 || sv[4] != '-' || !fDigits(sv, 5, 2, iMonth) ||
        sv[7] != '-' || !fDigits(sv, 8, 2, iDay) || (sv[10] != 'T' && sv[10] != 't') ||
        !fDigits(sv, 11, 2, iHour) || sv[13] != ':' || !fDigits(sv, 14, 2, iMinute) ||
        sv[16] != ':' || !fDigits(sv, 17, 2, iSecond)) {
        return 0;
    }
    if (iMonth < 1 || iMonth > 12 || iDay < 1 || iDay > 31 || iHour > 24 || iMinute > 59 ||
        iSecond > 60) {
        return 0;
    }
    size_t i = 19;
    int iRound = 0;
    if (i < sv.size() && sv[i] == '.') {
        ++i;
        size_t nStart = i;
        while (i < sv.size() && sv[i] >= '0' && sv[i] <= '9') {
            ++i;
        }
        if (i == nStart) {
            return 0;
        }
        iRound = sv[nStart] >= '5' ? 1 : 0;
    }
    int64_t llOffset = 0;
    std::string_view svZone = sv.substr(i);
    if (svZone == "Z" || svZone == "z" || svZone.empty()) {
        // Without a zone the time is taken as UTC, which GPX times are.
    } else {
        int iZoneHour, iZoneMinute;
        if (svZone.size() != 6 || (svZone[0] != '+' && svZone[0] != '-') ||
            !fDigits(svZone, 1, 2, iZoneHour) || svZone[3] != ':' ||
            !fDigits(svZone, 4, 2, iZoneMinute) || iZoneHour > 14 || iZoneMinute > 59) {
            return 0;
        }
        llOffset = (iZoneHour * 3600 + iZoneMinute * 60) * (svZone[0] == '-' ? -1 : 1);
    }
    int64_t llUnix = llDaysFromCivil(iYear, iMonth, iDay) * 86400 + iHour * 3600 + iMinute * 60 +
                     iSecond + iRound - llOffset;
    return lStoredTime(llUnix - kReceiverEpochUnix);
}

namespace {

// Turns the elements of a GPX document, as expat finds them, into records;
// every message names the place in the file where expat stands.
class GpxReader final {
  public:
    GpxReader(Workspace *pWorkspace, const char *pszName)
        : m_pWorkspace(pWorkspace), m_pszName(pszName), m_iCodePage(pWorkspace->sCodePage) {}
    GpxReader(const GpxReader &) = delete;
    GpxReader &operator=(const GpxReader &) = delete;
    ~GpxReader() {
        if (m_pParser != nullptr) {
            XML_ParserFree(m_pParser);
        }
    }

    int iStartExpat() {
        m_pParser = XML_ParserCreateNS(nullptr, kNamespaceSeparator);
        if (m_pParser == nullptr) {
            vReportError("cannot read '%s': out of memory", m_pszName);
            return 0;
        }
        XML_SetUserData(m_pParser, this);
        XML_SetElementHandler(m_pParser, &vOnStart, &vOnEnd);
        XML_SetParamEntityParsing(m_pParser, XML_PARAM_ENTITY_PARSING_NEVER);
        return 1;
    }

    // Feeds the next bytes to expat; 0 once the parse has stopped (already reported).
    int iFeed(const char *pData, size_t nSize, bool fFinal) {
        while (!m_fStopped) {
            int nPiece = static_cast<int>(std::min<size_t>(nSize, 1 << 30));
            bool fLast = fFinal && static_cast<size_t>(nPiece) == nSize;
            if (XML_Parse(m_pParser, pData, nPiece, fLast) != XML_STATUS_OK) {
                vStopOnParserError();
                return 0;
            }
            pData += nPiece;
            nSize -= static_cast<size_t>(nPiece);
            if (nSize == 0) {
                break;
            }
        }
        return m_fStopped ? 0 : 1;
    }

    // Feeds the file to expat in pieces through expat's own buffer.
    int iFeedFile(std::FILE *pFile) {
        for (;;) {
            void *pBuffer = XML_GetBuffer(m_pParser, static_cast<int>(kReadChunk));
            if (pBuffer == nullptr) {
                vStopOnParserError();
                return 0;
            }
            size_t nRead = std::fread(pBuffer, 1, kReadChunk, pFile);
            if (std::ferror(pFile)) {
                vReportError("cannot read '%s': %s", m_pszName, std::strerror(errno));
                return 0;
            }
            bool fFinal = nRead < kReadChunk && std::feof(pFile);
            if (XML_ParseBuffer(m_pParser, static_cast<int>(nRead), fFinal) != XML_STATUS_OK) {
                vStopOnParserError();
                return 0;
            }
            if (fFinal) {
                return 1;
            }
        }
    }

    // Says what was skipped; the import's result.
    int iFinish(int iResult) {
        if (m_nUnholdable != 0) {
            vReportNotice("'%s': %ld name%s characters that code page %d cannot hold; try /a",
                          m_pszName, m_nUnholdable, m_nUnholdable == 1 ? " holds" : "s hold",
                          m_iCodePage);
        }
        if (m_nSkipped != 0) {
            vReportError("'%s': %ld points without a valid position skipped, the first on line %lu",
                         m_pszName, m_nSkipped, m_nFirstSkippedLine);
            iResult = 0;
        }
        return iResult;
    }

  private:
    static void XMLCALL vOnStart(void *pUser, const XML_Char *pszName, const XML_Char **apszAttr) {
        static_cast<GpxReader *>(pUser)->vExpatStart(pszName, apszAttr);
    }
    static void XMLCALL vOnEnd(void *pUser, const XML_Char *) {
        GpxReader *p = static_cast<GpxReader *>(pUser);
        p->vEndElement();
        p->vListenForText();
    }
    static void XMLCALL vOnText(void *pUser, const XML_Char *pText, int nLength) {
        static_cast<GpxReader *>(pUser)->vText(
            std::string_view(pText, static_cast<size_t>(nLength)));
    }

    void vExpatStart(const XML_Char *pszName, const XML_Char **apszAttr) {
        if (m_fStopped) {
            return;
        }
        if (m_iDepth >= kMaxDepth) {
            vStop("elements nested deeper than 64");
            return;
        }
        std::string_view svLatitude, svLongitude;
        for (const XML_Char **p = apszAttr; p[0] != nullptr; p += 2) {
            size_t nLength = std::strlen(p[1]);
            if (nLength > kMaxAttributeLength) {
                vStop("an attribute value longer than 65536 bytes");
                return;
            }
            if (std::strcmp(p[0], "lat") == 0) {
                svLatitude = std::string_view(p[1], nLength);
            } else if (std::strcmp(p[0], "lon") == 0) {
                svLongitude = std::string_view(p[1], nLength);
            }
        }
        std::string_view svName(pszName);
        if (svName.size() > kMaxAttributeLength) {
            vStop("an element name longer than 65536 bytes");
            return;
        }
        size_t nSeparator = svName.rfind(kNamespaceSeparator);
        std::string_view svUri = nSeparator == std::string_view::npos
                                     ? std::string_view()
                                     : svName.substr(0, nSeparator);
        std::string_view svLocal =
            nSeparator == std::string_view::npos ? svName : svName.substr(nSeparator + 1);
        vStartElement(svUri, svLocal, svLatitude, svLongitude);
        vListenForText();
    }

    // Text matters only straight inside fields; expat skips the rest faster
    // without a handler to call.
    void vListenForText() {
        XML_SetCharacterDataHandler(m_pParser, fInField() ? &vOnText : nullptr);
    }

    bool fInField() const { return m_aePath[m_iDepth] == Element::kField; }

    void vText(std::string_view svText) {
        if (fInField() && m_sText.size() < kMaxFieldText) {
            // Whole characters only, so that a long text keeps valid UTF-8.
            m_sText.append(svText.substr(0, nUtf8Prefix(svText, kMaxFieldText - m_sText.size())));
        }
    }

    unsigned long lLine() const {
        return static_cast<unsigned long>(XML_GetCurrentLineNumber(m_pParser));
    }
    unsigned long lColumn() const {
        return static_cast<unsigned long>(XML_GetCurrentColumnNumber(m_pParser)) + 1;
    }

    // Stops the read and says why, where expat stands.
    void vStop(const char *pszReason) {
        m_fStopped = true;
        vReportError("%s:%lu:%lu: %s", m_pszName, lLine(), lColumn(), pszReason);
        XML_StopParser(m_pParser, XML_FALSE);
    }

    void vStopOnParserError() {
        if (!m_fStopped) {
            // expat's position is where it stopped, its reason what it found there.
            vReportError("%s:%lu:%lu: %s", m_pszName, lLine(), lColumn(),
                         XML_ErrorString(XML_GetErrorCode(m_pParser)));
            m_fStopped = true;
        }
    }

    static Space eSpaceOf(std::string_view svUri) {
        if (svUri.empty() || fEndsWith(svUri, "/GPX/1/1") || fEndsWith(svUri, "/GPX/1/0")) {
            return Space::kGpx;
        }
        if (svUri == kTrackPointNamespaceV1 || svUri == kTrackPointNamespaceV2) {
            return Space::kTrackPoint;
        }
        return svUri == kGarminNamespace ? Space::kGarmin : Space::kOther;
    }

    // The element a child of the current one is, from its name.
    Element eChild(Space eSpace, std::string_view svLocal) {
        Element eParent = m_aePath[m_iDepth];
        m_eField = Field::kNone;
        if (eSpace == Space::kOther) {
            return Element::kSkip;
        }
        bool fGpx = eSpace == Space::kGpx;
        switch (eParent) {
        case Element::kDocument:
            return fGpx && svLocal == "gpx" ? Element::kGpx : Element::kSkip;
        case Element::kGpx:
            if (fGpx && svLocal == "wpt") {
                return Element::kWpt;
            }
            if (fGpx && svLocal == "rte") {
                return Element::kRte;
            }
            if (fGpx && svLocal == "trk") {
                return Element::kTrk;
            }
            return Element::kSkip;
        case Element::kRte:
            if (fGpx && svLocal == "rtept") {
                return Element::kRtePt;
            }
            if (fGpx && svLocal == "name") {
                m_eField = Field::kName;
            } else if (fGpx && svLocal == "number") {
                m_eField = Field::kNumber;
            }
            return m_eField != Field::kNone ? Element::kField : Element::kSkip;
        case Element::kTrk:
            if (fGpx && svLocal == "trkseg") {
                return Element::kTrkSeg;
            }
            if (fGpx && svLocal == "name") {
                m_eField = Field::kName;
                return Element::kField;
            }
            return fGpx && svLocal == "extensions" ? Element::kExtensions : Element::kSkip;
        case Element::kTrkSeg:
            return fGpx && svLocal == "trkpt" ? Element::kTrkPt : Element::kSkip;
        case Element::kWpt:
        case Element::kRtePt:
        case Element::kTrkPt:
            if (!fGpx) {
                // Files of GPX 1.0 carry extensions straight inside the point.
                return svLocal == "WaypointExtension" ? Element::kWaypointExtension
                                                      : Element::kSkip;
            }
            if (svLocal == "extensions") {
                return Element::kExtensions;
            }
            if (svLocal == "ele") {
                m_eField = Field::kEle;
            } else if (svLocal == "time") {
                m_eField = Field::kTime;
            } else if (svLocal == "name") {
                m_eField = Field::kName;
            } else if (svLocal == "cmt") {
                m_eField = Field::kCmt;
            } else if (svLocal == "desc") {
                m_eField = Field::kDesc;
            } else if (svLocal == "sym") {
                m_eField = Field::kSym;
            }
            return m_eField != Field::kNone ? Element::kField : Element::kSkip;
        case Element::kExtensions:
            if (eSpace == Space::kTrackPoint && svLocal == "TrackPointExtension" &&
                m_aePath[m_iDepth - 1] == Element::kTrkPt) {
                return Element::kTrackPointExtension;
            }
            if (m_aePath[m_iDepth - 1] == Element::kTrk) {
                return eSpace == Space::kGarmin && svLocal == "TrackExtension"
                           ? Element::kTrackExtension
                           : Element::kSkip;
            }
            return eSpace == Space::kGarmin && svLocal == "WaypointExtension"
                       ? Element::kWaypointExtension
                       : Element::kSkip;
        case Element::kTrackExtension:
            if (eSpace == Space::kGarmin && svLocal == "DisplayColor") {
                m_eField = Field::kColor;
                return Element::kField;
            }
            return Element::kSkip;
        case Element::kTrackPointExtension:
            if (eSpace == Space::kTrackPoint && svLocal == "hr") {
                m_eField = Field::kHeartRate;
            } else if (eSpace == Space::kTrackPoint && svLocal == "cad") {
                m_eField = Field::kCadence;
            }
            return m_eField != Field::kNone ? Element::kField : Element::kSkip;
        case Element::kWaypointExtension:
            if (!fGpx && svLocal == "Proximity") {
                m_eField = Field::kProximity;
            } else if (!fGpx && svLocal == "DisplayMode") {
                m_eField = Field::kDisplay;
            }
            return m_eField != Field::kNone ? Element::kField : Element::kSkip;
        default:
            return Element::kSkip;
        }
    }

    // An element begins; a view without data is an attribute not given.
    void vStartElement(std::string_view svUri, std::string_view svLocal,
                       std::string_view svLatitude, std::string_view svLongitude) {
        if (m_fStopped) {
            return;
        }
        if (m_iDepth >= kMaxDepth) {
            vStop("elements nested deeper than 64");
            return;
        }
        Element eParent = m_aePath[m_iDepth];
        Element e = Element::kSkip;
        if (eParent != Element::kSkip && eParent != Element::kField) {
            e = eChild(eSpaceOf(svUri), svLocal);
            if (eParent == Element::kDocument && e != Element::kGpx) {
                std::string sReason = "not a GPX file (the first element is <" +
                                      std::string(svLocal.substr(0, 64)) + ">)";
                vStop(sReason.c_str());
                return;
            }
        }
        m_aePath[++m_iDepth] = e;
        switch (e) {
        case Element::kWpt:
        case Element::kRtePt:
        case Element::kTrkPt:
            vStartPoint(svLatitude, svLongitude);
            break;
        case Element::kRte:
            m_oRoute = Route{};
            m_fRouteNumber = false;
            m_sRouteName.clear();
            m_fRouteNameLost = false;
            break;
        case Element::kTrk:
            // Each track of the file is a track of its own.
            m_lTrack = lAddTrack(m_pWorkspace, "");
            if (m_lTrack < 0) {
                vStop("the store refused a track (out of memory)");
            }
            m_fSegmentStart = true;
            break;
        case Element::kTrkSeg:
            m_fSegmentStart = true;
            break;
        case Element::kField:
            m_sText.clear();
            m_aeFields[m_iDepth] = m_eField;
            break;
        default:
            break;
        }
    }

    void vStartPoint(std::string_view svLatitude, std::string_view svLongitude) {
        double dLatitude = 0, dLongitude = 0;
        m_fPointValid = svLatitude.data() != nullptr && svLongitude.data() != nullptr &&
                        fParseDecimal(svLatitude, dLatitude) &&
                        fParseDecimal(svLongitude, dLongitude) && dLatitude >= -90.0 &&
                        dLatitude <= 90.0 && dLongitude >= -180.0 && dLongitude <= 180.0;
        if (!m_fPointValid) {
            if (m_nSkipped++ == 0) {
                m_nFirstSkippedLine = lLine();
            }
            // Nothing inside a point without a position is read.
            m_aePath[m_iDepth] = Element::kSkip;
            return;
        }
        m_oPoint = oEmptyWaypoint();
        m_oPoint.lLatitude = lRoundToSemicircles(dLatitude);
        m_oPoint.lLongitude = lRoundToSemicircles(dLongitude);
        m_oPoint.fAltitude = kNoAltitude;
        m_fHasComment = false;
        m_szDescription[0] = '\0';
        m_sName.clear();
        m_sComment.clear();
        m_sDescription.clear();
        m_fNameLost = m_fCommentLost = m_fDescriptionLost = false;
        m_iDeviceSymbol = kDeviceSymbolWaypoint;
        m_oSensors = TrackSensors{};
    }

    void vEndElement() {
        if (m_fStopped || m_iDepth == 0) {
            return;
        }
        Element e = m_aePath[m_iDepth];
        Field eField = m_aeFields[m_iDepth];
        --m_iDepth;
        switch (e) {
        case Element::kField:
            vEndField(eField);
            break;
        case Element::kWpt:
            // Unnamed waypoints would all replace one another in the store.
            if (m_oPoint.szName[0] == '\0') {
                std::snprintf(m_oPoint.szName, sizeof(m_oPoint.szName), "WPT%03ld",
                              ++m_nUnnamedWaypoints);
            }
            if (!iStoreWaypoint()) {
                vStop("the store refused a waypoint (out of memory)");
            }
            break;
        case Element::kRtePt:
            vEndRoutePoint();
            break;
        case Element::kTrkPt:
            vEndTrackPoint();
            break;
        case Element::kRte:
            vEndRoute();
            break;
        default:
            break;
        }
    }

    void vEndField(Field eField) {
        Element eOwner = m_aePath[m_iDepth];
        std::string_view svText = svTrim(m_sText);
        if (eOwner == Element::kTrk) {
            if (eField == Field::kName && m_lTrack >= 0) {
                char szName[kTrackNameSize + 1] = {};
                m_nUnholdable += fConvert(svText, szName, sizeof(szName)) ? 1 : 0;
                m_pWorkspace->pStore->aTracks[static_cast<size_t>(m_lTrack)].sName = szName;
                if (!iKeepText(sTextKey(TextOwner::kTrack, TextField::kName,
                                        static_cast<uint32_t>(m_lTrack)),
                               szName, svText)) {
                    vStop("the store refused a track name (out of memory)");
                }
            }
            return;
        }
        if (eOwner == Element::kRte) {
            if (eField == Field::kName) {
                m_sRouteName.assign(svText);
                m_fRouteNameLost = fConvert(svText, m_oRoute.szComment, sizeof(m_oRoute.szComment));
            } else if (eField == Field::kNumber) {
                uint32_t lNumber = 0;
                auto [pEnd, eError] =
                    std::from_chars(svText.data(), svText.data() + svText.size(), lNumber);
                if (eError == std::errc() && pEnd == svText.data() + svText.size()) {
                    m_oRoute.lNumber = lNumber;
                    m_fRouteNumber = true;
                }
            }
            return;
        }
        // Straight to float: the writer's shortest decimals read back exactly.
        float f = 0;
        switch (eField) {
        case Field::kEle:
            m_oPoint.fAltitude = fParseDecimal(svText, f) ? f : kNoAltitude;
            break;
        case Field::kTime:
            m_oPoint.lTime = lParseGpxTime(svText);
            break;
        case Field::kName:
            m_sName.assign(svText);
            m_fNameLost = fConvert(svText, m_oPoint.szName, sizeof(m_oPoint.szName));
            break;
        case Field::kCmt:
            m_sComment.assign(svText);
            m_fCommentLost = fConvert(svText, m_oPoint.szComment, sizeof(m_oPoint.szComment));
            m_fHasComment = true;
            break;
        case Field::kDesc:
            m_sDescription.assign(svText);
            m_fDescriptionLost = fConvert(svText, m_szDescription, sizeof(m_szDescription));
            break;
        case Field::kSym:
            m_iDeviceSymbol = iDeviceSymbol(svText);
            break;
        case Field::kColor:
            if (m_lTrack >= 0) {
                m_pWorkspace->pStore->aTracks[static_cast<size_t>(m_lTrack)].bColor =
                    bGarminColorFromName(svText);
            }
            break;
        case Field::kHeartRate:
        case Field::kCadence: {
            // Beats and revolutions per minute; 0 heart rate and 255 cadence
            // are the units' "none".
            unsigned uValue = 0;
            auto [pEnd, eError] =
                std::from_chars(svText.data(), svText.data() + svText.size(), uValue);
            if (eError == std::errc() && pEnd == svText.data() + svText.size() && uValue < 255) {
                (eField == Field::kHeartRate ? m_oSensors.bHeartRate : m_oSensors.bCadence) =
                    static_cast<uint8_t>(uValue);
            }
            break;
        }
        case Field::kProximity:
            m_oPoint.fProximity = fParseDecimal(svText, f) ? f : 0.0f;
            break;
        case Field::kDisplay:
            m_oPoint.bDisplay = svText == "SymbolOnly"             ? 1
                                : svText == "SymbolAndDescription" ? 2
                                                                   : 0;
            break;
        default:
            break;
        }
    }

    // A symbol name, or a device number as the writer gives symbols without one.
    static int iDeviceSymbol(std::string_view svText) {
        int iNumber = iGarminSymbolFromName(svText);
        if (iNumber >= 0) {
            return iNumber;
        }
        int16_t sNumber = 0;
        auto [pEnd, eError] =
            std::from_chars(svText.data(), svText.data() + svText.size(), sNumber);
        if (!svText.empty() && eError == std::errc() && pEnd == svText.data() + svText.size() &&
            sNumber >= 0) {
            return sNumber;
        }
        return kDeviceSymbolWaypoint;
    }

    // UTF-8 into a field in the run's code page; true when characters became '?'.
    bool fConvert(std::string_view svText, char *pszField, size_t nSize) const {
        return oUtf8ToCodePage(m_iCodePage, svText, pszField, nSize).nReplaced != 0;
    }

    // Keeps the text of one field as the file has it where the field, as
    // stored, reads back as something else; forgets the text an earlier record
    // of the same key left otherwise. 0 when memory ran out.
    int iKeepText(const std::string &sKey, const char *pszStored, std::string_view svOriginal) {
        OriginalTexts &oTexts = m_pWorkspace->pStore->oOriginalTexts;
        if (!svOriginal.empty()) {
            return iKeepOriginalText(oTexts, sKey, pszStored, svOriginal, m_iCodePage);
        }
        if (!oTexts.aTexts.empty()) {
            oTexts.aTexts.erase(sKey);
        }
        return 1;
    }

    int iStoreWaypoint(Route *pRoute = nullptr) {
        if (!m_fHasComment) {
            std::memcpy(m_oPoint.szComment, m_szDescription, sizeof(m_oPoint.szComment));
            m_sComment = std::move(m_sDescription);
            m_fCommentLost = m_fDescriptionLost;
        }
        m_nUnholdable += (m_fNameLost ? 1 : 0) + (m_fCommentLost ? 1 : 0);
        m_oPoint.sSymbol = sGetStoredSymbol(static_cast<int16_t>(m_iDeviceSymbol), kSymbolFormat);
        if (iDebugGeneral()) {
            std::printf("wpt \"%s\",%d,%d\n", m_oPoint.szName, m_oPoint.lLatitude,
                        m_oPoint.lLongitude);
        }
        const int iAdded = pRoute != nullptr ? iAddRoutePoint(m_pWorkspace, *pRoute, m_oPoint, true)
                                             : iAddWaypoint(m_pWorkspace, m_oPoint);
        if (!iAdded) {
            return 0;
        }
        if (pRoute != nullptr && !pRoute->aOwnPlaces.empty() &&
            pRoute->aOwnPlaces.count(static_cast<uint32_t>(pRoute->aszPoints.size() - 1)) != 0) {
            return 1; // the stored waypoint of that name keeps its own texts
        }
        // The record is trimmed now: its name is the key the store knows it by.
        return iKeepText(sTextKey(TextOwner::kWaypoint, TextField::kName, m_oPoint.szName),
                         m_oPoint.szName, m_sName) &&
               iKeepText(sTextKey(TextOwner::kWaypoint, TextField::kComment, m_oPoint.szName),
                         m_oPoint.szComment, m_sComment);
    }

    void vEndRoutePoint() {
        if (m_oPoint.szName[0] == '\0') {
            std::snprintf(m_oPoint.szName, sizeof(m_oPoint.szName), "RPT%03ld", ++m_nUnnamed);
        }
        // A point that arrives only in a route stays a route point; one
        // that lies elsewhere than the stored waypoint of its name stays the
        // route's own.
        if (!iStoreWaypoint(&m_oRoute)) {
            vStop("the store refused a route point (out of memory)");
        }
    }

    void vEndTrackPoint() {
        TrackPoint o{};
        o.lLatitude = m_oPoint.lLatitude;
        o.lLongitude = m_oPoint.lLongitude;
        o.lTime = m_oPoint.lTime;
        o.fAltitude = m_oPoint.fAltitude;
        o.fNewSegment = m_fSegmentStart ? 1 : 0;
        m_fSegmentStart = false;
        if (!iAppendTrackPoint(m_pWorkspace, m_lTrack, o, &m_oSensors)) {
            vStop("the store refused a track point (out of memory)");
        }
    }

    void vEndRoute() {
        if (!m_fRouteNumber || m_aUsedNumbers.count(m_oRoute.lNumber) != 0) {
            while (m_aUsedNumbers.count(m_lNextFree) != 0) {
                ++m_lNextFree;
            }
            m_oRoute.lNumber = m_lNextFree;
        }
        m_aUsedNumbers.insert(m_oRoute.lNumber);
        m_nUnholdable += m_fRouteNameLost ? 1 : 0;
        if (!iAddRoute(m_pWorkspace, m_oRoute) ||
            !iKeepText(sTextKey(TextOwner::kRoute, TextField::kName, m_oRoute.lNumber),
                       m_oRoute.szComment, m_sRouteName)) {
            vStop("the store refused a route (out of memory)");
        }
    }

    Workspace *m_pWorkspace;
    const char *m_pszName;
    int m_iCodePage;
    XML_Parser m_pParser = nullptr;
    bool m_fStopped = false;
    int m_iDepth = 0;
    Element m_aePath[kMaxDepth + 1] = {Element::kDocument};
    Field m_aeFields[kMaxDepth + 1] = {};
    Field m_eField = Field::kNone;
    std::string m_sText;

    Waypoint m_oPoint = oEmptyWaypoint();
    bool m_fPointValid = false;
    bool m_fHasComment = false;
    char m_szDescription[kNameSize] = {};
    // The texts of the point and of its route as the file has them, and
    // whether the run's code page lacks characters of them.
    std::string m_sName, m_sComment, m_sDescription, m_sRouteName;
    bool m_fNameLost = false, m_fCommentLost = false, m_fDescriptionLost = false;
    bool m_fRouteNameLost = false;
    long m_nUnholdable = 0; // stored texts with characters the code page lacks
    int m_iDeviceSymbol = kDeviceSymbolWaypoint;
    bool m_fSegmentStart = false;

    Route m_oRoute{};
    bool m_fRouteNumber = false;
    std::set<uint32_t> m_aUsedNumbers;
    uint32_t m_lNextFree = 1;
    long m_nUnnamed = 0;
    long m_nUnnamedWaypoints = 0;
    int32_t m_lTrack = -1;   // the store's track of the <trk> being read
    TrackSensors m_oSensors; // of the track point being read

    long m_nSkipped = 0;
    unsigned long m_nFirstSkippedLine = 0;
};

} // namespace

namespace {

constexpr size_t kXmlLookSize = 4096;

// Data without a single "<" as far as looked (a file of another program
// given this extension) is said to be what it looks like, rather than an XML
// syntax error at 1:1. Empty data and XML in any encoding are expat's to judge.
bool fBeginsLikeXml(std::string_view svStart) {
    svStart = svStart.substr(0, kXmlLookSize);
    return svStart.find('<') != std::string_view::npos ||
           svStart.find_first_not_of("\r\n \t") == std::string_view::npos;
}

} // namespace

int iImportGpxBuffer(Workspace *pWorkspace, std::string_view svData, const char *pszName) {
    if (pWorkspace == nullptr || !pWorkspace->pStore || pszName == nullptr) {
        return 0;
    }
    if (!fBeginsLikeXml(svData)) {
        vReportNotOfFormat(pszName, svData, kFileGpx);
        return 0;
    }
    GpxReader oReader(pWorkspace, pszName);
    if (!oReader.iStartExpat()) {
        return 0;
    }
    return oReader.iFinish(oReader.iFeed(svData.data(), svData.size(), true));
}

int iImportGpx(Workspace *pWorkspace, const char *pszFileName) {
    if (pWorkspace == nullptr || !pWorkspace->pStore || pszFileName == nullptr) {
        return 0;
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE *)> pFile(std::fopen(pszFileName, "rb"),
                                                           &std::fclose);
    if (!pFile) {
        vReportError("cannot open '%s': %s", pszFileName, std::strerror(errno));
        return 0;
    }
    // A file that can go back to its start is looked at first.
    if (std::fseek(pFile.get(), 0, SEEK_SET) == 0) {
        char acStart[kXmlLookSize];
        std::string_view svStart(acStart, std::fread(acStart, 1, sizeof(acStart), pFile.get()));
        if (!std::ferror(pFile.get()) && !fBeginsLikeXml(svStart)) {
            vReportNotOfFormat(pszFileName, svStart, kFileGpx);
            return 0;
        }
        std::clearerr(pFile.get());
        if (std::fseek(pFile.get(), 0, SEEK_SET) != 0) {
            vReportError("cannot read '%s': %s", pszFileName, std::strerror(errno));
            return 0;
        }
    }
    GpxReader oReader(pWorkspace, pszFileName);
    if (!oReader.iStartExpat()) {
        return 0;
    }
    return oReader.iFinish(oReader.iFeedFile(pFile.get()));
}
