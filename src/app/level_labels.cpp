#include "app/level_labels.h"

#include "platform/control_table.h"
#include "platform/level_unit.h"

namespace app {

using platform::Ctl;

namespace {

// The controls that show readings: the live data column and the plot and analysis pages.
bool showsReadings(const platform::ControlSpec& spec) {
    return spec.id == Ctl::OutputDataID || spec.page == platform::Page::Plot ||
           spec.page == platform::Page::Analysis;
}

}  // namespace

void LevelLabels::update() {
    const std::string unit(platform::levelUnit(
        session_.UnitType, panel_.intValue(Ctl::SMI_BarMeters) == 1));
    if (unit == unit_) return;
    unit_ = unit;
    for (const platform::ControlSpec& spec : platform::controlTable()) {
        if (!showsReadings(spec)) continue;
        // Only captions that name the unit change (in bar they read otherwise).
        if (platform::inLevelUnit(spec.caption, "bar") != spec.caption)
            panel_.setLabel(spec.id, platform::inLevelUnit(spec.caption, unit_));
        if (spec.items.empty() || spec.kind != platform::Kind::Ring) continue;
        const int selected = panel_.selectedIndex(spec.id);
        panel_.clearItems(spec.id);
        for (const platform::RingItem& item : spec.items)
            panel_.insertItem(spec.id, -1, platform::inLevelUnit(item.label, unit_), item.value);
        panel_.setSelectedIndex(spec.id, selected);
    }
    chart_.setLevelUnit(unit_);
    analysis_.setLevelUnit(unit_);
}

}  // namespace app
