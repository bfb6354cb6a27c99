// The station network with a real broker (mosquitto on a loopback port, started here).
//
// 1. The collector (fathomhost --collect, the real program) fed by a load generator that
//    publishes as N stations of 24 units at 32 Hz: each station sends one message a second
//    holding 24 "A" bursts (24 records, 289 bytes each). For growing N it reports the records
//    per second archived and whether the collector kept up (everything archived within a few
//    seconds of the generator's last message). Goal: at least 1,000 stations.
// 2. The station's CPU cost of publishing: one second of 24 units at 32 Hz through the queue
//    on disk, the message and libmosquitto to the broker, acknowledged (Google Benchmark, CPU
//    time of the whole process per second of data).
#include <benchmark/benchmark.h>
#include <mosquitto.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "app/host.h"
#include "mqtt/mosquitto_link.h"
#include "station/payload.h"
#include "support/host_rig.h"
#include "support/mosquitto_broker.h"

namespace {

namespace fs = std::filesystem;
constexpr int kUnits = 24;
constexpr int kRecordBytes = 289;

// One "A" burst record of unit u, as the recorder writes it.
std::string burstRecord(int u) {
    char head[64];
    std::snprintf(head, sizeof head, "A%03d,S32,B0,2026-12-08T12:00:00", u + 1);
    std::string r = head;
    for (int i = 0; i < 32; ++i) r += ",01.2345";
    r += "\r\n";
    return r;
}

std::string secondOfRecords() {
    std::string s;
    for (int u = 0; u < kUnits; ++u) s += burstRecord(u);
    return s;
}

std::uint64_t archivedBytes(const std::string& dir) {
    std::uint64_t n = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(dir, ec), end; it != end; it.increment(ec)) {
        if (it->path().extension() == ".csv") n += it->file_size(ec);
    }
    return n;
}

// Publishes `seconds` seconds of N stations, paced per second; returns the messages published.
std::uint64_t generate(int port, int stations, int seconds, int firstSeq) {
    mosquitto* m = mosquitto_new(nullptr, true, nullptr);
    mosquitto_max_inflight_messages_set(m, 1000);
    if (mosquitto_connect(m, "127.0.0.1", port, 60) != MOSQ_ERR_SUCCESS) return 0;
    mosquitto_loop_start(m);
    const std::string records = secondOfRecords();
    std::uint64_t sent = 0;
    const auto t0 = std::chrono::steady_clock::now();
    for (int s = 0; s < seconds; ++s) {
        const auto due = t0 + std::chrono::seconds(s);
        std::this_thread::sleep_until(due);
        for (int i = 0; i < stations; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "gen-%05d", i);
            const std::uint64_t seq = static_cast<std::uint64_t>(firstSeq + s);
            const std::string payload =
                station::recordsHeaderLine({.queue = "bench" + std::to_string(i), .seq = seq,
                                            .floor = seq, .day = {2026, 12, 8}},
                                           records.size()) +
                records;
            if (mosquitto_publish(m, nullptr, station::recordsTopic(name).c_str(),
                                  static_cast<int>(payload.size()), payload.data(), 1,
                                  false) == MOSQ_ERR_SUCCESS) {
                ++sent;
            }
        }
    }
    // Until the broker has everything.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    mosquitto_disconnect(m);
    mosquitto_loop_stop(m, false);
    mosquitto_destroy(m);
    return sent;
}

void collectorLoad() {
    e2e::ScratchDir dir;
    testing_support::MosquittoBroker broker(dir, {});
    if (!broker.ready()) {
        std::printf("collector load: mosquitto did not start\n");
        return;
    }
    const std::string archive = dir / "archive";
    e2e::Child collector({(e2e::binDir() / "fathomhost").string(), "--collect", broker.url(),
                          "--archive", archive},
                         dir / "collector.out", dir / "collector.err");
    e2e::waitFor([&] { return collector.out().find("subscribed") != std::string::npos; }, 10);
    std::printf("collector load, %d units of 32 Hz per station (one %d-byte message a second):\n",
                kUnits, kUnits * kRecordBytes);
    constexpr int kSeconds = 10;
    int largest = 0;
    int seq = 1;
    for (int stations : {250, 500, 1000, 2000, 4000, 6000, 8000, 12000, 16000}) {
        const std::uint64_t before = archivedBytes(archive);
        const auto t0 = std::chrono::steady_clock::now();
        const std::uint64_t sent = generate(broker.port(), stations, kSeconds, seq);
        seq += kSeconds;
        const std::uint64_t want = sent * kUnits * kRecordBytes;
        const bool done = e2e::waitFor([&] { return archivedBytes(archive) - before >= want; }, 5);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const double records =
            static_cast<double>(archivedBytes(archive) - before) / kRecordBytes;
        const bool kept = done && sent == static_cast<std::uint64_t>(stations) * kSeconds;
        std::printf("  %5d stations: %9.0f records/s offered, %9.0f records/s archived, %s\n",
                    stations, static_cast<double>(stations) * kUnits, records / seconds,
                    kept ? "kept up" : "fell behind");
        std::fflush(stdout);
        if (!kept) break;
        largest = stations;
    }
    std::printf("  largest number of stations kept up with: %d\n", largest);
    collector.signal(SIGTERM);
    collector.wait(10);
}

// One second of 24 units at 32 Hz through the station: records into the queue on disk, the
// second's message to the broker, its acknowledgement.
void BM_StationPublishing(benchmark::State& state) {
    e2e::ScratchDir dir;
    testing_support::MosquittoBroker broker(dir, {});
    testing_support::HostRig rig;
    rig.host.Initialize();
    station::Station& st = rig.host.station();
    st.setLinkMaker([] { return std::make_unique<mqtt::MosquittoLink>(); });
    std::string why;
    if (!broker.ready() ||
        !st.start({.url = broker.url(), .station = "bench", .queueFolder = dir / ""}, why)) {
        state.SkipWithError(("cannot start: " + why).c_str());
        return;
    }
    e2e::waitFor([&] {
        rig.panel.raise(platform::Ctl::StationTimer, platform::Event::TimerTick);
        return st.connected();
    }, 10);
    std::vector<std::string> records;
    for (int u = 0; u < kUnits; ++u) records.push_back(burstRecord(u));
    for (auto _ : state) {
        for (const std::string& r : records) st.addRecord({r.data(), r.size()});
        rig.clock.advance(1);
        rig.panel.raise(platform::Ctl::StationTimer, platform::Event::TimerTick);
        while (st.waiting() > 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            rig.panel.raise(platform::Ctl::StationTimer, platform::Event::TimerTick);
        }
    }
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kUnits,
                           benchmark::Counter::kIsRate);
    st.stop();
}
BENCHMARK(BM_StationPublishing)->Unit(benchmark::kMicrosecond)->MinTime(3);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::printf("\nBM_StationPublishing: its CPU time per iteration is the station's CPU per "
                "second of data (divide by 1 s for the share of one core).\n\n");
    collectorLoad();
    benchmark::Shutdown();
    return 0;
}
