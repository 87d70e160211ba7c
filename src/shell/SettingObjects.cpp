#include "shell/SettingObjects.h"

#include "components/SettingsStore.h"

#include <QSettings>

namespace brel {

TSettings *Settings = nullptr;

namespace {

QString key(const char *name)
{
    return settingsKey(QString::fromLatin1(name));
}

} // namespace

TSettings::TSettings()
{
    if (!Settings)
        Settings = this;
}

TSettings::TSettings(const QString &iniFile) : m_iniFile(iniFile)
{
    if (!Settings)
        Settings = this;
}

TSettings::~TSettings()
{
    if (Settings == this)
        Settings = nullptr;
}

std::unique_ptr<QSettings> TSettings::open() const
{
    if (m_iniFile.isEmpty())
        return openSettings();
    return std::make_unique<QSettings>(m_iniFile, QSettings::IniFormat);
}

QString TSettings::fileName() const
{
    return open()->fileName();
}

QString TSettings::ReadDefaultDb() const
{
    // Reading creates nothing; a store that cannot be read gives empty text.
    return open()->value(key("DefaultDb")).toString();
}

void TSettings::WriteDefaultDb(const QString &path)
{
    open()->setValue(key("DefaultDb"), path);
}

int TSettings::ReadBeginer()
{
    auto store = open();
    bool ok = false;
    const int value = store->value(key("Beginer")).toString().trimmed().toInt(&ok);
    if (ok)
        return value;
    store->setValue(key("Beginer"), 0);
    store->sync();
    return store->value(key("Beginer")).toInt();
}

void TSettings::WriteBeginer(int value)
{
    open()->setValue(key("Beginer"), value);
}

void TSettings::SetDateFormat()
{
}

} // namespace brel
