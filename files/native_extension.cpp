#include "files/native_extension.h"

#include <algorithm>
#include <cstring>

#include "base/text_codec.h"
#include "store/file_kinds.h"
#include "store/route_place_names.h"
#include "store/workspace.h"

namespace {

constexpr uint8_t kTrackByTime = 1;
constexpr uint8_t kTrackFirstSegment = 2;
constexpr uint8_t kPointOwnPlace = 1;
constexpr size_t kSensorSize = 7;

void vText8(ByteWriter &oOut, std::string_view sv) {
    sv = sv.substr(0, 255);
    oOut.vU8(static_cast<uint8_t>(sv.size()));
    oOut.vBytes(sv.data(), sv.size());
}

void vText32(ByteWriter &oOut, std::string_view sv) {
    oOut.vU32(static_cast<uint32_t>(sv.size()));
    oOut.vBytes(sv.data(), sv.size());
}

// A text of n bytes, where that many follow.
bool fTextOfLength(ByteReader &oIn, size_t n, std::string &s) {
    if (oIn.nRemaining() < n) {
        return false;
    }
    s.resize(n);
    return oIn.fRead(s.data(), n);
}

bool fText8(ByteReader &oIn, std::string &s) {
    uint8_t n = 0;
    return oIn.fU8(n) && fTextOfLength(oIn, n, s);
}

bool fText32(ByteReader &oIn, std::string &s) {
    uint32_t n = 0;
    return oIn.fU32(n) && fTextOfLength(oIn, n, s);
}

// A name of a record field: at most kNameSize - 1 bytes, no terminator inside.
bool fFieldText(const std::string &s, size_t nMax) {
    return s.size() <= nMax && s.find('\0') == std::string::npos;
}

// Starts a record; the length is filled in by vEndRecord.
size_t nStartRecord(ByteWriter &oOut, std::vector<uint8_t> &aOut, uint16_t sKind) {
    oOut.vU16(sKind);
    oOut.vU32(0);
    return aOut.size();
}

void vEndRecord(std::vector<uint8_t> &aOut, size_t nStart) {
    const auto l = static_cast<uint32_t>(aOut.size() - nStart);
    for (int i = 0; i < 4; ++i) {
        aOut[nStart - 4 + static_cast<size_t>(i)] = static_cast<uint8_t>(l >> (8 * i));
    }
}

// A single track holds what 1.2 can when reading its points back in the
// file's order, by time, puts them in the same order.
bool fInTimeOrder(const Track &oTrack) {
    if (oTrack.fByTime) {
        return true;
    }
    bool fFirst = true;
    int32_t lLast = 0;
    for (const TrackPoint &o : oTrack.aPoints) {
        if (!fFirst && (o.lTime < lLast || (o.lTime == lLast && o.lTime != 0))) {
            return false;
        }
        fFirst = false;
        lLast = o.lTime;
    }
    return true;
}

bool fTracksFit(const DataStore &oStore) {
    const Track *pOnly = nullptr;
    for (const Track &oTrack : oStore.aTracks) {
        if (!oTrack.sName.empty() || oTrack.bColor != 255 || !oTrack.aSensors.empty()) {
            return false;
        }
        if (oTrack.aPoints.empty()) {
            continue;
        }
        if (pOnly != nullptr) {
            return false;
        }
        pOnly = &oTrack;
    }
    return pOnly == nullptr || fInTimeOrder(*pOnly);
}

bool fRouteFits(const Route &oRoute) {
    return oRoute.aszPoints.size() <= static_cast<size_t>(kMaxRoutePoints) &&
           oRoute.aOwnPlaces.empty();
}

} // namespace

void vWriteWaypointRecord(ByteWriter &oOut, const Waypoint &oWaypoint) {
    oOut.vBytes(oWaypoint.szName, sizeof(oWaypoint.szName));
    oOut.vBytes(oWaypoint.szComment, sizeof(oWaypoint.szComment));
    oOut.vI32(oWaypoint.lLatitude);
    oOut.vI32(oWaypoint.lLongitude);
    oOut.vI32(oWaypoint.lTime);
    oOut.vF32(oWaypoint.fProximity);
    oOut.vI16(oWaypoint.sSymbol);
    oOut.vU8(oWaypoint.bDisplay);
    oOut.vU8(oWaypoint.bColor);
    oOut.vF32(oWaypoint.fAltitude);
}

