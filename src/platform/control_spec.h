#pragma once
#include <span>
#include <string_view>

#include "platform/ctl.h"
#include "platform/rgb.h"

namespace platform {

// Where a control lives: the main panel or one of the five tab pages, in tab order.
enum class Page : std::uint8_t { Main, Plot, Analysis, Config, LoggerPorts, Upload };
inline constexpr int kPageCount = 6;

enum class Kind : std::uint8_t {
    Ring,       // list of labelled values; value = the selected item's value
    Button,     // commit only
    Switch,     // on/off toggle, value 0/1 (or a ring of states via items)
    Check,      // check box, value 0/1
    Numeric,    // number entry (integer when precision is 0)
    Hex64,      // unsigned 64-bit number shown as hexadecimal (addresses, PAN IDs)
    TextEntry,  // editable text
    TextMsg,    // read-only text (status texts, labels)
    TextBox,    // multi-line read-only text
    Led,        // round indicator; value 0/1, colour = on colour
    Gauge,      // read-only numeric indicator shown as a bar
    Slider,     // whole number chosen along its range (a position in a file, say)
    Table,      // grid of text cells
    Graph,      // plot area (see Graph)
    Decoration, // header or frame without a value; right-click help only
    MenuItem,   // menu bar command; `frame` names the menu
    Timer,      // periodic timer; `timerMs` is its period
};

struct RingItem {
    std::string_view label;
    double value;
};

// One row of the control table: everything the panel model and the Qt view need to build a
// control, its start state and its right-click help.
struct ControlSpec {
    Ctl id;
    Page page = Page::Main;
    Kind kind = Kind::TextMsg;
    std::string_view caption;  // label shown beside or on the control
    std::string_view frame;    // caption of the group frame (menu name for menu items)
    double defValue = 0;
    double minValue = 0;
    double maxValue = 0;  // min == max means unbounded
    int precision = 0;    // decimals shown by numeric controls
    std::span<const RingItem> items = {};
    std::string_view defText = {};
    bool startDimmed = false;
    bool startVisible = true;
    std::string_view helpTitle = {};
    std::string_view helpText = {};
    int timerMs = 0;        // timers: period
    bool timerEnabled = false;
    int tableRows = 0;      // tables
    int tableCols = 0;
    Rgb onColor = 0;        // LEDs: start on-colour
    bool indicator = false; // shows a value the program writes; the operator cannot edit it
    bool wraps = false;     // text messages: a sentence that wraps rather than widen its frame
    std::string_view shortcut = {};  // menu items: the key sequence shown beside it, "Ctrl+O"
    // Rings whose items come and go (serial ports): the closed box widens to show the longest
    // item whole, up to a limit, and in a frame of A and B columns it spans both.
    bool fitsItems = false;
};

}  // namespace platform
