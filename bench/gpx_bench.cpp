// A million-point track written and read as GPX, beside expat alone with
// empty handlers and GPSBabel's gpx format on the same file, and the memory
// the reader takes beyond the store.
//
// Times are CPU times of the process (GPSBabel's those of its child
// processes), so that other work on the machine does not blur the comparison.
// GPSBabel's writing is its run from our file to GPX less its run that only
// reads the file.

#include <benchmark/benchmark.h>
#include <expat.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/million_point_track.h"
#include "files/file_types.h"
#include "formats/export_driver.h"
#include "formats/gpx.h"
#include "store/workspace.h"

namespace {

// The GPX file of the million-point track, written once.
const std::string &sTrackFile() {
    static std::string sPath = [] {
        std::string s = sBenchPath("quillox-bench-in.gpx");
        iExportTextFile(&oMillionPointTrack(), s.c_str(), kKindAll, kFileGpx);
        return s;
    }();
    return sPath;
}

double dChildrenCpuSeconds() {
    rusage o{};
    getrusage(RUSAGE_CHILDREN, &o);
    return static_cast<double>(o.ru_utime.tv_sec + o.ru_stime.tv_sec) +
           static_cast<double>(o.ru_utime.tv_usec + o.ru_stime.tv_usec) / 1e6;
}

// CPU seconds of one GPSBabel run, or a negative value when it failed.
double dGpsbabelSeconds(const std::string &sArguments) {
    double dBefore = dChildrenCpuSeconds();
    std::string sCommand = "gpsbabel " + sArguments + " >/dev/null 2>&1";
    if (std::system(sCommand.c_str()) != 0) {
        return -1;
    }
    return dChildrenCpuSeconds() - dBefore;
}

// Peak resident memory, in bytes, of a child that runs the work.
template <typename Work> long lChildPeakBytes(Work fnWork) {
    pid_t iChild = fork();
    if (iChild == 0) {
        fnWork();
        _exit(0);
    }
    int iStatus = 0;
    rusage o{};
    wait4(iChild, &iStatus, 0, &o);
    return o.ru_maxrss * 1024L;
}

void BM_ExportGpx(benchmark::State &oState) {
    vExportMillionPointTrack(oState, kFileGpx, "quillox-bench.gpx");
}

void BM_ImportGpx(benchmark::State &oState) {
    const std::string &sPath = sTrackFile();
    for (auto _ : oState) {
        Workspace w;
        if (!iImportGpx(&w, sPath.c_str()) || w.pStore->lTrackPointCount != kMillionTrackPoints) {
            oState.SkipWithError("import failed");
            break;
        }
        benchmark::DoNotOptimize(w.pStore->lTrackPointCount);
    }
    oState.SetItemsProcessed(oState.iterations() * kMillionTrackPoints);
}

// expat alone on the same file, as the reader drives it (namespaces split,
// 64 KiB pieces through expat's own buffer), with handlers that do nothing:
// the floor the reader is measured against. Argument 1 adds an empty text
// handler for all text; the reader listens to text only inside fields.
void XMLCALL vNoStart(void *, const XML_Char *, const XML_Char **) {}
void XMLCALL vNoEnd(void *, const XML_Char *) {}
void XMLCALL vNoText(void *, const XML_Char *, int) {}

void BM_ExpatEmptyHandlers(benchmark::State &oState) {
    const std::string &sPath = sTrackFile();
    constexpr int kPiece = 1 << 16;
    for (auto _ : oState) {
        std::FILE *pFile = std::fopen(sPath.c_str(), "rb");
        XML_Parser p = XML_ParserCreateNS(nullptr, '\x01');
        XML_SetElementHandler(p, &vNoStart, &vNoEnd);
        if (oState.range(0) != 0) {
            XML_SetCharacterDataHandler(p, &vNoText);
        }
        bool fOk = pFile != nullptr;
        for (bool fFinal = false; fOk && !fFinal;) {
            void *pBuffer = XML_GetBuffer(p, kPiece);
            size_t nRead = pBuffer ? std::fread(pBuffer, 1, kPiece, pFile) : 0;
            fFinal = nRead < static_cast<size_t>(kPiece);
            fOk = pBuffer && XML_ParseBuffer(p, static_cast<int>(nRead), fFinal) == XML_STATUS_OK;
        }
        XML_ParserFree(p);
        if (pFile) {
            std::fclose(pFile);
        }
        if (!fOk) {
            oState.SkipWithError("expat failed");
            break;
        }
    }
    oState.SetItemsProcessed(oState.iterations() * kMillionTrackPoints);
}

// The reader's memory beyond the store: the peak of a process that reads the
// file less the peak of one that adds the same points straight to a store.
void BM_ImportGpxMemory(benchmark::State &oState) {
    const std::string &sPath = sTrackFile();
    long lRead = 0, lStore = 0;
    for (auto _ : oState) {
        lRead = lChildPeakBytes([&] {
            Workspace w;
            iImportGpx(&w, sPath.c_str());
        });
        lStore = lChildPeakBytes([] {
            Workspace w;
            for (int k = 0; k < kMillionTrackPoints; ++k) {
                iAddTrackPoint(&w, oBenchTrackPoint(k));
            }
        });
    }
    oState.counters["reader_MB_above_store"] = static_cast<double>(lRead - lStore) / (1 << 20);
    oState.counters["store_peak_MB"] = static_cast<double>(lStore) / (1 << 20);
}

// GPSBabel reading the same file (no output) and turning it into GPX.
void BM_GpsbabelGpx(benchmark::State &oState) {
    const std::string &sPath = sTrackFile();
    std::string sOut = sBenchPath("quillox-bench-gpsbabel.gpx");
    double dRead = 0, dReadWrite = 0;
    for (auto _ : oState) {
        dRead = dGpsbabelSeconds("-t -i gpx -f " + sPath);
        dReadWrite = dGpsbabelSeconds("-t -i gpx -f " + sPath + " -o gpx -F " + sOut);
        oState.SetIterationTime(dRead + dReadWrite);
    }
    if (dRead < 0 || dReadWrite < 0) {
        oState.SkipWithError("gpsbabel failed (is it installed?)");
        return;
    }
    oState.counters["read_s"] = dRead;
    oState.counters["write_s"] = dReadWrite - dRead;
    std::error_code oError;
    std::filesystem::remove(sOut, oError);
}

} // namespace

BENCHMARK(BM_ExportGpx)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime();
BENCHMARK(BM_ImportGpx)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime();
BENCHMARK(BM_ExpatEmptyHandlers)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->MeasureProcessCPUTime()
    ->Arg(0)
    ->Arg(1);
BENCHMARK(BM_ImportGpxMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_GpsbabelGpx)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();
