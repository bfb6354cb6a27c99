#pragma once
#include <QAbstractButton>

namespace qtui {

// An on/off switch drawn as a sliding knob in a track; keyboard operable like any button
// (Space toggles).
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit ToggleSwitch(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // A read-only switch shows a state the program sets; mouse and keys do not move it.
    void setReadOnly(bool r);
    bool isReadOnly() const { return readOnly_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool readOnly_ = false;
};

}  // namespace qtui
