#include "sim/data_logger.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "sim/radio_commands.h"
#include "sim/sample_messages.h"

namespace sim {

namespace {

enum class Op { ReadInt, WriteInt, ReadLengths, WriteLength, ReadPan, WritePan, SavePan };

// Which integer an addressed command reads or writes, given group g (1-4) and port p (0-3).
using Slot = int& (*)(DataLogger&, int g, int p);

struct AddressedRow {
    std::string_view mnemonic;
    int firstGroup, lastGroup;
    bool portZeroOnly;
    Op op;
    Slot slot;
    int min, max;
};

int& groupRate(DataLogger& d, int g, int) { return d.groupRate[static_cast<std::size_t>(g - 1)]; }
std::size_t portIndex(int g, int p) { return static_cast<std::size_t>((g - 1) * 4 + p); }
int& portType(DataLogger& d, int g, int p) { return d.portType[portIndex(g, p)]; }
int& portBaud(DataLogger& d, int g, int p) { return d.portBaud[portIndex(g, p)]; }
int& radioPower(DataLogger& d, int, int) { return d.radioPower; }
int& adcRange(DataLogger& d, int, int p) { return d.adcRange[static_cast<std::size_t>(p)]; }

// The addressed commands: group 1 and 2 are the eight sensor ports, group 3 port 0 the radio
// module that links the logger's own sensors, group 4 the four analogue inputs.
const auto kAddressed = std::to_array<AddressedRow>({
    {"RS", 1, 4, true, Op::ReadInt, groupRate, 0, 0},
    {"WS", 1, 4, true, Op::WriteInt, groupRate, 1, 32},
    {"RD", 1, 2, false, Op::ReadInt, portType, 0, 0},
    {"WD", 1, 2, false, Op::WriteInt, portType, 0, 9},
    {"RB", 1, 2, false, Op::ReadInt, portBaud, 0, 0},
    {"WB", 1, 2, false, Op::WriteInt, portBaud, 0, 9},
    {"RL", 1, 2, false, Op::ReadLengths, nullptr, 0, 0},
    {"WL", 1, 2, false, Op::WriteLength, nullptr, 0, 99},
    {"RX", 3, 3, true, Op::ReadInt, radioPower, 0, 0},
    {"WX", 3, 3, true, Op::WriteInt, radioPower, 1, 2},
    {"RE", 3, 3, true, Op::ReadPan, nullptr, 0, 0},
    {"WE", 3, 3, true, Op::WritePan, nullptr, 0, 0},
    {"WM", 3, 3, true, Op::SavePan, nullptr, 0, 0},
    {"RR", 4, 4, false, Op::ReadInt, adcRange, 0, 0},
    {"WR", 4, 4, false, Op::WriteInt, adcRange, 0, 7},
});

std::string hex16(std::uint64_t v) {
    char text[24];
    std::snprintf(text, sizeof text, "%016llX", static_cast<unsigned long long>(v));
    return text;
}

int toInt(std::string_view v) { return std::atoi(std::string(v).c_str()); }

}  // namespace

DataLogger::DataLogger(const RadioUnitSpec& spec, platform::AbsTime hostStart)
    : RadioUnit(spec, hostStart) {
    for (auto& table : lengths) table = {4, 6, 8, 10, 20, 30};
    portBaud.fill(3);
    for (Sampler& s : samplers_) s.next = hostStart;
}

void DataLogger::command(platform::AbsTime host, std::string_view text, std::vector<std::string>& out) {
    if (linkLost_) return;
    if (addressed(host, text, out) || flashCommand(host, text, out)) return;
    RadioUnit::command(host, text, out);
}

bool DataLogger::remoteText(std::string_view text, std::vector<std::string>& out) {
    // The coordinator's PAN save arrives as a remote AT frame: "#3P0WM" and a NUL.
    if (text.substr(0, 6) != "#3P0WM") return false;
    savedCoordinatorPanId = coordinatorPanId;
    out.push_back("$3P0WM0\r\n");
    return true;
}

bool DataLogger::addressed(platform::AbsTime, std::string_view text, std::vector<std::string>& out) {
    if (text.size() < 6 || text[0] != '#' || text[2] != 'P') return false;
    const int g = text[1] - '0';
    const int p = text[3] - '0';
    const CommandText cmd = splitCommand(text.substr(4));
    const auto row = std::find_if(kAddressed.begin(), kAddressed.end(), [&](const AddressedRow& r) {
        return r.mnemonic == cmd.mnemonic && g >= r.firstGroup && g <= r.lastGroup &&
               p >= 0 && p <= (r.portZeroOnly ? 0 : 3);
    });
    if (row == kAddressed.end()) return false;
    std::string head = "$";
    head.append(text.substr(1, 3));
    head.append(cmd.mnemonic);
    auto reply = [&](const std::string& value) { out.push_back(head + "," + value + "\r\n"); };
    // Only the sensor ports (groups 1 and 2) have a length table; other groups never reach the
    // length commands, and must not index past the table.
    auto& table = lengths[std::min(portIndex(g, p), lengths.size() - 1)];
    switch (row->op) {
    case Op::ReadInt: reply(std::to_string(row->slot(*this, g, p))); break;
    case Op::WriteInt: {
        int& v = row->slot(*this, g, p);
        v = std::clamp(toInt(cmd.value), row->min, row->max);
        reply(std::to_string(v));
        break;
    }
    case Op::ReadLengths: {
        std::string values;
        for (std::size_t i = 0; i < table.size(); ++i) {
            char two[8];
            std::snprintf(two, sizeof two, "%s%02d", i ? "," : "", table[i]);
            values += two;
        }
        reply(values);
        break;
    }
    case Op::WriteLength: {
        // "i,v": entry index 0-5 and the length in half-metres.
        const std::size_t comma = cmd.value.find(',');
        const int index = toInt(cmd.value);
        if (comma == std::string_view::npos || index < 0 || index > 5) break;
        int& v = table[static_cast<std::size_t>(index)];
        v = std::clamp(toInt(cmd.value.substr(comma + 1)), row->min, row->max);
        reply(std::to_string(index) + "," + std::to_string(v));
        break;
    }
    case Op::ReadPan: reply(hex16(coordinatorPanId)); break;
    case Op::WritePan: {
        // Sixteen hexadecimal digits, with or without a comma before them; "0" acknowledges.
        std::string_view digits = text.substr(6);
        if (!digits.empty() && digits[0] == ',') digits.remove_prefix(1);
        char* end = nullptr;
        const std::string d(digits.substr(0, 16));
        const unsigned long long v = std::strtoull(d.c_str(), &end, 16);
        const bool ok = d.size() == 16 && end == d.c_str() + 16;
        if (ok) coordinatorPanId = v;
        out.push_back(head + (ok ? "0" : "1") + "\r\n");
        break;
    }
    case Op::SavePan:
        savedCoordinatorPanId = coordinatorPanId;
        out.push_back(head + "0\r\n");
        break;
    }
    return true;
}

bool DataLogger::flashCommand(platform::AbsTime host, std::string_view text, std::vector<std::string>& out) {
    if (text.empty() || text[0] != 'O') return false;
    const CommandText cmd = splitCommand(text);
    const std::string m(cmd.mnemonic);
    const Variant& v = variant();
    // Data blocks carry no line end: the host takes their length from the frame. A slow
    // logger sends them some time after the request.
    // The link drops at the stage the variant names: nothing is heard from then on.
    const auto dropsAt = [&](int stage) {
        linkLost_ = linkLost_ || v.linkLostAt == stage;
        return linkLost_;
    };
    auto block = [&](std::optional<std::string> data) {
        if (!data) return;
        if (data->empty() && dropsAt(3)) return;
        // A file of whole blocks ends with an empty one, unless this logger leaves it out.
        if (data->empty() && v.noClosingBlock) return;
        std::string reply = "$" + m + "," + *data;
        if (v.blockTwice && flash_.blocksRead() == 2) out.push_back(reply);
        if (v.blockDelay > 0) {
            later(host + v.blockDelay, std::move(reply));
        } else {
            out.push_back(std::move(reply));
        }
    };
    if (m == "OF") {
        out.push_back(replyText(m, std::to_string(flash_.activeFile())));
    } else if (m == "ON") {
        flash_.startNewFile();
        out.push_back(replyText(m, std::to_string(flash_.activeFile())));
    } else if (m == "OI") {
        if (dropsAt(0)) return true;
        const std::string size = replyText(m, std::to_string(flash_.size(toInt(cmd.value))));
        out.push_back(size);
        if (v.secondSizeReply >= 0) later(host + v.secondSizeReply, size);
    } else if (m == "OO") {
        if (dropsAt(1)) return true;
        orsHeard_ = 0;
        flash_.open(toInt(cmd.value));
        block(flash_.nextBlock(host));
    } else if (m == "OR") {
        ++orsHeard_;
        if (orsHeard_ == v.lostOr) return true;  // it never reached the logger
        if (orsHeard_ == 2 && dropsAt(2)) return true;
        block(flash_.nextBlock(host));
    } else if (m == "OA") {
        block(flash_.repeatBlock(host, v.repeatOnOa ? 0 : FlashCard::kRepeatHoldOff));
    } else if (m == "OC") {
        flash_.close();
        out.push_back(replyText(m, "1"));
    } else {
        return false;
    }
    return true;
}

void DataLogger::advance(platform::AbsTime host, std::vector<std::string>& out) {
    if (linkLost_) return;
    for (int port = 0; port < kPorts; ++port) {
        Sampler& s = samplers_[static_cast<std::size_t>(port)];
        if (host - s.next > 600.0) s.next = host;
        const double period = 1.0 / std::max(1, groupRate[static_cast<std::size_t>(port / 4)]);
        while (s.next <= host) {
            samplePort(port, s.next, out);
            s.next += period;
        }
    }
}

double DataLogger::portLevel(int port, platform::AbsTime t) const {
    // Each port sees its own stretch of sea: the same surface, shifted in time.
    return signal().level(t + 37.0 * port);
}

void DataLogger::samplePort(int port, platform::AbsTime t, std::vector<std::string>& out) {
    Sampler& s = samplers_[static_cast<std::size_t>(port)];
    const int type = portType[static_cast<std::size_t>(port)];
    if (type == 0 || !sampling(t)) {
        s.values.clear();
        s.text.clear();
        return;
    }
    const int device = kFirstSensorDevice + port;
    const int rate = groupRate[static_cast<std::size_t>(port / 4)];
    const platform::AbsTime unitTime = clock().read(t);
    const double level = portLevel(port, t);
    if (type == kSerialSensor) {
        if (s.text.empty()) s.first = unitTime;
        char line[48];
        std::snprintf(line, sizeof line, "WS=%04.1f WD=%03d AT=%04.1f\r\n", 4.0 + 3.0 * (level - 1.0),
                      static_cast<int>(240 + 20 * std::sin(t / 60.0)), temperature(t));
        s.text += line;
        if (s.text.size() >= 128) {
            out.push_back(messages::textBurst(device, rate, batteryDigit(), s.first, s.text));
            s.text.erase(0, 128);
            s.first = unitTime;
        }
        return;
    }
    if (s.values.empty()) s.first = unitTime;
    s.values.push_back(level);
    if (s.values.size() == 60) {
        out.push_back(messages::burst('i', device, rate, batteryDigit(), s.first, s.values));
        s.values.clear();
        s.lastSent = t;
    }
}

}  // namespace sim
