// Arbitrary messages from the broker through the collector's archive: the topic (whose middle
// level names the station and so a folder) and the payload (a records message or a status).
// Input: the topic up to the first newline, the payload after it. Nothing may crash, and
// nothing may be written outside the archive folder.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>

#include "station/archive.h"

namespace {

struct Scratch {
    std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("fathom_fuzz_collector_" + std::to_string(::getpid()));
    std::filesystem::path archive = root / "archive";
    station::Archive a{{.dir = archive.string()}, [](const std::string&) {},
                       [](const std::string&) {}};
    Scratch() { std::filesystem::create_directories(archive); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Scratch s;
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const auto nl = in.find('\n');
    const std::string_view topic = in.substr(0, nl);
    const std::string_view payload = nl == std::string_view::npos ? "" : in.substr(nl + 1);
    static double now = 0;
    s.a.message(topic, {payload.data(), payload.size()}, now += 7);
    s.a.tick(now);
    // The archive folder is the only thing in the scratch folder.
    for (const auto& e : std::filesystem::directory_iterator(s.root)) {
        if (e.path() != s.archive) __builtin_trap();
    }
    return 0;
}
