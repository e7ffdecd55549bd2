#include "geo/coordinates.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>

#include "base/temp_string.h"
#include "base/text_format.h"
#include "geo/datums.h"
#include "geo/text_scan.h"
#include "geo/units.h"
#include "geo/utm.h"

namespace {
constexpr const char *kPositionError = "Coordinate formatting error!";
constexpr const char *kAngleError = "Lat/Lon. formatting error!";

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

// What a notation's number carries below the degree.
enum class AngleUnit {
    kSignedDegrees, // a signed decimal number, no hemisphere
    kDegrees,       // decimal degrees
    kMinutes,       // whole degrees and decimal minutes
    kMinuteParts,   // whole degrees, whole minutes and whole parts of a minute
    kUtm,           // no angle text: the position is a UTM grid reference
};

enum class HemispherePlace { kNone, kLeading, kTrailing };

// How the notation's own reader takes an angle back.
enum class AngleReading {
    kNotRead,          // no reader for this notation
    kSeparatedNumbers, // hemisphere, then degrees [degree sign, minutes [', seconds]]
    kPackedNumber,     // hemisphere, then one number dddmm.mmm or dddmmss.sss
    kSignedNumber,     // one signed number
    kFixedColumns,     // ddmmkkkH
};

// One coordinate notation. The printf forms write the number of an angle;
// a '*' in them stands for the degree byte. Their arguments follow the unit:
// degrees the absolute angle; minutes whole degrees and minutes; minute parts
// whole degrees, whole minutes, parts / iPartSplit and parts % iPartSplit.
struct Notation {
    int16_t sFormat;
    AngleUnit eUnit;
    // kMinutes: half the last printed digit, past which the minutes round up
    // to 60 and carry into the degree.
    double dMinutesHalfDigit;
    // kMinuteParts: parts per minute (600 tenths of a second, 60000
    // milliseconds of arc, 1000 thousandths of a minute) and how they print.
    int iPartsPerMinute;
    int iPartSplit;
    const char *pszLatitudeForm;
    const char *pszLongitudeForm;
    HemispherePlace eHemisphere;
    char cDegree;                // 0: none
    const char *pszPositionForm; // latitude and longitude text into one position
    AngleReading eReading;
};

constexpr char kDegreeMark = '*';
constexpr const char *kPlainPosition = "%-12s %-13s";
constexpr const char *kPcxPosition = "%-11s %-12s";
// Two angles joined without padding.
constexpr const char *kCommaPosition = "%s,%s";
constexpr const char *kJoinedPosition = "%s%s";

using enum AngleUnit;
using enum HemispherePlace;
using enum AngleReading;

// The notation of format n is row n - 1.
constexpr Notation kaNotations[] = {
    // format, unit, minutes' half digit, parts per minute, part split, latitude
    // form, longitude form, hemisphere, degree byte, position form, reading
    {1, kDegrees, 0, 0, 0, "%08.5f*", "%09.5f*", kLeading, kDegreeAnsi, kPlainPosition,
     kSeparatedNumbers},
    {2, kMinutes, 0.0005, 0, 0, "%02d*%06.3f'", "%03d*%06.3f'", kLeading, kDegreeAnsi,
     kPlainPosition, kSeparatedNumbers},
    {3, kMinuteParts, 0, 600, 10, "%02d*%02d'%02d.%01d\"", "%03d*%02d'%02d.%01d\"", kLeading,
     kDegreeAnsi, kPlainPosition, kSeparatedNumbers},
    {4, kUtm, 0, 0, 0, nullptr, nullptr, kNone, 0, nullptr, kNotRead},
    {5, kMinutes, 0.005, 0, 0, "%02d%05.2f,", "%03d%05.2f,", kTrailing, 0, kCommaPosition,
     kNotRead},
    {6, kDegrees, 0, 0, 0, "%010.7f", "%011.7f", kLeading, 0, kPcxPosition, kSeparatedNumbers},
    {7, kMinutes, 0.000005, 0, 0, "%02d%08.5f", "%03d%08.5f", kLeading, 0, kPcxPosition,
     kPackedNumber},
    {8, kMinuteParts, 0, 60000, 1000, "%02d%02d%02d.%03d", "%03d%02d%02d.%03d", kLeading, 0,
     kPcxPosition, kPackedNumber},
    {9, kUtm, 0, 0, 0, nullptr, nullptr, kNone, 0, nullptr, kNotRead},
    {10, kSignedDegrees, 0, 0, 0, "%11.6f", "%11.6f", kNone, 0, kCommaPosition, kSignedNumber},
    {11, kMinuteParts, 0, 600, 10, "%02d*%02d'%02d.%01d\"", "%03d*%02d'%02d.%01d\"", kLeading,
     kDegreeDos, kPlainPosition, kNotRead},
    {12, kMinutes, 0.0005, 0, 0, "%02d*%06.3f'", "%03d*%06.3f'", kLeading, kDegreeDos,
     kPlainPosition, kNotRead},
    {13, kDegrees, 0, 0, 0, "%08.5f*", "%09.5f*", kLeading, kDegreeDos, kPlainPosition, kNotRead},
    {14, kMinuteParts, 0, 600, 10, "%2d*%02d'%02d.%01d\" ", "%3d*%02d'%02d.%01d\" ", kTrailing,
     kDegreeAnsi, kPlainPosition, kNotRead},
    {15, kMinutes, 0.0005, 0, 0, "%02d*%06.3f'", "%03d*%06.3f'", kLeading, kDegreeAnsi,
     kPlainPosition, kNotRead},
    {16, kDegrees, 0, 0, 0, "%08.5f*", "%09.5f*", kLeading, kDegreeAnsi, kPlainPosition, kNotRead},
    {17, kMinuteParts, 0, 1000, 1, "%02d%02d%03d", "%03d%02d%03d", kTrailing, 0, kJoinedPosition,
     kFixedColumns},
};

constexpr bool fRowsInOrder() {
    for (size_t n = 0; n < std::size(kaNotations); ++n) {
        if (kaNotations[n].sFormat != static_cast<int16_t>(n + 1)) {
            return false;
        }
    }
    return true;
}
static_assert(fRowsInOrder(), "the notation of format n is row n - 1");

// The row of a format number, or nullptr for a number without notation.
const Notation *pNotation(int16_t sFormat) {
    if (sFormat < 1 || sFormat > static_cast<int16_t>(std::size(kaNotations))) {
        return nullptr;
    }
    return &kaNotations[sFormat - 1];
}

} // namespace

