#include "qt/control_factory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QPushButton>
#include <QResizeEvent>
#include <QRegularExpressionValidator>
#include <QTableWidget>
#include <cmath>

#include "qt/led_widget.h"
#include "qt/plot_widget.h"
#include "qt/toggle_switch.h"

namespace qtui {

using platform::ControlSpec;
using platform::Kind;

namespace {

constexpr const char* kChars = "fathomChars";
// The widest a ring of ports grows, in letters x: wide enough for every simulated port's
// name, narrow enough to keep the window within a 1280 px screen.
constexpr int kFittedRingLetters = 41;

// A ring as wide as its longest item, up to its maximum width: the column it stands in sizes
// itself by its fields' least widths, so the least width is the one that shows the items.
class FittedRing : public QComboBox {
  public:
    using QComboBox::QComboBox;
    QSize minimumSizeHint() const override {
        QStyleOptionComboBox opt;
        initStyleOption(&opt);
        const QRect field =
            style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
        int longest = 0;
        for (int i = 0; i < count(); ++i) {
            longest = std::max(longest, fontMetrics().horizontalAdvance(itemText(i)));
        }
        const int need = width() - field.width() + longest;
        return {std::min(std::max(need, QComboBox::minimumSizeHint().width()), maximumWidth()),
                QComboBox::minimumSizeHint().height()};
    }
};

QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// A fixed-pitch face that still takes its size from the parent, so it follows scaling.
QFont monoFont() {
    QFont f;
    f.setFamilies(QFontDatabase::systemFont(QFontDatabase::FixedFont).families());
    f.setStyleHint(QFont::TypeWriter);
    return f;
}

// A spin box sized by its expected contents rather than by its (often unbounded) range.
class NumericEntry : public QDoubleSpinBox {
public:
    using QDoubleSpinBox::QDoubleSpinBox;
    QSize sizeHint() const override {
        QSize s = QDoubleSpinBox::sizeHint();
        int chars = property(kChars).toInt();
        if (chars > 0) s.setWidth(fontMetrics().horizontalAdvance(QString(chars, '0')) + 40);
        return s;
    }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

// A sentence that wraps asks its layout for the height of its lines at the width it was given,
// as its minimum height. Layouts' own height-for-width falls short for a label spanning grid
// columns in a scrolling column of frames (the last lines were cut off), so it is not used.
class WrapLabel : public QLabel {
public:
    explicit WrapLabel(QWidget* parent) : QLabel(parent) { setWordWrap(true); }
    bool hasHeightForWidth() const override { return false; }
    QSize minimumSizeHint() const override {
        QSize s = QLabel::minimumSizeHint();
        if (width() > 0 && !text().isEmpty()) s.setHeight(std::max(s.height(), heightForWidth(width())));
        return s;
    }

