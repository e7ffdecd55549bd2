#include "formats/export_driver.h"

#include "base/report.h"
#include "formats/export_format.h"
#include "formats/output_file.h"
#include "formats/route_point_names.h"
#include "store/file_kinds.h"
#include "store/route_place_names.h"
#include "store/workspace.h"

namespace {

// Runs the sections in the one order every format shares: track points,
// routes, waypoints. The first failing hook ends the walk; later sections and
// the trailer are skipped.
int iWalkStore(ExportContext &c, const ExportFormat &oFormat, int iKindMask) {
    DataStore &oStore = *c.pWorkspace->pStore;
    auto fGoOn = [&](int iResult) { return iResult != 0 && !c.pFile->fFailed(); };

    if (oFormat.pWriteHeader != nullptr && !fGoOn(oFormat.pWriteHeader(c))) {
        return 0;
    }
    if ((iKindMask & kKindTrackPoints) != 0) {
        c.fFirstInSection = true;
        if (oFormat.pPrepareTrack != nullptr && !fGoOn(oFormat.pPrepareTrack(c))) {
            return 0;
        }
        if (oFormat.pWriteTrackPoint != nullptr) {
            // Tracks follow one another; each after the first starts a segment.
            for (const Track &oTrack : oStore.aTracks) {
                c.pTrack = &oTrack;
                c.fFirstInTrack = true;
                for (const TrackPoint &oPoint : oTrack.aPoints) {
                    int iResult;
                    if (c.fFirstInTrack && !c.fFirstInSection && oPoint.fNewSegment == 0) {
                        TrackPoint oStart = oPoint;
                        oStart.fNewSegment = 1;
                        iResult = oFormat.pWriteTrackPoint(c, oStart);
                    } else {
                        iResult = oFormat.pWriteTrackPoint(c, oPoint);
                    }
                    if (!fGoOn(iResult)) {
                        return 0;
                    }
                    c.fFirstInSection = false;
                    c.fFirstInTrack = false;
                }
            }
            c.pTrack = nullptr;
        }
        if (oFormat.pCloseTrack != nullptr && !fGoOn(oFormat.pCloseTrack(c))) {
            return 0;
        }
    }
    // Formats that name waypoints give the own places of routes new names.
    RoutePlaceNames oNames;
    const bool fNamesOnly = c.iFileType == kFileTextExport || c.iFileType == kFileHexExport ||
                            (c.iFileType >= kFilePcx5 && c.iFileType <= kFilePcx5Proximity);
    if (fNamesOnly && (iKindMask & kKindRoutes) != 0) {
        if (!iNameRoutePlaces(oStore, kNameSize - 1, oNames)) {
            vReportError("cannot write '%s': out of memory", c.pszFileName);
            return 0;
        }
        c.pPlaceNames = &oNames;
    }
    if ((iKindMask & kKindRoutes) != 0 && oFormat.pWriteRoute != nullptr) {
        c.fFirstInSection = true;
        for (const auto &[lNumber, oRoute] : oStore.pRoutes) {
            if (!fGoOn(oFormat.pWriteRoute(c, oRoute))) {
                return 0;
            }
            // Without the waypoint bit, the waypoints the routes name are
            // still written, so that the routes can be read back whole.
            for (const RoutePointName &oName : oRoute.aszPoints) {
                vAddRoutePointName(oName);
            }
            c.fFirstInSection = false;
        }
    }
    if ((iKindMask & (kKindRoutes | kKindWaypoints)) != 0 && oFormat.pWriteWaypoint != nullptr) {
        c.fFirstInSection = true;
        bool fAll = (iKindMask & kKindWaypoints) != 0;
        // The store's waypoints and the renamed places, in one name order.
        auto itPlace = oNames.aPlaces.begin();
        auto fWritePlacesBefore = [&](const std::string *pName) {
            for (; itPlace != oNames.aPlaces.end() && (pName == nullptr || itPlace->first < *pName);
                 ++itPlace) {
                if (!fGoOn(oFormat.pWriteWaypoint(c, itPlace->second))) {
                    return false;
                }
                c.fFirstInSection = false;
            }
            return true;
        };
        for (const auto &[sName, oWaypoint] : oStore.pWaypoints) {
            if (!fWritePlacesBefore(&sName)) {
                return 0;
            }
            if (!fAll && !iHasRoutePointName(oWaypoint.szName)) {
                continue;
            }
            if (!fGoOn(oFormat.pWriteWaypoint(c, oWaypoint))) {
                return 0;
            }
            c.fFirstInSection = false;
        }
        if (!fWritePlacesBefore(nullptr)) {
            return 0;
        }
    }
    if (!oNames.aPlaces.empty()) {
        vReportNotice("'%s': %zu route points lie elsewhere than the waypoint of their name and "
                      "were written under new names",
                      c.pszFileName, oNames.aPlaces.size());
    }
    if (oFormat.pWriteTrailer != nullptr && !fGoOn(oFormat.pWriteTrailer(c))) {
        return 0;
    }
    return 1;
}

} // namespace

