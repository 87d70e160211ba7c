#include "shell/HistoryObject.h"

#include <QTest>

using namespace brel;

namespace {

// Each history entry is a search for one receipt number, kept as a value.
Sql searchFor(const QString &receipt)
{
    return Sql(QStringLiteral("SELECT * FROM TbRental WHERE SJH=?"), {receipt}, QStringLiteral("ID DESC"));
}

// "A/1 +前进 -后退": the receipt the current statement searches for, the
// current id, and which of the main window's buttons are enabled.
QString stateOf(const THistoryObject &history)
{
    const Sql &current = history.Current();
    const QString receipt = current.values.isEmpty() ? QStringLiteral("-") : current.values.first().toString();
    return QStringLiteral("%1/%2 %3前进 %4后退")
        .arg(receipt)
        .arg(history.CurrentId())
        .arg(history.CanStepOlder() ? '+' : '-')
        .arg(history.CanStepNewer() ? '+' : '-');
}

// Runs one step ("push A 1", "older", "newer", "set 9", "get", "replace Z")
// and says what it left: a get also shows what it returned ("=1 A/1 …").
QString run(THistoryObject &history, const QString &step)
{
    const QStringList words = step.split(' ');
    const QString &op = words.first();
    QString returned;
    if (op == "push")
        history.Push(words.at(2).toLongLong(), searchFor(words.at(1)));
    else if (op == "older")
        history.StepOlder();
    else if (op == "newer")
        history.StepNewer();
    else if (op == "set")
        history.SetCurrentId(words.at(1).toLongLong());
    else if (op == "get")
        returned = QStringLiteral("=%1 ").arg(history.GetCurrentId());
    else if (op == "replace")
        history.ReplaceCurrent(searchFor(words.at(1)));
    else
        qFatal("unknown step %s", qPrintable(step));
    return returned + stateOf(history);
}

} // namespace

class TestHistoryObject : public QObject {
    Q_OBJECT
private slots:
    void steps_data();
    void steps();
    void statementKeptAsValue();
};

