// Arbitrary command lines: the input is split into arguments at NUL bytes and parsed as
// fathomhost parses its own. Whatever is typed, the parser gives options within their limits
// or an error, and the help text can be printed.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/cli.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args{"fathomhost"};
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    args.push_back(current);
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    const app::CliOptions o = app::parseCommandLine(static_cast<int>(argv.size()), argv.data());
    if (o.error.empty()) {
        const bool ok = o.tab >= 0 && o.tab <= 4 && o.unitType >= -1 && o.unitType <= 9 &&
                        o.interval >= 1 && o.interval <= 99 && o.duration >= 0 &&
                        o.syncLengths.size() <= 8 && o.syncLengthsB.size() <= 8 &&
                        (!o.headless || (o.unitType >= 0 && (!o.port.empty() || !o.portB.empty())));
        if (!ok) std::abort();
    }
    if (app::cliUsage().empty()) std::abort();
    return 0;
}
