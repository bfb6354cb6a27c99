#pragma once
#include "live/device_table.h"
#include "live/display_lines.h"
#include "platform/panel.h"

namespace live {

// The zero/absolute switch of each display row: zero takes the unit's present value as its
// zero level; from the next message on, its values are shown, recorded, streamed and charted
// relative to it.
class ZeroDisplay {
public:
    ZeroDisplay(platform::Panel& panel, DeviceTable& table, const DisplayLines& display);

    // Callback of the switch of row (0-7): ZeroDisplay1 ... ZeroDisplay8.
    void ZeroDisplayRow(int row, platform::Event event);
    void ZeroAbsSwUpDate(int row);

private:
    platform::Panel& panel_;
    DeviceTable& table_;
    const DisplayLines& display_;
};

}  // namespace live
