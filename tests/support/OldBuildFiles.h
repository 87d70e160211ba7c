#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>

namespace brel::test {

/// The project's data generator: BRELVANTO_DATAGEN, or where the build puts it.
inline QString DataGenerator()
{
    QString generator = qEnvironmentVariable("BRELVANTO_DATAGEN");
    if (generator.isEmpty())
        generator = QCoreApplication::applicationDirPath() + QStringLiteral("/../datagen/brelvanto-datagen");
    return generator;
}

/// Makes (once per folder) a data file of an older build with the sample
/// office's rows and returns a fresh copy of it named copyName in folder.
/// Empty text when the generator failed.
inline QString OldBuildFile(const QString &folder, const QString &build, const QString &copyName, int rows = 0)
{
    const QString made = QDir(folder).filePath(QStringLiteral("made-%1-%2.mdb").arg(build).arg(rows));
    if (!QFileInfo::exists(made)) {
        QProcess datagen;
        datagen.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList args = {QStringLiteral("--build"), build, made};
        if (rows > 0)
            args << QString::number(rows);
        datagen.start(DataGenerator(), args);
        if (!datagen.waitForFinished(600000) || datagen.exitStatus() != QProcess::NormalExit || datagen.exitCode() != 0)
            return {};
    }
    const QString copy = QDir(folder).filePath(copyName);
    QFile::remove(copy);
    if (!QFile::copy(made, copy))
        return {};
    QFile(copy).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return copy;
}

} // namespace brel::test
