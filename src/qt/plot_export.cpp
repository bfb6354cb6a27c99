#include "qt/plot_export.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QSvgGenerator>

#include "qt/plot_painter.h"

namespace qtui {

namespace {

// Black on white, whatever the desktop's colours: the picture goes into reports.
QPalette paperPalette() {
    QPalette pal;
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    return pal;
}

void drawGraph(QPainter& p, const QRect& area, const platform::Graph& graph, const QFont& font) {
    p.fillRect(area, Qt::white);
    PlotPainter painter;
    painter.paint(p, area, graph, paperPalette(), font);
}

}  // namespace

std::string saveGraphImage(const platform::Graph& graph, const std::string& path, QSize size) {
    const QString file = QString::fromStdString(path);
    const QString suffix = QFileInfo(file).suffix().toLower();
    QFont font;
    font.setPointSizeF(font.pointSizeF() * 1.2);
    if (suffix == QLatin1String("svg")) {
        QSvgGenerator svg;
        svg.setFileName(file);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(QStringLiteral("fathomhost graph"));
        QPainter p;
        if (!p.begin(&svg)) return "cannot write " + path;
        drawGraph(p, QRect(QPoint(0, 0), size), graph, font);
        if (!p.end()) return "writing " + path + " failed";
        return QFileInfo::exists(file) ? std::string() : "cannot write " + path;
    }
    if (suffix != QLatin1String("png")) return "a picture is saved as .png or .svg: " + path;
    QImage image(size, QImage::Format_RGB32);
    {
        QPainter p(&image);
        drawGraph(p, image.rect(), graph, font);
    }
    if (!image.save(file, "PNG")) return "cannot write " + path;
    return {};
}

void drawGraphPage(QPainter& p, const QRect& page, const platform::Graph& graph,
                   const QString& title, std::span<const std::string> titleBlock) {
    // Type sized to the page, not to the printer's resolution.
    QFont font;
    font.setPixelSize(std::max(8, page.height() / 70));
    QFont heading = font;
    heading.setPixelSize(font.pixelSize() * 3 / 2);
    heading.setBold(true);
    p.save();
    p.setPen(Qt::black);
    p.setFont(heading);
    const QFontMetrics hm(heading), fm(font);
    int y = page.top() + hm.ascent();
    p.drawText(QPoint(page.left(), y), title);
    y += hm.descent() + fm.height() / 2;
    p.setFont(font);
    for (const std::string& line : titleBlock) {
        y += fm.height();
        p.drawText(QRect(page.left(), y - fm.ascent(), page.width(), fm.height()),
                   Qt::AlignLeft | Qt::TextSingleLine,
                   fm.elidedText(QString::fromStdString(line), Qt::ElideRight, page.width()));
    }
    y += fm.height();
    p.drawLine(page.left(), y, page.right(), y);
    const QRect rest(page.left(), y + fm.height() / 2, page.width(),
                     page.bottom() - y - fm.height() / 2);
    p.restore();
    if (rest.height() > 50) drawGraph(p, rest, graph, font);
}

}  // namespace qtui
