#include "analysis/results_table.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "analysis/number_text.h"

namespace analysis {

namespace {

// The columns, in order. Statistics that are undefined for a section (H1/3 of two waves,
// say) are written as 0, as the page shows them.
constexpr std::array<ResultColumn, 27> kColumns{{
    {"file", true},
    {"device", false},
    {"rate_hz", false},
    {"start", true},
    {"section_start_s", false},
    {"section_end_s", false},
    {"samples", false},
    {"gaps_skipped", false},
    {"tide_filter", false},
    {"window", true},
    {"mean_m", false},
    {"hmo_m", false},
    {"m0_m2", false},
    {"m1_m2hz", false},
    {"m2_m2hz2", false},
    {"peak_frequency_hz", false},
    {"tp_s", false},
    {"tm01_s", false},
    {"tm02_s", false},
    {"waves", false},
    {"hmax_m", false},
    {"h13_m", false},
    {"hrms_m", false},
    {"tz_s", false},
    {"t13_s", false},
    {"warning", true},
    {"df_hz", false},
}};

std::string number(double v) {
    char text[kNumberTextSize];
    return {text, formatGeneral10(v, text)};  // not finite: no value, an empty field
}

std::string quoted(std::string_view s) {
    if (s.find_first_of(",\"\r\n\t") == std::string_view::npos) return std::string(s);
    std::string out = "\"";
    for (char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

}  // namespace

std::span<const ResultColumn> resultColumns() { return kColumns; }

std::vector<std::string> resultFields(const ResultRow& row) {
    const WaveResult& r = row.result;
    return {row.file,
            std::to_string(row.device),
            std::to_string(row.rate),
            row.start,
            number(row.sectionStart),
            number(row.sectionEnd),
            std::to_string(r.points),
            std::to_string(row.gaps),
            row.tideFilter ? "1" : "0",
            std::string(row.window),
            number(r.mean),
            number(r.hmo),
            number(r.spectral.m0),
            number(r.spectral.m1),
            number(r.spectral.m2),
            number(r.spectral.peakFrequency),
            number(r.spectral.tp),
            number(r.spectral.tm01),
            number(r.spectral.tm02),
            std::to_string(r.waves.waves),
            number(r.waves.hmax),
            number(r.waves.h13),
            number(r.waves.hrms),
            number(r.waves.tz),
            number(r.waves.t13),
            row.warning,
            number(r.df)};
}

namespace {

std::string join(const std::vector<std::string>& f, char separator, bool quote) {
    std::string line;
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (i > 0) line += separator;
        line += quote && kColumns[i].text ? quoted(f[i]) : f[i];
    }
    return line + '\n';
}

std::vector<std::string> names() {
    std::vector<std::string> n;
    for (const ResultColumn& c : kColumns) n.emplace_back(c.name);
    return n;
}

}  // namespace

std::string sectionWarning(const WaveResult& r, int gaps) {
    std::string w;
    if (r.waves.waves < kFewWaves) {
        w = "Only " + std::to_string(r.waves.waves) + (r.waves.waves == 1 ? " wave" : " waves") +
            " in the section: statistics of individual waves need about " +
            std::to_string(kFewWaves) + " or more to be reliable.";
    }
    if (gaps > 0) {
        if (!w.empty()) w += ' ';
        w += std::to_string(gaps) + (gaps == 1 ? " sample was" : " samples were") +
             " missing and skipped as gaps: the samples on either side are joined.";
    }
    return w;
}

std::string resultsHeader() { return join(names(), ',', false); }

std::string resultsLine(const ResultRow& row) { return join(resultFields(row), ',', true); }

std::string resultsForClipboard(const ResultRow& row) {
    std::vector<std::string> f = resultFields(row);
    for (std::string& s : f) {
        for (char& c : s) {
            if (c == '\t' || c == '\n' || c == '\r') c = ' ';
        }
    }
    return join(names(), '\t', false) + join(f, '\t', false);
}

void writeSpectrumCsv(std::ostream& out, std::span<const double> spectrum, double df,
                      std::string_view unit) {
    SpectrumCsvWriter().write(out, spectrum, df, unit);
}

namespace {
// The digits of a run of values are found first, then written: the processor then works on
// several values at once.
constexpr std::size_t kRun = 256;
}  // namespace

const SpectrumCsvWriter::Column& SpectrumCsvWriter::columnFor(double df, std::size_t bins) {
    auto at = std::find_if(columns_.begin(), columns_.end(), [&](const Column& c) {
        return c.df == df && c.df != 0 && c.ends.size() >= bins;
    });
    if (at == columns_.end()) {
        at = columns_.end() - 1;  // the one used longest ago
        Column& c = *at;
        c.df = df;
        c.text.clear();
        c.ends.clear();
        // Room for the longest texts at once: growing step by step would copy megabytes and
        // touch twice the memory.
        c.text.reserve(bins * (kNumberTextSize / 2) + kNumberTextSize);
        c.ends.reserve(bins);
        std::array<Decimal10, kRun> decimals;
        std::array<double, kRun> f;
        char text[kNumberTextSize];
        for (std::size_t run = 0; run < bins; run += kRun) {
            const std::size_t m = std::min(kRun, bins - run);
            for (std::size_t j = 0; j < m; ++j) f[j] = static_cast<double>(run + j) * df;
            toDecimal10(std::span(f).first(m), decimals);
            for (std::size_t j = 0; j < m; ++j) {
                c.text.append(text, writeDecimal10(decimals[j], f[j], text));
                c.text += ',';
                c.ends.push_back(static_cast<std::uint32_t>(c.text.size()));
            }
        }
        c.text.append(kNumberTextSize, ' ');  // room for the fixed-size copies in write
    }
    std::rotate(columns_.begin(), at, at + 1);
    return columns_.front();
}

void SpectrumCsvWriter::write(std::ostream& out, std::span<const double> spectrum, double df,
                              std::string_view unit) {
    const Column& column = columnFor(df, spectrum.size());
    const char* const frequencies = column.text.data();
    const std::vector<std::uint32_t>& ends = column.ends;
    std::array<Decimal10, kRun> decimals;
    out << "frequency_hz," << quoted(unit) << '\n';
    // Formatted into a block and written a block at a time: a day's spectrum is hundreds of
    // thousands of lines.
    std::array<char, 1 << 16> block;
    char* at = block.data();
    std::size_t from = 0;
    for (std::size_t run = 0; run < spectrum.size(); run += kRun) {
        const std::span<const double> values =
            spectrum.subspan(run, std::min(kRun, spectrum.size() - run));
        toDecimal10(values, decimals);
        for (std::size_t j = 0; j < values.size(); ++j) {
            const std::size_t k = run + j;
            const std::size_t length = ends[k] - from;
            if (block.data() + block.size() - at <
                static_cast<std::ptrdiff_t>(length + 2 * kNumberTextSize + 1)) {
                out.write(block.data(), at - block.data());
                at = block.data();
            }
            // A frequency's text is shorter than kNumberTextSize: a copy of that fixed size is
            // a few moves, where one of the exact length is a library call.
            std::memcpy(at, frequencies + from, kNumberTextSize);
            at = writeDecimal10(decimals[j], values[j], at + length);
            *at++ = '\n';
            from = ends[k];
        }
    }
    out.write(block.data(), at - block.data());
}

std::string timeText(platform::AbsTime t) {
    const platform::CalendarTime c = platform::toCalendar(t);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", c.year, c.month, c.day,
                  c.hour, c.minute, c.second, c.millisecond);
    return text;
}

}  // namespace analysis