namespace {
// The length snprintf reports, cut to what the buffer holds.
size_t nStored(int iLength, size_t nSize) {
    if (iLength < 0 || nSize == 0) {
        return 0;
    }
    return static_cast<size_t>(iLength) < nSize ? static_cast<size_t>(iLength) : nSize - 1;
}

size_t nCopyText(char *pszOut, size_t nSize, const char *pszText) {
    return nStored(iFormatText(pszOut, nSize, "%s", pszText), nSize);
}
} // namespace

namespace {
// Writes a notation's number form (a '*' for the degree byte, conversions
// "%[0]Wd" and "%[0]W.Pf" only) with the values in order: the integers of
// aiValues for each d, dValue for the f. Returns the end.
char *pPutAngleForm(char *p, const char *pszForm, char cDegree, const int *aiValues,
                    double dValue) {
    for (const char *q = pszForm; *q != '\0'; ++q) {
        if (*q != '%') {
            *p++ = *q == kDegreeMark ? cDegree : *q;
            continue;
        }
        ++q;
        const char cPad = *q == '0' ? '0' : ' ';
        int iWidth = 0;
        for (; *q >= '0' && *q <= '9'; ++q) {
            iWidth = iWidth * 10 + (*q - '0');
        }
        int iPrecision = 0;
        if (*q == '.') {
            for (++q; *q >= '0' && *q <= '9'; ++q) {
                iPrecision = iPrecision * 10 + (*q - '0');
            }
        }
        if (*q == 'f') {
            p = pPutFixed(p, dValue, iPrecision, iWidth, cPad);
        } else {
            p = pPutInt(p, *aiValues++, iWidth, cPad);
        }
    }
    return p;
}

// Copies a text built in a local buffer into the caller's, cut as snprintf cuts.
size_t nCopyCut(char *pszOut, size_t nSize, const char *pszText, size_t nLength) {
    if (nSize == 0) {
        return 0;
    }
    nLength = nLength < nSize ? nLength : nSize - 1;
    std::memcpy(pszOut, pszText, nLength);
    pszOut[nLength] = '\0';
    return nLength;
}

constexpr size_t kAngleRoom = 4 * kPutRoom;

// Forms common enough to be written without reading them: whole degrees, the
// degree byte and minutes to three decimals; or whole degrees, minutes,
// seconds and tenths of a second, the degrees padded with zeros or blanks.
enum class AngleShape { kRead, kMinutesOfThree, kTenthsZeroPadded, kTenthsBlankPadded };

constexpr bool fSame(const char *psz, std::string_view sv) {
    return psz != nullptr && std::string_view(psz) == sv;
}

constexpr AngleShape eShapeOf(const Notation &o) {
    if (o.eUnit == kMinutes && o.dMinutesHalfDigit == 0.0005 && o.cDegree != 0 &&
        fSame(o.pszLatitudeForm, "%02d*%06.3f'") && fSame(o.pszLongitudeForm, "%03d*%06.3f'")) {
        return AngleShape::kMinutesOfThree;
    }
    if (o.eUnit == kMinuteParts && o.iPartsPerMinute == 600 && o.iPartSplit == 10 &&
        o.cDegree != 0) {
        if (fSame(o.pszLatitudeForm, "%02d*%02d'%02d.%01d\"") &&
            fSame(o.pszLongitudeForm, "%03d*%02d'%02d.%01d\"")) {
            return AngleShape::kTenthsZeroPadded;
        }
        if (fSame(o.pszLatitudeForm, "%2d*%02d'%02d.%01d\" ") &&
            fSame(o.pszLongitudeForm, "%3d*%02d'%02d.%01d\" ")) {
            return AngleShape::kTenthsBlankPadded;
        }
    }
    return AngleShape::kRead;
}

struct Shapes {
    AngleShape ae[std::size(kaNotations)];
};

constexpr Shapes oShapes() {
    Shapes o{};
    for (size_t n = 0; n < std::size(kaNotations); ++n) {
        o.ae[n] = eShapeOf(kaNotations[n]);
    }
    return o;
}
constexpr Shapes kShapes = oShapes();
static_assert(kShapes.ae[1] == AngleShape::kMinutesOfThree &&
                  kShapes.ae[2] == AngleShape::kTenthsZeroPadded &&
                  kShapes.ae[13] == AngleShape::kTenthsBlankPadded,
              "the listing's and the usual notations are written without reading their forms");

// Two digits of n (0..99).
inline char *pPutTwo(char *p, uint32_t n) {
    std::memcpy(p, text_format_detail::kaDigitPairs + 2 * n, 2);
    return p + 2;
}

// Whole degrees (not negative) as "%02d"/"%03d" (cPad '0') or "%2d"/"%3d" (cPad ' ').
inline char *pPutDegrees(char *p, int iDegrees, int fLatitude, char cPad) {
    if (fLatitude) {
        if (iDegrees >= 100) {
            return pPutInt(p, iDegrees, 2, cPad);
        }
        pPutTwo(p, iDegrees);
        if (iDegrees < 10) {
            p[0] = cPad;
        }
        return p + 2;
    }
    if (iDegrees >= 1000) {
        return pPutInt(p, iDegrees, 3, cPad);
    }
    const uint32_t lHundreds = static_cast<uint32_t>(iDegrees) / 100;
    p[0] = static_cast<char>('0' + lHundreds);
    pPutTwo(p + 1, static_cast<uint32_t>(iDegrees) - 100 * lHundreds);
    if (iDegrees < 100) {
        p[0] = cPad;
        if (iDegrees < 10) {
            p[1] = cPad;
        }
    }
    return p + 3;
}

char *pPutShapedAngleByStep(char *p, AngleShape eShape, double v, int fLatitude, char cDegree);

// The angle of a shape other than kRead, without its hemisphere letter.
inline char *pPutShapedAngle(char *p, AngleShape eShape, double v, int fLatitude, char cDegree) {
    // The angle counted in the last printed unit (thousandths of a minute or
    // tenths of a second), below 2^31 and within 2.5e-7 of the exact count.
    // Where that count lies clear of a half, rounding it gives the digits and
    // the carries the steps below give: their products are nearer still.
    const bool fMinutes = eShape == AngleShape::kMinutesOfThree;
    const int iUnitsPerDegree = fMinutes ? 60000 : 36000;
    const double dUnits = v * iUnitsPerDegree;
    constexpr double kRounder = 6755399441055744.0; // 1.5 × 2^52
    const double dNearest = (dUnits + kRounder) - kRounder;
    if (std::fabs(dUnits - dNearest) < 0.5 - 1e-6) {
        // Degrees and whole minutes are both split off the count, side by
        // side rather than one after the other.
        const auto lUnits = static_cast<uint32_t>(dNearest);
        const uint32_t lDegrees = lUnits / static_cast<uint32_t>(iUnitsPerDegree);
        if (fMinutes) {
            const uint32_t lAllMinutes = lUnits / 1000;
            const uint32_t lMinutes = lAllMinutes - 60 * lDegrees;
            const uint32_t lThousandths = lUnits - 1000 * lAllMinutes;
            const uint32_t lTenths = lThousandths / 100;
            p = pPutDegrees(p, static_cast<int>(lDegrees), fLatitude, '0');
            *p++ = cDegree;
            p = pPutTwo(p, lMinutes);
            *p++ = '.';
            *p++ = static_cast<char>('0' + lTenths);
            p = pPutTwo(p, lThousandths - 100 * lTenths);
            *p++ = '\'';
            return p;
        }
        p = pPutDegrees(p, static_cast<int>(lDegrees), fLatitude,
                        eShape == AngleShape::kTenthsZeroPadded ? '0' : ' ');
        *p++ = cDegree;
        const uint32_t lAllMinutes = lUnits / 600;
        const uint32_t lMinutes = lAllMinutes - 60 * lDegrees;
        const uint32_t lTenthsOfSeconds = lUnits - 600 * lAllMinutes;
        const uint32_t lSeconds = lTenthsOfSeconds / 10;
        p = pPutTwo(p, lMinutes);
        *p++ = '\'';
        p = pPutTwo(p, lSeconds);
        *p++ = '.';
        *p++ = static_cast<char>('0' + lTenthsOfSeconds - 10 * lSeconds);
        *p++ = '"';
        if (eShape == AngleShape::kTenthsBlankPadded) {
            *p++ = ' ';
        }
        return p;
    }
    return pPutShapedAngleByStep(p, eShape, v, fLatitude, cDegree);
}

// pPutShapedAngle of an angle whose count lies near a half: step by step, as
// the forms' conversions do.
char *pPutShapedAngleByStep(char *p, AngleShape eShape, double v, int fLatitude, char cDegree) {
    int iDegrees = static_cast<int16_t>(v);
    double M = (v - iDegrees) * 60;
    int iMinutes = static_cast<int16_t>(M);
    if (eShape == AngleShape::kMinutesOfThree) {
        vCarryMinutes(0.0005, &M, &iDegrees);
        // "%06.3f" of minutes below 60 (60.000 at most once rounded): the
        // thousandths rounded as pPutFixed rounds them, or pPutFixed itself
        // where the product lies near a half.
        const double dScaled = M * 1000;
        constexpr double kRounder = 6755399441055744.0; // 1.5 × 2^52
        const double dWhole = (dScaled + kRounder) - kRounder;
        p = pPutDegrees(p, iDegrees, fLatitude, '0');
        *p++ = cDegree;
        if (std::fabs(dScaled - dWhole) < 0.5 - 1.0 / 4096 && dWhole <= 60000) {
            const int n = static_cast<int>(dWhole);
            p = pPutTwo(p, n / 1000);
            *p++ = '.';
            *p++ = static_cast<char>('0' + n % 1000 / 100);
            p = pPutTwo(p, n % 100);
        } else {
            p = pPutFixed(p, M, 3, 6, '0');
        }
        *p++ = '\'';
        return p;
    }
    int iParts = static_cast<int>((M - iMinutes) * 600 + 0.5);
    vCarrySubunits(600, &iParts, &iMinutes, &iDegrees);
    p = pPutDegrees(p, iDegrees, fLatitude, eShape == AngleShape::kTenthsZeroPadded ? '0' : ' ');
    *p++ = cDegree;
    p = pPutTwo(p, iMinutes);
    *p++ = '\'';
    p = pPutTwo(p, iParts / 10);
    *p++ = '.';
    *p++ = static_cast<char>('0' + iParts % 10);
    *p++ = '"';
    if (eShape == AngleShape::kTenthsBlankPadded) {
        *p++ = ' ';
    }
    return p;
}

// The text of one angle into a buffer of kAngleRoom characters; its length,
// or 0 when the angle has no text in the notation.
size_t nAngleText(char *pszText, double dAngle, const Notation &o, int fLatitude) {
    const char *pszNumber = fLatitude ? o.pszLatitudeForm : o.pszLongitudeForm;
    if (o.eUnit == kSignedDegrees) {
        // No hemisphere and no degree byte: the form is the table's own.
        return static_cast<size_t>(pPutAngleForm(pszText, pszNumber, 0, nullptr, dAngle) - pszText);
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
        return 0;
    }
    char *p = pszText;
    if (o.eHemisphere == kLeading) {
        *p++ = cHemisphere;
    }
    const AngleShape eShape = kShapes.ae[o.sFormat - 1];
    if (eShape != AngleShape::kRead && !fFormattingThroughCLibrary()) {
        p = pPutShapedAngle(p, eShape, v, fLatitude, o.cDegree);
        if (o.eHemisphere == kTrailing) {
            *p++ = cHemisphere;
        }
        return static_cast<size_t>(p - pszText);
    }
    int iDegrees = static_cast<int16_t>(v);
    double M = (v - iDegrees) * 60;
    int iMinutes = static_cast<int16_t>(M);
    switch (o.eUnit) {
    case kDegrees:
        p = pPutAngleForm(p, pszNumber, o.cDegree, nullptr, v);
        break;
    case kMinutes:
        vCarryMinutes(o.dMinutesHalfDigit, &M, &iDegrees);
        p = pPutAngleForm(p, pszNumber, o.cDegree, &iDegrees, M);
        break;
    case kMinuteParts: {
        int iParts = static_cast<int>((M - iMinutes) * o.iPartsPerMinute + 0.5);
        vCarrySubunits(o.iPartsPerMinute, &iParts, &iMinutes, &iDegrees);
        const int aiValues[] = {iDegrees, iMinutes, iParts / o.iPartSplit, iParts % o.iPartSplit};
        p = pPutAngleForm(p, pszNumber, o.cDegree, aiValues, 0.0);
        break;
    }
    default:
        return 0;
    }
    if (o.eHemisphere == kTrailing) {
        *p++ = cHemisphere;
    }
    return static_cast<size_t>(p - pszText);
}
} // namespace