bool fReadWaypointRecord(ByteReader &oIn, Waypoint &oWaypoint) {
    oWaypoint = oEmptyWaypoint();
    bool fOk = oIn.fRead(oWaypoint.szName, sizeof(oWaypoint.szName)) &&
               oIn.fRead(oWaypoint.szComment, sizeof(oWaypoint.szComment)) &&
               oIn.fI32(oWaypoint.lLatitude) && oIn.fI32(oWaypoint.lLongitude) &&
               oIn.fI32(oWaypoint.lTime) && oIn.fF32(oWaypoint.fProximity) &&
               oIn.fI16(oWaypoint.sSymbol) && oIn.fU8(oWaypoint.bDisplay) &&
               oIn.fU8(oWaypoint.bColor) && oIn.fF32(oWaypoint.fAltitude);
    oWaypoint.szName[kNameSize - 1] = '\0';
    oWaypoint.szComment[kNameSize - 1] = '\0';
    return fOk;
}

bool fFitsVersion12(const Workspace &oWorkspace, int iKindMask) {
    const DataStore &oStore = *oWorkspace.pStore;
    if (oWorkspace.sCodePage != kDefaultCodePage || !oStore.oOriginalTexts.aTexts.empty()) {
        return false;
    }
    if ((iKindMask & kKindTrackPoints) != 0 && !fTracksFit(oStore)) {
        return false;
    }
    if ((iKindMask & kKindRoutes) != 0) {
        for (const auto &[lNumber, oRoute] : oStore.pRoutes) {
            if (!fRouteFits(oRoute)) {
                return false;
            }
        }
    }
    if ((iKindMask & (kKindRoutes | kKindWaypoints)) != 0) {
        for (const auto &[sName, oWaypoint] : oStore.pWaypoints) {
            if (oWaypoint.fRouteOnly != 0) {
                return false;
            }
        }
    }
    return true;
}

