#include "files/listings.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

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

// Lines are built field by field in a buffer that holds the longest: each
// position or time is written straight into it as into a temporary string,
// names and comments are cut to 50 characters, numbers take a few dozen.
constexpr size_t kLineSize = 2048;
static_assert(kLineSize >= 4 * kTempStringSize + 2 * 50 + 10 * kPutRoom + 200);
constexpr std::string_view kSeparator = " | ";

// A name or comment as "%.50s" takes it: up to its terminator, at most 50 characters.
std::string_view svCut(const char *psz) {
    const void *pEnd = std::memchr(psz, '\0', 50);
    return std::string_view(
        psz, pEnd != nullptr ? static_cast<size_t>(static_cast<const char *>(pEnd) - psz) : 50);
}

// The text of n characters just written at p, left-aligned in a column of
// nWidth as "%-Ws" pads it; returns the end.
char *pPadded(char *p, size_t n, size_t nWidth) {
    for (; n < nWidth; ++n) {
        p[n] = ' ';
    }
    return p + n;
}

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
    // Each line as "%-6.50s | %-20s | %-28s | %-28s | %-40.50s\n" writes it.
    char acLine[kLineSize];
    for (const auto &[sName, oWaypoint] : pWorkspace->pStore->pWaypoints) {
        if (oFile.fFailed()) {
            break;
        }
        double dLatitude = dSemicirclesToDegrees(oWaypoint.lLatitude);
        double dLongitude = dSemicirclesToDegrees(oWaypoint.lLongitude);
        // The datum shift once for both European 1950 columns.
        double dEuroLatitude = dLatitude;
        double dEuroLongitude = dLongitude;
        vShiftDatum(kDatumEuro50, kShiftFromWgs84, &dEuroLatitude, &dEuroLongitude);
        char *p = pPutText(acLine, svCut(oWaypoint.szName), -6);
        p = pPutText(p, kSeparator);
        p = pPadded(p,
                    nFormatShiftedPosition(p, kTempStringSize, kDatumEuro50, dEuroLatitude,
                                           dEuroLongitude, kUtm),
                    20);
        p = pPutText(p, kSeparator);
        p = pPadded(p,
                    nFormatShiftedPosition(p, kTempStringSize, kDatumEuro50, dEuroLatitude,
                                           dEuroLongitude, kListingDms),
                    28);
        p = pPutText(p, kSeparator);
        p = pPadded(p,
                    nFormatPosition(p, kTempStringSize, kDatumWgs84Listing, dLatitude, dLongitude,
                                    kListingDms),
                    28);
        p = pPutText(p, kSeparator);
        p = pPutText(p, svCut(oWaypoint.szComment), -40);
        *p++ = '\n';
        oFile.iWriteText(std::string_view(acLine, static_cast<size_t>(p - acLine)));
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
