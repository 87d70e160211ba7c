// The shared rules that read or write the working file. They live apart from
// the plain rules in Globalvar.cpp so that code using only those does not
// pull in the data module.
#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "datastore/Schema.h"
#include "base/Messages.h"

#include <QCoreApplication>

namespace brel {

namespace {

// Table names come from the program, but they are checked against the
// dictionary anyway: a name that is not a table never reaches the SQL text.
QString knownTable(const QString &table)
{
    const TableDef *def = Schema::table(table);
    if (!def)
        throw EngineError(QCoreApplication::translate("Globalvar", "数据表“%1”不存在。").arg(table));
    return def->name;
}

// The receipt number with A to Z (or a to z) in one case; other characters
// stay, as the engine's case-blind comparison leaves them.
QString asciiCase(const QString &text, bool upper)
{
    QString out = text;
    for (QChar &c : out) {
        const char16_t u = c.unicode();
        if (upper && u >= u'a' && u <= u'z')
            c = QChar(u - (u'a' - u'A'));
        else if (!upper && u >= u'A' && u <= u'Z')
            c = QChar(u + (u'a' - u'A'));
    }
    return out;
}

} // namespace

bool ReceiptNoExists(qint64 id, const QString &receiptNo, const QString &table)
{
    // Clerks type receipt numbers in either case: a0001 is A0001. Every
    // spelling of a number lies between its upper-case and its lower-case
    // form (A-Z sort before a-z), so that range lets the SJH index find the
    // few candidates before the comparison that ignores case.
    const Sql sql(QStringLiteral("SELECT 1 FROM %1 WHERE SJH BETWEEN ? AND ? AND SJH=? COLLATE NOCASE AND Id<>? LIMIT 1")
                      .arg(knownTable(table)),
                  {asciiCase(receiptNo, true), asciiCase(receiptNo, false), receiptNo, id});
    if (!DM()->HasRows(sql))
        return false;
    Messages::error(ReceiptNoExistsMessage(receiptNo));
    return true;
}

Money GetFeeRate(int id)
{
    try {
        if (!DM())
            return Money();
        const QString value =
            DM()->GetValue(Sql(QStringLiteral("SELECT CSZ AS YJBL FROM TbFee WHERE Id=?"), {id}),
                           QStringLiteral("YJBL"));
        return Money::parse(value).value_or(Money());
    } catch (const EngineError &) {
        return Money();
    }
}

QDate EarliestEntryDate(const QString &table)
{
    try {
        if (!DM())
            return QDate::currentDate();
        // Rows without an entry date would sort first and make every search
        // start today; they do not count.
        const QString value = DM()->GetValue(
            Sql(QStringLiteral("SELECT LRRQ FROM %1 WHERE LRRQ IS NOT NULL ORDER BY LRRQ ASC LIMIT 1")
                    .arg(knownTable(table))),
            QStringLiteral("LRRQ"));
        const QDate date = dateTimeValue(value).date();
        return date.isValid() ? date : QDate::currentDate();
    } catch (const EngineError &) {
        return QDate::currentDate();
    }
}

void LoadSysOptions()
{
    // A statement of its own: this runs inside other work that may be looping over Q1.
    auto st = DM()->DbBase->prepare(Sql(QStringLiteral("SELECT ZDSJH, XSLJ, CZRZ FROM TbSetings ORDER BY ID LIMIT 1")));
    const bool has = st->step();
    SysOptions.ZDSJH = has && st->value(0).toLongLong() == 1;
    SysOptions.XSLJ = has && st->value(1).toLongLong() == 1;
    SysOptions.CZRZ = has && st->value(2).toLongLong() == 1;
}

void SaveSysOptions()
{
    DM()->OpenSql(Sql(QStringLiteral("SELECT * FROM TbSetings")));
    DataSet *q = DM()->Q1;
    q->first();
    if (q->isEmpty())
        q->append();
    else
        q->edit();
    q->setValue(QStringLiteral("ZDSJH"), SysOptions.ZDSJH ? 1 : 0);
    q->setValue(QStringLiteral("XSLJ"), SysOptions.XSLJ ? 1 : 0);
    q->setValue(QStringLiteral("CZRZ"), SysOptions.CZRZ ? 1 : 0);
    q->post();
}

} // namespace brel
