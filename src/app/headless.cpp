#include "app/headless.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <tuple>

#include "live/frame_capture.h"
#include "live/record_format.h"
#include "live/recorder.h"
#include "live/unbuffered_file.h"
#include "platform/control_table.h"

namespace app {

using platform::Ctl;
using platform::Event;

namespace {
// Seconds between attempts to reopen a port that has gone (an unplugged adapter), and between
// reminders that it is still gone.
constexpr int kReopenSeconds = 5;
constexpr int kLostReminderSeconds = 3600;

std::string hex16(std::uint64_t v) {
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llX", static_cast<unsigned long long>(v));
    return buf;
}
}  // namespace

Headless::Headless(Host& host, platform::Clock& clock, HeadlessDialogs& dialogs, CliOptions options,
                   Print out, Print err)
    : host_(host),
      clock_(clock),
      dialogs_(dialogs),
      o_(std::move(options)),
      out_(std::move(out)),
      err_(std::move(err)) {
    dialogs_.replaceExisting = o_.overwrite;
    // SIGINT and SIGTERM stop the station at once, whatever runs.
    host_.shell().askBeforeExit = false;
    // Unattended, an existing file is never a reason not to start (a restart after a power
    // cut): without --overwrite the recording takes the next free number.
    const live::ExistingFile existing =
        o_.overwrite ? live::ExistingFile::Ask : live::ExistingFile::NextFree;
    host_.recorder().existingFile = existing;
    host_.frameCapture().existingFile = existing;
}

std::string Headless::stamp() const {
    platform::CalendarTime t = clock_.now();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d ", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return buf;
}

void Headless::say(const std::string& text) const { out_(stamp() + text); }
void Headless::complain(const std::string& text) const { err_(stamp() + text); }

namespace {

std::string folderOf(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// Why a file cannot be written at path (a folder's name, a folder that does not exist);
// empty when nothing stands in the way yet.
std::string unusableTarget(const std::string& path) {
    if (live::namesAFolder(path)) return path + " is a folder; give a file name";
    if (!live::isDirectory(folderOf(path))) return "the folder " + folderOf(path) + " does not exist";
    return {};
}

}  // namespace

// The files asked for are checked before any port opens: a wrong path must be said at once,
// not after the units have been kept busy.
bool Headless::checkTargets() {
    struct Target {
        const std::string& chosen;
        std::string written;
        const char* what;
        bool mustBeNew;  // an upload replaces a file only with --overwrite
    };
    std::vector<Target> targets;
    if (!o_.record.empty())
        targets.push_back({o_.record, live::recordingFileName(o_.record), "record to", false});
    if (!o_.capture.empty())
        targets.push_back({o_.capture, live::captureFileName(o_.capture), "capture to", false});
    if (o_.uploadFile > 0) targets.push_back({o_.uploadTo, o_.uploadTo, "upload to", !o_.overwrite});
    for (const Target& t : targets) {
        std::string why = unusableTarget(live::namesAFolder(t.chosen) ? t.chosen : t.written);
        if (why.empty() && t.mustBeNew && live::pathExists(t.written))
            why = "it exists already (--overwrite replaces it)";
        if (!why.empty()) {
            complain(std::string("cannot ") + t.what + " " + t.written + ": " + why);
            failed_ = true;
            return false;
        }
    }
    return true;
}

bool Headless::start() {
    platform::Panel& panel = host_.panel();
    if (!checkTargets()) return false;
    host_.chooseUnitType(o_.unitType);
    say("unit type " + std::to_string(host_.session().UnitType));
    // Before any port opens, so every reading is in the chosen unit.
    if (o_.pressureUnits >= 0) {
        panel.setValue(Ctl::SMI_BarMeters, o_.pressureUnits);
        say(o_.pressureUnits == 1 ? "pressure in metres of sea water" : "pressure in bar");
    }

    struct Wanted {
        Ctl ring;
        const std::string& path;
        const char* name;
    };
    for (const Wanted& w :
         {Wanted{Ctl::PortARing, o_.port, "port A"}, Wanted{Ctl::PortBRing, o_.portB, "port B"},
          Wanted{Ctl::OutputPortRing, o_.outputPort, "output port"}}) {
        if (w.path.empty()) continue;
        if (!host_.choosePort(w.ring, w.path)) {
            complain(std::string("cannot open ") + w.name + " " + w.path);
            failed_ = true;
            return false;
        }
        say(std::string(w.name) + " " + w.path + " open");
    }
    ports_.clear();
    for (const auto& [ring, path, name, units] :
         {std::tuple{Ctl::PortARing, o_.port, "port A", true},
          std::tuple{Ctl::PortBRing, o_.portB, "port B", true},
          std::tuple{Ctl::OutputPortRing, o_.outputPort, "output port", false}}) {
        if (!path.empty()) ports_.push_back({ring, path, name, units, host_.portOpen(ring)});
    }

    // The synchronizer's staff lengths, as the operator types them into the tables.
    for (auto [table, lengths] : {std::pair{Ctl::SyncLengthTable, &o_.syncLengths},
                                  std::pair{Ctl::SyncLengthTable_B, &o_.syncLengthsB}}) {
        for (std::size_t row = 0; row < lengths->size(); ++row) {
            char text[32];
            std::snprintf(text, sizeof text, "%g", (*lengths)[row]);
            panel.setCell(table, static_cast<int>(row), 0, text);
            panel.raise(table, Event::Commit, {static_cast<int>(row), 0});
        }
    }

    if (o_.broadcastPower >= 0) {
        panel.setValue(Ctl::BroadcastPower, o_.broadcastPower);
        panel.raise(Ctl::BroadcastPower, Event::Commit);
    }
    if (o_.autoSync >= 0) {
        host_.clockSync().onSync = [this](const clocks::SyncReport& r) { reportSync(r); };
        host_.clockSync().onClockOff = [this](const clocks::ClockOffReport& r) {
            reportClockOff(r);
        };
        panel.setValue(Ctl::AutoTimeSync, o_.autoSync);
        panel.raise(Ctl::AutoTimeSync, Event::Commit);
        if (o_.autoSync == 1 && host_.configState().EnaAutoSync == 0)
            complain("automatic time sync is only for radio units (unit types 0, 1, 2, 8)");
        else if (o_.autoSync == 1)
            say("automatic time sync on");
    }

    if (!o_.record.empty()) {
        dialogs_.promptAnswers.push_back(std::to_string(o_.interval));
        dialogs_.fileAnswers.push_back(o_.record);
        panel.raise(Ctl::MenuSaveOutputData, Event::Commit);
        if (host_.recorder().OutputDataFileOpen == 0) {
            complain("cannot record to " + o_.record);
            failed_ = true;
            return false;
        }
        const std::string asked = live::recordingFileName(o_.record);
        if (host_.recorder().SaveOutputDataFileName != asked) {
            say(asked + " exists already: kept, and recording takes the next free number");
        }
    }
    if (!o_.capture.empty()) {
        dialogs_.fileAnswers.push_back(o_.capture);
        panel.raise(Ctl::MenuSaveApiFrames, Event::Commit);
        if (!host_.frameCapture().APIFrameDataFileOpen()) {
            complain("cannot capture to " + o_.capture);
            failed_ = true;
            // The recording just started has nothing in it yet: it goes again.
            live::Recorder& rec = host_.recorder();
            if (rec.OutputDataFileOpen != 0) {
                const std::string name = rec.SaveOutputDataFileName;
                rec.StopOutputDataToFile();
                live::removeIfEmptyFile(name);
            }
            return false;
        }
        // Without a recording to follow, the capture takes --interval's days per file itself.
        if (o_.record.empty()) host_.frameCapture().SaveFileInterval = o_.interval;
        const std::string asked = live::captureFileName(o_.capture);
        if (host_.frameCapture().SaveAPIFrameDataFileName() != asked) {
            say(asked + " exists already: kept, and the capture takes the next free number");
        }
    }
    reportFiles();
    // Last, so that the network's records are the recording's from its first one.
    if (!o_.mqtt.empty() && !startStation()) {
        failed_ = true;
        return false;
    }
    if (o_.uploadFile > 0) {
        waitingFor("waiting for the data logger (device 255) to report");
    } else if (o_.showConfig > 0 && platform::isWiredType(o_.unitType)) {
        waitingFor(std::string("waiting for the configuration of the unit on port ") +
                   (o_.showConfig == 1 ? "A" : "B"));
    } else if (o_.showConfig > 0) {
        waitingFor("waiting for unit " + std::to_string(o_.showConfig) + " to report");
    }
    return true;
}

station::StationSettings stationSettings(const CliOptions& o,
                                         const std::string& defaultQueueFolder) {
    station::StationSettings s{.url = o.mqtt,
                               .station = o.station,
                               .user = o.mqttUser,
                               .passwordFile = o.mqttPasswordFile,
                               .caFile = o.mqttCa,
                               .queueFolder = o.mqttQueue,
                               .queueLimitMb = o.mqttQueueLimit};
    if (s.queueFolder.empty()) s.queueFolder = defaultQueueFolder;
    return s;
}

bool Headless::startStation() {
    // The queue goes beside the recording unless told otherwise.
    const std::string besideRecording =
        o_.record.empty() ? std::string()
                          : std::filesystem::path(o_.record).parent_path().string();
    const station::StationSettings s = stationSettings(o_, besideRecording);
    station::Station& st = host_.station();
    st.report = [this](const std::string& line) { say(line); };
    std::string why;
    if (!st.start(s, why)) {
        complain("cannot publish to " + o_.mqtt + ": " + why);
        return false;
    }
    return true;
}

void Headless::reportUnits() {
    std::set<std::pair<std::uint64_t, int>> now;
    const live::DeviceTable& table = host_.deviceTable();
    for (int i = 0; i < live::kOutputLineCount; ++i) {
        const live::OutputLine& l = table[i];
        if (l.NetAddress != 0 && l.DeviceNum != 0) now.insert({l.NetAddress, l.DeviceNum});
    }
    for (const auto& u : now) {
        if (!units_.count(u))
            say("unit " + std::to_string(u.second) + " (" + hex16(u.first) + ") appeared");
    }
    for (const auto& u : units_) {
        if (!now.count(u))
            say("unit " + std::to_string(u.second) + " (" + hex16(u.first) + ") freed");
    }
    units_ = std::move(now);
    // More units than the 24 places: the station records none of them, and says which.
    const auto& refused = table.refused();
    refusedSaid_ = std::min(refusedSaid_, refused.size());  // the table was cleared
    if (refusedSaid_ < refused.size()) {
        std::string names;
        for (std::size_t i = refusedSaid_; i < refused.size(); ++i) {
            names += (names.empty() ? "" : ", ") + std::to_string(refused[i].deviceNumber) + " (" +
                     hex16(refused[i].address) + ")";
        }
        complain("unit(s) " + names + " not shown nor recorded: all " +
                 std::to_string(live::kOutputLineCount) + " places for units are taken");
        refusedSaid_ = refused.size();
    }
}

std::string Headless::duration(int seconds) {
    if (seconds < 120) return std::to_string(seconds) + " s";
    if (seconds < 2 * 3600) return std::to_string(seconds / 60) + " min";
    return std::to_string(seconds / 3600) + " h";
}

links::PortId Headless::idOf(Ctl ring) {
    return ring == Ctl::PortBRing ? links::PortId::B : links::PortId::A;
}

// A lost port is said once, then reminded of at most hourly, and its return is said; it is
// tried again every few seconds without a word. A port that carries units and gives no valid
// data for ten seconds is reported with the link's warning, and so is its valid data after that.
void Headless::watchPort(PortWatch& w, bool reopenDue) {
    const std::string who = std::string(w.name) + " " + w.path;
    bool open = host_.portOpen(w.ring);
    if (!open && reopenDue) {
        reopening_ = true;
        open = host_.choosePort(w.ring, w.path);
        reopening_ = false;
        if (open) say(who + " reconnected after " + duration(w.lostSeconds));
    }
    if (w.open && !open && w.carriesUnits && jobRunning()) {
        // A job cannot go on without its unit: the wait ends now, not at its limit.
        jobFailed(who + " lost " + step_);
        w.lostSeconds = 0;
    } else if (w.open && !open) {
        complain(who + " lost; it will be reopened when the port returns");
        w.lostSeconds = 0;
    } else if (!open && ++w.lostSeconds % kLostReminderSeconds == 0) {
        complain(who + " still lost after " + duration(w.lostSeconds) +
                 "; it will be reopened when the port returns");
    }
    if (!open && reopenCountdown_ == 0) reopenCountdown_ = kReopenSeconds;
    w.open = open;
    if (!open || !w.carriesUnits) {
        w.warned = false;
        return;
    }
    const links::LinkHealth& health = host_.linkHealth();
    const std::string& warning = health.warning(idOf(w.ring));
    if (!warning.empty()) {
        if (!w.warned) complain(who + ": " + warning);
        w.warned = true;
        w.silentSeconds = health.secondsWithoutData(idOf(w.ring));
    } else if (w.warned) {
        say(who + " gives valid data again after " + duration(w.silentSeconds));
        w.warned = false;
    }
}

void Headless::reportPorts() {
    platform::Panel& panel = host_.panel();
    bool reopenDue = false;
    if (reopenCountdown_ > 0 && --reopenCountdown_ == 0) reopenDue = true;
    for (PortWatch& w : ports_) watchPort(w, reopenDue);
    // Wired units: the handshake's status texts.
    if (platform::isWiredType(host_.session().UnitType)) {
        for (auto [ctl, last, name] : {std::tuple{Ctl::PortAStatus, &statusA_, "port A"},
                                       std::tuple{Ctl::PortBStatus, &statusB_, "port B"}}) {
            const std::string& s = panel.text(ctl);
            if (s != *last && !s.empty()) say(std::string(name) + " " + s);
            *last = s;
        }
    }
}

void Headless::reportFiles() {
    const live::Recorder& rec = host_.recorder();
    bool recording = rec.OutputDataFileOpen != 0;
    if (recording && rec.SaveOutputDataFileName != recordingFile_) {
        say((recordingFile_.empty() ? "recording to " : "recording rolled over to ") +
            rec.SaveOutputDataFileName);
    }
    // A recording or capture that ends on its own is reported; the station keeps running, so
    // that the other file and the output port go on.
    if (recording_ && !recording && !stopping_)
        complain("recording to " + recordingFile_ + " stopped");
    recording_ = recording;
    if (recording) recordingFile_ = rec.SaveOutputDataFileName;

    const live::FrameCapture& cap = host_.frameCapture();
    bool capturing = cap.APIFrameDataFileOpen();
    if (capturing && cap.SaveAPIFrameDataFileName() != captureFile_) {
        say((captureFile_.empty() ? "capturing frames to " : "capture goes on in ") +
            cap.SaveAPIFrameDataFileName());
    }
    if (capturing_ && !capturing && !stopping_)
        complain("frame capture to " + captureFile_ + " stopped");
    capturing_ = capturing;
    if (capturing) captureFile_ = cap.SaveAPIFrameDataFileName();
}

void Headless::poll() {
    reportPorts();
    reportUnits();
    reportFiles();
    if (!jobRunning()) return;
    ++jobSeconds_;
    ++stepSeconds_;
    if (o_.showConfig > 0) showConfig();
    if (o_.uploadFile > 0) uploadFile();
    if (!jobRunning()) return;
    if (stepSeconds_ > kStepWait) {
        jobFailed("no answer for " + duration(kStepWait) + " " + step_);
    } else if (jobSeconds_ >= jobLimit()) {
        jobFailed("gave up after " + duration(jobSeconds_) + " (the job's time limit) " + step_);
    }
}

bool Headless::jobRunning() const {
    return (o_.showConfig > 0 || o_.uploadFile > 0) && !finished() && !failed_;
}

int Headless::jobLimit() const {
    if (o_.timeLimit > 0) return static_cast<int>(std::ceil(o_.timeLimit));
    return o_.uploadFile > 0 ? kUploadLimit : kShowConfigLimit;
}

void Headless::waitingFor(const std::string& step) {
    if (step == step_) return;
    step_ = step;
    stepSeconds_ = 0;
}

std::string Headless::jobMissing() const {
    if (o_.uploadFile > 0) {
        std::string s = "file " + std::to_string(o_.uploadFile) + " not uploaded to " + o_.uploadTo;
        const upload::FlashUpload& up = host_.flashUpload();
        if (up.UpLoadPCFileOpen != 0) {
            s += " (INCOMPLETE: " + std::to_string(up.UpLoadingAmount) + " of " +
                 std::to_string(up.lastResult().size) + " bytes)";
        }
        return s;
    }
    return "the settings of unit " + std::to_string(o_.showConfig) + " not shown";
}

void Headless::jobFailed(const std::string& why) {
    complain(why + ": " + jobMissing());
    failed_ = true;
    endUpload();
}

// An upload still running is switched off as the operator would: the logger closes its file
// and this computer's file ends where the bytes stopped.
void Headless::endUpload() {
    if (host_.flashUpload().UpLoadPCFileOpen == 0) return;
    uploadAborted_ = true;
    platform::Panel& panel = host_.panel();
    panel.setValue(Ctl::UpLoadFile, 0);
    panel.raise(Ctl::UpLoadFile, Event::Commit);
}

namespace {

// A setting as the operator reads it on the panel.
std::string settingText(const platform::Panel& panel, Ctl c) {
    const platform::ControlSpec& spec = platform::controlSpec(c);
    char text[64];
    switch (spec.kind) {
        case platform::Kind::Ring:
        case platform::Kind::Switch: {
            const int i = panel.selectedIndex(c);
            if (i >= 0) return panel.items(c)[static_cast<std::size_t>(i)].label;
            std::snprintf(text, sizeof text, "%g", panel.value(c));
            return text;
        }
        case platform::Kind::Numeric:
        case platform::Kind::Gauge:
            std::snprintf(text, sizeof text, "%.*f", spec.precision, panel.value(c));
            return text;
        case platform::Kind::Hex64:
            return hex16(panel.u64(c));
        case platform::Kind::Table: {
            std::string cells;
            for (int r = 0; r < panel.tableRows(c); ++r) {
                const std::string& cell = panel.cell(c, r, 0);
                if (cell.empty()) continue;
                if (!cells.empty()) cells += ", ";
                cells += cell;
            }
            return cells;
        }
        default:
            return panel.text(c);
    }
}

}  // namespace

void Headless::reportSync(const clocks::SyncReport& r) {
    // The sync has no answer: what the unit's clock was before is not known here, only that
    // it is set to this computer's time.
    say("clock sync: unit " + std::to_string(r.device) + " (" + hex16(r.address) + ") set to " +
        r.setTo + " with " + r.command);
}

void Headless::reportClockOff(const clocks::ClockOffReport& r) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f s %s", std::abs(r.seconds),
                  r.seconds > 0 ? "ahead of" : "behind");
    say("clock: unit " + std::to_string(r.device) + " (" + hex16(r.address) + ") is " + text +
        " this computer's" + (r.resync ? "; syncing it again" : ""));
}

