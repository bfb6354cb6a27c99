#include "app/export_menu.h"

#include <charconv>
#include <cmath>
#include <filesystem>

namespace app {

namespace {

using platform::Ctl;

constexpr const char* kTitle = "EXPORT TO NETCDF";
constexpr int kTickMs = 50;
// Work per tick: the window answers between slices.
constexpr double kSliceMs = 100;
constexpr int kMostStepsPerTick = 4;  // of about a megabyte each

// Hours from -14 to 14, as "5", "-3.5" or "+5:30"; empty counts as 0.
bool parseOffset(std::string text, double& hours) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    while (!text.empty() && text.front() == ' ') text.erase(0, 1);
    if (text.empty()) {
        hours = 0;
        return true;
    }
    const bool negative = text.front() == '-';
    if (text.front() == '+' || negative) text.erase(0, 1);
    double minutes = 0;
    const auto colon = text.find(':');
    if (colon != std::string::npos) {
        const std::string m = text.substr(colon + 1);
        auto [end, ec] = std::from_chars(m.data(), m.data() + m.size(), minutes);
        if (ec != std::errc() || end != m.data() + m.size() || minutes < 0 || minutes >= 60)
            return false;
        text.resize(colon);
    }
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), hours);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(hours))
        return false;
    hours = (negative ? -1 : 1) * (hours + minutes / 60);
    return std::abs(hours) <= 14;
}

}  // namespace

ExportMenu::ExportMenu(platform::Panel& panel, platform::Dialogs& dialogs, platform::Clock& clock)
    : panel_(panel), dialogs_(dialogs), clock_(clock) {}

ExportMenu::~ExportMenu() = default;

void ExportMenu::setExporter(ExportJobFactory job, ExportNameFactory name) {
    makeJob_ = std::move(job);
    nameFor_ = std::move(name);
    panel_.setVisible(Ctl::MenuExportNetcdf, makeJob_ != nullptr);
}

void ExportMenu::ExportToNetcdf() {
    if (!makeJob_ || running()) return;
    const std::vector<std::string> files =
        dialogs_.fileSelectMany({.pattern = "*.csv",
                                 .title = "Export Recordings To NetCDF",
                                 .patternName = "Recordings"});
    if (files.empty()) return;
    const auto offset = dialogs_.prompt(
        "UTC OFFSET",
        "Enter the hours the units' clocks ran ahead of UTC while recording\n"
        "(0 or nothing when they ran on UTC, -5 for UTC-5, 5:30 for UTC+5:30).",
        6);
    if (!offset) return;
    double hours = 0;
    if (!parseOffset(*offset, hours)) {
        dialogs_.message("UTC OFFSET", "\"" + *offset +
                                           "\" is not an offset from UTC: give hours from -14 "
                                           "to 14, such as 2, -5 or 5:30.");
        return;
    }
    const std::filesystem::path suggested = nameFor_ ? nameFor_(files) : "recording.nc";
    platform::FileSelection out =
        dialogs_.fileSelect({.directory = std::filesystem::path(files.front()).parent_path().string(),
                             .pattern = "*.nc",
                             .title = "Save NetCDF File As:",
                             .save = true,
                             .defaultName = suggested.filename().string(),
                             .patternName = "NetCDF files"});
    if (!out.ok()) return;
    std::string output = out.path;
    if (std::filesystem::path(output).extension() != ".nc") {
        output += ".nc";
        std::error_code ec;
        if (std::filesystem::exists(output, ec))
            out.status = platform::FileSelection::Status::Existing;
    }
    if (out.existed() &&
        !dialogs_.confirm("Confirm Save File", output + " exists already.\nDo you want to replace it?"))
        return;
    job_ = makeJob_({.files = files,
                     .output = output,
                     .utcOffsetHours = hours,
                     .pressureInMetres = panel_.intValue(Ctl::SMI_BarMeters) == 1});
    output_ = output;
    panel_.setDimmed(Ctl::MenuExportNetcdf, true);
    dialogs_.progress(kTitle, job_->activity(), 0);
    panel_.setTimerInterval(Ctl::ExportTimer, kTickMs);
    panel_.setTimerEnabled(Ctl::ExportTimer, true);
}

void ExportMenu::ExportTimer() {
    if (!job_) {
        panel_.setTimerEnabled(Ctl::ExportTimer, false);
        return;
    }
    const double started = clock_.processorMs();
    for (int i = 0; i < kMostStepsPerTick && clock_.processorMs() - started < kSliceMs; ++i) {
        if (!job_->step()) break;
    }
    if (job_->finished()) {
        end(false);
        return;
    }
    if (!dialogs_.progress(kTitle, job_->activity(), job_->fraction())) {
        job_->cancel();
        end(true);
    }
}

void ExportMenu::end(bool cancelled) {
    panel_.setTimerEnabled(Ctl::ExportTimer, false);
    dialogs_.endProgress();
    panel_.setDimmed(Ctl::MenuExportNetcdf, false);
    const std::unique_ptr<ExportJob> job = std::move(job_);
    if (cancelled)
        dialogs_.message(kTitle, "The export was cancelled: nothing was written.");
    else if (job->error().empty())
        dialogs_.message(kTitle, "Wrote " + output_ + ":\n" + job->summary());
    else
        dialogs_.message(kTitle, "Nothing was written.\n" + job->error());
}

}  // namespace app
