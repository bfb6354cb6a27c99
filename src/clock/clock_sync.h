#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "config/command_sender.h"
#include "config/config_scan.h"
#include "config/config_state.h"
#include "config/wired_writer.h"
#include "link/link_state.h"
#include "live/device_table.h"
#include "platform/clock.h"
#include "platform/panel.h"
#include "platform/serial_ports.h"
#include "platform/unit_types.h"

namespace clocks {

// One sync command of the automatic cycle, as the operator's log reports it.
struct SyncReport {
    int device = 0;
    std::uint64_t address = 0;
    std::string command;  // the ZS text without its line end
    // What the command sets: the time it names less the ticks before it, i.e. the computer's
    // time when it was sent, "hh:mm:ss.mmm".
    std::string setTo;
};

// A radio unit's clock seen out of step with the computer's (or back in step).
struct ClockOffReport {
    int device = 0;
    std::uint64_t address = 0;
    double seconds = 0;   // how far the unit's clock is ahead (negative: behind)
    bool resync = false;  // Auto Time Sync is on: the unit is synced again at once
};

// The units' clocks: set, read, compare and trim them, program a start time, switch GPS time,
// and keep the radio units' clocks in step with the computer's (Auto Time Sync).
class ClockSync {
  public:
    ClockSync(platform::Panel& panel, platform::Clock& clock, platform::SerialPorts& ports,
              const platform::Session& session, config::ConfigState& state, links::LinkState& links,
              config::CommandSender& sender, config::WiredWriter& writer, config::ConfigScan& scan,
              const live::DeviceTable& table);

    // Every control served here; Host routes their events to event().
    static std::span<const platform::Ctl> controls();
    void event(platform::Ctl c, platform::Event e);

    // The automatic cycle, once per tick of the device display timer.
    void autoSyncCycle();
    // A new unit, a changed sample rate or a scan: resync every 30 ticks for 300 ticks.
    void startFastSync() { FastSyncSecTimeout = kFastSyncTicks; }
    // True when the unit of this display line is armed for its sync.
    bool autoWaitSyncFor(int line) const { return AutoWaitSync != 0 && line == AutoSyncLoc; }
    void AutoSyncFathomrodXB(std::uint64_t address, const std::array<char, 3>& RxSecSync);

    // Told of every sync sent (headless prints it).
    std::function<void(const SyncReport&)> onSync;

    // A radio unit's message told the time of its clock (the date and time fields of its
    // display line), `lastSampleAfter` seconds before the latest sample the message carries.
    // A clock more than kOutOfStep seconds off the computer's is reported once (until seen in
    // step again) and, with Auto Time Sync on, its unit is synced again without waiting for
    // the next round.
    void unitTimeSeen(int line, double lastSampleAfter);
    std::function<void(const ClockOffReport&)> onClockOff;
    static constexpr double kOutOfStep = 3.0;  // seconds: above a time text's whole seconds

    static constexpr int kFastSyncTicks = 300;

    std::uint8_t AutoWaitSync = 0;
    std::uint8_t AutoSyncLoc = 0;
    int FastSyncSecTimeout = 0;
    int AutoSyncState = 0;
    int AutoSyncCount = 0;
    int AutoSyncPeriod = 600;

  private:
    enum class Path { Radio, Wired, Synchronizer };
    Path path() const;
    bool logger() const { return config::hasLoggerLayout(session_.UnitType); }
    void setNewClockBit(bool on);
    void markEdited(platform::Ctl field, platform::Ctl button);
    void SetClock();
    void ReadClock();
    void SyncToPC();
    void CompClock();
    void RtcCal(platform::Event e);
    void EnableStartTime();
    void WriteStartTime();
    void EnableGPSTime();
    void AutoTimeSync();
    void showSyncIndicator(bool on);
    void syncSynchronizer(const platform::CalendarTime& t);

    platform::Panel& panel_;
    platform::Clock& clock_;
    platform::SerialPorts& ports_;
    const platform::Session& session_;
    config::ConfigState& s_;
    links::LinkState& links_;
    config::CommandSender& sender_;
    config::WiredWriter& writer_;
    config::ConfigScan& scan_;
    const live::DeviceTable& table_;
    // Lines whose unit was seen out of step, and those of them waiting for their sync.
    std::array<bool, live::kOutputLineCount> outOfStep_{};
    std::array<bool, live::kOutputLineCount> resyncDue_{};
    // Where the round takes up again after such a sync (kOutputLineCount: it waits for the
    // next round); -1 when the round is not interrupted.
    int resumeLoc_ = -1;
    bool betweenRounds_ = false;  // the round was over when the unit went out of step
};

}  // namespace clocks
