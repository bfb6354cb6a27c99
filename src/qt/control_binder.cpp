#include "qt/control_binder.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDoubleSpinBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSlider>
#include <QSignalBlocker>
#include <QTableWidget>
#include <cmath>
#include <limits>

#include "platform/control_table.h"
#include "qt/control_factory.h"
#include "qt/led_widget.h"
#include "qt/plot_widget.h"

namespace qtui {

using platform::Attr;
using platform::Ctl;
using platform::Event;
using platform::Kind;

namespace {

constexpr const char* kCtlProperty = "fathomCtl";
constexpr unsigned kAllAttrs = ~0u;
// Bounds of a spin box whose table range is open (min == max).
constexpr double kUnbounded = 1e12;

unsigned bit(Attr a) { return 1u << static_cast<unsigned>(a); }

QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
QString q(const std::string& s) { return QString::fromStdString(s); }

QColor rgb(platform::Rgb c) { return QColor(static_cast<QRgb>(c)); }

// Keys that move focus or confirm rather than edit the value.
bool isEditingKey(int key) {
    switch (key) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
        case Qt::Key_AltGr:
            return false;
        default:
            return true;
    }
}

// A label that wraps may break a path or a file name after its separators, which a line
// breaker does not take for word boundaries: a long path wraps instead of widening its frame.
QString breakable(QString text) {
    static const QString kSeparators = QStringLiteral("/\\_.");
    for (qsizetype i = text.size() - 2; i >= 0; --i) {
        if (kSeparators.contains(text[i]) && !text[i + 1].isSpace())
            text.insert(i + 1, QChar(0x200B));
    }
    return text;
}

// Rings, number entries and sliders change their value on the mouse wheel. They do so only
// once the operator has clicked or tabbed into them: a wheel turned over a page to scroll it
// must never change a setting on the way (a unit type changed under a running recording).
bool changesOnWheel(const QWidget* w) {
    return qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QSlider*>(w);
}

}  // namespace

ControlBinder::ControlBinder(platform::Panel& panel, QObject* parent)
    : QObject(parent),
      panel_(panel),
      bound_(static_cast<std::size_t>(platform::kCtlCount)),
      dirty_(static_cast<std::size_t>(platform::kCtlCount), 0) {
    flushTimer_.setSingleShot(true);
    flushTimer_.setInterval(kFlushMs);
    connect(&flushTimer_, &QTimer::timeout, this, &ControlBinder::flushNow);
    connect(qApp, &QApplication::focusChanged, this, &ControlBinder::focusChanged);
    panel_.addObserver(this);
}

ControlBinder::~ControlBinder() { detach(); }

void ControlBinder::detach() {
    if (detached_) return;
    detached_ = true;
    panel_.removeObserver(this);
    disconnect(qApp, nullptr, this, nullptr);
    flushTimer_.stop();
    for (Bound& b : bound_) {
        if (b.timer) b.timer->stop();
    }
}

int ControlBinder::ctlOf(const QObject* o) {
    for (; o; o = o->parent()) {
        QVariant v = o->property(kCtlProperty);
        if (v.isValid()) return v.toInt();
    }
    return -1;
}

QWidget* ControlBinder::createWidget(Ctl id, QWidget* parent) {
    const platform::ControlSpec& spec = platform::controlSpec(id);
    platform::Graph* graph = spec.kind == Kind::Graph ? &panel_.graph(id) : nullptr;
    QWidget* w = makeControlWidget(spec, graph, parent);
    w->setObjectName(platform::ctlName(id));
    w->setProperty(kCtlProperty, platform::ctlIndex(id));
    // Focus by click or Tab only: a wheel notch does not take the focus (and so the value).
    if (changesOnWheel(w)) w->setFocusPolicy(Qt::StrongFocus);
    if (!spec.helpText.empty()) w->setToolTip(q(spec.helpText));
    if (auto* table = qobject_cast<QTableWidget*>(w); table && !spec.caption.empty()) {
        table->setHorizontalHeaderLabels(QStringList(q(spec.caption)));
    }
    at(id).widget = w;
    connectWidget(id, w);
    watch(id, w);
    apply(id, kAllAttrs);
    return w;
}