void TestHistoryObject::steps_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("expected"); // one per step

    QTest::newRow("empty history")
        << QStringList{"get", "set 5", "get", "replace Z"}
        << QStringList{"=0 -/0 -前进 -后退", "-/0 -前进 -后退", "=0 -/0 -前进 -后退", "-/0 -前进 -后退"};
    QTest::newRow("first push: both buttons off")
        << QStringList{"push A 1", "get", "replace Z", "older", "newer"}
        << QStringList{"A/1 -前进 -后退", "=1 A/1 -前进 -后退", "Z/1 -前进 -后退", "Z/1 -前进 +后退", "Z/1 +前进 +后退"};
    QTest::newRow("second push enables 前进 only")
        << QStringList{"push A 1", "push B 2", "get"}
        << QStringList{"A/1 -前进 -后退", "B/2 +前进 -后退", "=2 B/2 +前进 -后退"};
    // A press past an end runs the same statement again and disables its
    // button; the other button then brings back that same entry.
    QTest::newRow("past the oldest end and back")
        << QStringList{"push A 1", "push B 2", "older", "older", "newer", "newer"}
        << QStringList{"A/1 -前进 -后退", "B/2 +前进 -后退", "A/1 +前进 +后退",
                       "A/1 -前进 +后退", "A/1 +前进 +后退", "B/2 +前进 +后退"};
    QTest::newRow("past the newest end and back")
        << QStringList{"push A 1", "push B 2", "older", "newer", "newer", "older", "older"}
        << QStringList{"A/1 -前进 -后退", "B/2 +前进 -后退", "A/1 +前进 +后退", "B/2 +前进 +后退",
                       "B/2 +前进 -后退", "B/2 +前进 +后退", "A/1 +前进 +后退"};
    QTest::newRow("id stored on the current entry only")
        << QStringList{"push A 1", "push B 2", "set 5", "get", "older", "set 7", "newer", "older"}
        << QStringList{"A/1 -前进 -后退", "B/2 +前进 -后退", "B/2 +前进 -后退", "=5 B/5 +前进 -后退",
                       "A/1 +前进 +后退", "A/1 +前进 +后退", "B/5 +前进 +后退", "A/7 +前进 +后退"};
    QTest::newRow("set past an end stores nothing")
        << QStringList{"push A 1", "push B 2", "older", "older", "set 9", "get", "newer", "newer", "newer", "set 8", "get", "older"}
        << QStringList{"A/1 -前进 -后退", "B/2 +前进 -后退", "A/1 +前进 +后退", "A/1 -前进 +后退",
                       "A/1 -前进 +后退", "=1 A/1 -前进 +后退", "A/1 +前进 +后退", "B/2 +前进 +后退",
                       "B/2 +前进 -后退", "B/2 +前进 -后退", "=2 B/2 +前进 -后退", "B/2 +前进 +后退"};
    QTest::newRow("push after stepping back adds at the newest end")
        << QStringList{"push A 1", "push B 2", "push C 3", "older", "older", "push D 4", "older", "older", "older", "older"}
        << QStringList{"A/1 -前进 -后退", "B/2 +前进 -后退", "C/3 +前进 -后退", "B/2 +前进 +后退",
                       "A/1 +前进 +后退", "D/4 +前进 -后退", "C/3 +前进 +后退", "B/2 +前进 +后退",
                       "A/1 +前进 +后退", "A/1 -前进 +后退"};
    QTest::newRow("push while past an end")
        << QStringList{"push A 1", "push B 2", "older", "older", "push C 3", "older"}
        << QStringList{"A/1 -前进 -后退", "B/2 +前进 -后退", "A/1 +前进 +后退", "A/1 -前进 +后退",
                       "C/3 +前进 -后退", "B/2 +前进 +后退"};
    QTest::newRow("replace current")
        << QStringList{"push A 1", "push B 2", "older", "replace Z", "newer", "older", "older", "replace Y", "newer"}
        << QStringList{"A/1 -前进 -后退", "B/2 +前进 -后退", "A/1 +前进 +后退", "Z/1 +前进 +后退",
                       "B/2 +前进 +后退", "Z/1 +前进 +后退", "Z/1 -前进 +后退", "Z/1 -前进 +后退", "Z/1 +前进 +后退"};
    // Steps taken before anything was pushed stay one beyond the end, and the
    // first push then keeps position and buttons as they were.
    QTest::newRow("steps on the empty list")
        << QStringList{"older", "older", "newer", "newer", "push A 1", "older", "newer"}
        << QStringList{"-/0 -前进 +后退", "-/0 -前进 +后退", "-/0 +前进 -后退", "-/0 +前进 -后退",
                       "A/1 +前进 -后退", "A/1 -前进 +后退", "A/1 +前进 +后退"};
    QTest::newRow("first push after stepping older on the empty list")
        << QStringList{"older", "push A 1", "get", "newer", "newer", "push B 2", "older"}
        << QStringList{"-/0 -前进 +后退", "A/1 -前进 +后退", "=1 A/1 -前进 +后退", "A/1 +前进 +后退",
                       "A/1 +前进 -后退", "B/2 +前进 -后退", "A/1 +前进 +后退"};

    // Eleven searches keep the newest ten: stepping older ends at the second.
    QStringList steps;
    QStringList expected;
    for (int i = 1; i <= 11; ++i) {
        steps << QStringLiteral("push %1 %1").arg(i);
        expected << QStringLiteral("%1/%1 %2前进 -后退").arg(i).arg(i == 1 ? '-' : '+');
    }
    for (int i = 10; i >= 2; --i) {
        steps << QStringLiteral("older");
        expected << QStringLiteral("%1/%1 +前进 +后退").arg(i);
    }
    steps << "older" << "newer" << "newer";
    expected << "2/2 -前进 +后退" << "2/2 +前进 +后退" << "3/3 +前进 +后退";
    QTest::newRow("eleventh push drops the oldest") << steps << expected;
}

void TestHistoryObject::steps()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);
    QCOMPARE(steps.size(), expected.size());
    THistoryObject history;
    QStringList seen;
    for (const QString &step : steps) {
        seen << run(history, step);
        QVERIFY2(history.Entries().size() <= THistoryObject::MaxEntries, qPrintable(step));
    }
    // Compared as a whole so a failure shows the step where the two part.
    QCOMPARE(seen, expected);
}

// What a step brings back is the statement as it was run: its text with
// placeholders, its bound values and its order, ready to run again.
void TestHistoryObject::statementKeptAsValue()
{
    THistoryObject history;
    const Sql quoted(QStringLiteral("SELECT * FROM TbRental WHERE FWDZ LIKE ? ESCAPE '\\'"),
                     {QStringLiteral("%O'Brien \"5%\"%")}, QStringLiteral("LRRQ DESC, ID DESC"));
    history.Push(41, quoted);
    history.Push(42, searchFor(QStringLiteral("B")));
    history.StepOlder();
    QCOMPARE(history.Current(), quoted);
    QCOMPARE(history.GetCurrentId(), qint64(41));
}

QTEST_MAIN(TestHistoryObject)
#include "TestHistoryObject.moc"
