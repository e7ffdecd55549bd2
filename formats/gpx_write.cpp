// Writing GPX 1.1. The document is built in a buffer that goes to the file in
// pieces of 64 KiB; numbers and times are formatted by hand, so that a
// million-point track is written in well under a second.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>

#include "base/report.h"
#include "base/text_codec.h"
#include "base/version.h"
#include "formats/export_format.h"
#include "formats/gpx.h"
#include "formats/output_file.h"
#include "garmin/color_names.h"
#include "garmin/symbol_names.h"
#include "garmin/waypoint_symbols.h"
#include "geo/calendar.h"
#include "store/workspace.h"

namespace {

constexpr size_t kFlushSize = 1 << 16;
// |latitude| beyond 2^30 semicircles is beyond 90 degrees, which GPX cannot hold.
constexpr int32_t kMaxLatitude = 1 << 30;
// The waypoint format whose symbol numbers and display modes GPX symbol names follow.
constexpr int kSymbolFormat = 108;

struct GpxWriter {
    std::string sOut;
    std::string sText; // one field's text in UTF-8
    int iCodePage = kDefaultCodePage;
    const OriginalTexts *pTexts = nullptr;
    bool fTrackOpen = false;
    const Track *pOpenTrack = nullptr; // the track the open <trk> holds
    size_t nPointInTrack = 0;          // of the track point being written
    bool fSensors = false;             // a track carries sensor data
    long nLeftOut = 0;                 // points whose latitude GPX cannot hold
};

GpxWriter &oWriter(ExportContext &c) {
    if (GpxWriter *p = std::any_cast<GpxWriter>(&c.oState)) {
        return *p;
    }
    c.oState = GpxWriter();
    GpxWriter &o = *std::any_cast<GpxWriter>(&c.oState);
    o.sOut.reserve(kFlushSize + 4096);
    o.iCodePage = c.pWorkspace->sCodePage;
    o.pTexts = &c.pWorkspace->pStore->oOriginalTexts;
    return o;
}

int iFlush(ExportContext &c, GpxWriter &w) {
    int iResult = c.pFile->iWriteText(w.sOut);
    w.sOut.clear();
    return iResult;
}

int iFlushIfFull(ExportContext &c, GpxWriter &w) {
    return w.sOut.size() < kFlushSize ? 1 : iFlush(c, w);
}

bool fLatitudeWritable(int32_t lLatitude) {
    return lLatitude >= -kMaxLatitude && lLatitude <= kMaxLatitude;
}

// Values past a billion metres are no altitude or radius a receiver knows, and
// schema checkers refuse decimals of that many digits.
constexpr float kImplausible = 1e9f;

// An altitude GPX can carry: one the store holds (not its "no altitude") and
// within what a receiver knows.
bool fWritableAltitude(float fAltitude) {
    return fHasAltitude(fAltitude) && fAltitude < kImplausible;
}

bool fWritableRadius(float fProximity) {
    return fProximity > -kImplausible && fProximity < kImplausible;
}

// A float in the fewest decimals that read back to the same float, never with
// an exponent (the XML schema's decimal has none).
void vAppendFloat(std::string &s, float f) {
    char szBuffer[128];
    auto [pEnd, eError] =
        std::to_chars(szBuffer, szBuffer + sizeof(szBuffer), f, std::chars_format::fixed);
    if (eError == std::errc()) {
        s.append(szBuffer, pEnd);
    } else {
        s += '0';
    }
}

// UTF-8 text with the XML specials escaped. Control characters other than the
// tab and the line breaks an original text keeps are dropped: XML 1.0 cannot
// hold them. A carriage return goes as a reference, which readers keep.
void vAppendEscaped(std::string &s, std::string_view svText) {
    for (char cText : svText) {
        unsigned char c = static_cast<unsigned char>(cText);
        switch (c) {
        case '&':
            s += "&amp;";
            break;
        case '<':
            s += "&lt;";
            break;
        case '>':
            s += "&gt;";
            break;
        case '"':
            s += "&quot;";
            break;
        default:
            if (c == '\r') {
                s += "&#13;";
                break;
            }
            if (c < 0x20 && c != '\t' && c != '\n') {
                break;
            }
            s += cText;
        }
    }
}

// A fixed field's text: the original the store keeps for it, or
// else the field read in the run's code page.
void vAppendText(GpxWriter &w, const char *pszText, size_t nSize, const std::string *pOriginal) {
    if (pOriginal != nullptr) {
        vAppendEscaped(w.sOut, *pOriginal);
        return;
    }
    w.sText.clear();
    nAppendCodePageAsUtf8(w.iCodePage, std::string_view(pszText, strnlen(pszText, nSize)), w.sText);
    vAppendEscaped(w.sOut, w.sText);
}

const std::string *pOriginal(const GpxWriter &w, TextOwner eOwner, TextField eField,
                             std::string_view svRecord, const char *pszStored) {
    if (w.pTexts->aTexts.empty()) {
        return nullptr;
    }
    return pOriginalText(*w.pTexts, sTextKey(eOwner, eField, svRecord), pszStored);
}

void vAppendDegrees(std::string &s, int32_t lSemicircles) {
    char szBuffer[32];
    s.append(szBuffer, nFormatGpxDegrees(lSemicircles, szBuffer));
}

void vAppendPosition(std::string &s, int32_t lLatitude, int32_t lLongitude) {
    s += " lat=\"";
    vAppendDegrees(s, lLatitude);
    s += "\" lon=\"";
    vAppendDegrees(s, lLongitude);
    s += '"';
}

void vAppendTime(std::string &s, int32_t lTime) {
    char szBuffer[32];
    s.append(szBuffer, nFormatGpxTime(lTime, szBuffer));
}

const char *pszDisplayMode(uint8_t bDeviceDisplay) {
    switch (bDeviceDisplay) {
    case 1:
        return "SymbolOnly";
    case 2:
        return "SymbolAndDescription";
    default:
        return "SymbolAndName";
    }
}

// A <wpt> or <rtept> with everything GPX holds of a waypoint.
void vAppendWaypoint(GpxWriter &w, const Waypoint &o, const char *pszElement,
                     std::string_view svIndent) {
    std::string &s = w.sOut;
    s += svIndent;
    s += '<';
    s += pszElement;
    vAppendPosition(s, o.lLatitude, o.lLongitude);
    s += ">\n";
    if (fWritableAltitude(o.fAltitude)) {
        s += svIndent;
        s += "  <ele>";
        vAppendFloat(s, o.fAltitude);
        s += "</ele>\n";
    }
    if (o.lTime != 0) {
        s += svIndent;
        s += "  <time>";
        vAppendTime(s, o.lTime);
        s += "</time>\n";
    }
    s += svIndent;
    s += "  <name>";
    vAppendText(w, o.szName, sizeof(o.szName),
                pOriginal(w, TextOwner::kWaypoint, TextField::kName, o.szName, o.szName));
    s += "</name>\n";
    if (o.szComment[0] != '\0') {
        s += svIndent;
        s += "  <cmt>";
        vAppendText(w, o.szComment, sizeof(o.szComment),
                    pOriginal(w, TextOwner::kWaypoint, TextField::kComment, o.szName, o.szComment));
        s += "</cmt>\n";
    }
    int16_t sDevice = sGetGarminSymbolID(o.sSymbol, kSymbolFormat);
    s += svIndent;
    s += "  <sym>";
    if (const char *pszName = pszGarminSymbolName(sDevice)) {
        s += pszName;
    } else {
        s += std::to_string(sDevice);
    }
    s += "</sym>\n";
    uint8_t bDisplay = bGetDeviceDisplay(o.bDisplay, kSymbolFormat);
    if (o.fProximity != 0.0f || bDisplay != 0) {
        s += svIndent;
        s += "  <extensions>\n";
        s += svIndent;
        s += "    <gpxx:WaypointExtension>\n";
        if (fWritableRadius(o.fProximity)) {
            s += svIndent;
            s += "      <gpxx:Proximity>";
            vAppendFloat(s, o.fProximity);
            s += "</gpxx:Proximity>\n";
        }
        s += svIndent;
        s += "      <gpxx:DisplayMode>";
        s += pszDisplayMode(bDisplay);
        s += "</gpxx:DisplayMode>\n";
        s += svIndent;
        s += "    </gpxx:WaypointExtension>\n";
        s += svIndent;
        s += "  </extensions>\n";
    }
    s += svIndent;
    s += "</";
    s += pszElement;
    s += ">\n";
}

struct Bounds {
    bool fAny = false;
    int32_t lMinLatitude = 0, lMaxLatitude = 0, lMinLongitude = 0, lMaxLongitude = 0;

