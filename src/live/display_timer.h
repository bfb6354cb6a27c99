#pragma once
#include <functional>

#include "config/config_state.h"
#include "link/api_frame.h"
#include "live/device_table.h"
#include "live/display_lines.h"
#include "platform/panel.h"

namespace live {

// The one-second tick of the live display: frees entries whose units fell silent and repeats
// the broadcast power command to the radio units.
class DisplayTimer {
public:
    DisplayTimer(platform::Panel& panel, DeviceTable& table, DisplayLines& display,
                 config::ConfigState& config, links::ApiFrameWriter& writer);

    void DeviceDisplayTimer();
    // The broadcast power switch: choosing "On" or "Send off" starts its count afresh, so
    // "Send off" always sends its 14 power-off broadcasts, however long "On" ran before.
    void BroadcastPowerCtr(platform::Event event);

    // Ticks of silence after which an entry is freed, by the kind of its last message.
    static int silenceLimit(const OutputLine& e);

    // The clock synchroniser's cycle, advanced by this timer's ticks.
    std::function<void()> autoSyncCycle;
    // True while the rows show a played-back file: its units are not on the air, so they do
    // not fall silent by the clock and stay listed when the file ends or pauses.
    std::function<bool()> showingFile;

    int BroadcastPwrTimmer = 0;
    int BroadcastTimeOut = 0;

private:
    void ageEntries();
    void broadcastPower();

    platform::Panel& panel_;
    DeviceTable& table_;
    DisplayLines& display_;
    config::ConfigState& config_;
    links::ApiFrameWriter& writer_;
};

}  // namespace live
