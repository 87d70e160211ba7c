#include "datastore/DataModule.h"

#include "datastore/DataFiles.h"
#include "datastore/Globalvar.h"
#include "datastore/Money.h"
#include "datastore/Rights.h"
#include "datastore/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace brel {

namespace {

TDM *g_dataModule = nullptr;

/// Closes a work query when the operation ends, also when it ends by an exception.
struct CloseOnExit {
    DataSet *query;
    ~CloseOnExit() { query->close(); }
};

bool renameOver(const QString &from, const QString &to)
{
    // rename(2) replaces the target atomically: the working file is either
    // the old or the compacted one, never missing.
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(from).toStdString(), QFile::encodeName(to).toStdString(), ec);
    return !ec;
}

} // namespace

TDM *DM()
{
    return g_dataModule;
}

TDM::TDM(QObject *parent) : QObject(parent), replaceFile(renameOver)
{
    DbBase = new Database(this);
    DbBase->setPassword(Password);
    Q1 = new DataSet(DbBase, this);
    Q2 = new DataSet(DbBase, this);
    dsNavigator = new DataSource(this);
    g_dataModule = this;
}

TDM::~TDM()
{
    if (g_dataModule == this)
        g_dataModule = nullptr;
    // The queries go before the connection they run on.
    delete dsNavigator;
    delete Q2;
    delete Q1;
    DbBase->close();
    delete DbBase;
}

void TDM::OpenSql(const Sql &sql)
{
    OpenQuery(Q1, sql);
}

void TDM::OpenQuery(DataSet *query, const Sql &sql)
{
    query->close();
    query->setSql(sql);
    query->open();
}

void TDM::ExecSql(const Sql &sql)
{
    Q1->close();
    Q1->setSql(sql);
    DbBase->execute(sql);
}

bool TDM::HasRows(const Sql &sql)
{
    return DbBase->prepare(sql)->step();
}

QString TDM::GetValue(const Sql &sql, const QString &column)
{
    auto st = DbBase->prepare(sql);
    int col = -1;
    for (int c = 0; c < st->columnCount() && col < 0; ++c) {
        if (st->columnName(c).compare(column, Qt::CaseInsensitive) == 0)
            col = c;
    }
    if (col < 0)
        throw EngineError(tr("查询结果中没有“%1”列。").arg(column));
    if (!st->step())
        return {};
    const QVariant value = st->value(col);
    if (value.metaType().id() == QMetaType::Double)
        return QString::number(value.toDouble(), 'g', 15);
    return value.toString();
}

QString TDM::GetValueWith(DataSet *query, const Sql &sql, const QString &column)
{
    CloseOnExit closer{query};
    OpenQuery(query, sql);
    if (query->isEmpty())
        return {};
    return query->asText(column);
}

void TDM::FillPickList(QStringList &list, const Sql &sql)
{
    OpenSql(sql);
    const int field = Q1->fieldIndex(QStringLiteral("Txt"));
    if (field < 0)
        throw EngineError(tr("查询结果中没有“Txt”列。"));
    const QString name = Q1->fieldInfo(field).name;
    for (Q1->first(); !Q1->eof(); Q1->next())
        list << Q1->asText(name);
}

int TDM::GetMaxId(const QString &table)
{
    // Only tables of the data dictionary: the name is pasted into the statement.
    const TableDef *def = Schema::table(table);
    if (!def)
        return 0;
    try {
        bool ok = false;
        const int id = GetValue(Sql(QStringLiteral("SELECT Max(Id) AS MaxId FROM %1").arg(def->name)),
                                QStringLiteral("MaxId"))
                           .toInt(&ok);
        return ok ? id : 0;
    } catch (const EngineError &) {
        return 0;
    }
}

