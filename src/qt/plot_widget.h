#pragma once
#include <QWidget>

#include "platform/graph.h"
#include "qt/plot_painter.h"

namespace qtui {

// The view of one Graph control. It repaints when told (the binder calls update() at most once
// per screen frame), never per model change.
class PlotWidget : public QWidget {
    Q_OBJECT
public:
    PlotWidget(const platform::Graph& graph, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {640, 320}; }
    QSize minimumSizeHint() const override { return {200, 120}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const platform::Graph& graph_;
    PlotPainter painter_;
};

}  // namespace qtui
