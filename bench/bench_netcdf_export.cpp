// fathomhost --export-netcdf on a day of recordings, beside the CSV parsing of the same day as
// --analyze reads it: 24 simulated radio units at 32 samples a second in every data format,
// recorded by the program's own recorder (about 600 MB, made once and kept in the temporary
// folder). Reported as megabytes of recording per second.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "analysis/batch_analysis.h"
#include "netcdf/recording_export.h"
#include "sim_recordings.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDir = fs::temp_directory_path() / "fathom_bench_recordings";

const std::vector<std::string>& day() {
    static const std::vector<std::string> files =
        bench_support::simulatedRecordings("radio24", 0, 1, kDir);
    return files;
}

std::int64_t bytes(const std::vector<std::string>& files) {
    std::int64_t n = 0;
    for (const std::string& f : files) n += static_cast<std::int64_t>(fs::file_size(f));
    return n;
}

void BM_ParseADayOfRecordings(benchmark::State& state) {
    const auto& files = day();
    for (auto _ : state) {
        std::ifstream in(files.front(), std::ios::binary);
        const analysis::Recording r = analysis::readRecording(in);
        benchmark::DoNotOptimize(r.devices.size());
    }
    state.SetBytesProcessed(state.iterations() * bytes(files));
    state.counters["file_MB"] = static_cast<double>(bytes(files)) / 1e6;
}
BENCHMARK(BM_ParseADayOfRecordings)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ExportADayOfRecordings(benchmark::State& state) {
    const auto& files = day();
    const std::string out = (kDir / "day.nc").string();
    for (auto _ : state) {
        const std::string error = netcdf::exportRecordings({.files = files, .output = out});
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    state.SetBytesProcessed(state.iterations() * bytes(files));
    state.counters["file_MB"] = static_cast<double>(bytes(files)) / 1e6;
    state.counters["netcdf_MB"] = static_cast<double>(fs::file_size(out)) / 1e6;
    fs::remove(out);
}
BENCHMARK(BM_ExportADayOfRecordings)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
