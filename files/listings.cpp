#include "files/listings.h"

#include <cmath>
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
#include "geo/utm.h"
#include "store/workspace.h"

namespace {

constexpr int16_t kDatumEuro50 = 28;
constexpr int16_t kListingDms = 14;
constexpr double kFeetPerMetre = 3.2808398950131;
constexpr double kKnotsPerKmh = 0.5396;

// Lines are built field by field straight into the output block, in room
// that holds the longest: each time or grid reference is written there as
// into a temporary string, each position takes kPositionRoom, names and
// comments are cut to 50 characters, numbers take a few dozen.
constexpr size_t kLineSize = 4096;
static_assert(kLineSize >= 3 * kTempStringSize + 2 * kPositionRoom + 2 * 50 + 10 * kPutRoom + 200);

// A literal piece of a line, copied as one block of known length.
template <size_t N> char *pLiteral(char *p, const char (&ac)[N]) {
    std::memcpy(p, ac, N - 1);
    return p + N - 1;
}

// A name or comment as "%.50s" takes it: up to its terminator, at most 50 characters.
std::string_view svCut(const char *psz) {
    const void *pEnd = std::memchr(psz, '\0', 50);
    return std::string_view(
        psz, pEnd != nullptr ? static_cast<size_t>(static_cast<const char *>(pEnd) - psz) : 50);
}

// The text of n characters just written at p, left-aligned in a column of
// nWidth as "%-Ws" pads it; returns the end. Blanks go in blocks of 16, the
// last reaching up to 15 past the end, which the line has room for.
char *pPadded(char *p, size_t n, size_t nWidth) {
    if (n >= nWidth) {
        return p + n;
    }
    for (size_t k = n; k < nWidth; k += 16) {
        std::memcpy(p + k, "                ", 16);
    }
    return p + nWidth;
}

// True when v, printed with no decimals, could print otherwise from a value
// dError away (or is too large or not a number to judge). Near zero the sign
// could change, and "-0" print for "0".
bool fNearHalf(double v, double dError) {
    if (!(std::fabs(v) < 1e9) || (dError > 0 && std::fabs(v) <= dError)) {
        return true;
    }
    const double dPart = std::fabs(v - static_cast<double>(static_cast<int64_t>(v)));
    return !(std::fabs(dPart - 0.5) > dError);
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
        const std::string_view svName = svCut(oWaypoint.szName);
        const std::string_view svComment = svCut(oWaypoint.szComment);
        // The store keeps no line feeds in names and comments; one that got
        // there all the same takes the file's line end, as text written whole does.
        const bool fLineFeeds = svName.find('\n') != std::string_view::npos ||
                                svComment.find('\n') != std::string_view::npos;
        char *pLine = fLineFeeds ? acLine : oFile.pLineRoom(kLineSize);
        if (pLine == nullptr) {
            break;
        }
        double dLatitude = dSemicirclesToDegrees(oWaypoint.lLatitude);
        double dLongitude = dSemicirclesToDegrees(oWaypoint.lLongitude);
        // The datum shift once for both European 1950 columns.
        double dEuroLatitude = dLatitude;
        double dEuroLongitude = dLongitude;
        vShiftDatum(kDatumEuro50, kShiftFromWgs84, &dEuroLatitude, &dEuroLongitude);
        char *p = pPutText(pLine, svName, -6);
        p = pLiteral(p, " | ");
        p = pPadded(p, nFormatUtm(p, kTempStringSize, kDatumEuro50, dEuroLatitude, dEuroLongitude),
                    20);
        p = pLiteral(p, " | ");
        p = pPutShiftedPosition(p, kDatumEuro50, dEuroLatitude, dEuroLongitude, kListingDms, 28);
        p = pLiteral(p, " | ");
        // WGS 84 is the datum positions are kept in: nothing to shift.
        p = pPutShiftedPosition(p, kDatumWgs84, dLatitude, dLongitude, kListingDms, 28);
        p = pLiteral(p, " | ");
        p = pPutText(p, svComment, -40);
        if (fLineFeeds) {
            *p++ = '\n';
            oFile.iWriteText(std::string_view(acLine, static_cast<size_t>(p - acLine)));
        } else {
            oFile.iEndLine(p);
        }
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
    GridWalk oWalk;
    // Each line as "%-19s | %-28s | %-6s | %s | %s | " and the measured columns
    // "%6.0lf m | %6.0lf kt | %6.0lf km/h | %5.0lf\xB0\n" write it.
    fForEachTrackPoint(*w.pStore, [&](const TrackPoint &oPoint) {
        char *p = oFile.pLineRoom(kLineSize);
        if (p == nullptr) {
            return false;
        }
        double dLatitude = dSemicirclesToDegrees(oPoint.lLatitude);
        double dLongitude = dSemicirclesToDegrees(oPoint.lLongitude);
        // A segment start, and the first point of all, has nothing to measure
        // from. The step is measured first, so that its arithmetic goes on
        // while the time and position are written.
        const bool fMeasured = oPoint.fNewSegment == 0 && fHavePrevious;
        double dDistance = 0.0;
        double dDirection = 0.0;
        double dDistanceError = 0.0;
        double dDirectionError = 0.0;
        const int iDecided =
            fMeasured &&
            iWalkGridStep(oWalk, dPreviousLatitude, dPreviousLongitude, dLatitude, dLongitude,
                          &dDistance, &dDirection, &dDistanceError, &dDirectionError);
        p = pPadded(p, nFormatTime(p, kTempStringSize, oPoint.lTime, w.lUtcOffset, w.sDateFormat),
                    19);
        p = pLiteral(p, " | ");
        // The position as nFormatPosition writes it: shifted, then written.
        double dShiftedLatitude = dLatitude;
        double dShiftedLongitude = dLongitude;
        vShiftDatum(w.sDatum, kShiftFromWgs84, &dShiftedLatitude, &dShiftedLongitude);
        p = pPutShiftedPosition(p, w.sDatum, dShiftedLatitude, dShiftedLongitude, w.sCoordFormat,
                                28);
        p = oPoint.fNewSegment != 0 ? pLiteral(p, " | Yes    | ") : pLiteral(p, " | No     | ");
        // A point without altitude leaves both altitude columns blank.
        if (fHasAltitude(oPoint.fAltitude)) {
            double dMetres = static_cast<double>(oPoint.fAltitude);
            p = pPutWhole(p, dMetres, 6);
            p = pLiteral(p, " m | ");
            p = pPutWhole(p, dMetres * kFeetPerMetre, 5);
            p = pLiteral(p, " ft | ");
        } else {
            p = pLiteral(p, "         |          | ");
        }
        if (!fMeasured) {
            p = pLiteral(p, "         |           |             |");
        } else {
            int32_t lSeconds = static_cast<int32_t>(static_cast<uint32_t>(oPoint.lTime) -
                                                    static_cast<uint32_t>(lPreviousTime));
            // The speeds scale the distance's error up by 3.6 at most.
            const double dSpeedError = 4 * dDistanceError;
            if (!iDecided || fNearHalf(dDistance, dDistanceError) ||
                fNearHalf(dDirection, dDirectionError) ||
                (lSeconds != 0 &&
                 (fNearHalf(dDistance / lSeconds * 3.6, dSpeedError) ||
                  fNearHalf(dDistance / lSeconds * 3.6 * kKnotsPerKmh, dSpeedError)))) {
                // Near a rounding edge: the exact projections decide.
                vGridDistanceBearing(dPreviousLatitude, dPreviousLongitude, dLatitude, dLongitude,
                                     &dDistance, &dDirection);
            }
            p = pPutWhole(p, dDistance, 6);
            if (lSeconds == 0) {
                // Two points of the same time (untimed ones among them) have no speed.
                p = pLiteral(p, " m |      - kt |      - km/h | ");
            } else {
                double dKmh = dDistance / lSeconds * 3.6;
                p = pLiteral(p, " m | ");
                p = pPutWhole(p, dKmh * kKnotsPerKmh, 6);
                p = pLiteral(p, " kt | ");
                p = pPutWhole(p, dKmh, 6);
                p = pLiteral(p, " km/h | ");
            }
            p = pPutWhole(p, dDirection, 5);
            p = pLiteral(p, "\xB0");
        }
        oFile.iEndLine(p);
        fHavePrevious = true;
        dPreviousLatitude = dLatitude;
        dPreviousLongitude = dLongitude;
        lPreviousTime = oPoint.lTime;
        return true;
    });
    return oFile.iCommit();
}
