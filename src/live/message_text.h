#pragma once
#include <cstdint>

namespace live {

// A read-only view of received bytes with the C library's lenient number reading (atoi, atof)
// confined to the view: reading past the end sees NULs, so a short or unterminated message can
// never lead the parser outside its buffer. Malformed numbers read as 0.
class MessageText {
public:
    MessageText(const std::uint8_t* data, int length) : data_(data), length_(length < 0 ? 0 : length) {}

    int length() const { return length_; }
    const std::uint8_t* data() const { return data_; }
    char at(int i) const { return i >= 0 && i < length_ ? static_cast<char>(data_[i]) : '\0'; }
    std::uint8_t byteAt(int i) const { return i >= 0 && i < length_ ? data_[i] : 0; }

    // atoi from offset i: leading blanks, a sign, then digits up to the first non-digit.
    int atoiAt(int i, int maxChars = 1 << 20) const;
    // atof from offset i, reading at most maxChars characters. Only decimal notation (with an
    // optional exponent) is taken; "inf", "nan" and hexadecimal read as 0.
    double atofAt(int i, int maxChars = 64) const;

private:
    const std::uint8_t* data_;
    int length_;
};

}  // namespace live
