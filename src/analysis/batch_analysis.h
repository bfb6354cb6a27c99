#pragma once
#include <cstdint>
#include <functional>
#include <istream>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "analysis/results_table.h"
#include "analysis/wave_pipeline.h"
#include "platform/clock.h"

namespace analysis {

// What fathomhost --analyze does: the analysis page's analysis of recorded sample files,
// without a window.
struct BatchOptions {
    std::vector<std::string> files;
    int device = 0;           // 0 = every device of each file
    bool section = false;     // a section was chosen; otherwise the whole record
    double sectionStart = 0;  // seconds from the file's first sample
    double sectionEnd = 0;
    WindowType window = WindowType::Hann;
    bool tideFilter = false;
    std::string outputDir = ".";
    // The unit of the recorded readings ("m", or "bar" for a Swellmeter in bar): the headers
    // of the written files say it. Nothing is converted.
    std::string levelUnit = "m";
    // Further files beside the CSV ones (NetCDF, whose writer the core does not link): each
    // spectrum as it is written (its row, values and the CSV's path), then the whole table
    // (its rows and the CSV's path). Each returns why it failed, or nothing.
    std::function<std::string(const ResultRow&, std::span<const double>, const std::string&)>
        spectrumWritten;
    std::function<std::string(std::span<const ResultRow>, const std::string&)> resultsWritten;
};

// One device's samples in a recording, placed on a time line that starts at the file's first
// sample the way the chart places them (position = seconds x rate, a continuous sample
// moved on by its count within its second), missing positions holding kNoData.
struct RecordedDevice {
    int device = 0;
    int rate = 1;
    std::vector<float> data;  // as read: samples are single precision from the line on
    int writeLoc = 0;          // where the last line written ended, as the chart's WriteLoc
    std::int64_t dropped = 0;  // samples beyond the longest record kept
};

struct Recording {
    platform::AbsTime start = 0;  // time of the first sample
    bool started = false;
    bool flashCard = false;               // an unconverted flash-card file: nothing was read
    std::vector<RecordedDevice> devices;  // by device number
};

// The longest record kept per device: two days at 32 samples a second.
inline constexpr std::int64_t kMaxRecordPoints = 2LL * 86400 * 32;

// Reads sample-file lines from in; progress(bytes read so far) is called every few
// megabytes.
Recording readRecording(std::istream& in, const std::function<void(std::int64_t)>& progress = {});

// Analyses one device of a recording as the analysis page analyses a trace. Fills row and
// spectrum (variance density, m^2/Hz, from 0 Hz in steps of row.result.df) and returns an
// empty string, or says why the device could not be analysed.
std::string analyseDevice(const Recording& recording, const RecordedDevice& device,
                          const BatchOptions& options, ResultRow& row,
                          std::vector<double>& spectrum);

// Runs the whole batch: one results row per file and device into
// <outputDir>/wave_results.csv, each spectrum into <outputDir>/<file>_device<N>_spectrum.csv.
// A file that cannot be read or holds nothing to analyse is reported on log and the others
// go on. Returns 0 when every file gave results, 1 otherwise, 2 when nothing could be
// written.
int runBatch(const BatchOptions& options, std::ostream& log);

// A window by its name on the command line ("hann", "flat-top" ...); false if unknown.
bool parseWindowName(std::string_view name, WindowType& out);
// The names parseWindowName accepts, for messages.
std::string windowNames();

}  // namespace analysis