void Headless::showConfig() {
    const config::ConfigState& state = host_.configState();
    const bool wired = platform::isWiredType(host_.session().UnitType);
    const std::string unit = "unit " + std::to_string(o_.showConfig);
    if (configSelected_ && wired) {
        // The wired timer has read the unit's block (or the synchronizer's listing) and shown it.
        if (state.ConfigStatus == 2 &&
            host_.panel().text(Ctl::ConfigConnectionStatus) == "Connected") {
            printWiredSettings();
            configShown_ = true;
            // The unit streams again.
            host_.panel().setValue(Ctl::FRTCConfigRunSelect, 0);
            host_.panel().raise(Ctl::FRTCConfigRunSelect, Event::Commit);
        } else {
            waitingFor(std::string("waiting for the configuration of the unit on port ") +
                       (o_.showConfig == 1 ? "A" : "B"));
        }
        return;
    }
    if (!configSelected_) {
        if (host_.selectDevice(o_.showConfig)) {
            configSelected_ = true;
            host_.replyParser().hooks.shown = [this](Ctl c) {
                if (std::find(configOrder_.begin(), configOrder_.end(), c) == configOrder_.end())
                    configOrder_.push_back(c);
            };
            say("reading the settings of " + unit);
        } else {
            waitingFor("waiting for " + unit + " to report");
        }
        return;
    }
    const int type = host_.session().UnitType;
    if (state.ConfigStatus == 3 && host_.apiFrames().TxWait == 0 &&
        (state.PANReadPending == 0 || type == 2)) {
        printSettings();
        configShown_ = true;
        return;
    }
    if (state.ConfigStatus == 0 && host_.configScan().gaveUpStep() > 0) {
        std::string cmd = host_.configScan().gaveUpCommand();
        while (!cmd.empty() && (cmd.back() == '\r' || cmd.back() == '\n')) cmd.pop_back();
        jobFailed(unit + " did not answer step " + std::to_string(host_.configScan().gaveUpStep()) +
                  " (" + cmd + ")");
        return;
    }
    waitingFor("reading the settings of " + unit + " (step " + std::to_string(state.ConfigType) +
               ")");
}

