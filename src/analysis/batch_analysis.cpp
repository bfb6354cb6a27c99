#include "analysis/batch_analysis.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <new>

#include "chart/playback_parser.h"
#include "chart/record_apply.h"
#include "chart/trace_buffer.h"
#include "live/output_line.h"
#include "platform/level_unit.h"

namespace analysis {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kReadBlock = 1 << 16;
constexpr std::int64_t kProgressStep = 16 << 20;

struct DeviceState {
    live::OutputLine entry;
    RecordedDevice record;
};

// Stores values at pos as the chart's trace store does; the record grows as far as needed.
// room: how many points to make room for when the record first outgrows its place.
void store(RecordedDevice& d, std::int64_t pos, std::span<const float> values, std::int64_t room) {
    const auto end = pos + static_cast<std::int64_t>(values.size());
    const std::int64_t kept = std::min(end, kMaxRecordPoints);
    if (kept < end) d.dropped += end - std::max(kept, pos);
    if (pos >= kept) return;
    if (static_cast<std::int64_t>(d.data.size()) < kept) {
        if (d.data.capacity() == 0) {
            try {
                d.data.reserve(static_cast<std::size_t>(std::max(kept, room)));
            } catch (const std::bad_alloc&) {
                // then it grows step by step
            }
        }
        d.data.resize(static_cast<std::size_t>(kept), static_cast<float>(chart::kNoData));
    }
    for (std::int64_t i = pos; i < kept; ++i) {
        d.data[static_cast<std::size_t>(i)] = values[static_cast<std::size_t>(i - pos)];
    }
    d.writeLoc = static_cast<int>(kept);
}

// The fields a record's time is made of; `known` is false until one is seen.
struct TimeStamp {
    bool known = false;
    bool sample = false;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    bool operator==(const TimeStamp&) const = default;
};

struct NamedWindow {
    std::string_view name;
    WindowType type;
};
constexpr std::array<NamedWindow, kWindowTypeCount> kWindowNames{{
    {"uniform", WindowType::Uniform},
    {"hann", WindowType::Hann},
    {"hamming", WindowType::Hamming},
    {"blackman", WindowType::Blackman},
    {"exact-blackman", WindowType::ExactBlackman},
    {"blackman-harris-3", WindowType::BlackmanHarris3},
    {"blackman-harris-4", WindowType::BlackmanHarris4},
    {"flat-top", WindowType::FlatTop},
}};

}  // namespace

Recording readRecording(std::istream& in, const std::function<void(std::int64_t)>& progress) {
    Recording rec;
    std::map<int, DeviceState> devices;
    chart::CsvLineAssembler lines;
    chart::CsvRecord r;
    std::array<float, live::kMaxBurstValues> values{};
    std::vector<char> block(kReadBlock);
    std::int64_t total = 0, reported = 0;
    // A day's record is megabytes. Growing it step by step copies it again and again and
    // touches twice its memory; so each device is given room at once for what the rest of the
    // file could hold at four bytes a sample (address space only, until written).
    std::int64_t room = 0;
    if (const std::streamoff at = in.tellg(); at >= 0) {
        in.seekg(0, std::ios::end);
        const std::streamoff size = in.tellg();
        in.seekg(at);
        if (!in) in.clear();  // not seekable after all: read on without the hint
        if (size > at) room = std::min<std::int64_t>(kMaxRecordPoints, (size - at) / 4);
    }

    // Every line's device, found without a search of the map (devices are 1 to 255).
    std::array<DeviceState*, 256> byNumber{};
    // A continuous unit's samples share their time stamp with the ones around them: the
    // time is worked out again only when the stamp changes.
    TimeStamp stamp;
    platform::AbsTime stampTime = 0;

    auto onLine = [&](std::string_view text) {
        if (!chart::parseCsvLine(text, r)) return;
        DeviceState*& known = byNumber[static_cast<std::size_t>(r.device) & 0xFF];
        if (known == nullptr) known = &devices[r.device];
        DeviceState& d = *known;
        live::OutputLine& e = d.entry;
        const chart::RecordEffect effect = chart::applyRecord(e, r, values);
        // Raw "G" data holds no levels, and is never charted.
        if (effect == chart::RecordEffect::None || e.MsgType == 'G') return;
        // Before its first date a continuous unit's samples have no time.
        if (effect == chart::RecordEffect::Sample && e.Year == 0) return;
        const int rate = chart::chartRate(e);
        d.record.device = r.device;
        d.record.rate = rate;
        const bool sample = effect == chart::RecordEffect::Sample;
        if (const TimeStamp now{true, sample, e.Year, e.Month, e.Day, e.Hour, e.Minute, e.Second};
            !(now == stamp)) {
            stamp = now;
            stampTime = sample ? chart::sampleTime(e) : chart::blockTime(e);
        }
        const platform::AbsTime T = stampTime;
        if (!rec.started) {
            rec.started = true;
            rec.start = T;
        }
        const double seconds = T - rec.start;
        if (seconds < 0) return;  // stamped before the start: no place on the time line
        const double at = sample ? seconds * rate + e.SampleCount : seconds * rate;
        const auto pos = static_cast<std::int64_t>(std::min(at, 1e15));
        const std::size_t count = sample ? 1 : std::min<std::size_t>(e.SampleCount, values.size());
        store(d.record, pos, std::span<const float>(values.data(), count), room);
    };

    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto n = static_cast<std::size_t>(in.gcount());
        if (n == 0) break;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(block.data());
        if (lines.feed(std::span(bytes, n), onLine)) rec.flashCard = true;
        total += static_cast<std::int64_t>(n);
        if (progress && total - reported >= kProgressStep) {
            reported = total;
            progress(total);
        }
    }
    for (auto& [device, d] : devices) {
        if (!d.record.data.empty()) rec.devices.push_back(std::move(d.record));
    }
    return rec;
}