    void vAdd(int32_t lLatitude, int32_t lLongitude) {
        if (!fLatitudeWritable(lLatitude)) {
            return;
        }
        if (!fAny) {
            fAny = true;
            lMinLatitude = lMaxLatitude = lLatitude;
            lMinLongitude = lMaxLongitude = lLongitude;
            return;
        }
        lMinLatitude = std::min(lMinLatitude, lLatitude);
        lMaxLatitude = std::max(lMaxLatitude, lLatitude);
        lMinLongitude = std::min(lMinLongitude, lLongitude);
        lMaxLongitude = std::max(lMaxLongitude, lLongitude);
    }
};

// The bounds of every position the export will write.
Bounds oBoundsOf(const Workspace &oWorkspace, int iKindMask) {
    const DataStore &oStore = *oWorkspace.pStore;
    Bounds o;
    if ((iKindMask & 2) != 0) {
        for (const auto &[sName, oWaypoint] : oStore.pWaypoints) {
            o.vAdd(oWaypoint.lLatitude, oWaypoint.lLongitude);
        }
    }
    if ((iKindMask & 1) != 0) {
        for (const auto &[lNumber, oRoute] : oStore.pRoutes) {
            for (uint32_t k = 0; k < oRoute.aszPoints.size(); ++k) {
                if (const Waypoint *p = pRoutePlace(&oWorkspace, oRoute, k)) {
                    o.vAdd(p->lLatitude, p->lLongitude);
                }
            }
        }
    }
    if ((iKindMask & 4) != 0) {
        fForEachTrackPoint(oStore, [&o](const TrackPoint &oPoint) {
            o.vAdd(oPoint.lLatitude, oPoint.lLongitude);
            return true;
        });
    }
    return o;
}

int iWriteRoute(ExportContext &c, GpxWriter &w, const Route &oRoute) {
    std::string &s = w.sOut;
    s += "  <rte>\n    <name>";
    if (oRoute.szComment[0] != '\0') {
        const std::string *pName = nullptr;
        if (!w.pTexts->aTexts.empty()) {
            pName = pOriginalText(*w.pTexts,
                                  sTextKey(TextOwner::kRoute, TextField::kName, oRoute.lNumber),
                                  oRoute.szComment);
        }
        vAppendText(w, oRoute.szComment, sizeof(oRoute.szComment), pName);
    } else {
        s += "Route ";
        s += std::to_string(oRoute.lNumber);
    }
    s += "</name>\n    <number>";
    s += std::to_string(oRoute.lNumber);
    s += "</number>\n";
    for (uint32_t k = 0; k < oRoute.aszPoints.size(); ++k) {
        const Waypoint *pWaypoint = pRoutePointOrReport(c, oRoute, k);
        if (pWaypoint == nullptr) {
            continue;
        }
        if (!fLatitudeWritable(pWaypoint->lLatitude)) {
            ++w.nLeftOut;
            continue;
        }
        vAppendWaypoint(w, *pWaypoint, "rtept", "    ");
    }
    s += "  </rte>\n";
    return iFlushIfFull(c, w);
}

} // namespace

