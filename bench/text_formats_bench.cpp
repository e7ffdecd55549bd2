// Export of a 1,000,000-point track to the text formats and import back.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "files/load_save.h"
#include "store/file_kinds.h"
#include "store/workspace.h"

namespace {

constexpr int kPoints = 1000000;

void vFillTrack(Workspace &w) {
    for (int i = 0; i < kPoints; ++i) {
        TrackPoint o{};
        // A walk around southern Germany, one point a second.
        o.lLatitude = 578641237 + (i % 20000) * 1000;
        o.lLongitude = 110357850 + (i / 20000) * 5000;
        o.lTime = 400000000 + i;
        o.fAltitude = 300.0f + static_cast<float>(i % 500);
        o.fNewSegment = i % 5000 == 0 ? 1 : 0;
        iAddTrackPoint(&w, o);
    }
}

std::string sTempName(const char *pszName) {
    return (std::filesystem::temp_directory_path() / pszName).string();
}

void vExport(benchmark::State &oState, const char *pszName, int16_t sCoordFormat, int fTabbed) {
    Workspace w;
    vFillTrack(w);
    w.fTabbedExport = static_cast<int16_t>(fTabbed);
    std::string sName = sTempName(pszName);
    for (auto _ : oState) {
        w.sCoordFormat = sCoordFormat; // PCX5 replaces it with its own notation
        if (!iSaveFile(&w, sName.c_str(), kKindAll)) {
            oState.SkipWithError("export failed");
        }
    }
    oState.counters["bytes"] = static_cast<double>(std::filesystem::file_size(sName));
    std::remove(sName.c_str());
}

void vImport(benchmark::State &oState, const char *pszName, int16_t sCoordFormat) {
    std::string sName = sTempName(pszName);
    {
        Workspace w;
        vFillTrack(w);
        w.sCoordFormat = sCoordFormat;
        iSaveFile(&w, sName.c_str(), kKindAll);
    }
    for (auto _ : oState) {
        Workspace r;
        if (!iLoadFile(&r, sName.c_str()) ||
            static_cast<size_t>(r.pStore->lTrackPointCount) != kPoints) {
            oState.SkipWithError("import failed");
        }
    }
    std::remove(sName.c_str());
}

void BM_ExportVkeUtm(benchmark::State &s) {
    vExport(s, "quillox-bench-utm.vke", 4, 0);
}
void BM_ExportVkeDegrees(benchmark::State &s) {
    vExport(s, "quillox-bench-deg.vke", 1, 0);
}
void BM_ExportVkeColumns(benchmark::State &s) {
    vExport(s, "quillox-bench-col.vke", 4, 1);
}
void BM_ExportVkh(benchmark::State &s) {
    vExport(s, "quillox-bench.vkh", 4, 0);
}
void BM_ExportPcx5(benchmark::State &s) {
    vExport(s, "quillox-bench.trk", 2, 0);
}
void BM_ImportVkeUtm(benchmark::State &s) {
    vImport(s, "quillox-bench-in-utm.vke", 4);
}
void BM_ImportVkeDegrees(benchmark::State &s) {
    vImport(s, "quillox-bench-in-deg.vke", 1);
}
void BM_ImportVkh(benchmark::State &s) {
    vImport(s, "quillox-bench-in.vkh", 4);
}
void BM_ImportPcx5(benchmark::State &s) {
    vImport(s, "quillox-bench-in.trk", 2);
}

} // namespace

BENCHMARK(BM_ExportVkeUtm)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ExportVkeDegrees)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ExportVkeColumns)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ExportVkh)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ExportPcx5)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ImportVkeUtm)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ImportVkeDegrees)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ImportVkh)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ImportPcx5)->Unit(benchmark::kMillisecond)->Iterations(1);
