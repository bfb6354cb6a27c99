#include "netcdf/grid_writer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>

namespace netcdf {

namespace {

constexpr int kDeflateLevel = 1;  // most of what deflate gains on samples, at its best speed
constexpr float kFill = NC_FILL_FLOAT;
constexpr signed char kNoBattery = NC_FILL_BYTE;
constexpr std::size_t kRawLength = live::kRawBurstBytes;

// Times count seconds from the start of the first sample's day (UTC): small numbers that
// readers turn into exact times (1/32 s is a binary fraction; nanoseconds since 1970 in a
// double are not exact).
double epochOf(double utc) { return std::floor(utc / 86400) * 86400; }

std::string timeUnits(double epoch) {
    const platform::CalendarTime c = platform::toCalendar(epoch);
    char text[64];
    std::snprintf(text, sizeof text, "seconds since %04d-%02d-%02d 00:00:00", c.year, c.month,
                  c.day);
    return text;
}

// A quantity the units measure, as the file describes it.
struct Quantity {
    const char* name;
    std::string_view standardName;  // empty where CF has none
    std::string_view longName;
    std::string_view units;
};
constexpr Quantity kLevel{"water_level", "water_surface_height_above_reference_datum",
                          "water level above the bottom of the staff, or above the zero set for "
                          "the unit",
                          "m"};
constexpr Quantity kPressure{"pressure", "sea_water_pressure", "pressure at the gauge", "bar"};
constexpr Quantity kPressureHead{"pressure_head", "",
                                 "pressure at the gauge as metres of sea water (bar x 9.94846)",
                                 "m"};
constexpr Quantity kTemperature{"temperature", "", "temperature the unit reported", "degC"};

// The battery state a record carries as a number: 0 good, 2 low, 3 bad (the digit of a
// burst, the letter of a "C" power-state record); -1 when it carries none.
int batteryState(const SetRecord& r) {
    const chart::CsvRecord& c = r.record;
    if (c.kind == 'C') {
        if (c.subType != '7') return -1;
        switch (c.sensor) {
            case 'G':
                return 0;
            case 'L':
                return 2;
            case 'B':
                return 3;
            default:
                return -1;
        }
    }
    return c.mode >= '0' && c.mode <= '9' ? c.mode - '0' : -1;
}

}  // namespace

// The values of one variable over (time, device), held a chunk of the time dimension at a
// time for every device, and written per device column, so that a device that sent nothing in
// a chunk leaves it unwritten (the library reads such chunks as the fill value).
class ColumnChunks {
  public:
    ColumnChunks(const NcFile& file, int var, std::size_t devices, const GridLayout& layout,
                 float fill)
        : file_(file), var_(var), devices_(devices), chunkSteps_(layout.chunkSteps),
          steps_(layout.steps), fill_(fill),
          flushed_((layout.steps + layout.chunkSteps - 1) / layout.chunkSteps, false) {}

    // Stores values at step, step + stride ... of a device; returns how many replaced a value
    // stored before.
    std::int64_t store(std::size_t step, std::size_t stride, std::size_t device,
                       std::span<const float> values) {
        std::int64_t replaced = 0;
        for (float v : values) {
            if (step >= steps_) break;
            float& slot = at(step, device);
            replaced += slot != fill_ ? 1 : 0;
            // A value that is no number is no sample: it stays a gap.
            slot = std::isfinite(v) ? v : fill_;
            step += stride;
        }
        return replaced;
    }

    void flushAll() {
        while (!chunks_.empty()) flush(chunks_.begin());
    }

  private:
    struct Chunk {
        std::vector<float> data;  // device by device, chunkSteps each
        std::vector<char> touched;
        std::uint64_t lastUse = 0;
    };

    float& at(std::size_t step, std::size_t device) {
        const std::size_t k = step / chunkSteps_;
        if (k != currentIndex_ || current_ == nullptr) {
            current_ = &chunk(k);
            current_->lastUse = ++uses_;
            currentIndex_ = k;
        }
        current_->touched[device] = 1;
        return current_->data[device * chunkSteps_ + step % chunkSteps_];
    }

    Chunk& chunk(std::size_t k) {
        auto it = chunks_.find(k);
        if (it != chunks_.end()) return it->second;
        // Records come in about the order of their times, but a unit whose clock is hours
        // off the others' writes far behind them: the chunk used longest ago goes to the file.
        if (chunks_.size() >= kChunksHeld) {
            auto oldest = chunks_.begin();
            for (auto c = chunks_.begin(); c != chunks_.end(); ++c)
                if (c->second.lastUse < oldest->second.lastUse) oldest = c;
            flush(oldest);
        }
        Chunk& c = chunks_[k];
        c.data.assign(devices_ * chunkSteps_, fill_);
        c.touched.assign(devices_, 0);
        if (flushed_[k]) {
            // A record later than its chunk: what was written of the chunk comes back first.
            for (std::size_t d = 0; d < devices_; ++d) {
                const std::array<std::size_t, 2> start{k * chunkSteps_, d}, count{length(k), 1};
                file_.check(nc_get_vara_float(file_.id(), var_, start.data(), count.data(),
                                              &c.data[d * chunkSteps_]),
                            "reading values back");
                c.touched[d] = 1;
            }
        }
        return c;
    }

