#include "qt/toggle_switch.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace qtui {

ToggleSwitch::ToggleSwitch(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void ToggleSwitch::setReadOnly(bool r) {
    readOnly_ = r;
    setFocusPolicy(r ? Qt::NoFocus : Qt::StrongFocus);
    setCursor(r ? Qt::ArrowCursor : Qt::PointingHandCursor);
}

void ToggleSwitch::mousePressEvent(QMouseEvent* event) {
    if (readOnly_) return event->ignore();
    QAbstractButton::mousePressEvent(event);
}

void ToggleSwitch::mouseReleaseEvent(QMouseEvent* event) {
    if (readOnly_) return event->ignore();
    QAbstractButton::mouseReleaseEvent(event);
}

void ToggleSwitch::keyPressEvent(QKeyEvent* event) {
    if (readOnly_) return event->ignore();
    QAbstractButton::keyPressEvent(event);
}

QSize ToggleSwitch::sizeHint() const {
    int h = fontMetrics().height();
    return {h * 2 + 4, h + 2};
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const qreal h = std::min<qreal>(height() - 2, width() / 2.0);
    const QRectF track(1, (height() - h) / 2.0, h * 2, h);
    QColor on = pal.color(QPalette::Highlight);
    QColor off = pal.color(QPalette::Mid);
    QColor trackColor = isChecked() ? on : off;
    if (!isEnabled()) trackColor = trackColor.lighter(isChecked() ? 150 : 115);
    p.setPen(Qt::NoPen);
    p.setBrush(trackColor);
    p.drawRoundedRect(track, h / 2, h / 2);
    const qreal k = h - 4;
    const qreal x = isChecked() ? track.right() - k - 2 : track.left() + 2;
    p.setBrush(isEnabled() ? pal.color(QPalette::Base) : pal.color(QPalette::Window));
    p.setPen(QPen(pal.color(QPalette::Shadow), 0.8));
    p.drawEllipse(QRectF(x, track.top() + 2, k, k));
    if (hasFocus()) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(pal.color(QPalette::Highlight).darker(140), 1.5, Qt::DotLine));
        p.drawRoundedRect(track.adjusted(-0.5, -0.5, 0.5, 0.5), h / 2, h / 2);
    }
}

}  // namespace qtui