QLabel* ControlBinder::createLabel(Ctl id, QWidget* parent) {
    auto* l = new QLabel(q(panel_.label(id)), parent);
    l->setProperty(kCtlProperty, platform::ctlIndex(id));
    if (QWidget* w = at(id).widget) l->setBuddy(w);
    const platform::ControlSpec& spec = platform::controlSpec(id);
    if (!spec.helpText.empty()) l->setToolTip(q(spec.helpText));
    l->installEventFilter(this);
    at(id).label = l;
    apply(id, bit(Attr::Visible) | bit(Attr::Dimmed));
    return l;
}

QAction* ControlBinder::createAction(Ctl id, QMenu* menu, const QString& text) {
    auto* a = menu->addAction(text);
    a->setObjectName(platform::ctlName(id));
    if (id == Ctl::MenuScaleResize) a->setCheckable(true);
    connect(a, &QAction::triggered, this, [this, id, a] {
        if (writing_) return;
        // The program owns the check mark: undo Qt's own toggle and let the model decide.
        if (a->isCheckable()) a->setChecked(panel_.checked(id));
        panel_.raise(id, Event::Commit);
        flushNow();
    });
    at(id).action = a;
    apply(id, kAllAttrs);
    return a;
}

QTimer* ControlBinder::createTimer(Ctl id) {
    auto* t = new QTimer(this);
    t->setObjectName(platform::ctlName(id));
    connect(t, &QTimer::timeout, this, [this, id] { panel_.raise(id, Event::TimerTick); });
    at(id).timer = t;
    applyTimer(id);
    return t;
}

void ControlBinder::addFrame(QWidget* frame, std::vector<Ctl> members) {
    frames_.push_back({frame, std::move(members)});
    updateFrames();
}

void ControlBinder::controlChanged(Ctl id, Attr what) {
    unsigned& d = dirty_[static_cast<std::size_t>(platform::ctlIndex(id))];
    if (d == 0) dirtyList_.push_back(id);
    d |= bit(what);
    if (!flushTimer_.isActive()) flushTimer_.start();
}

void ControlBinder::flushNow() {
    flushTimer_.stop();
    bool visibility = false;
    // Applying may not change the model, but take the list first all the same.
    std::vector<Ctl> list;
    list.swap(dirtyList_);
    for (Ctl id : list) {
        unsigned& d = dirty_[static_cast<std::size_t>(platform::ctlIndex(id))];
        unsigned attrs = d;
        d = 0;
        visibility = visibility || (attrs & bit(Attr::Visible));
        apply(id, attrs);
    }
    if (visibility) updateFrames();
}

void ControlBinder::apply(Ctl id, unsigned attrs) {
    Bound& b = at(id);
    if (!b.widget && !b.label && !b.action && !b.timer) return;
    writing_ = true;
    if (attrs & bit(Attr::Items)) applyItems(id);
    if (attrs & bit(Attr::Range)) applyRange(id);
    if (attrs & (bit(Attr::Value) | bit(Attr::Color) | bit(Attr::Ramp) | bit(Attr::Checked) |
                 bit(Attr::Dimmed))) {
        applyValue(id);
    }
    if (attrs & (bit(Attr::Cells) | bit(Attr::Value))) applyCells(id);
    if (attrs & bit(Attr::TextColor)) applyTextColor(id);
    if (attrs & bit(Attr::Timer)) applyTimer(id);
    if (attrs & bit(Attr::Label)) {
        QString text = q(panel_.label(id));
        if (b.label) b.label->setText(text);
        if (auto* button = qobject_cast<QAbstractButton*>(b.widget); button && !button->text().isEmpty())
            button->setText(text);
        if (platform::controlSpec(id).kind == Kind::Decoration) {
            if (auto* l = qobject_cast<QLabel*>(b.widget)) l->setText(text);
        }
        // A menu item named at run time (a recent file, "1 survey000.csv") takes its first
        // character as its mnemonic; an '&' in the name is shown as itself.
        if (b.action && text != QString(b.action->text()).remove('&'))
            b.action->setText('&' + QString(text).replace('&', QStringLiteral("&&")));
    }
    if (attrs & bit(Attr::Dimmed)) {
        bool on = !panel_.dimmed(id);
        if (b.widget) b.widget->setEnabled(on);
        if (b.label) b.label->setEnabled(on);
        if (b.action) b.action->setEnabled(on);
    }
    if (attrs & bit(Attr::Visible)) {
        bool v = panel_.visible(id);
        if (b.widget) b.widget->setVisible(v);
        if (b.label) b.label->setVisible(v);
        if (b.action) b.action->setVisible(v);
    }
    if (attrs & bit(Attr::Graph)) {
        if (auto* plot = qobject_cast<PlotWidget*>(b.widget)) plot->refresh();
        else if (b.widget) b.widget->update();
    }
    writing_ = false;
}

