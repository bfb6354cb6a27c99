#include "platform/panel.h"

#include <algorithm>
#include <cstdio>

#include "platform/control_table.h"

namespace platform {

namespace {
const std::string kEmpty;
std::size_t idx(Ctl id) { return static_cast<std::size_t>(ctlIndex(id)); }
}  // namespace

Panel::Panel() : states_(static_cast<std::size_t>(kCtlCount)), graphIndex_(states_.size(), -1) {
    for (const ControlSpec& spec : controlTable()) {
        State& s = states_[idx(spec.id)];
        s.num = spec.defValue;
        s.text = std::string(spec.defText);
        s.label = std::string(spec.caption);
        s.dimmed = spec.startDimmed;
        s.visible = spec.startVisible;
        s.lo = spec.minValue;
        s.hi = spec.maxValue;
        s.color = spec.onColor;
        for (const RingItem& item : spec.items) s.items.push_back({std::string(item.label), item.value});
        if (!s.items.empty()) {
            auto it = std::find_if(s.items.begin(), s.items.end(),
                                   [&](const Item& i) { return i.value == spec.defValue; });
            s.selected = it == s.items.end() ? 0 : static_cast<int>(it - s.items.begin());
            s.num = s.items[static_cast<std::size_t>(s.selected)].value;
        }
        if (spec.kind == Kind::Table) {
            s.rows = spec.tableRows;
            s.cols = spec.tableCols;
            s.cells.assign(static_cast<std::size_t>(s.rows * s.cols), std::string());
        }
        if (spec.kind == Kind::Timer) {
            s.timerMs = spec.timerMs;
            s.timerOn = spec.timerEnabled;
        }
        if (spec.kind == Kind::Graph) {
            graphIndex_[idx(spec.id)] = static_cast<int>(graphs_.size());
            graphs_.emplace_back();
        }
    }
    // The hooks capture `this`; the graphs vector no longer grows after this point.
    for (std::size_t i = 0; i < graphIndex_.size(); ++i) {
        if (graphIndex_[i] < 0) continue;
        Ctl id = static_cast<Ctl>(i);
        graphs_[static_cast<std::size_t>(graphIndex_[i])].setChangeHook(
            [this, id] { notify(id, Attr::Graph); });
    }
}

Panel::State& Panel::at(Ctl id) { return states_[idx(id)]; }
const Panel::State& Panel::at(Ctl id) const { return states_[idx(id)]; }

void Panel::notify(Ctl id, Attr a) {
    for (PanelObserver* o : observers_) o->controlChanged(id, a);
}

double Panel::value(Ctl id) const { return at(id).num; }
int Panel::intValue(Ctl id) const { return static_cast<int>(at(id).num); }

void Panel::setValue(Ctl id, double v) {
    State& s = at(id);
    if (!s.items.empty()) {
        // A ring shows the item with that value; an unknown value leaves the ring as it is.
        int i = indexOfValue(id, v);
        if (i < 0) return;
        s.selected = i;
    }
    if (s.num == v) return;
    s.num = v;
    notify(id, Attr::Value);
}

void Panel::setReportedValue(Ctl id, double v) {
    State& s = at(id);
    if (s.items.empty()) {
        setValue(id, v);
        return;
    }
    const int index = indexOfValue(id, v);
    if (s.reportedItem && index != static_cast<int>(s.items.size()) - 1) {
        s.reportedItem = false;
        deleteItem(id, static_cast<int>(s.items.size()) - 1);
    }
    if (index < 0) {
        char label[32];
        std::snprintf(label, sizeof label, "%g", v);
        insertItem(id, -1, label, v);
        s.reportedItem = true;
    }
    setValue(id, v);
}

std::uint64_t Panel::u64(Ctl id) const { return at(id).u64; }

void Panel::setU64(Ctl id, std::uint64_t v) {
    State& s = at(id);
    if (s.u64 == v) return;
    s.u64 = v;
    notify(id, Attr::Value);
}

const std::string& Panel::text(Ctl id) const { return at(id).text; }

void Panel::setText(Ctl id, std::string_view t) {
    State& s = at(id);
    if (s.text == t) return;
    s.text.assign(t);
    notify(id, Attr::Value);
}

void Panel::defaultCtrl(Ctl id) {
    const ControlSpec& spec = controlSpec(id);
    State& s = at(id);
    s.u64 = 0;
    s.text.assign(spec.defText);
    if (!s.items.empty()) {
        int i = indexOfValue(id, spec.defValue);
        s.selected = i < 0 ? 0 : i;
        s.num = s.items[static_cast<std::size_t>(s.selected)].value;
    } else {
        s.num = spec.defValue;
    }
    if (spec.kind == Kind::Table) std::fill(s.cells.begin(), s.cells.end(), std::string());
    notify(id, Attr::Value);
}

bool Panel::dimmed(Ctl id) const { return at(id).dimmed; }
void Panel::setDimmed(Ctl id, bool d) {
    State& s = at(id);
    if (s.dimmed == d) return;
    s.dimmed = d;
    notify(id, Attr::Dimmed);
}

bool Panel::visible(Ctl id) const { return at(id).visible; }
void Panel::setVisible(Ctl id, bool v) {
    State& s = at(id);
    if (s.visible == v) return;
    s.visible = v;
    notify(id, Attr::Visible);
}

const std::string& Panel::label(Ctl id) const { return at(id).label; }
void Panel::setLabel(Ctl id, std::string_view l) {
    State& s = at(id);
    if (s.label == l) return;
    s.label.assign(l);
    notify(id, Attr::Label);
}

Rgb Panel::textColor(Ctl id) const { return at(id).textColor; }
void Panel::setTextColor(Ctl id, Rgb c) {
    State& s = at(id);
    if (s.textColor == c) return;
    s.textColor = c;
    notify(id, Attr::TextColor);
}

Rgb Panel::color(Ctl id) const { return at(id).color; }
void Panel::setColor(Ctl id, Rgb c) {
    State& s = at(id);
    if (s.color == c) return;
    s.color = c;
    notify(id, Attr::Color);
}

double Panel::minValue(Ctl id) const { return at(id).lo; }
double Panel::maxValue(Ctl id) const { return at(id).hi; }
void Panel::setRange(Ctl id, double lo, double hi) {
    State& s = at(id);
    s.lo = lo;
    s.hi = hi;
    notify(id, Attr::Range);
}

bool Panel::checked(Ctl id) const { return at(id).checked; }
void Panel::setChecked(Ctl id, bool c) {
    State& s = at(id);
    if (s.checked == c) return;
    s.checked = c;
    notify(id, Attr::Checked);
}

const std::vector<Panel::Item>& Panel::items(Ctl id) const { return at(id).items; }

void Panel::clearItems(Ctl id) {
    State& s = at(id);
    s.items.clear();
    s.reportedItem = false;
    s.selected = -1;
    s.num = 0;
    notify(id, Attr::Items);
}

void Panel::insertItem(Ctl id, int index, std::string_view label, double value) {
    State& s = at(id);
    Item item{std::string(label), value};
    if (index < 0 || index >= static_cast<int>(s.items.size())) {
        s.items.push_back(std::move(item));
    } else {
        s.items.insert(s.items.begin() + index, std::move(item));
        if (s.selected >= index) ++s.selected;
    }
    if (s.selected < 0) {
        s.selected = 0;
        s.num = s.items.front().value;
    }
    notify(id, Attr::Items);
}

void Panel::deleteItem(Ctl id, int index) {
    State& s = at(id);
    if (index < 0 || index >= static_cast<int>(s.items.size())) return;
    s.items.erase(s.items.begin() + index);
    if (s.items.empty()) {
        s.selected = -1;
        s.num = 0;
    } else if (s.selected >= static_cast<int>(s.items.size()) || s.selected > index) {
        s.selected = std::max(0, s.selected - 1);
        s.num = s.items[static_cast<std::size_t>(s.selected)].value;
    } else if (s.selected == index) {
        s.num = s.items[static_cast<std::size_t>(s.selected)].value;
    }
    notify(id, Attr::Items);
}

int Panel::itemCount(Ctl id) const { return static_cast<int>(at(id).items.size()); }
int Panel::selectedIndex(Ctl id) const { return at(id).selected; }

std::string Panel::itemLabel(Ctl id, double value) const {
    const int i = indexOfValue(id, value);
    return i < 0 ? std::string() : at(id).items[static_cast<std::size_t>(i)].label;
}

void Panel::setSelectedIndex(Ctl id, int index) {
    State& s = at(id);
    if (index < 0 || index >= static_cast<int>(s.items.size())) return;
    s.selected = index;
    s.num = s.items[static_cast<std::size_t>(index)].value;
    notify(id, Attr::Value);
}

int Panel::indexOfValue(Ctl id, double value) const {
    const auto& items = at(id).items;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].value == value) return static_cast<int>(i);
    }
    return -1;
}

