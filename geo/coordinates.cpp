#include "geo/coordinates.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/temp_string.h"
#include "geo/datums.h"
#include "geo/text_scan.h"
#include "geo/utm.h"

namespace {
constexpr const char *kPositionError = "Coordinate formatting error!";
constexpr const char *kAngleError = "Lat/Lon. formatting error!";

char *pszTempText(const char *pszText) {
    char *psz = pszGetTempString();
    std::snprintf(psz, kTempStringSize, "%s", pszText);
    return psz;
}

char cDegreeByte(int16_t sFormat) {
    switch (sFormat) {
    case 11:
    case 12:
    case 13:
        return kDegreeDos;
    default:
        return kDegreeAnsi;
    }
}

// Minutes shown with a fixed number of decimals must not print as 60: when
// rounding to the last printed digit reaches 60, the degree takes the carry.
void vCarryMinutes(double dHalfUnit, double *pdMinutes, int *piDegrees) {
    if (std::trunc(*pdMinutes + dHalfUnit) >= 60) {
        *pdMinutes -= 60;
        if (*pdMinutes < 0) {
            *pdMinutes = 0;
        }
        ++*piDegrees;
    }
}

// The same for a whole number of sub-units of a minute (tenths of seconds,
// milliseconds, thousandths of a minute).
void vCarrySubunits(int iUnitsPerMinute, int *piUnits, int *piMinutes, int *piDegrees) {
    if (*piUnits >= iUnitsPerMinute) {
        *piUnits -= iUnitsPerMinute;
        ++*piMinutes;
        if (*piMinutes >= 60) {
            *piMinutes -= 60;
            ++*piDegrees;
        }
    }
}
} // namespace

char *szFormatLatLon(double dAngle, int16_t sFormat, int fLatitude) {
    if (sFormat == 10) {
        char *psz = pszGetTempString();
        std::snprintf(psz, kTempStringSize, "%11.6f", dAngle);
        return psz;
    }
    if (sFormat < 1 || sFormat > 17 || sFormat == 4 || sFormat == 9) {
        return pszTempText(kAngleError);
    }
    char cHemisphere = 0;
    if (fLatitude) {
        cHemisphere = dAngle >= 0 ? 'N' : 'S';
    } else {
        cHemisphere = dAngle >= 0 ? 'E' : 'W';
    }
    double v = std::fabs(dAngle);
    // Degrees are a 16-bit field; an angle beyond that (or not a number) has no text.
    if (!(v < 32768.0)) {
        return pszTempText(kAngleError);
    }
    int iDegrees = static_cast<int16_t>(v);
    double M = (v - iDegrees) * 60;
    int iMinutes = static_cast<int16_t>(M);
    double f = M - iMinutes;
    int iTenths = static_cast<int>(f * 600 + 0.5);
    int iMillis = static_cast<int>(f * 60000 + 0.5);
    int iThousandths = static_cast<int>(f * 1000 + 0.5);
    switch (sFormat) {
    case 2:
    case 12:
    case 15:
        vCarryMinutes(0.0005, &M, &iDegrees);
        break;
    case 5:
        vCarryMinutes(0.005, &M, &iDegrees);
        break;
    case 7:
        vCarryMinutes(0.000005, &M, &iDegrees);
        break;
    case 3:
    case 11:
    case 14:
        vCarrySubunits(600, &iTenths, &iMinutes, &iDegrees);
        break;
    case 8:
        vCarrySubunits(60000, &iMillis, &iMinutes, &iDegrees);
        break;
    case 17:
        vCarrySubunits(1000, &iThousandths, &iMinutes, &iDegrees);
        break;
    default:
        break;
    }
    char cDegree = cDegreeByte(sFormat);
    char *psz = pszGetTempString();
    const size_t n = kTempStringSize;
    switch (sFormat) {
    case 1:
    case 13:
    case 16:
        std::snprintf(psz, n, fLatitude ? "%c%08.5f%c" : "%c%09.5f%c", cHemisphere, v, cDegree);
        break;
    case 2:
    case 12:
    case 15:
        std::snprintf(psz, n, fLatitude ? "%c%02d%c%06.3f'" : "%c%03d%c%06.3f'", cHemisphere,
                      iDegrees, cDegree, M);
        break;
    case 3:
    case 11:
        std::snprintf(psz, n, fLatitude ? "%c%02d%c%02d'%02d.%01d\"" : "%c%03d%c%02d'%02d.%01d\"",
                      cHemisphere, iDegrees, cDegree, iMinutes, iTenths / 10, iTenths % 10);
        break;
    case 14:
        std::snprintf(psz, n, fLatitude ? "%2d%c%02d'%02d.%01d\" %c" : "%3d%c%02d'%02d.%01d\" %c",
                      iDegrees, kDegreeAnsi, iMinutes, iTenths / 10, iTenths % 10, cHemisphere);
        break;
    case 5:
        std::snprintf(psz, n, fLatitude ? "%02d%05.2f,%c" : "%03d%05.2f,%c", iDegrees, M,
                      cHemisphere);
        break;
    case 6:
        std::snprintf(psz, n, fLatitude ? "%c%010.7f" : "%c%011.7f", cHemisphere, v);
        break;
    case 7:
        std::snprintf(psz, n, fLatitude ? "%c%02d%08.5f" : "%c%03d%08.5f", cHemisphere, iDegrees,
                      M);
        break;
    case 8:
        std::snprintf(psz, n, fLatitude ? "%c%02d%02d%02d.%03d" : "%c%03d%02d%02d.%03d",
                      cHemisphere, iDegrees, iMinutes, iMillis / 1000, iMillis % 1000);
        break;
    case 17:
        std::snprintf(psz, n, fLatitude ? "%02d%02d%03d%c" : "%03d%02d%03d%c", iDegrees, iMinutes,
                      iThousandths, cHemisphere);
        break;
    default:
        std::snprintf(psz, n, "%s", kAngleError);
        break;
    }
    return psz;
}

