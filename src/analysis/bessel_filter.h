#pragma once
#include <array>
#include <complex>
#include <span>

namespace analysis {

// A 5th-order Bessel high-pass filter, digital by the bilinear transform with the cut-off
// pre-warped, so its -3 dB point lies exactly at the cut-off. Bessel because its phase is
// nearly linear: the waves keep their shape while the tide is taken out. Run as two biquads
// and one first-order section in double precision; the poles of a 0.01 Hz cut-off at 32
// samples/s lie within 2e-3 of z = 1, where a single 5th-order difference equation would be
// unstable.
class BesselHighPass {
public:
    static constexpr int kOrder = 5;

    // False (and a filter that passes everything unchanged) unless 0 < cutoff < rate / 2.
    bool design(double sampleRate, double cutoff);
    // Filters x in place, starting from rest.
    void apply(std::span<double> x) const;
    // Complex gain at frequency f (Hz), for checking the design.
    std::complex<double> response(double f) const;

    // Poles of the 5th-order Bessel low-pass normalised to a -3 dB frequency of 1 rad/s.
    static std::array<std::complex<double>, kOrder> prototypePoles();

private:
    struct Section {
        double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    };
    std::array<Section, 3> sections_{};
    double gain_ = 0;  // of the three sections together; 0 until designed
    double rate_ = 1;
};

// Filters x in place with a 5th-order Bessel high-pass at `cutoff` Hz. Returns false and
// leaves x as it was when the cut-off is not between 0 and half the sampling rate.
bool Bssl_HPF(std::span<double> x, double sampleRate, double cutoff);

}  // namespace analysis
