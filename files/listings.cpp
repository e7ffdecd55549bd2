#include "files/listings.h"

#include <cstdint>
#include <cstdio>

#include "base/temp_string.h"
#include "base/text_format.h"
#include "formats/output_file.h"
#include "geo/coordinates.h"
#include "geo/datums.h"
#include "geo/distance.h"
#include "geo/time_format.h"
#include "geo/units.h"
#include "store/workspace.h"

namespace {

constexpr int16_t kDatumEuro50 = 28;
constexpr int16_t kDatumWgs84Listing = 100;
constexpr int16_t kUtm = 4;
constexpr int16_t kListingDms = 14;
constexpr double kFeetPerMetre = 3.2808398950131;
constexpr double kKnotsPerKmh = 0.5396;

} // namespace

int iListWaypoints(Workspace *pWorkspace, const char *pszFileName) {
    if (pWorkspace == nullptr || !pWorkspace->pStore || pszFileName == nullptr) {
        return 0;
    }
    OutputFile oFile;
    if (!oFile.iOpen(pszFileName, OutputFile::Mode::kText)) {
        return 0;
    }
    const char *pszLine = "%-6s | %-20s | %-28s | %-28s | %-40s\n";
    oFile.iPrintf(pszLine, "Name", "Euro50 UTM", "Euro50 DMS", "WGS84 DMS", "Comment");
    for (const auto &[sName, oWaypoint] : pWorkspace->pStore->pWaypoints) {
        if (oFile.fFailed()) {
            break;
        }
        double dLatitude = dSemicirclesToDegrees(oWaypoint.lLatitude);
        double dLongitude = dSemicirclesToDegrees(oWaypoint.lLongitude);
        // The datum shift once for both European 1950 columns.
        char pszUtm[kTempStringSize];
        char pszEuroDms[kTempStringSize];
        char pszWgsDms[kTempStringSize];
        double dEuroLatitude = dLatitude;
        double dEuroLongitude = dLongitude;
        vShiftDatum(kDatumEuro50, kShiftFromWgs84, &dEuroLatitude, &dEuroLongitude);
        nFormatShiftedPosition(pszUtm, sizeof(pszUtm), kDatumEuro50, dEuroLatitude, dEuroLongitude,
                               kUtm);
        nFormatShiftedPosition(pszEuroDms, sizeof(pszEuroDms), kDatumEuro50, dEuroLatitude,
                               dEuroLongitude, kListingDms);
        nFormatPosition(pszWgsDms, sizeof(pszWgsDms), kDatumWgs84Listing, dLatitude, dLongitude,
                        kListingDms);
        oFile.iPrintf("%-6.50s | %-20s | %-28s | %-28s | %-40.50s\n", oWaypoint.szName, pszUtm,
                      pszEuroDms, pszWgsDms, oWaypoint.szComment);
    }
    return oFile.iCommit();
}

int iListTrackPoints(Workspace *pWorkspace, const char *pszFileName) {
    if (pWorkspace == nullptr || !pWorkspace->pStore || pszFileName == nullptr) {
        return 0;
    }
    const Workspace &w = *pWorkspace;
    OutputFile oFile;
    if (!oFile.iOpen(pszFileName, OutputFile::Mode::kText)) {
        return 0;
    }
    oFile.iPrintf("%-19s | %-28s | %-6s | %-8s | %-8s | %-8s | %-9s | %-11s | %-10s\n", "Date/Time",
                  "Position", "First", "Altitude", "Altitude", "Distance", "Speed", "Speed",
                  "Direction");
    bool fHavePrevious = false;
    double dPreviousLatitude = 0.0;
    double dPreviousLongitude = 0.0;
    int32_t lPreviousTime = 0;
    fForEachTrackPoint(*w.pStore, [&](const TrackPoint &oPoint) {
        if (oFile.fFailed()) {
            return false;
        }
        double dLatitude = dSemicirclesToDegrees(oPoint.lLatitude);
        double dLongitude = dSemicirclesToDegrees(oPoint.lLongitude);
        char pszTime[kTempStringSize];
        char pszPosition[kTempStringSize];
        nFormatTime(pszTime, sizeof(pszTime), oPoint.lTime, w.lUtcOffset, w.sDateFormat);
        nFormatPosition(pszPosition, sizeof(pszPosition), w.sDatum, dLatitude, dLongitude,
                        w.sCoordFormat);
        const char *pszFirst = oPoint.fNewSegment != 0 ? "Yes" : "No";
        // A point without altitude leaves both altitude columns blank.
        char szMetres[64] = "        ";
        char szFeet[64] = "        ";
        if (fHasAltitude(oPoint.fAltitude)) {
            double dMetres = static_cast<double>(oPoint.fAltitude);
            iFormatText(szMetres, sizeof(szMetres), "%6.0f m", dMetres);
            iFormatText(szFeet, sizeof(szFeet), "%5.0f ft", dMetres * kFeetPerMetre);
        }
        // A segment start, and the first point of all, has nothing to measure from.
        if (oPoint.fNewSegment != 0 || !fHavePrevious) {
            oFile.iPrintf("%-19s | %-28s | %-6s | %s | %s |          |           |             |\n",
                          pszTime, pszPosition, pszFirst, szMetres, szFeet);
        } else {
            double dDistance = 0.0;
            double dDirection = 0.0;
            vGridDistanceBearing(dPreviousLatitude, dPreviousLongitude, dLatitude, dLongitude,
                                 &dDistance, &dDirection);
            int32_t lSeconds = static_cast<int32_t>(static_cast<uint32_t>(oPoint.lTime) -
                                                    static_cast<uint32_t>(lPreviousTime));
            if (lSeconds == 0) {
                // Two points of the same time (untimed ones among them) have no speed.
                oFile.iPrintf("%-19s | %-28s | %-6s | %s | %s | %6.0lf m | %6s kt | %6s "
                              "km/h | %5.0lf\xB0\n",
                              pszTime, pszPosition, pszFirst, szMetres, szFeet, dDistance, "-", "-",
                              dDirection);
            } else {
                double dKmh = dDistance / lSeconds * 3.6;
                oFile.iPrintf("%-19s | %-28s | %-6s | %s | %s | %6.0lf m | %6.0lf kt | "
                              "%6.0lf km/h | %5.0lf\xB0\n",
                              pszTime, pszPosition, pszFirst, szMetres, szFeet, dDistance,
                              dKmh * kKnotsPerKmh, dKmh, dDirection);
            }
        }
        fHavePrevious = true;
        dPreviousLatitude = dLatitude;
        dPreviousLongitude = dLongitude;
        lPreviousTime = oPoint.lTime;
        return true;
    });
    return oFile.iCommit();
}
