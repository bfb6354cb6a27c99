#include "qt/main_window.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMenuBar>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <set>
#include <utility>

#include "platform/control_table.h"
#include "qt/control_binder.h"
#include "qt/page_builder.h"
#include "qt/window_scaler.h"

namespace qtui {

using platform::Ctl;
using platform::Kind;
using platform::Page;

namespace {

QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Marks the first letter or digit of `text` not yet taken in `used` as the keyboard mnemonic.
QString withMnemonic(const QString& text, std::set<QChar>& used) {
    QString escaped = QString(text).replace('&', QStringLiteral("&&"));
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text[i].toLower();
        if (!c.isLetterOrNumber() || used.count(c)) continue;
        used.insert(c);
        qsizetype at = i + text.left(i).count('&');
        return escaped.insert(at, '&');
    }
    return escaped;
}

constexpr std::array<const char*, 5> kTabNames{"Plot", "Analysis", "Configuration",
                                              "Data-logger ports", "Upload"};

}  // namespace

MainWindow::MainWindow(platform::Panel& panel, QWidget* parent)
    : QMainWindow(parent), panel_(panel), binder_(new ControlBinder(panel, this)) {
    setObjectName(platform::ctlName(Ctl::MainWindow));
    setWindowTitle(q(panel_.label(Ctl::MainWindow)));
    buildMenus();
    buildTimers();

    PageBuilder builder(*binder_);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName(QStringLiteral("centralSplitter"));
    splitter->setChildrenCollapsible(false);
    QWidget* mainPanel = builder.buildMainPanel(splitter);
    pages_.push_back(mainPanel);
    splitter->addWidget(mainPanel);

    tabs_ = new QTabWidget(splitter);
    tabs_->setObjectName(QStringLiteral("tabPages"));
    tabs_->setDocumentMode(true);
    std::set<QChar> used{'f', 'v', 'h'};  // the menu bar's
    for (int i = 0; i < static_cast<int>(kTabNames.size()); ++i) {
        QWidget* page = builder.buildTabPage(static_cast<Page>(i + 1), tabs_);
        tabs_->addTab(page, withMnemonic(QString::fromLatin1(kTabNames[static_cast<std::size_t>(i)]), used));
        auto* scroll = qobject_cast<QScrollArea*>(page);
        pages_.push_back(scroll ? scroll->widget() : page);
    }
    splitter->addWidget(tabs_);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    setCentralWidget(splitter);
    builder.buildStatusBar(statusBar());

    scaler_ = new WindowScaler(this, splitter);
    addTabShortcuts();
    setAcceptDrops(true);
    panel_.addObserver(this);
}

// Ctrl+1 ... Ctrl+5 bring a tab page forward, listed in the View menu.
void MainWindow::addTabShortcuts() {
    QMenu* view = menuBar()->findChild<QMenu*>(QStringLiteral("menu:View"));
    if (!view) return;
    view->addSeparator();
    for (int i = 0; i < tabs_->count(); ++i) {
        QAction* a = view->addAction(
            QStringLiteral("&%1 %2 page").arg(i + 1).arg(kTabNames[static_cast<std::size_t>(i)]));
        a->setObjectName(QStringLiteral("tab:%1").arg(i));
        a->setShortcut(QKeySequence(QStringLiteral("Ctrl+%1").arg(i + 1)));
        connect(a, &QAction::triggered, this, [this, i] { tabs_->setCurrentIndex(i); });
    }
}

namespace {
// The recording or capture file dropped on the window, when the drop is one such local file.
QString droppedRecording(const QMimeData* mime) {
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1) return {};
    const QUrl url = mime->urls().front();
    if (!url.isLocalFile()) return {};
    const QString path = url.toLocalFile();
    const bool recording = path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ||
                           path.endsWith(QStringLiteral(".dat"), Qt::CaseInsensitive);
    return recording ? path : QString();
}
}  // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (fileDropped_ && !droppedRecording(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = droppedRecording(event->mimeData());
    if (!fileDropped_ || path.isEmpty()) return;
    event->acceptProposedAction();
    fileDropped_(path.toStdString());
    binder_->flushNow();
}

MainWindow::~MainWindow() {
    panel_.removeObserver(this);
    binder_->detach();
}

void MainWindow::buildMenus() {
    std::vector<std::pair<std::string_view, QMenu*>> menus;
    std::set<QChar> barUsed;
    std::vector<std::set<QChar>> itemUsed;
    for (const platform::ControlSpec& spec : platform::controlTable()) {
        if (spec.kind != Kind::MenuItem) continue;
        auto it = std::find_if(menus.begin(), menus.end(),
                               [&](const auto& m) { return m.first == spec.frame; });
        if (it == menus.end()) {
            QMenu* m = menuBar()->addMenu(withMnemonic(q(spec.frame), barUsed));
            m->setObjectName(QStringLiteral("menu:") + q(spec.frame));
            menus.emplace_back(spec.frame, m);
            itemUsed.emplace_back();
            it = menus.end() - 1;
        }
        auto& used = itemUsed[static_cast<std::size_t>(it - menus.begin())];
        QMenu* menu = it->second;
        if (spec.id == Ctl::MenuExit || spec.id == Ctl::MenuAbout) menu->addSeparator();
        QAction* a = binder_->createAction(spec.id, menu, withMnemonic(q(spec.caption), used));
        if (!spec.shortcut.empty()) a->setShortcut(QKeySequence(q(spec.shortcut)));
        if (!spec.helpText.empty()) a->setToolTip(q(spec.helpText));
    }
}

void MainWindow::buildTimers() {
    for (const platform::ControlSpec& spec : platform::controlTable()) {
        if (spec.kind == Kind::Timer) binder_->createTimer(spec.id);
    }
}

QWidget* MainWindow::pageWidget(Page page) const {
    return pages_[static_cast<std::size_t>(page)];
}

void MainWindow::controlChanged(Ctl id, platform::Attr what) {
    if (id == Ctl::MenuScaleResize && what == platform::Attr::Checked) {
        scaler_->setEnabled(panel_.checked(id));
    } else if (id == Ctl::MainWindow && what == platform::Attr::Label) {
        setWindowTitle(q(panel_.label(id)));
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The program decides: the close path closes files and quits the event loop.
    event->ignore();
    panel_.raise(Ctl::MainWindow, platform::Event::Close);
}

void MainWindow::paintEvent(QPaintEvent* event) {
    QMainWindow::paintEvent(event);
    if (firstPaint_) std::exchange(firstPaint_, nullptr)();
}

}  // namespace qtui
