#include "link/receive_paths.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "app/conversions.h"
#include "link/wired_record.h"

namespace links {

namespace {
// A pressure gauge on port B also reports the difference of the two gauges as device 3.
constexpr int kDifferenceDevice = 3;
constexpr int kSamplesPerTimeStamp = 60;
}  // namespace

ReceivePaths::ReceivePaths(platform::SerialPorts& ports, platform::Panel& panel,
                           platform::Clock& clock, const platform::Session& session,
                           LinkState& links)
    : ports_(ports),
      panel_(panel),
      clock_(clock),
      session_(session),
      links_(links) {}

void ReceivePaths::receive(PortId p, int number) {
    if (platform::linkKind(session_.UnitType) == platform::LinkKind::None) return;
    // The port's whole input, a block at a time: nothing stays waiting for the next call.
    std::array<std::uint8_t, 4096> block;
    for (int taken = 0, n; taken < kBytesPerCall && (n = ports_.read(number, block)) > 0; taken += n) {
        takeBytes(p, std::span(block.data(), static_cast<std::size_t>(n)));
    }
}

void ReceivePaths::dropNoise(PortId p) {
    PortRx& r = rx(p);
    ++r.dropped;
    panel_.setValue(desc(p).dropped, static_cast<double>(r.dropped));
}

void ReceivePaths::noiseDropped(FrameSource source) {
    for (PortId p : {PortId::A, PortId::B}) {
        if (desc(p).source != source) continue;
        dropNoise(p);
        // The frame was whole and counted as it arrived, but what it carried was noise: it
        // is neither valid data nor a record.
        PortRx& r = rx(p);
        if (r.goodFrames > 0) --r.goodFrames;
        if (r.records > 0) --r.records;
    }
}

ReceivePaths::Counters ReceivePaths::counters(PortId p) const {
    const PortRx& r = rx(p);
    return {.bytes = r.received,
            .goodFrames = r.goodFrames,
            .badChecksums = r.decoder.badChecksums(),
            .badLengths = r.decoder.badLengths(),
            .noise = static_cast<std::uint64_t>(r.dropped),
            .records = r.records};
}

void ReceivePaths::portOpened(PortId p) {
    PortRx& r = rx(p);
    r.atOpen = counters(p);
    r.openedMs = clock_.processorMs();
    r.sniffing = false;
}

void ReceivePaths::sniff(PortId p, bool on) {
    PortRx& r = rx(p);
    if (on && !r.sniffing) r.sniffer.reset();
    r.sniffing = on;
}

void ReceivePaths::takeBytes(PortId p, std::span<const std::uint8_t> bytes) {
    PortRx& r = rx(p);
    r.received += bytes.size();
    if (r.sniffing) r.sniffer.take(bytes);
    switch (platform::linkKind(session_.UnitType)) {
        case platform::LinkKind::Radio:
            radioBytes(p, bytes);
            break;
        case platform::LinkKind::Wired:
            for (std::uint8_t b : bytes) wiredByte(p, b);
            break;
        case platform::LinkKind::Synchronizer:
            for (std::uint8_t b : bytes) syncByte(p, b);
            break;
        case platform::LinkKind::None:
            break;
    }
}

void ReceivePaths::radioBytes(PortId p, std::span<const std::uint8_t> bytes) {
    // The capture file gets the bytes as they came, escapes and broken frames included.
    if (capture_ && capture_->APIFrameDataFileOpen()) capture_->captureBytes(bytes);
    PortRx& r = rx(p);
    while (!bytes.empty()) {
        bool complete = false;
        bytes = bytes.subspan(r.decoder.feed(bytes, complete));
        if (!complete) continue;
        ++r.goodFrames;
        if (r.decoder.frame().data[0] == kReceivePacket) ++r.records;
        if (sink_) sink_->RxDataService(r.decoder.frame(), 0);
    }
}

void ReceivePaths::send(PortId p, std::uint64_t address, int device, std::string_view text,
                        int scale) {
    PortRx& r = rx(p);
    makeReceivePacket(r.synth, address, device, text);
    if (sink_) sink_->RxDataService(r.synth, scale);
}

void ReceivePaths::dateAndTime(PortId p, int device, std::uint64_t address) {
    const platform::CalendarTime now = clock_.now();
    send(p, address, device, dateText(device, now).view());
    send(p, address, device, timeText(device, now).view());
}

void ReceivePaths::wiredByte(PortId p, std::uint8_t byte) {
    PortRx& r = rx(p);
    PortRefs s = refs(links_, p);
    const PortDesc& d = desc(p);
    const int type = session_.UnitType;
    const int k = WiredLineParser::recordShift(type);
    if (s.FRTCConnectStatus == kStreaming) {
        s.FRTCConnectTimer = 0;
        showRecordLine(p, byte);
    }
    const WiredEvent event = r.wired.feed(byte, s.FRTCConnectStatus, type);
    switch (event) {
        case WiredEvent::StartOk:
        case WiredEvent::IdentOk:
        case WiredEvent::BlockOk:
        case WiredEvent::GoOk:
            ++r.goodFrames;  // a handshake reply
            break;
        default:
            break;
    }
    switch (event) {
        case WiredEvent::StartOk:
            s.FRTCConnectStatus = 2;
            break;
        case WiredEvent::IdentOk: {
            auto ident = r.wired.at(4, WiredLineParser::kIdentLength);
            r.unit.identification.fill('\0');
            std::copy(ident.begin(), ident.end(), r.unit.identification.begin());
            panel_.setText(d.ident, std::string(r.unit.identification.data(), ident.size()));
            s.FRTCConnectStatus = 4;
            break;
        }
        case WiredEvent::BlockOk:
            blockReceived(p);
            s.FRTCConnectStatus = 6;
            break;
        case WiredEvent::GoOk:
            s.FRTCConnectStatus = kStreaming;
            s.FRTCConnectTimer = 0;
            break;
        case WiredEvent::LineEnd:
        case WiredEvent::LineEndTemp:
            wiredLineEnd(p);
            break;
        case WiredEvent::Temperature: {
            // The temperature is complete with the record's ninth character: its four digits
            // from k + 5. The place after them still holds a byte of an earlier line. A record
            // whose sample was not in its place, or whose temperature is not four characters
            // there, is read as a whole at its line end.
            const auto digits = r.wired.at(k + 5, WiredLineParser::kTemperatureWidth);
            if (!r.lineSample || r.lineDropped || !isNumberText(digits, true)) break;
            r.lineTemperature = true;
            sendTemperature(p, readNumber(digits));
            break;
        }
        case WiredEvent::Sample: {
            // Noise on the line reaches the sample's place as easily as a record does: only
            // a number there (blank-padded or not, the unit's choice) is a sample. A staff
            // that writes its reading without leading zeros has put a shorter number there and
            // its record is read at the line end.
            const auto chars = r.wired.at(0, WiredLineParser::sampleWidth(type));
            if (isNumberText(chars, true)) {
                r.lineSample = true;
                wiredSample(p, readNumber(chars));
            } else if (type == 9 || std::none_of(chars.begin(), chars.end(), [](std::uint8_t c) {
                           return c >= '0' && c <= '9';
                       })) {
                dropNoise(p);
                r.lineDropped = true;
            }
            break;
        }
        case WiredEvent::None:
            break;
    }
}

void ReceivePaths::blockReceived(PortId p) {
    PortRx& r = rx(p);
    const PortDesc& d = desc(p);
    WiredUnit& u = r.unit;
    auto block = r.wired.at(4, WiredLineParser::kBlockLength);
    std::copy(block.begin(), block.end(), u.FRTCRaw.begin());
    // Reply characters 25 and 26 are block field 7, the sample rate: one hexadecimal digit
    // and a "1" in front of it for rates from 16 on.
    const char rate[2] = {'0', static_cast<char>(u.FRTCRaw[22])};
    u.sampleRate = app::HexStr2Byte(rate) + (u.FRTCRaw[21] == '1' ? 16 : 0);
    const char* raw = reinterpret_cast<const char*>(u.FRTCRaw.data());
    u.configByte1 = app::HexStr2Byte(raw + 3);
    u.configByte2 = app::HexStr2Byte(raw + 6);
    if (session_.UnitType == 9) {
        char text[16];
        std::snprintf(text, sizeof text, "%02X %02X", u.configByte1, u.configByte2);
        panel_.setText(d.gauge, text);
        return;
    }
    u.staffLength = staffLengthFor(session_.UnitType, u.configByte2, u.configByte1);
    panel_.setValue(d.staffLength, u.staffLength / 1000.0);
}

// The streamed record lines, shown as they come so the operator sees the unit talking: the
// line in the port's received-text display and its data lamp lit.
void ReceivePaths::showRecordLine(PortId p, std::uint8_t byte) {
    PortRx& r = rx(p);
    const PortDesc& d = desc(p);
    if (byte != '\r' && byte != '\n') {
        if (r.shownLength < r.shown.size()) r.shown[r.shownLength++] = static_cast<char>(byte);
        return;
    }
    if (r.shownLength == 0) return;
    panel_.setText(d.received, std::string_view(r.shown.data(), r.shownLength));
    panel_.setValue(d.dataLamp, 1);
    r.shownLength = 0;
}

// A record line is over. The indicator follows what the record carried: blanks a unit pads
// its record with reach the temperature's place but are no temperature. What the fixed places
// did not take is read from the whole line: a record of a staff that writes its numbers
// without leading zeros, or a temperature not four characters wide.
void ReceivePaths::wiredLineEnd(PortId p) {
    PortRx& r = rx(p);
    const int length = r.wired.lastLength();
    if (session_.UnitType != 9 && !r.lineDropped && length > 0 && !r.lineTemperature) {
        // The sample's place is four characters: a shorter line carries none.
        const StaffRecord record = staffRecord(r.wired.at(0, length));
        if (!record.ok || length < WiredLineParser::sampleWidth(session_.UnitType)) {
            dropNoise(p);
        } else {
            if (!r.lineSample) wiredSample(p, record.reading);
            if (record.hasTemperature) {
                r.lineTemperature = true;
                sendTemperature(p, record.temperature);
            }
        }
    }
    panel_.setDimmed(desc(p).temperature, !r.lineTemperature);
    r.lineDropped = r.lineSample = r.lineTemperature = false;
}

void ReceivePaths::sendTemperature(PortId p, long counts) {
    const PortDesc& d = desc(p);
    send(p, static_cast<std::uint64_t>(d.device), d.device,
         temperatureText(d.device, static_cast<double>(counts) * kTemperatureStep).view());
}

void ReceivePaths::wiredSample(PortId p, long reading) {
    PortRx& r = rx(p);
    const PortDesc& d = desc(p);
    ++r.goodFrames;
    ++r.records;
    const auto address = static_cast<std::uint64_t>(d.device);
    if (session_.UnitType != 9) {
        const StaffValue v = staffValue(reading, r.unit.staffLength);
        send(p, address, d.device, staffSampleText(d.device, r.unit.sampleRate, v.value).view(),
             v.scale);
        char shown[32];
        std::snprintf(shown, sizeof shown, "%.3f m",
                      static_cast<double>(v.value) / (v.scale ? 10000.0 : 1000.0));
        panel_.setText(d.value, shown);
    } else {
        // The gauge's decimal-shift setting is its block field 2 (where a staff keeps its
        // range), read at "ROK": each gauge shifts by its own setting.
        const bool shift = r.unit.configByte2 == 1;
        const bool metres = panel_.intValue(platform::Ctl::SMI_BarMeters) == 1;
        const PressureValue v = pressureValue(r.wired.at(0, 7), shift, metres);
        r.lastPressure = v.value;
        send(p, address, d.device,
             pressureSampleText(d.device, r.unit.sampleRate, v.view()).view());
        if (p == PortId::B) {
            char diff[48];
            int n = std::snprintf(diff, sizeof diff, "%.5f",
                                  rx(PortId::A).lastPressure - rx(PortId::B).lastPressure);
            send(
                p, kDifferenceDevice, kDifferenceDevice,
                pressureSampleText(kDifferenceDevice, r.unit.sampleRate,
                                   std::string_view(diff, static_cast<std::size_t>(std::max(n, 0))))
                    .view());
        }
    }
    if (++r.sampleCounter < kSamplesPerTimeStamp) return;
    r.sampleCounter = 0;
    dateAndTime(p, d.device, address);
    if (session_.UnitType == 9 && p == PortId::B)
        dateAndTime(p, kDifferenceDevice, kDifferenceDevice);
}

void ReceivePaths::syncByte(PortId p, std::uint8_t byte) {
    PortRx& r = rx(p);
    if (!r.sync.feed(byte)) return;
    PortRefs s = refs(links_, p);
    const auto line = r.sync.line();
    const SyncLine kind = classifySyncLine(line, s.FRTCConnectStatus);
    if (kind == SyncLine::Other) return;
    const SyncReadings readings = kind == SyncLine::Data ? syncReadings(line) : SyncReadings{};
    if (kind == SyncLine::Data && !syncLineIsData(p, readings)) return;
    ++r.goodFrames;
    if (kind == SyncLine::Data) ++r.records;
    applySyncLine(kind, line, r.unit.sync);
    switch (kind) {
        case SyncLine::Ident:
            panel_.setText(desc(p).ident, r.unit.sync.identification.data());
            break;
        case SyncLine::ListingEnd:
            s.FRTCConnectStatus = 2;
            r.syncChannels = 0;  // a board (again) on the line: its width is learnt anew
            break;
        case SyncLine::Clock:
            s.FRTCConnectStatus = 4;
            return;
        case SyncLine::Data:
            syncData(p, readings);
            break;
        default:
            break;
    }
    s.FRTCConnectTimer = 0;
}

// A data line is six or eight readings of four digits; a board keeps to one width, so once
// it has streamed full lines, a line of the other width is a damaged one.
bool ReceivePaths::syncLineIsData(PortId p, const SyncReadings& readings) {
    PortRx& r = rx(p);
    const int channels = readings.count;
    if (channels == 0 || (r.syncChannels != 0 && channels != r.syncChannels)) {
        dropNoise(p);
        return false;
    }
    r.syncChannels = channels;
    return true;
}

// A board whose staff lengths were never entered records 00.0000 on every such channel: the
// operator is told once a run, and again only when the lengths have changed and some are still
// missing (a board that reconnects does not bring the question back).
void ReceivePaths::warnIfLengthsUnset(PortId p, int channels) {
    PortRx& r = rx(p);
    const PortDesc& d = desc(p);
    std::string missing;
    for (int c = 0; c < channels; ++c) {
        if (syncStaffLengthMm(panel_.cell(d.syncLengths, c, 0)) > 0) continue;
        missing += (missing.empty() ? "" : ", ") + std::to_string(c + 1);
    }
    if (missing == r.lengthsWarnedFor) return;
    r.lengthsWarnedFor = missing;
    if (missing.empty()) return;
    if (tellOperator) {
        tellOperator(
            "STAFF LENGTHS NOT SET",
            std::string("The synchronizer on ") + d.name + " streams, but the staff length of " +
                "channel(s) " + missing + " is not set: those channels record 00.0000.\n" +
                "Enter each staff's length in metres in the staff-length table.");
    }
}

void ReceivePaths::syncData(PortId p, const SyncReadings& readings) {
    PortRx& r = rx(p);
    const PortDesc& d = desc(p);
    const int channels = readings.count;
    warnIfLengthsUnset(p, channels);
    for (int c = 0; c < channels; ++c) {
        // Each channel's staff length comes from the operator's table, in metres.
        const double mm = syncStaffLengthMm(panel_.cell(d.syncLengths, c, 0));
        const StaffValue v = staffValue(readings.value[static_cast<std::size_t>(c)], mm);
        const int device = d.syncFirstDevice + c;
        send(p, static_cast<std::uint64_t>(d.syncFirstAddress + c), device,
             staffSampleText(device, r.unit.sync.sampleRate, v.value).view(), v.scale);
    }
    if (++r.sampleCounter < kSamplesPerTimeStamp) return;
    r.sampleCounter = 0;
    for (int c = 0; c < channels; ++c) {
        dateAndTime(p, d.syncFirstDevice + c, static_cast<std::uint64_t>(d.syncFirstAddress + c));
    }
}

}  // namespace links