size_t nFormatLatLon(char *pszOut, size_t nSize, double dAngle, int16_t sFormat, int fLatitude) {
    const Notation *pRow = pNotation(sFormat);
    char szText[kAngleRoom];
    const size_t nLength =
        pRow == nullptr || pRow->eUnit == kUtm ? 0 : nAngleText(szText, dAngle, *pRow, fLatitude);
    if (nLength == 0) {
        return nCopyText(pszOut, nSize, kAngleError);
    }
    return nCopyCut(pszOut, nSize, szText, nLength);
}

char *szFormatLatLon(double dAngle, int16_t sFormat, int fLatitude) {
    char *psz = pszGetTempString();
    nFormatLatLon(psz, kTempStringSize, dAngle, sFormat, fLatitude);
    return psz;
}

size_t nFormatPosition(char *pszOut, size_t nSize, int16_t sDatum, double dLatitude,
                       double dLongitude, int16_t sFormat) {
    const Notation *pRow = pNotation(sFormat);
    if (pRow == nullptr) {
        return nCopyText(pszOut, nSize, kPositionError);
    }
    vShiftDatum(sDatum, kShiftFromWgs84, &dLatitude, &dLongitude);
    return nFormatShiftedPosition(pszOut, nSize, sDatum, dLatitude, dLongitude, sFormat);
}