namespace {

// What one device's analysis needs beyond its samples, kept from one device and file to the
// next: a day of samples makes buffers of megabytes and an FFT plan whose twiddle factors
// cost more to make than the transform.
struct AnalysisBuffers {
    std::unique_ptr<WaveAnalyzer> analyzer;
    // The longest record of the file at hand: an analyzer made for a shorter device would
    // be made again, its buffers faulted in afresh, for each longer one that follows.
    int room = 0;
};

std::string analyseDevice(const Recording& recording, const RecordedDevice& device,
                          const BatchOptions& options, ResultRow& row,
                          std::span<const double>& spectrum, AnalysisBuffers& kept) {
    const int rate = device.rate;
    const auto size = static_cast<int>(device.data.size());
    int from = 0, to = device.writeLoc;
    if (options.section) {
        // Whole seconds, as the cursors of the chart choose a section.
        auto position = [rate](double s) {
            return static_cast<int>(std::trunc(std::clamp(s, 0.0, 1e9))) * rate;
        };
        from = std::min(position(options.sectionStart), size);
        to = std::min(position(options.sectionEnd), size);
    }
    // The samples go straight into the analyzer's buffer, which covers the positions up to
    // the section's end, as a trace's work array does.
    const int reach = std::max(to, 0);
    if (!kept.analyzer || kept.analyzer->maxPoints() < reach) {
        kept.analyzer = std::make_unique<WaveAnalyzer>(std::max(reach, kept.room));
    }
    const std::span<double> work =
        kept.analyzer->recordBuffer().first(static_cast<std::size_t>(reach));
    int gaps = 0;
    const int n = copySection(std::span(device.data).first(static_cast<std::size_t>(reach)),
                              from, to, chart::kNoData, work, &gaps);
    char text[160];
    if (n < kMinAnalysisPoints) {
        std::snprintf(text, sizeof text, "device %d: %d samples%s: an analysis needs at least %d",
                      device.device, n, options.section ? " in the section" : "",
                      kMinAnalysisPoints);
        return text;
    }
    WaveAnalyzer& analyzer = *kept.analyzer;
    const WaveSettings settings{.window = options.window,
                                .scaling = Scaling::Linear,
                                .unit = DisplayUnit::PowerDensity,
                                .tideFilter = options.tideFilter};
    row.device = device.device;
    row.rate = rate;
    row.start = timeText(recording.start + static_cast<double>(from) / rate);
    row.sectionStart = static_cast<double>(from) / rate;
    row.sectionEnd = static_cast<double>(to) / rate;
    row.gaps = gaps;
    row.tideFilter = options.tideFilter;
    row.window = windowName(options.window);
    row.result = analyzer.run(work.first(static_cast<std::size_t>(n)), rate, settings);
    row.warning = sectionWarning(row.result, gaps);
    if (device.dropped > 0) {
        std::snprintf(text, sizeof text, "%s%lld samples beyond two days were not read.",
                      row.warning.empty() ? "" : " ", static_cast<long long>(device.dropped));
        row.warning += text;
    }
    spectrum = analyzer.spectrum();
    return {};
}

}  // namespace

std::string analyseDevice(const Recording& recording, const RecordedDevice& device,
                          const BatchOptions& options, ResultRow& row,
                          std::vector<double>& spectrum) {
    AnalysisBuffers buffers;
    std::span<const double> s;
    std::string why = analyseDevice(recording, device, options, row, s, buffers);
    if (why.empty()) spectrum.assign(s.begin(), s.end());
    return why;
}

