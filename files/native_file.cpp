#include "files/native_file.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "base/report.h"
#include "base/text_codec.h"
#include "files/native_extension.h"
#include "formats/file_look.h"
#include "formats/input_file.h"
#include "formats/output_file.h"
#include "formats/route_point_names.h"
#include "garmin/waypoint_symbols.h"
#include "store/file_kinds.h"
#include "store/little_endian.h"
#include "store/route_place_names.h"
#include "store/workspace.h"

namespace {

constexpr uint8_t abMagic[10] = {'O', 'r', 'v', 'e', 'n', 's', 't', 'a', 0x00, 0x1A};
constexpr uint8_t kMajorVersion = 1;
constexpr uint8_t kWrittenMinorVersion = 2;

constexpr size_t kOldNameSize = 7;
constexpr size_t kOldCommentSize = 41;
constexpr size_t kOldRouteSize = 239;
constexpr size_t kWaypoint10Size = 68;
constexpr size_t kWaypoint11Size = 74;
constexpr size_t kOldTrackPointSize = 16;

// Copies a text field of nSourceSize bytes into a larger zero-filled field; a
// text without a terminator ends at the end of its field.
void vCopyOldText(char *pszTarget, size_t nTargetSize, const uint8_t *pSource, size_t nSourceSize) {
    size_t nLength = 0;
    while (nLength < nSourceSize && pSource[nLength] != 0) {
        ++nLength;
    }
    nLength = std::min(nLength, nTargetSize - 1);
    std::memcpy(pszTarget, pSource, nLength);
    pszTarget[nLength] = '\0';
}

enum class ReadResult { kOk, kTruncated, kNoMemory };

// Where the extension section starts: after the three sections, whose counts
// say how long they are. 0 when the file ends before.
size_t nExtensionOffset(std::span<const uint8_t> aData) {
    size_t nAt = kNativeHeaderSize;
    const size_t anRecord[3] = {kRouteRecordSize, kWaypointRecordSize, kTrackPointRecordSize};
    for (size_t nSize : anRecord) {
        ByteReader oIn(aData.subspan(std::min(nAt, aData.size())));
        uint32_t lCount = 0;
        if (!oIn.fU32(lCount) || (aData.size() - nAt - 4) / nSize < lCount) {
            return 0;
        }
        nAt += 4 + nSize * lCount;
    }
    return nAt < aData.size() ? nAt : 0;
}

struct NativeReader {
    Workspace *pWorkspace;
    ByteReader oIn;
    uint8_t bMinor;
    const NativeExtension &oExt;
    int iFromCodePage;
    long nUnholdable = 0;
    size_t nTrackBase = 0;
    std::string sFault = std::string(); // what was wrong with the extension, found on the way

    bool fRecode() const { return iFromCodePage != pWorkspace->sCodePage; }

    // A text of the file's code page in the run's, in place; the text as the
    // file meant it is kept where the field cannot hold it.
    // With eOwner kWaypoint, the original text is kept under the waypoint's
    // name as recoded.
    bool fRecodeField(char *pszField, size_t nSize, TextOwner eOwner = TextOwner::kRoute,
                      TextField eField = TextField::kName, const char *pszRecord = nullptr) {
        std::string sUtf8;
        TextConversion o =
            oRecodeField(iFromCodePage, pWorkspace->sCodePage, pszField, nSize, sUtf8);
        if (o.nReplaced == 0) {
            return true;
        }
        ++nUnholdable;
        if (eOwner != TextOwner::kWaypoint) {
            return true;
        }
        return iKeepOriginalText(
                   pWorkspace->pStore->oOriginalTexts,
                   sTextKey(eOwner, eField, pszRecord != nullptr ? pszRecord : pszField), pszField,
                   sUtf8, pWorkspace->sCodePage) != 0;
    }

