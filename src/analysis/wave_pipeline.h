#pragma once
#include <span>
#include <string_view>
#include <vector>

#include "analysis/power_spectrum.h"
#include "analysis/power_units.h"
#include "analysis/wave_statistics.h"
#include "analysis/window.h"

namespace analysis {

// The tide filter: a high-pass at 100 s takes out the tide and keeps swell and wind sea.
inline constexpr double kTideCutoffHz = 0.01;

// Sections shorter than this have no spectrum worth drawing (a quarter of them is plotted).
inline constexpr int kMinAnalysisPoints = 16;

struct WaveSettings {
    WindowType window = WindowType::Hann;
    Scaling scaling = Scaling::Linear;
    DisplayUnit unit = DisplayUnit::PowerDensity;
    bool tideFilter = false;
};

struct WaveResult {
    int points = 0;   // 0: the record was refused
    double mean = 0;  // of the record as taken, metres
    double hmo = 0;   // 4 x standard deviation, of the tide-filtered record when filtering
    double df = 0;    // Hz between spectrum values
    std::string_view unit;
    SpectralStatistics spectral;   // of the variance density, whatever unit is shown
    ZeroCrossingStatistics waves;  // of the record after mean removal and tide filter
};

// Copies the samples of data[from, to) into work in order, skipping points without a sample
// (noData, or anything not finite), and returns how many were copied. The bounds are clamped
// to data, so cursors beyond the trace select what the trace holds. gaps, when given, gets
// the points skipped between the first and the last sample copied: samples missing inside
// the record, not the empty space before or after it.
int copySection(std::span<const double> data, int from, int to, double noData,
                std::span<double> work, int* gaps = nullptr);
int copySection(std::span<const float> data, int from, int to, double noData,
                std::span<double> work, int* gaps = nullptr);

// Mean, Hmo, wave statistics and spectrum of one record: mean removed, optional tide filter,
// zero-up-crossing count, scaled window, power spectrum, moments, unit conversion. Spectrum buffers
// for the longest record are allocated once.
class WaveAnalyzer {
  public:
    explicit WaveAnalyzer(int maxPoints);

    // Works in place on `work`, which ends up holding the record after mean removal and tide
    // filter (unless it lies in recordBuffer()). Refused (points = 0) for fewer than 2 values,
    // more than maxPoints, or a sampling rate that is not positive.
    WaveResult run(std::span<double> work, double sampleRate, const WaveSettings& settings);
    int maxPoints() const { return fft_.maxPoints(); }
    // maxPoints values where a record may be put to be analysed (run given its start): a day's
    // record then needs no copy of its own beside the transform's. The spectrum of the run
    // takes its place.
    std::span<double> recordBuffer() { return fft_.input(); }
    // The converted spectrum of the last run: n/2 values from 0 Hz in steps of df.
    std::span<const double> spectrum() const { return fft_.input().first(count_); }

  private:
    PowerSpectrum fft_;
    std::size_t count_ = 0;
    ZeroCrossing crossings_;
    // The scaled window of the last run's length and type, made again only when either changes.
    std::vector<double> window_;
    WindowType windowType_ = WindowType::Uniform;
    WindowConstants windowConstants_;
};

}  // namespace analysis
