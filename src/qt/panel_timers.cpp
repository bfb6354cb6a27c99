#include "qt/panel_timers.h"

#include <algorithm>

#include "platform/control_table.h"

namespace qtui {

using platform::Ctl;

PanelTimers::PanelTimers(platform::Panel& panel, QObject* parent) : QObject(parent), panel_(panel) {
    for (const platform::ControlSpec& spec : platform::controlTable()) {
        if (spec.kind != platform::Kind::Timer) continue;
        auto* t = new QTimer(this);
        t->setObjectName(platform::ctlName(spec.id));
        const Ctl id = spec.id;
        connect(t, &QTimer::timeout, this, [this, id] { panel_.raise(id, platform::Event::TimerTick); });
        timers_[static_cast<std::size_t>(platform::ctlIndex(id))] = t;
        apply(id);
    }
    panel_.addObserver(this);
}

PanelTimers::~PanelTimers() { panel_.removeObserver(this); }

void PanelTimers::controlChanged(Ctl id, platform::Attr what) {
    if (what == platform::Attr::Timer) apply(id);
}

void PanelTimers::apply(Ctl id) {
    QTimer* t = timers_[static_cast<std::size_t>(platform::ctlIndex(id))];
    if (!t) return;
    const int ms = std::max(1, panel_.timerInterval(id));
    if (t->interval() != ms) t->setInterval(ms);
    const bool on = panel_.timerEnabled(id);
    if (on && !t->isActive()) t->start();
    if (!on && t->isActive()) t->stop();
}

}  // namespace qtui