size_t nFormatGpxDegrees(int32_t lSemicircles, char *pszBuffer) {
    // 180e9 / 2^31 = 87890625 / 2^20: the value in 1e-9 degrees, rounded to the
    // nearest, from integers alone.
    int64_t llScaled = static_cast<int64_t>(lSemicircles) * 87890625;
    bool fNegative = llScaled < 0;
    uint64_t llMagnitude = static_cast<uint64_t>(fNegative ? -llScaled : llScaled);
    uint64_t llNano = (llMagnitude + (uint64_t{1} << 19)) >> 20;
    char *p = pszBuffer;
    if (fNegative && llNano != 0) {
        *p++ = '-';
    }
    p = std::to_chars(p, p + 8, llNano / 1000000000).ptr;
    *p++ = '.';
    uint64_t llFraction = llNano % 1000000000;
    for (int i = 8; i >= 0; --i) {
        p[i] = static_cast<char>('0' + llFraction % 10);
        llFraction /= 10;
    }
    p += 9;
    *p = '\0';
    return static_cast<size_t>(p - pszBuffer);
}

size_t nFormatGpxTime(int32_t lTime, char *pszBuffer) {
    int64_t llUnix = kReceiverEpochUnix + lTime;
    int64_t llDays = llDaysOfUnixTime(llUnix);
    int64_t llSeconds = llUnix - llDays * 86400;
    CivilDate oDate = oCivilFromDays(llDays);
    int64_t iDay = oDate.llDay;
    int64_t iMonth = oDate.llMonth;
    int64_t iYear = oDate.llYear;
    auto vTwo = [](char *p, int64_t v) {
        p[0] = static_cast<char>('0' + v / 10);
        p[1] = static_cast<char>('0' + v % 10);
    };
    char *p = pszBuffer;
    vTwo(p, iYear / 100);
    vTwo(p + 2, iYear % 100);
    p[4] = '-';
    vTwo(p + 5, iMonth);
    p[7] = '-';
    vTwo(p + 8, iDay);
    p[10] = 'T';
    vTwo(p + 11, llSeconds / 3600);
    p[13] = ':';
    vTwo(p + 14, llSeconds / 60 % 60);
    p[16] = ':';
    vTwo(p + 17, llSeconds % 60);
    p[19] = 'Z';
    p[20] = '\0';
    return 20;
}

