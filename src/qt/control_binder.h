#pragma once
#include <QObject>
#include <QTimer>
#include <vector>

#include "platform/panel.h"

class QAction;
class QLabel;
class QMenu;
class QWidget;

namespace qtui {

// Binds widgets, menu actions and timers to the panel model in both directions.
// Model -> view: every change marks the control dirty; dirty controls are written to their
// widgets at most once per screen frame (a single-shot timer of about 16 ms), so hundreds of
// model changes per second cost one repaint. The model stays authoritative: the view reads it
// when it flushes, so no value is lost whatever the rate.
// View -> model: operator actions set the model and raise the control's events (commit,
// right-click, key press, lost focus); timers raise TimerTick. Widgets written from the model
// do not echo back as operator actions.
class ControlBinder : public QObject, public platform::PanelObserver {
    Q_OBJECT
public:
    static constexpr int kFlushMs = 16;

    explicit ControlBinder(platform::Panel& panel, QObject* parent = nullptr);
    ~ControlBinder() override;

    // The widget of a control of the table, bound and showing the model's state.
    QWidget* createWidget(platform::Ctl id, QWidget* parent);
    // A caption for a control; follows its label, visibility and dimming.
    QLabel* createLabel(platform::Ctl id, QWidget* parent);
    QAction* createAction(platform::Ctl id, QMenu* menu, const QString& text);
    QTimer* createTimer(platform::Ctl id);
    // A frame (group box, header) that is hidden while every one of its members is hidden.
    void addFrame(QWidget* frame, std::vector<platform::Ctl> members);

    QWidget* widget(platform::Ctl id) const { return at(id).widget; }
    QLabel* label(platform::Ctl id) const { return at(id).label; }
    QAction* action(platform::Ctl id) const { return at(id).action; }
    QTimer* timer(platform::Ctl id) const { return at(id).timer; }
    platform::Panel& panel() { return panel_; }

    // Stops all traffic in both directions; the window calls it before its widgets go, so
    // that their teardown (focus moving, timers) raises nothing in the program.
    void detach();

    // Writes every pending change now (tests; before a screenshot).
    void flushNow();
    bool flushPending() const { return flushTimer_.isActive(); }

    void controlChanged(platform::Ctl id, platform::Attr what) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Bound {
        QWidget* widget = nullptr;
        QLabel* label = nullptr;
        QAction* action = nullptr;
        QTimer* timer = nullptr;
        bool enterPressed = false;  // Enter in an entry commits even an unchanged value
    };
    struct Frame {
        QWidget* frame;
        std::vector<platform::Ctl> members;
    };
    Bound& at(platform::Ctl id) { return bound_[static_cast<std::size_t>(platform::ctlIndex(id))]; }
    const Bound& at(platform::Ctl id) const {
        return bound_[static_cast<std::size_t>(platform::ctlIndex(id))];
    }

    void apply(platform::Ctl id, unsigned attrs);
    void applyValue(platform::Ctl id);
    void applyItems(platform::Ctl id);
    void applyCells(platform::Ctl id);
    void applyRange(platform::Ctl id);
    void applyTextColor(platform::Ctl id);
    void applyTimer(platform::Ctl id);
    void updateFrames();
    void connectWidget(platform::Ctl id, QWidget* w);
    void watch(platform::Ctl id, QWidget* w);
    void commitEntry(platform::Ctl id);
    void focusChanged(QWidget* old, QWidget* now);
    static int ctlOf(const QObject* o);

    platform::Panel& panel_;
    std::vector<Bound> bound_;
    std::vector<unsigned> dirty_;  // per control: bits of platform::Attr
    std::vector<platform::Ctl> dirtyList_;
    std::vector<Frame> frames_;
    QTimer flushTimer_;
    bool writing_ = false;  // the view is writing widgets from the model
    int wheelTarget_ = -1;  // the control the operator last clicked or tabbed into
    bool detached_ = false;
};

}  // namespace qtui
