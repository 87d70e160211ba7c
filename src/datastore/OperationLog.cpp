#include "datastore/OperationLog.h"

#include "datastore/DataModule.h"
#include "datastore/FieldValue.h"
#include "datastore/Globalvar.h"
#include "datastore/Schema.h"

#include <QCoreApplication>
#include <QDateTime>

namespace brel {

namespace {

const QString LogTable = QStringLiteral("TbLog");

// The column sizes come from the dictionary, the one place that declares them.
QString fitColumn(const QString &text, const char *column)
{
    const ColumnDef *def = Schema::column(LogTable, QString::fromLatin1(column));
    if (!def || def->size <= 0 || characterCount(text) <= def->size)
        return text;
    return leftCharacters(text, def->size);
}

} // namespace

// Written as text: a midnight passed as a QDateTime would be stored as a bare
// date, and "yyyy-MM-dd" sorts before every stamp of its day.
QString LogMidnight(const QDate &day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00");
}

void WriteLog(const QString &action, const QString &details)
{
    // Not through ExecSql: that closes Q1, and entries are written in the
    // middle of commands that may be using it.
    WriteLog(*DM()->DbBase, action, details);
}

void WriteLog(Database &db, const QString &action, const QString &details)
{
    // The stamp always carries its time, even at midnight, so that the day
    // boundaries of the purge and of the log window compare as text.
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    db.execute(Sql(QStringLiteral("INSERT INTO TbLog (CZSJ,CZHD,CZRY,XXQK) VALUES (?,?,?,?)"),
                   {stamp, fitColumn(action, "CZHD"), fitColumn(CurrentUser.YHXM, "CZRY"),
                    fitColumn(details, "XXQK")}));
}

bool WriteRecordLog(const QString &action, const QString &details)
{
    if (!SysOptions.CZRZ)
        return false;
    WriteLog(action, details);
    return true;
}

QString ReceiptLogDetails(const QString &receiptNo)
{
    return QCoreApplication::translate("OperationLog", "收件号：") + receiptNo;
}

void PurgeLog(const QDate &today)
{
    // A statement of its own: this runs among the steps after login, which
    // may be looping over the shared queries.
    const QString days = DM()->GetValue(
        Sql(QStringLiteral("SELECT COUNT(*) AS N FROM (SELECT DISTINCT substr(CZSJ,1,10) FROM TbLog)")),
        QStringLiteral("N"));
    if (days.toInt() <= LogKeptDays)
        return;
    DM()->DbBase->execute(Sql(QStringLiteral("DELETE FROM TbLog WHERE CZSJ<=?"),
                              {LogMidnight(today.addDays(-(LogKeptDays + 1)))}));
}

} // namespace brel
