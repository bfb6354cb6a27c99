#include "analysis/bessel_filter.h"

#include <cmath>
#include <numbers>

namespace analysis {

namespace {

using Complex = std::complex<double>;

// Roots of the reverse Bessel polynomial s^5 + 15 s^4 + 105 s^3 + 420 s^2 + 945 s + 945: the
// low-pass with a group delay of 1 s at DC.
constexpr double kRealPole = -3.646738595329643;
constexpr std::array<std::array<double, 2>, 2> kPolePairs{{
    {-3.351956399153533, 1.742661416074112},
    {-2.324674303181645, 3.571022920337976},
}};

double delayNormalisedGain(double w) {
    const Complex s(0, w);
    const Complex d = ((((s + 15.0) * s + 105.0) * s + 420.0) * s + 945.0) * s + 945.0;
    return std::abs(945.0 / d);
}

// The frequency where the delay-normalised filter is 3 dB down (about 2.43 rad/s), by
// bisection: the gain falls monotonically.
double minus3dBFrequency() {
    double lo = 0.5, hi = 10.0;
    for (int i = 0; i < 100; ++i) {
        const double mid = 0.5 * (lo + hi);
        (delayNormalisedGain(mid) > std::sqrt(0.5) ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

}  // namespace

std::array<Complex, BesselHighPass::kOrder> BesselHighPass::prototypePoles() {
    static const double w3 = minus3dBFrequency();
    return {Complex(kRealPole, 0) / w3,
            Complex(kPolePairs[0][0], kPolePairs[0][1]) / w3,
            Complex(kPolePairs[0][0], -kPolePairs[0][1]) / w3,
            Complex(kPolePairs[1][0], kPolePairs[1][1]) / w3,
            Complex(kPolePairs[1][0], -kPolePairs[1][1]) / w3};
}

bool BesselHighPass::design(double sampleRate, double cutoff) {
    sections_ = {};
    gain_ = 0;
    rate_ = sampleRate > 0 ? sampleRate : 1;
    if (!(sampleRate > 0 && cutoff > 0 && cutoff < sampleRate / 2)) return false;
    const double k = 2 * sampleRate;
    const double wc = k * std::tan(std::numbers::pi * cutoff / sampleRate);
    const auto poles = prototypePoles();
    // Low-pass to high-pass (s -> wc / s) puts the pole p at wc / p and five zeros at s = 0,
    // which the bilinear transform takes to z = 1. Each section has unit gain at the Nyquist
    // frequency, the image of s = infinity where the high-pass passes everything.
    auto digital = [&](Complex p) {
        const Complex s = wc / p;
        return (k + s) / (k - s);
    };
    const Complex zr = digital(poles[0]);
    sections_[0] = {.b0 = 1, .b1 = -1, .b2 = 0, .a1 = -zr.real(), .a2 = 0};
    const double g0 = (1 + zr.real()) / 2;
    sections_[0].b0 *= g0;
    sections_[0].b1 *= g0;
    for (int i = 0; i < 2; ++i) {
        const Complex z = digital(poles[static_cast<std::size_t>(1 + 2 * i)]);
        Section& s = sections_[static_cast<std::size_t>(1 + i)];
        s.a1 = -2 * z.real();
        s.a2 = std::norm(z);
        const double g = (1 - s.a1 + s.a2) / 4;
        s.b0 = g;
        s.b1 = -2 * g;
        s.b2 = g;
    }
    gain_ = sections_[0].b0 * sections_[1].b0 * sections_[2].b0;
    return true;
}

void BesselHighPass::apply(std::span<double> x) const {
    if (gain_ == 0) return;  // not designed: passes everything unchanged
    // All three sections in one pass, in direct form I with the sections' gains taken
    // together on the input. Every zero lies at z = 1, so the numerators are differences:
    // (1 - z^-1) for the first-order section, (1 - z^-1)^2 for each biquad. That leaves one
    // multiply in each section's recurrence (a chain of dependent operations the processor
    // must wait on) and six in all where the sections run one after another took fifteen;
    // the three chains of a sample overlap. Run section by section, the filter cost as much
    // as the rest of the analysis together.
    const double gain = gain_;
    const double fa1 = sections_[0].a1;
    const double pa1 = sections_[1].a1, pa2 = sections_[1].a2;
    const double qa1 = sections_[2].a1, qa2 = sections_[2].a2;
    double fx1 = 0, fy1 = 0;                    // first-order: last input and output
    double px1 = 0, pd1 = 0, py1 = 0, py2 = 0;  // biquads: last input, its last difference,
    double qx1 = 0, qd1 = 0, qy1 = 0, qy2 = 0;  // last two outputs
    for (double& v : x) {
        const double in = gain * v;
        const double fy = (in - fx1) - fa1 * fy1;
        const double pd = fy - px1;
        const double py = ((pd - pd1) - pa2 * py2) - pa1 * py1;
        const double qd = py - qx1;
        const double qy = ((qd - qd1) - qa2 * qy2) - qa1 * qy1;
        fx1 = in;
        fy1 = fy;
        px1 = fy;
        pd1 = pd;
        py2 = py1;
        py1 = py;
        qx1 = py;
        qd1 = qd;
        qy2 = qy1;
        qy1 = qy;
        v = qy;
    }
}

Complex BesselHighPass::response(double f) const {
    const Complex zi = std::polar(1.0, -2 * std::numbers::pi * f / rate_);  // z^-1
    Complex h = 1;
    for (const Section& s : sections_) {
        h *= (s.b0 + zi * (s.b1 + zi * s.b2)) / (1.0 + zi * (s.a1 + zi * s.a2));
    }
    return h;
}

bool Bssl_HPF(std::span<double> x, double sampleRate, double cutoff) {
    BesselHighPass f;
    if (!f.design(sampleRate, cutoff)) return false;
    f.apply(x);
    return true;
}

}  // namespace analysis