    ReadResult eRoutes() {
        uint32_t lCount;
        if (!oIn.fU32(lCount)) {
            return ReadResult::kTruncated;
        }
        size_t nRecordSize = bMinor < 2 ? kOldRouteSize : size_t{kRouteRecordSize};
        for (uint32_t i = 0; i < lCount; ++i) {
            // A count larger than the bytes that follow is found out at the
            // first short read; nothing is allocated for it up front.
            if (oIn.nRemaining() < nRecordSize) {
                return ReadResult::kTruncated;
            }
            Route oRoute{};
            uint32_t lPoints = 0;
            oIn.fU32(oRoute.lNumber);
            oIn.fU32(lPoints);
            oIn.fRead(oRoute.szComment, sizeof(oRoute.szComment));
            // The record has room for thirty names; a larger count is clamped.
            lPoints = std::min<uint32_t>(lPoints, kMaxRoutePoints);
            oRoute.aszPoints.resize(lPoints);
            if (bMinor < 2) {
                uint8_t abNames[kMaxRoutePoints][kOldNameSize] = {};
                oIn.fRead(abNames, sizeof(abNames));
                for (uint32_t k = 0; k < lPoints; ++k) {
                    vCopyOldText(oRoute.aszPoints[k], kNameSize, abNames[k], kOldNameSize);
                }
            } else {
                for (uint32_t k = 0; k < kMaxRoutePoints; ++k) {
                    char szName[kNameSize];
                    oIn.fRead(szName, sizeof(szName));
                    if (k < lPoints) {
                        std::memcpy(oRoute.aszPoints[k].sz, szName, kNameSize);
                        oRoute.aszPoints[k].sz[kNameSize - 1] = '\0';
                    }
                }
            }
            // The extension holds the route whole where the record could not.
            auto it = oExt.aRoutes.find(oRoute.lNumber);
            if (it != oExt.aRoutes.end()) {
                oRoute.aszPoints.clear();
                for (const ExtensionRoutePoint &p : it->second) {
                    char *psz = pszAppendRoutePoint(oRoute);
                    if (psz == nullptr) {
                        return ReadResult::kNoMemory;
                    }
                    std::memcpy(psz, p.sName.data(),
                                std::min(p.sName.size(), size_t{kNameSize - 1}));
                    if (p.fOwnPlace) {
                        Waypoint oPlace = p.oPlace;
                        oPlace.fRouteOnly = 1;
                        oRoute.aOwnPlaces[static_cast<uint32_t>(oRoute.aszPoints.size() - 1)] =
                            oPlace;
                    }
                }
            }
            if (fRecode()) {
                fRecodeField(oRoute.szComment, sizeof(oRoute.szComment));
                for (RoutePointName &o : oRoute.aszPoints) {
                    fRecodeField(o.sz, sizeof(o.sz));
                }
                for (auto &[k, o] : oRoute.aOwnPlaces) {
                    fRecodeField(o.szName, sizeof(o.szName));
                    fRecodeField(o.szComment, sizeof(o.szComment));
                }
            }
            if (!iAddRoute(pWorkspace, oRoute)) {
                return ReadResult::kNoMemory;
            }
        }
        return ReadResult::kOk;
    }

