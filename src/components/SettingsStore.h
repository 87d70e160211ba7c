#pragma once

#include <QSettings>
#include <QString>
#include <memory>

namespace brel {

/// Root of every key the program stores ("\Software\Quorvane\Brelvanto\").
inline const QString SettingsRoot = QStringLiteral("Software/Quorvane/Brelvanto");

/// The program's settings store: the INI file named by BRELVANTO_SETTINGS
/// when that is set (tests, portable installs), else the user's
/// Quorvane/Brelvanto.ini.
std::unique_ptr<QSettings> openSettings();

/// SettingsRoot + "/" + name, e.g. settingsKey("dgLog").
QString settingsKey(const QString &name);

} // namespace brel