size_t nFormatShiftedPosition(char *pszOut, size_t nSize, int16_t sDatum, double dLatitude,
                              double dLongitude, int16_t sFormat) {
    const Notation *pRow = pNotation(sFormat);
    if (pRow == nullptr) {
        return nCopyText(pszOut, nSize, kPositionError);
    }
    if (pRow->eUnit == kUtm) {
        return nFormatUtm(pszOut, nSize, sDatum, dLatitude, dLongitude);
    }
    const char *pszForm = pRow->pszPositionForm;
    if (pszForm == kCommaPosition || pszForm == kJoinedPosition) {
        // Nothing to pad: the angles go straight into the buffer, each cut
        // where the whole text would be.
        size_t n = nFormatLatLon(pszOut, nSize, dLatitude, sFormat, 1);
        if (pszForm == kCommaPosition && n + 1 < nSize) {
            pszOut[n++] = ',';
            pszOut[n] = '\0';
        }
        return n + nFormatLatLon(pszOut + n, nSize - n, dLongitude, sFormat, 0);
    }
    // "%-12s %-13s" or "%-11s %-12s": each angle padded to its column.
    const bool fPcx = pszForm == kPcxPosition;
    char szText[3 * kAngleRoom];
    char *p = szText;
    for (int fLatitude : {1, 0}) {
        char szAngle[kAngleRoom];
        size_t nAngle = nAngleText(szAngle, fLatitude ? dLatitude : dLongitude, *pRow, fLatitude);
        const char *pszAngle = szAngle;
        if (nAngle == 0) {
            pszAngle = kAngleError;
            nAngle = std::strlen(kAngleError);
        }
        if (!fLatitude) {
            *p++ = ' ';
        }
        p = pPutText(p, std::string_view(pszAngle, nAngle), -((fPcx ? 11 : 12) + !fLatitude));
    }
    return nCopyCut(pszOut, nSize, szText, static_cast<size_t>(p - szText));
}

