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

size_t nFormatNmeaPoint(char *pszLine, size_t nSize, const TrackPoint &oPoint) {
    // Receiver output carries no datum: positions are WGS 84, times UTC.
    char szTime[kTempStringSize];
    char szPosition[kTempStringSize];
    char szDate[kTempStringSize];
    nFormatTime(szTime, sizeof(szTime), oPoint.lTime, 0, kTimeOfDayFormat);
    nFormatPosition(szPosition, sizeof(szPosition), kWgs84, dSemicirclesToDegrees(oPoint.lLatitude),
                    dSemicirclesToDegrees(oPoint.lLongitude), kNmeaCoordFormat);
    nFormatTime(szDate, sizeof(szDate), oPoint.lTime, 0, kDateFormat);
    int iLength = iFormatText(pszLine, nSize, "$GPRMC,%s,A,%s,000.0,360.0,%s,000.0,E*", szTime,
                              szPosition, szDate);
    if (iLength < 0 || nSize == 0) {
        return 0;
    }
    if (static_cast<size_t>(iLength) + 3 <= nSize) {
        iLength += iFormatText(pszLine + iLength, nSize - static_cast<size_t>(iLength), "%2.2X",
                               uNmeaChecksum(pszLine));
    }
    return static_cast<size_t>(iLength) < nSize ? static_cast<size_t>(iLength) : nSize - 1;
}

char *szFormatNmeaPoint(const TrackPoint &oPoint) {
    char *pszLine = pszGetTempString();
    nFormatNmeaPoint(pszLine, kTempStringSize, oPoint);
    return pszLine;
}

int iWriteNmeaTrackPoint(ExportContext &oContext, const TrackPoint &oPoint) {
    char szLine[kTempStringSize + 1];
    size_t n = nFormatNmeaPoint(szLine, kTempStringSize, oPoint);
    szLine[n] = '\n';
    return oContext.pFile->iWriteText(std::string_view(szLine, n + 1));
}
