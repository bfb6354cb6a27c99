#pragma once
#include <QObject>
#include <QScrollArea>
#include <QString>
#include <string_view>
#include <vector>

#include "platform/control_spec.h"

class QGroupBox;
class QStatusBar;
class QVBoxLayout;
class QWidget;

namespace qtui {

class ControlBinder;

// Lays out the main panel and the tab pages from the control table. Controls are grouped in
// frames by their `frame` caption, in order of first appearance; within a frame they stand in
// rows of caption and field, so a new table row needs no layout code:
//  - a button or lamp that follows an input field joins that field's row;
//  - two consecutive controls whose captions differ only in an " A" / " B" word share a row,
//    under "A" and "B" column heads (the two-port displays of wired units);
//  - tables and graphs take the frame's full width.
// A frame is hidden while all of its controls are hidden.
class PageBuilder {
public:
    explicit PageBuilder(ControlBinder& binder) : binder_(binder) {}

    QWidget* buildMainPanel(QWidget* parent);
    // The main panel's "Status bar" frame: its controls side by side in the window's status bar.
    void buildStatusBar(QStatusBar* bar);
    QWidget* buildTabPage(platform::Page page, QWidget* parent);

    struct FrameRows {
        std::string_view name;
        std::vector<const platform::ControlSpec*> controls;
    };
    // The frames of a page in order of first appearance (menu items and timers excluded).
    static std::vector<FrameRows> framesOf(platform::Page page);

private:
    QGroupBox* buildFrame(const FrameRows& frame, QWidget* parent);
    QGroupBox* buildLiveGrid(const FrameRows& frame, QWidget* parent);
    QGroupBox* buildWarnings(const FrameRows& frame, QWidget* parent);
    void registerFrame(QWidget* box, const FrameRows& frame);

    ControlBinder& binder_;
};

// A column of frames beside a graph or the live units: it scrolls up and down, never sideways,
// and is exactly as wide as its widest frame needs, so a long message wraps in it rather than
// widening it (and taking the graph's room) or being cut at its edge.
class SideColumn : public QScrollArea {
public:
    SideColumn(QWidget* content, const QString& name, QWidget* parent);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    // The column follows its frames' width as they change (a frame shown, a font scaled).
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The frames of a settings page in columns: each shown frame goes to the column that is
// shortest so far, in table order, and the columns are made again when a frame is shown or
// hidden. Owned by the page.
class ColumnFlow : public QObject {
public:
    ColumnFlow(QWidget* page, std::vector<QVBoxLayout*> columns, std::vector<QWidget*> frames);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reflow();
    std::vector<QVBoxLayout*> columns_;
    std::vector<QWidget*> frames_;
    bool flowing_ = false;
};

// Captions that name the same thing for port A and port B: "Staff A (m)" and "Staff B (m)".
// Returns the shared caption ("Staff (m)"), or an empty string when they do not pair.
QString pairedCaption(std::string_view a, std::string_view b);

}  // namespace qtui