namespace {
// Blanks after the text from pStart to pEnd up to nWidth columns, as "%-Ws"
// pads it; blanks go in blocks of 16, the last reaching up to 15 past the end.
char *pPadTo(char *pStart, char *pEnd, size_t nWidth) {
    const auto n = static_cast<size_t>(pEnd - pStart);
    if (n >= nWidth) {
        return pEnd;
    }
    const size_t nPad = nWidth - n;
    for (size_t k = 0; k < nPad; k += 16) {
        std::memcpy(pEnd + k, "                ", 16);
    }
    return pEnd + nPad;
}
} // namespace

namespace {
// A position in a notation of shape eShape, both angles below 32768 degrees,
// as nFormatShiftedPosition writes it ("%-12s %-13s" of the angles as
// nAngleText writes them) and padded to nWidth columns.
template <AngleShape eShape>
char *pPutShapedPosition(char *p, double dLatitude, double dLongitude, const Notation &o,
                         size_t nWidth) {
    char *const pStart = p;
    const auto pPutAngle = [&o](char *q, double dAngle, int fLatitude, size_t nColumn) {
        char cHemisphere = 0;
        if (fLatitude) {
            cHemisphere = dAngle >= 0 ? 'N' : 'S';
        } else {
            cHemisphere = dAngle >= 0 ? 'E' : 'W';
        }
        char *const pAngle = q;
        if (o.eHemisphere == kLeading) {
            *q++ = cHemisphere;
        }
        q = pPutShapedAngle(q, eShape, std::fabs(dAngle), fLatitude, o.cDegree);
        if (o.eHemisphere == kTrailing) {
            *q++ = cHemisphere;
        }
        // The blanks of the column at once: every angle of these shapes
        // takes at least 11 of its 12 or 13 columns.
        std::memcpy(q, "                ", 16);
        return q - pAngle < static_cast<ptrdiff_t>(nColumn) ? pAngle + nColumn : q;
    };
    p = pPutAngle(p, dLatitude, 1, 12);
    *p++ = ' ';
    p = pPutAngle(p, dLongitude, 0, 13);
    return pPadTo(pStart, p, nWidth);
}
} // namespace

