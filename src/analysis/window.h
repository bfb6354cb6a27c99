#pragma once
#include <array>
#include <span>
#include <string_view>

namespace analysis {

// Window types offered by the window ring; the ring's values are these codes. Blackman-Harris
// comes in two forms that are easily confused: the 4-term (side lobes 92 dB down) and the
// 3-term of the classic analysis library (0.42323, 0.49755, 0.07922; 71 dB down).
enum class WindowType : int {
    Uniform = 0,
    Hann,
    Hamming,
    Blackman,
    BlackmanHarris4,
    FlatTop,
    ExactBlackman,
    BlackmanHarris3,
};
inline constexpr int kWindowTypeCount = 8;

// What a window did to the record, for turning a power spectrum into a density: the
// equivalent noise bandwidth in bins and the coherent gain (mean of the window).
struct WindowConstants {
    double enbw = 1;
    double coherentGain = 1;
};

// Multiplies x by the window and divides by its coherent gain, so a sine keeps its amplitude
// in the spectrum. The windows are periodic (DFT-even). Unknown types act as Uniform.
// `parameter` is for parameterised windows; none of the offered types takes one.
WindowConstants ScaledWindowEx(std::span<double> x, WindowType type, double parameter = 0.0);

}  // namespace analysis