    ReadResult eWaypoints() {
        uint32_t lCount;
        if (!oIn.fU32(lCount)) {
            return ReadResult::kTruncated;
        }
        size_t nRecordSize = bMinor == 0   ? kWaypoint10Size
                             : bMinor == 1 ? kWaypoint11Size
                                           : size_t{kWaypointRecordSize};
        for (uint32_t i = 0; i < lCount; ++i) {
            if (oIn.nRemaining() < nRecordSize) {
                return ReadResult::kTruncated;
            }
            Waypoint oWaypoint = oEmptyWaypoint();
            if (bMinor < 2) {
                uint8_t abName[kOldNameSize] = {};
                uint8_t abComment[kOldCommentSize] = {};
                oIn.fRead(abName, sizeof(abName));
                oIn.fRead(abComment, sizeof(abComment));
                vCopyOldText(oWaypoint.szName, kNameSize, abName, sizeof(abName));
                vCopyOldText(oWaypoint.szComment, kNameSize, abComment, sizeof(abComment));
                oIn.fI32(oWaypoint.lLatitude);
                oIn.fI32(oWaypoint.lLongitude);
                oIn.fI32(oWaypoint.lTime);
                oIn.fSkip(4);
                oIn.fF32(oWaypoint.fProximity);
                if (bMinor == 1) {
                    // Four bytes nobody reads, then symbol and display at 72 and 73.
                    oIn.fSkip(4);
                    uint8_t bSymbol = 0;
                    uint8_t bDisplay = 0;
                    oIn.fU8(bSymbol);
                    oIn.fU8(bDisplay);
                    // Version 1.1 kept the symbol and display numbers of the D103 record.
                    oWaypoint.sSymbol = sGetStoredSymbol(bSymbol, 103);
                    oWaypoint.bDisplay = bGetStoredDisplay(bDisplay, 103);
                }
            } else {
                fReadWaypointRecord(oIn, oWaypoint);
            }
            if (oExt.fPresent) {
                std::string sName(oWaypoint.szName);
                // The own places of routes are in their route already.
                if (oExt.aAliases.count(sName) != 0) {
                    continue;
                }
                oWaypoint.fRouteOnly = oExt.aRouteOnly.count(sName) != 0 ? 1 : 0;
            }
            if (fRecode()) {
                if (!fRecodeField(oWaypoint.szName, sizeof(oWaypoint.szName), TextOwner::kWaypoint,
                                  TextField::kName) ||
                    !fRecodeField(oWaypoint.szComment, sizeof(oWaypoint.szComment),
                                  TextOwner::kWaypoint, TextField::kComment, oWaypoint.szName)) {
                    return ReadResult::kNoMemory;
                }
            }
            if (!iAddWaypoint(pWorkspace, oWaypoint)) {
                return ReadResult::kNoMemory;
            }
        }
        return ReadResult::kOk;
    }

    bool fReadPoint(TrackPoint &oPoint) {
        oPoint = TrackPoint{};
        size_t nRecordSize = bMinor < 2 ? kOldTrackPointSize : size_t{kTrackPointRecordSize};
        if (oIn.nRemaining() < nRecordSize) {
            return false;
        }
        oIn.fI32(oPoint.lLatitude);
        oIn.fI32(oPoint.lLongitude);
        oIn.fI32(oPoint.lTime);
        if (bMinor == 2) {
            oIn.fF32(oPoint.fAltitude);
        }
        oIn.fI32(oPoint.fNewSegment);
        return true;
    }

    // The points of version 1.2's one list, into the track kept in time order.
    ReadResult eTrackByTime(uint32_t lCount) {
        for (uint32_t i = 0; i < lCount; ++i) {
            TrackPoint oPoint;
            if (!fReadPoint(oPoint)) {
                return ReadResult::kTruncated;
            }
            if (!iAddTrackPoint(pWorkspace, oPoint)) {
                return ReadResult::kNoMemory;
            }
        }
        return ReadResult::kOk;
    }

