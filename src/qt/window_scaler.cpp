#include "qt/window_scaler.h"

#include <QEvent>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "qt/control_factory.h"

namespace qtui {

namespace {
constexpr double kMinFactor = 0.6;
constexpr double kMaxFactor = 3.0;
}  // namespace

WindowScaler::WindowScaler(QWidget* window, QWidget* content)
    : QObject(window), window_(window), content_(content) {
    window_->installEventFilter(this);
}

void WindowScaler::setEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    if (on) {
        baseSize_ = window_->size();
        baseFont_ = content_->font();
        factor_ = 1.0;
    } else {
        applyFactor(1.0);
    }
}

bool WindowScaler::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::Resize && enabled_ && !busy_) rescale();
    return false;
}

void WindowScaler::rescale() {
    if (baseSize_.isEmpty()) return;
    const double f = std::clamp(std::min(double(window_->width()) / baseSize_.width(),
                                         double(window_->height()) / baseSize_.height()),
                                kMinFactor, kMaxFactor);
    // Small steps are not worth a relayout (and a relayout may itself nudge the size).
    if (std::abs(f - factor_) < 0.02) return;
    applyFactor(f);
}

void WindowScaler::applyFactor(double f) {
    busy_ = true;
    factor_ = f;
    QFont font = baseFont_;
    if (baseFont_.pointSizeF() > 0) font.setPointSizeF(baseFont_.pointSizeF() * f);
    else font.setPixelSize(std::max(6, static_cast<int>(std::lround(baseFont_.pixelSize() * f))));
    content_->setFont(f == 1.0 ? baseFont_ : font);
    applyCharWidths(content_);
    busy_ = false;
}

}  // namespace qtui
