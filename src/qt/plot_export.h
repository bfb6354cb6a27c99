#pragma once
#include <QPainter>
#include <QSize>
#include <QString>
#include <span>
#include <string>

#include "platform/graph.h"

namespace qtui {

// The size a graph is drawn at for a picture file.
inline constexpr QSize kExportSize{1600, 900};

// Draws a graph as the window shows it (view, legend, cursors) into a picture file: PNG, or
// SVG (vector) by the extension. Empty on success, else why not.
std::string saveGraphImage(const platform::Graph& graph, const std::string& path,
                           QSize size = kExportSize);

// Draws a title and the lines of a title block at the top of `page`, and the graph fitted
// into the rest of it.
void drawGraphPage(QPainter& p, const QRect& page, const platform::Graph& graph,
                   const QString& title, std::span<const std::string> titleBlock);

}  // namespace qtui
