#include "live/file_series.h"

#include "live/record_format.h"
#include "live/unbuffered_file.h"

namespace live {

namespace {
constexpr std::size_t kRecordingTail = 7;  // "000.csv"
constexpr std::size_t kCaptureTail = 4;    // ".DAT"
}  // namespace

FileSeries FileSeries::recording(const std::string& chosen) {
    return ofRecordingFile(recordingFileName(chosen));
}

FileSeries FileSeries::ofRecordingFile(const std::string& name) {
    if (name.size() < kRecordingTail) return {Kind::Recording, "", name};
    return {Kind::Recording, name.substr(0, name.size() - kRecordingTail),
            name.substr(name.size() - kRecordingTail)};
}

FileSeries FileSeries::capture(const std::string& chosen) {
    const std::string name = captureFileName(chosen);
    return {Kind::Capture, name.substr(0, name.size() - kCaptureTail),
            name.substr(name.size() - kCaptureTail)};
}

std::string FileSeries::name(int n) const {
    std::string first = head_;
    if (stem_ > 1) first.append("_").append(std::to_string(stem_)).append("_");
    first.append(tail_);
    return kind_ == Kind::Recording ? numberedFileName(first, n) : numberedCaptureName(first, n);
}

int FileSeries::nextFree(int from) const {
    return nextFreeNumber([this](int n) { return name(n); }, from, kLastFileNumber);
}

FileSeries FileSeries::nextStem() const {
    FileSeries next = *this;
    ++next.stem_;
    return next;
}

}  // namespace live