int iWriteGpxHeader(ExportContext &c) {
    GpxWriter &w = oWriter(c);
    std::string &s = w.sOut;
    const Workspace &oWorkspace = *c.pWorkspace;
    const DataStore &oStore = *oWorkspace.pStore;
    s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<gpx version=\"1.1\" creator=\"";
    s += "Quillox ";
    s += kszRelease;
    s += "\" xmlns=\"http://www.topografix.com/GPX/1/1\""
         " xmlns:gpxx=\"http://www.garmin.com/xmlschemas/GpxExtensions/v3\""
         " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
         " xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1"
         " http://www.topografix.com/GPX/1/1/gpx.xsd"
         " http://www.garmin.com/xmlschemas/GpxExtensions/v3"
         " http://www.garmin.com/xmlschemas/GpxExtensionsv3.xsd\"";
    // Heart rate and cadence go as Garmin's track point extension, declared
    // only where a track carries them.
    w.fSensors = false;
    if ((c.iKindMask & 4) != 0) {
        for (const Track &oTrack : oStore.aTracks) {
            w.fSensors = w.fSensors || !oTrack.aSensors.empty();
        }
    }
    if (w.fSensors) {
        s += " xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v1\"";
    }
    s += ">\n";
    Bounds oBounds = oBoundsOf(oWorkspace, c.iKindMask);
    if (oBounds.fAny || c.lWrittenTime != 0) {
        s += "  <metadata>\n";
    }
    if (c.lWrittenTime != 0) {
        s += "    <time>";
        vAppendTime(s, c.lWrittenTime);
        s += "</time>\n";
    }
    if (oBounds.fAny) {
        s += "    <bounds minlat=\"";
        vAppendDegrees(s, oBounds.lMinLatitude);
        s += "\" minlon=\"";
        vAppendDegrees(s, oBounds.lMinLongitude);
        s += "\" maxlat=\"";
        vAppendDegrees(s, oBounds.lMaxLatitude);
        s += "\" maxlon=\"";
        vAppendDegrees(s, oBounds.lMaxLongitude);
        s += "\"/>\n";
    }
    if (oBounds.fAny || c.lWrittenTime != 0) {
        s += "  </metadata>\n";
    }
    if ((c.iKindMask & 2) != 0) {
        // A point that came only as a route point is written inside the
        // routes that name it.
        std::unordered_set<std::string_view> asInRoutes;
        if ((c.iKindMask & 1) != 0) {
            for (const auto &[lNumber, oRoute] : oStore.pRoutes) {
                for (const RoutePointName &oName : oRoute.aszPoints) {
                    asInRoutes.insert(oName.sz);
                }
            }
        }
        for (const auto &[sName, oWaypoint] : oStore.pWaypoints) {
            if (oWaypoint.fRouteOnly != 0 && asInRoutes.count(sName) != 0) {
                continue;
            }
            if (!fLatitudeWritable(oWaypoint.lLatitude)) {
                ++w.nLeftOut;
                continue;
            }
            vAppendWaypoint(w, oWaypoint, "wpt", "  ");
            if (!iFlushIfFull(c, w)) {
                return 0;
            }
        }
    }
    if ((c.iKindMask & 1) != 0) {
        for (const auto &[lNumber, oRoute] : oStore.pRoutes) {
            if (!iWriteRoute(c, w, oRoute)) {
                return 0;
            }
        }
    }
    return 1;
}

