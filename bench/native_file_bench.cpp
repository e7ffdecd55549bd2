// Building and reading the native data file image of a 1,000,000-point track.
#include <benchmark/benchmark.h>

#include <vector>

#include "files/native_file.h"
#include "store/file_kinds.h"
#include "store/workspace.h"

namespace {

constexpr int kPoints = 1000000;

void vFillTrack(Workspace &w) {
    for (int i = 0; i < kPoints; ++i) {
        TrackPoint t{};
        t.lLatitude = 500000000 + i;
        t.lLongitude = 100000000 - i;
        t.lTime = 600000000 + i;
        t.fAltitude = static_cast<float>(i % 3000);
        iAddTrackPoint(&w, t);
    }
}

void NativeImageBuild(benchmark::State &state) {
    Workspace w;
    vFillTrack(w);
    std::vector<uint8_t> a;
    for (auto _ : state) {
        a.clear();
        vBuildNativeImage(&w, kKindAll, a);
        benchmark::DoNotOptimize(a.data());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(NativeImageBuild)->Unit(benchmark::kMillisecond);

void NativeImageRead(benchmark::State &state) {
    std::vector<uint8_t> a;
    {
        Workspace w;
        vFillTrack(w);
        vBuildNativeImage(&w, kKindAll, a);
    }
    for (auto _ : state) {
        Workspace w;
        benchmark::DoNotOptimize(iReadNativeBuffer(&w, a, "bench.vkd"));
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(NativeImageRead)->Unit(benchmark::kMillisecond);

} // namespace
