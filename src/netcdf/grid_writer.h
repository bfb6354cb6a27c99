#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "netcdf/nc_file.h"
#include "netcdf/recording_set.h"

namespace netcdf {

// What the file holds, decided once the whole set has been read.
struct GridLayout {
    std::vector<int> devices;     // device numbers, in order
    std::vector<int> rates;       // each device's highest sample rate
    std::vector<bool> pressure;   // each device's samples are a Swellmeter's pressures
    bool pressureInMetres = false;
    bool levels = false, pressures = false, temperatures = false, batteries = false;
    std::int64_t rawRecords = 0;
    double clockToUtc = 0;      // seconds to subtract from a unit's clock time for UTC
    double start = 0;           // the unit clock time of the first step
    int stepsPerSecond = 1;
    std::size_t steps = 0;
    std::size_t chunkSteps = 0;  // steps per chunk of the time dimension
};

// The attributes of the whole file.
struct GlobalAttributes {
    std::string title, source, history, comment, station, unitTypeName, files, header;
    std::string created, coverageStart, coverageEnd;  // ISO 8601 times, UTC
    int unitType = -1;
};

class ColumnChunks;

// Writes the time grid of a recording set: the coordinates first, then the values of each
// record as it comes, a few chunks of the time dimension held at a time. A record for a chunk
// already written takes it back from the file first.
class GridWriter {
  public:
    GridWriter(const std::string& path, const GridLayout& layout, const GlobalAttributes& global);
    ~GridWriter();

    void add(const SetRecord& r);
    // Writes what is left and gives the file its name.
    void finish();
    // Values that fell on a time step another value of the unit had taken already.
    std::int64_t overwritten() const { return overwritten_; }

  private:
    std::size_t stepOf(double clockTime) const;
    void writeCoordinates();

    GridLayout layout_;
    NcFile file_;
    std::vector<int> index_;  // device number -> position in the device dimension
    double epoch_;            // UTC seconds since 1970 that the time values count from
    std::unique_ptr<ColumnChunks> levels_, pressures_, temperatures_, batteries_;
    int rawTime_ = -1, rawDevice_ = -1, rawData_ = -1;
    std::size_t raw_ = 0;
    std::int64_t overwritten_ = 0;
};

}  // namespace netcdf
