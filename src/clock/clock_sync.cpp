#include "clock/clock_sync.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/entry_hint.h"
#include "platform/rgb.h"

namespace clocks {

using config::Args;
using config::Cmd;
using platform::Ctl;
using platform::Event;

namespace {

constexpr Ctl kClockFields[] = {Ctl::SetYear, Ctl::SetMonth,  Ctl::SetDay,
                                Ctl::SetHour, Ctl::SetMinute, Ctl::SetSecond};
constexpr Ctl kStartFields[] = {Ctl::SelStartYear, Ctl::SelStartMonth, Ctl::SelStartDay,
                                Ctl::SelStartHour, Ctl::SelStartMinute};
constexpr Ctl kOwnControls[] = {
    Ctl::SetYear,        Ctl::SetMonth,       Ctl::SetDay,        Ctl::SetHour,
    Ctl::SetMinute,      Ctl::SetSecond,      Ctl::SetClock,      Ctl::ReadClock,
    Ctl::SyncToPC,       Ctl::CompClock,      Ctl::RtcCal,        Ctl::EnableStartTime,
    Ctl::SelStartYear,   Ctl::SelStartMonth,  Ctl::SelStartDay,   Ctl::SelStartHour,
    Ctl::SelStartMinute, Ctl::WriteStartTime, Ctl::EnableGPSTime, Ctl::AutoTimeSync};
// Dimmed while Auto Time Sync keeps the clocks.
constexpr Ctl kManualClock[] = {Ctl::ReadClock, Ctl::SetClock, Ctl::SyncToPC, Ctl::CompClock,
                                Ctl::RtcCal};

// The cycle: a unit armed is given 120 ticks to send a message, then up to 8 more.
constexpr int kArmedTicks = 120;
constexpr int kLingerTicks = 8;
constexpr int kFastPeriod = 30;
constexpr int kSlowPeriod = 600;
// The sync names the second that begins 2 s from now, and says in 1/128 s how far off it is.
constexpr double kSyncLead = 2.0;
constexpr double kTickMs = 7.8125;

bool contains(std::span<const Ctl> list, Ctl c) {
    for (Ctl x : list)
        if (x == c) return true;
    return false;
}

Args dateTime(const platform::CalendarTime& t) {
    Args a;
    a.n = {t.year - 2000, t.month, t.day, t.hour, t.minute, t.second};
    return a;
}

}  // namespace

ClockSync::ClockSync(platform::Panel& panel, platform::Clock& clock, platform::SerialPorts& ports,
                     const platform::Session& session, config::ConfigState& state,
                     links::LinkState& links, config::CommandSender& sender,
                     config::WiredWriter& writer, config::ConfigScan& scan,
                     const live::DeviceTable& table)
    : panel_(panel),
      clock_(clock),
      ports_(ports),
      session_(session),
      s_(state),
      links_(links),
      sender_(sender),
      writer_(writer),
      scan_(scan),
      table_(table) {}

std::span<const Ctl> ClockSync::controls() { return kOwnControls; }

ClockSync::Path ClockSync::path() const {
    if (platform::isRadioType(session_.UnitType)) return Path::Radio;
    return session_.UnitType == 7 ? Path::Synchronizer : Path::Wired;
}

void ClockSync::setNewClockBit(bool on) {
    if (!logger()) return;
    std::uint8_t& flags = writer_.FRAll.modeFlags;
    flags = on ? flags | config::kModeNewClock
               : flags & static_cast<std::uint8_t>(~config::kModeNewClock);
}

void ClockSync::markEdited(Ctl field, Ctl button) {
    panel_.setTextColor(field, platform::kRed);
    panel_.setColor(button, platform::kRed);
}

void ClockSync::event(Ctl c, Event e) {
    if (c == Ctl::RtcCal) {
        RtcCal(e);
        return;
    }
    if (e != Event::Commit) return;
    if (contains(kClockFields, c)) {
        markEdited(c, Ctl::SetClock);
        return;
    }
    if (contains(kStartFields, c)) {
        markEdited(c, Ctl::WriteStartTime);
        return;
    }
    switch (c) {
        case Ctl::SetClock:
            SetClock();
            break;
        case Ctl::ReadClock:
            ReadClock();
            break;
        case Ctl::SyncToPC:
            SyncToPC();
            break;
        case Ctl::CompClock:
            CompClock();
            break;
        case Ctl::EnableStartTime:
            EnableStartTime();
            break;
        case Ctl::WriteStartTime:
            WriteStartTime();
            break;
        case Ctl::EnableGPSTime:
            EnableGPSTime();
            break;
        case Ctl::AutoTimeSync:
            AutoTimeSync();
            break;
        default:
            break;
    }
}

void ClockSync::SetClock() {
    clock_.delay(0.2);
    const platform::CalendarTime t{panel_.intValue(Ctl::SetYear),
                                   panel_.intValue(Ctl::SetMonth),
                                   panel_.intValue(Ctl::SetDay),
                                   panel_.intValue(Ctl::SetHour),
                                   panel_.intValue(Ctl::SetMinute),
                                   panel_.intValue(Ctl::SetSecond),
                                   0};
    switch (path()) {
        case Path::Radio:
            for (Ctl f : kClockFields) {
                panel_.setTextColor(f, platform::kBlack);
                panel_.setDimmed(f, true);
            }
            panel_.setColor(Ctl::SetClock, platform::kBlack);
            panel_.setDimmed(Ctl::SetClock, true);
            sender_.send(Cmd::WriteClock, dateTime(t), 0);
            break;
        case Path::Synchronizer:
            syncSynchronizer(t);
            break;
        case Path::Wired:
            writer_.FRAll.setClock(t);
            setNewClockBit(true);
            writer_.TxFRAllConfig();
            break;
    }
}

void ClockSync::syncSynchronizer(const platform::CalendarTime& t) {
    sender_.menu(config::MenuCmd::Clock,
                 {t.month, t.day, t.year - 2000, t.hour, t.minute, t.second});
    s_.ConfigStatus = 0;
}

void ClockSync::ReadClock() {
    if (path() == Path::Radio) {
        sender_.send(Cmd::ReadClock, {}, 0);
        return;
    }
    scan_.DimAllConfig();
    scan_.DefaultAllConfig();
    s_.LastConfigStatus = 0xFF;
    s_.ConfigStatus = 0;
    if (path() == Path::Wired && links_.OpenComPortNum != 0)
        ports_.writeByte(links_.OpenComPortNum, 'r');
    // The handshake of the port being configured waits for the block again.
    if (s_.FRTCConfigMode == 1) {
        links_.FRTCConnectTimer = 0;
        links_.FRTCConnectStatus = 5;
    } else if (s_.FRTCConfigMode == 2) {
        links_.FRTCConnectTimer_B = 0;
        links_.FRTCConnectStatus_B = 5;
    }
}

void ClockSync::SyncToPC() {
    switch (path()) {
        case Path::Radio: {
            // The unit is set at the computer's second boundary; date and time come from one
            // reading, so a midnight passed while waiting gives the new day with 00:00:00.
            clock_.waitNextSecond();
            const platform::CalendarTime t = clock_.now();
            sender_.post(Cmd::WriteClock, dateTime(t));
            const int values[] = {t.year, t.month, t.day, t.hour, t.minute, t.second};
            for (std::size_t i = 0; i < std::size(kClockFields); ++i) {
                panel_.setValue(kClockFields[i], values[i]);
                panel_.setDimmed(kClockFields[i], true);
            }
            break;
        }
        case Path::Wired:
            writer_.TCSyncRTC = 1;
            setNewClockBit(true);
            writer_.TxFRAllConfig();
            break;
        case Path::Synchronizer: {
            // The board's menu takes the line some 0.8 s after the second began: it is set
            // to within about a second.
            writer_.TCSyncRTC = 0;
            clock_.waitNextSecond();
            const platform::CalendarTime t = clock_.now();
            clock_.delay(0.2);
            syncSynchronizer(t);
            break;
        }
    }
}

void ClockSync::CompClock() {
    switch (path()) {
        case Path::Radio:
            // A compare is resent like any read until the unit answers; one never answered
            // is reported, not left dimmed without a word.
            sender_.awaitConfirmation(Ctl::ClockText);
            sender_.send(Cmd::CompareClock, {}, 0);
            break;
        case Path::Synchronizer:
            writer_.TCDeltaRTC = 1;
            clock_.delay(0.4);
            s_.ConfigStatus = 0;
            break;
        case Path::Wired:
            writer_.TCDeltaRTC = 1;
            setNewClockBit(false);
            writer_.TxFRAllConfig();
            break;
    }
}

void ClockSync::RtcCal(Event e) {
    platform::followEntryHint(panel_, Ctl::RtcCal, e);
    if (e != Event::Commit) return;
    sender_.write(Ctl::RtcCal, Cmd::WriteClockCal, Args::of(panel_.intValue(Ctl::RtcCal)));
}

void ClockSync::EnableStartTime() {
    const int on = panel_.intValue(Ctl::EnableStartTime);
    if (path() == Path::Radio) {
        sender_.write(Ctl::EnableStartTime, Cmd::WriteStartSwitch, Args::of(on));
        return;
    }
    panel_.setDimmed(Ctl::EnableStartTime, true);
    std::uint8_t& flags = writer_.FRAll.modeFlags;
    flags = on != 0 ? flags | config::kModeAnalogOrStart
                    : flags & static_cast<std::uint8_t>(~config::kModeAnalogOrStart);
    setNewClockBit(false);
    writer_.TxFRAllConfig();
}

void ClockSync::WriteStartTime() {
    for (Ctl f : kStartFields) {
        panel_.setTextColor(f, platform::kBlack);
        panel_.setDimmed(f, true);
    }
    panel_.setColor(Ctl::WriteStartTime, platform::kBlack);
    panel_.setDimmed(Ctl::WriteStartTime, true);
    const int year = panel_.intValue(Ctl::SelStartYear);
    const int month = panel_.intValue(Ctl::SelStartMonth);
    const int day = panel_.intValue(Ctl::SelStartDay);
    const int hour = panel_.intValue(Ctl::SelStartHour);
    const int minute = panel_.intValue(Ctl::SelStartMinute);
    if (path() == Path::Radio) {
        Args a;
        a.n = {year - 2000, month, day, hour, minute, 0};
        sender_.awaitConfirmation(Ctl::WriteStartTime,
                                  {Ctl::SelStartYear, Ctl::SelStartMonth, Ctl::SelStartDay,
                                   Ctl::SelStartHour, Ctl::SelStartMinute});
        sender_.send(Cmd::WriteStartTime, a, 0);
        return;
    }
    config::WiredConfig& r = writer_.FRAll;
    r.startYear = year % 100;  // the block keeps two digits
    r.startMonth = month;
    r.startDay = day;
    r.startHour = hour;
    r.startMinute = minute;
    setNewClockBit(false);
    writer_.TxFRAllConfig();
}

void ClockSync::EnableGPSTime() {
    const int on = panel_.intValue(Ctl::EnableGPSTime);
    sender_.write(Ctl::EnableGPSTime, Cmd::WriteGpsTime, Args::of(on));
    if (on == 1) {
        // GPS keeps the unit's time: the automatic sync would fight it.
        panel_.setValue(Ctl::AutoTimeSync, 0);
        s_.EnaAutoSync = 0;
    }
}

void ClockSync::AutoTimeSync() {
    s_.EnaAutoSync = panel_.intValue(Ctl::AutoTimeSync);
    FastSyncSecTimeout = kFastSyncTicks;
    if (s_.EnaAutoSync != 0) {
        for (Ctl c : kManualClock) panel_.setDimmed(c, true);
        return;
    }
    if (panel_.intValue(Ctl::SelectDeviceNum) != 0)
        for (Ctl c : kManualClock) panel_.setDimmed(c, false);
    showSyncIndicator(false);
}

void ClockSync::showSyncIndicator(bool on) {
    panel_.setVisible(Ctl::SyncIndicator, on);
    panel_.setValue(Ctl::SyncIndicator, on ? 1 : 0);
}

void ClockSync::autoSyncCycle() {
    if (panel_.intValue(Ctl::BroadcastPower) != 0 || s_.EnaAutoSync == 0) {
        AutoSyncCount = 0;
        AutoWaitSync = 0;
        AutoSyncState = 0;
        resumeLoc_ = -1;
        betweenRounds_ = false;
        return;
    }
    switch (AutoSyncState) {
        case 0: {
            // A unit seen out of step goes first. The round then takes up where it was, so
            // the lines it had not reached yet still get their sync; between rounds it waits
            // again for the next.
            const auto due = std::find(resyncDue_.begin(), resyncDue_.end(), true);
            if (due != resyncDue_.end()) {
                const auto line = static_cast<std::uint8_t>(due - resyncDue_.begin());
                *due = false;
                if (resumeLoc_ < 0 && (line != AutoSyncLoc || betweenRounds_))
                    resumeLoc_ = betweenRounds_ ? live::kOutputLineCount : AutoSyncLoc;
                AutoSyncLoc = line;
            }
            betweenRounds_ = false;
            const live::OutputLine& e = table_[AutoSyncLoc];
            // A data logger answers for its sensors: only its own line is synced.
            const bool armed = e.NetAddress != 0 && e.DeviceNum != 0 &&
                               !(session_.UnitType == 8 && AutoSyncLoc != 0);
            AutoWaitSync = armed ? 1 : 0;
            showSyncIndicator(armed);
            AutoSyncCount = 0;
            AutoSyncState = 1;
            break;
        }
        case 1:
            if (AutoSyncCount >= kArmedTicks || AutoWaitSync == 0) {
                AutoSyncCount = 0;
                showSyncIndicator(false);
                AutoSyncState = 2;
            }
            break;
        case 2:
            if (AutoSyncCount >= kLingerTicks || AutoWaitSync == 0) {
                const int next = resumeLoc_ >= 0 ? resumeLoc_ : AutoSyncLoc + 1;
                resumeLoc_ = -1;
                if (next >= live::kOutputLineCount) {
                    AutoSyncLoc = 0;
                    AutoSyncState = 3;
                } else {
                    AutoSyncLoc = static_cast<std::uint8_t>(next);
                    AutoSyncState = 0;
                }
                AutoSyncCount = 0;
            }
            break;
        default:
            // A unit whose clock has left the computer's starts the next round now.
            if (AutoSyncCount >= AutoSyncPeriod) {
                AutoSyncCount = 0;
                AutoSyncState = 0;
            } else if (std::find(resyncDue_.begin(), resyncDue_.end(), true) !=
                       resyncDue_.end()) {
                AutoSyncCount = 0;
                AutoSyncState = 0;
                betweenRounds_ = true;
            }
            break;
    }
    ++AutoSyncCount;
    if (FastSyncSecTimeout > 0) {
        --FastSyncSecTimeout;
        AutoSyncPeriod = kFastPeriod;
    } else {
        AutoSyncPeriod = kSlowPeriod;
    }
}

void ClockSync::AutoSyncFathomrodXB(std::uint64_t address, const std::array<char, 3>& RxSecSync) {
    const platform::AbsTime sent = clock_.absNow();
    const platform::AbsTime t = sent + kSyncLead;
    const platform::CalendarTime c = platform::toCalendar(t);
    const int ticks = static_cast<int>(std::lround((2000.0 - c.millisecond) / kTickMs));
    panel_.setText(Ctl::AutoSyncResult, std::to_string(ticks));
    Args a = Args{};
    a.n = {c.year - 2000, c.month, c.day, c.hour, c.minute, c.second};
    a.sep1 = RxSecSync[0];
    a.sep2 = RxSecSync[1];
    a.ms = ticks;
    sender_.timeSync(address, a);
    AutoWaitSync = 0;
    if (onSync) {
        const auto& tx = sender_.TxStr();
        std::string text(tx.data(), strnlen(tx.data(), tx.size()));
        while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
        const platform::CalendarTime n = platform::toCalendar(sent);
        char setTo[16];
        std::snprintf(setTo, sizeof setTo, "%02d:%02d:%02d.%03d", n.hour, n.minute, n.second,
                      n.millisecond);
        onSync({table_[AutoSyncLoc].DeviceNum, address, text, setTo});
    }
}

void ClockSync::unitTimeSeen(int line, double lastSampleAfter) {
    if (line < 0 || line >= live::kOutputLineCount || lastSampleAfter < 0) return;
    const live::OutputLine& e = table_[line];
    if (e.Year < 2000 || e.Month < 1 || e.Month > 12 || e.Day < 1 || e.Day > 31) return;
    const platform::AbsTime unit =
        platform::toAbsTime({e.Year, e.Month, e.Day, e.Hour, e.Minute, e.Second, 0});
    const double ahead = unit + lastSampleAfter - clock_.absNow();
    // A date sent just before midnight with a time just after it: the fields are a day
    // apart, not the clock.
    if (std::abs(std::abs(ahead) - 86400.0) < kOutOfStep) return;
    const auto i = static_cast<std::size_t>(line);
    if (std::abs(ahead) <= kOutOfStep) {
        outOfStep_[i] = resyncDue_[i] = false;
        return;
    }
    if (outOfStep_[i]) return;
    outOfStep_[i] = true;
    const bool resync = s_.EnaAutoSync != 0 && panel_.intValue(Ctl::BroadcastPower) == 0;
    if (resync) {
        resyncDue_[i] = true;
        startFastSync();
    }
    if (onClockOff) onClockOff({e.DeviceNum, e.NetAddress, ahead, resync});
}

}  // namespace clocks
