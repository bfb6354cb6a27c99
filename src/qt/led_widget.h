#pragma once
#include <QColor>
#include <QWidget>

namespace qtui {

// A round indicator lamp: lit in its on-colour, a dark shade of it when off. Sized from the
// font so that it scales with the rest of the window.
class LedWidget : public QWidget {
    Q_OBJECT
public:
    explicit LedWidget(QWidget* parent = nullptr);

    void setOn(bool on);
    bool isOn() const { return on_; }
    void setOnColor(QColor c);
    QColor onColor() const { return color_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool on_ = false;
    QColor color_{0x00, 0xCC, 0x00};
};

}  // namespace qtui
