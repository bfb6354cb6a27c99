#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace live {

// Puts a radio unit's text replies back together. A reply is a line: "$", the mnemonic, a
// comma, the value and CR LF. The radio may cut one reply into several frames, or carry two
// replies in one, and the unit's own samples may arrive between the parts; so a reply is
// taken line by line, and a line only once its line end is in. (The flash-card data blocks are
// no lines: their length is the frame's, and they never come here.)
class ReplyLines {
public:
    static constexpr std::size_t kSize = 1023;  // the reply buffer without its NUL

    // The first frame of a reply from the unit at this address. Whatever was left of an
    // earlier reply without its line end is dropped: it was cut short, and a value cut short
    // ("$RS,1" of "$RS,16") must not be taken for the whole one.
    void start(std::uint64_t from, std::string_view text);
    // True when the unit at this address has a reply without its line end yet, or one that
    // ended in CR, whose LF may come in a frame of its own.
    bool continues(std::uint64_t from) const { return (size_ > 0 || afterCr_) && from == from_; }
    void append(std::string_view text);
    // The next complete reply, its line end included; empty when there is none yet. A reply
    // longer than the buffer is handed on cut, as it can never complete.
    std::string_view next();
    // Parts dropped: text that was no reply, or a reply that never got its line end.
    int dropped() const { return dropped_; }

private:
    void dropJunk();

    std::array<char, kSize> text_{};
    std::size_t size_ = 0;
    std::size_t taken_ = 0;  // the line next() handed out last, removed on the next call
    std::uint64_t from_ = 0;
    bool afterCr_ = false;
    int dropped_ = 0;
};

}  // namespace live
