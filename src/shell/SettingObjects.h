#pragma once

#include <QString>
#include <memory>

class QSettings;

namespace brel {

/// The values the program keeps in the settings store between runs, under
/// "Software/Quorvane/Brelvanto/". Each operation opens the store and closes
/// it again, so nothing is held open between calls.
class TSettings {
public:
    /// The program's store (BRELVANTO_SETTINGS or the user's
    /// Quorvane/Brelvanto.ini); the first instance made becomes `Settings`.
    TSettings();
    /// A store in the given INI file.
    explicit TSettings(const QString &iniFile);
    ~TSettings();
    TSettings(const TSettings &) = delete;
    TSettings &operator=(const TSettings &) = delete;

    /// Path of the working data file of the previous run; empty when missing.
    QString ReadDefaultDb() const;
    void WriteDefaultDb(const QString &path);
    /// 1 once the login dialog has been shown on this machine. A missing or
    /// non-integer value is repaired to 0 first.
    int ReadBeginer();
    void WriteBeginer(int value);
    /// The program uses "yyyy-MM-dd" itself everywhere and never changes the
    /// operating system's settings, so there is nothing to do.
    void SetDateFormat();

    QString fileName() const;

private:
    std::unique_ptr<QSettings> open() const;

    QString m_iniFile;
};

/// The one settings object of the running program (nullptr before start-up).
extern TSettings *Settings;

} // namespace brel