char *pPutShiftedPosition(char *p, int16_t sDatum, double dLatitude, double dLongitude,
                          int16_t sFormat, size_t nWidth) {
    static_assert(kPositionRoom >= 2 * kAngleRoom + 64 && kPositionRoom >= kTempStringSize + 16);
    char *const pStart = p;
    const Notation *pRow = pNotation(sFormat);
    if (pRow != nullptr && pRow->pszPositionForm == kPlainPosition &&
        std::fabs(dLatitude) < 32768.0 && std::fabs(dLongitude) < 32768.0 &&
        !fFormattingThroughCLibrary()) {
        switch (kShapes.ae[sFormat - 1]) {
        case AngleShape::kMinutesOfThree:
            return pPutShapedPosition<AngleShape::kMinutesOfThree>(p, dLatitude, dLongitude, *pRow,
                                                                   nWidth);
        case AngleShape::kTenthsZeroPadded:
            return pPutShapedPosition<AngleShape::kTenthsZeroPadded>(p, dLatitude, dLongitude,
                                                                     *pRow, nWidth);
        case AngleShape::kTenthsBlankPadded:
            return pPutShapedPosition<AngleShape::kTenthsBlankPadded>(p, dLatitude, dLongitude,
                                                                      *pRow, nWidth);
        case AngleShape::kRead:
            break;
        }
    }
    if (pRow != nullptr && pRow->eUnit != kUtm &&
        (pRow->pszPositionForm == kPlainPosition || pRow->pszPositionForm == kPcxPosition)) {
        // Each angle straight into its column, as nFormatShiftedPosition pads it.
        const size_t nColumn = pRow->pszPositionForm == kPcxPosition ? 11 : 12;
        for (int fLatitude : {1, 0}) {
            char *pAngle = p;
            size_t n = nAngleText(p, fLatitude ? dLatitude : dLongitude, *pRow, fLatitude);
            if (n == 0) {
                n = std::strlen(kAngleError);
                std::memcpy(p, kAngleError, n);
            }
            p = pPadTo(pAngle, pAngle + n, nColumn + (fLatitude ? 0 : 1));
            if (fLatitude) {
                *p++ = ' ';
            }
        }
    } else {
        p += nFormatShiftedPosition(p, kTempStringSize, sDatum, dLatitude, dLongitude, sFormat);
    }
    return pPadTo(pStart, p, nWidth);
}

