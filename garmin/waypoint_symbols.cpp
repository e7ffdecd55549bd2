#include "garmin/waypoint_symbols.h"

#include <cstdio>
#include <span>

#include "base/debug.h"
#include "garmin/protocol_numbers.h"

namespace {

// A run of consecutive numbers that map onto a run of consecutive numbers.
struct SymbolRun {
    uint16_t sFirst;
    uint16_t sLast;
    uint16_t sTarget; // what sFirst maps to; sFirst + k maps to sTarget + k
};

// Stored symbol -> symbol of the large-set formats. Not the exact inverse of
// the table below: receivers have more symbols than the stored basic set, and
// stored 8 and 15 have no counterpart at all.
constexpr SymbolRun kaToLargeSet[] = {
    {0, 0, 36},       {1, 1, 10},        {2, 2, 8},         {3, 3, 170},       {4, 4, 7},
    {5, 5, 150},      {6, 6, 0},         {7, 7, 19},        {9, 9, 14},        {10, 10, 178},
    {11, 11, 151},    {12, 12, 179},     {13, 13, 171},     {14, 14, 156},     {5000, 5005, 1},
    {5006, 5006, 8},  {5007, 5007, 9},   {5008, 5010, 11},  {5011, 5014, 15},  {5015, 5030, 20},
    {5031, 5031, 37}, {5032, 5032, 150}, {5033, 5036, 152}, {5037, 5049, 157}, {5050, 5055, 172},
};

// Symbol of the large-set formats -> stored symbol.
constexpr SymbolRun kaFromLargeSet[] = {
    {0, 0, 6},        {1, 6, 5000},   {7, 7, 4},        {8, 8, 5006},     {9, 9, 5007},
    {10, 10, 1},      {11, 13, 5008}, {14, 14, 9},      {15, 18, 5011},   {19, 19, 7},
    {20, 35, 5015},   {36, 36, 0},    {37, 37, 5031},   {150, 150, 5032}, {151, 151, 11},
    {152, 155, 5033}, {156, 156, 14}, {157, 169, 5037}, {170, 170, 3},    {171, 171, 13},
    {172, 177, 5050}, {178, 178, 10}, {179, 179, 12},
};

bool fMapRun(std::span<const SymbolRun> aRuns, uint16_t sValue, uint16_t &sOut) {
    for (const SymbolRun &o : aRuns) {
        if (sValue >= o.sFirst && sValue <= o.sLast) {
            sOut = static_cast<uint16_t>(o.sTarget + (sValue - o.sFirst));
            return true;
        }
    }
    return false;
}

bool fIsBasicSetFormat(int iFormat) {
    return iFormat == kD103 || iFormat == kD107 || iFormat == kD403;
}

// Format 110 carries the same symbol numbers as 109; treating it apart would
// turn every symbol into 0.
bool fIsLargeSetFormat(int iFormat) {
    switch (iFormat) {
    case kD101:
    case kD102:
    case kD104:
    case kD108:
    case kD109:
    case kD110:
    case kD154:
    case kD155:
        return true;
    default:
        return false;
    }
}

bool fIsNameCommentDisplayFormat(int iFormat) {
    switch (iFormat) {
    case kD103:
    case kD107:
    case kD108:
    case kD109:
    case kD110:
    case kD403:
        return true;
    default:
        return false;
    }
}

} // namespace

// Symbols are compared as unsigned 16-bit numbers so that a device symbol of
// 32768 or more, kept as it is in the signed stored field, goes back unchanged.
int16_t sGetGarminSymbolID(int16_t sStoredSymbol, int iFormat) {
    if (iDebugProtocol()) {
        std::printf("sGetGarminSymbolID:   iWaypointFormat=%i   sVKDSymbol=%i\n", iFormat,
                    sStoredSymbol);
    }
    const auto sStored = static_cast<uint16_t>(sStoredSymbol);
    if (fIsBasicSetFormat(iFormat)) {
        return (sStored >= 1 && sStored <= 15) ? sStoredSymbol : 0;
    }
    if (fIsLargeSetFormat(iFormat)) {
        uint16_t sDevice;
        if (fMapRun(kaToLargeSet, sStored, sDevice)) {
            return static_cast<int16_t>(sDevice);
        }
        return sStored >= 256 ? sStoredSymbol : 18;
    }
    return 0;
}

int16_t sGetStoredSymbol(int16_t sDeviceSymbol, int iFormat) {
    const auto sDevice = static_cast<uint16_t>(sDeviceSymbol);
    if (fIsBasicSetFormat(iFormat)) {
        return sDevice <= 15 ? sDeviceSymbol : 0;
    }
    if (fIsLargeSetFormat(iFormat)) {
        uint16_t sStored;
        if (fMapRun(kaFromLargeSet, sDevice, sStored)) {
            return static_cast<int16_t>(sStored);
        }
        return sDevice >= 256 ? sDeviceSymbol : 0;
    }
    return 0;
}

uint8_t bGetDeviceDisplay(uint8_t bStoredDisplay, int iFormat) {
    if (fIsNameCommentDisplayFormat(iFormat)) {
        return (bStoredDisplay == 1 || bStoredDisplay == 2) ? bStoredDisplay : 0;
    }
    if (iFormat == kD104 || iFormat == kD155) {
        switch (bStoredDisplay) {
        case 1:
            return 1;
        case 2:
            return 5;
        case 50:
            return iFormat == kD104 ? 0 : 3;
        default:
            return 3;
        }
    }
    return 0;
}

uint8_t bGetStoredDisplay(uint8_t bDeviceDisplay, int iFormat) {
    if (fIsNameCommentDisplayFormat(iFormat)) {
        return (bDeviceDisplay == 1 || bDeviceDisplay == 2) ? bDeviceDisplay : 0;
    }
    if (iFormat == kD104 || iFormat == kD155) {
        switch (bDeviceDisplay) {
        case 0:
            return iFormat == kD104 ? 50 : 0;
        case 1:
            return 1;
        case 5:
            return 2;
        default:
            return 0;
        }
    }
    return 0;
}

uint8_t bGetDeviceColor(uint8_t bStoredColor, int iFormat) {
    switch (iFormat) {
    case kD107:
        switch (bStoredColor) {
        case 9:
            return 1;
        case 10:
            return 2;
        case 12:
            return 3;
        default:
            return 0;
        }
    case kD108:
        return bStoredColor <= 15 ? bStoredColor : 255;
    case kD109:
        return bStoredColor <= 15 ? bStoredColor : 31;
    case kD110:
        return bStoredColor <= 16 ? bStoredColor : 255;
    default:
        return 0;
    }
}

uint8_t bGetStoredColor(uint8_t bDeviceColor, int iFormat) {
    switch (iFormat) {
    case kD107:
        switch (bDeviceColor) {
        case 0:
            return 255;
        case 1:
            return 9;
        case 2:
            return 10;
        case 3:
            return 12;
        default:
            return 0;
        }
    case kD108:
    case kD109:
    case kD110:
        if (bDeviceColor >= 1 && bDeviceColor <= 16) {
            return bDeviceColor;
        }
        return (bDeviceColor == 31 || bDeviceColor == 255) ? 255 : 0;
    default:
        return 0;
    }
}