bool TDM::OpenWorkingFile(const QString &path, bool noPrevious)
{
    DbBase->close();
    DbBase->setPath(path);
    try {
        DbBase->open(path, Password);
    } catch (const EngineError &) {
        // The failed name must not stick: the next query reconnects to the
        // file that is still the working file.
        if (!noPrevious && !WorkingFile.isEmpty())
            DbBase->setPath(WorkingFile);
        throw;
    }
    if (hooks.upgrade) {
        try {
            hooks.upgrade();
        } catch (const EngineError &) {
            // A file that could not be brought to the current build (or one
            // of a build this program does not know) is not worked on: the
            // next query reconnects to the file that is still the working file.
            DbBase->close();
            if (!noPrevious && !WorkingFile.isEmpty())
                DbBase->setPath(WorkingFile);
            throw;
        }
    }
    // Rights belong to a login on a file: none are held for this one until
    // somebody logs in to it (taking the previous file back loads them again).
    ClearRights();
    const bool loggedIn = hooks.login ? hooks.login() : true;
    if (loggedIn) {
        WorkingFile = path;
        emit workingFileChanged(path);
        if (hooks.afterLogin)
            hooks.afterLogin();
        return true;
    }

    // With no previous file there is nothing to take back.
    if (!noPrevious && !WorkingFile.isEmpty()) {
        DbBase->close();
        DbBase->setPath(WorkingFile);
        DbBase->open(WorkingFile, Password);
        if (hooks.restorePrevious)
            hooks.restorePrevious();
    }
    return false;
}

double TDM::CompactWorkingFile(CompactFailure *failure, const std::function<void(int percent)> &progress)
{
    auto fail = [failure](const QString &reason, bool inUse = false) {
        if (failure)
            *failure = {inUse, reason};
        return 0.0;
    };
    if (failure)
        *failure = {};
    DbBase->close();
    // Through a link the real file is compacted, and the link stays as it is.
    const QString file = QFileInfo(DbBase->path()).canonicalFilePath();
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return fail(tr("数据文件“%1”不存在。").arg(DbBase->path()));
    const qint64 oldSize = FileSizeOf(file);
    if (oldSize <= 0)
        return fail(tr("数据文件“%1”是空文件。").arg(file));
    // The copy is made beside the working file so the final rename stays on
    // one file system.
    const QString tmp = QFileInfo(file).absoluteDir().filePath(QStringLiteral("Tmp_mdb.mdb"));
    // Read before the file is taken alone: this look needs a connection of its own.
    std::function<void()> working;
    if (progress) {
        // The copy holds the used pages only: its size against theirs is the share done.
        qint64 used = oldSize;
        {
            Database probe;
            try {
                probe.open(file, Password);
                auto pages = probe.prepare(Sql("PRAGMA page_count"));
                auto free = probe.prepare(Sql("PRAGMA freelist_count"));
                auto size = probe.prepare(Sql("PRAGMA page_size"));
                if (pages->step() && free->step() && size->step())
                    used = qMax<qint64>(1, (pages->int64(0) - free->int64(0)) * size->int64(0));
            } catch (const EngineError &) {
                // The compaction itself says what is wrong with the file.
            }
        }
        working = [&progress, tmp, used] { progress(int(qMin<qint64>(99, FileSizeOf(tmp) * 100 / used))); };
    }
    // The compacted copy replaces the file under its name: a program that
    // still has the old one open would go on writing into a deleted file.
    const ExclusiveFileUse sole(file);
    if (!sole.acquired())
        return fail(tr("数据文件“%1”正被其他程序使用，不能整理。请先关闭使用它的程序（例如另一台电脑上的本系统），然后再整理。")
                        .arg(QDir::toNativeSeparators(file)),
                    true);
    if (QFileInfo::exists(tmp) && !QFile::remove(tmp))
        return fail(tr("无法删除上次留下的临时文件“%1”。").arg(QDir::toNativeSeparators(tmp)));
    try {
        Database::compact(file, tmp, Password, working);
    } catch (const EngineError &e) {
        QFile::remove(tmp);
        return fail(e.message());
    }
    if (!QFileInfo(tmp).isFile())
        return fail(tr("没有生成整理后的数据文件。"));
    if (!replaceFile(tmp, file)) {
        QFile::remove(tmp);
        return fail(tr("整理后的数据文件不能替换“%1”，原数据文件保持不变。").arg(QDir::toNativeSeparators(file)));
    }
    if (progress)
        progress(100);
    return CompactRatio(oldSize, FileSizeOf(file));
}

qint64 TDM::FileSizeOf(const QString &path)
{
    return QFileInfo(path).size();
}

} // namespace brel