    ReadResult eTrackPoints() {
        uint32_t lCount;
        if (!oIn.fU32(lCount)) {
            return ReadResult::kTruncated;
        }
        nTrackBase = pWorkspace->pStore->aTracks.size();
        if (!oExt.fHasTracks) {
            return eTrackByTime(lCount);
        }
        // The extension splits the one list into its tracks; where its counts
        // do not add up to the list, the list is read as version 1.2 has it.
        uint64_t llSum = 0;
        for (const ExtensionTrack &t : oExt.aTracks) {
            llSum += t.lPoints;
        }
        if (llSum != lCount) {
            sFault = "its extension section gives other track point counts than the file holds";
            return eTrackByTime(lCount);
        }
        for (const ExtensionTrack &t : oExt.aTracks) {
            int32_t lTrack = -1;
            std::string sName = t.sName;
            if (!t.fByTime) {
                if (fRecode() && !sName.empty()) {
                    char szName[kTrackNameSize + 1] = {};
                    std::memcpy(szName, sName.data(), sName.size());
                    fRecodeField(szName, sizeof(szName));
                    sName = szName;
                }
                lTrack = lAddTrack(pWorkspace, sName, t.bColor);
                if (lTrack < 0) {
                    return ReadResult::kNoMemory;
                }
            }
            for (uint32_t i = 0; i < t.lPoints; ++i) {
                TrackPoint oPoint;
                if (!fReadPoint(oPoint)) {
                    return ReadResult::kTruncated;
                }
                if (i == 0) {
                    oPoint.fNewSegment = t.fFirstSegment;
                }
                const TrackSensors *pSensors = i < t.aSensors.size() ? &t.aSensors[i] : nullptr;
                if (!(t.fByTime ? iAddTrackPoint(pWorkspace, oPoint)
                                : iAppendTrackPoint(pWorkspace, lTrack, oPoint, pSensors))) {
                    return ReadResult::kNoMemory;
                }
            }
        }
        return ReadResult::kOk;
    }

    // The original texts the file kept; a track's key names its place in
    // this store.
    bool fKeepTexts() {
        OriginalTexts &oTexts = pWorkspace->pStore->oOriginalTexts;
        try {
            for (const auto &[sKey, oText] : oExt.aTexts) {
                std::string sNewKey = sKey;
                if (sKey.size() == 6 && sKey[0] == static_cast<char>(TextOwner::kTrack)) {
                    uint32_t l = 0;
                    for (int i = 0; i < 4; ++i) {
                        l |= static_cast<uint32_t>(static_cast<uint8_t>(sKey[2 + i])) << (8 * i);
                    }
                    sNewKey = sTextKey(TextOwner::kTrack, static_cast<TextField>(sKey[1]),
                                       static_cast<uint32_t>(l + nTrackBase));
                }
                if (!fRecode()) {
                    oTexts.aTexts[sNewKey] = oText;
                }
            }
        } catch (const std::bad_alloc &) {
            return false;
        }
        return true;
    }
};

void vWriteRoute(ByteWriter &oOut, const Route &oRoute, const RoutePlaceNames &oNames) {
    const auto lPoints =
        static_cast<uint32_t>(std::min<size_t>(oRoute.aszPoints.size(), kMaxRoutePoints));
    oOut.vU32(oRoute.lNumber);
    oOut.vU32(lPoints);
    oOut.vBytes(oRoute.szComment, sizeof(oRoute.szComment));
    for (uint32_t k = 0; k < kMaxRoutePoints; ++k) {
        char szName[kNameSize] = {};
        if (k < lPoints) {
            const char *psz = pszRoutePointName(oNames, oRoute, k);
            std::memcpy(szName, psz, std::min(std::strlen(psz), sizeof(szName) - 1));
        }
        oOut.vBytes(szName, sizeof(szName));
    }
}

void vWriteTrackPoint(ByteWriter &oOut, const TrackPoint &oPoint) {
    oOut.vI32(oPoint.lLatitude);
    oOut.vI32(oPoint.lLongitude);
    oOut.vI32(oPoint.lTime);
    oOut.vF32(oPoint.fAltitude);
    oOut.vI32(oPoint.fNewSegment);
}

} // namespace

