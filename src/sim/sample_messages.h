#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "platform/clock.h"

namespace sim {

// The texts a radio unit sends with its samples, laid out as the host reads them: "C" texts
// ("C", three-digit device number, ",D", a sub-type digit, ",", the field, CR LF) and bursts
// (type letter, device number, ",S", two-digit rate, ",B", battery state, ",", the 19-character
// time tag of the first sample, ",,", then the samples from payload character 33 on).
namespace messages {

std::string sample(int device, int rate, double metres);
std::string temperature(int device, double celsius);
std::string powerState(int device, char letter);  // 'G' good, 'L' low, 'B' bad battery
std::string date(int device, platform::AbsTime unitTime);
std::string time(int device, platform::AbsTime unitTime);

// 'A': six ASCII characters of millimetres each; 'F': 32-bit floats of metres, least
// significant byte first; 'I' and 'i': signed 16-bit millimetres, low byte first.
std::string burst(char type, int device, int rate, char battery, platform::AbsTime firstSample,
                  std::span<const double> metres);
// 'G': 128 characters of raw sensor text.
std::string textBurst(int device, int rate, char battery, platform::AbsTime firstSample,
                      std::string_view text128);

}  // namespace messages

}  // namespace sim
