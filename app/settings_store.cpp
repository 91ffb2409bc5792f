#include "app/settings_store.h"

#include "platform/failure.h"

namespace brindlemoor::app {

namespace {
const QString kApplication = QStringLiteral("Tarnwick");
const QString kSection = QStringLiteral("Brindlemoor");
}  // namespace

SettingsStore::SettingsStore() {
#ifdef Q_OS_WIN
    // Where Windows programs of this family keep such settings, so they carry over.
    settings_ = std::make_unique<QSettings>(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\") + kApplication,
        QSettings::NativeFormat);
#else
    settings_ = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, kApplication, kApplication);
#endif
}

SettingsStore::SettingsStore(const QString& iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

QString SettingsStore::read(const QString& key, const QString& fallback) const {
    return settings_->value(kSection + u'/' + key, fallback).toString();
}

void SettingsStore::write(const QString& key, const QString& value) {
    settings_->setValue(kSection + u'/' + key, value);
    settings_->sync();
    if (settings_->status() != QSettings::NoError)
        throw platform::Failure(75, QStringLiteral("Path/File access error"));
}

bool textToBoolean(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) return true;
    if (trimmed.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) return false;
    bool isNumber = false;
    const double number = trimmed.toDouble(&isNumber);
    if (!isNumber) throw platform::Failure(platform::failure::kTypeMismatch, QStringLiteral("Type mismatch"));
    return number != 0;
}

QString booleanToText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

}  // namespace brindlemoor::app
