#pragma once
#include "platform/panel.h"

namespace platform {

// Pending edits: a key typed into a numeric entry colours its text red and shows the main
// panel's entry hint; sending the value or leaving the entry restores both.
inline void followEntryHint(Panel& panel, Ctl entry, Event e) {
    if (e == Event::KeyPress) {
        panel.setTextColor(entry, kRed);
        panel.setVisible(Ctl::EntryHint, true);
    } else if (e == Event::Commit || e == Event::LostFocus) {
        panel.setTextColor(entry, kBlack);
        panel.setVisible(Ctl::EntryHint, false);
    }
}

}  // namespace platform
