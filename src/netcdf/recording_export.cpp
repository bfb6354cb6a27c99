#include "netcdf/recording_export.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <numeric>

#include "netcdf/grid_writer.h"
#include "platform/control_table.h"

namespace netcdf {

namespace {

namespace fs = std::filesystem;

// The finest time step the grid may take: beyond it the units' rates share no useful step.
constexpr int kMaxStepsPerSecond = 1000;
// A set whose records lie further apart than this holds a unit whose clock was wrong.
constexpr double kMaxSpanDays = 366;

// "YYYY-MM-DDThh:mm:ss.sssZ" of seconds since 1970 UTC.
std::string isoTime(double t) {
    const double whole = std::floor(t);
    const platform::CalendarTime c = platform::toCalendar(whole);
    const int ms = static_cast<int>(std::lround((t - whole) * 1000));
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", c.year, c.month,
                  c.day, c.hour, c.minute, c.second, std::min(ms, 999));
    return text;
}

std::string nowUtc() {
    std::string t = isoTime(static_cast<double>(std::time(nullptr)));
    return t.erase(t.size() - 5, 4);  // whole seconds
}

// Decimals of a continuous sample's value as the recorder wrote it: five for a Swellmeter.
int decimals(std::string_view line) {
    const auto dot = line.find('.', 12);
    if (dot == std::string_view::npos) return 0;
    std::size_t end = dot + 1;
    while (end < line.size() && line[end] >= '0' && line[end] <= '9') ++end;
    return static_cast<int>(end - dot - 1);
}

// survey003 -> survey: a recording's numbered files share the name before the number.
std::string setName(const std::string& file) {
    std::string stem = fs::path(file).stem().string();
    std::size_t digits = 0;
    while (digits < 3 && digits < stem.size() && std::isdigit(static_cast<unsigned char>(
                                                         stem[stem.size() - 1 - digits])))
        ++digits;
    if (digits == 3 && stem.size() > 3) stem.resize(stem.size() - 3);
    return stem.empty() ? "recording" : stem;
}

std::string unitTypeName(int type) {
    for (const platform::RingItem& item : platform::controlSpec(platform::Ctl::UnitTypeRing).items)
        if (static_cast<int>(item.value) == type) return std::string(item.label);
    return {};
}

std::string offsetText(double hours) {
    const int minutes = static_cast<int>(std::lround(std::abs(hours) * 60));
    char text[32];
    std::snprintf(text, sizeof text, "UTC%c%02d:%02d", hours < 0 ? '-' : '+', minutes / 60,
                  minutes % 60);
    return text;
}

}  // namespace

int RecordingExport::DeviceInfo::highestRate() const {
    return rates == 0 ? 1 : 63 - std::countl_zero(rates);
}

std::string defaultOutputName(const std::vector<std::string>& files, const std::string& dir) {
    const std::string name = files.empty() ? "recording" : setName(files.front());
    return (fs::path(dir) / (name + ".nc")).string();
}

RecordingExport::RecordingExport(ExportOptions options)
    : options_(std::move(options)),
      set_(std::make_unique<RecordingSet>(options_.files)),
      devices_(256) {
    for (std::size_t d = 0; d < devices_.size(); ++d) devices_[d].device = static_cast<int>(d);
    if (!set_->error().empty()) failWith(set_->error());
}

RecordingExport::~RecordingExport() = default;

double RecordingExport::fraction() const {
    if (phase_ == Phase::Done) return 1;
    const auto total = static_cast<double>(std::max<std::int64_t>(1, set_->totalBytes()));
    const double read = std::min(1.0, static_cast<double>(set_->bytesRead()) / total);
    return phase_ == Phase::Writing ? 0.5 + read / 2 : read / 2;
}

std::string RecordingExport::activity() const {
    const auto& files = set_->files();
    const std::string name =
        files.empty() ? std::string()
                      : fs::path(files[std::min(set_->fileIndex(), files.size() - 1)])
                            .filename()
                            .string();
    switch (phase_) {
        case Phase::Checking:
            return "Checking " + name;
        case Phase::Writing:
            return "Writing " + name;
        default:
            return {};
    }
}

void RecordingExport::failWith(std::string why) {
    error_ = std::move(why);
    phase_ = Phase::Failed;
    writer_.reset();  // removes the file begun
}

