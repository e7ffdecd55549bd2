// Every text writer at a million lines (track points, or waypoints for the
// waypoint formats), the GPX writer of both among them as the yardstick per line, and
// the text readers on what the writers wrote. CPU time of the process; the
// file's size is the "bytes" counter. GPSBabel side by side on whole runs:
// bench/gpsbabel_compare.sh.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/million_point_track.h"
#include "files/listings.h"
#include "files/load_save.h"
#include "formats/export_driver.h"
#include "store/file_kinds.h"
#include "store/workspace.h"

namespace {

// A million waypoints spread over the same region, with names and comments.
Workspace &oMillionWaypoints() {
    static Workspace *pWorkspace = [] {
        auto *p = new Workspace;
        for (int k = 0; k < kMillionTrackPoints; ++k) {
            Waypoint o = oEmptyWaypoint();
            std::snprintf(o.szName, sizeof(o.szName), "W%07d", k);
            std::snprintf(o.szComment, sizeof(o.szComment), "Waypoint %d, hut", k);
            o.lLatitude = 578000000 + k * 37;
            o.lLongitude = 110000000 - k * 53;
            o.lTime = 500000000 + k;
            o.fAltitude = 200.0f + static_cast<float>(k % 1000) * 0.25f;
            o.sSymbol = static_cast<int16_t>(k % 100);
            iAddWaypoint(p, o);
        }
        return p;
    }();
    return *pWorkspace;
}

enum class Source { kTrack, kWaypoints };
constexpr int kWaypointListing = -1;
constexpr int kTrackListing = -2;

struct Case {
    const char *pszName;
    int iType;
    Source eSource;
    int16_t sCoordFormat;
    int16_t fTabbed;
};

int iWrite(Workspace &w, const Case &c, const std::string &sPath) {
    w.sCoordFormat = c.sCoordFormat;
    w.fTabbedExport = c.fTabbed;
    if (c.iType == kWaypointListing) {
        return iListWaypoints(&w, sPath.c_str());
    }
    if (c.iType == kTrackListing) {
        return iListTrackPoints(&w, sPath.c_str());
    }
    return iExportTextFile(&w, sPath.c_str(), kKindAll, c.iType);
}

Workspace &oSource(const Case &c) {
    return c.eSource == Source::kTrack ? oMillionPointTrack() : oMillionWaypoints();
}

void vWrite(benchmark::State &oState, const Case &c) {
    Workspace &w = oSource(c);
    std::string sPath = sBenchPath("quillox-bench-writer.txt");
    for (auto _ : oState) {
        if (!iWrite(w, c, sPath)) {
            oState.SkipWithError("export failed");
            break;
        }
    }
    oState.SetItemsProcessed(oState.iterations() * kMillionTrackPoints);
    std::error_code oError;
    oState.counters["bytes"] = static_cast<double>(std::filesystem::file_size(sPath, oError));
    std::filesystem::remove(sPath, oError);
}

// Reads back the file the writer made; its extension picks the reader.
void vRead(benchmark::State &oState, const Case &c, const char *pszExtension) {
    std::string sPath = sBenchPath((std::string("quillox-bench-reader") + pszExtension).c_str());
    iWrite(oSource(c), c, sPath);
    for (auto _ : oState) {
        Workspace r;
        r.sCoordFormat = c.sCoordFormat;
        if (!iLoadFile(&r, sPath.c_str())) {
            oState.SkipWithError("import failed");
            break;
        }
        benchmark::DoNotOptimize(r.pStore->lTrackPointCount + r.pStore->pWaypoints.size());
    }
    oState.SetItemsProcessed(oState.iterations() * kMillionTrackPoints);
    std::error_code oError;
    std::filesystem::remove(sPath, oError);
}

const Case kaWriters[] = {
    {"Gpx", kFileGpx, Source::kTrack, 4, 0},
    {"GpxWaypoints", kFileGpx, Source::kWaypoints, 2, 0},
    {"Plt", kFileOziTrack, Source::kTrack, 4, 0},
    {"Ozi", kFileOziWaypoints, Source::kWaypoints, 4, 0},
    {"VkeUtm", kFileTextExport, Source::kTrack, 4, 0},
    {"VkeDegrees", kFileTextExport, Source::kTrack, 1, 0},
    {"VkeColumns", kFileTextExport, Source::kTrack, 4, 1},
    {"VkeWaypoints", kFileTextExport, Source::kWaypoints, 2, 0},
    {"Vkh", kFileHexExport, Source::kTrack, 4, 0},
    {"Pcx5Track", kFilePcx5, Source::kTrack, 2, 0},
    {"Pcx5Waypoints", kFilePcx5, Source::kWaypoints, 2, 0},
    {"Ovl", kFileOverlay, Source::kTrack, 4, 0},
    {"Nme", kFileNmea, Source::kTrack, 4, 0},
    {"Cmp", kFileBarograph, Source::kTrack, 4, 0},
    {"Kml", kFileKml, Source::kTrack, 4, 0},
    {"WaypointListing", kWaypointListing, Source::kWaypoints, 2, 0},
    {"TrackListing", kTrackListing, Source::kTrack, 2, 0},
};

struct ReaderCase {
    const char *pszName;
    Case oWriter;
    const char *pszExtension;
};

const ReaderCase kaReaders[] = {
    {"Plt", {"", kFileOziTrack, Source::kTrack, 4, 0}, ".plt"},
    {"Ozi", {"", kFileOziWaypoints, Source::kWaypoints, 4, 0}, ".ozi"},
    {"VkeUtm", {"", kFileTextExport, Source::kTrack, 4, 0}, ".vke"},
    {"VkeDegrees", {"", kFileTextExport, Source::kTrack, 1, 0}, ".vke"},
    {"Vkh", {"", kFileHexExport, Source::kTrack, 4, 0}, ".vkh"},
    {"Pcx5Track", {"", kFilePcx5, Source::kTrack, 2, 0}, ".grm"},
    {"Ovl", {"", kFileOverlay, Source::kTrack, 4, 0}, ".ovl"},
};

const bool gfRegistered = [] {
    for (const Case &c : kaWriters) {
        benchmark::RegisterBenchmark((std::string("BM_Write") + c.pszName).c_str(),
                                     [&c](benchmark::State &s) { vWrite(s, c); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3)
            ->MeasureProcessCPUTime();
    }
    for (const ReaderCase &c : kaReaders) {
        benchmark::RegisterBenchmark(
            (std::string("BM_Read") + c.pszName).c_str(),
            [&c](benchmark::State &s) { vRead(s, c.oWriter, c.pszExtension); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3)
            ->MeasureProcessCPUTime();
    }
    return true;
}();

} // namespace
