#include "shell/SettingObjects.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace brel;

class TestSettingObjects : public QObject {
    Q_OBJECT

private slots:
    void init();
    void missingDefaultDbIsEmptyAndCreatesNothing();
    void defaultDbRoundTrip();
    void readBeginer_data();
    void readBeginer();
    void writeBeginer();
    void environmentNamesTheFile();
    void firstInstanceIsTheProgramsSettings();

private:
    QString raw(const QString &name) const { return QSettings(m_ini, QSettings::IniFormat).value(name).toString(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ini;
};

void TestSettingObjects::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_ini = m_dir->filePath(QStringLiteral("Brelvanto.ini"));
}

void TestSettingObjects::missingDefaultDbIsEmptyAndCreatesNothing()
{
    TSettings settings(m_ini);
    QCOMPARE(settings.ReadDefaultDb(), QString());
    QVERIFY(!QFileInfo::exists(m_ini));
}

void TestSettingObjects::defaultDbRoundTrip()
{
    const QString path = QStringLiteral("/home/办公室/Data/\"工作\" 50%.mdb");
    {
        TSettings settings(m_ini);
        settings.WriteDefaultDb(path);
    }
    TSettings again(m_ini);
    QCOMPARE(again.ReadDefaultDb(), path);
    QCOMPARE(raw(QStringLiteral("Software/Quorvane/Brelvanto/DefaultDb")), path);
}

void TestSettingObjects::readBeginer_data()
{
    QTest::addColumn<QVariant>("stored"); // invalid = missing
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("storedAfter");
    QTest::newRow("missing is created with 0") << QVariant() << 0 << "0";
    QTest::newRow("one") << QVariant(1) << 1 << "1";
    QTest::newRow("zero") << QVariant(0) << 0 << "0";
    QTest::newRow("not a number is repaired") << QVariant(QStringLiteral("abc")) << 0 << "0";
    QTest::newRow("a fraction is repaired") << QVariant(QStringLiteral("1.5")) << 0 << "0";
    QTest::newRow("empty is repaired") << QVariant(QString()) << 0 << "0";
}

void TestSettingObjects::readBeginer()
{
    QFETCH(QVariant, stored);
    QFETCH(int, expected);
    QFETCH(QString, storedAfter);
    const QString key = QStringLiteral("Software/Quorvane/Brelvanto/Beginer");
    if (stored.isValid())
        QSettings(m_ini, QSettings::IniFormat).setValue(key, stored);
    TSettings settings(m_ini);
    QCOMPARE(settings.ReadBeginer(), expected);
    QCOMPARE(raw(key), storedAfter);
}

void TestSettingObjects::writeBeginer()
{
    TSettings settings(m_ini);
    settings.WriteBeginer(1);
    QCOMPARE(settings.ReadBeginer(), 1);
    QCOMPARE(raw(QStringLiteral("Software/Quorvane/Brelvanto/Beginer")), QStringLiteral("1"));
}

void TestSettingObjects::environmentNamesTheFile()
{
    const QByteArray previous = qgetenv("BRELVANTO_SETTINGS");
    qputenv("BRELVANTO_SETTINGS", m_ini.toLocal8Bit());
    {
        TSettings settings;
        settings.WriteDefaultDb(QStringLiteral("/x.mdb"));
        QCOMPARE(QFileInfo(settings.fileName()).absoluteFilePath(), QFileInfo(m_ini).absoluteFilePath());
    }
    if (previous.isNull())
        qunsetenv("BRELVANTO_SETTINGS");
    else
        qputenv("BRELVANTO_SETTINGS", previous);
    QCOMPARE(raw(QStringLiteral("Software/Quorvane/Brelvanto/DefaultDb")), QStringLiteral("/x.mdb"));
}

void TestSettingObjects::firstInstanceIsTheProgramsSettings()
{
    QCOMPARE(Settings, nullptr);
    {
        TSettings first(m_ini);
        TSettings second(m_ini);
        QCOMPARE(Settings, &first);
    }
    QCOMPARE(Settings, nullptr);
}

QTEST_GUILESS_MAIN(TestSettingObjects)
#include "TestSettingObjects.moc"
