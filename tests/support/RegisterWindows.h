#pragma once

// What the tests of the register windows share: a logged-in user with rights
// given as letters, typing as a user does, rows put straight into a table
// and the operation log read back.

#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "datastore/Rights.h"

#include <QLineEdit>
#include <QStringList>
#include <QVariantMap>
#include <QtTest>

namespace brel::test {

/// Rights of one group; flags as letters: a add, m modify, d delete,
/// p print, t telephone, g manage.
inline ResRecord rights(const char *group, const char *flags)
{
    const QString f = QString::fromLatin1(flags);
    ResRecord r;
    r.ZYMC = QString::fromUtf8(group);
    r.LLQX = true;
    r.XZQX = f.contains(QLatin1Char('a'));
    r.XGQX = f.contains(QLatin1Char('m'));
    r.SCQX = f.contains(QLatin1Char('d'));
    r.DYQX = f.contains(QLatin1Char('p'));
    r.DHQX = f.contains(QLatin1Char('t'));
    r.GLQX = f.contains(QLatin1Char('g'));
    return r;
}

/// The logged-in user, with the same rights in the three groups.
inline void setUser(int id, const QString &name, const QString &branch, const char *flags)
{
    CurrentUser.Id = id;
    CurrentUser.YHXM = name;
    CurrentUser.SSFD = branch;
    CurrentUser.Res[1] = rights("房屋出租", flags);
    CurrentUser.Res[2] = rights("房屋出售", flags);
    CurrentUser.Res[3] = rights("求租求购", flags);
}

/// Types text as a user would; Chinese text arrives as one key event.
inline void typeText(QWidget *box, const QString &text)
{
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii)
        QTest::keyClicks(box, text);
    else
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, text, Qt::NoModifier);
}

inline void clearBox(QLineEdit *box)
{
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
}

/// Inserts one row with the given columns into table; returns the largest ID.
inline qint64 insertRow(TDM &dm, const QString &table, const QVariantMap &values)
{
    QStringList names, marks;
    QVariantList bound;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        names << it.key();
        marks << QStringLiteral("?");
        bound << it.value();
    }
    dm.ExecSql(Sql(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(table, names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
                   bound));
    return dm.GetMaxId(table);
}

/// The operation log as "action|details" lines, oldest first.
inline QStringList logLines(TDM &dm)
{
    DataSet q(dm.DbBase);
    q.setSql(Sql("SELECT CZRY, CZHD, XXQK FROM TbLog ORDER BY ID"));
    q.open();
    QStringList out;
    for (q.first(); !q.eof(); q.next())
        out << q.asText(QStringLiteral("CZHD")) + QLatin1Char('|') + q.asText(QStringLiteral("XXQK"));
    return out;
}

} // namespace brel::test
