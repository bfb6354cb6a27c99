#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"

namespace sim {

class RadioUnit;

// A command text split into its mnemonic and value ("WS,8\r\n" -> "WS", "8").
struct CommandText {
    std::string_view mnemonic;
    std::string_view value;
    bool hasValue = false;
};
CommandText splitCommand(std::string_view text);

// "$", the mnemonic, a comma, the value, CR LF.
std::string replyText(std::string_view mnemonic, std::string_view value);

// Parses "yy-mm-ddThh:mm[:ss]" (two-digit year after 2000); false when malformed.
bool parseShortDateTime(std::string_view text, bool withSeconds, platform::AbsTime& out);

// Answers one command of the radio units' command set; false when this unit type does not take
// the mnemonic (the unit then stays silent, as the real firmware does).
bool answerRadioCommand(RadioUnit& unit, platform::AbsTime host, std::string_view text,
                        std::vector<std::string>& out);

}  // namespace sim
