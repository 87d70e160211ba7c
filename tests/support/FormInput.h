#pragma once

#include "datastore/Globalvar.h"

#include <QLineEdit>
#include <QtTest>

namespace brel::test {

/// Rights of one group; flags as letters: a add, m modify, d delete,
/// p print, t telephone, g manage.
inline ResRecord groupRights(const char *group, const char *flags)
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

} // namespace brel::test
