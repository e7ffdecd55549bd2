// A million-point track written as OziExplorer track, KML and NMEA files, and
// the OziExplorer track read back.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/million_point_track.h"
#include "files/file_types.h"
#include "formats/export_driver.h"
#include "formats/input_file.h"
#include "formats/ozi.h"
#include "store/file_kinds.h"
#include "store/workspace.h"

namespace {

void BM_ExportPlt(benchmark::State &oState) {
    vExportMillionPointTrack(oState, kFileOziTrack, "quillox-bench.plt");
}
void BM_ExportKml(benchmark::State &oState) {
    vExportMillionPointTrack(oState, kFileKml, "quillox-bench.kml");
}
void BM_ExportNme(benchmark::State &oState) {
    vExportMillionPointTrack(oState, kFileNmea, "quillox-bench.nme");
}

void BM_ImportPlt(benchmark::State &oState) {
    std::string sPath = sBenchPath("quillox-bench-in.plt");
    iExportTextFile(&oMillionPointTrack(), sPath.c_str(), kKindAll, kFileOziTrack);
    FileBytes oData;
    iReadWholeFile(sPath.c_str(), oData);
    std::error_code oError;
    std::filesystem::remove(sPath, oError);
    for (auto _ : oState) {
        Workspace w;
        if (!iImportOziTrackFromBuffer(&w, oData.sv(), "bench.plt")) {
            oState.SkipWithError("import failed");
            break;
        }
        benchmark::DoNotOptimize(w.pStore->lTrackPointCount);
    }
    oState.SetItemsProcessed(oState.iterations() * kMillionTrackPoints);
}

} // namespace

BENCHMARK(BM_ExportPlt)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportKml)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportNme)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportPlt)->Unit(benchmark::kMillisecond)->Iterations(3);