int iReadNativeBuffer(Workspace *pWorkspace, std::span<const uint8_t> aData, const char *pszName) {
    if (pWorkspace == nullptr || !pWorkspace->pStore) {
        return 0;
    }
    if (aData.size() < kNativeHeaderSize || std::memcmp(aData.data(), abMagic, 10) != 0 ||
        aData[10] != kMajorVersion || aData[11] > kWrittenMinorVersion) {
        std::string_view svData(reinterpret_cast<const char *>(aData.data()), aData.size());
        if (svData.starts_with(std::string_view(reinterpret_cast<const char *>(abMagic), 10))) {
            vReportError("'%s' is not a data file", pszName); // of another version, or cut short
        } else {
            vReportNotOfFormat(pszName, svData, kFileNative);
        }
        return 0;
    }
    // The extension is read first, so the 1.2 records go where it says. One
    // that is damaged leaves the 1.2 sections to be read as they are.
    NativeExtension oExt;
    std::string sExtensionFault;
    const size_t nExtension = aData[11] == 2 ? nExtensionOffset(aData) : 0;
    // Bytes after the sections that do not begin like the extension are left
    // unread, as readers of version 1.2 leave them.
    const size_t nMagic =
        nExtension != 0 ? std::min(aData.size() - nExtension, sizeof(kaExtensionMagic)) : 0;
    if (nMagic != 0 && std::memcmp(aData.data() + nExtension, kaExtensionMagic, nMagic) == 0) {
        if (!iParseNativeExtension(aData.subspan(nExtension), oExt, sExtensionFault)) {
            oExt = NativeExtension{};
        }
    }
    NativeReader oReader{pWorkspace, ByteReader(aData.subspan(kNativeHeaderSize)), aData[11], oExt,
                         oExt.fPresent ? oExt.iCodePage : pWorkspace->sCodePage};
    ReadResult eResult = oReader.eRoutes();
    if (eResult == ReadResult::kOk) {
        eResult = oReader.eWaypoints();
    }
    if (eResult == ReadResult::kOk) {
        eResult = oReader.eTrackPoints();
    }
    if (eResult == ReadResult::kOk && !oReader.fKeepTexts()) {
        eResult = ReadResult::kNoMemory;
    }
    if (oReader.nUnholdable != 0) {
        vReportNotice("'%s': %ld name%s characters that code page %d cannot hold; try /a", pszName,
                      oReader.nUnholdable, oReader.nUnholdable == 1 ? " holds" : "s hold",
                      pWorkspace->sCodePage);
    }
    switch (eResult) {
    case ReadResult::kOk:
        if (sExtensionFault.empty()) {
            sExtensionFault = oReader.sFault;
        }
        if (!sExtensionFault.empty()) {
            vReportError("'%s': %s; only what version 1.2 holds was read", pszName,
                         sExtensionFault.c_str());
            return 0;
        }
        return 1;
    case ReadResult::kTruncated:
        vReportError("'%s' is truncated", pszName);
        return 0;
    case ReadResult::kNoMemory:
        vReportError("'%s': out of memory", pszName);
        return 0;
    }
    return 0;
}

int iReadNativeFile(Workspace *pWorkspace, const char *pszFileName) {
    FileBytes oData;
    if (!iReadWholeFile(pszFileName, oData)) {
        return 0;
    }
    return iReadNativeBuffer(
        pWorkspace,
        std::span<const uint8_t>(reinterpret_cast<const uint8_t *>(oData.sv().data()), oData.nSize),
        pszFileName);
}

