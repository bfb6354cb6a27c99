#include "qt/page_builder.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "platform/control_table.h"
#include "qt/control_binder.h"
#include "qt/control_factory.h"

namespace qtui {

using platform::ControlSpec;
using platform::Ctl;
using platform::Kind;
using platform::Page;

namespace {

QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The live display: one column per header, rows 1-8 of each family beneath.
struct LiveColumn {
    Ctl header;
    Ctl first;
};
constexpr std::array<LiveColumn, 9> kLiveColumns{{
    {Ctl::PowerOnOffID, Ctl::Power1},
    {Ctl::PowerLEDID, Ctl::Led1},
    {Ctl::NetworkAddressID, Ctl::Address1},
    {Ctl::DeviceNumberID, Ctl::Device1},
    {Ctl::SampleRateID, Ctl::Rate1},
    {Ctl::DateTimeID, Ctl::DateTime1},
    {Ctl::OffsetID, Ctl::Offset1},
    {Ctl::OutputDataID, Ctl::Output1},
    {Ctl::ZeroAbsID, Ctl::ZeroAbs1},
}};
constexpr int kLiveRows = 8;
constexpr std::string_view kLiveFrame = "Live units";

// Where a page's frames go. Main panel: the left column, the top of the right side, or the
// row beneath it (frames not listed). Graph pages: the column at the left of the graphs (frames
// not listed), or the column at their right. Within a place, listed frames stand in the order
// of this table, before the frames not listed.
enum class Place { Left, Top, Bottom, Side, Beside };
struct FramePlace {
    Page page;
    std::string_view frame;
    Place place;
};
constexpr std::string_view kWarningsFrame = "Link warnings";
constexpr std::string_view kStatusBarFrame = "Status bar";
// The main panel must leave the tab pages room on a 1280 x 800 screen, so only the live units
// stand at the right; everything else is in the left column, which scrolls on its own: what
// comes and goes while a station runs near the top, readings that are only glanced at last.
// The plot page's column puts what is used all the time (start, view, playback) above what is
// set once (traces, scales); the analysis page reads its results beside the spectrum.
constexpr std::array<FramePlace, 18> kPlaces{{
    {Page::Main, "Unit", Place::Left},
    {Page::Main, kWarningsFrame, Place::Left},
    {Page::Main, "Recording", Place::Left},
    {Page::Main, "Serial ports", Place::Left},
    {Page::Main, "Wired units", Place::Left},
    {Page::Main, "Radio network", Place::Left},
    {Page::Main, "Synchronizer", Place::Left},
    {Page::Main, "Temperature", Place::Left},
    {Page::Main, kLiveFrame, Place::Top},
    {Page::Plot, "Plotting", Place::Side},
    {Page::Plot, "View", Place::Side},
    {Page::Plot, "File playback", Place::Side},
    {Page::Plot, "Traces", Place::Side},
    {Page::Analysis, "Analysis", Place::Side},
    {Page::Analysis, "Spectrum settings", Place::Side},
    {Page::Analysis, "Results", Place::Beside},
    {Page::Analysis, "From the spectrum", Place::Beside},
    {Page::Analysis, "Individual waves (zero-up-crossing)", Place::Beside},
}};

// Frames whose captions stand above their fields: the unit type's names are long, and the left
// column of the main panel is no wider than its other frames need; the spectrum's settings
// leave the spectrum its width.
struct PageFrame {
    Page page;
    std::string_view frame;
};
constexpr std::array<PageFrame, 2> kCaptionAboveFrames{{{Page::Main, "Unit"},
                                                        {Page::Analysis, "Spectrum settings"}}};

// Where a frame stands among those of its place: the order of the table above.
std::size_t placeIndex(Page page, std::string_view frame) {
    for (std::size_t i = 0; i < kPlaces.size(); ++i) {
        if (kPlaces[i].page == page && kPlaces[i].frame == frame) return i;
    }
    return kPlaces.size();
}

Place placeOf(Page page, std::string_view frame) {
    for (const FramePlace& p : kPlaces) {
        if (p.page == page && p.frame == frame) return p.place;
    }
    return page == Page::Main ? Place::Bottom : Place::Side;
}

bool isLiveMember(Ctl id) {
    for (const LiveColumn& c : kLiveColumns) {
        int d = platform::ctlIndex(id) - platform::ctlIndex(c.first);
        if (id == c.header || (d >= 0 && d < kLiveRows)) return true;
    }
    return false;
}

// Controls that take input and can carry a trailing button or lamp in their row. A switch is
// short: the button after it (Analyze, Reset view) stands at the left edge where it is seen.
bool takesTrailer(const ControlSpec& s) {
    switch (s.kind) {
        case Kind::Ring:
        case Kind::Numeric:
        case Kind::Hex64:
        case Kind::TextEntry:
            return true;
        default:
            return false;
    }
}

bool isWide(Kind k) { return k == Kind::Table || k == Kind::Graph || k == Kind::TextBox; }

QGroupBox* newFrame(std::string_view name, QWidget* parent) {
    auto* box = new QGroupBox(q(name), parent);
    box->setObjectName(QStringLiteral("frame:") + q(name));
    return box;
}

QLabel* columnHead(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

}  // namespace

ColumnFlow::ColumnFlow(QWidget* page, std::vector<QVBoxLayout*> columns,
                       std::vector<QWidget*> frames)
    : QObject(page), columns_(std::move(columns)), frames_(std::move(frames)) {
    for (QWidget* f : frames_) f->installEventFilter(this);
    reflow();
}

bool ColumnFlow::eventFilter(QObject*, QEvent* event) {
    if ((event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) &&
        !flowing_) {
        reflow();
    }
    return false;
}

void ColumnFlow::reflow() {
    flowing_ = true;
    for (QVBoxLayout* c : columns_) {
        while (QLayoutItem* item = c->takeAt(0)) delete item;  // the frames stay: only items go
    }
    std::vector<int> heights(columns_.size(), 0);
    for (QWidget* f : frames_) {
        // A hidden frame takes no room wherever it stands; it waits at the end of the first
        // column until it is shown.
        if (f->isHidden()) continue;
        const auto shortest = static_cast<std::size_t>(
            std::min_element(heights.begin(), heights.end()) - heights.begin());
        columns_[shortest]->addWidget(f);
        heights[shortest] += f->sizeHint().height();
    }
    for (QWidget* f : frames_) {
        if (f->isHidden()) columns_.front()->addWidget(f);
    }
    for (QVBoxLayout* c : columns_) c->addStretch(1);
    flowing_ = false;
}

SideColumn::SideColumn(QWidget* content, const QString& name, QWidget* parent)
    : QScrollArea(parent) {
    setObjectName(name);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    setWidget(content);
}

// The width its frames need at the least, and room for the scroll bar; the height is the
// page's to give.
QSize SideColumn::sizeHint() const {
    const int w = widget() ? widget()->minimumSizeHint().width() : 0;
    return {w + verticalScrollBar()->sizeHint().width(), QScrollArea::sizeHint().height()};
}

QSize SideColumn::minimumSizeHint() const { return {sizeHint().width(), 68}; }

bool SideColumn::eventFilter(QObject* watched, QEvent* event) {
    if (watched == widget() && event->type() == QEvent::LayoutRequest) updateGeometry();
    return QScrollArea::eventFilter(watched, event);
}

QString pairedCaption(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return {};
    for (std::size_t i = 0; i + 1 < a.size(); ++i) {
        if (a[i] != ' ' || a[i + 1] != 'A' || b[i + 1] != 'B') continue;
        if (i + 2 < a.size() && a[i + 2] != ' ') continue;
        if (a.substr(0, i + 1) != b.substr(0, i + 1) || a.substr(i + 2) != b.substr(i + 2)) continue;
        return q(a.substr(0, i)) + q(a.substr(i + 2));
    }
    return {};
}

std::vector<PageBuilder::FrameRows> PageBuilder::framesOf(Page page) {
    std::vector<FrameRows> frames;
    for (const ControlSpec& spec : platform::controlTable()) {
        if (spec.page != page || spec.kind == Kind::MenuItem || spec.kind == Kind::Timer) continue;
        if (spec.id == Ctl::MainWindow) continue;
        auto it = std::find_if(frames.begin(), frames.end(),
                               [&](const FrameRows& f) { return f.name == spec.frame; });
        if (it == frames.end()) {
            frames.push_back({spec.frame, {}});
            it = frames.end() - 1;
        }
        it->controls.push_back(&spec);
    }
    return frames;
}

void PageBuilder::registerFrame(QWidget* box, const FrameRows& frame) {
    std::vector<Ctl> ids;
    for (const ControlSpec* s : frame.controls) ids.push_back(s->id);
    binder_.addFrame(box, std::move(ids));
}

QGroupBox* PageBuilder::buildFrame(const FrameRows& frame, QWidget* parent) {
    QGroupBox* box = newFrame(frame.name, parent);
    auto* grid = new QGridLayout(box);
    grid->setColumnStretch(1, 1);
    grid->setHorizontalSpacing(10);
    const auto& cs = frame.controls;
    bool paired = false;
    for (std::size_t i = 0; i + 1 < cs.size(); ++i) {
        paired = paired || !pairedCaption(cs[i]->caption, cs[i + 1]->caption).isEmpty();
    }
    int row = 0;
    if (paired) {
        grid->addWidget(columnHead(QStringLiteral("A"), box), row, 1);
        grid->addWidget(columnHead(QStringLiteral("B"), box), row, 2);
        grid->setColumnStretch(2, 1);
        ++row;
    }
    const ControlSpec* open = nullptr;  // input field of the previous row, free to take a trailer
    int buttonRow = -1;  // the row of a button standing alone, which a second button may join
    const Page page = cs.empty() ? Page::Main : cs.front()->page;
    const bool captionAbove =
        std::any_of(kCaptionAboveFrames.begin(), kCaptionAboveFrames.end(),
                    [&](const PageFrame& f) { return f.page == page && f.frame == frame.name; });
    for (std::size_t i = 0; i < cs.size(); ++i) {
        const ControlSpec& s = *cs[i];
        if ((s.kind == Kind::Button || s.kind == Kind::Led) && open && !paired) {
            QWidget* w = binder_.createWidget(s.id, box);
            if (s.kind == Kind::Led) {
                auto* holder = new QWidget(box);
                auto* h = new QHBoxLayout(holder);
                h->setContentsMargins(0, 0, 0, 0);
                w->setParent(holder);
                h->addWidget(w);
                h->addWidget(binder_.createLabel(s.id, holder));
                h->addStretch(1);
                grid->addWidget(holder, row - 1, 2);
            } else {
                grid->addWidget(w, row - 1, 2);
            }
            open = nullptr;
            continue;
        }
        open = nullptr;
        if (s.kind == Kind::Button && buttonRow == row - 1) {
            grid->addWidget(binder_.createWidget(s.id, box), buttonRow, 1, 1, 2, Qt::AlignLeft);
            buttonRow = -1;
            continue;
        }
        buttonRow = -1;
        if (i + 1 < cs.size()) {
            QString shared = pairedCaption(s.caption, cs[i + 1]->caption);
            if (!shared.isEmpty()) {
                QWidget* a = binder_.createWidget(s.id, box);
                QWidget* b = binder_.createWidget(cs[i + 1]->id, box);
                QLabel* l = binder_.createLabel(s.id, box);
                l->setText(shared);
                grid->addWidget(l, row, 0, isWide(s.kind) ? Qt::AlignTop : Qt::Alignment());
                grid->addWidget(a, row, 1);
                grid->addWidget(b, row, 2);
                ++row;
                ++i;
                continue;
            }
        }
        QWidget* w = binder_.createWidget(s.id, box);
        if (isWide(s.kind)) {
            if (!s.caption.empty() && s.kind != Kind::Graph) {
                grid->addWidget(binder_.createLabel(s.id, box), row++, 0, 1, 3);
            }
            grid->addWidget(w, row++, 0, 1, 3);
            if (s.kind == Kind::Graph) grid->setRowStretch(row - 1, 1);
            continue;
        }
        const bool ownCaption = s.kind == Kind::Check || s.kind == Kind::Button;
        if (s.kind == Kind::Button) {
            // Buttons of their own stand two to a row, from the frame's left edge.
            grid->addWidget(w, row, 0, Qt::AlignLeft);
            buttonRow = row;
        } else if (s.caption.empty() || ownCaption) {
            // A bar without a caption (a progress gauge) spans the frame; the rest keep to
            // their own width.
            const Qt::Alignment align =
                s.kind == Kind::Gauge ? Qt::Alignment() : Qt::Alignment(Qt::AlignLeft);
            grid->addWidget(w, row, s.caption.empty() && !ownCaption ? 0 : 1, 1,
                            s.caption.empty() && !ownCaption ? 3 : 1, align);
            if (s.kind == Kind::TextMsg) w->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        } else {
            const bool compact = s.kind == Kind::Led || s.kind == Kind::Switch;
            if (captionAbove) {
                grid->addWidget(binder_.createLabel(s.id, box), row++, 0, 1, 3);
                grid->addWidget(w, row, 0, 1, 2, compact ? Qt::AlignLeft : Qt::Alignment());
            } else {
                // A field that wraps over several lines has its caption beside its first.
                grid->addWidget(binder_.createLabel(s.id, box), row, 0,
                                s.wraps ? Qt::AlignTop : Qt::Alignment());
                // A ring of ports has the A and B columns to itself: its names are long.
                grid->addWidget(w, row, 1, 1, paired && s.fitsItems ? 2 : 1,
                                compact ? Qt::AlignLeft : Qt::Alignment());
            }
            if (takesTrailer(s)) open = &s;
        }
        ++row;
    }
    registerFrame(box, frame);
    return box;
}

QGroupBox* PageBuilder::buildLiveGrid(const FrameRows& frame, QWidget* parent) {
    QGroupBox* box = newFrame(frame.name, parent);
    auto* outer = new QVBoxLayout(box);
    auto* grid = new QGridLayout();
    grid->setHorizontalSpacing(5);
    grid->setVerticalSpacing(4);
    outer->addLayout(grid);
    for (int c = 0; c < static_cast<int>(kLiveColumns.size()); ++c) {
        const LiveColumn& col = kLiveColumns[static_cast<std::size_t>(c)];
        auto* head = qobject_cast<QLabel*>(binder_.createWidget(col.header, box));
        if (head) head->setAlignment(Qt::AlignCenter);
        grid->addWidget(head, 0, c);
        const Kind kind = platform::controlSpec(col.first).kind;
        const bool compact = kind == Kind::Led || kind == Kind::Switch;
        for (int r = 0; r < kLiveRows; ++r) {
            QWidget* w = binder_.createWidget(platform::ctlAt(col.first, r), box);
            if (kind == Kind::TextMsg) {
                makeFieldLook(w, false);
                setCharWidth(w, 19);
            }
            grid->addWidget(w, r + 1, c, compact ? Qt::AlignCenter : Qt::Alignment());
        }
        grid->setColumnStretch(c, compact ? 0 : 1);
    }
    // The rest of the frame (the page selector and whatever joins it) sits beneath the grid.
    FrameRows rest{frame.name, {}};
    for (const ControlSpec* s : frame.controls) {
        if (!isLiveMember(s->id)) rest.controls.push_back(s);
    }
    if (!rest.controls.empty()) {
        auto* footer = new QHBoxLayout();
        for (const ControlSpec* s : rest.controls) {
            if (!s->caption.empty() && s->kind != Kind::Button && s->kind != Kind::Check) {
                footer->addWidget(binder_.createLabel(s->id, box));
            }
            QWidget* w = binder_.createWidget(s->id, box);
            footer->addWidget(w);
            if (QLabel* l = binder_.label(s->id)) l->setBuddy(w);
            footer->addSpacing(16);
        }
        footer->addStretch(1);
        outer->addLayout(footer);
    }
    outer->addStretch(1);
    registerFrame(box, frame);
    return box;
}

QWidget* PageBuilder::buildMainPanel(QWidget* parent) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(QStringLiteral("mainPanel"));
    auto* columns = new QHBoxLayout(panel);
    // Tight at the sides: the left column's scroll bar takes its room from them.
    columns->setContentsMargins(2, 6, 2, 4);
    columns->setSpacing(4);
    // The left column scrolls on its own: the lines that come and go while a station runs
    // (warnings, a recording's status) must not push the window off a 1280 x 800 screen.
    auto* leftContent = new QWidget();
    leftContent->setObjectName(QStringLiteral("mainPanelLeft"));
    auto* left = new QVBoxLayout(leftContent);
    left->setContentsMargins(0, 0, 0, 0);
    auto* right = new QVBoxLayout();
    auto* bottom = new QHBoxLayout();
    std::vector<std::pair<std::size_t, QGroupBox*>> leftFrames;
    for (const FrameRows& f : framesOf(Page::Main)) {
        if (f.name == kStatusBarFrame) continue;
        const Place place = placeOf(Page::Main, f.name);
        if (place == Place::Top) {
            right->addWidget(buildLiveGrid(f, panel));
        } else if (place == Place::Left) {
            QGroupBox* box = f.name == kWarningsFrame ? buildWarnings(f, leftContent)
                                                      : buildFrame(f, leftContent);
            leftFrames.emplace_back(placeIndex(Page::Main, f.name), box);
        } else {
            bottom->addWidget(buildFrame(f, panel), 0, Qt::AlignTop);
        }
    }
    std::stable_sort(leftFrames.begin(), leftFrames.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [index, box] : leftFrames) left->addWidget(box);
    left->addStretch(1);
    bottom->addStretch(1);
    right->addLayout(bottom);
    right->addStretch(1);