void ControlBinder::applyValue(Ctl id) {
    Bound& b = at(id);
    QWidget* w = b.widget;
    if (b.action) b.action->setChecked(panel_.checked(id));
    if (!w) return;
    const platform::ControlSpec& spec = platform::controlSpec(id);
    QSignalBlocker block(w);
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        combo->setCurrentIndex(panel_.selectedIndex(id));
    } else if (auto* led = qobject_cast<LedWidget*>(w)) {
        led->setOn(panel_.value(id) != 0);
        // A lamp without a colour of its own lights green.
        const platform::Rgb c = panel_.color(id);
        led->setOnColor(rgb(c == 0 ? platform::kLedGreen : c));
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        if (button->isCheckable()) button->setChecked(panel_.value(id) != 0);
    } else if (auto* spin = qobject_cast<QDoubleSpinBox*>(w)) {
        // An entry the operator is typing into keeps the typing; the model's value is written
        // when the edit ends.
        auto* edit = spin->findChild<QLineEdit*>();
        if (!(spin->hasFocus() && edit && edit->isModified())) spin->setValue(panel_.value(id));
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        if (!(edit->hasFocus() && edit->isModified())) {
            edit->setText(spec.kind == Kind::Hex64 ? formatHex64(panel_.u64(id)) : q(panel_.text(id)));
        }
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(w)) {
        text->setPlainText(q(panel_.text(id)));
    } else if (auto* slider = qobject_cast<QSlider*>(w)) {
        // The operator's drag wins until the handle is let go.
        if (!slider->isSliderDown()) slider->setValue(static_cast<int>(std::lround(panel_.value(id))));
        slider->setToolTip(QStringLiteral("%1 of %2").arg(slider->value()).arg(slider->maximum()));
    } else if (auto* gauge = qobject_cast<QProgressBar*>(w)) {
        double v = panel_.value(id), lo = panel_.minValue(id), hi = panel_.maxValue(id);
        if (hi <= lo) hi = lo + 1;
        gauge->setValue(static_cast<int>(std::lround(std::clamp((v - lo) / (hi - lo), 0.0, 1.0) * 1000)));
        gauge->setFormat(formatNumber(v, spec.precision));
        QPalette pal = gauge->palette();
        pal.setColor(QPalette::Highlight, QApplication::palette(w).color(QPalette::Highlight));
        for (const platform::ColorStop& s : panel_.colorRamp(id)) {
            if (v >= s.value) pal.setColor(QPalette::Highlight, rgb(s.color));
        }
        gauge->setPalette(pal);
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        // A dimmed display still holding its start value is an unused slot: it shows nothing
        // rather than a column of zeros.
        const bool unused = panel_.dimmed(id) && panel_.value(id) == spec.defValue &&
                            panel_.u64(id) == 0;
        if (spec.kind == Kind::Numeric)
            label->setText(unused ? QString() : formatNumber(panel_.value(id), spec.precision));
        else if (spec.kind == Kind::Ring) {
            const int i = panel_.selectedIndex(id);
            label->setText(unused || i < 0 ? QString()
                                           : q(panel_.items(id)[static_cast<std::size_t>(i)].label));
        }
        else if (spec.kind == Kind::Hex64)
            label->setText(unused ? QString() : formatHex64(panel_.u64(id)));
        else if (spec.kind != Kind::Decoration && !label->wordWrap())
            label->setText(q(panel_.text(id)));
        else if (spec.kind != Kind::Decoration) {
            // A new sentence may take more lines: its frame makes room for them.
            label->setText(breakable(q(panel_.text(id))));
            label->updateGeometry();
        }
    }
}

void ControlBinder::applyItems(Ctl id) {
    auto* combo = qobject_cast<QComboBox*>(at(id).widget);
    if (!combo) return;
    QSignalBlocker block(combo);
    combo->clear();
    for (const platform::Panel::Item& item : panel_.items(id)) combo->addItem(q(item.label));
    combo->setCurrentIndex(panel_.selectedIndex(id));
}