void Panel::setTableSize(Ctl id, int rows, int cols) {
    State& s = at(id);
    s.rows = std::max(0, rows);
    s.cols = std::max(0, cols);
    s.cells.assign(static_cast<std::size_t>(s.rows * s.cols), std::string());
    notify(id, Attr::Cells);
}

int Panel::tableRows(Ctl id) const { return at(id).rows; }
int Panel::tableCols(Ctl id) const { return at(id).cols; }

const std::string& Panel::cell(Ctl id, int row, int col) const {
    const State& s = at(id);
    if (row < 0 || col < 0 || row >= s.rows || col >= s.cols) return kEmpty;
    return s.cells[static_cast<std::size_t>(row * s.cols + col)];
}

void Panel::setCell(Ctl id, int row, int col, std::string_view t) {
    State& s = at(id);
    if (row < 0 || col < 0 || row >= s.rows || col >= s.cols) return;
    std::string& c = s.cells[static_cast<std::size_t>(row * s.cols + col)];
    if (c == t) return;
    c.assign(t);
    notify(id, Attr::Cells);
}

const std::vector<ColorStop>& Panel::colorRamp(Ctl id) const { return at(id).ramp; }
void Panel::setColorRamp(Ctl id, std::vector<ColorStop> ramp) {
    at(id).ramp = std::move(ramp);
    notify(id, Attr::Ramp);
}

