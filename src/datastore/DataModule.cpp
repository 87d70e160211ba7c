#include "datastore/DataModule.h"

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

double TDM::CompactWorkingFile()
{
    DbBase->close();
    // Through a link the real file is compacted, and the link stays as it is.
    const QString file = QFileInfo(DbBase->path()).canonicalFilePath();
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return 0;
    const qint64 oldSize = FileSizeOf(file);
    if (oldSize <= 0)
        return 0;
    // The copy is made beside the working file so the final rename stays on
    // one file system.
    const QString tmp = QFileInfo(file).absoluteDir().filePath(QStringLiteral("Tmp_mdb.mdb"));
    if (QFileInfo::exists(tmp) && !QFile::remove(tmp))
        return 0;
    try {
        Database::compact(file, tmp, Password);
    } catch (const EngineError &) {
        QFile::remove(tmp);
        return 0;
    }
    if (!QFileInfo(tmp).isFile())
        return 0;
    if (!replaceFile(tmp, file)) {
        QFile::remove(tmp);
        return 0;
    }
    const qint64 ratio = roundHalfEvenDiv(__int128(FileSizeOf(file)) * 10000, oldSize);
    return double(ratio) / 10000.0;
}

qint64 TDM::FileSizeOf(const QString &path)
{
    return QFileInfo(path).size();
}

} // namespace brel
