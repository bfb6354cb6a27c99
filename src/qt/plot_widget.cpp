#include "qt/plot_widget.h"

#include <QPainter>

namespace qtui {

PlotWidget::PlotWidget(const platform::Graph& graph, QWidget* parent)
    : QWidget(parent), graph_(graph) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlotWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    painter_.paint(p, rect().adjusted(2, 2, -2, -2), graph_, palette(), font());
}

}  // namespace qtui