void vAppendNativeExtension(const Workspace &oWorkspace, int iKindMask,
                            const RoutePlaceNames &oNames, std::vector<uint8_t> &aOut) {
    const DataStore &oStore = *oWorkspace.pStore;
    ByteWriter oOut(aOut);
    oOut.vBytes(kaExtensionMagic, sizeof(kaExtensionMagic));
    oOut.vU16(kExtensionVersion);
    // The length of the records that follow, so a cut between two is found.
    oOut.vU32(0);
    const size_t nRecords = aOut.size();

    size_t nStart = nStartRecord(oOut, aOut, kExtensionCodePage);
    oOut.vU16(static_cast<uint16_t>(oWorkspace.sCodePage));
    vEndRecord(aOut, nStart);

    if ((iKindMask & kKindTrackPoints) != 0) {
        nStart = nStartRecord(oOut, aOut, kExtensionTracks);
        oOut.vU32(static_cast<uint32_t>(oStore.aTracks.size()));
        for (const Track &oTrack : oStore.aTracks) {
            vText8(oOut, oTrack.sName);
            oOut.vU8(oTrack.bColor);
            uint8_t bFlags = oTrack.fByTime ? kTrackByTime : 0;
            if (!oTrack.aPoints.empty() && oTrack.aPoints.front().fNewSegment != 0) {
                bFlags |= kTrackFirstSegment;
            }
            oOut.vU8(bFlags);
            oOut.vU32(static_cast<uint32_t>(oTrack.aPoints.size()));
        }
        vEndRecord(aOut, nStart);
        for (size_t n = 0; n < oStore.aTracks.size(); ++n) {
            const Track &oTrack = oStore.aTracks[n];
            if (oTrack.aSensors.empty()) {
                continue;
            }
            nStart = nStartRecord(oOut, aOut, kExtensionTrackSensor);
            oOut.vU32(static_cast<uint32_t>(n));
            oOut.vU32(static_cast<uint32_t>(oTrack.aSensors.size()));
            for (const TrackSensors &o : oTrack.aSensors) {
                oOut.vU8(o.bHeartRate);
                oOut.vU8(o.bCadence);
                oOut.vU8(o.fWheelSensor);
                oOut.vF32(o.fDistance);
            }
            vEndRecord(aOut, nStart);
        }
    }

    if ((iKindMask & kKindRoutes) != 0) {
        for (const auto &[lNumber, oRoute] : oStore.pRoutes) {
            if (fRouteFits(oRoute)) {
                continue;
            }
            nStart = nStartRecord(oOut, aOut, kExtensionRoute);
            oOut.vU32(lNumber);
            oOut.vU32(static_cast<uint32_t>(oRoute.aszPoints.size()));
            for (uint32_t k = 0; k < oRoute.aszPoints.size(); ++k) {
                vText8(oOut, oRoute.aszPoints[k].sz);
                auto it = oRoute.aOwnPlaces.find(k);
                if (it == oRoute.aOwnPlaces.end()) {
                    oOut.vU8(0);
                    continue;
                }
                oOut.vU8(kPointOwnPlace);
                vWriteWaypointRecord(oOut, it->second);
                vText8(oOut, pszRoutePointName(oNames, oRoute, k));
            }
            vEndRecord(aOut, nStart);
        }
    }

    if ((iKindMask & (kKindRoutes | kKindWaypoints)) != 0) {
        nStart = nStartRecord(oOut, aOut, kExtensionRouteOnly);
        uint32_t lCount = 0;
        for (const auto &[sName, oWaypoint] : oStore.pWaypoints) {
            lCount += oWaypoint.fRouteOnly != 0 ? 1 : 0;
        }
        oOut.vU32(lCount);
        for (const auto &[sName, oWaypoint] : oStore.pWaypoints) {
            if (oWaypoint.fRouteOnly != 0) {
                vText8(oOut, sName);
            }
        }
        vEndRecord(aOut, nStart);
    }

    if (!oStore.oOriginalTexts.aTexts.empty()) {
        nStart = nStartRecord(oOut, aOut, kExtensionTexts);
        oOut.vU32(static_cast<uint32_t>(oStore.oOriginalTexts.aTexts.size()));
        for (const auto &[sKey, oText] : oStore.oOriginalTexts.aTexts) {
            vText32(oOut, sKey);
            vText32(oOut, oText.sStored);
            vText32(oOut, oText.sOriginal);
        }
        vEndRecord(aOut, nStart);
    }
    vEndRecord(aOut, nRecords);
}

