// The main of the benchmark programs that bench/anchors compares with other tools. With
// --dump-input=DIR the program writes the inputs its benchmarks run on into DIR and exits, so
// the peers run on exactly the same bytes; without it, it runs its benchmarks.
#pragma once
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>
#include <string_view>

namespace bench {

inline void writeFile(const std::filesystem::path& path, std::span<const char> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
}

template <typename Dump>
int runBenchmarks(int argc, char** argv, Dump&& dump) {
    constexpr std::string_view kDump = "--dump-input=";
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg.starts_with(kDump)) {
            const std::filesystem::path dir(arg.substr(kDump.size()));
            std::filesystem::create_directories(dir);
            dump(dir);
            return 0;
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench
