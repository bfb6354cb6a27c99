#pragma once
#include <QFont>
#include <QObject>
#include <QSize>

class QWidget;

namespace qtui {

// Scales a window's contents (fonts, and with them every control sized from the font) with
// the window's size, relative to its size when scaling was switched on. Switching it off
// returns the contents to their normal size.
class WindowScaler : public QObject {
    Q_OBJECT
public:
    WindowScaler(QWidget* window, QWidget* content);

    void setEnabled(bool on);
    bool isEnabled() const { return enabled_; }
    double factor() const { return factor_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rescale();
    void applyFactor(double f);

    QWidget* window_;
    QWidget* content_;
    bool enabled_ = false;
    bool busy_ = false;
    QSize baseSize_;
    QFont baseFont_;
    double factor_ = 1.0;
};

}  // namespace qtui
