#include "formats/nmea_export.h"

#include <cstdio>
#include <cstring>

#include "base/temp_string.h"
#include "base/text_format.h"
#include "formats/export_format.h"
#include "formats/output_file.h"
#include "geo/coordinates.h"
#include "geo/time_format.h"
#include "geo/units.h"
#include "store/records.h"

namespace {
constexpr int16_t kWgs84 = 100;
constexpr int16_t kNmeaCoordFormat = 5; // ddmm.mm,H,dddmm.mm,H
constexpr int16_t kTimeOfDayFormat = 3; // hhmmss
constexpr int16_t kDateFormat = 4;      // ddmmyy
} // namespace

unsigned uNmeaChecksum(const char *pszSentence) {
    const char *p = pszSentence;
    if (*p == '$') {
        ++p;
    }
    unsigned uSum = 0;
    for (; *p != '\0' && *p != '*'; ++p) {
        uSum ^= static_cast<unsigned char>(*p);
    }
    return uSum;
}

char *szFormatNmeaPoint(const TrackPoint &oPoint) {
    char *pszLine = pszGetTempString();
    // Receiver output carries no datum: positions are WGS 84, times UTC.
    int iLength =
        iFormatText(pszLine, kTempStringSize, "$GPRMC,%s,A,%s,000.0,360.0,%s,000.0,E*",
                    szFormatTime(oPoint.lTime, 0, kTimeOfDayFormat),
                    szFormatPosition(kWgs84, dSemicirclesToDegrees(oPoint.lLatitude),
                                     dSemicirclesToDegrees(oPoint.lLongitude), kNmeaCoordFormat),
                    szFormatTime(oPoint.lTime, 0, kDateFormat));
    if (iLength > 0 && static_cast<size_t>(iLength) + 3 <= kTempStringSize) {
        iFormatText(pszLine + iLength, kTempStringSize - static_cast<size_t>(iLength), "%2.2X",
                    uNmeaChecksum(pszLine));
    }
    return pszLine;
}

int iWriteNmeaTrackPoint(ExportContext &oContext, const TrackPoint &oPoint) {
    return oContext.pFile->iPrintf("%s\n", szFormatNmeaPoint(oPoint));
}