void RecordingExport::cancel() {
    if (!finished()) failWith("cancelled");
}

bool RecordingExport::step() {
    if (finished()) return false;
    try {
        if (phase_ == Phase::Checking) {
            if (set_->next([this](const SetRecord& r) { check(r); })) return true;
            if (!set_->error().empty()) {
                failWith(set_->error());
                return false;
            }
            startWriting();
            return !finished();
        }
        if (set_->next([this](const SetRecord& r) { writer_->add(r); })) return true;
        if (!set_->error().empty()) {
            // The files changed while they were being exported.
            failWith(set_->error());
            return false;
        }
        finish();
    } catch (const NcError& e) {
        failWith(e.what());
    } catch (const std::bad_alloc&) {
        failWith("not enough memory for the export");
    }
    return false;
}

void RecordingExport::check(const SetRecord& r) {
    DeviceInfo& d = devices_[static_cast<std::size_t>(r.record.device)];
    ++lineCount_;
    if (!r.timed) {
        untimed_ += static_cast<std::int64_t>(r.values.size());
        return;
    }
    const chart::CsvRecord& c = r.record;
    if (c.kind != 'C' || c.subType == '1') d.rates |= std::uint64_t{1} << r.rate;
    if (c.kind == 'C' && c.subType == '1' && decimals(r.line) == 5) ++d.pressureSamples;
    if (c.kind == 'C' && c.subType == '4') ++d.temperatures;
    if ((c.kind == 'C' && c.subType == '7') || c.kind != 'C') ++d.batteryStates;
    if (c.kind == 'G') ++d.rawRecords;
    d.values += static_cast<std::int64_t>(r.values.size());
    const bool stored = !r.values.empty() || (c.kind == 'C' && c.subType == '4') ||
                        (c.kind == 'C' && c.subType == '7') || c.kind != 'C';
    if (!stored) return;
    const double end =
        r.time + static_cast<double>(std::max<std::size_t>(1, r.values.size()) - 1) / r.rate;
    if (!any_ || r.time < first_) {
        first_ = r.time;
        firstFile_ = r.file;
        firstLine_ = r.lineNumber;
    }
    if (!any_ || end > last_) {
        last_ = end;
        lastFile_ = r.file;
        lastLine_ = r.lineNumber;
    }
    any_ = true;
}

