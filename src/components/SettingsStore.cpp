#include "components/SettingsStore.h"

namespace brel {

std::unique_ptr<QSettings> openSettings()
{
    const QString file = qEnvironmentVariable("BRELVANTO_SETTINGS");
    if (!file.isEmpty())
        return std::make_unique<QSettings>(file, QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quorvane"),
                                       QStringLiteral("Brelvanto"));
}

QString settingsKey(const QString &name)
{
    return SettingsRoot + QLatin1Char('/') + name;
}

} // namespace brel
