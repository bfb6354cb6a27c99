#pragma once
#include <string>

namespace live {

inline constexpr int kLastFileNumber = 998;

// The names of one recording's or capture's numbered files: survey000.csv, survey001.csv ...
// or raw.DAT, raw001.DAT ... up to number 998. When every number of a name is taken, an
// unattended station goes on under the next stem of it (survey_2_000.csv, raw_2_.DAT ...)
// rather than stop for want of a name.
class FileSeries {
  public:
    FileSeries() = default;
    // The files of a recording for the name chosen (survey.csv -> survey000.csv ...).
    static FileSeries recording(const std::string& chosen);
    // The files of a frame capture for the name chosen (raw -> raw.DAT, raw001.DAT ...).
    static FileSeries capture(const std::string& chosen);
    // The series a file name of it belongs to (the name of a recording file already open).
    static FileSeries ofRecordingFile(const std::string& name);

    // Number 0's name.
    std::string first() const { return name(0); }
    std::string name(int n) const;
    // The first number from `from` whose name is free on disk (no file, no folder); -1 when
    // every number up to the last is taken.
    int nextFree(int from) const;
    // The same series under the next stem: survey000.csv, survey_2_000.csv, survey_3_000.csv.
    FileSeries nextStem() const;
    int stem() const { return stem_; }

  private:
    enum class Kind : unsigned char { Recording, Capture };
    FileSeries(Kind kind, std::string head, std::string tail)
        : kind_(kind), head_(std::move(head)), tail_(std::move(tail)) {}
    Kind kind_ = Kind::Recording;
    std::string head_;  // the chosen name before the number ("/data/survey")
    std::string tail_;  // after it: "000.csv" (numbered in place) or ".DAT"
    int stem_ = 1;      // 1: the name as chosen; 2 and on: head_ + "_2_" ...
};

}  // namespace live
