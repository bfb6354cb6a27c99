#include "netcdf/recording_set.h"

#include <filesystem>
#include <system_error>

namespace netcdf {

namespace {

// The six fields of a time tag, each where a calendar allows it.
bool validTime(const live::OutputLine& e) {
    return e.Year >= 1970 && e.Year <= 2200 && e.Month >= 1 && e.Month <= 12 && e.Day >= 1 &&
           e.Day <= 31 && e.Hour >= 0 && e.Hour <= 23 && e.Minute >= 0 && e.Minute <= 59 &&
           e.Second >= 0 && e.Second <= 59;
}

// The start of a line, for a message.
std::string quote(std::string_view line) {
    constexpr std::size_t kShown = 60;
    std::string s(line.substr(0, kShown));
    for (char& c : s)
        if (static_cast<unsigned char>(c) < ' ' || static_cast<unsigned char>(c) > '~') c = '?';
    if (line.size() > kShown) s += "...";
    return s;
}

}  // namespace

RecordingSet::RecordingSet(std::vector<std::string> files)
    : files_(std::move(files)), block_(kBlock) {
    std::error_code ec;
    for (const std::string& f : files_) {
        const auto size = std::filesystem::file_size(f, ec);
        if (!ec) totalBytes_ += static_cast<std::int64_t>(size);
    }
    if (files_.empty()) error_ = "no files to read";
}

bool RecordingSet::openNext() {
    const std::string& name = files_[file_];
    if (chart::playbackFileType(name) != chart::PlaybackType::Csv) {
        failAt(0, "not a sample file: recordings are .csv files");
        return false;
    }
    in_ = std::ifstream(name, std::ios::binary);
    if (!in_) {
        failAt(0, "cannot be opened");
        return false;
    }
    opened_ = true;
    lines_.reset();
    headerLines_ = 0;
    return true;
}

bool RecordingSet::endOfFile() {
    if (lines_.insideLine()) {
        failAt(lines_.lineNumber() + headerLines_, "the file ends inside a record");
        return false;
    }
    in_.close();
    opened_ = false;
    return ++file_ < files_.size();
}

void RecordingSet::failAt(std::int64_t line, std::string_view why) {
    error_ = files_[file_] + ": ";
    if (line > 0) error_ += "line " + std::to_string(line) + ": ";
    error_ += why;
}

void RecordingSet::fail(const SetRecord& at, std::string_view why) { failAt(at.lineNumber, why); }

bool RecordingSet::place(std::string_view line) {
    const std::int64_t number = lines_.lineNumber() + headerLines_;
    if (!chart::parseCsvLine(line, parsed_)) {
        failAt(number, "a damaged record: \"" + quote(line) + "\"");
        return false;
    }
    live::OutputLine& e = entries_[static_cast<std::size_t>(parsed_.device)];
    effect_ = chart::applyRecord(e, parsed_, values_);
    rate_ = chart::chartRate(e);
    valueCount_ = 0;
    // A time record before the unit's first date (a file that begins between the two) only
    // leaves the unit without a time, as it was.
    const bool stamped = parsed_.kind != 'C' ||
                         ((parsed_.subType == '8' || parsed_.subType == '9') && e.Year != 0);
    if (stamped && !validTime(e)) {
        failAt(number, "a time that is no date and time: \"" + quote(line) + "\"");
        return false;
    }
    if (parsed_.kind == 'C') {
        // A continuous unit's records take the time of its last time record, moved on by the
        // samples since, as the chart places them.
        timed_ = e.Year != 0;
        time_ = timed_ ? chart::sampleTime(e) + static_cast<double>(e.SampleCount) / rate_ : 0;
        if (effect_ == chart::RecordEffect::Sample) valueCount_ = 1;
    } else {
        timed_ = true;
        time_ = chart::blockTime(e);
        if (parsed_.kind != 'G') valueCount_ = std::min<std::size_t>(e.SampleCount, values_.size());
    }
    return true;
}

}  // namespace netcdf
