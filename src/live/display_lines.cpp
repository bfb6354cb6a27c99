#include "live/display_lines.h"

#include <array>

namespace live {

using platform::Ctl;

namespace {
// The nine columns of a row, by their row-1 control.
constexpr std::array<Ctl, 9> kColumns{Ctl::Power1,    Ctl::Led1,    Ctl::Address1,
                                      Ctl::Device1,   Ctl::Rate1,   Ctl::DateTime1,
                                      Ctl::Offset1,   Ctl::Output1, Ctl::ZeroAbs1};

Ctl cell(Ctl column, int row) { return platform::ctlAt(column, row); }
}  // namespace

DisplayLines::DisplayLines(platform::Panel& panel, DeviceTable& table)
    : panel_(panel), table_(table) {}

int DisplayLines::GetOutputLineLoc(std::uint64_t address, std::uint8_t deviceNumber) {
    DeviceTable::Location loc = table_.findOrAllocate(address, deviceNumber);
    if (loc.allocated) {
        if (onNewUnit) onNewUnit();
        DisplayAllOutputLines();
    }
    return loc.line;
}

int DisplayLines::DisplayLinesPage() const {
    int page = panel_.intValue(Ctl::PageSelect);
    return page < 1 || page > 3 ? 1 : page;
}

void DisplayLines::WrLine2Display(int line) {
    if (!DeviceTable::valid(line)) return;
    OutputLine& e = table_[line];
    // An entry without a rank (free, or keyed by device number 0) has no row of its own.
    if (!e.inUse()) return;
    const int row = e.DisplaySlot - (DisplayLinesPage() - 1) * kRowsPerPage;
    if (row < 0 || row >= kRowsPerPage) return;

    panel_.setValue(cell(Ctl::Power1, row), e.PowerOn);
    panel_.setValue(cell(Ctl::Led1, row), e.PowerOn);
    switch (e.PowerState) {
        case '0': panel_.setColor(cell(Ctl::Led1, row), platform::kLedGreen); break;
        case '2': panel_.setColor(cell(Ctl::Led1, row), platform::kLedYellow); break;
        case '3': panel_.setColor(cell(Ctl::Led1, row), platform::kRed); break;
        default: break;  // an unknown state leaves the colour as it was
    }
    panel_.setU64(cell(Ctl::Address1, row), e.NetAddress);
    panel_.setValue(cell(Ctl::Device1, row), e.DeviceNum);
    panel_.setValue(cell(Ctl::ZeroAbs1, row), e.ZeroOn);
    if (e.DataKind == kKindBurst || e.DataKind == kKindSample) {
        panel_.setValue(cell(Ctl::Rate1, row), e.SampleRate);
        panel_.setValue(cell(Ctl::Output1, row), e.Value);
        panel_.setValue(cell(Ctl::Offset1, row), e.OffsetTime);
    }
    if (e.DataKind == kKindBurst || e.DataKind == kKindTime) {
        panel_.setText(cell(Ctl::DateTime1, row), e.DateTime.data());
    }
    if (e.DataKind == kKindTime) panel_.setValue(cell(Ctl::Offset1, row), 0);
    UnDimLine(row);
}

void DisplayLines::showMessage(int line, links::FrameSource from) {
    if (!DeviceTable::valid(line)) return;
    OutputLine& e = table_[line];
    // Offset time and temperature follow every message of an entry, whether its row is on the
    // page shown or not, and a mere redraw does not advance the offset time.
    if (e.NetAddress != 0) {
        if (e.DataKind == kKindSample && e.SampleRate != 0) e.OffsetTime += 1000 / e.SampleRate;
        if (e.DataKind == kKindTime) e.OffsetTime = 0;
        if (e.DataKind == kKindTemperature) updateTemperature(e, from);
    }
    WrLine2Display(line);
}

void DisplayLines::updateTemperature(const OutputLine& e, links::FrameSource from) {
    // Each port has its own indicator, so two wired units (or two gauges) each show their own
    // temperature; a played file shows its units' in the third.
    const Ctl used = from == links::FrameSource::PortB  ? Ctl::TempPortB
                     : from == links::FrameSource::File ? Ctl::TempPlayback
                                                        : Ctl::TempPortA;
    panel_.setValue(used, e.Temperature);
    panel_.setDimmed(used, false);
}

void DisplayLines::DisplayAllOutputLines() {
    // Every row of the page shown is redrawn from the entry ranked there, or emptied, so a
    // re-ranking never leaves a row blank or showing a unit that moved.
    const int first = (DisplayLinesPage() - 1) * kRowsPerPage;
    for (int row = 0; row < kRowsPerPage; ++row) {
        const int line = table_.lineAtSlot(first + row);
        if (line >= 0) {
            WrLine2Display(line);
        } else {
            DefaultOutputLine(row);
        }
    }
}

void DisplayLines::ClearAllDisplayLines() {
    for (int row = 0; row < kRowsPerPage; ++row) DefaultOutputLine(row);
}

void DisplayLines::DefaultOutputLine(int row) {
    if (row < 0 || row >= kRowsPerPage) return;
    for (Ctl c : kColumns) panel_.defaultCtrl(cell(c, row));
    DimLine(row);
}

void DisplayLines::DimLine(int row) {
    if (row < 0 || row >= kRowsPerPage) return;
    for (Ctl c : kColumns) panel_.setDimmed(cell(c, row), true);
}

void DisplayLines::UnDimLine(int row) {
    if (row < 0 || row >= kRowsPerPage) return;
    for (Ctl c : kColumns) panel_.setDimmed(cell(c, row), false);
}

void DisplayLines::SelectDisplayLines(platform::Event event) {
    if (event == platform::Event::Commit) ClearAllDisplayLines();
}

}  // namespace live
