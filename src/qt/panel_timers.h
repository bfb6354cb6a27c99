#pragma once
#include <QObject>
#include <QTimer>
#include <array>

#include "platform/panel.h"

namespace qtui {

// Runs a QTimer for every timer control of the panel, following its interval and enable state,
// and raises its tick. Used where there is no window to do it (headless runs).
class PanelTimers : public QObject, public platform::PanelObserver {
    Q_OBJECT
public:
    explicit PanelTimers(platform::Panel& panel, QObject* parent = nullptr);
    ~PanelTimers() override;
    void controlChanged(platform::Ctl id, platform::Attr what) override;

private:
    void apply(platform::Ctl id);
    platform::Panel& panel_;
    std::array<QTimer*, platform::kCtlCount> timers_{};
};

}  // namespace qtui
