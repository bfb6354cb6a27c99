#include "platform/level_unit.h"

#include <array>
#include <cctype>

namespace platform {

namespace {

bool alnum(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

// What may follow the unit m in a caption or header: the end, a bracket, a space, a slash,
// a comma, a line end, or a superscript two (UTF-8 C2 B2).
bool endsUnit(std::string_view rest) {
    if (rest.empty()) return true;
    const char c = rest.front();
    return c == ')' || c == ' ' || c == '/' || c == ',' || c == '\n' || c == '\t' ||
           rest.substr(0, 2) == "\xC2\xB2";
}

constexpr std::array<std::pair<std::string_view, std::string_view>, 3> kLevelWords{{
    {"Water level", "Pressure"},
    {"Level", "Pressure"},
    {"level", "pressure"},
}};

}  // namespace

std::string_view levelUnit(int unitType, bool pressureInMetres) {
    return unitType == 9 && !pressureInMetres ? "bar" : "m";
}

std::string inLevelUnit(std::string_view text, std::string_view unit) {
    if (unit == "m") return std::string(text);
    std::string out;
    out.reserve(text.size() + 16);
    for (std::size_t i = 0; i < text.size();) {
        bool word = false;
        for (const auto& [from, to] : kLevelWords) {
            if (text.substr(i, from.size()) == from && (i == 0 || !alnum(text[i - 1]))) {
                out += to;
                i += from.size();
                word = true;
                break;
            }
        }
        if (word) continue;
        const char c = text[i];
        const bool startsUnit = c == 'm' && (i == 0 || !alnum(text[i - 1]));
        const std::string_view rest = text.substr(i + 1);
        // "m0_m2": after an underscore, m2 is metres squared.
        const bool squared = startsUnit && i > 0 && text[i - 1] == '_' && !rest.empty() &&
                             rest.front() == '2';
        if (startsUnit && (endsUnit(rest) || squared)) {
            out += unit;
        } else {
            out += c;
        }
        ++i;
    }
    return out;
}

}  // namespace platform