void ControlBinder::applyCells(Ctl id) {
    auto* table = qobject_cast<QTableWidget*>(at(id).widget);
    if (!table) return;
    QSignalBlocker block(table);
    const int rows = panel_.tableRows(id), cols = panel_.tableCols(id);
    if (table->rowCount() != rows) table->setRowCount(rows);
    if (table->columnCount() != cols) table->setColumnCount(cols);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            QString text = q(panel_.cell(id, r, c));
            QTableWidgetItem* item = table->item(r, c);
            if (!item) table->setItem(r, c, new QTableWidgetItem(text));
            else if (item->text() != text) item->setText(text);
        }
    }
}

void ControlBinder::applyRange(Ctl id) {
    if (auto* slider = qobject_cast<QSlider*>(at(id).widget)) {
        QSignalBlocker block(slider);
        const double lo = panel_.minValue(id), hi = panel_.maxValue(id);
        slider->setRange(static_cast<int>(std::min(lo, hi)), static_cast<int>(std::max(lo, hi)));
        slider->setValue(static_cast<int>(std::lround(panel_.value(id))));
        return;
    }
    auto* spin = qobject_cast<QDoubleSpinBox*>(at(id).widget);
    if (!spin) return;
    QSignalBlocker block(spin);
    double lo = panel_.minValue(id), hi = panel_.maxValue(id);
    if (lo == hi) spin->setRange(-kUnbounded, kUnbounded);
    else spin->setRange(std::min(lo, hi), std::max(lo, hi));
    spin->setValue(panel_.value(id));
}

void ControlBinder::applyTextColor(Ctl id) {
    QWidget* w = at(id).widget;
    if (!w) return;
    platform::Rgb c = panel_.textColor(id);
    QPalette pal = w->palette();
    QPalette normal = w->parentWidget() ? w->parentWidget()->palette() : QApplication::palette();
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        QColor color = c == platform::kBlack ? normal.color(QPalette::Active, role) : rgb(c);
        pal.setColor(QPalette::Active, role, color);
        pal.setColor(QPalette::Inactive, role, color);
    }
    w->setPalette(pal);
}

void ControlBinder::applyTimer(Ctl id) {
    QTimer* t = at(id).timer;
    if (!t) return;
    int ms = std::max(1, panel_.timerInterval(id));
    if (t->interval() != ms) t->setInterval(ms);
    bool on = panel_.timerEnabled(id);
    if (on && !t->isActive()) t->start();
    if (!on && t->isActive()) t->stop();
}

void ControlBinder::updateFrames() {
    for (const Frame& f : frames_) {
        bool any = false;
        for (Ctl c : f.members) any = any || panel_.visible(c);
        f.frame->setVisible(any);
    }
}

void ControlBinder::commitEntry(Ctl id) {
    Bound& b = at(id);
    if (writing_) return;
    const bool enter = std::exchange(b.enterPressed, false);
    bool changed = false;
    if (auto* spin = qobject_cast<QDoubleSpinBox*>(b.widget)) {
        changed = spin->value() != panel_.value(id);
        if (changed || enter) panel_.setValue(id, spin->value());
    } else if (auto* edit = qobject_cast<QLineEdit*>(b.widget)) {
        if (platform::controlSpec(id).kind == Kind::Hex64) {
            std::uint64_t v = edit->text().toULongLong(nullptr, 16);
            changed = v != panel_.u64(id);
            if (changed || enter) panel_.setU64(id, v);
        } else {
            std::string t = edit->text().toStdString();
            changed = t != panel_.text(id);
            if (changed || enter) panel_.setText(id, t);
        }
        edit->setModified(false);
    }
    if (changed || enter) panel_.raise(id, Event::Commit);
}

