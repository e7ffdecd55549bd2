#include "files/native_file.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "base/report.h"
#include "formats/file_look.h"
#include "formats/input_file.h"
#include "formats/output_file.h"
#include "formats/route_point_names.h"
#include "garmin/waypoint_symbols.h"
#include "store/file_kinds.h"
#include "store/little_endian.h"
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

struct NativeReader {
    Workspace *pWorkspace;
    ByteReader oIn;
    uint8_t bMinor;

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
            oIn.fU32(oRoute.lNumber);
            oIn.fU32(oRoute.lPointCount);
            oIn.fRead(oRoute.szComment, sizeof(oRoute.szComment));
            // The format has room for thirty names; a larger count is clamped.
            oRoute.lPointCount = std::min<uint32_t>(oRoute.lPointCount, kMaxRoutePoints);
            if (bMinor < 2) {
                uint8_t abNames[kMaxRoutePoints][kOldNameSize] = {};
                oIn.fRead(abNames, sizeof(abNames));
                for (uint32_t k = 0; k < oRoute.lPointCount; ++k) {
                    vCopyOldText(oRoute.aszPoints[k], kNameSize, abNames[k], kOldNameSize);
                }
            } else {
                oIn.fRead(oRoute.aszPoints, sizeof(oRoute.aszPoints));
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
                oIn.fRead(oWaypoint.szName, sizeof(oWaypoint.szName));
                oIn.fRead(oWaypoint.szComment, sizeof(oWaypoint.szComment));
                oIn.fI32(oWaypoint.lLatitude);
                oIn.fI32(oWaypoint.lLongitude);
                oIn.fI32(oWaypoint.lTime);
                oIn.fF32(oWaypoint.fProximity);
                oIn.fI16(oWaypoint.sSymbol);
                oIn.fU8(oWaypoint.bDisplay);
                oIn.fU8(oWaypoint.bColor);
                oIn.fF32(oWaypoint.fAltitude);
            }
            if (!iAddWaypoint(pWorkspace, oWaypoint)) {
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
        size_t nRecordSize = bMinor < 2 ? kOldTrackPointSize : size_t{kTrackPointRecordSize};
        for (uint32_t i = 0; i < lCount; ++i) {
            if (oIn.nRemaining() < nRecordSize) {
                return ReadResult::kTruncated;
            }
            TrackPoint oPoint{};
            oIn.fI32(oPoint.lLatitude);
            oIn.fI32(oPoint.lLongitude);
            oIn.fI32(oPoint.lTime);
            if (bMinor == 2) {
                oIn.fF32(oPoint.fAltitude);
            }
            oIn.fI32(oPoint.fNewSegment);
            if (!iAddTrackPoint(pWorkspace, oPoint)) {
                return ReadResult::kNoMemory;
            }
        }
        return ReadResult::kOk;
    }
};

void vWriteRoute(ByteWriter &oOut, const Route &oRoute) {
    oOut.vU32(oRoute.lNumber);
    oOut.vU32(oRoute.lPointCount);
    oOut.vBytes(oRoute.szComment, sizeof(oRoute.szComment));
    oOut.vBytes(oRoute.aszPoints, sizeof(oRoute.aszPoints));
}

void vWriteWaypoint(ByteWriter &oOut, const Waypoint &oWaypoint) {
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
    NativeReader oReader{pWorkspace, ByteReader(aData.subspan(kNativeHeaderSize)), aData[11]};
    ReadResult eResult = oReader.eRoutes();
    if (eResult == ReadResult::kOk) {
        eResult = oReader.eWaypoints();
    }
    if (eResult == ReadResult::kOk) {
        eResult = oReader.eTrackPoints();
    }
    switch (eResult) {
    case ReadResult::kOk:
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
    std::string sData;
    if (!iReadWholeFile(pszFileName, sData)) {
        return 0;
    }
    return iReadNativeBuffer(
        pWorkspace,
        std::span<const uint8_t>(reinterpret_cast<const uint8_t *>(sData.data()), sData.size()),
        pszFileName);
}

void vBuildNativeImage(Workspace *pWorkspace, int iKindMask, std::vector<uint8_t> &aOut) {
    aOut.clear();
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
    aOut.reserve(aOut.size() + 12 + oStore.pRoutes.size() * kRouteRecordSize +
                 oStore.pWaypoints.size() * kWaypointRecordSize +
                 oStore.pTrackPoints.size() * kTrackPointRecordSize);

    if (iKindMask & kKindRoutes) {
        oOut.vU32(static_cast<uint32_t>(oStore.pRoutes.size()));
        for (const auto &[lNumber, oRoute] : oStore.pRoutes) {
            vWriteRoute(oOut, oRoute);
            uint32_t lPoints = std::min<uint32_t>(oRoute.lPointCount, kMaxRoutePoints);
            for (uint32_t k = 0; k < lPoints; ++k) {
                vAddRoutePointName(oRoute.aszPoints[k]);
            }
        }
    } else {
        oOut.vU32(0);
    }

    if (iKindMask & kKindWaypoints) {
        oOut.vU32(static_cast<uint32_t>(oStore.pWaypoints.size()));
        for (const auto &[sName, oWaypoint] : oStore.pWaypoints) {
            vWriteWaypoint(oOut, oWaypoint);
        }
    } else if (iKindMask & kKindRoutes) {
        uint32_t lNamed = 0;
        for (const auto &[sName, oWaypoint] : oStore.pWaypoints) {
            lNamed += iHasRoutePointName(oWaypoint.szName) ? 1 : 0;
        }
        oOut.vU32(lNamed);
        for (const auto &[sName, oWaypoint] : oStore.pWaypoints) {
            if (iHasRoutePointName(oWaypoint.szName)) {
                vWriteWaypoint(oOut, oWaypoint);
            }
        }
    } else {
        oOut.vU32(0);
    }

    if (iKindMask & kKindTrackPoints) {
        oOut.vU32(static_cast<uint32_t>(oStore.pTrackPoints.size()));
        for (const TrackPoint &oPoint : oStore.pTrackPoints) {
            vWriteTrackPoint(oOut, oPoint);
        }
    } else {
        oOut.vU32(0);
    }
    vClearRoutePointNames();
}

int iWriteNativeFile(Workspace *pWorkspace, const char *pszFileName, int iKindMask) {
    std::vector<uint8_t> aImage;
    vBuildNativeImage(pWorkspace, iKindMask, aImage);
    OutputFile oFile;
    if (!oFile.iOpen(pszFileName, OutputFile::Mode::kBinary)) {
        return 0;
    }
    oFile.iWrite(aImage.data(), aImage.size());
    return oFile.iCommit();
}
