#pragma once
#include <limits>
#include <span>
#include <vector>

namespace analysis {

// Statistics of the spectrum. The moments are taken of the variance density spectrum
// S(f) = P(f) / (ENBW df) of the section as analysed (mean removed, tide-filtered when the
// filter is on, windowed with the chosen window), whatever unit and scaling the graph shows:
//   m_n = sum over bins k = 1 .. n/2 - 1 of f_k^n S(f_k) df,  f_k = k df.
// The DC bin (k = 0) is left out because the mean has been removed; the range ends one bin
// below the Nyquist frequency, where the spectrum ends. m0 is then the variance of the
// section, so 4 sqrt(m0) agrees with Hmo. The peak is the bin of highest density in the same
// range (the lower one on a tie), not interpolated between bins.
struct SpectralStatistics {
    double m0 = 0;             // m^2
    double m1 = 0;             // m^2 Hz
    double m2 = 0;             // m^2 Hz^2
    double peakFrequency = 0;  // Hz; 0 when the spectrum holds no power
    double tp = 0;             // 1 / peak frequency, s
    double tm01 = 0;           // m0 / m1, s
    double tm02 = 0;           // sqrt(m0 / m2), s
};

// power: the one-sided power spectrum (bin 0 = DC) of the windowed section, df its bin width,
// enbw the window's equivalent noise bandwidth in bins. Periods stay 0 where they are not
// defined (no power).
SpectralStatistics spectralMoments(std::span<const double> power, double df, double enbw);

// Statistics of the individual waves, by zero-up-crossing. The record is taken about zero
// (the caller removes the mean, and the tide when filtering).
//  - An up-crossing lies between samples i and i+1 where x[i] < 0 <= x[i+1]; its time is
//    interpolated linearly between the two: t = (i + x[i] / (x[i] - x[i+1])) / rate.
//  - A wave runs from one up-crossing to the next. Its height is the highest sample minus
//    the lowest sample between the two crossings (samples, not interpolated crests); its
//    period is the time between the crossings.
//  - The part before the first and after the last up-crossing holds no whole wave and is
//    left out, so N = up-crossings - 1.
//  - H1/3 and T1/3 are the mean height and the mean period of the N/3 highest waves (N/3
//    rounded down; equal heights are taken in the order they occurred); with fewer than
//    3 waves they have no value. Hrms = sqrt(mean H^2); Tz = mean period (last crossing -
//    first crossing) / N.
// A statistic the record cannot give (no wave at all, or no third of them) is NaN, so that
// it is shown and exported as an empty field rather than as a height or period of 0.
struct ZeroCrossingStatistics {
    static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    int waves = 0;
    double hmax = kNone;  // m
    double h13 = kNone;   // m
    double hrms = kNone;  // m
    double tz = kNone;    // s
    double t13 = kNone;   // s
};

// Counts the waves of x sampled at `rate`. Buffers grow to the record's wave count once and
// are kept for the next record.
class ZeroCrossing {
  public:
    ZeroCrossingStatistics run(std::span<const double> x, double rate);

  private:
    struct Wave {
        double height;
        double period;
        int order;
    };
    std::vector<Wave> waves_;
};

// Below this many waves the statistics of individual waves scatter widely: the operator is
// warned.
inline constexpr int kFewWaves = 100;

}  // namespace analysis
