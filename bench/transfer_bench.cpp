// The program's own work per received or sent record (decoding, storing,
// encoding), to compare with the wire: a 9600-baud line carries about 35
// track records a second, so anything in microseconds is negligible.

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "device/track_records.h"
#include "device/waypoint_records.h"
#include "store/workspace.h"

namespace {

void BM_StoreReceivedTrackPoints(benchmark::State &oState) {
    const int iPoints = static_cast<int>(oState.range(0));
    std::vector<std::vector<uint8_t>> aaRecords(static_cast<size_t>(iPoints));
    for (int i = 0; i < iPoints; ++i) {
        TrackPoint o{};
        o.lLatitude = i * 1000;
        o.lLongitude = -i * 1000;
        o.lTime = 1000000 + i;
        o.fAltitude = 400.0f;
        iEncodeTrackPoint(o, 301, aaRecords[static_cast<size_t>(i)]);
    }
    for (auto _ : oState) {
        Workspace w;
        for (const auto &a : aaRecords) {
            TrackPoint o;
            iDecodeTrackPoint(a, 301, o);
            vNormaliseTrackPoint(o);
            iAddTrackPoint(&w, o);
        }
        benchmark::DoNotOptimize(w.pStore->lTrackPointCount);
    }
    oState.SetItemsProcessed(oState.iterations() * iPoints);
}
BENCHMARK(BM_StoreReceivedTrackPoints)->Arg(10000);

void BM_WaypointRecordRoundTrip(benchmark::State &oState) {
    Waypoint o = oEmptyWaypoint();
    std::strcpy(o.szName, "HARBOR");
    std::strcpy(o.szComment, "Demo point 1");
    std::vector<uint8_t> a;
    for (auto _ : oState) {
        iEncodeWaypointRecord(o, 110, a);
        Waypoint oBack;
        benchmark::DoNotOptimize(eDecodeWaypointRecord(a, 110, oBack));
    }
    oState.SetItemsProcessed(oState.iterations());
}
BENCHMARK(BM_WaypointRecordRoundTrip);

} // namespace