int runBatch(const BatchOptions& options, std::ostream& log) {
    std::error_code ec;
    fs::create_directories(options.outputDir, ec);
    const fs::path dir(options.outputDir);
    const fs::path resultsPath = dir / "wave_results.csv";
    std::ofstream results(resultsPath, std::ios::binary | std::ios::trunc);
    if (!results) {
        log << "fathomhost: cannot write " << resultsPath.string() << '\n';
        return 2;
    }
    results << platform::inLevelUnit(resultsHeader(), options.levelUnit);
    int status = 0, rows = 0;
    const auto count = options.files.size();
    std::span<const double> spectrum;  // the analyzer's, until the next device
    AnalysisBuffers buffers;
    SpectrumCsvWriter spectra;
    std::vector<ResultRow> written;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& file = options.files[i];
        auto fail = [&](const std::string& why) {
            log << "fathomhost: " << file << ": " << why << '\n';
            status = 1;
        };
        if (chart::playbackFileType(file) != chart::PlaybackType::Csv) {
            fail("not a sample file: --analyze reads recorded .csv files");
            continue;
        }
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            fail("cannot be opened");
            continue;
        }
        const auto size = static_cast<double>(fs::file_size(file, ec));
        log << "fathomhost: analysing " << file << " (" << i + 1 << " of " << count << ")\n";
        const auto started = std::chrono::steady_clock::now();
        const Recording rec = readRecording(in, [&](std::int64_t done) {
            if (size > 0) {
                log << "fathomhost:   "
                    << static_cast<int>(100.0 * static_cast<double>(done) / size) << " % read\n";
            }
        });
        if (in.bad()) {
            fail("reading failed");
            continue;
        }
        if (rec.flashCard) {
            fail("an unconverted flash-card file: convert it to a Plain60 file with VELMConvert");
            continue;
        }
        int analysed = 0, wanted = 0;
        buffers.room = 0;
        for (const RecordedDevice& d : rec.devices) {
            if (options.device == 0 || d.device == options.device) {
                buffers.room = std::max(buffers.room, static_cast<int>(d.data.size()));
            }
        }
        for (const RecordedDevice& d : rec.devices) {
            if (options.device != 0 && d.device != options.device) continue;
            ++wanted;
            ResultRow row;
            row.file = file;
            const std::string why = analyseDevice(rec, d, options, row, spectrum, buffers);
            if (!why.empty()) {
                fail(why);
                continue;
            }
            results << resultsLine(row);
            const fs::path spectrumPath = dir / (fs::path(file).stem().string() + "_device" +
                                                 std::to_string(d.device) + "_spectrum.csv");
            std::ofstream out(spectrumPath, std::ios::binary | std::ios::trunc);
            spectra.write(out, spectrum, row.result.df,
                          platform::inLevelUnit(row.result.unit, options.levelUnit));
            out.close();
            if (!out) fail("cannot write " + spectrumPath.string());
            if (options.spectrumWritten) {
                const std::string failed =
                    options.spectrumWritten(row, spectrum, spectrumPath.string());
                if (!failed.empty()) fail(failed);
            }
            if (options.resultsWritten) written.push_back(row);
            ++analysed;
            ++rows;
        }
        if (wanted == 0) {
            fail(options.device != 0
                     ? "holds no samples of device " + std::to_string(options.device)
                     : std::string("holds no samples"));
            continue;
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        char text[120];
        std::snprintf(text, sizeof text, "%d device%s analysed in %.2f s", analysed,
                      analysed == 1 ? "" : "s", seconds);
        log << "fathomhost:   " << text << '\n';
    }
    results.close();
    if (!results) {
        log << "fathomhost: writing " << resultsPath.string() << " failed\n";
        return 2;
    }
    log << "fathomhost: " << rows << " result row" << (rows == 1 ? "" : "s") << " in "
        << resultsPath.string() << '\n';
    if (options.resultsWritten) {
        const std::string why = options.resultsWritten(written, resultsPath.string());
        if (!why.empty()) {
            log << "fathomhost: " << why << '\n';
            return 2;
        }
    }
    return status;
}

bool parseWindowName(std::string_view name, WindowType& out) {
    for (const NamedWindow& w : kWindowNames) {
        if (w.name == name) {
            out = w.type;
            return true;
        }
    }
    return false;
}

std::string windowNames() {
    std::string s;
    for (const NamedWindow& w : kWindowNames) {
        if (!s.empty()) s += ", ";
        s += w.name;
    }
    return s;
}

}  // namespace analysis
