#include "live/data_service.h"

#include "live/message_check.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string_view>

namespace live {

namespace {

constexpr std::uint8_t kAtResponse = 0x88;
constexpr std::uint8_t kRemoteAtResponse = 0x97;

// Offsets of a "C" text message.
constexpr int kDeviceNumber = kTextDeviceNumber;
constexpr int kSubType = kTextSubType;
constexpr int kField = kTextField;
constexpr int kSampleRate = kTextSampleRate;
constexpr int kSampleValue = 24;

std::uint64_t addressAt(const MessageText& f, int at) {
    std::uint64_t a = 0;
    for (int i = 0; i < 8; ++i) a = a << 8 | f.byteAt(at + i);
    return a;
}

}  // namespace

DataService::DataService(DeviceTable& table, DisplayLines& display, Recorder& recorder,
                         PanIdResponses& panIds, const platform::Session& session,
                         const chart::ChartCtr& chart, const config::ConfigState& config,
                         platform::Clock& clock)
    : table_(table),
      display_(display),
      recorder_(recorder),
      panIds_(panIds),
      session_(session),
      chart_(chart),
      config_(config),
      clock_(clock) {}

void DataService::RxDataService(const links::RxFrame& frame, int scale) {
    // The length comes from the wire or a file: never trust it beyond the buffer.
    const int length = std::clamp(frame.length, 0, static_cast<int>(links::kRxFrameSize) - 1);
    const MessageText f(frame.data.data(), length);
    const std::uint8_t* d = frame.data.data();
    // A played-back capture holds old answers of an adapter and its units: they must never
    // change or command the devices on the ports today (no PAN ID read-out, no "WR").
    const bool fromFile = frame.source == links::FrameSource::File;
    switch (f.byteAt(0)) {
        case kReceivePacket:
            if (!fromFile && chart_.PlotSource != 0) {
                // The rows and the chart show a file; the live units go on being recorded.
                recordOnly(f, scale, frame.source);
            } else {
                receivePacket(f, scale, frame.source);
            }
            break;
        case kAtResponse:
            if (!fromFile && length >= 2) panIds_.RxATCommandResponce(d + 2, length - 2);
            break;
        case kRemoteAtResponse:
            if (!fromFile && length >= 12 && addressAt(f, 2) == config_.ConfigDeviceAddr) {
                panIds_.RxRemoteATCommandResponce(d + 12, length - 12);
            }
            break;
        default:
            break;  // transmit status and anything else: nothing to do
    }
    if (hooks.frameHandled) hooks.frameHandled();
}

void DataService::receivePacket(const MessageText& f, int scale, links::FrameSource from) {
    const std::uint64_t address = addressAt(f, 1);
    const char type = f.at(kPayloadStart);
    // A file's configuration replies belong to no unit being configured now.
    if (type == '$' && from == links::FrameSource::File) return;
    const std::string_view text(reinterpret_cast<const char*>(f.data()) + kPayloadStart,
                                static_cast<std::size_t>(std::max(0, f.length() - kPayloadStart)));
    // A flash-card data block is one frame, however long: its length is the frame's.
    const bool dataBlock = type == '$' && f.at(kPayloadStart + 1) == 'O' &&
                           std::string_view("ORA").find(f.at(kPayloadStart + 2)) != std::string_view::npos;
    if (type == '$' && !dataBlock) {
        replies_.start(address, text);
        configReplies(f);
        return;
    }
    // The rest of a reply the radio cut into several frames (the unit's samples may come
    // between the parts).
    if (from != links::FrameSource::File && replies_.continues(address) &&
        !wellFormedUnitMessage(f)) {
        replies_.append(text);
        configReplies(f);
        return;
    }
    // Noise is not data: it takes no device entry and is never shown, recorded or charted.
    if (!wellFormedUnitMessage(f)) {
        if (hooks.noiseDropped) hooks.noiseDropped(from);
        return;
    }
    if (type == '$') {
        const int line = configLine(address);
        clockSyncTrigger(line, address, f);
        configReply(line, text);
        return;
    }
    const int deviceNumber = f.atoiAt(kDeviceNumber);
    const int line = display_.GetOutputLineLoc(address, static_cast<std::uint8_t>(deviceNumber));
    // File data never triggers a clock sync: its units are not on the air.
    if (from != links::FrameSource::File) clockSyncTrigger(line, address, f);
    if (!DeviceTable::valid(line)) return;  // a 25th unit finds no entry and is ignored

    OutputLine& e = table_[line];
    e.MsgType = type;
    if (type == 'C') {
        textMessage(line, f, scale, from);
    } else {
        burstMessage(line, f, from);
    }
    if (e.SampleRate == 0 || e.SampleRate > 32) e.SampleRate = 1;
    e.SilenceTicks = 0;
}

void DataService::clockSyncTrigger(int line, std::uint64_t address, const MessageText& f) {
    if (!DeviceTable::valid(line) || !hooks.autoWaitSyncFor || !hooks.autoWaitSyncFor(line)) return;
    clock_.delay(0.004);
    if (table_[line].MsgType == 'C') {
        RxSecSync = {':', ':', '\0'};
    } else {
        // A burst unit takes the digits of its time tag's last field raised to 'A'..'J'.
        RxSecSync = {static_cast<char>(f.at(41) + 17), static_cast<char>(f.at(42) + 17), '\0'};
    }
    if (hooks.AutoSyncFathomrodXB) hooks.AutoSyncFathomrodXB(address, RxSecSync);
}

void DataService::setSampleRate(OutputLine& e, int rate) {
    const auto r = static_cast<std::uint8_t>(rate);
    if (r != e.SampleRate && hooks.startFastSync) hooks.startFastSync();
    e.SampleRate = r;
}

void DataService::textMessage(int line, const MessageText& f, int scale, links::FrameSource from) {
    OutputLine& e = table_[line];
    e.DeviceNum = static_cast<std::uint8_t>(f.atoiAt(kDeviceNumber));
    switch (f.at(kSubType)) {
        case '1': {
            setSampleRate(e, f.atoiAt(kSampleRate));
            float value = sampleValue(f, scale);
            if (e.ZeroOn != 0) value -= e.Offset;
            WorkValue[0] = value;
            e.Value = value;
            ++e.SampleCount;
            e.PowerOn = 1;
            e.DataKind = kKindSample;
            if (chart_.PlotRun != 0 && hooks.PlotContData) hooks.PlotContData(line);
            break;
        }
        case '4':
            e.Temperature = static_cast<float>(f.atofAt(kField));
            e.DataKind = kKindTemperature;
            break;
        case '7':
            switch (f.at(kField)) {
                case 'G': e.PowerState = '0'; break;
                case 'L': e.PowerState = '2'; break;
                case 'B': e.PowerState = '3'; break;
                default: break;
            }
            break;
        case '8':
            for (int i = 0; i < 10; ++i) e.DateTime[static_cast<std::size_t>(i)] = f.at(kField + i);
            e.DateTime[10] = 'T';
            e.DataKind = kKindDate;
            break;
        case '9':
            for (int i = 0; i < 8; ++i) e.DateTime[static_cast<std::size_t>(11 + i)] = f.at(kField + i);
            e.DateTime[19] = '\0';
            GetDatesTimesFormStr(e);
            e.SampleCount = 0;
            e.DataKind = kKindTime;
            if (hooks.unitTimeSeen) hooks.unitTimeSeen(line, 0);
            break;
        default:
            break;
    }
    display_.showMessage(line, from);
    record(e, f, 1, from);
}

void DataService::burstMessage(int line, const MessageText& f, links::FrameSource from) {
    OutputLine& e = table_[line];
    const BurstLayout* layout = burstLayout(f.at(kPayloadStart));
    const int count = decodeBurst(f, WorkValue, WorkASCIIValue);
    if (layout == nullptr || count < 0) return;  // unknown type or truncated: dropped whole

    e.DeviceNum = static_cast<std::uint8_t>(f.atoiAt(kDeviceNumber));
    setSampleRate(e, f.atoiAt(kBurstRate));
    e.PowerState = f.at(kBurstPower);
    e.PowerOn = 1;
    for (int i = 0; i < kBurstTimeTagLength; ++i) {
        e.DateTime[static_cast<std::size_t>(i)] = f.at(kBurstTimeTag + i);
    }
    e.DateTime[kBurstTimeTagLength] = '\0';
    GetDatesTimesFormStr(e);
    e.SampleCount = static_cast<std::uint8_t>(count);
    if (layout->durationUnits != 0) {
        if (e.SampleRate != 0) e.OffsetTime = layout->durationUnits / e.SampleRate;
        if (e.ZeroOn != 0) {
            for (int i = 0; i < count; ++i) WorkValue[static_cast<std::size_t>(i)] -= e.Offset;
        }
        e.Value = WorkValue[static_cast<std::size_t>(count - 1)];
    } else {
        e.OffsetTime = 0;
        e.Value = 0;
    }
    e.DataKind = kKindBurst;
    // The time tag is the first sample's; the burst went when its last was taken.
    if (hooks.unitTimeSeen && e.SampleRate > 0)
        hooks.unitTimeSeen(line, static_cast<double>(count - 1) / e.SampleRate);
    display_.showMessage(line, from);
    if (chart_.PlotRun != 0 && hooks.PlotData) hooks.PlotData(line);
    record(e, f, std::min(count, kMaxBurstValues), from);
}

// A reply carries no device number: it is from the unit being configured. It goes to the
// parser with that unit's entry, and never takes an entry of its own.
int DataService::configLine(std::uint64_t address) const {
    int deviceNumber = hooks.configDeviceNumber ? hooks.configDeviceNumber() : 0;
    if (session_.UnitType == 8 && deviceNumber == 255) deviceNumber = 0;
    return table_.find(address, static_cast<std::uint8_t>(deviceNumber));
}

// Every reply the frames of one unit have completed, one after another.
void DataService::configReplies(const MessageText& f) {
    const std::uint64_t address = addressAt(f, 1);
    for (std::string_view text = replies_.next(); !text.empty(); text = replies_.next()) {
        const int line = configLine(address);
        clockSyncTrigger(line, address, f);
        configReply(line, text);
    }
}

void DataService::configReply(int line, std::string_view text) {
    const std::size_t n = std::min(text.size(), RxChars.size() - 1);
    std::copy_n(text.begin(), n, RxChars.begin());
    RxChars[n] = '\0';
    RxCharsLength = static_cast<int>(n);
    if (DeviceTable::valid(line)) {
        table_[line].SilenceTicks = 0;
    }
    if (hooks.RxConfigData) hooks.RxConfigData(line);
}

float DataService::sampleValue(const MessageText& f, int scale) const {
    double v;
    if (session_.UnitType == 9) {
        v = f.atofAt(kSampleValue);  // already in the unit's final unit
    } else if (scale == 1) {
        v = f.atofAt(kSampleValue) / 10000.0;  // tenths of millimetres
    } else {
        v = f.atoiAt(kSampleValue) / 1000.0;  // millimetres
    }
    return static_cast<float>(v);
}

// The record a live message makes, with no device entry: the live units' entries were freed
// when the source became the file, so their values are recorded absolute.
void DataService::recordOnly(const MessageText& f, int scale, links::FrameSource from) {
    if (!recorder_.wantsRecords()) return;
    OutputLine e;
    int values = 1;
    if (f.at(kPayloadStart) == 'C') {
        if (f.at(kSubType) == '1') e.Value = sampleValue(f, scale);
    } else {
        values = decodeBurst(f, WorkValue, WorkASCIIValue);  // -1 for replies and the unknown
        if (values < 0) return;
    }
    record(e, f, values, from);
}

void DataService::record(const OutputLine& e, const MessageText& f, int values,
                         links::FrameSource from) {
    // A played-back file is never recorded again into the recording of the live units.
    if (from == links::FrameSource::File || !recorder_.wantsRecords()) return;
    recorder_.WriteOutputToFile(
        e, f, std::span<const float>(WorkValue.data(), static_cast<std::size_t>(values)),
        WorkASCIIValue);
}

}  // namespace live