char *szFormatPosition(int16_t sDatum, double dLatitude, double dLongitude, int16_t sFormat) {
    if (sFormat < 1 || sFormat > 17) {
        return pszTempText(kPositionError);
    }
    vShiftDatum(sDatum, kShiftFromWgs84, &dLatitude, &dLongitude);
    if (sFormat == 4 || sFormat == 9) {
        return szFormatUtm(sDatum, dLatitude, dLongitude);
    }
    const char *pszLatitude = szFormatLatLon(dLatitude, sFormat, 1);
    const char *pszLongitude = szFormatLatLon(dLongitude, sFormat, 0);
    char *psz = pszGetTempString();
    switch (sFormat) {
    case 5:
    case 10:
        std::snprintf(psz, kTempStringSize, "%s,%s", pszLatitude, pszLongitude);
        break;
    case 6:
    case 7:
    case 8:
        std::snprintf(psz, kTempStringSize, "%-11s %-12s", pszLatitude, pszLongitude);
        break;
    case 17:
        std::snprintf(psz, kTempStringSize, "%s%s", pszLatitude, pszLongitude);
        break;
    default:
        std::snprintf(psz, kTempStringSize, "%-12s %-13s", pszLatitude, pszLongitude);
        break;
    }
    return psz;
}

namespace {
// A number that cannot be an angle (not finite, or more than a full turn) is
// garbage in the file, not a position.
bool fIsAngle(double d) {
    return std::isfinite(d) && std::fabs(d) <= 360.0;
}

// Applies the hemisphere character of a token; false for an unknown one.
bool fApplyHemisphere(char cHemisphere, int fLatitude, double *pdValue) {
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(cHemisphere)));
    if (c == '-' || c == (fLatitude ? 'S' : 'W')) {
        *pdValue = -*pdValue;
        return true;
    }
    return c == '+' || c == (fLatitude ? 'N' : 'E');
}

// "%c%lf" followed by the listed literals and numbers, as scanf counts fields.
int iScanHemisphereAndNumbers(const char *p, const char *pszLiterals, char *pcHemisphere,
                              double *adValues, int nMaxValues) {
    if (*p == '\0') {
        return 0;
    }
    *pcHemisphere = *p++;
    int nFields = 1;
    for (int i = 0; i < nMaxValues; ++i) {
        if (i > 0 && !fScanLiteral(p, pszLiterals[i - 1])) {
            break;
        }
        if (!fScanDouble(p, &adValues[i])) {
            break;
        }
        ++nFields;
    }
    return nFields;
}

// The fixed-column notation ddmmkkkH (latitude) or dddmmkkkH (longitude).
bool fReadCompact(const char *pszToken, int fLatitude, char *pcHemisphere, double *pdValue) {
    size_t nDegreeDigits = fLatitude ? 2 : 3;
    if (std::strlen(pszToken) < nDegreeDigits + 6) {
        return false;
    }
    char szDegrees[4] = {};
    std::memcpy(szDegrees, pszToken, nDegreeDigits);
    char szMinutes[7] = {};
    std::memcpy(szMinutes, pszToken + nDegreeDigits, 2);
    szMinutes[2] = '.';
    std::memcpy(szMinutes + 3, pszToken + nDegreeDigits + 2, 3);
    const char *p = szMinutes;
    double dMinutes = 0;
    if (!fScanDouble(p, &dMinutes)) {
        return false;
    }
    *pdValue = iReadLeadingInt(szDegrees) + dMinutes * (1.0 / 60.0);
    *pcHemisphere = pszToken[nDegreeDigits + 5];
    return true;
}
} // namespace