int iExportTextFile(Workspace *pWorkspace, const char *pszFileName, int iKindMask, int iFileType,
                    const ExportOptions &oOptions) {
    if (pWorkspace == nullptr || !pWorkspace->pStore || pszFileName == nullptr) {
        return 0;
    }
    const ExportFormat *pFormat = pFindExportFormat(iFileType);
    if (pFormat == nullptr) {
        vReportError("cannot write '%s': file type %d is not available in this build", pszFileName,
                     iFileType);
        return 0;
    }
    OutputFile oFile;
    if (!(oOptions.fNewFile ? oFile.iOpenNew(pszFileName, OutputFile::Mode::kText)
                            : oFile.iOpen(pszFileName, OutputFile::Mode::kText))) {
        return 0;
    }
    ExportContext c;
    c.pWorkspace = pWorkspace;
    c.pFile = &oFile;
    c.pszFileName = pszFileName;
    c.iFileType = iFileType;
    c.lWrittenTime = oOptions.lWrittenTime;
    if (pFormat->iForcedKindMask != 0) {
        iKindMask = pFormat->iForcedKindMask;
    }
    c.iKindMask = iKindMask;
    int iResult = iWalkStore(c, *pFormat, iKindMask);
    vClearRoutePointNames();
    if (iResult == 0) {
        // A half-written file would pass for a whole one; the target keeps
        // what it held before. A failed write has already said why.
        if (!oFile.fFailed()) {
            vReportError("cannot write '%s': the export stopped", pszFileName);
        }
        oFile.vDiscard();
        return 0;
    }
    return oFile.iCommit();
}

const Waypoint *pRoutePointOrReport(const ExportContext &oContext, const Route &oRoute,
                                    uint32_t nPoint) {
    const Waypoint *pWaypoint = nullptr;
    if (oContext.pPlaceNames != nullptr && oRoute.aOwnPlaces.count(nPoint) != 0) {
        auto it = oContext.pPlaceNames->aPlaces.find(
            std::string(pszRoutePointName(*oContext.pPlaceNames, oRoute, nPoint)));
        pWaypoint = it != oContext.pPlaceNames->aPlaces.end() ? &it->second : nullptr;
    } else {
        pWaypoint = pRoutePlace(oContext.pWorkspace, oRoute, nPoint);
    }
    if (pWaypoint == nullptr) {
        vReportError("'%s': route %u names waypoint '%.50s', which is not stored; left out",
                     oContext.pszFileName, oRoute.lNumber, oRoute.aszPoints[nPoint].sz);
    }
    return pWaypoint;
}

const char *pszExportRoutePointName(const ExportContext &oContext, const Route &oRoute,
                                    uint32_t nPoint) {
    return oContext.pPlaceNames != nullptr
               ? pszRoutePointName(*oContext.pPlaceNames, oRoute, nPoint)
               : oRoute.aszPoints[nPoint].sz;
}
