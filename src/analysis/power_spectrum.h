#pragma once
#include <span>

namespace analysis {

// One-sided power spectrum by FFTW. The buffers for the longest record (a whole trace) are
// allocated once; the FFT plan is made for a record length the first time it is needed and
// kept until a record of another length comes, so repeated analyses of the same section
// length plan nothing.
class PowerSpectrum {
public:
    explicit PowerSpectrum(int maxPoints);
    ~PowerSpectrum();
    PowerSpectrum(const PowerSpectrum&) = delete;
    PowerSpectrum& operator=(const PowerSpectrum&) = delete;

    int maxPoints() const { return max_; }

    // Writes the n/2 values (n = x.size(), integer halving) of the one-sided power spectrum
    // of x into out and returns the frequency step df = 1 / (n dt). Bin 0 holds the squared
    // mean, bin k the power of frequency k df: a sine of amplitude A on bin k gives A^2 / 2.
    // Refused (returns 0, writes nothing) for fewer than 2 or more than maxPoints values, a
    // dt that is not positive, or an out shorter than n/2. A window of n values, when given,
    // multiplies x on its way into the transform (x itself is left as it is); a window of
    // another length is refused too.
    double AutoPowerSpectrum(std::span<const double> x, double dt, std::span<double> out,
                             std::span<const double> window = {});

    // The transform's input buffer (maxPoints values). x may lie in it, from its start: it is
    // then windowed where it stands; so may out, which is written once the transform has read
    // its input. Whatever it held is gone after the next AutoPowerSpectrum.
    std::span<double> input() { return {in_, static_cast<std::size_t>(max_)}; }
    std::span<const double> input() const { return {in_, static_cast<std::size_t>(max_)}; }

  private:
    void planFor(int n);

    int max_;
    double* in_;
    void* out_;  // fftw_complex[max_ / 2 + 1]
    void* plan_ = nullptr;
    int planned_ = 0;
};

}  // namespace analysis
