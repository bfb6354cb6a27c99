#include "qt/led_widget.h"

#include <QPainter>
#include <QRadialGradient>

namespace qtui {

LedWidget::LedWidget(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LedWidget::setOn(bool on) {
    if (on_ == on) return;
    on_ = on;
    update();
}

void LedWidget::setOnColor(QColor c) {
    if (color_ == c) return;
    color_ = c;
    update();
}

QSize LedWidget::sizeHint() const {
    int d = fontMetrics().height();
    return {d, d};
}

void LedWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal d = std::min(width(), height()) - 2.0;
    const QRectF r((width() - d) / 2.0, (height() - d) / 2.0, d, d);
    QColor base = on_ ? color_ : color_.darker(420);
    if (!isEnabled()) base = on_ ? color_.darker(160) : QColor(70, 70, 70);
    QRadialGradient g(r.center() - QPointF(d * 0.18, d * 0.18), d * 0.7);
    g.setColorAt(0, on_ ? base.lighter(160) : base.lighter(130));
    g.setColorAt(1, base);
    p.setBrush(g);
    p.setPen(QPen(palette().color(QPalette::Shadow), 1.0));
    p.drawEllipse(r);
}

}  // namespace qtui
