#include "app/cli.h"

#include <array>
#include <charconv>
#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string_view>

namespace app {

namespace {

struct OptionDef {
    std::string_view name;
    std::string_view valueName;  // empty for flags
    std::string_view help;
    std::function<bool(CliOptions&, std::string_view)> apply;  // false: bad value
};

// Joins pieces by appending (GCC 12 warns wrongly about `"literal" + std::string` at -O3).
std::string join(std::initializer_list<std::string_view> parts) {
    std::string s;
    for (std::string_view p : parts) s.append(p);
    return s;
}

bool parseInt(std::string_view s, int& out) {
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

// One row per option; new options are new rows.
const std::array<OptionDef, 7>& options() {
    static const std::array<OptionDef, 7> defs{{
        {"--version", "", "Print the program version and exit.",
         [](CliOptions& o, std::string_view) { return o.version = true; }},
        {"--help", "", "Print this help and exit.",
         [](CliOptions& o, std::string_view) { return o.help = true; }},
        {"--screenshot", "FILE.png", "Render the window at 1280x1024 to FILE.png and exit.",
         [](CliOptions& o, std::string_view v) {
             o.screenshot = std::string(v);
             return !v.empty();
         }},
        {"--tab", "N", "The tab page shown at start: 0 plot, 1 analysis, 2 configuration,\n"
                       "                         3 data-logger ports, 4 upload.",
         [](CliOptions& o, std::string_view v) {
             return parseInt(v, o.tab) && o.tab >= 0 && o.tab <= 4;
         }},
        {"--startup-time", "", "Print the milliseconds from start to the window shown, and exit.",
         [](CliOptions& o, std::string_view) { return o.startupTime = true; }},
        {"--simulate", "", "Offer simulated instruments (SIM1 ...) beside the real serial ports.",
         [](CliOptions& o, std::string_view) { return o.simulate = true; }},
        {"--screenshot-after", "SECONDS", "With --screenshot: run that long first.",
         [](CliOptions& o, std::string_view v) {
             int s = 0;
             if (!parseInt(v, s) || s < 0) return false;
             o.screenshotAfter = s;
             return true;
         }},
    }};
    return defs;
}

}  // namespace

CliOptions parseCommandLine(int argc, const char* const* argv) {
    CliOptions o;
    for (int i = 1; i < argc && o.error.empty(); ++i) {
        std::string_view arg = argv[i];
        if (!arg.starts_with("--")) continue;  // window-system options such as -platform
        std::string_view name = arg, value;
        bool inlineValue = false;
        if (auto eq = arg.find('='); eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            inlineValue = true;
        }
        const OptionDef* def = nullptr;
        for (const OptionDef& d : options()) {
            if (d.name == name) def = &d;
        }
        if (!def) {
            o.error = join({"unknown option ", name});
        } else if (def->valueName.empty() && inlineValue) {
            o.error = join({name, " takes no value"});
        } else if (!def->valueName.empty() && !inlineValue && i + 1 >= argc) {
            o.error = join({name, " needs ", def->valueName});
        } else {
            if (!def->valueName.empty() && !inlineValue) value = argv[++i];
            if (!def->apply(o, value)) {
                o.error = join({"bad value for ", name, ": ", value});
            }
        }
    }
    return o;
}

std::string cliUsage() {
    std::string s =
        "Usage: fathomhost [options]\n"
        "Host program for Fathomrod, Echorod, Tidecorder, Swellmeter, synchronizer and\n"
        "data-logger units.\n\nOptions:\n";
    for (const OptionDef& d : options()) {
        std::string left = join({"  ", d.name, d.valueName.empty() ? "" : " ", d.valueName});
        left.resize(std::max<std::size_t>(left.size() + 2, 25), ' ');
        s.append(left).append(d.help).append("\n");
    }
    return s;
}

}  // namespace app
