#include "qt/qt_settings_store.h"

#include <QFile>

namespace qtui {

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

QtSettingsStore::QtSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                            QStringLiteral("fathomhost"),
                                            QStringLiteral("fathomhost"))) {
    check();
}

QtSettingsStore::QtSettingsStore(const QString& file)
    : settings_(std::make_unique<QSettings>(file, QSettings::IniFormat)) {
    check();
}

// QSettings reads its file only when first asked, and takes much of a damaged file (one cut
// in the middle of a key, NUL bytes left by a crash) without a word, to call it damaged only
// once it has rewritten it. So the file is read now, and looked at as the writer leaves it:
// text lines, the last one ended.
void QtSettingsStore::check() {
    settings_->allKeys();
    QFile file(settings_->fileName());
    if (!file.exists() || !file.open(QIODevice::ReadOnly)) return;
    const QByteArray bytes = file.readAll();
    if (!bytes.isEmpty() && (bytes.contains('\0') || !bytes.endsWith('\n')))
        damaged_ = true;
}

std::string QtSettingsStore::problem() const {
    if (damaged_) return "the file is damaged";
    switch (settings_->status()) {
        case QSettings::NoError:
            return {};
        case QSettings::AccessError:
            return "the file cannot be read or written";
        case QSettings::FormatError:
            return "the file is damaged";
    }
    return "unknown error";
}

bool QtSettingsStore::empty() const { return settings_->allKeys().isEmpty(); }

std::optional<std::string> QtSettingsStore::get(const std::string& key) const {
    const QVariant v = settings_->value(q(key));
    if (!v.isValid()) return std::nullopt;
    return v.toString().toStdString();
}

void QtSettingsStore::set(const std::string& key, const std::string& value) {
    settings_->setValue(q(key), q(value));
}

void QtSettingsStore::remove(const std::string& key) { settings_->remove(q(key)); }

bool QtSettingsStore::flush() {
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

std::string QtSettingsStore::where() const { return settings_->fileName().toStdString(); }

}  // namespace qtui
