#pragma once
// The settings of one run and the store they act on. It lives beside the store
// because every layer (files, formats, device) takes it as its first argument.

#include <cstdint>
#include <memory>

#include "store/data_store.h"

struct Workspace {
    int16_t sCoordFormat = 4; // coordinate notation (4 = UTM)
    int16_t sDatum = 100;     // map datum (100 = WGS 84)
    int16_t sDateFormat = 1;
    int32_t lUtcOffset = 0;    // seconds added to receiver times before formatting
    int16_t fTabbedExport = 0; // column-aligned .VKE layout
    int16_t sSymbolSet = 103;  // waypoint format whose symbol numbers PCX5 files carry
    int16_t sOvlTrackColor = 1;
    int16_t sOvlTrackWidth = 4;
    int16_t sOvlTrackStyle = 1;
    int16_t sOvlWptColor = 1;
    int16_t sOvlWptDotSize = 10;
    int16_t sOvlWptFontHeight = 3;
    int16_t sOvlWptFont = 1;
    int16_t sOvlWptBackground = 1;
    int16_t sCodePage = 1252; // the Windows code page of every 8-bit text field (/a)
    std::unique_ptr<DataStore> pStore = std::make_unique<DataStore>();
};