    std::size_t length(std::size_t k) const {
        return std::min(chunkSteps_, steps_ - k * chunkSteps_);
    }

    void flush(std::map<std::size_t, Chunk>::iterator it) {
        const std::size_t k = it->first;
        for (std::size_t d = 0; d < devices_; ++d) {
            if (!it->second.touched[d]) continue;
            const std::array<std::size_t, 2> start{k * chunkSteps_, d}, count{length(k), 1};
            put(file_, var_, start, count, &it->second.data[d * chunkSteps_]);
        }
        flushed_[k] = true;
        if (current_ == &it->second) current_ = nullptr;
        chunks_.erase(it);
    }

    const NcFile& file_;
    int var_;
    std::size_t devices_, chunkSteps_, steps_;
    float fill_;
    std::vector<bool> flushed_;
    static constexpr std::size_t kChunksHeld = 4;
    std::map<std::size_t, Chunk> chunks_;
    std::uint64_t uses_ = 0;
    Chunk* current_ = nullptr;
    std::size_t currentIndex_ = 0;
};

GridWriter::GridWriter(const std::string& path, const GridLayout& layout,
                       const GlobalAttributes& global)
    : layout_(layout), file_(path), index_(256, -1),
      epoch_(epochOf(layout.start - layout.clockToUtc)) {
    const std::size_t n = layout.devices.size();
    for (std::size_t i = 0; i < n; ++i) index_[static_cast<std::size_t>(layout.devices[i])] = static_cast<int>(i);
    NcFile& f = file_;
    const int time = f.defineDim("time", layout.steps);
    const int device = f.defineDim("device", n);

    const std::array<int, 1> timeDims{time};
    const std::array<std::size_t, 1> timeChunk{layout.chunkSteps};
    const int timeVar = f.defineVar("time", NC_DOUBLE, timeDims, timeChunk, kDeflateLevel);
    f.text(timeVar, "standard_name", "time");
    f.text(timeVar, "long_name", "time of the sample (UTC)");
    const std::string units = timeUnits(epoch_);
    f.text(timeVar, "units", units);
    f.text(timeVar, "calendar", "standard");
    f.text(timeVar, "axis", "T");

    const std::array<int, 1> deviceDims{device};
    const int deviceVar = f.defineVar("device", NC_INT, deviceDims);
    f.text(deviceVar, "long_name", "device number of the unit");
    f.text(deviceVar, "cf_role", "timeseries_id");
    const int rateVar = f.defineVar("sample_rate", NC_INT, deviceDims);
    f.text(rateVar, "long_name", "samples per second the unit sent (the highest, if it changed)");
    f.text(rateVar, "units", "Hz");

    // Chunks of an hour or so of one device: reading one unit's week touches only its own
    // chunks, and an hour of every unit a chunk each.
    const std::array<int, 2> gridDims{time, device};
    const std::array<std::size_t, 2> gridChunk{layout.chunkSteps, 1};
    auto gridVar = [&](const char* name, nc_type type) {
        return f.defineVar(name, type, gridDims, gridChunk, kDeflateLevel);
    };
    auto measured = [&](const Quantity& q) {
        const int v = gridVar(q.name, NC_FLOAT);
        if (!q.standardName.empty()) f.text(v, "standard_name", q.standardName);
        f.text(v, "long_name", q.longName);
        f.text(v, "units", q.units);
        f.fill(v, kFill);
        return std::make_unique<ColumnChunks>(f, v, n, layout, kFill);
    };
    if (layout.levels) levels_ = measured(kLevel);
    if (layout.pressures) pressures_ = measured(layout.pressureInMetres ? kPressureHead : kPressure);
    if (layout.temperatures) temperatures_ = measured(kTemperature);
    if (layout.batteries) {
        const int v = gridVar("battery_state", NC_BYTE);
        f.text(v, "long_name", "battery state the unit reported");
        const std::array<double, 3> flags{0, 2, 3};
        f.numbers(v, "flag_values", NC_BYTE, flags);
        f.text(v, "flag_meanings", "good low bad");
        f.fill(v, kNoBattery);
        batteries_ = std::make_unique<ColumnChunks>(f, v, n, layout, kNoBattery);
    }
    if (layout.rawRecords > 0) {
        const int raw = f.defineDim("raw_record", static_cast<std::size_t>(layout.rawRecords));
        const int length = f.defineDim("raw_length", kRawLength);
        const std::array<int, 1> rawDims{raw};
        const std::array<int, 2> dataDims{raw, length};
        rawTime_ = f.defineVar("raw_time", NC_DOUBLE, rawDims);
        f.text(rawTime_, "standard_name", "time");
        f.text(rawTime_, "long_name", "time of the raw data record (UTC)");
        f.text(rawTime_, "units", units);
        f.text(rawTime_, "calendar", "standard");
        rawDevice_ = f.defineVar("raw_device", NC_INT, rawDims);
        f.text(rawDevice_, "long_name", "device number of the unit");
        const std::array<std::size_t, 2> rawChunk{
            std::min<std::size_t>(4096, static_cast<std::size_t>(layout.rawRecords)), kRawLength};
        rawData_ = f.defineVar("raw_data", NC_UBYTE, dataDims, rawChunk, kDeflateLevel);
        f.text(rawData_, "long_name", "the unit's raw data bytes, as received");
    }

    auto text = [&](const char* name, const std::string& value) {
        if (!value.empty()) f.text(NC_GLOBAL, name, value);
    };
    f.text(NC_GLOBAL, "Conventions", "CF-1.8");
    text("title", global.title);
    text("source", global.source);
    text("history", global.history);
    text("station_name", global.station);
    if (global.unitType >= 0) f.integer(NC_GLOBAL, "unit_type", global.unitType);
    text("unit_type_name", global.unitTypeName);
    text("recording_files", global.files);
    text("recording_header", global.header);
    text("comment", global.comment);
    text("date_created", global.created);
    text("time_coverage_start", global.coverageStart);
    text("time_coverage_end", global.coverageEnd);
    f.endDefine();
    writeCoordinates();
}

GridWriter::~GridWriter() = default;

void GridWriter::writeCoordinates() {
    const int timeVar = [&] {
        int id = -1;
        file_.check(nc_inq_varid(file_.id(), "time", &id), "variable time");
        return id;
    }();
    std::vector<double> t(layout_.chunkSteps);
    const double r = layout_.stepsPerSecond;
    const double start = layout_.start - layout_.clockToUtc - epoch_;
    for (std::size_t from = 0; from < layout_.steps; from += layout_.chunkSteps) {
        const std::size_t count = std::min(layout_.chunkSteps, layout_.steps - from);
        for (std::size_t i = 0; i < count; ++i) t[i] = start + static_cast<double>(from + i) / r;
        const std::array<std::size_t, 1> s{from}, c{count};
        put(file_, timeVar, s, c, t.data());
    }
    int deviceVar = -1, rateVar = -1;
    file_.check(nc_inq_varid(file_.id(), "device", &deviceVar), "variable device");
    file_.check(nc_inq_varid(file_.id(), "sample_rate", &rateVar), "variable sample_rate");
    const std::array<std::size_t, 1> s{0}, c{layout_.devices.size()};
    put(file_, deviceVar, s, c, layout_.devices.data());
    put(file_, rateVar, s, c, layout_.rates.data());
}

std::size_t GridWriter::stepOf(double clockTime) const {
    return static_cast<std::size_t>(
        std::llround((clockTime - layout_.start) * layout_.stepsPerSecond));
}

void GridWriter::add(const SetRecord& r) {
    const int at = index_[static_cast<std::size_t>(r.record.device)];
    if (!r.timed || at < 0) return;
    const auto device = static_cast<std::size_t>(at);
    const std::size_t step = stepOf(r.time);

    if (!r.values.empty()) {
        ColumnChunks* to = layout_.pressure[device] ? pressures_.get() : levels_.get();
        const auto stride = static_cast<std::size_t>(layout_.stepsPerSecond / r.rate);
        overwritten_ += to->store(step, stride, device, r.values);
    }
    if (r.record.kind == 'C' && r.record.subType == '4') {
        const std::array<float, 1> v{r.record.value};
        temperatures_->store(step, 1, device, v);
    }
    if (const int b = batteryState(r); b >= 0) {
        const std::array<float, 1> v{static_cast<float>(b)};
        batteries_->store(step, 1, device, v);
    }
    if (r.record.kind == 'G' && raw_ < static_cast<std::size_t>(layout_.rawRecords)) {
        const std::array<std::size_t, 1> s{raw_}, c{1};
        const double t = r.time - layout_.clockToUtc - epoch_;
        put(file_, rawTime_, s, c, &t);
        put(file_, rawDevice_, s, c, &r.record.device);
        const std::array<std::size_t, 2> ds{raw_, 0}, dc{1, kRawLength};
        put(file_, rawData_, ds, dc, reinterpret_cast<const unsigned char*>(r.record.raw.data()));
        ++raw_;
    }
}

void GridWriter::finish() {
    for (ColumnChunks* c : {levels_.get(), pressures_.get(), temperatures_.get(), batteries_.get()})
        if (c != nullptr) c->flushAll();
    file_.commit();
}

}  // namespace netcdf