int iWriteGpxTrackPoint(ExportContext &c, const TrackPoint &oPoint) {
    GpxWriter &w = oWriter(c);
    if (c.fFirstInTrack) {
        w.nPointInTrack = 0;
    }
    const size_t nPoint = w.nPointInTrack++;
    if (!fLatitudeWritable(oPoint.lLatitude)) {
        ++w.nLeftOut;
        return 1;
    }
    std::string &s = w.sOut;
    if (w.fTrackOpen && c.pTrack != w.pOpenTrack) {
        s += "    </trkseg>\n  </trk>\n";
        w.fTrackOpen = false;
    }
    if (!w.fTrackOpen) {
        // Each track of the store is a <trk>. The track of sources without
        // track structure is "Track"; a track that came without a name stays
        // without one.
        s += "  <trk>\n";
        const Track *pTrack = c.pTrack;
        if (pTrack != nullptr && !pTrack->sName.empty()) {
            const std::string *pName = nullptr;
            if (!w.pTexts->aTexts.empty()) {
                auto lIndex = static_cast<uint32_t>(pTrack - c.pWorkspace->pStore->aTracks.data());
                pName =
                    pOriginalText(*w.pTexts, sTextKey(TextOwner::kTrack, TextField::kName, lIndex),
                                  pTrack->sName);
            }
            s += "    <name>";
            vAppendText(w, pTrack->sName.c_str(), pTrack->sName.size() + 1, pName);
            s += "</name>\n";
        } else if (pTrack == nullptr || pTrack->fByTime) {
            s += "    <name>Track</name>\n";
        }
        if (const char *pszColor =
                pTrack != nullptr ? pszGarminColorName(pTrack->bColor) : nullptr) {
            s += "    <extensions><gpxx:TrackExtension><gpxx:DisplayColor>";
            s += pszColor;
            s += "</gpxx:DisplayColor></gpxx:TrackExtension></extensions>\n";
        }
        s += "    <trkseg>\n";
        w.fTrackOpen = true;
        w.pOpenTrack = c.pTrack;
    } else if (oPoint.fNewSegment != 0) {
        s += "    </trkseg>\n    <trkseg>\n";
    }
    s += "      <trkpt";
    vAppendPosition(s, oPoint.lLatitude, oPoint.lLongitude);
    s += '>';
    if (fWritableAltitude(oPoint.fAltitude)) {
        s += "<ele>";
        vAppendFloat(s, oPoint.fAltitude);
        s += "</ele>";
    }
    if (oPoint.lTime != 0) {
        s += "<time>";
        vAppendTime(s, oPoint.lTime);
        s += "</time>";
    }
    if (w.fSensors && c.pTrack != nullptr && nPoint < c.pTrack->aSensors.size()) {
        const TrackSensors &o = c.pTrack->aSensors[nPoint];
        const bool fHeart = o.bHeartRate != kNoHeartRate;
        const bool fCadence = o.bCadence != kNoCadence;
        if (fHeart || fCadence) {
            s += "<extensions><gpxtpx:TrackPointExtension>";
            if (fHeart) {
                s += "<gpxtpx:hr>";
                s += std::to_string(o.bHeartRate);
                s += "</gpxtpx:hr>";
            }
            if (fCadence) {
                s += "<gpxtpx:cad>";
                s += std::to_string(o.bCadence);
                s += "</gpxtpx:cad>";
            }
            s += "</gpxtpx:TrackPointExtension></extensions>";
        }
    }
    s += "</trkpt>\n";
    return iFlushIfFull(c, w);
}

int iCloseGpxTrack(ExportContext &c) {
    GpxWriter &w = oWriter(c);
    if (w.fTrackOpen) {
        w.sOut += "    </trkseg>\n  </trk>\n";
        w.fTrackOpen = false;
    }
    return 1;
}

int iWriteGpxTrailer(ExportContext &c) {
    GpxWriter &w = oWriter(c);
    w.sOut += "</gpx>\n";
    if (w.nLeftOut != 0) {
        vReportError("'%s': %ld points with a latitude beyond 90 degrees left out", c.pszFileName,
                     w.nLeftOut);
    }
    return iFlush(c, w);
}
