#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/export_menu.h"
#include "netcdf/grid_writer.h"
#include "netcdf/recording_set.h"

namespace netcdf {

// What an export of recordings is told beyond the files.
struct ExportOptions {
    std::vector<std::string> files;  // one recording, in the order it was written
    std::string output;              // the NetCDF file to write
    // Hours the units' clocks ran ahead of UTC (their clocks are set from the computer's);
    // 0 when they ran on UTC.
    double utcOffsetHours = 0;
    int unitType = -1;               // -1: not known (a Swellmeter is known by its samples)
    bool pressureInMetres = false;   // Swellmeter samples were recorded in metres of sea water
    std::string station;             // empty: named after the files
    std::string history;             // how the export was asked for, for the history attribute
};

// The file an export of these recordings goes to by default: the first file's name without
// its recording number, in dir, with ".nc" (survey000.csv ... -> dir/survey.nc).
std::string defaultOutputName(const std::vector<std::string>& files, const std::string& dir);

// Turns a set of recorded sample files into one NetCDF-4 file with CF metadata: a time
// coordinate at the finest common step of the units' sample rates, a device dimension, the
// levels (or pressures) with a fill value wherever a unit sent nothing, temperatures and
// battery states where units reported them, and raw data records as they were. Nothing is
// interpolated or moved in time. Works a block at a time: the set is read once to check it
// and find its devices, times and rates, then again to write; the file gets its name only when
// complete, and a refused set leaves no file.
class RecordingExport : public app::ExportJob {
  public:
    explicit RecordingExport(ExportOptions options);
    ~RecordingExport() override;

    // Each step reads about a megabyte.
    bool step() override;
    void cancel() override;
    double fraction() const override;
    std::string activity() const override;
    bool finished() const override { return phase_ == Phase::Done || phase_ == Phase::Failed; }
    const std::string& error() const override { return error_; }
    // Devices, times, values and notes.
    std::string summary() const override;
    const ExportOptions& options() const { return options_; }

    // What the check found, for the writing and the summary.
    struct DeviceInfo {
        int device = 0;
        std::uint64_t rates = 0;   // bit r: records at r samples per second
        int pressureSamples = 0;   // samples written with the Swellmeter's five decimals
        std::int64_t values = 0;   // levels or pressures
        std::int64_t temperatures = 0;
        std::int64_t batteryStates = 0;
        std::int64_t rawRecords = 0;
        bool pressure() const { return pressureSamples > 0; }
        int highestRate() const;
    };

  private:
    enum class Phase { Checking, Writing, Done, Failed };
    void check(const SetRecord& r);
    void startWriting();
    void finish();
    void failWith(std::string why);

    ExportOptions options_;
    Phase phase_ = Phase::Checking;
    std::unique_ptr<RecordingSet> set_;
    std::vector<DeviceInfo> devices_;  // by device number, 0..255
    std::int64_t untimed_ = 0;         // samples before their unit's first date
    std::int64_t firstLine_ = 0, lastLine_ = 0;
    std::size_t firstFile_ = 0, lastFile_ = 0;
    double first_ = 0, last_ = 0;  // times of the earliest and latest value
    bool any_ = false;
    std::int64_t lineCount_ = 0;
    GridLayout layout_;
    std::unique_ptr<GridWriter> writer_;
    std::string error_;
};

// The whole export in one go; progress(fraction) now and then. Empty on success, else why not.
std::string exportRecordings(const ExportOptions& options,
                             const std::function<void(double)>& progress = {},
                             std::string* summary = nullptr);

}  // namespace netcdf
