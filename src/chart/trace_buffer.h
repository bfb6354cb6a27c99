#pragma once
#include <array>
#include <cstdint>

namespace chart {

inline constexpr int kTraceCount = 8;
// 16 X-axis units of 3456 points: the longest trace at any scale and rate.
inline constexpr int kTracePoints = 16 * 3456;
// A point of Data that holds no sample (before the first one, or after a gap).
inline constexpr double kNoData = -101.0;

// One chart trace: the unit it follows and the points it holds. The analysis works on Data
// and WorkData, so these arrays are the chart's data store, not only its picture.
struct TraceBuffer {
    std::uint8_t DeviceNum = 0;  // 0 = trace off
    std::uint8_t LineLoc = 0;    // device entry carrying DeviceNum
    std::uint8_t Rate = 0;       // samples per second when the trace was set up
    int PlotHandle = 0;          // graph plot showing the trace, 0 = none
    int WriteLoc = 0;            // next position written (block data) or last one (continuous)
    std::array<double, kTracePoints> PlotY{};  // (value - YOffset) / YRange; NaN = nothing drawn
    std::array<double, kTracePoints> PlotX{};  // X-axis units
    std::array<double, kTracePoints> Data{};   // metres as received; kNoData = no sample
    std::array<double, kTracePoints> WorkData{};  // the analysis's work copy
    float NumPoints = 0;  // points held at the present scale and rate: 16 x XScale x Rate
};

// About 14 MB: allocated once when the chart is built, never per sample.
using ChartFifo = std::array<TraceBuffer, kTraceCount>;

}  // namespace chart
