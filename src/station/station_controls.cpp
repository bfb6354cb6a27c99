// Control table rows of the station network: the status-bar field and the timer. Its menu
// item stands with the File menu's other items.
#include <vector>

#include "platform/control_table.h"

namespace platform::fragments {

namespace {

constexpr std::string_view kStatusHelp =
    "The station network: whether the broker is connected, how many messages (one per second "
    "of records) wait in the queue on disk for the broker's acknowledgement, and when the last "
    "one was delivered. Set it up with File > Station network.";

std::vector<ControlSpec> build() {
    return {
        {.id = Ctl::StationStatus,
         .kind = Kind::TextMsg,
         .caption = "",
         .frame = "Status bar",
         .startVisible = false,
         .helpTitle = "STATION NETWORK",
         .helpText = kStatusHelp,
         .indicator = true},
        {.id = Ctl::StationTimer,
         .kind = Kind::Timer,
         .caption = "StationTimer",
         .timerMs = 100},
    };
}

}  // namespace

std::span<const ControlSpec> station() {
    static const std::vector<ControlSpec> t = build();
    return t;
}

}  // namespace platform::fragments
