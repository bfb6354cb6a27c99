#include "platform/control_table.h"

#include <array>
#include <cstdlib>
#include <cstdio>

namespace platform {

namespace {

struct Table {
    std::vector<ControlSpec> rows;
    std::array<int, kCtlCount> byId{};
    Table() {
        byId.fill(-1);
        for (auto part : {fragments::app(), fragments::link(), fragments::live(), fragments::chart(),
                          fragments::analysis(), fragments::playback(),
                          fragments::config(), fragments::station()}) {
            for (const auto& spec : part) rows.push_back(spec);
        }
        for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
            byId[static_cast<std::size_t>(ctlIndex(rows[static_cast<std::size_t>(i)].id))] = i;
        }
    }
};

const Table& table() {
    static const Table t;
    return t;
}

const char* const kNames[] = {
#define FATHOM_CTL(name) #name,
#include "platform/controls/app.def"
#include "platform/controls/link.def"
#include "platform/controls/live.def"
#include "platform/controls/chart.def"
#include "platform/controls/analysis.def"
#include "platform/controls/playback.def"
#include "platform/controls/config.def"
#include "platform/controls/station.def"
#undef FATHOM_CTL
};

}  // namespace

std::span<const ControlSpec> controlTable() { return table().rows; }

const ControlSpec& controlSpec(Ctl id) {
    int row = table().byId[static_cast<std::size_t>(ctlIndex(id))];
    if (row < 0) {
        // A declared id without a table row is a programming error caught by the tests.
        std::fprintf(stderr, "control %s has no table row\n", ctlName(id));
        std::abort();
    }
    return table().rows[static_cast<std::size_t>(row)];
}

const char* ctlName(Ctl c) {
    int i = ctlIndex(c);
    return (i >= 0 && i < kCtlCount) ? kNames[i] : "?";
}

}  // namespace platform
