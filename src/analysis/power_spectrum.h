#pragma once
#include <array>
#include <span>

namespace analysis {

// One-sided power spectrum by FFTW. The buffers for the longest record (a whole trace) are
// allocated once; the FFT plan is made for a record length the first time it is needed and
// kept, with those of the last few other lengths, so repeated analyses of the same section
// length plan nothing, nor do a batch's devices whose days hold the same few counts of
// samples. A plan serves only its own length.
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
    // The plan for n, made if none is kept; it moves to the front.
    void* planFor(int n);

    int max_;
    double* in_;
    void* out_;  // fftw_complex[max_ / 2 + 1]
    // The plans kept, the one used last first; an empty place has no plan and length 0.
    static constexpr std::size_t kKeptPlans = 4;
    struct Plan {
        void* plan = nullptr;  // fftw_plan
        int n = 0;
    };
    std::array<Plan, kKeptPlans> plans_{};
};

}  // namespace analysis