void Headless::printWiredSettings() {
    // Every setting the configuration tab shows for this unit, in the tab's order.
    const platform::Panel& panel = host_.panel();
    for (const platform::ControlSpec& spec : platform::fragments::config()) {
        if (spec.page != platform::Page::Config || spec.kind == platform::Kind::Button ||
            spec.kind == platform::Kind::Led || spec.caption.empty())
            continue;
        if (!panel.visible(spec.id) || panel.dimmed(spec.id)) continue;
        if (spec.id == Ctl::SelectDeviceNum || spec.id == Ctl::FRTCConfigRunSelect ||
            spec.id == Ctl::NewDeviceNum)
            continue;
        out_(std::string(spec.caption) + ": " + settingText(panel, spec.id));
    }
}

void Headless::printSettings() {
    const platform::Panel& panel = host_.panel();
    std::vector<Ctl> order = configOrder_;
    // The remote PAN ID read follows the scan (the sonic model without one excepted).
    const int type = host_.session().UnitType;
    if (type == 0 || type == 1) order.push_back(Ctl::RemotePanID);
    for (Ctl c : order) {
        std::string name = panel.label(c);
        if (name.empty()) name = std::string(platform::controlSpec(c).caption);
        while (!name.empty() && name.front() == ' ') name.erase(name.begin());
        const bool answered = c != Ctl::RemotePanID || !panel.dimmed(c);
        out_(name + ": " + (answered ? settingText(panel, c) : std::string("(no answer)")));
    }
}

