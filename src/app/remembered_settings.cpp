#include "app/remembered_settings.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <tuple>

#include "platform/control_table.h"

namespace app {

using platform::Ctl;
using platform::Event;

namespace {

constexpr const char* kFormatKey = "format";
constexpr const char* kFormat = "fathomhost settings 1";
constexpr const char* kUnitTypeKey = "unitType";
constexpr const char* kIgnoredTitle = "REMEMBERED SETTINGS IGNORED";

struct RememberedPort {
    Ctl ring;
    const char* key;
    const char* name;
};
constexpr std::array<RememberedPort, 3> kPorts{{
    {Ctl::PortARing, "ports/A", "port A"},
    {Ctl::PortBRing, "ports/B", "port B"},
    {Ctl::OutputPortRing, "ports/output", "output port"},
}};

// Settings of the plot and analysis pages, remembered by the control's name.
constexpr std::array<Ctl, 9> kChartAndAnalysis{
    Ctl::RawPlotXAsis, Ctl::YAxisRange,      Ctl::YAxisOffset,
    Ctl::WindowRing,   Ctl::DisplayUnitRing, Ctl::ScalingRing,
    Ctl::AnalyzeMax,   Ctl::TideFilter,      Ctl::AnalyzeTraceSelect};

std::string controlKey(Ctl id) { return std::string("controls/") + platform::ctlName(id); }

// The synchronizer's staff lengths, channel by channel: a station's staffs stay where they are.
constexpr std::array<Ctl, 2> kLengthTables{Ctl::SyncLengthTable, Ctl::SyncLengthTable_B};
std::string cellKey(Ctl table, int row) { return controlKey(table) + "/" + std::to_string(row + 1); }
std::string recentKey(int i) { return "recent/" + std::to_string(i + 1); }

std::optional<double> number(const std::optional<std::string>& text) {
    if (!text || text->empty()) return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(text->c_str(), &end);
    if (end == text->c_str() || *end != '\0' || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::string numberText(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

}  // namespace

RememberedSettings::RememberedSettings(Host& host, platform::SettingsStore* store,
                                       platform::Dialogs& dialogs, platform::SerialPorts& ports)
    : host_(host), store_(store), dialogs_(dialogs), ports_(ports) {
    platform::Panel& panel = host_.panel();
    for (int i = 0; i < kRecentFiles; ++i) {
        panel.onEvent(platform::ctlAt(Ctl::MenuRecent1, i), [this, i](Event e, const auto&) {
            if (e == Event::Commit && i < static_cast<int>(recent_.size()))
                host_.playback().openFile(recent_[static_cast<std::size_t>(i)]);
        });
    }
    host_.playback().opened = [this](const std::string& path) { addRecentFile(path); };
}

bool RememberedSettings::checkStore() {
    usable_ = false;
    if (!store_) return false;
    const std::string problem = store_->problem();
    if (!problem.empty()) {
        dialogs_.message(kIgnoredTitle, "The remembered settings in " + store_->where() +
                                            " cannot be read: " + problem +
                                            ".\nThe program starts with its own settings and "
                                            "leaves that file as it is.");
        return false;
    }
    if (!store_->empty() && store_->get(kFormatKey) != kFormat) {
        dialogs_.message(kIgnoredTitle, store_->where() +
                                            " does not hold settings of this program.\nThe "
                                            "program starts with its own settings and leaves "
                                            "that file as it is.");
        return false;
    }
    usable_ = true;
    return !store_->empty();
}

bool RememberedSettings::restore(const Start& start) {
    if (!checkStore()) return false;
    for (int i = 0; i < kRecentFiles; ++i) {
        const auto path = store_->get(recentKey(i));
        if (path && !path->empty()) recent_.push_back(*path);
    }
    showRecentFiles();

    const auto type = number(store_->get(kUnitTypeKey));
    const bool typeValid = type && *type >= 0 && *type <= 9 && *type == std::floor(*type);
    if (typeValid) storedType_ = static_cast<int>(*type);
    if (typeValid && !start.unitTypeGiven) host_.chooseUnitType(static_cast<int>(*type));
    // The ports of last time belong to last time's unit type.
    if (typeValid && !start.portsGiven && host_.session().UnitType == static_cast<int>(*type))
        restorePorts(start);
    restoreControls();
    restoreStation();
    return true;
}

// The station network's settings, and whether it was on.
namespace {
struct StationKey {
    const char* key;
    std::string station::StationSettings::*field;
};
constexpr StationKey kStationKeys[] = {
    {"station/url", &station::StationSettings::url},
    {"station/name", &station::StationSettings::station},
    {"station/user", &station::StationSettings::user},
    {"station/passwordFile", &station::StationSettings::passwordFile},
    {"station/caFile", &station::StationSettings::caFile},
    {"station/queueFolder", &station::StationSettings::queueFolder},
};
constexpr const char* kStationOnKey = "station/on";
constexpr const char* kStationLimitKey = "station/queueLimitMb";
}  // namespace

void RememberedSettings::restoreStation() {
    station::StationSettings s;
    for (const StationKey& k : kStationKeys) s.*k.field = store_->get(k.key).value_or("");
    const auto limit = number(store_->get(kStationLimitKey));
    if (limit && *limit >= 1 && *limit <= 1e7) s.queueLimitMb = static_cast<int>(*limit);
    if (s.url.empty()) return;
    station::Station& st = host_.station();
    std::string why;
    if (store_->get(kStationOnKey).value_or("0") != "1") {
        st.remember(s);
    } else if (!st.start(s, why)) {
        st.remember(s);
        dialogs_.message("STATION NETWORK",
                         "The station network of last time cannot start: " + why + ".");
    }
}

void RememberedSettings::saveStation() {
    const station::Station& st = host_.station();
    const station::StationSettings& s = st.settings();
    if (s.url.empty()) return;
    for (const StationKey& k : kStationKeys) store_->set(k.key, s.*k.field);
    store_->set(kStationLimitKey, std::to_string(s.queueLimitMb));
    store_->set(kStationOnKey, st.running() ? "1" : "0");
}

bool RememberedSettings::present(const std::string& path) {
    std::vector<platform::PortInfo> listed;
    ports_.list(listed);
    if (std::any_of(listed.begin(), listed.end(),
                    [&](const platform::PortInfo& p) { return p.systemPath == path; }))
        return true;
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

void RememberedSettings::restorePorts(const Start& start) {
    std::vector<std::pair<Ctl, std::string>> offered;
    std::string listing, absent;
    for (const RememberedPort& p : kPorts) {
        const auto path = store_->get(p.key);
        if (!path || path->empty()) continue;
        if (!present(*path)) {
            absent += std::string("\n  ") + p.name + ": " + *path;
            continue;
        }
        offered.emplace_back(p.ring, *path);
        listing += std::string("\n  ") + p.name + ": " + *path;
    }
    if (offered.empty()) return;
    if (!start.reopenPorts) {
        std::string text = "Last time this program used" + listing;
        if (!absent.empty()) text += "\nand, not present now," + absent;
        text += "\n\nOpen them again?";
        if (!dialogs_.confirm("OPEN THE PORTS OF LAST TIME?", text)) return;
    }
    for (const auto& [ring, path] : offered) host_.choosePort(ring, path);
}

void RememberedSettings::restoreControls() {
    platform::Panel& panel = host_.panel();
    const auto apply = [&](Ctl id) {
        const auto v = number(store_->get(controlKey(id)));
        if (!v) return;
        const platform::ControlSpec& spec = platform::controlSpec(id);
        if (spec.kind == platform::Kind::Ring && panel.indexOfValue(id, *v) < 0) return;
        const double lo = panel.minValue(id), hi = panel.maxValue(id);
        if (lo != hi && (*v < lo || *v > hi)) return;
        panel.setValue(id, *v);
        panel.raise(id, Event::Commit);
    };
    for (Ctl id : kChartAndAnalysis) apply(id);
    for (Ctl table : kLengthTables) {
        for (int row = 0; row < panel.tableRows(table); ++row) {
            const auto metres = number(store_->get(cellKey(table, row)));
            if (metres && *metres > 0 && *metres <= 100)
                panel.setCell(table, row, 0, store_->get(cellKey(table, row)).value_or(""));
        }
    }
    // The units of last time's traces have not reported yet: each trace waits for its unit.
    for (int t = 0; t < chart::kTraceCount; ++t) {
        const auto v = number(store_->get(controlKey(platform::ctlAt(Ctl::TraceSelect1, t))));
        if (v && *v >= 1 && *v <= 255 && *v == std::floor(*v))
            host_.chart().awaitUnit(t, static_cast<int>(*v));
    }
}

void RememberedSettings::save() {
    if (!usable_) return;
    const platform::Panel& panel = host_.panel();
    store_->set(kFormatKey, kFormat);
    store_->set(kUnitTypeKey, std::to_string(host_.session().UnitType));
    // A port closed at exit keeps what was remembered for it while the unit type is the same:
    // a station whose adapter was unplugged today, or whose operator said no once, is still
    // offered its ports next time (with the question). Another unit type forgets them.
    const bool sameType = storedType_ == host_.session().UnitType;
    for (const RememberedPort& p : kPorts) {
        if (host_.portOpen(p.ring)) {
            store_->set(p.key, host_.portPath(p.ring));
        } else if (!sameType) {
            store_->remove(p.key);
        }
    }
    for (Ctl id : kChartAndAnalysis) store_->set(controlKey(id), numberText(panel.value(id)));
    saveStation();
    for (Ctl table : kLengthTables) {
        for (int row = 0; row < panel.tableRows(table); ++row) {
            const std::string& cell = panel.cell(table, row, 0);
            if (number(cell)) {
                store_->set(cellKey(table, row), cell);
            } else {
                store_->remove(cellKey(table, row));
            }
        }
    }
    for (int t = 0; t < chart::kTraceCount; ++t) {
        const Ctl id = platform::ctlAt(Ctl::TraceSelect1, t);
        store_->set(controlKey(id), numberText(panel.value(id)));
    }
    for (int i = 0; i < kRecentFiles; ++i) {
        if (i < static_cast<int>(recent_.size())) {
            store_->set(recentKey(i), recent_[static_cast<std::size_t>(i)]);
        } else {
            store_->remove(recentKey(i));
        }
    }
    if (!store_->flush()) {
        dialogs_.message("SETTINGS NOT SAVED", "The settings could not be written to " +
                                                   store_->where() + ": " + store_->problem());
    }
}

std::string RememberedSettings::folder(const std::string& kind) const {
    if (!usable_) return "";
    return store_->get("folders/" + kind).value_or("");
}

void RememberedSettings::setFolder(const std::string& kind, const std::string& directory) {
    if (usable_) store_->set("folders/" + kind, directory);
}

std::string RememberedSettings::value(const std::string& key) const {
    return usable_ ? store_->get(key).value_or("") : "";
}

void RememberedSettings::setValue(const std::string& key, const std::string& value) {
    if (usable_) store_->set(key, value);
}

void RememberedSettings::addRecentFile(const std::string& path) {
    recent_.erase(std::remove(recent_.begin(), recent_.end(), path), recent_.end());
    recent_.insert(recent_.begin(), path);
    if (static_cast<int>(recent_.size()) > kRecentFiles) recent_.resize(kRecentFiles);
    showRecentFiles();
}

// "1 survey000.csv" ... in the File menu, the newest first.
void RememberedSettings::showRecentFiles() {
    platform::Panel& panel = host_.panel();
    for (int i = 0; i < kRecentFiles; ++i) {
        const Ctl item = platform::ctlAt(Ctl::MenuRecent1, i);
        const bool used = i < static_cast<int>(recent_.size());
        if (used) {
            const std::string name =
                std::filesystem::path(recent_[static_cast<std::size_t>(i)]).filename().string();
            panel.setLabel(item, std::to_string(i + 1) + " " + name);
        }
        panel.setVisible(item, used);
    }
}

}  // namespace app