    columns->addWidget(new SideColumn(leftContent, QStringLiteral("mainPanelLeftScroll"), panel), 0);
    columns->addLayout(right, 1);
    return panel;
}

// Warnings are sentences: one under the other, across the frame's width, wrapped rather than
// widening the window.
QGroupBox* PageBuilder::buildWarnings(const FrameRows& frame, QWidget* parent) {
    QGroupBox* box = newFrame(frame.name, parent);
    auto* rows = new QVBoxLayout(box);
    for (const ControlSpec* s : frame.controls) {
        QWidget* w = binder_.createWidget(s->id, box);
        w->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
        rows->addWidget(w);
    }
    registerFrame(box, frame);
    return box;
}

void PageBuilder::buildStatusBar(QStatusBar* bar) {
    for (const FrameRows& f : framesOf(Page::Main)) {
        if (f.name != kStatusBarFrame) continue;
        for (const ControlSpec* s : f.controls) bar->addWidget(binder_.createWidget(s->id, bar), 1);
    }
}

QWidget* PageBuilder::buildTabPage(Page page, QWidget* parent) {
    auto* content = new QWidget();
    content->setObjectName(QStringLiteral("page%1").arg(static_cast<int>(page)));
    std::vector<QGroupBox*> graphs, others;
    std::vector<std::pair<std::size_t, QGroupBox*>> side, beside;
    for (const FrameRows& f : framesOf(page)) {
        const bool hasGraph = std::any_of(f.controls.begin(), f.controls.end(),
                                          [](const ControlSpec* s) { return s->kind == Kind::Graph; });
        QGroupBox* box = buildFrame(f, content);
        if (hasGraph) {
            graphs.push_back(box);
            continue;
        }
        others.push_back(box);
        (placeOf(page, f.name) == Place::Beside ? beside : side)
            .emplace_back(placeIndex(page, f.name), box);
    }
    auto* outer = new QHBoxLayout(content);
    outer->setContentsMargins(8, 8, 8, 8);
    if (!graphs.empty()) {
        // Graph pages: the other frames in columns beside the graphs, which take the rest.
        // The columns scroll on their own, so a short window (1280 x 800) still shows the whole
        // graph.
        // The frames beside the graphs (results) stand in two columns, so that all of them
        // are read at a glance on a short screen.
        const auto column = [&](std::vector<std::pair<std::size_t, QGroupBox*>>& frames,
                                const QString& name, int columns) {
            std::stable_sort(frames.begin(), frames.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
            auto* columnContent = new QWidget();
            auto* flow = new QHBoxLayout(columnContent);
            flow->setContentsMargins(0, 0, 0, 0);
            std::vector<QVBoxLayout*> cols;
            for (int c = 0; c < columns; ++c) {
                cols.push_back(new QVBoxLayout());
                flow->addLayout(cols.back());
            }
            std::vector<QWidget*> boxes;
            for (const auto& [index, box] : frames) boxes.push_back(box);
            new ColumnFlow(columnContent, std::move(cols), std::move(boxes));
            outer->addWidget(new SideColumn(columnContent, content->objectName() + name, content), 0);
        };
        if (!side.empty()) column(side, QStringLiteral("Side"), 1);
        auto* plots = new QVBoxLayout();
        for (QGroupBox* b : graphs) plots->addWidget(b, 1);
        outer->addLayout(plots, 1);
        if (!beside.empty()) column(beside, QStringLiteral("Beside"), 2);
        content->setParent(parent);
        return content;
    }
    // Pages of settings: frames flow into up to three columns, each frame into the column
    // that is shortest so far, and the page scrolls when it is taller than the window. The
    // flow is made again whenever a frame is shown or hidden (the unit type decides which
    // frames there are), so no column stands empty beside a long one.
    const int columnCount = std::clamp(static_cast<int>(others.size()), 1, 3);
    std::vector<QVBoxLayout*> cols;
    for (int c = 0; c < columnCount; ++c) {
        cols.push_back(new QVBoxLayout());
        outer->addLayout(cols.back(), 1);
    }
    if (columnCount < 3) outer->addStretch(3 - columnCount);
    new ColumnFlow(content, std::move(cols), std::vector<QWidget*>(others.begin(), others.end()));
    auto* scroll = new QScrollArea(parent);
    scroll->setObjectName(content->objectName() + QStringLiteral("Scroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(content);
    return scroll;
}

}  // namespace qtui
