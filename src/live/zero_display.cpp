#include "live/zero_display.h"

namespace live {

ZeroDisplay::ZeroDisplay(platform::Panel& panel, DeviceTable& table, const DisplayLines& display)
    : panel_(panel), table_(table), display_(display) {}

void ZeroDisplay::ZeroDisplayRow(int row, platform::Event event) {
    if (event == platform::Event::Commit) ZeroAbsSwUpDate(row);
}

void ZeroDisplay::ZeroAbsSwUpDate(int row) {
    if (row < 0 || row >= kRowsPerPage) return;
    const int on = panel_.intValue(platform::ctlAt(platform::Ctl::ZeroAbs1, row));
    const int slot = row + (display_.DisplayLinesPage() - 1) * kRowsPerPage;
    for (int i = 0; i < kOutputLineCount; ++i) {
        OutputLine& e = table_[i];
        if (!e.inUse() || e.DisplaySlot != slot) continue;
        e.ZeroOn = on;
        if (on != 0) e.Offset = e.Value;  // back to absolute keeps the offset for next time
    }
}

}  // namespace live