char *szFormatPosition(int16_t sDatum, double dLatitude, double dLongitude, int16_t sFormat) {
    char *psz = pszGetTempString();
    nFormatPosition(psz, kTempStringSize, sDatum, dLatitude, dLongitude, sFormat);
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
    const Notation *pRow = pNotation(sFormat);
    if (pRow == nullptr) {
        return 0;
    }
    const Notation &o = *pRow;
    char cHemisphere = 0;
    double dValue = 0;
    switch (o.eReading) {
    case kSeparatedNumbers: {
        // Degrees, minutes, seconds as far as the unit goes, after the
        // degree sign (DOS byte by now) and the minute sign.
        const int nNumbers = o.eUnit == kDegrees ? 1 : o.eUnit == kMinutes ? 2 : 3;
        const char acLiterals[] = {kDegreeDos, '\'', '\0'};
        double ad[3] = {};
        if (iScanHemisphereAndNumbers(pszToken, acLiterals, &cHemisphere, ad, nNumbers) <
            nNumbers + 1) {
            return 0;
        }
        dValue = ad[0];
        if (nNumbers >= 2) {
            dValue += ad[1] * (1.0 / 60.0);
        }
        if (nNumbers >= 3) {
            dValue += ad[2] * (1.0 / 3600.0);
        }
        break;
    }
    case kPackedNumber: {
        double x = 0;
        if (iScanHemisphereAndNumbers(pszToken, "", &cHemisphere, &x, 1) < 2) {
            return 0;
        }
        if (o.eUnit == kMinutes) { // dddmm.mmm
            double dDegrees = std::floor(x * 0.01);
            dValue = dDegrees + (x - 100 * dDegrees) * (1.0 / 60.0);
        } else { // dddmmss.sss
            double dSeconds = x - 100 * std::floor(x * 0.01);
            double y = std::floor(x * 0.01);
            double dMinutes = std::floor(y - 100 * std::floor(y * 0.01));
            double dDegrees = std::floor(y * 0.01);
            dValue = dDegrees + dMinutes * (1.0 / 60.0) + dSeconds * (1.0 / 3600.0);
        }
        break;
    }
    case kSignedNumber: {
        const char *p = pszToken;
        if (!fScanDouble(p, &dValue) || !fIsAngle(dValue)) {
            return 0;
        }
        *pdResult = dValue;
        return 1;
    }
    case kFixedColumns:
        if (!fReadCompact(pszToken, fLatitude, &cHemisphere, &dValue)) {
            return 0;
        }
        break;
    case kNotRead:
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

namespace {
// What a position text holds once read: two angles in the text's datum, or a
// grid reference.
struct PositionText {
    bool fGrid = false;
    double dLatitude = 0, dLongitude = 0;
    int32_t lZone = 0;
    double dEasting = 0, dNorthing = 0;
};

int iReadPositionText(const char *pszText, int16_t sFormat, PositionText &o) {
    // A copy the readers below may cut and rewrite; position texts are short,
    // so it lives on the stack unless the text is long.
    const size_t nLength = std::strlen(pszText);
    char szShort[256];
    std::string sLong;
    char *pszCopy = szShort;
    if (nLength < sizeof(szShort)) {
        std::memcpy(szShort, pszText, nLength + 1);
    } else {
        sLong.assign(pszText, nLength);
        pszCopy = sLong.data();
    }
    const std::string_view sCopy(pszCopy, nLength);
    // Two angles when the text has a degree sign or the notation writes a
    // hemisphere letter in front and no degree sign (the PCX5 notations); else UTM.
    const Notation *pRow = pNotation(sFormat);
    bool fLatLon = sCopy.find(kDegreeDos) != std::string_view::npos ||
                   sCopy.find(kDegreeAnsi) != std::string_view::npos ||
                   (pRow != nullptr && pRow->eHemisphere == kLeading && pRow->cDegree == 0);
    if (!fLatLon) {
        o.fGrid = true;
        return iReadUtmText(pszCopy, &o.lZone, &o.dEasting, &o.dNorthing);
    }
    char *pszRest = pszCopy;
    char *pszLatitude = pszNextToken(pszRest);
    if (pszLatitude == nullptr || !iParseLatLon(pszLatitude, sFormat, 1, &o.dLatitude)) {
        return 0;
    }
    char *pszLongitude = pszNextToken(pszRest);
    return pszLongitude != nullptr && iParseLatLon(pszLongitude, sFormat, 0, &o.dLongitude);
}

// The exact projection of a grid reference, within the angles' range.
int iGridToLatLon(int16_t sDatum, PositionText &o) {
    vUtmToLatLon(sDatum, o.lZone, o.dEasting, o.dNorthing, &o.dLatitude, &o.dLongitude);
    return std::fabs(o.dLatitude) <= 90 && std::fabs(o.dLongitude) <= 360;
}

// True when an angle lies so near a whole semicircle that a result a
// thousandth of a semicircle off could be stored as another.
bool fNearWholeSemicircle(double dDegrees) {
    const double x = std::fabs(dDegrees) * (2147483648.0 / 180.0);
    if (!(x < 1e15)) {
        return true;
    }
    const double dFraction = x - static_cast<double>(static_cast<int64_t>(x));
    constexpr double kMargin = 1e-3;
    return !(dFraction > kMargin && dFraction < 1 - kMargin);
}
} // namespace

int iParsePosition(const char *pszText, int16_t sDatum, int16_t sFormat, double *pdLatitude,
                   double *pdLongitude) {
    if (pszText == nullptr || pdLatitude == nullptr || pdLongitude == nullptr) {
        return 0;
    }
    PositionText o;
    if (!iReadPositionText(pszText, sFormat, o) || (o.fGrid && !iGridToLatLon(sDatum, o))) {
        return 0;
    }
    vShiftDatum(sDatum, kShiftToWgs84, &o.dLatitude, &o.dLongitude);
    *pdLatitude = o.dLatitude;
    *pdLongitude = o.dLongitude;
    return 1;
}

int iParsePositionSemicircles(const char *pszText, int16_t sDatum, int16_t sFormat,
                              int32_t *plLatitude, int32_t *plLongitude) {
    if (pszText == nullptr || plLatitude == nullptr || plLongitude == nullptr) {
        return 0;
    }
    PositionText o;
    if (!iReadPositionText(pszText, sFormat, o)) {
        return 0;
    }
    double dLatitude = 0, dLongitude = 0;
    // A grid reference goes the quick way where its semicircles come out the
    // same as the exact way's.
    bool fDone = o.fGrid && iQuickUtmToLatLon(sDatum, o.lZone, o.dEasting, o.dNorthing, &dLatitude,
                                              &dLongitude);
    if (fDone) {
        vShiftDatum(sDatum, kShiftToWgs84, &dLatitude, &dLongitude);
        fDone = !fNearWholeSemicircle(dLatitude) && !fNearWholeSemicircle(dLongitude);
    }
    if (!fDone) {
        if (o.fGrid && !iGridToLatLon(sDatum, o)) {
            return 0;
        }
        dLatitude = o.dLatitude;
        dLongitude = o.dLongitude;
        vShiftDatum(sDatum, kShiftToWgs84, &dLatitude, &dLongitude);
    }
    *plLatitude = lDegreesToSemicircles(dLatitude);
    *plLongitude = lDegreesToSemicircles(dLongitude);
    return 1;
}