void RecordingExport::startWriting() {
    GridLayout layout;
    std::int64_t lcm = 1;
    std::string rateList;
    int stamped = 0;
    for (const DeviceInfo& d : devices_) {
        const bool reported = d.values > 0 || d.temperatures > 0 || d.batteryStates > 0;
        if (!reported) continue;
        layout.devices.push_back(d.device);
        layout.rates.push_back(d.highestRate());
        layout.pressure.push_back(d.pressure());
        layout.levels = layout.levels || (d.values > 0 && !d.pressure());
        layout.pressures = layout.pressures || d.pressure();
        layout.temperatures = layout.temperatures || d.temperatures > 0;
        layout.batteries = layout.batteries || d.batteryStates > 0;
        layout.rawRecords += d.rawRecords;
        for (int rate = 1; rate <= 32; ++rate) {
            if ((d.rates & (std::uint64_t{1} << rate)) == 0) continue;
            lcm = std::lcm(lcm, rate);
            if (!rateList.empty()) rateList += ", ";
            rateList += std::to_string(rate);
        }
        stamped += d.pressure() ? 1 : 0;
    }
    const auto& files = set_->files();
    if (!any_ || layout.devices.empty()) {
        failWith(files.size() == 1 ? files.front() + ": holds no samples"
                                   : "the files hold no samples");
        return;
    }
    if (lcm > kMaxStepsPerSecond) {
        failWith("the units' sample rates (" + rateList +
                 " per second) share no time step of a millisecond or more");
        return;
    }
    const double span = last_ - first_;
    if (span > kMaxSpanDays * 86400) {
        failWith("the records span " + std::to_string(static_cast<int>(span / 86400)) +
                 " days, from " + files[firstFile_] + " line " + std::to_string(firstLine_) +
                 " to " + files[lastFile_] + " line " + std::to_string(lastLine_) +
                 ": a unit's clock was wrong");
        return;
    }
    if (options_.unitType >= 0 && (options_.unitType == 9) != (stamped > 0)) {
        failWith(options_.unitType == 9
                     ? "the files hold no Swellmeter samples (five decimals), but the unit type is 9"
                     : "the files hold Swellmeter samples (five decimals), but the unit type is " +
                           std::to_string(options_.unitType));
        return;
    }
    layout.pressureInMetres = options_.pressureInMetres;
    layout.clockToUtc = options_.utcOffsetHours * 3600;
    layout.start = first_;
    layout.stepsPerSecond = static_cast<int>(lcm);
    layout.steps = static_cast<std::size_t>(std::llround(span * static_cast<double>(lcm))) + 1;
    layout.chunkSteps = std::min<std::size_t>(
        layout.steps, std::clamp<std::size_t>(3600 * static_cast<std::size_t>(lcm), 4096, 1 << 20));

    const int unitType = options_.unitType >= 0 ? options_.unitType
                         : stamped > 0 && !layout.levels ? 9
                                                        : -1;
    GlobalAttributes g;
    g.station = options_.station.empty() ? setName(files.front()) : options_.station;
    g.unitType = unitType;
    g.unitTypeName = unitTypeName(unitType);
    g.title = std::string(layout.pressures && !layout.levels ? "Pressures" : "Water levels") +
              " recorded at " + g.station;
    g.source = "fathomhost " FATHOM_VERSION " sample-file recording";
    for (const std::string& f : files) {
        if (!g.files.empty()) g.files += ", ";
        g.files += fs::path(f).filename().string();
    }
    g.created = nowUtc();
    g.coverageStart = isoTime(first_ - layout.clockToUtc);
    g.coverageEnd = isoTime(last_ - layout.clockToUtc);
    g.history = g.created + " fathomhost " FATHOM_VERSION ": " +
                (options_.history.empty() ? "exported " + g.files : options_.history);
    g.header = set_->header();
    g.comment = "Times are the units' clocks as recorded, taken as " +
                offsetText(options_.utcOffsetHours) +
                ". Each time step holds the samples taken at it; a unit that samples more slowly "
                "than the steps leaves the steps between its samples empty. Missing samples are "
                "left as the fill value, never interpolated.";
    if (untimed_ > 0)
        g.comment += " " + std::to_string(untimed_) +
                     " samples sent before their unit's first date had no time and are left out.";
    try {
        writer_ = std::make_unique<GridWriter>(options_.output, layout, g);
    } catch (const NcError& e) {
        failWith(e.what());
        return;
    }
    layout_ = layout;
    set_ = std::make_unique<RecordingSet>(options_.files);
    phase_ = Phase::Writing;
}

void RecordingExport::finish() {
    writer_->finish();
    phase_ = Phase::Done;
}

std::string RecordingExport::summary() const {
    if (phase_ != Phase::Done) return {};
    std::int64_t values = 0;
    for (const DeviceInfo& d : devices_) values += d.values;
    const double offset = options_.utcOffsetHours * 3600;
    char text[400];
    std::snprintf(text, sizeof text,
                  "%zu device%s, %s to %s, %zu time steps at %d per second, %lld values",
                  layout_.devices.size(), layout_.devices.size() == 1 ? "" : "s",
                  isoTime(layout_.start - offset).c_str(),
                  isoTime(layout_.start - offset +
                          static_cast<double>(layout_.steps - 1) / layout_.stepsPerSecond)
                      .c_str(),
                  layout_.steps, layout_.stepsPerSecond, static_cast<long long>(values));
    std::string s = text;
    if (untimed_ > 0) {
        s += '\n';
        s += std::to_string(untimed_);
        s += " samples sent before their unit's first date had no time and were left out";
    }
    if (writer_ && writer_->overwritten() > 0) {
        s += '\n';
        s += std::to_string(writer_->overwritten());
        s += " samples fell on a time step their unit had filled already and replaced it";
    }
    return s;
}

std::string exportRecordings(const ExportOptions& options,
                             const std::function<void(double)>& progress, std::string* summary) {
    RecordingExport job(options);
    double shown = 0;
    while (job.step()) {
        if (progress && job.fraction() - shown >= 0.05) {
            shown = job.fraction();
            progress(shown);
        }
    }
    if (summary != nullptr) *summary = job.summary();
    return job.error();
}

}  // namespace netcdf