std::string Headless::statusLine() const {
    std::string s = "status: " + std::to_string(units_.size()) + " unit(s)";
    for (const PortWatch& w : ports_) s += ", " + portStatus(w);
    if (recording_) {
        s += (host_.recorder().paused() ? ", recording paused after " : ", recording ") +
             recordingFile_;
    }
    if (capturing_) {
        s +=
            (host_.frameCapture().paused() ? ", capture paused after " : ", capturing ") +
            captureFile_;
    }
    if (host_.station().running()) s += ", " + host_.station().statusText();
    return s;
}

std::string Headless::portStatus(const PortWatch& w) const {
    std::string s = w.name;
    if (!w.open) return s + " lost " + duration(w.lostSeconds);
    s += " open";
    if (!w.carriesUnits) {
        const std::uint64_t dropped = host_.outputPort().droppedRecords();
        return dropped == 0 ? s : s + ", " + std::to_string(dropped) + " records dropped (not taken)";
    }
    const links::LinkHealth& health = host_.linkHealth();
    if (w.warned) s += ", no valid data for " + duration(w.silentSeconds);
    const std::string figures = health.summary(idOf(w.ring));
    return figures.empty() ? s : s + ", " + figures;
}

void Headless::dialogMessage(const std::string& title, const std::string& text) {
    if (title == "SERIAL PORT LOST") return;
    if (title == "SERIAL PORT NOT OPENED" && reopening_) return;
    // The upload's end is reported once, by its own line.
    if (title == "UPLOAD INCOMPLETE" && o_.uploadFile > 0) return;
    complain(title + ": " + text);
}

