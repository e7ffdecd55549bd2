#pragma once
// The million-point track the exchange format benchmarks export and read,
// built once per run of the benchmark program, and the export loop they share.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "formats/export_driver.h"
#include "store/file_kinds.h"
#include "store/workspace.h"

constexpr int kMillionTrackPoints = 1000000;

// Point k of the track: a diagonal across a few degrees, one second apart,
// quarter-metre altitudes, a new segment every 10,000 points.
inline TrackPoint oBenchTrackPoint(int k) {
    TrackPoint o{};
    o.lLatitude = 578000000 + k * 37;
    o.lLongitude = 110000000 - k * 53;
    o.lTime = 500000000 + k;
    o.fAltitude = 200.0f + static_cast<float>(k % 1000) * 0.25f;
    o.fNewSegment = k % 10000 == 0;
    return o;
}

inline Workspace &oMillionPointTrack() {
    static Workspace *pWorkspace = [] {
        auto *p = new Workspace;
        for (int k = 0; k < kMillionTrackPoints; ++k) {
            iAddTrackPoint(p, oBenchTrackPoint(k));
        }
        return p;
    }();
    return *pWorkspace;
}

inline std::string sBenchPath(const char *pszName) {
    return (std::filesystem::temp_directory_path() / pszName).string();
}

// Exports the track to a file of the type once per iteration; the file's size
// becomes the "bytes" counter and the file is removed afterwards.
inline void vExportMillionPointTrack(benchmark::State &oState, int iFileType, const char *pszName) {
    Workspace &w = oMillionPointTrack();
    std::string sPath = sBenchPath(pszName);
    for (auto _ : oState) {
        if (!iExportTextFile(&w, sPath.c_str(), kKindAll, iFileType)) {
            oState.SkipWithError("export failed");
            break;
        }
    }
    oState.SetItemsProcessed(oState.iterations() * kMillionTrackPoints);
    std::error_code oError;
    oState.counters["bytes"] = static_cast<double>(std::filesystem::file_size(sPath, oError));
    std::filesystem::remove(sPath, oError);
}
