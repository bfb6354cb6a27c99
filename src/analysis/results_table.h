#pragma once
#include <array>
#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/wave_pipeline.h"
#include "platform/clock.h"

namespace analysis {

// One analysed section, with what it came from: a row of the results table that the
// analysis page copies and exports and that batch analysis writes per file and device.
struct ResultRow {
    std::string file;  // the recording; empty for a trace of the live chart
    int device = 0;
    int rate = 0;             // samples per second
    std::string start;        // time of the section's first sample, "YYYY-MM-DDThh:mm:ss.sss"
    double sectionStart = 0;  // seconds from the start of the chart or the file
    double sectionEnd = 0;
    int gaps = 0;  // samples missing inside the section, skipped
    bool tideFilter = false;
    std::string_view window;  // the window's name
    WaveResult result;
    std::string warning;  // in words; empty when there is nothing to say
};

// Warnings about a section, in words: too few waves for the statistics of individual waves,
// samples skipped as gaps. Empty when there is nothing to say.
std::string sectionWarning(const WaveResult& r, int gaps);

// The columns of the results table, in order, and one row's fields as text (numbers that are
// undefined for the section as empty fields).
struct ResultColumn {
    std::string_view name;
    bool text;
};
std::span<const ResultColumn> resultColumns();
std::vector<std::string> resultFields(const ResultRow& row);

// The results table as CSV: the header line, and one line per row. Text fields are quoted
// where they hold a comma, a quote or a line break.
std::string resultsHeader();
std::string resultsLine(const ResultRow& row);
// The same header and row separated by tabs, for pasting into a spreadsheet.
std::string resultsForClipboard(const ResultRow& row);

// A spectrum as CSV: "frequency_hz,<unit>" and one line per bin from 0 Hz in steps of df.
void writeSpectrumCsv(std::ostream& out, std::span<const double> spectrum, double df,
                      std::string_view unit);

// The same for many spectra: keeps the frequency columns' text of the last few bin widths,
// so the spectra of the devices of a recording, whose days hold a few different counts of
// samples, format each column once.
class SpectrumCsvWriter {
  public:
    void write(std::ostream& out, std::span<const double> spectrum, double df,
               std::string_view unit);

  private:
    struct Column {
        std::string text;                 // "<frequency>," of each bin, one after another
        std::vector<std::uint32_t> ends;  // where each bin's text ends in `text`
        double df = 0;                    // 0: none made yet
    };
    // The column for df of at least `bins` bins, made if none is kept; it moves to the front,
    // which holds the one used last.
    const Column& columnFor(double df, std::size_t bins);
    std::array<Column, 4> columns_;
};

// A time as the results show it: "YYYY-MM-DDThh:mm:ss.sss".
std::string timeText(platform::AbsTime t);

// The window's name as the window ring shows it.
constexpr std::string_view windowName(WindowType type) {
    switch (type) {
        case WindowType::Uniform:
            return "None (uniform)";
        case WindowType::Hann:
            return "Hann";
        case WindowType::Hamming:
            return "Hamming";
        case WindowType::Blackman:
            return "Blackman";
        case WindowType::BlackmanHarris4:
            return "Blackman-Harris, 4-term";
        case WindowType::FlatTop:
            return "Flat top";
        case WindowType::ExactBlackman:
            return "Exact Blackman";
        case WindowType::BlackmanHarris3:
            return "Blackman-Harris, 3-term";
    }
    return "None (uniform)";
}

}  // namespace analysis