namespace {

// Writes the file into aOut, handing it to fnFlush whenever it holds a
// megabyte, so a save never holds a second copy of a large store.
template <class Flush>
void vWriteNative(Workspace *pWorkspace, int iKindMask, std::vector<uint8_t> &aOut,
                  Flush &&fnFlush) {
    constexpr size_t kFlushSize = size_t{1} << 20;
    ByteWriter oOut(aOut);
    oOut.vBytes(abMagic, sizeof(abMagic));
    oOut.vU8(kMajorVersion);
    oOut.vU8(kWrittenMinorVersion);
    if (pWorkspace == nullptr || !pWorkspace->pStore) {
        oOut.vU32(0);
        oOut.vU32(0);
        oOut.vU32(0);
        return;
    }
    const DataStore &oStore = *pWorkspace->pStore;
    const bool fExtension = !fFitsVersion12(*pWorkspace, iKindMask);
    // Own places of routes go into the waypoint section under names of their own.
    RoutePlaceNames oNames;
    if (fExtension && (iKindMask & kKindRoutes) != 0) {
        iNameRoutePlaces(oStore, kNameSize - 1, oNames);
    }

    if (iKindMask & kKindRoutes) {
        oOut.vU32(static_cast<uint32_t>(oStore.pRoutes.size()));
        for (const auto &[lNumber, oRoute] : oStore.pRoutes) {
            vWriteRoute(oOut, oRoute, oNames);
            const size_t nPoints = std::min<size_t>(oRoute.aszPoints.size(), kMaxRoutePoints);
            for (size_t k = 0; k < nPoints; ++k) {
                vAddRoutePointName(oRoute.aszPoints[k]);
            }
        }
    } else {
        oOut.vU32(0);
    }

    // The store's waypoints and the renamed places, in one name order.
    auto fnWaypoints = [&](auto &&fnEach) {
        auto itPlace = oNames.aPlaces.begin();
        for (const auto &[sName, oWaypoint] : oStore.pWaypoints) {
            for (; itPlace != oNames.aPlaces.end() && itPlace->first < sName; ++itPlace) {
                fnEach(itPlace->second, true);
            }
            fnEach(oWaypoint, false);
        }
        for (; itPlace != oNames.aPlaces.end(); ++itPlace) {
            fnEach(itPlace->second, true);
        }
    };
    const bool fAllWaypoints = (iKindMask & kKindWaypoints) != 0;
    if (iKindMask & (kKindWaypoints | kKindRoutes)) {
        uint32_t lCount = 0;
        fnWaypoints([&](const Waypoint &o, bool fPlace) {
            lCount += fPlace || fAllWaypoints || iHasRoutePointName(o.szName) ? 1 : 0;
        });
        oOut.vU32(lCount);
        fnWaypoints([&](const Waypoint &o, bool fPlace) {
            if (fPlace || fAllWaypoints || iHasRoutePointName(o.szName)) {
                vWriteWaypointRecord(oOut, o);
                if (aOut.size() >= kFlushSize) {
                    fnFlush();
                }
            }
        });
    } else {
        oOut.vU32(0);
    }

    if (iKindMask & kKindTrackPoints) {
        oOut.vU32(static_cast<uint32_t>(oStore.lTrackPointCount));
        fForEachTrackPoint(oStore, [&](const TrackPoint &oPoint) {
            vWriteTrackPoint(oOut, oPoint);
            if (aOut.size() >= kFlushSize) {
                fnFlush();
            }
            return true;
        });
    } else {
        oOut.vU32(0);
    }
    vClearRoutePointNames();
    if (fExtension) {
        vAppendNativeExtension(*pWorkspace, iKindMask, oNames, aOut);
    }
}

} // namespace

void vBuildNativeImage(Workspace *pWorkspace, int iKindMask, std::vector<uint8_t> &aOut) {
    aOut.clear();
    vWriteNative(pWorkspace, iKindMask, aOut, [] {});
}

int iWriteNativeFile(Workspace *pWorkspace, const char *pszFileName, int iKindMask) {
    OutputFile oFile;
    if (!oFile.iOpen(pszFileName, OutputFile::Mode::kBinary)) {
        return 0;
    }
    std::vector<uint8_t> aBuffer;
    aBuffer.reserve((size_t{1} << 20) + 4096);
    vWriteNative(pWorkspace, iKindMask, aBuffer, [&] {
        oFile.iWrite(aBuffer.data(), aBuffer.size());
        aBuffer.clear();
    });
    oFile.iWrite(aBuffer.data(), aBuffer.size());
    return oFile.iCommit();
}
