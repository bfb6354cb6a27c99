#pragma once
#include <span>

#include "chart/playback_parser.h"
#include "live/output_line.h"
#include "platform/clock.h"

namespace chart {

// What a sample-file line brings to the chart: nothing, one continuous sample, or a block.
enum class RecordEffect { None, Sample, Block };

// Sets the fields of a device entry that a sample-file line carries, as the unit's live
// messages would have set them (time tags, sample rate and count, power state, value); the
// values to chart go into workValue. File playback and the batch analysis of recordings both
// read files through this, so both see the same samples at the same times.
RecordEffect applyRecord(live::OutputLine& e, const CsvRecord& r, std::span<float> workValue);

// Samples per second the chart uses for an entry: its rate, at least 1.
int chartRate(const live::OutputLine& e);
// The time stamp of a block: its first value's whole second.
platform::AbsTime blockTime(const live::OutputLine& e);
// The time tag of a continuous sample's second, every field forced into range, so that a unit
// that has sent a malformed tag is still charted; the entry's sample count places the sample
// within that second.
platform::AbsTime sampleTime(const live::OutputLine& e);

}  // namespace chart