int Headless::stop() {
    // A job that has not finished is said, with what it did not do; the run then fails.
    if (jobRunning()) jobFailed("interrupted " + step_);
    stopping_ = true;
    // Stopping does not wait for a backlog to be worked through: it is left, and said.
    for (const PortWatch& w : ports_) {
        if (!w.carriesUnits) continue;
        const std::string who = std::string(w.name) + " " + w.path + ": ";
        const int unread = host_.unreadInput(w.ring);
        if (unread > 0) say(who + std::to_string(unread) + " bytes of input left unread");
        const long dropped = host_.receivePaths().droppedRecords(idOf(w.ring));
        if (dropped > 0) say(who + std::to_string(dropped) + " noise record(s) dropped");
    }
    host_.panel().raise(Ctl::MainWindow, Event::Close);
    say("stopped");
    return failed_ ? 1 : 0;
}

// --upload-file: the operator's steps on the upload tab, one per poll. The option itself is
// the yes to the large-file question; the target was checked before any port opened.
void Headless::uploadFile() {
    const config::ConfigState& state = host_.configState();
    platform::Panel& panel = host_.panel();
    upload::FlashUpload& up = host_.flashUpload();
    const std::string what = "file " + std::to_string(o_.uploadFile);
    switch (uploadStage_) {
        case 0:
            if (host_.selectDevice(255)) {
                say("reading the data logger's settings");
                uploadStage_ = 1;
            } else {
                waitingFor("waiting for the data logger (device 255) to report");
            }
            break;
        case 1:
            if (state.ConfigStatus == 3 && host_.apiFrames().TxWait == 0 &&
                state.PANReadPending == 0) {
                panel.raise(Ctl::ReadActiveFile, Event::Commit);
                uploadStage_ = 2;
                waitingFor("waiting for the data logger's active file number");
            } else if (state.ConfigStatus == 0 && host_.configScan().gaveUpStep() > 0) {
                jobFailed("the data logger did not answer its read-out");
            } else {
                waitingFor("reading the data logger's settings (step " +
                           std::to_string(state.ConfigType) + ")");
            }
            break;
        case 2: {
            if (panel.dimmed(Ctl::ActiveFile)) break;
            const int active = panel.intValue(Ctl::ActiveFile);
            if (o_.uploadFile >= active) {
                complain(what + " is not a closed file on the card (the active file is " +
                         std::to_string(active) + ")");
                failed_ = true;
                break;
            }
            dialogs_.yesTo.push_back("LARGE FILE CONFIRM UPLOAD");
            dialogs_.fileAnswers.push_back(o_.uploadTo);
            up.finished = [this](const upload::UploadResult& r) {
                uploadDone_ = true;
                if (r.complete()) {
                    say(r.describe());
                } else if (!uploadAborted_) {  // an upload ended here has been said already
                    complain(r.describe());
                    failed_ = true;
                }
            };
            panel.setValue(Ctl::UpLoadFileNumber, o_.uploadFile);
            panel.setValue(Ctl::UpLoadFile, 1);
            panel.raise(Ctl::UpLoadFile, Event::Commit);
            say("uploading " + what + " to " + o_.uploadTo);
            uploadStage_ = 3;
            waitingFor("waiting for the data logger's answer to the size of " + what);
            break;
        }
        default:
            if (up.UpLoadPCFileOpen != 0 && up.UpLoadingAmount != uploadShown_) {
                uploadShown_ = up.UpLoadingAmount;
                say("upload " + what + ": " + panel.text(Ctl::UploadStatus) + " (" +
                    panel.text(Ctl::UploadPercent) + ")");
                // Every block that arrives is progress: the step's wait starts again.
                waitingFor("uploading " + what + " (" + std::to_string(up.UpLoadingAmount) +
                           " bytes received)");
            } else if (!uploadDone_ && up.UpLoadPCFileOpen == 0 &&
                       panel.intValue(Ctl::UpLoadFile) == 0) {
                // Switched off before any block: the file could not be opened.
                complain(what + " not uploaded to " + o_.uploadTo);
                failed_ = true;
            }
            break;
    }
}

}  // namespace app
