#include "live/display_timer.h"

#include <cstdio>

namespace live {

using platform::Ctl;

namespace {
// Broadcast power: one command every 15 ticks; 14 sends in a row, then cycles of 5 quiet
// periods and 4 sends while the switch stays on.
constexpr int kBroadcastPeriod = 15;
constexpr int kBroadcastSends = 14;
constexpr int kBroadcastCycleEnd = 18;
constexpr int kBroadcastCycleRestart = 10;
constexpr int kBroadcastOff = 2;  // switch value: send power-off, then return to 0
}  // namespace

DisplayTimer::DisplayTimer(platform::Panel& panel, DeviceTable& table, DisplayLines& display,
                           config::ConfigState& config, links::ApiFrameWriter& writer)
    : panel_(panel), table_(table), display_(display), config_(config), writer_(writer) {}

int DisplayTimer::silenceLimit(const OutputLine& e) {
    switch (e.MsgType) {
        case 'C': return 6;
        case 'G': return 180;
        case 'I': return e.SampleRate != 0 ? 256 / e.SampleRate + 10 : 266;
        default: return e.SampleRate != 0 ? 128 / e.SampleRate + 10 : 138;
    }
}

void DisplayTimer::DeviceDisplayTimer() {
    ageEntries();
    broadcastPower();
    if (autoSyncCycle) autoSyncCycle();
}

void DisplayTimer::BroadcastPowerCtr(platform::Event event) {
    // A count left at 14 or more by a long "On" would make "Send off" skip every power-off
    // broadcast and only set the switch back, leaving the units powered.
    if (event == platform::Event::Commit) BroadcastTimeOut = 0;
}

void DisplayTimer::ageEntries() {
    if (showingFile && showingFile()) return;
    for (int i = 0; i < kOutputLineCount; ++i) {
        OutputLine& e = table_[i];
        if (e.NetAddress == 0 || (e.SampleRate == 0 && e.MsgType != 'G')) continue;
        ++e.SilenceTicks;
        if (e.SilenceTicks < silenceLimit(e)) continue;
        if (e.NetAddress == config_.ConfigDeviceAddr) config_.ClearConfig = 1;
        table_.freeEntry(i);
        display_.ClearAllDisplayLines();
        table_.SortAllDisplayNum();
        display_.DisplayAllOutputLines();
        e.SilenceTicks = 0;
    }
}

void DisplayTimer::broadcastPower() {
    ++BroadcastPwrTimmer;
    panel_.setVisible(Ctl::BroadcastIndicator, false);
    if (BroadcastPwrTimmer < kBroadcastPeriod) return;
    BroadcastPwrTimmer = 0;
    const int sw = panel_.intValue(Ctl::BroadcastPower);
    if (sw == 0) {
        BroadcastTimeOut = 0;
        return;
    }
    panel_.setVisible(Ctl::SyncIndicator, false);
    if (BroadcastTimeOut < kBroadcastSends) {
        ++BroadcastTimeOut;
        panel_.setVisible(Ctl::BroadcastIndicator, true);
        int n = std::snprintf(writer_.TxStr.data(), writer_.TxStr.size(), "BP,%i\r\n", sw);
        writer_.ComWrtAPIFrame(static_cast<std::uint32_t>(links::kBroadcastAddress & 0xFFFFFFFFu),
                               static_cast<std::uint32_t>(links::kBroadcastAddress >> 32), n);
        writer_.TxWait = 1;
    } else if (sw == kBroadcastOff) {
        panel_.setValue(Ctl::BroadcastPower, 0);
    } else if (++BroadcastTimeOut > kBroadcastCycleEnd) {
        BroadcastTimeOut = kBroadcastCycleRestart;
    }
}

}  // namespace live
