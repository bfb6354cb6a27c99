#include "sim/radio_unit.h"

#include <algorithm>
#include <cmath>

#include "sim/radio_commands.h"
#include "sim/sample_messages.h"

namespace sim {

namespace {
// A host that stalls (a suspended laptop) must not make the unit replay hours of samples.
constexpr double kMaxCatchUp = 600.0;
// Battery-powered units report 1.5 V cell pairs; the rest run from an external supply.
bool onBattery(int unitType) { return unitType == 0 || unitType == 1; }
}  // namespace

RadioUnit::RadioUnit(const RadioUnitSpec& spec, platform::AbsTime hostStart)
    : unitType_(spec.unitType),
      address_(spec.address),
      panId_(spec.panId),
      savedPanId_(spec.panId),
      clock_(hostStart, spec.clockOffsetSeconds, spec.clockDriftPpm),
      signal_(spec.seed, 1.0 + 0.1 * (spec.seed % 5)),
      nextSample_(hostStart) {
    settings_.deviceNumber = spec.deviceNumber;
    settings_.partNumber = spec.partNumber;
    settings_.firmware = spec.firmware;
    settings_.serialNumber = spec.serialNumber;
    settings_.sampleRate = spec.sampleRate;
    settings_.dataFormat = spec.dataFormat;
    settings_.startTime = std::floor(hostStart / 60.0) * 60.0 + 86400.0;
    settings_.batteryVoltage = onBattery(spec.unitType) ? 2.95 : 12.4;
    if (spec.unitType == 1 || spec.unitType == 2)
        for (Calibration& c : settings_.calibration) c.staffType = 3;
    settings_.calibration[0].points = {0.2, 0.6, 1.0, 1.4, 1.8};
    settings_.calibration[1].points = {0.5, 1.5};
    settings_.factory = settings_.calibration;
}

SamplingSchedule RadioUnit::schedule() const {
    return {settings_.burstLength, settings_.burstInterval, settings_.startTimeSwitch != 0,
            settings_.startTime};
}

bool RadioUnit::poweredUp(platform::AbsTime host) const {
    return !asleep_ && !(powerDownAt_ >= 0 && host >= powerDownAt_);
}

bool RadioUnit::sampling(platform::AbsTime host) const {
    return poweredUp(host) && schedule().samplingAt(clock_.read(host));
}

bool RadioUnit::awake(platform::AbsTime host) const {
    return poweredUp(host) &&
           (schedule().samplingAt(clock_.read(host)) || host - lastCommand_ < kAwakeAfterCommand);
}

void RadioUnit::command(platform::AbsTime host, std::string_view text, std::vector<std::string>& out) {
    lastCommand_ = host;
    std::vector<std::string> replies;
    answerRadioCommand(*this, host, text, replies);
    for (const std::string& m : variant_.unanswered)
        if (text.substr(0, m.size()) == m) return;
    out.insert(out.end(), replies.begin(), replies.end());
}

void RadioUnit::broadcastPower(platform::AbsTime host, int value) {
    if (value == 1) {
        asleep_ = false;
        powerDownAt_ = -1;
        settings_.power = 1;
        settings_.startTimeSwitch = 0;
        settings_.burstLength = 0;
        restartSampling(host);
    } else if (value == 2) {
        asleep_ = true;
        powerDownAt_ = -1;
    }
}

void RadioUnit::restartSampling(platform::AbsTime host) {
    burst_.clear();
    textCount_ = 0;
    nextSample_ = host;
}

double RadioUnit::reading(platform::AbsTime host) const {
    const int set = unitType_ == 0 && settings_.currentMode != 1 ? 1 : 0;
    const Calibration& c = settings_.calibration[static_cast<std::size_t>(set)];
    const double v = signal_.level(host) * c.gain + c.offset;
    return std::clamp(v, 0.0, c.staffLength);
}

char RadioUnit::batteryLetter() const {
    if (!onBattery(unitType_)) return 'G';
    const double v = settings_.batteryVoltage;
    return v >= 2.67 ? 'G' : v >= 2.62 ? 'L' : 'B';
}

char RadioUnit::batteryDigit() const {
    switch (batteryLetter()) {
    case 'G': return '0';
    case 'L': return '2';
    default: return '3';
    }
}

double RadioUnit::temperature(platform::AbsTime host) const {
    return 17.5 + 2.0 * std::sin(host / 86400.0 * 6.283185307) + 0.1 * (address_ % 7);
}

void RadioUnit::advance(platform::AbsTime host, std::vector<std::string>& out) {
    if (powerDownAt_ >= 0 && host >= powerDownAt_) {
        asleep_ = true;
        powerDownAt_ = -1;
    }
    if (host - nextSample_ > kMaxCatchUp) restartSampling(host);
    const double period = 1.0 / std::max(1, settings_.sampleRate);
    while (nextSample_ <= host) {
        takeSample(nextSample_, out);
        nextSample_ += period;
    }
}

void RadioUnit::later(platform::AbsTime at, std::string text) {
    auto it = later_.begin();
    while (it != later_.end() && it->first <= at) ++it;
    later_.insert(it, {at, std::move(text)});
}

void RadioUnit::sendDue(platform::AbsTime host, std::vector<std::string>& out) {
    auto due = later_.begin();
    while (due != later_.end() && due->first <= host) out.push_back(std::move((due++)->second));
    later_.erase(later_.begin(), due);
}

void RadioUnit::takeSample(platform::AbsTime t, std::vector<std::string>& out) {
    if (!sampling(t)) {
        burst_.clear();
        textCount_ = 0;
        return;
    }
    const DataFormat* format = findDataFormat(settings_.dataFormat);
    const int device = settings_.deviceNumber;
    const int rate = settings_.sampleRate;
    const platform::AbsTime unitTime = clock_.read(t);
    if (!format || format->message == 'C') {
        // One text per sample; every 32 samples begin with the unit's date and time (which
        // reset the host's sample count), its temperature and its battery state.
        if (textCount_ % 32 == 0) {
            out.push_back(messages::date(device, unitTime));
            out.push_back(messages::time(device, unitTime));
            out.push_back(messages::temperature(device, temperature(t)));
            out.push_back(messages::powerState(device, batteryLetter()));
        }
        ++textCount_;
        out.push_back(messages::sample(device, rate, reading(t)));
        lastReported_ = t;
        return;
    }
    if (burst_.empty()) burstStart_ = unitTime;
    burst_.push_back(reading(t));
    if (static_cast<int>(burst_.size()) == format->samples) {
        out.push_back(messages::burst(format->message, device, rate, batteryDigit(), burstStart_, burst_));
        burst_.clear();
        lastReported_ = t;
    }
}

}  // namespace sim
