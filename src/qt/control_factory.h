#pragma once
#include <QString>
#include <QWidget>
#include <cstdint>

#include "platform/control_spec.h"
#include "platform/graph.h"

namespace qtui {

// Whether a control only shows what the program writes (status texts, lamps, gauges, row
// values) rather than taking input.
bool isReadOnly(const platform::ControlSpec& spec);

// The widget for one row of the control table, not yet bound to the model. `graph` is the plot
// model of Graph controls and may be null for other kinds.
//   Ring: QComboBox          Button: QPushButton      Switch: ToggleSwitch (QComboBox with
//   Check: QCheckBox         Numeric: QDoubleSpinBox    more than two states)
//   Hex64, TextEntry: QLineEdit                      read-only values: QLabel
//   TextBox: QPlainTextEdit  Led: LedWidget          Gauge: QProgressBar
//   Table: QTableWidget      Graph: PlotWidget        Decoration: QLabel (header)
QWidget* makeControlWidget(const platform::ControlSpec& spec, platform::Graph* graph,
                           QWidget* parent);

// Gives a read-only label the look of a value field (sunken frame, base colour).
void makeFieldLook(QWidget* label, bool number);

// Widths are kept in characters of the current font, so that they follow a font change (the
// scale-on-resize option). applyCharWidths re-measures every widget under root.
void setCharWidth(QWidget* w, int chars);
void applyCharWidths(QWidget* root);

QString formatNumber(double v, int precision);
QString formatHex64(std::uint64_t v);

}  // namespace qtui
