#include "live/device_table.h"

#include <algorithm>

#include "live/message_text.h"

namespace live {

int DeviceTable::find(std::uint64_t address, std::uint8_t deviceNumber) const {
    for (int i = 0; i < kOutputLineCount; ++i) {
        const OutputLine& e = (*this)[i];
        if (e.NetAddress == address && e.DeviceNum == deviceNumber) return i;
    }
    return -1;
}

DeviceTable::Location DeviceTable::findOrAllocate(std::uint64_t address, std::uint8_t deviceNumber) {
    if (int line = find(address, deviceNumber); line >= 0) return {line, false};
    for (int i = 0; i < kOutputLineCount; ++i) {
        OutputLine& e = (*this)[i];
        if (e.NetAddress != 0 && e.DeviceNum != 0) continue;
        // A reused entry starts blank: the unit that held it before left its offset, time tag
        // and counts behind, and a stale time tag would place the new unit's samples on the
        // chart at the old unit's time.
        e = OutputLine{};
        e.NetAddress = address;
        e.DeviceNum = deviceNumber;
        SortAllDisplayNum();
        return {i, true};
    }
    const Unit unit{address, deviceNumber};
    if (refused_.size() < kMaxRefused &&
        std::find(refused_.begin(), refused_.end(), unit) == refused_.end())
        refused_.push_back(unit);
    return {-1, false};
}

void DeviceTable::SortAllDisplayNum() {
    for (int i = 0; i < kOutputLineCount; ++i) {
        OutputLine& e = (*this)[i];
        int rank = 0;
        if (e.inUse()) {
            for (int j = 0; j < kOutputLineCount; ++j) {
                const OutputLine& o = (*this)[j];
                if (j == i || !o.inUse()) continue;
                if (o.NetAddress < e.NetAddress ||
                    (o.NetAddress == e.NetAddress && o.DeviceNum < e.DeviceNum)) {
                    ++rank;
                }
            }
        }
        e.DisplaySlot = static_cast<std::uint8_t>(rank);
    }
}

void DeviceTable::freeEntry(int line) {
    if (!valid(line)) return;
    (*this)[line].NetAddress = 0;
    (*this)[line].DeviceNum = 0;
}

void DeviceTable::freeAll() {
    refused_.clear();
    for (int i = 0; i < kOutputLineCount; ++i) freeEntry(i);
    SortAllDisplayNum();
}

int DeviceTable::lineAtSlot(int slot) const {
    for (int i = 0; i < kOutputLineCount; ++i) {
        if ((*this)[i].inUse() && (*this)[i].DisplaySlot == slot) return i;
    }
    return -1;
}

void GetDatesTimesFormStr(OutputLine& line) {
    MessageText t(reinterpret_cast<const std::uint8_t*>(line.DateTime.data()),
                  static_cast<int>(line.DateTime.size()) - 1);
    line.Year = t.atoiAt(0);
    line.Month = t.atoiAt(5);
    line.Day = t.atoiAt(8);
    line.Hour = t.atoiAt(11);
    line.Minute = t.atoiAt(14);
    line.Second = t.atoiAt(17);
}

}  // namespace live
