// The user's remembered choices: text values under the application
// "Tarnwick", section "Brindlemoor", one key each, written as they change.
#pragma once

#include <QSettings>
#include <QString>

#include <memory>

namespace brindlemoor::app {

class SettingsStore {
public:
    // The per-user store of this machine.
    SettingsStore();
    // A store kept in one INI file, for tests and portable use.
    explicit SettingsStore(const QString& iniFile);

    QString read(const QString& key, const QString& fallback) const;
    // Writes at once; throws Failure when the store cannot be written.
    void write(const QString& key, const QString& value);

private:
    std::unique_ptr<QSettings> settings_;
};

// The Boolean a stored option text stands for: "True" or "False" (any case),
// or a number where anything but zero is true. Throws Failure "Type mismatch"
// for any other text.
bool textToBoolean(const QString& text);
// How option values are stored: "True" or "False".
QString booleanToText(bool value);

}  // namespace brindlemoor::app
