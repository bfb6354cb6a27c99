#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/control_spec.h"
#include "platform/graph.h"

namespace platform {

// What a control reports to the program.
enum class Event : std::uint8_t {
    Commit,        // the operator acted on it (button pressed, ring chosen, value entered)
    RightClick,    // help request
    KeyPress,      // a key typed into an entry
    LostFocus,
    ValueChanged,  // value changed while the operator is still editing
    TimerTick,
    Close,         // the main window's close request
};

struct EventData {
    int data1 = 0;  // table row, key code, ...
    int data2 = 0;  // table column, ...
};

// Which attribute of a control changed, for observers.
enum class Attr : std::uint8_t {
    Value, Dimmed, Visible, Label, TextColor, Color, Range, Items, Cells, Ramp, Timer, Checked, Graph
};

struct ColorStop {
    double value;
    Rgb color;
};

class PanelObserver {
public:
    virtual ~PanelObserver() = default;
    virtual void controlChanged(Ctl id, Attr what) = 0;
};

using ControlCallback = std::function<void(Event, const EventData&)>;

// The control model: every control of the program with the attributes the program reads and
// writes, the events it raises, and observers so a view can follow every change. It knows
// nothing of any widget toolkit. Start state comes from the control table.
class Panel {
public:
    Panel();
    Panel(const Panel&) = delete;
    Panel& operator=(const Panel&) = delete;

    // Values. Rings hold the value of the selected item; Hex64 controls hold a 64-bit value.
    double value(Ctl id) const;
    int intValue(Ctl id) const;
    void setValue(Ctl id, double v);
    // A value a unit reported: a ring that lacks it shows the number itself (as an item of its
    // own, gone again once the ring shows one of its values), never another item.
    void setReportedValue(Ctl id, double v);
    std::uint64_t u64(Ctl id) const;
    void setU64(Ctl id, std::uint64_t v);
    const std::string& text(Ctl id) const;
    void setText(Ctl id, std::string_view t);
    void defaultCtrl(Ctl id);  // back to the table's default value and text

    // Attributes.
    bool dimmed(Ctl id) const;
    void setDimmed(Ctl id, bool d);
    bool visible(Ctl id) const;
    void setVisible(Ctl id, bool v);
    const std::string& label(Ctl id) const;
    void setLabel(Ctl id, std::string_view l);
    Rgb textColor(Ctl id) const;
    void setTextColor(Ctl id, Rgb c);
    Rgb color(Ctl id) const;  // LED on-colour, frame colour
    void setColor(Ctl id, Rgb c);
    double minValue(Ctl id) const;
    double maxValue(Ctl id) const;
    void setRange(Ctl id, double lo, double hi);
    bool checked(Ctl id) const;  // menu items
    void setChecked(Ctl id, bool c);

    // Rings (list controls).
    struct Item {
        std::string label;
        double value;
    };
    const std::vector<Item>& items(Ctl id) const;
    void clearItems(Ctl id);
    void insertItem(Ctl id, int index, std::string_view label, double value);  // -1 appends
    void deleteItem(Ctl id, int index);
    int itemCount(Ctl id) const;
    int selectedIndex(Ctl id) const;  // -1 when the ring is empty
    void setSelectedIndex(Ctl id, int index);
    int indexOfValue(Ctl id, double value) const;  // -1 when absent
    // The label of the item holding value; "" when the ring has none.
    std::string itemLabel(Ctl id, double value) const;

    // Tables: text cells, row and column from 0.
    void setTableSize(Ctl id, int rows, int cols);
    int tableRows(Ctl id) const;
    int tableCols(Ctl id) const;
    const std::string& cell(Ctl id, int row, int col) const;
    void setCell(Ctl id, int row, int col, std::string_view t);

    // Colour ramps (numeric indicators that change colour with their value).
    const std::vector<ColorStop>& colorRamp(Ctl id) const;
    void setColorRamp(Ctl id, std::vector<ColorStop> ramp);

    // Timers are controls too.
    int timerInterval(Ctl id) const;  // milliseconds
    void setTimerInterval(Ctl id, int ms);
    bool timerEnabled(Ctl id) const;
    void setTimerEnabled(Ctl id, bool on);

    // Graph controls own a plot model.
    Graph& graph(Ctl id);
    const Graph& graph(Ctl id) const;

    // Events: the program installs one callback per control; a view raises events.
    void onEvent(Ctl id, ControlCallback cb);
    // A fallback for controls without a callback of their own (used for right-click help).
    void onAnyEvent(std::function<void(Ctl, Event, const EventData&)> cb);
    // Right-click on a control whose table row has a help title goes here instead of to the
    // control's callback.
    void onHelp(std::function<void(Ctl)> cb);
    void raise(Ctl id, Event e, EventData data = {});

    void addObserver(PanelObserver* o);
    void removeObserver(PanelObserver* o);

private:
    struct State {
        double num = 0;
        std::uint64_t u64 = 0;
        std::string text;
        std::string label;
        bool dimmed = false;
        bool visible = true;
        bool checked = false;
        Rgb textColor = kBlack;
        Rgb color = 0;
        double lo = 0, hi = 0;
        std::vector<Item> items;
        int selected = -1;
        bool reportedItem = false;  // the last item is a value a unit reported, not the ring's
        int rows = 0, cols = 0;
        std::vector<std::string> cells;
        std::vector<ColorStop> ramp;
        int timerMs = 0;
        bool timerOn = false;
        ControlCallback callback;
    };
    State& at(Ctl id);
    const State& at(Ctl id) const;
    void notify(Ctl id, Attr a);

    std::vector<State> states_;
    std::vector<Graph> graphs_;
    std::vector<int> graphIndex_;
    std::vector<PanelObserver*> observers_;
    std::function<void(Ctl, Event, const EventData&)> anyEvent_;
    std::function<void(Ctl)> help_;
};

}  // namespace platform
