#include "sim/sample_messages.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "sim/unit_clock.h"

namespace sim::messages {

namespace {

std::string prefix(int device, char subType) {
    char text[16];
    std::snprintf(text, sizeof text, "C%03d,D%c,", device, subType);
    return text;
}

std::string burstHeader(char type, int device, int rate, char battery, platform::AbsTime first) {
    char text[64];
    std::snprintf(text, sizeof text, "%c%03d,S%02d,B%c,%s,,", type, device, rate, battery,
                  isoSeconds(first).c_str());
    return text;
}

int millimetres(double metres, int low, int high) {
    return std::clamp(static_cast<int>(std::lround(metres * 1000.0)), low, high);
}

void appendLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

std::string sample(int device, int rate, double metres) {
    char text[48];
    std::snprintf(text, sizeof text, "S%02d,%05d\r\n", rate, millimetres(metres, -9999, 99999));
    return prefix(device, '1') + text;
}

std::string temperature(int device, double celsius) {
    char text[16];
    std::snprintf(text, sizeof text, "%04.1f\r\n", celsius);
    return prefix(device, '4') + text;
}

std::string powerState(int device, char letter) {
    return prefix(device, '7') + std::string(1, letter) + "\r\n";
}

std::string date(int device, platform::AbsTime unitTime) {
    return prefix(device, '8') + isoSeconds(unitTime).substr(0, 10) + "\r\n";
}

std::string time(int device, platform::AbsTime unitTime) {
    return prefix(device, '9') + isoSeconds(unitTime).substr(11, 8) + "\r\n";
}

std::string burst(char type, int device, int rate, char battery, platform::AbsTime firstSample,
                  std::span<const double> metres) {
    std::string out = burstHeader(type, device, rate, battery, firstSample);
    for (double v : metres) {
        switch (type) {
        case 'A': {
            char text[16];
            std::snprintf(text, sizeof text, "%06d", millimetres(v, -99999, 999999));
            out += text;
            break;
        }
        case 'F':
            appendLittleEndian(out, std::bit_cast<std::uint32_t>(static_cast<float>(v)), 4);
            break;
        default:  // 'I', 'i'
            appendLittleEndian(out, static_cast<std::uint16_t>(millimetres(v, -32768, 32767)), 2);
            break;
        }
    }
    return out;
}

std::string textBurst(int device, int rate, char battery, platform::AbsTime firstSample,
                      std::string_view text128) {
    std::string out = burstHeader('G', device, rate, battery, firstSample);
    std::string body(text128.substr(0, 128));
    body.resize(128, ' ');
    return out + body;
}

}  // namespace sim::messages
