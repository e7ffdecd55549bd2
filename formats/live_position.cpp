#include "formats/live_position.h"

#include <cerrno>
#include <cmath>
#include <cstring>

#include "base/report.h"
#include "formats/gpx.h"
#include "formats/nmea_export.h"
#include "geo/coordinates.h"
#include "geo/time_format.h"

namespace {

constexpr int16_t kWgs84 = 100;
constexpr int16_t kNmeaCoordFormat = 5; // ddmm.mm,H,dddmm.mm,H
constexpr int16_t kTimeOfDayFormat = 3; // hhmmss
constexpr int16_t kDateFormat = 4;      // ddmmyy
constexpr double kKnotsPerMetrePerSecond = 3600.0 / 1852.0;

// NMEA sentences end with CR LF on every platform and in every file.
constexpr const char *kszNmeaLineEnd = "\r\n";

constexpr const char *kszGpxClosing = "    </trkseg>\r\n  </trk>\r\n</gpx>\r\n";

int32_t lDeviceTime(const PositionFix &o) {
    return static_cast<int32_t>(std::floor(dFixTime(o)));
}

double dDegrees(double dRadians) {
    return dRadians * kdRadiansToDegrees;
}

// Closes a sentence: "*" and the checksum of what lies between "$" and it.
std::string sWithChecksum(std::string s) {
    char szSum[8];
    std::snprintf(szSum, sizeof(szSum), "*%2.2X", uNmeaChecksum(s.c_str()));
    return s + szSum;
}

bool fEndsWithNoCase(const std::string &s, const char *pszEnd) {
    const size_t n = std::strlen(pszEnd);
    if (s.size() < n) {
        return false;
    }
    for (size_t i = 0; i < n; ++i) {
        char c = s[s.size() - n + i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        if (c != pszEnd[i]) {
            return false;
        }
    }
    return true;
}

const char *pszGpxFix(const PositionFix &o) {
    switch (o.sFixType) {
    case kFix2d:
        return "2d";
    case kFix3d:
        return "3d";
    default:
        return "dgps";
    }
}

} // namespace

LiveFormat eLiveFormatOf(const char *pszFile) {
    const std::string s = pszFile;
    if (s == "-" || fEndsWithNoCase(s, ".NME")) {
        return LiveFormat::kNmea;
    }
    if (fEndsWithNoCase(s, ".GPX")) {
        return LiveFormat::kGpx;
    }
    if (fEndsWithNoCase(s, ".KML")) {
        return LiveFormat::kKml;
    }
    return LiveFormat::kNone;
}

std::string sFormatLiveRmc(const PositionFix &o) {
    const int32_t lTime = lDeviceTime(o);
    char szLine[160];
    std::snprintf(
        szLine, sizeof(szLine), "$GPRMC,%s,A,%s,%05.1f,%05.1f,%s,000.0,E",
        szFormatTime(lTime, 0, kTimeOfDayFormat),
        szFormatPosition(kWgs84, dDegrees(o.dLatitude), dDegrees(o.dLongitude), kNmeaCoordFormat),
        dFixSpeed(o) * kKnotsPerMetrePerSecond, dFixCourse(o), szFormatTime(lTime, 0, kDateFormat));
    return sWithChecksum(szLine);
}

std::string sFormatLiveGga(const PositionFix &o) {
    // Quality 1 for a fix of the satellites alone, 2 with differential
    // corrections. D800 carries neither the satellite count nor the HDOP.
    const int iQuality =
        o.sFixType == kFix2dDifferential || o.sFixType == kFix3dDifferential ? 2 : 1;
    char szLine[160];
    std::snprintf(
        szLine, sizeof(szLine), "$GPGGA,%s,%s,%d,,,%.1f,M,%.1f,M,,",
        szFormatTime(lDeviceTime(o), 0, kTimeOfDayFormat),
        szFormatPosition(kWgs84, dDegrees(o.dLatitude), dDegrees(o.dLongitude), kNmeaCoordFormat),
        iQuality, dFixAltitudeAboveSeaLevel(o),
        // The geoid above the ellipsoid: the opposite of the unit's figure.
        -static_cast<double>(o.fMslHeight));
    return sWithChecksum(szLine);
}

LivePositionSink::~LivePositionSink() {
    iClose();
}

int LivePositionSink::iOpen(const char *pszFile, std::FILE *pStream) {
    m_eFormat = eLiveFormatOf(pszFile);
    m_sFile = pszFile;
    if (m_sFile == "-") {
        m_pStream = pStream;
        m_fOwnStream = false;
    }
    return m_eFormat == LiveFormat::kNone ? 0 : 1;
}

int LivePositionSink::iFail(const char *pszWhat) {
    if (!m_fFailed) {
        vReportError("cannot %s '%s': %s", pszWhat, m_sFile.c_str(), std::strerror(errno));
    }
    m_fFailed = true;
    return 0;
}

int LivePositionSink::iStart() {
    if (m_pStream != nullptr || m_eFormat == LiveFormat::kKml) {
        return 1;
    }
    // Written in place and growing while the run lasts, so that other
    // programs can follow it.
    m_pStream = std::fopen(m_sFile.c_str(), m_eFormat == LiveFormat::kGpx ? "wb+" : "wb");
    if (m_pStream == nullptr) {
        return iFail("write");
    }
    m_fOwnStream = true;
    if (m_eFormat == LiveFormat::kGpx) {
        std::fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                   "<gpx version=\"1.1\" creator=\"Quillox\""
                   " xmlns=\"http://www.topografix.com/GPX/1/1\""
                   " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
                   " xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1"
                   " http://www.topografix.com/GPX/1/1/gpx.xsd\">\r\n"
                   "  <trk>\r\n    <name>Live position</name>\r\n    <trkseg>\r\n",
                   m_pStream);
        m_lGpxEnd = std::ftell(m_pStream);
    }
    return 1;
}