int iParseNativeExtension(std::span<const uint8_t> aData, NativeExtension &o,
                          std::string &sReason) {
    o = NativeExtension{};
    o.fPresent = true;
    ByteReader oIn(aData);
    uint8_t abMagic[4] = {};
    uint16_t sVersion = 0;
    uint32_t lLength = 0;
    if (!oIn.fRead(abMagic, 4) || std::memcmp(abMagic, kaExtensionMagic, 4) != 0 ||
        !oIn.fU16(sVersion) || !oIn.fU32(lLength)) {
        sReason = "its extension section is cut short";
        return 0;
    }
    if (sVersion != kExtensionVersion) {
        sReason = "its extension section is of version " + std::to_string(sVersion);
        return 0;
    }
    if (oIn.nRemaining() != lLength) {
        sReason = oIn.nRemaining() < lLength ? "its extension section is cut short"
                                             : "its extension section is followed by other data";
        return 0;
    }
    std::map<uint32_t, std::vector<TrackSensors>> aSensors;
    while (oIn.nRemaining() > 0) {
        uint16_t sKind = 0;
        uint32_t lLength = 0;
        if (!oIn.fU16(sKind) || !oIn.fU32(lLength) || oIn.nRemaining() < lLength) {
            sReason = "its extension section is cut short";
            return 0;
        }
        std::span<const uint8_t> aBody = aData.subspan(aData.size() - oIn.nRemaining(), lLength);
        oIn.fSkip(lLength);
        ByteReader oRecord(aBody);
        bool fOk = true;
        uint32_t lCount = 0;
        switch (sKind) {
        case kExtensionCodePage: {
            uint16_t s = 0;
            fOk = oRecord.fU16(s) && iKnownCodePage(s);
            o.iCodePage = s;
            break;
        }
        case kExtensionTracks:
            // Each track takes at least seven bytes, so the count is checked
            // against them before anything is kept.
            fOk = oRecord.fU32(lCount) && lCount <= oRecord.nRemaining() / 7;
            o.fHasTracks = fOk;
            for (uint32_t i = 0; fOk && i < lCount; ++i) {
                ExtensionTrack t;
                uint8_t bFlags = 0;
                fOk = fText8(oRecord, t.sName) && t.sName.size() <= kTrackNameSize &&
                      oRecord.fU8(t.bColor) && oRecord.fU8(bFlags) && oRecord.fU32(t.lPoints);
                t.fByTime = (bFlags & kTrackByTime) != 0;
                t.fFirstSegment = (bFlags & kTrackFirstSegment) != 0 ? 1 : 0;
                o.aTracks.push_back(std::move(t));
            }
            break;
        case kExtensionTrackSensor: {
            uint32_t lTrack = 0;
            fOk = oRecord.fU32(lTrack) && oRecord.fU32(lCount) &&
                  lCount <= oRecord.nRemaining() / kSensorSize;
            std::vector<TrackSensors> a;
            for (uint32_t i = 0; fOk && i < lCount; ++i) {
                TrackSensors s;
                fOk = oRecord.fU8(s.bHeartRate) && oRecord.fU8(s.bCadence) &&
                      oRecord.fU8(s.fWheelSensor) && oRecord.fF32(s.fDistance);
                a.push_back(s);
            }
            if (fOk) {
                aSensors[lTrack] = std::move(a);
            }
            break;
        }
        case kExtensionRoute: {
            uint32_t lNumber = 0;
            fOk =
                oRecord.fU32(lNumber) && oRecord.fU32(lCount) && lCount <= oRecord.nRemaining() / 2;
            std::vector<ExtensionRoutePoint> a;
            for (uint32_t i = 0; fOk && i < lCount; ++i) {
                ExtensionRoutePoint p;
                uint8_t bFlags = 0;
                fOk = fText8(oRecord, p.sName) && fFieldText(p.sName, kNameSize - 1) &&
                      oRecord.fU8(bFlags);
                p.fOwnPlace = (bFlags & kPointOwnPlace) != 0;
                if (fOk && p.fOwnPlace) {
                    fOk = fReadWaypointRecord(oRecord, p.oPlace) && fText8(oRecord, p.sAlias) &&
                          fFieldText(p.sAlias, kNameSize - 1);
                    o.aAliases.insert(p.sAlias);
                }
                a.push_back(std::move(p));
            }
            if (fOk) {
                o.aRoutes[lNumber] = std::move(a);
            }
            break;
        }
        case kExtensionRouteOnly:
            fOk = oRecord.fU32(lCount) && lCount <= oRecord.nRemaining();
            for (uint32_t i = 0; fOk && i < lCount; ++i) {
                std::string s;
                fOk = fText8(oRecord, s);
                o.aRouteOnly.insert(std::move(s));
            }
            break;
        case kExtensionTexts:
            fOk = oRecord.fU32(lCount) && lCount <= oRecord.nRemaining() / 12;
            for (uint32_t i = 0; fOk && i < lCount; ++i) {
                std::string sKey;
                OriginalText t;
                fOk = fText32(oRecord, sKey) && fText32(oRecord, t.sStored) &&
                      fText32(oRecord, t.sOriginal);
                o.aTexts.emplace_back(std::move(sKey), std::move(t));
            }
            break;
        default:
            break; // a kind of a later version
        }
        if (!fOk) {
            sReason =
                "its extension section holds a malformed record of kind " + std::to_string(sKind);
            return 0;
        }
    }
    for (auto &[lTrack, a] : aSensors) {
        if (lTrack >= o.aTracks.size() || a.size() != o.aTracks[lTrack].lPoints) {
            sReason = "its extension section gives sensor data of a track it does not have";
            return 0;
        }
        o.aTracks[lTrack].aSensors = std::move(a);
    }
    return 1;
}