int Panel::timerInterval(Ctl id) const { return at(id).timerMs; }
void Panel::setTimerInterval(Ctl id, int ms) {
    State& s = at(id);
    if (s.timerMs == ms) return;
    s.timerMs = ms;
    notify(id, Attr::Timer);
}

bool Panel::timerEnabled(Ctl id) const { return at(id).timerOn; }
void Panel::setTimerEnabled(Ctl id, bool on) {
    State& s = at(id);
    if (s.timerOn == on) return;
    s.timerOn = on;
    notify(id, Attr::Timer);
}

Graph& Panel::graph(Ctl id) {
    int g = graphIndex_[idx(id)];
    return graphs_[static_cast<std::size_t>(g < 0 ? 0 : g)];
}

const Graph& Panel::graph(Ctl id) const {
    int g = graphIndex_[idx(id)];
    return graphs_[static_cast<std::size_t>(g < 0 ? 0 : g)];
}

void Panel::onEvent(Ctl id, ControlCallback cb) { at(id).callback = std::move(cb); }

void Panel::onAnyEvent(std::function<void(Ctl, Event, const EventData&)> cb) {
    anyEvent_ = std::move(cb);
}

void Panel::raise(Ctl id, Event e, EventData data) {
    // A dimmed control takes no operator action; timers tick only while enabled.
    State& s = at(id);
    if (e == Event::TimerTick && !s.timerOn) return;
    if (s.dimmed && (e == Event::Commit || e == Event::KeyPress || e == Event::ValueChanged)) return;
    if (e == Event::RightClick && help_ && !controlSpec(id).helpTitle.empty()) {
        help_(id);
        return;
    }
    if (s.callback) {
        ControlCallback cb = s.callback;  // the callback may replace itself
        cb(e, data);
    } else if (anyEvent_) {
        anyEvent_(id, e, data);
    }
}

void Panel::onHelp(std::function<void(Ctl)> cb) { help_ = std::move(cb); }

void Panel::addObserver(PanelObserver* o) { observers_.push_back(o); }
void Panel::removeObserver(PanelObserver* o) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), o), observers_.end());
}

}  // namespace platform
