// A million-point track written as OziExplorer track, KML and NMEA files, and
// the OziExplorer track read back.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "files/file_types.h"
#include "formats/export_driver.h"
#include "formats/input_file.h"
#include "formats/ozi.h"
#include "store/file_kinds.h"
#include "store/workspace.h"

namespace {

constexpr int kTrackPoints = 1000000;

Workspace &oMillionPointTrack() {
    static Workspace *pWorkspace = [] {
        auto *p = new Workspace;
        for (int k = 0; k < kTrackPoints; ++k) {
            TrackPoint o{};
            o.lLatitude = 578000000 + k * 37;
            o.lLongitude = 110000000 - k * 53;
            o.lTime = 500000000 + k;
            o.fAltitude = 200.0f + static_cast<float>(k % 1000);
            o.fNewSegment = k % 10000 == 0;
            iAddTrackPoint(p, o);
        }
        return p;
    }();
    return *pWorkspace;
}

std::string sBenchPath(const char *pszName) {
    return (std::filesystem::temp_directory_path() / pszName).string();
}

void vExport(benchmark::State &oState, int iFileType, const char *pszName) {
    Workspace &w = oMillionPointTrack();
    std::string sPath = sBenchPath(pszName);
    for (auto _ : oState) {
        if (!iExportTextFile(&w, sPath.c_str(), kKindAll, iFileType)) {
            oState.SkipWithError("export failed");
            break;
        }
    }
    oState.SetItemsProcessed(oState.iterations() * kTrackPoints);
    std::error_code oError;
    oState.counters["bytes"] = static_cast<double>(std::filesystem::file_size(sPath, oError));
    std::filesystem::remove(sPath, oError);
}

void BM_ExportPlt(benchmark::State &oState) {
    vExport(oState, kFileOziTrack, "quillox-bench.plt");
}
void BM_ExportKml(benchmark::State &oState) {
    vExport(oState, kFileKml, "quillox-bench.kml");
}
void BM_ExportNme(benchmark::State &oState) {
    vExport(oState, kFileNmea, "quillox-bench.nme");
}

void BM_ImportPlt(benchmark::State &oState) {
    std::string sPath = sBenchPath("quillox-bench-in.plt");
    iExportTextFile(&oMillionPointTrack(), sPath.c_str(), kKindAll, kFileOziTrack);
    std::string sData;
    iReadWholeFile(sPath.c_str(), sData);
    std::error_code oError;
    std::filesystem::remove(sPath, oError);
    for (auto _ : oState) {
        Workspace w;
        if (!iImportOziTrackFromBuffer(&w, sData, "bench.plt")) {
            oState.SkipWithError("import failed");
            break;
        }
        benchmark::DoNotOptimize(w.pStore->pTrackPoints.size());
    }
    oState.SetItemsProcessed(oState.iterations() * kTrackPoints);
}

} // namespace

BENCHMARK(BM_ExportPlt)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportKml)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportNme)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportPlt)->Unit(benchmark::kMillisecond)->Iterations(3);
