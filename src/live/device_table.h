#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "live/output_line.h"

namespace live {

// The 24 device entries, keyed by network address and device number, ranked in address order.
// Pure state: drawing is DisplayLines' job.
class DeviceTable {
public:
    struct Location {
        int line = -1;       // 0..23, or -1 when every entry is taken
        bool allocated = false;  // true when the entry was given to this unit just now
    };

    // Finds the unit's entry or gives it the first free one. A reused entry starts absolute
    // (zero switch off, offset 0) instead of inheriting the previous unit's zero level.
    Location findOrAllocate(std::uint64_t address, std::uint8_t deviceNumber);
    // The unit's entry, or -1 when it has none.
    int find(std::uint64_t address, std::uint8_t deviceNumber) const;

    // DisplaySlot of every entry: how many entries in use sort before it (address, then device
    // number). Free entries get slot 0.
    void SortAllDisplayNum();

    void freeEntry(int line);
    // Every entry loses its address and device number (unit type or data source changed).
    void freeAll();

    // The entry shown at a display slot, or -1.
    int lineAtSlot(int slot) const;

    OutputLine& operator[](int line) { return OutputLine_[static_cast<std::size_t>(line)]; }
    const OutputLine& operator[](int line) const {
        return OutputLine_[static_cast<std::size_t>(line)];
    }
    static bool valid(int line) { return line >= 0 && line < kOutputLineCount; }

    // Units that found every entry taken: they are neither shown nor recorded. Each is kept
    // once (the first kMaxRefused), so that the operator can be told which.
    struct Unit {
        std::uint64_t address;
        std::uint8_t deviceNumber;
        bool operator==(const Unit&) const = default;
    };
    static constexpr std::size_t kMaxRefused = 64;
    const std::vector<Unit>& refused() const { return refused_; }

private:
    std::array<OutputLine, kOutputLineCount> OutputLine_{};
    std::vector<Unit> refused_;
};

// The six numbers of the time tag "YYYY-MM-DDThh:mm:ss", each read up to its first non-digit.
void GetDatesTimesFormStr(OutputLine& line);

}  // namespace live