int iParseLatLon(char *pszToken, int16_t sFormat, int fLatitude, double *pdResult) {
    if (pszToken == nullptr || pdResult == nullptr) {
        return 0;
    }
    for (char *p = pszToken; *p != '\0'; ++p) {
        if (*p == kDegreeAnsi) {
            *p = kDegreeDos;
        }
    }
    if (sFormat == 0) {
        if (std::strchr(pszToken, '"') != nullptr) {
            sFormat = 3;
        } else if (std::strchr(pszToken, '\'') != nullptr) {
            sFormat = 2;
        } else {
            sFormat = 1;
        }
    }
    char cHemisphere = 0;
    double ad[3] = {};
    double dValue = 0;
    switch (sFormat) {
    case 1:
        if (iScanHemisphereAndNumbers(pszToken, "", &cHemisphere, ad, 1) < 2) {
            return 0;
        }
        dValue = ad[0];
        break;
    case 2: {
        const char acLiterals[] = {kDegreeDos, '\0'};
        if (iScanHemisphereAndNumbers(pszToken, acLiterals, &cHemisphere, ad, 2) < 3) {
            return 0;
        }
        dValue = ad[0] + ad[1] * (1.0 / 60.0);
        break;
    }
    case 3: {
        const char acLiterals[] = {kDegreeDos, '\'', '\0'};
        if (iScanHemisphereAndNumbers(pszToken, acLiterals, &cHemisphere, ad, 3) < 4) {
            return 0;
        }
        dValue = ad[0] + ad[1] * (1.0 / 60.0) + ad[2] * (1.0 / 3600.0);
        break;
    }
    case 6:
        if (iScanHemisphereAndNumbers(pszToken, "", &cHemisphere, ad, 1) < 2) {
            return 0;
        }
        dValue = ad[0];
        break;
    case 7: {
        if (iScanHemisphereAndNumbers(pszToken, "", &cHemisphere, ad, 1) < 2) {
            return 0;
        }
        double x = ad[0];
        double dDegrees = std::floor(x * 0.01);
        dValue = dDegrees + (x - 100 * dDegrees) * (1.0 / 60.0);
        break;
    }
    case 8: {
        if (iScanHemisphereAndNumbers(pszToken, "", &cHemisphere, ad, 1) < 2) {
            return 0;
        }
        double x = ad[0];
        double dSeconds = x - 100 * std::floor(x * 0.01);
        double y = std::floor(x * 0.01);
        double dMinutes = std::floor(y - 100 * std::floor(y * 0.01));
        double dDegrees = std::floor(y * 0.01);
        dValue = dDegrees + dMinutes * (1.0 / 60.0) + dSeconds * (1.0 / 3600.0);
        break;
    }
    case 10: {
        const char *p = pszToken;
        if (!fScanDouble(p, &dValue) || !fIsAngle(dValue)) {
            return 0;
        }
        *pdResult = dValue;
        return 1;
    }
    case 17:
        if (!fReadCompact(pszToken, fLatitude, &cHemisphere, &dValue)) {
            return 0;
        }
        break;
    default:
        return 0;
    }
    if (!fIsAngle(dValue)) {
        return 0;
    }
    *pdResult = dValue;
    if (!fApplyHemisphere(cHemisphere, fLatitude, pdResult)) {
        return 0;
    }
    return 1;
}

int iParsePosition(const char *pszText, int16_t sDatum, int16_t sFormat, double *pdLatitude,
                   double *pdLongitude) {
    if (pszText == nullptr || pdLatitude == nullptr || pdLongitude == nullptr) {
        return 0;
    }
    std::string sCopy(pszText);
    bool fLatLon = sCopy.find(kDegreeDos) != std::string::npos ||
                   sCopy.find(kDegreeAnsi) != std::string::npos || sFormat == 6 || sFormat == 7 ||
                   sFormat == 8;
    if (fLatLon) {
        char *pszRest = sCopy.data();
        auto pszToken = [&pszRest]() -> char * {
            while (*pszRest == ' ') {
                ++pszRest;
            }
            if (*pszRest == '\0') {
                return nullptr;
            }
            char *psz = pszRest;
            while (*pszRest != '\0' && *pszRest != ' ') {
                ++pszRest;
            }
            if (*pszRest == ' ') {
                *pszRest++ = '\0';
            }
            return psz;
        };
        char *pszLatitude = pszToken();
        if (pszLatitude == nullptr || !iParseLatLon(pszLatitude, sFormat, 1, pdLatitude)) {
            return 0;
        }
        char *pszLongitude = pszToken();
        if (pszLongitude == nullptr || !iParseLatLon(pszLongitude, sFormat, 0, pdLongitude)) {
            return 0;
        }
    } else if (!iParseUtm(sCopy.data(), sDatum, pdLatitude, pdLongitude)) {
        return 0;
    }
    vShiftDatum(sDatum, kShiftToWgs84, pdLatitude, pdLongitude);
    return 1;
}
