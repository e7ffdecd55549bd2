#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "garmin/waypoint_symbols.h"

namespace {

constexpr int kaLargeSetFormats[] = {101, 102, 104, 108, 109, 110, 154, 155};
constexpr int kaBasicSetFormats[] = {103, 107, 403};
constexpr int kaNoSymbolFormats[] = {0, 100, 150, 151, 152, 400, 999};

// Every row of the stored -> device table, ranges given by both ends.
const std::vector<std::pair<int, int>> kaStoredToDevice = {
    {0, 36},     {1, 10},     {2, 8},      {3, 170},    {4, 7},      {5, 150},    {6, 0},
    {7, 19},     {9, 14},     {10, 178},   {11, 151},   {12, 179},   {13, 171},   {14, 156},
    {5000, 1},   {5005, 6},   {5006, 8},   {5007, 9},   {5008, 11},  {5010, 13},  {5011, 15},
    {5014, 18},  {5015, 20},  {5030, 35},  {5031, 37},  {5032, 150}, {5033, 152}, {5036, 155},
    {5037, 157}, {5049, 169}, {5050, 172}, {5055, 177},
};

// Every row of the device -> stored table.
const std::vector<std::pair<int, int>> kaDeviceToStored = {
    {0, 6},    {1, 5000},   {6, 5005},   {7, 4},      {8, 5006},   {9, 5007},
    {10, 1},   {11, 5008},  {13, 5010},  {14, 9},     {15, 5011},  {18, 5014},
    {19, 7},   {20, 5015},  {35, 5030},  {36, 0},     {37, 5031},  {150, 5032},
    {151, 11}, {152, 5033}, {155, 5036}, {156, 14},   {157, 5037}, {169, 5049},
    {170, 3},  {171, 13},   {172, 5050}, {177, 5055}, {178, 10},   {179, 12},
};

int16_t s(int i) {
    return static_cast<int16_t>(i);
}

TEST(SymbolMapping, LargeSetTablesInBothDirections) {
    for (int iFormat : kaLargeSetFormats) {
        for (auto [iStored, iDevice] : kaStoredToDevice) {
            EXPECT_EQ(sGetGarminSymbolID(s(iStored), iFormat), iDevice)
                << "format " << iFormat << " stored " << iStored;
        }
        for (auto [iDevice, iStored] : kaDeviceToStored) {
            EXPECT_EQ(sGetStoredSymbol(s(iDevice), iFormat), iStored)
                << "format " << iFormat << " device " << iDevice;
        }
    }
}

TEST(SymbolMapping, LargeSetUnlistedAndPassThrough) {
    for (int iFormat : kaLargeSetFormats) {
        // Unlisted stored symbols below 256 become the generic symbol 18.
        EXPECT_EQ(sGetGarminSymbolID(8, iFormat), 18);
        EXPECT_EQ(sGetGarminSymbolID(15, iFormat), 18);
        EXPECT_EQ(sGetGarminSymbolID(200, iFormat), 18);
        // Device numbers kept in the store go back as they are.
        EXPECT_EQ(sGetGarminSymbolID(256, iFormat), 256);
        EXPECT_EQ(sGetGarminSymbolID(5100, iFormat), 5100);
        EXPECT_EQ(sGetStoredSymbol(256, iFormat), 256);
        EXPECT_EQ(sGetStoredSymbol(8196, iFormat), 8196);
        // Device symbols with no stored counterpart.
        for (int iDevice : {38, 100, 149, 180, 255}) {
            EXPECT_EQ(sGetStoredSymbol(s(iDevice), iFormat), 0) << iDevice;
        }
    }
}

TEST(SymbolMapping, LargeSetRoundTrips) {
    // Stored 2 and 5 share device numbers with 5006 and 5032, and 8 and 15 have
    // none, so these four come back different; every other stored symbol returns.
    for (int iStored = 0; iStored <= 15; ++iStored) {
        int iBack = sGetStoredSymbol(sGetGarminSymbolID(s(iStored), 108), 108);
        if (iStored == 2 || iStored == 5 || iStored == 8 || iStored == 15) {
            EXPECT_NE(iBack, iStored) << iStored;
        } else {
            EXPECT_EQ(iBack, iStored) << iStored;
        }
    }
    EXPECT_EQ(sGetStoredSymbol(sGetGarminSymbolID(2, 108), 108), 5006);
    for (int iStored = 5000; iStored <= 5055; ++iStored) {
        EXPECT_EQ(sGetStoredSymbol(sGetGarminSymbolID(s(iStored), 109), 109), iStored);
    }
    // Every device symbol with a stored counterpart comes back unchanged.
    for (int iDevice = 0; iDevice <= 179; ++iDevice) {
        if (iDevice >= 38 && iDevice <= 149) {
            continue;
        }
        EXPECT_EQ(sGetGarminSymbolID(sGetStoredSymbol(s(iDevice), 110), 110), iDevice) << iDevice;
    }
    // A device symbol of 32768 or more survives the signed stored field.
    EXPECT_EQ(sGetGarminSymbolID(sGetStoredSymbol(s(40000), 108), 108), s(40000));
}

TEST(SymbolMapping, BasicSetAndOtherFormats) {
    for (int iFormat : kaBasicSetFormats) {
        EXPECT_EQ(sGetGarminSymbolID(0, iFormat), 0);
        EXPECT_EQ(sGetGarminSymbolID(1, iFormat), 1);
        EXPECT_EQ(sGetGarminSymbolID(15, iFormat), 15);
        EXPECT_EQ(sGetGarminSymbolID(16, iFormat), 0);
        EXPECT_EQ(sGetGarminSymbolID(5000, iFormat), 0);
        EXPECT_EQ(sGetStoredSymbol(0, iFormat), 0);
        EXPECT_EQ(sGetStoredSymbol(15, iFormat), 15);
        EXPECT_EQ(sGetStoredSymbol(16, iFormat), 0);
        EXPECT_EQ(sGetStoredSymbol(-1, iFormat), 0);
    }
    for (int iFormat : kaNoSymbolFormats) {
        EXPECT_EQ(sGetGarminSymbolID(3, iFormat), 0);
        EXPECT_EQ(sGetGarminSymbolID(5000, iFormat), 0);
        EXPECT_EQ(sGetStoredSymbol(10, iFormat), 0);
        EXPECT_EQ(sGetStoredSymbol(300, iFormat), 0);
    }
}

TEST(DisplayMapping, EveryFormatFamily) {
    for (int iFormat : {103, 107, 108, 109, 110, 403}) {
        for (int i : {1, 2}) {
            EXPECT_EQ(bGetDeviceDisplay(static_cast<uint8_t>(i), iFormat), i);
            EXPECT_EQ(bGetStoredDisplay(static_cast<uint8_t>(i), iFormat), i);
        }
        for (int i : {0, 3, 5, 50, 255}) {
            EXPECT_EQ(bGetDeviceDisplay(static_cast<uint8_t>(i), iFormat), 0);
            EXPECT_EQ(bGetStoredDisplay(static_cast<uint8_t>(i), iFormat), 0);
        }
    }
    // 104: the stored 50 stands for the device's 0 and survives the round trip.
    EXPECT_EQ(bGetDeviceDisplay(1, 104), 1);
    EXPECT_EQ(bGetDeviceDisplay(2, 104), 5);
    EXPECT_EQ(bGetDeviceDisplay(50, 104), 0);
    EXPECT_EQ(bGetDeviceDisplay(0, 104), 3);
    EXPECT_EQ(bGetDeviceDisplay(7, 104), 3);
    EXPECT_EQ(bGetStoredDisplay(0, 104), 50);
    EXPECT_EQ(bGetStoredDisplay(1, 104), 1);
    EXPECT_EQ(bGetStoredDisplay(5, 104), 2);
    EXPECT_EQ(bGetStoredDisplay(3, 104), 0);
    EXPECT_EQ(bGetStoredDisplay(bGetDeviceDisplay(50, 104), 104), 50);
    // 155: like 104 but without the special 0.
    EXPECT_EQ(bGetDeviceDisplay(1, 155), 1);
    EXPECT_EQ(bGetDeviceDisplay(2, 155), 5);
    EXPECT_EQ(bGetDeviceDisplay(50, 155), 3);
    EXPECT_EQ(bGetDeviceDisplay(0, 155), 3);
    EXPECT_EQ(bGetStoredDisplay(0, 155), 0);
    EXPECT_EQ(bGetStoredDisplay(1, 155), 1);
    EXPECT_EQ(bGetStoredDisplay(5, 155), 2);
    EXPECT_EQ(bGetStoredDisplay(3, 155), 0);
    for (int iFormat : {100, 101, 102, 150, 154, 400}) {
        EXPECT_EQ(bGetDeviceDisplay(2, iFormat), 0);
        EXPECT_EQ(bGetStoredDisplay(5, iFormat), 0);
    }
}

TEST(ColorMapping, EveryFormatFamily) {
    EXPECT_EQ(bGetDeviceColor(9, 107), 1);
    EXPECT_EQ(bGetDeviceColor(10, 107), 2);
    EXPECT_EQ(bGetDeviceColor(12, 107), 3);
    EXPECT_EQ(bGetDeviceColor(0, 107), 0);
    EXPECT_EQ(bGetDeviceColor(255, 107), 0);
    EXPECT_EQ(bGetStoredColor(0, 107), 255);
    EXPECT_EQ(bGetStoredColor(1, 107), 9);
    EXPECT_EQ(bGetStoredColor(2, 107), 10);
    EXPECT_EQ(bGetStoredColor(3, 107), 12);
    EXPECT_EQ(bGetStoredColor(4, 107), 0);

    EXPECT_EQ(bGetDeviceColor(0, 108), 0);
    EXPECT_EQ(bGetDeviceColor(15, 108), 15);
    EXPECT_EQ(bGetDeviceColor(16, 108), 255);
    EXPECT_EQ(bGetDeviceColor(255, 108), 255);
    EXPECT_EQ(bGetDeviceColor(15, 109), 15);
    EXPECT_EQ(bGetDeviceColor(16, 109), 31);
    EXPECT_EQ(bGetDeviceColor(255, 109), 31);
    EXPECT_EQ(bGetDeviceColor(16, 110), 16);
    EXPECT_EQ(bGetDeviceColor(17, 110), 255);
    for (int iFormat : {108, 109, 110}) {
        EXPECT_EQ(bGetStoredColor(0, iFormat), 0);
        EXPECT_EQ(bGetStoredColor(1, iFormat), 1);
        EXPECT_EQ(bGetStoredColor(16, iFormat), 16);
        EXPECT_EQ(bGetStoredColor(17, iFormat), 0);
        EXPECT_EQ(bGetStoredColor(31, iFormat), 255);
        EXPECT_EQ(bGetStoredColor(255, iFormat), 255);
    }
    for (int iFormat : {100, 103, 104, 155, 403}) {
        EXPECT_EQ(bGetDeviceColor(9, iFormat), 0);
        EXPECT_EQ(bGetStoredColor(1, iFormat), 0);
    }
}

} // namespace
