#include "live/reply_lines.h"

#include <algorithm>
#include <cstring>

namespace live {

namespace {
bool lineEnd(char c) { return c == '\r' || c == '\n'; }
}  // namespace

void ReplyLines::start(std::uint64_t from, std::string_view text) {
    if (size_ > taken_) ++dropped_;
    size_ = taken_ = 0;
    from_ = from;
    append(text);
}

void ReplyLines::append(std::string_view text) {
    afterCr_ = false;
    if (taken_ > 0) {
        std::memmove(text_.data(), text_.data() + taken_, size_ - taken_);
        size_ -= taken_;
        taken_ = 0;
    }
    const std::size_t n = std::min(text.size(), text_.size() - size_);
    std::copy_n(text.begin(), n, text_.begin() + static_cast<long>(size_));
    size_ += n;
}

// Text before a reply's "$" (line ends between replies, anything else the unit put there) is
// no reply.
void ReplyLines::dropJunk() {
    std::size_t i = taken_;
    while (i < size_ && lineEnd(text_[i])) ++i;
    if (i < size_ && text_[i] != '$') {
        ++dropped_;
        while (i < size_ && text_[i] != '$') ++i;
    }
    taken_ = i;
    if (taken_ == size_) size_ = taken_ = 0;
}

std::string_view ReplyLines::next() {
    dropJunk();
    const char* begin = text_.data() + taken_;
    const char* end = text_.data() + size_;
    const char* stop = std::find_if(begin, end, lineEnd);
    if (stop == end) {
        if (size_ < text_.size()) return {};
        // The buffer is full and no line end came: hand the reply on as it is.
        taken_ = size_;
        return {begin, static_cast<std::size_t>(end - begin)};
    }
    // CR LF (or LF CR) is one line end.
    ++stop;
    if (stop != end && lineEnd(*stop) && *stop != stop[-1]) ++stop;
    taken_ = static_cast<std::size_t>(stop - text_.data());
    afterCr_ = stop[-1] == '\r';
    return {begin, static_cast<std::size_t>(stop - begin)};
}

}  // namespace live