    // Its height follows its text and width: it asks for room again, and so does its frame
    // (whose layout, laid out while its page was hidden, does not always pass the request on).
    void askForRoom() {
        updateGeometry();
        if (parentWidget()) parentWidget()->updateGeometry();
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        if (event->oldSize().width() != width()) askForRoom();
    }
    // A sentence changed on a page not shown asks for its room when the page comes into view.
    void showEvent(QShowEvent* event) override {
        QLabel::showEvent(event);
        askForRoom();
    }
};

QWidget* makeTable(const ControlSpec& spec, QWidget* parent) {
    auto* t = new QTableWidget(spec.tableRows, spec.tableCols, parent);
    t->setAlternatingRowColors(true);
    t->horizontalHeader()->setStretchLastSection(true);
    t->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (spec.tableCols == 1) t->horizontalHeader()->hide();
    if (spec.indicator) t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    // A short table shows all of its rows: its page or column scrolls instead.
    if (spec.tableRows > 0 && spec.tableRows <= 12) {
        const int header = spec.tableCols == 1 ? 0 : t->horizontalHeader()->sizeHint().height();
        // Rows sized to their text, so the fixed height leaves no empty band under the last.
        t->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
        t->setFixedHeight(t->verticalHeader()->defaultSectionSize() * spec.tableRows + header +
                          2 * t->frameWidth());
        t->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }
    return t;
}

QWidget* makeNumeric(const ControlSpec& spec, QWidget* parent) {
    auto* s = new NumericEntry(parent);
    s->setDecimals(spec.precision);
    s->setKeyboardTracking(false);
    s->setAlignment(Qt::AlignRight);
    s->setAccelerated(true);
    s->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    setCharWidth(s, 9);
    return s;
}

QWidget* makeLineEdit(const ControlSpec& spec, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    if (spec.kind == Kind::Hex64) {
        static const QRegularExpression hex(QStringLiteral("[0-9A-Fa-f]{0,16}"));
        e->setValidator(new QRegularExpressionValidator(hex, e));
        e->setFont(monoFont());
        setCharWidth(e, 17);
    } else {
        setCharWidth(e, 14);
    }
    // A text entry with a maximum takes no more characters than its command can carry.
    if (spec.kind == Kind::TextEntry && spec.maxValue > spec.minValue)
        e->setMaxLength(static_cast<int>(spec.maxValue));
    return e;
}

QWidget* makeDisplay(const ControlSpec& spec, QWidget* parent) {
    auto* l = new QLabel(parent);
    const bool number = spec.kind == Kind::Numeric || spec.kind == Kind::Hex64;
    makeFieldLook(l, number);
    if (spec.kind == Kind::Hex64) {
        l->setFont(monoFont());
        setCharWidth(l, 17);
    } else if (number) {
        setCharWidth(l, 8);
    } else {
        setCharWidth(l, 14);
    }
    return l;
}

}  // namespace

bool isReadOnly(const ControlSpec& spec) {
    switch (spec.kind) {
        case Kind::TextMsg:
        case Kind::TextBox:
        case Kind::Led:
        case Kind::Gauge:
        case Kind::Decoration:
            return true;
        default:
            return spec.indicator;
    }
}

QWidget* makeControlWidget(const ControlSpec& spec, platform::Graph* graph,
                           QWidget* parent) {
    // An indicator shows what the program writes; the operator cannot change it.
    if (spec.indicator && (spec.kind == Kind::Numeric || spec.kind == Kind::Hex64 ||
                           spec.kind == Kind::Ring || spec.kind == Kind::TextEntry)) {
        return makeDisplay(spec, parent);
    }
    switch (spec.kind) {
        case Kind::Ring: {
            // Port labels can be long ("ttyUSB0 (FT232R USB UART)"): the ring keeps a steady
            // width and shows its full items in the open list, so the window never grows wider
            // than the screen because of a port's name. The items of the table (unit types,
            // windows) are known: the closed ring shows the longest of them whole, and no
            // wider, measured in the font rather than counted in average letters.
            auto* ring = spec.fitsItems ? new FittedRing(parent) : new QComboBox(parent);
            const QFontMetrics fm = ring->fontMetrics();
            int longest = fm.horizontalAdvance(QString(16, 'x'));
            for (const platform::RingItem& item : spec.items) {
                longest = std::max(longest, fm.horizontalAdvance(q(item.label)));
            }
            ring->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
            ring->setMinimumContentsLength(
                (longest + fm.horizontalAdvance('x') - 1) / fm.horizontalAdvance('x'));
            if (spec.fitsItems) {
                // The ports listed ("SIM12 (simulated Tidecorder, short range)") are shown
                // whole; a name longer than the limit is whole in the open list.
                ring->setSizeAdjustPolicy(QComboBox::AdjustToContents);
                ring->setMaximumWidth(fm.horizontalAdvance(QString(kFittedRingLetters, 'x')));
            }
            return ring;
        }
        case Kind::Switch:
            if (spec.items.size() > 2) return new QComboBox(parent);
            {
                auto* t = new ToggleSwitch(parent);
                t->setReadOnly(spec.indicator);
                return t;
            }
        case Kind::Button:
            return new QPushButton(q(spec.caption), parent);
        case Kind::Check:
            return new QCheckBox(q(spec.caption), parent);
        case Kind::Numeric:
            return makeNumeric(spec, parent);
        case Kind::Hex64:
        case Kind::TextEntry:
            return makeLineEdit(spec, parent);
        case Kind::TextBox: {
            auto* t = new QPlainTextEdit(parent);
            t->setReadOnly(true);
            t->setMaximumBlockCount(500);
            return t;
        }
        case Kind::Led:
            return new LedWidget(parent);
        case Kind::Slider: {
            auto* slider = new QSlider(Qt::Horizontal, parent);
            slider->setRange(static_cast<int>(spec.minValue), static_cast<int>(spec.maxValue));
            slider->setMinimumWidth(160);
            return slider;
        }
        case Kind::Gauge: {
            auto* g = new QProgressBar(parent);
            g->setRange(0, 1000);
            g->setTextVisible(true);
            return g;
        }
        case Kind::Table:
            return makeTable(spec, parent);
        case Kind::Graph:
            if (graph) return new PlotWidget(*graph, parent);
            return new QWidget(parent);
        case Kind::Decoration: {
            auto* l = new QLabel(q(spec.caption), parent);
            QFont f = l->font();
            f.setBold(true);
            l->setFont(f);
            return l;
        }
        case Kind::TextMsg: {
            // A sentence (a status, a path) wraps in its frame rather than widen it.
            if (spec.wraps) return new WrapLabel(parent);
            return new QLabel(parent);
        }
        case Kind::MenuItem:
        case Kind::Timer:
            break;
    }
    return new QLabel(parent);
}

void makeFieldLook(QWidget* w, bool number) {
    auto* l = qobject_cast<QLabel*>(w);
    if (!l) return;
    l->setFrameShape(QFrame::StyledPanel);
    l->setFrameShadow(QFrame::Sunken);
    l->setAutoFillBackground(true);
    l->setBackgroundRole(QPalette::Base);
    l->setMargin(2);
    l->setIndent(3);
    l->setAlignment((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void setCharWidth(QWidget* w, int chars) {
    w->setProperty(kChars, chars);
    w->setMinimumWidth(w->fontMetrics().horizontalAdvance(QString(chars, '0')) + 12);
}

void applyCharWidths(QWidget* root) {
    QList<QWidget*> all = root->findChildren<QWidget*>();
    all.prepend(root);
    for (QWidget* w : all) {
        int chars = w->property(kChars).toInt();
        if (chars > 0) setCharWidth(w, chars);
        w->updateGeometry();
    }
}

// A value that is not a number (a statistic the data cannot give) shows as an empty field.
QString formatNumber(double v, int precision) {
    return std::isfinite(v) ? QString::number(v, 'f', precision) : QString();
}

QString formatHex64(std::uint64_t v) {
    return QStringLiteral("%1").arg(static_cast<qulonglong>(v), 16, 16, QLatin1Char('0')).toUpper();
}

}  // namespace qtui
