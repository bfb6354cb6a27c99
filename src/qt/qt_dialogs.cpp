#include "qt/qt_dialogs.h"

#include <QClipboard>
#include <algorithm>
#include <QFileDialog>
#include <QGuiApplication>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include "qt/form_dialog.h"
#include "qt/plot_export.h"

namespace qtui {

namespace {
QString q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
}  // namespace

void QtDialogs::message(std::string_view title, std::string_view text) {
    QMessageBox::information(parent_, q(title), q(text));
}

// Every question asks whether to do something (exit, replace a file, change a PAN ID or a
// unit type): "No" changes nothing, so it is the default, and a stray Enter is harmless.
bool QtDialogs::confirm(std::string_view title, std::string_view text) {
    return QMessageBox::question(parent_, q(title), q(text), QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

std::optional<std::string> QtDialogs::prompt(std::string_view title, std::string_view message,
                                             int maxLength) {
    QInputDialog dlg(parent_);
    dlg.setWindowTitle(q(title));
    dlg.setLabelText(q(message));
    dlg.setInputMode(QInputDialog::TextInput);
    if (auto* edit = dlg.findChild<QLineEdit*>()) edit->setMaxLength(maxLength);
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    return dlg.textValue().left(maxLength).toStdString();
}

bool QtDialogs::form(std::string_view title, std::span<platform::FormField> fields) {
    FormDialog dlg(parent_, title, fields);
    if (dlg.exec() != QDialog::Accepted) return false;
    dlg.values(fields);
    return true;
}

namespace {
QString filterOf(const platform::FileSelectRequest& r) {
    QString filter = r.patternName.empty() ? q(r.pattern)
                                           : q(r.patternName) + QStringLiteral(" (") + q(r.pattern) + ')';
    if (!r.typeList.empty()) filter += QStringLiteral(";;") + q(r.typeList).replace(';', ' ');
    return filter + QStringLiteral(";;All files (*)");
}
}  // namespace

std::vector<std::string> QtDialogs::fileSelectMany(const platform::FileSelectRequest& r) {
    const QStringList chosen = QFileDialog::getOpenFileNames(parent_, q(r.title), q(r.directory), filterOf(r));
    std::vector<std::string> paths;
    for (const QString& path : chosen) paths.push_back(path.toStdString());
    return paths;
}

// Window-modal: the window keeps drawing live data while the work goes on from its timer.
bool QtDialogs::progress(std::string_view title, std::string_view text, double fraction) {
    if (!progress_) {
        progress_ = new QProgressDialog(parent_);
        progress_->setWindowTitle(q(title));
        progress_->setWindowModality(Qt::WindowModal);
        progress_->setRange(0, 1000);
        progress_->setMinimumDuration(0);
        progress_->setAutoClose(false);
        progress_->setAutoReset(false);
        progress_->setMinimumWidth(480);
    }
    progress_->setLabelText(q(text));
    progress_->setValue(static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 1000));
    return !progress_->wasCanceled();
}

void QtDialogs::endProgress() {
    if (progress_) progress_->deleteLater();
    progress_.clear();
}

platform::FileSelection QtDialogs::fileSelect(const platform::FileSelectRequest& r) {
    const QString filter = filterOf(r);
    QString start = q(r.directory);
    if (!r.defaultName.empty()) start = start.isEmpty() ? q(r.defaultName) : start + '/' + q(r.defaultName);
    QString path = r.save ? QFileDialog::getSaveFileName(parent_, q(r.title), start, filter, nullptr,
                                                         QFileDialog::DontConfirmOverwrite)
                          : QFileDialog::getOpenFileName(parent_, q(r.title), start, filter);
    platform::FileSelection sel;
    if (path.isEmpty()) return sel;
    sel.path = path.toStdString();
    sel.status = QFileInfo::exists(path) ? platform::FileSelection::Status::Existing
                                         : platform::FileSelection::Status::New;
    return sel;
}

bool QtDialogs::printPage(platform::Page page, std::string_view title) {
    QWidget* w = pageWidget_ ? pageWidget_(page) : nullptr;
    if (!w) return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(q(title));
    QPrintDialog dlg(&printer, parent_);
    if (dlg.exec() != QDialog::Accepted) return false;
    QPainter painter(&printer);
    if (!painter.isActive()) return false;
    QPixmap shot = w->grab();
    QRect target = painter.viewport();
    QSize size = shot.size().scaled(target.size(), Qt::KeepAspectRatio);
    painter.drawPixmap(QRect(target.topLeft(), size), shot);
    return true;
}

bool QtDialogs::copyText(std::string_view text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) return false;
    clipboard->setText(q(text));
    return true;
}

std::string QtDialogs::saveGraph(platform::Ctl graph, const std::string& path) {
    const platform::Graph* g = graphOf(graph);
    if (g == nullptr) return "the graph cannot be drawn";
    return saveGraphImage(*g, path);
}

bool QtDialogs::printGraph(platform::Ctl graph, std::string_view title,
                           std::span<const std::string> titleBlock) {
    const platform::Graph* g = graphOf(graph);
    if (g == nullptr) return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(q(title));
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dlg(&printer, parent_);
    if (dlg.exec() != QDialog::Accepted) return false;
    QPainter painter(&printer);
    if (!painter.isActive()) return false;
    drawGraphPage(painter, painter.viewport(), *g, QStringLiteral("fathomhost: ") + q(title),
                  titleBlock);
    return true;
}

}  // namespace qtui
