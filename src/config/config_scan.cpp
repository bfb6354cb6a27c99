#include "config/config_scan.h"

#include <cstring>

#include "config/scan_steps.h"
#include "platform/control_table.h"
#include "platform/entry_hint.h"

namespace config {

using platform::Ctl;
using platform::Event;

namespace {

// Timer ticks (of ConfigTimer and TCFRConfigTimer) before a read is sent again, before a
// write of a configured unit is sent again, and before a wired unit that sent no block is
// reconnected (the synchronizer sends its clock line sooner).
constexpr int kReadTicks = 12;
constexpr int kWriteTicks = 42;
constexpr int kMaxResends = kMaxSends - 1;
constexpr int kWiredTicks = 50;
constexpr int kSynchronizerTicks = 30;

// Controls that choose the unit rather than show one of its settings: the idle reset leaves
// them alone.
constexpr Ctl kSelection[] = {
    Ctl::SelectDeviceNum,     Ctl::NetworkAddress,      Ctl::ReScanAll,
    Ctl::FRTCConfigRunSelect, Ctl::ConnectedIndicator,  Ctl::SelectDeviceNum3,
    Ctl::SamplingNoteRadio,   Ctl::SamplingNoteLogger1, Ctl::SamplingNoteLogger2,
    Ctl::PlotNoteConfig,      Ctl::PlotNotePlot,        Ctl::GPSTimeIndicator,
    Ctl::UploadPath,          Ctl::UploadPercent,       Ctl::UploadStatus,
    Ctl::UploadProgress};

bool isSelection(Ctl c) {
    for (Ctl s : kSelection)
        if (s == c) return true;
    return false;
}

// Every setting control of the three configuration pages, in table order.
template <typename F>
void forEachSetting(F f) {
    for (const platform::ControlSpec& spec : platform::fragments::config()) {
        if (spec.page == platform::Page::Main || spec.page == platform::Page::Plot) continue;
        if (isSelection(spec.id)) continue;
        f(spec);
    }
    f(platform::controlSpec(Ctl::RemotePanID));
    f(platform::controlSpec(Ctl::SaveRemotePanID));
}

// Setting controls of the upload and ports tabs that the default reset also clears.
constexpr Ctl kDefaultedElsewhere[] = {Ctl::EnableGPSTime, Ctl::SupplyVoltage, Ctl::BatteryCurrent,
                                       Ctl::BatteryWatts,  Ctl::BatteryDays,   Ctl::DataLogPanId,
                                       Ctl::SaveXBPanId};

}  // namespace

void showConfigConnection(platform::Panel& panel, bool connected) {
    panel.setText(Ctl::ConfigConnectionStatus, connected ? "Connected" : "Not Connected");
    panel.setTextColor(Ctl::ConfigConnectionStatus,
                       connected ? platform::kGreenConnected : platform::kRed);
    panel.setVisible(Ctl::ConnectedIndicator, connected);
    panel.setValue(Ctl::ConnectedIndicator, connected ? 1 : 0);
}

ConfigScan::ConfigScan(platform::Panel& panel, platform::Session& session, ConfigState& state,
                       links::LinkState& links, CommandSender& sender,
                       const live::DeviceTable& table)
    : panel_(panel), session_(session), s_(state), links_(links), sender_(sender), table_(table) {}

void ConfigScan::showConnection(bool connected) { showConfigConnection(panel_, connected); }

void ConfigScan::DimAllConfig() {
    forEachSetting([&](const platform::ControlSpec& spec) { panel_.setDimmed(spec.id, true); });
}

void ConfigScan::DefaultAllConfig() {
    forEachSetting([&](const platform::ControlSpec& spec) {
        if (spec.page == platform::Page::Config) panel_.defaultCtrl(spec.id);
    });
    for (Ctl c : kDefaultedElsewhere) panel_.defaultCtrl(c);
    panel_.setVisible(Ctl::GPSTimeIndicator, false);
    panel_.setTextColor(Ctl::RemotePanID, platform::kBlack);
    for (Ctl c : {Ctl::SelStartYear, Ctl::SelStartMonth, Ctl::SelStartDay, Ctl::SelStartHour,
                  Ctl::SelStartMinute, Ctl::SetYear, Ctl::SetMonth, Ctl::SetDay, Ctl::SetHour,
                  Ctl::SetMinute, Ctl::SetSecond})
        panel_.setTextColor(c, platform::kBlack);
    for (Ctl c : {Ctl::SaveRemotePanID, Ctl::WriteStartTime, Ctl::SetClock}) panel_.setColor(c, 0);
}

void ConfigScan::ConfigConnectDefault() {
    for (Ctl c : {Ctl::SelectDeviceNum, Ctl::SelectDeviceNum3, Ctl::NetworkAddress,
                  Ctl::ConfigConnectionStatus, Ctl::ConnectedIndicator})
        panel_.defaultCtrl(c);
    panel_.setTextColor(Ctl::ConfigConnectionStatus, platform::kRed);
    panel_.setVisible(Ctl::ConnectedIndicator, false);
    // It tells of the logger that was configured; no unit is now.
    panel_.setVisible(Ctl::GPSTimeIndicator, false);
}

void ConfigScan::checkWrites(bool gaveUp) {
    if (!sender_.awaitingConfirmation()) return;
    const std::vector<Ctl> left = sender_.takeUnconfirmed();
    if (!left.empty() && hooks.writesUnconfirmed) hooks.writesUnconfirmed(left, gaveUp);
}

void ConfigScan::idleReset() {
    // Nothing is configured any more: writes still awaited are moot.
    sender_.takeUnconfirmed();
    showConnection(false);
    DimAllConfig();
    DefaultAllConfig();
    panel_.setValue(Ctl::SelectDeviceNum, 0);
    panel_.setValue(Ctl::SelectDeviceNum3, 0);
    s_.LastConfigStatus = 0;
}

void ConfigScan::clearIfAsked() {
    if (s_.ClearConfig != 0) {
        s_.ConfigStatus = 0;
        s_.LastConfigStatus = 255;
        s_.ConfigDeviceAddr = 0;
        s_.ClearConfig = 0;
    }
    ++s_.ConfigTimeCounter;
}

void ConfigScan::giveUp() {
    gaveUpStep_ = s_.ConfigType;
    const auto& tx = sender_.TxStr();
    gaveUpCommand_.assign(tx.data(), strnlen(tx.data(), tx.size()));
    s_.ConfigStatus = 0;
    s_.LastConfigStatus = 255;
    s_.ConfigDeviceAddr = 0;
}

void ConfigScan::ConfigTimer() {
    clearIfAsked();
    int& TxWait = sender_.TxWait();
    switch (s_.ConfigStatus) {
        case 0:
            if (s_.ConfigStatus != s_.LastConfigStatus) idleReset();
            break;
        case 1:
            panel_.setDimmed(Ctl::NetworkAddress, false);
            panel_.setU64(Ctl::NetworkAddress, s_.ConfigDeviceAddr);
            s_.ConfigTimeCounter = 0;
            s_.TxRetries = 0;
            s_.ConfigStatus = 2;
            gaveUpStep_ = 0;
            gaveUpCommand_.clear();
            ReadAllConfigInfo(1);
            if (hooks.startFastSync) hooks.startFastSync();
            s_.PANReadPending = 1;
            break;
        case 2:
            if (TxWait == 0) {
                checkWrites(false);
                ReadAllConfigInfo(0);
                s_.TxRetries = 0;
                s_.ConfigTimeCounter = 0;
            } else if (s_.ConfigTimeCounter > kReadTicks) {
                if (s_.TxRetries < kMaxResends) {
                    ReadAllConfigInfo(-1);
                    s_.ConfigTimeCounter = 0;
                    ++s_.TxRetries;
                } else {
                    giveUp();
                }
            }
            break;
        case 3: {
            bool gaveUp = false;
            // Counted per command: resends of an earlier read or write do not shorten the
            // sends a new write gets.
            if (TxWait == 1 && s_.ConfigTimeCounter > kWriteTicks) {
                if (sender_.sends() < kMaxSends) {
                    sender_.resend();
                    s_.ConfigTimeCounter = 0;
                    ++s_.TxRetries;
                } else {
                    // The write is dropped; the operator is told which setting the unit did
                    // not confirm.
                    TxWait = 0;
                    s_.TxRetries = 0;
                    s_.ConfigTimeCounter = 0;
                    gaveUp = true;
                }
            }
            if (TxWait == 0) checkWrites(gaveUp);
            if (s_.PANReadPending != 0 && TxWait == 0 && session_.UnitType != 2) {
                GetRemotePANID();
                s_.PANReadPending = 0;
            }
            if (TxWait == 0) s_.ConfigTimeCounter = 0;
            break;
        }
        default:
            break;
    }
}

void ConfigScan::ReadAllConfigInfo(int mode) {
    if (mode == 1) {
        s_.ConfigType = 1;
    } else if (mode == 0) {
        ++s_.ConfigType;
    }
    const int type = session_.UnitType;
    if (!platform::isRadioType(type)) return;
    sender_.TxWait() = 1;
    const ScanStep step = scanStep(type, s_.ConfigType, s_.Version12CalPts == 1,
                                   panel_.intValue(Ctl::XBeePower) == 1);
    switch (step.kind) {
        case ScanStep::Kind::Command:
            sender_.read(step.cmd, step.args);
            break;
        case ScanStep::Kind::Calibration:
            sender_.readCal(step.cal, s_.ConfigCurrentMode);
            break;
        case ScanStep::Kind::CalibrationMode1:
            sender_.readCal(step.cal, 1);
            break;
        case ScanStep::Kind::None:
            sender_.resend();  // beyond the table: TxStr again, unchanged
            break;
    }
    if (step.kind == ScanStep::Kind::Command && type == 8 && s_.ConfigType == 2)
        showConnection(true);

    const int last = lastScanStep(type, s_.Version12CalPts == 1);
    if (s_.ConfigType < last) return;
    s_.ConfigStatus = 3;
    s_.ConfigType = last;
    if (type != 0) {
        s_.ConfigTimeCounter = 0;
        ++s_.TxRetries;
    }
    if (type == 8) {
        panel_.setDimmed(Ctl::ReadActiveFile, false);
        panel_.setDimmed(Ctl::Link2BlueTooth, false);
    }
}

void ConfigScan::GetRemotePANID() { sender_.readRemotePanId(); }

void ConfigScan::TCFRConfigTimer() {
    if (s_.FRTCConfigMode == 0) {
        // Run mode: nothing is being configured, and the read-out says what the ports say.
        const bool a = panel_.text(Ctl::PortAStatus) == "Connected";
        const bool b = panel_.text(Ctl::PortBStatus) == "Connected";
        const bool open = links_.OpenComPortNum_A != 0 || links_.OpenComPortNum_B != 0;
        if (panel_.text(Ctl::ConfigConnectionStatus) !=
            (open && (a || b) ? "Connected" : "Not Connected"))
            showConnection(open && (a || b));
        return;
    }
    clearIfAsked();
    const int type = session_.UnitType;
    const bool synchronizer = type == 7;
    if (!platform::isWiredType(type)) return;
    const bool portA = s_.FRTCConfigMode == 1;
    int& handshake = portA ? links_.FRTCConnectStatus : links_.FRTCConnectStatus_B;
    // One connection state, the port's: a unit the handshake has lost since its settings
    // were read is not connected on this page either.
    if (panel_.text(portA ? Ctl::PortAStatus : Ctl::PortBStatus) == "Not Connected" &&
        panel_.text(Ctl::ConfigConnectionStatus) == "Connected")
        showConnection(false);
    switch (s_.ConfigStatus) {
        case 0:
            showConnection(false);
            DimAllConfig();
            DefaultAllConfig();
            s_.LastConfigStatus = 0;
            s_.ConfigStatus = 1;
            s_.ConfigTimeCounter = 0;
            if (synchronizer) handshake = 0;
            break;
        case 1: {
            // The handshake has the block (state 6), or the synchronizer's clock line (4).
            const int ready = synchronizer ? 4 : 6;
            if (links_.OpenComPortNum != 0 && (s_.FRTCConfigMode == 1 || s_.FRTCConfigMode == 2) &&
                handshake == ready) {
                if (hooks.SetFRTCConfigDisplay) hooks.SetFRTCConfigDisplay();
                s_.ConfigStatus = 2;
            } else if (s_.ConfigTimeCounter >= (synchronizer ? kSynchronizerTicks : kWiredTicks)) {
                s_.ConfigStatus = 0;
                if (synchronizer) {
                    (portA ? links_.FRTCReConnectFlag : links_.FRTCReConnectFlag_B) = 1;
                } else {
                    links_.FRTCReConnectFlag = 1;
                    links_.FRTCReConnectFlag_B = 1;
                }
            }
            break;
        }
        default:
            break;
    }
}

void ConfigScan::ReScanAll(Event e) {
    if (e != Event::Commit) return;
    s_.ConfigDeviceAddr = panel_.u64(Ctl::NetworkAddress);
    DimAllConfig();
    DefaultAllConfig();
    s_.LastConfigStatus = 0;
    s_.ConfigStatus = 1;
    if (platform::isWiredType(session_.UnitType)) {
        if (s_.FRTCConfigMode == 1) links_.FRTCConnectStatus = 0;
        if (s_.FRTCConfigMode == 2) links_.FRTCConnectStatus_B = 0;
    }
}

void ConfigScan::select(int n, bool fromUpload) {
    const Ctl own = fromUpload ? Ctl::SelectDeviceNum3 : Ctl::SelectDeviceNum;
    const Ctl twin = fromUpload ? Ctl::SelectDeviceNum : Ctl::SelectDeviceNum3;
    panel_.setValue(twin, n);
    s_.ConfigStatus = 0;
    s_.LastConfigStatus = 255;
    if (n == 0) {
        // No unit chosen: nothing of the last one stays on the page.
        DimAllConfig();
        DefaultAllConfig();
        return;
    }
    s_.ConfigDeviceAddr = 0;
    bool found = false;
    if (session_.UnitType == 8 && n == 255) {
        // The data logger answers at the broadcast address.
        s_.ConfigDeviceAddr = links::kBroadcastAddress;
        panel_.setDimmed(Ctl::UpLoadFile, false);
        s_.ConfigStatus = 1;
        found = true;
    } else {
        for (int i = 0; i < live::kOutputLineCount; ++i) {
            const live::OutputLine& e = table_[i];
            if (e.NetAddress != 0 && e.DeviceNum == n) {
                s_.ConfigDeviceAddr = e.NetAddress;
                s_.ConfigStatus = 1;
                found = true;
                if (fromUpload) panel_.setDimmed(Ctl::UpLoadFile, false);
                break;
            }
        }
    }
    DimAllConfig();
    DefaultAllConfig();
    if (fromUpload && !found) panel_.setValue(own, 0);
}

void ConfigScan::SelectDeviceNum(Event e) {
    platform::followEntryHint(panel_, Ctl::SelectDeviceNum, e);
    if (e == Event::Commit) select(panel_.intValue(Ctl::SelectDeviceNum) & 0xFF, false);
}

void ConfigScan::SelectDeviceNum3(Event e) {
    platform::followEntryHint(panel_, Ctl::SelectDeviceNum3, e);
    if (e == Event::Commit) select(panel_.intValue(Ctl::SelectDeviceNum3) & 0xFF, true);
}

void ConfigScan::NetworkAddress(Event e) {
    platform::followEntryHint(panel_, Ctl::NetworkAddress, e);
    if (e != Event::Commit) return;
    s_.ConfigDeviceAddr = panel_.u64(Ctl::NetworkAddress);
    DimAllConfig();
    DefaultAllConfig();
    s_.LastConfigStatus = 255;
    s_.ConfigStatus = 1;
}

}  // namespace config
