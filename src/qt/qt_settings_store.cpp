#include "qt/qt_settings_store.h"

namespace qtui {

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

QtSettingsStore::QtSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                            QStringLiteral("fathomhost"),
                                            QStringLiteral("fathomhost"))) {}

QtSettingsStore::QtSettingsStore(const QString& file)
    : settings_(std::make_unique<QSettings>(file, QSettings::IniFormat)) {}

std::string QtSettingsStore::problem() const {
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
