#include "admin/FirstLoginFlag.h"

#include "components/SettingsStore.h"

namespace brel {

namespace {
const QString Key = QStringLiteral("Beginer");
}

int ReadFirstLoginFlag()
{
    auto settings = openSettings();
    bool ok = false;
    const int value = settings->value(settingsKey(Key)).toInt(&ok);
    if (ok)
        return value;
    settings->setValue(settingsKey(Key), 0);
    return 0;
}

void WriteFirstLoginFlag(int value)
{
    openSettings()->setValue(settingsKey(Key), value);
}

} // namespace brel
