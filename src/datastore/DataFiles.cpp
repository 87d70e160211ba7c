#include "datastore/DataFiles.h"

#include "datastore/DataModule.h"
#include "datastore/Engine.h"
#include "datastore/Globalvar.h"
#include "datastore/Money.h"
#include "datastore/Upgrade.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace brel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("DataFiles", text);
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

bool sameFile(const QString &a, const QString &b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

/// The name a copy is written under beside target until it is complete.
QString partName(const QString &target)
{
    const QFileInfo info(target);
    return info.absoluteDir().filePath(QLatin1Char('.') + info.fileName() + QStringLiteral(".part"));
}

/// Why target's folder cannot take a new file; empty when it can.
QString folderProblem(const QString &target)
{
    const QFileInfo folder(QFileInfo(target).absolutePath());
    if (!folder.isDir())
        return tr("文件夹“%1”不存在。").arg(QDir::toNativeSeparators(folder.absoluteFilePath()));
    if (!folder.isWritable())
        return tr("文件夹“%1”不允许写入。").arg(QDir::toNativeSeparators(folder.absoluteFilePath()));
    return {};
}

bool replaceWith(const QString &part, const QString &target)
{
    if (TDM *dm = DM())
        return dm->replaceFile(part, target);
    return QFile::rename(part, target);
}

/// Copies the open file db to target through a part file that replaces
/// target once complete; false with the reason on failure.
bool copyOpenFile(Database &db, const QString &target, QString *reason, const CopyProgress &progress)
{
    if (QString why = folderProblem(target); !why.isEmpty()) {
        *reason = why;
        return false;
    }
    const QString part = partName(target);
    if (QFileInfo::exists(part) && !QFile::remove(part)) {
        *reason = tr("无法删除上次留下的临时文件“%1”。").arg(shown(part));
        return false;
    }
    try {
        db.backupTo(part, [&progress](qint64 done, qint64 total) {
            if (progress && total > 0)
                progress(int(done * 100 / total));
        });
    } catch (const EngineError &e) {
        QFile::remove(part);
        *reason = e.message();
        return false;
    }
    if (!replaceWith(part, target)) {
        QFile::remove(part);
        *reason = tr("复制好的文件不能放到“%1”（这个名称可能被一个文件夹占用，或者文件正被其他程序使用）。").arg(shown(target));
        return false;
    }
    return true;
}

} // namespace

QString DataFolder()
{
    return AppDir + QStringLiteral("/Data");
}

QStringList DataFileFilters()
{
    return {tr("数据文件 (*.mdb *.MDB)")};
}

QString BlankTemplate()
{
    return DataFolder() + QStringLiteral("/Blank");
}

NewFileName CheckNewDataFileName(const QString &name, QString *target)
{
    if (name.isEmpty() || name.contains(QLatin1Char(' ')))
        return NewFileName::Invalid;
    *target = DataFolder() + QLatin1Char('/') + name + QStringLiteral(".mdb");
    return QFileInfo::exists(*target) ? NewFileName::Taken : NewFileName::Usable;
}

bool CreateDataFile(const QString &target, QString *reason)
{
    // A separator would put the file into another folder than the one named.
    static const QString notInNames = QStringLiteral("/\\:*?\"<>|");
    const QString name = QFileInfo(target).fileName();
    for (QChar c : name) {
        if (notInNames.contains(c) || c.unicode() < 0x20) {
            *reason = tr("文件名称中不能包含字符 \\ / : * ? \" < > |。");
            return false;
        }
    }
    const QString blank = BlankTemplate();
    if (!QFileInfo(blank).isFile()) {
        *reason = tr("找不到空白数据文件模板“%1”。").arg(shown(blank));
        return false;
    }
    if (QFileInfo::exists(target)) {
        *reason = tr("文件“%1”已经存在。").arg(shown(target));
        return false;
    }
    if (QString why = folderProblem(target); !why.isEmpty()) {
        *reason = why;
        return false;
    }
    QFile from(blank);
    if (!from.copy(target)) {
        QFile::remove(target);
        *reason = tr("无法把模板复制到“%1”：%2").arg(shown(target), from.errorString());
        return false;
    }
    return true;
}

bool BackupWorkingFile(const QString &target, QString *reason, const CopyProgress &progress)
{
    TDM *dm = DM();
    if (!dm || WorkingFile.isEmpty()) {
        *reason = tr("没有打开的工作数据文件。");
        return false;
    }
    if (sameFile(target, WorkingFile)) {
        *reason = tr("不能备份到当前工作数据文件本身，请选择另一个文件名。");
        return false;
    }
    try {
        dm->DbBase->ensureOpen();
    } catch (const EngineError &e) {
        *reason = e.message();
        return false;
    }
    return copyOpenFile(*dm->DbBase, target, reason, progress);
}

RestoreCheck CheckRestoreSource(const QString &source, QString *target, QString *reason)
{
    try {
        Database file;
        file.open(source, TDM::Password);
        const QString build = ReadDbVersion(file);
        if (!KnownBuilds().contains(build)) {
            *reason = build.isEmpty()
                          ? tr("“%1”不是本系统的数据文件（没有版本记录）。").arg(shown(source))
                          : tr("“%1”的版本“%2”不是本程序认识的版本，它可能来自更新的程序。").arg(shown(source), build);
            return RestoreCheck::NotDataFile;
        }
    } catch (const EngineError &e) {
        *reason = e.message();
        return RestoreCheck::NotDataFile;
    }
    *target = QFileInfo(WorkingFile).absoluteDir().filePath(QFileInfo(source).fileName());
    if (sameFile(*target, WorkingFile)) {
        *reason = tr("“%1”是当前工作数据文件，正在使用中，不能用备份覆盖它。请先在“设置工作数据文件”中换用另一个数据文件，再恢复。")
                      .arg(shown(*target));
        return RestoreCheck::WorkingFile;
    }
    return QFileInfo::exists(*target) ? RestoreCheck::Overwrites : RestoreCheck::Usable;
}

bool RestoreDataFile(const QString &source, const QString &target, QString *reason, const CopyProgress &progress)
{
    if (sameFile(target, WorkingFile)) {
        *reason = tr("不能覆盖当前工作数据文件。");
        return false;
    }
    try {
        Database file;
        file.open(source, TDM::Password);
        return copyOpenFile(file, target, reason, progress);
    } catch (const EngineError &e) {
        *reason = e.message();
        return false;
    }
}

double CompactRatio(qint64 oldSize, qint64 newSize)
{
    if (oldSize <= 0)
        return 0;
    return double(roundHalfEvenDiv(__int128(newSize) * 10000, oldSize)) / 10000.0;
}

QString CompactRatioText(double ratio)
{
    // From the four decimals as a whole number: no binary fraction shows.
    const qint64 hundredths = qRound64(ratio * 10000);
    return QStringLiteral("%1.%2").arg(hundredths / 100).arg(hundredths % 100, 2, 10, QLatin1Char('0'));
}

} // namespace brel
