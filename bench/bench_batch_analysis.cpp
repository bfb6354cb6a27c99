// fathomhost --analyze on a day of recordings: four units' "A" bursts at 4 samples a second
// for 24 hours (about 11 MB), read, analysed per device and written (results and spectra).
// Reported as megabytes of recording per second; budget 200 MB/s (bench/anchors sets it beside
// pandas and SciPy).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>

#include "analysis/batch_analysis.h"
#include "bench_main.h"

namespace {

namespace fs = std::filesystem;

std::string dayOfRecordings(const fs::path& dir) {
    const fs::path path = dir / "day.csv";
    std::ofstream out(path, std::ios::binary);
    const int rate = 4, perBurst = 32, seconds = 86400;
    char line[512];
    for (int b = 0; b < seconds * rate / perBurst; ++b) {
        for (int device = 1; device <= 4; ++device) {
            const int s = b * perBurst / rate;
            int n = std::snprintf(line, sizeof line, "A%03d,S%02d,B0,2014-02-%02dT%02d:%02d:%02d",
                                  device, rate, 10 + s / 86400, s / 3600 % 24, s / 60 % 60, s % 60);
            for (int i = 0; i < perBurst; ++i) {
                const double t = (b * perBurst + i) / double(rate);
                const double v = 3.0 + 0.6 * std::sin(2 * std::numbers::pi * t / (7.0 + device)) +
                                 0.2 * std::sin(2 * std::numbers::pi * 0.31 * t + device);
                n += std::snprintf(line + n, sizeof line - static_cast<std::size_t>(n), ",%07.4f",
                                   v);
            }
            out << line << "\r\n";
        }
    }
    return path.string();
}

void BM_AnalyzeADayOfRecordings(benchmark::State& state) {
    const fs::path dir = fs::temp_directory_path() / "fathom_bench_analyze";
    fs::create_directories(dir);
    const std::string file = dayOfRecordings(dir);
    const auto bytes = static_cast<std::int64_t>(fs::file_size(file));
    analysis::BatchOptions options{.files = {file}, .outputDir = (dir / "out").string()};
    std::ostringstream log;
    for (auto _ : state) {
        log.str({});
        benchmark::DoNotOptimize(analysis::runBatch(options, log));
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
    fs::remove_all(dir);
}
BENCHMARK(BM_AnalyzeADayOfRecordings)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv,
                                [](const std::filesystem::path& dir) { dayOfRecordings(dir); });
}
