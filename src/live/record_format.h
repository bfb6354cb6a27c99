#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "live/message_text.h"
#include "live/output_line.h"

namespace live {

// Largest record: an "I" burst of 64 values. Values far outside any instrument's range
// (raw "F" floats) print longer, so the buffer leaves room for the longest float text.
inline constexpr std::size_t kRecordBufferSize = 4096;
using RecordBuffer = std::array<char, kRecordBufferSize>;

// printf("%0<width>.<precision>f") of v, written at out; returns the characters written.
// Exact (correctly rounded) like printf, without the locale and format-string cost.
int formatFixed(double v, int width, int precision, char* out, char* end);

// The sample-file record of the message in frame (frame offsets: the payload starts at 12),
// ended by CR LF. values are the message's samples after the zero offset (for a "C" sample
// the entry's value), raw the 128 bytes of a "G" burst. Returns the record length, or 0 when
// this message writes no record. A "C" payload shorter than its record's fixed part is padded
// with blanks so the record keeps its length; bursts are only recorded whole.
int buildRecord(const MessageText& frame, const OutputLine& line, int unitType,
                std::span<const float> values, std::span<const std::uint8_t> raw,
                RecordBuffer& out);

// The file actually written for a chosen name: a four-character extension is replaced by
// "000.csv" (survey.csv -> survey000.csv, log.txt -> log000.csv); a name without one gets
// "000.csv" appended whole (monday -> monday000.csv).
std::string recordingFileName(const std::string& chosen);
// The same name with the file number n ("%03i") in place of the three digits before ".csv".
std::string numberedFileName(const std::string& recordingName, int n);
// The capture file for a chosen name: ".DAT" is appended unless the name ends in it (any case).
std::string captureFileName(const std::string& chosen);
// Further capture files of one capture: raw.DAT, raw001.DAT, raw002.DAT ...
std::string numberedCaptureName(const std::string& captureName, int n);

}  // namespace live