void ControlBinder::connectWidget(Ctl id, QWidget* w) {
    if (auto* plot = qobject_cast<PlotWidget*>(w)) {
        // Dragging a cursor: the graph follows as it moves, the program hears it at release.
        plot->onCursorMoved([this, id](int cursor, double x, double y, bool done) {
            panel_.graph(id).snapCursor(cursor, x, y);
            panel_.raise(id, done ? Event::Commit : Event::ValueChanged);
        });
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        connect(combo, &QComboBox::activated, this, [this, id](int index) {
            if (writing_ || index == panel_.selectedIndex(id)) return;
            panel_.setSelectedIndex(id, index);
            panel_.raise(id, Event::Commit);
        });
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        connect(button, &QAbstractButton::clicked, this, [this, id, button](bool checked) {
            if (writing_) return;
            if (button->isCheckable()) panel_.setValue(id, checked ? 1 : 0);
            panel_.raise(id, Event::Commit);
        });
    } else if (auto* spin = qobject_cast<QDoubleSpinBox*>(w)) {
        connect(spin, &QAbstractSpinBox::editingFinished, this, [this, id] { commitEntry(id); });
    } else if (auto* slider = qobject_cast<QSlider*>(w)) {
        // A drag commits once, where it ends; keys and clicks on the groove commit each step.
        auto commit = [this, id, slider] {
            if (writing_ || slider->value() == panel_.intValue(id)) return;
            panel_.setValue(id, slider->value());
            panel_.raise(id, Event::Commit);
        };
        connect(slider, &QSlider::sliderReleased, this, commit);
        connect(slider, &QSlider::valueChanged, this, [slider, commit] {
            if (!slider->isSliderDown()) commit();
        });
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        connect(edit, &QLineEdit::editingFinished, this, [this, id] { commitEntry(id); });
    } else if (auto* table = qobject_cast<QTableWidget*>(w)) {
        connect(table, &QTableWidget::cellChanged, this, [this, id, table](int row, int col) {
            if (writing_) return;
            QTableWidgetItem* item = table->item(row, col);
            panel_.setCell(id, row, col, item ? item->text().toStdString() : std::string());
            panel_.raise(id, Event::Commit, {row, col});
        });
    }
}

void ControlBinder::watch(Ctl id, QWidget* w) {
    w->installEventFilter(this);
    for (QWidget* child : w->findChildren<QWidget*>()) {
        if (!child->property(kCtlProperty).isValid()) {
            child->setProperty(kCtlProperty, platform::ctlIndex(id));
            child->installEventFilter(this);
        }
    }
}

bool ControlBinder::eventFilter(QObject* watched, QEvent* event) {
    if (detached_) return false;
    const int index = ctlOf(watched);
    if (index < 0) return false;
    const Ctl id = static_cast<Ctl>(index);
    switch (event->type()) {
        case QEvent::ContextMenu:
            panel_.raise(id, Event::RightClick);
            return true;
        case QEvent::FocusIn: {
            // Focus the window gives on its own (at start, after a pop-up) is not a choice.
            const Qt::FocusReason why = static_cast<QFocusEvent*>(event)->reason();
            if (why == Qt::MouseFocusReason || why == Qt::TabFocusReason ||
                why == Qt::BacktabFocusReason || why == Qt::ShortcutFocusReason) {
                wheelTarget_ = index;
            }
            return false;
        }
        case QEvent::Wheel: {
            // Not taken here, the notch goes on to the widgets beneath: the page scrolls.
            const QWidget* w = at(id).widget;
            if (!w || !changesOnWheel(w) || (w->hasFocus() && wheelTarget_ == index)) return false;
            event->ignore();
            return true;
        }
        case QEvent::KeyPress: {
            // A key reaches the focus widget first; raise it there only, once.
            if (watched != QApplication::focusWidget()) return false;
            const platform::ControlSpec& spec = platform::controlSpec(id);
            if (isReadOnly(spec)) return false;
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                at(id).enterPressed = true;
            } else if (isEditingKey(key->key()) &&
                       (spec.kind == Kind::Numeric || spec.kind == Kind::TextEntry ||
                        spec.kind == Kind::Hex64)) {
                panel_.raise(id, Event::KeyPress, {key->key(), 0});
            }
            return false;
        }
        default:
            return false;
    }
}

void ControlBinder::focusChanged(QWidget* old, QWidget* now) {
    const int was = old ? ctlOf(old) : -1;
    if (was < 0 || was == (now ? ctlOf(now) : -1)) return;
    const Ctl id = static_cast<Ctl>(was);
    panel_.raise(id, Event::LostFocus);
    // The entry shows the model again (an abandoned edit is dropped).
    controlChanged(id, Attr::Value);
}

}  // namespace qtui
