// The live pipeline from the bytes the radio adapter sends, through the frame decoder, to the
// device entry, the record in a file on disk and the samples in a trace buffer: "A" bursts of
// 32 samples and single "C" samples from eight units. Budget: 2 million samples per second.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "link/api_frame_codec.h"
#include "live/live_rig.h"
#include "support/wire_frames.h"

namespace {

constexpr int kUnits = 8;
constexpr std::size_t kTracePoints = 55296;

struct Pipeline : live_test::LiveRig {
    // Stands for the chart's preallocated trace buffer: every charted value is stored.
    std::vector<double> trace = std::vector<double>(kTracePoints);
    std::size_t writeLoc = 0;
    std::filesystem::path dir;

    Pipeline() {
        dir = std::filesystem::temp_directory_path() / "fathom_bench_live";
        std::filesystem::create_directories(dir);
        dialogs.promptReplies.push_back("99");
        dialogs.fileReplies.push_back(
            {platform::FileSelection::Status::New, (dir / "bench.csv").string()});
        recorder.SaveOutputDataToFile();
        chart.PlotRun = 1;
        auto store = [this](int line) {
            const int n = table[line].DataKind == live::kKindSample ? 1 : table[line].SampleCount;
            for (int i = 0; i < n && i < live::kMaxBurstValues; ++i) {
                trace[writeLoc] = service.WorkValue[static_cast<std::size_t>(i)];
                if (++writeLoc == trace.size()) writeLoc = 0;
            }
        };
        service.hooks.PlotData = store;
        service.hooks.PlotContData = store;
    }
    ~Pipeline() {
        recorder.StopOutputDataToFile();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

std::vector<links::RxFrame> aBursts() {
    std::vector<links::RxFrame> frames;
    for (int u = 0; u < kUnits; ++u) {
        char head[64];
        std::snprintf(head, sizeof head, "A%03d,S32,B0,2014-02-10T16:00:40,,", u + 1);
        std::string p = head;
        for (int s = 0; s < 32; ++s) {
            char v[8];
            std::snprintf(v, sizeof v, "%05d,", 1000 + 37 * s + u);
            p += v;
        }
        frames.push_back(
            live_test::packet(0x0013A20040000000ull + static_cast<std::uint64_t>(u), p));
    }
    return frames;
}

std::vector<links::RxFrame> cSamples() {
    std::vector<links::RxFrame> frames;
    for (int u = 0; u < kUnits; ++u) {
        char p[40];
        std::snprintf(p, sizeof p, "C%03d,D1,S32,%05d\r\n", u + 1, 1234 + u);
        frames.push_back(
            live_test::packet(0x0013A20041000000ull + static_cast<std::uint64_t>(u), p));
    }
    return frames;
}

// Bytes as the adapter sends them, through the port's frame decoder into the data service.
// With syncEachSecond the recording file is handed to the disk once a second of the run, as
// the file timer does while recording (fsync), so the two variants show what that costs.
void run(benchmark::State& state, const std::vector<links::RxFrame>& frames, int samplesPerFrame,
         bool syncEachSecond = false) {
    Pipeline pipe;
    std::string wire;
    for (const links::RxFrame& f : frames) wire += testing_support::wireFrame(f);
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(wire.data()),
                                              wire.size());
    links::FrameDecoder decoder;
    std::int64_t samples = 0;
    auto lastSync = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (syncEachSecond &&
            std::chrono::steady_clock::now() - lastSync >= std::chrono::seconds(1)) {
            pipe.recorder.fileSyncTick();
            lastSync = std::chrono::steady_clock::now();
        }
        // A block at a time, as the receive callback takes the port's input.
        for (auto rest = bytes; !rest.empty();) {
            bool complete = false;
            rest = rest.subspan(decoder.feed(rest, complete));
            if (complete) pipe.service.RxDataService(decoder.frame(), 0);
        }
        samples += static_cast<std::int64_t>(frames.size()) * samplesPerFrame;
    }
    benchmark::DoNotOptimize(pipe.trace.data());
    state.SetItemsProcessed(samples);
    state.counters["samples_per_s"] =
        benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate);
}

void BM_ABurstsToEntryFileAndTrace(benchmark::State& state) { run(state, aBursts(), 32); }
void BM_CSamplesToEntryFileAndTrace(benchmark::State& state) { run(state, cSamples(), 1); }

void BM_ABurstsToEntryFileSyncedEachSecondAndTrace(benchmark::State& state) {
    run(state, aBursts(), 32, true);
}

BENCHMARK(BM_ABurstsToEntryFileAndTrace);
BENCHMARK(BM_ABurstsToEntryFileSyncedEachSecondAndTrace)->MinTime(3.0);
BENCHMARK(BM_CSamplesToEntryFileAndTrace);

}  // namespace

BENCHMARK_MAIN();