int LivePositionSink::iWriteNmea(const PositionFix &o) {
    const std::string s = sFormatLiveRmc(o) + kszNmeaLineEnd + sFormatLiveGga(o) + kszNmeaLineEnd;
    if (std::fwrite(s.data(), 1, s.size(), m_pStream) != s.size() || std::fflush(m_pStream) != 0) {
        return iFail("write");
    }
    return 1;
}

int LivePositionSink::iWriteGpx(const PositionFix &o) {
    char szPoint[320];
    char szTime[40];
    nFormatGpxTime(lDeviceTime(o), szTime);
    std::snprintf(szPoint, sizeof(szPoint),
                  "      <trkpt lat=\"%.9f\" lon=\"%.9f\"><ele>%.2f</ele><time>%s</time>"
                  "<fix>%s</fix></trkpt>\r\n",
                  dDegrees(o.dLatitude), dDegrees(o.dLongitude), dFixAltitudeAboveSeaLevel(o),
                  szTime, pszGpxFix(o));
    // The point and the closing tags after it in one write over the old
    // closing tags: the file only grows, and is whole again after each write.
    const std::string s = std::string(szPoint) + kszGpxClosing;
    if (std::fseek(m_pStream, m_lGpxEnd, SEEK_SET) != 0 ||
        std::fwrite(s.data(), 1, s.size(), m_pStream) != s.size() || std::fflush(m_pStream) != 0) {
        return iFail("write");
    }
    m_lGpxEnd += static_cast<long>(std::strlen(szPoint));
    return 1;
}

int LivePositionSink::iWriteKml() {
    const PositionFix &oNow = m_aTrail.back();
    char szTime[40];
    nFormatGpxTime(lDeviceTime(oNow), szTime);
    OutputFile oFile;
    if (!oFile.iOpen(m_sFile.c_str(), OutputFile::Mode::kText)) {
        m_fFailed = true;
        return 0;
    }
    oFile.iWriteText("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<kml xmlns=\"http://earth.google.com/kml/2.1\">\n"
                     "  <Document>\n"
                     "    <name>Quillox live position</name>\n"
                     "    <Style id=\"trail\">\n"
                     "      <LineStyle>\n"
                     "        <color>7F00FF00</color>\n"
                     "        <width>4</width>\n"
                     "      </LineStyle>\n"
                     "    </Style>\n"
                     "    <Placemark>\n"
                     "      <name>Position</name>\n");
    oFile.iPrintf("      <TimeStamp><when>%s</when></TimeStamp>\n"
                  "      <Point>\n"
                  "        <coordinates>%.9f,%.9f,%.1f</coordinates>\n"
                  "      </Point>\n"
                  "    </Placemark>\n"
                  "    <Placemark>\n"
                  "      <name>Trail</name>\n"
                  "      <styleUrl>#trail</styleUrl>\n"
                  "      <LineString>\n"
                  "        <tessellate>1</tessellate>\n"
                  "        <coordinates>\n",
                  szTime, dDegrees(oNow.dLongitude), dDegrees(oNow.dLatitude),
                  dFixAltitudeAboveSeaLevel(oNow));
    for (const PositionFix &o : m_aTrail) {
        oFile.iPrintf("          %.9f,%.9f,%.1f\n", dDegrees(o.dLongitude), dDegrees(o.dLatitude),
                      dFixAltitudeAboveSeaLevel(o));
    }
    oFile.iWriteText("        </coordinates>\n"
                     "      </LineString>\n"
                     "    </Placemark>\n"
                     "  </Document>\n"
                     "</kml>\n");
    if (!oFile.iCommit()) {
        m_fFailed = true;
        return 0;
    }
    return 1;
}

int LivePositionSink::iWrite(const PositionFix &o) {
    if (m_fFailed || m_eFormat == LiveFormat::kNone) {
        return 0;
    }
    if (!iFixHasPosition(o)) {
        return 1;
    }
    if (!iStart()) {
        return 0;
    }
    int iResult = 0;
    switch (m_eFormat) {
    case LiveFormat::kNmea:
        iResult = iWriteNmea(o);
        break;
    case LiveFormat::kGpx:
        iResult = iWriteGpx(o);
        break;
    case LiveFormat::kKml:
        m_aTrail.push_back(o);
        if (m_aTrail.size() > kKmlTrailFixes) {
            m_aTrail.pop_front();
        }
        iResult = iWriteKml();
        break;
    case LiveFormat::kNone:
        break;
    }
    if (iResult) {
        ++m_lWritten;
    }
    return iResult;
}

int LivePositionSink::iClose() {
    if (m_pStream != nullptr && m_fOwnStream) {
        if (std::fclose(m_pStream) != 0) {
            iFail("write");
        }
    }
    m_pStream = nullptr;
    m_fOwnStream = false;
    return m_fFailed ? 0 : 1;
}
