#include "chart/record_apply.h"

#include <algorithm>

#include "live/device_table.h"

namespace chart {

namespace {

RecordEffect applyText(live::OutputLine& e, const CsvRecord& r, std::span<float> workValue) {
    switch (r.subType) {
        case '1':
            e.SampleRate = static_cast<std::uint8_t>(std::clamp(r.rate, 1, 32));
            workValue[0] = r.value;
            e.Value = r.value;
            ++e.SampleCount;
            e.PowerOn = 1;
            e.DataKind = live::kKindSample;
            return RecordEffect::Sample;
        case '8':
            std::copy(r.text.begin(), r.text.end(), e.DateTime.begin());
            e.DateTime[10] = 'T';
            e.DataKind = live::kKindDate;
            break;
        case '9':
            std::copy(r.text.begin(), r.text.end(), e.DateTime.begin() + 11);
            e.DateTime[19] = '\0';
            live::GetDatesTimesFormStr(e);
            e.SampleCount = 0;
            e.DataKind = live::kKindTime;
            break;
        case '7':
            switch (r.sensor) {
                case 'G':
                    e.PowerState = '0';
                    break;
                case 'L':
                    e.PowerState = '2';
                    break;
                case 'B':
                    e.PowerState = '3';
                    break;
                default:
                    break;
            }
            break;
        case '4':
            e.Temperature = r.value;
            e.DataKind = live::kKindTemperature;
            break;
        default:
            break;
    }
    return RecordEffect::None;
}

RecordEffect applyBlock(live::OutputLine& e, const CsvRecord& r, std::span<float> workValue) {
    e.SampleRate = static_cast<std::uint8_t>(std::clamp(r.rate, 1, 32));
    e.PowerState = r.mode;
    e.PowerOn = 1;
    std::copy(r.text.begin(), r.text.end(), e.DateTime.begin());
    e.DateTime[r.text.size()] = '\0';
    live::GetDatesTimesFormStr(e);
    const auto count = static_cast<std::size_t>(r.count);
    e.SampleCount = static_cast<std::uint8_t>(count);
    e.DataKind = live::kKindBurst;
    if (r.kind == 'G') {
        // Raw data bytes: no level and no duration, as when they came from the unit.
        e.OffsetTime = 0;
        e.Value = 0;
        return RecordEffect::Block;
    }
    std::copy_n(r.values.begin(), std::min(count, workValue.size()), workValue.begin());
    // The block lasts 32 s at 1 sample a second (64 s for 64 values, 60 s for 60).
    e.OffsetTime = static_cast<int>(count) * 1000 / e.SampleRate;
    e.Value = r.values[count - 1];
    return RecordEffect::Block;
}

}  // namespace

RecordEffect applyRecord(live::OutputLine& e, const CsvRecord& r, std::span<float> workValue) {
    e.MsgType = r.kind;
    e.DeviceNum = static_cast<std::uint8_t>(r.device);
    const RecordEffect effect =
        r.kind == 'C' ? applyText(e, r, workValue) : applyBlock(e, r, workValue);
    if (e.SampleRate == 0 || e.SampleRate > 32) e.SampleRate = 1;
    return effect;
}

int chartRate(const live::OutputLine& e) { return std::max<int>(1, e.SampleRate); }

platform::AbsTime blockTime(const live::OutputLine& e) {
    return platform::toAbsTime({e.Year, e.Month, e.Day, e.Hour, e.Minute, e.Second, 0});
}

platform::AbsTime sampleTime(const live::OutputLine& e) {
    auto within = [](int v, int lo, int hi, int fallback) {
        return v < lo || v > hi ? fallback : v;
    };
    return platform::toAbsTime({within(e.Year, 2000, 2099, 2000), within(e.Month, 1, 12, 1),
                                within(e.Day, 1, 31, 1), within(e.Hour, 0, 23, 0),
                                within(e.Minute, 0, 59, 0), within(e.Second, 0, 59, 0), 0});
}

}  // namespace chart
