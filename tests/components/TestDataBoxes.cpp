#include "components/widgets/DataBoxes.h"
#include "datastore/Globalvar.h"
#include "support/MessageRecorder.h"
#include "support/TestFiles.h"

#include <QCalendarWidget>
#include <QInputMethodEvent>
#include <QTest>

using namespace brel;

namespace {

// Types committed text the way an input method does (keyClicks cannot type Chinese).
void typeCommitted(QWidget *w, const QString &text)
{
    QInputMethodEvent e;
    e.setCommitString(text);
    QCoreApplication::sendEvent(w, &e);
}

} // namespace

class TestDataBoxes : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void showsCurrentRecordOnScrollAndChange();
    void typingEditsAndPostStoresIt_data();
    void typingEditsAndPostStoresIt();
    void invalidDateStopsPostAndKeepsText();
    void numericKeyFilterDropsRefusedKeys();
    void maskedBoxNeverHoldsTheValue();
    void lengthComesFromSchema();
    void moneyFormat_data();
    void moneyFormat();
    void readOnlyBoxIgnoresTyping();
    void listBoxes();
    void checkBoxWritesBool();
    void memoKeepsLineBreaksAndLimit();
    void popupHooksAndWriteOnClose();
    void dateBoxCalendar();
    void calculatorBox();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<DataSet> m_ds;
    std::unique_ptr<DataSource> m_source;
    QVariant stored(const QString &column, qint64 id)
    {
        auto st = m_db->prepare(Sql(QStringLiteral("SELECT %1 FROM TbRental WHERE ID=?").arg(column), {id}));
        return st->step() ? st->value(0) : QVariant();
    }
};

void TestDataBoxes::init()
{
    const QString path = m_dir.filePath(QStringLiteral("boxes.mdb"));
    QFile::remove(path);
    test::makeBlankFile(path);
    m_db = std::make_unique<Database>();
    m_db->open(path, test::DataPassword);
    m_db->execute(Sql("INSERT INTO TbRental (SJH, FWDZ, ZJ, JGRQ, LXRDH1, GGFB, LC) VALUES (?,?,?,?,?,?,?)",
                      {QStringLiteral("00000001"), QStringLiteral("城东区人民路1号"), 1200.0, QStringLiteral("2020-05-01"),
                       QStringLiteral("13900001111"), 1, 5}));
    m_db->execute(Sql("INSERT INTO TbRental (SJH, FWDZ, ZJ) VALUES (?,?,?)",
                      {QStringLiteral("00000002"), QStringLiteral("城西区\"光明\"巷"), 850.5}));
    m_ds = std::make_unique<DataSet>(m_db.get());
    m_ds->setSql(Sql("SELECT * FROM TbRental", {}, "ID"));
    m_source = std::make_unique<DataSource>();
    m_source->setDataSet(m_ds.get());
    m_ds->open();
}

void TestDataBoxes::cleanup()
{
    m_source.reset();
    m_ds.reset();
    m_db.reset();
}

void TestDataBoxes::showsCurrentRecordOnScrollAndChange()
{
    DbEdit edit;
    edit.setDataSource(m_source.get());
    edit.setDataField(QStringLiteral("FWDZ"));
    QCOMPARE(edit.text(), QStringLiteral("城东区人民路1号"));
    m_ds->next();
    QCOMPARE(edit.text(), QStringLiteral("城西区\"光明\"巷"));
    m_ds->setValue(QStringLiteral("FWDZ"), QStringLiteral("别处改的"));
    QCOMPARE(edit.text(), QStringLiteral("别处改的"));
    m_ds->cancel();
    QCOMPARE(edit.text(), QStringLiteral("城西区\"光明\"巷"));
    m_ds->close();
    QCOMPARE(edit.text(), QString());
}

void TestDataBoxes::typingEditsAndPostStoresIt_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("chinese");
    QTest::addColumn<QVariant>("stored");
    QTest::newRow("text") << "SJH" << "A\"%_'" << false << QVariant(QStringLiteral("A\"%_'"));
    QTest::newRow("chinese text") << "FWDZ" << "城南区" << true << QVariant(QStringLiteral("城南区"));
    QTest::newRow("integer") << "LC" << "12" << false << QVariant(qint64(12));
    QTest::newRow("money") << "ZJ" << "99.5" << false << QVariant(99.5);
    QTest::newRow("date") << "JGRQ" << "2021-03-04" << false << QVariant(QStringLiteral("2021-03-04"));
    QTest::newRow("date with short parts") << "JGRQ" << "2021-3-4" << false << QVariant(QStringLiteral("2021-03-04"));
}

void TestDataBoxes::typingEditsAndPostStoresIt()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(bool, chinese);
    QFETCH(QVariant, stored);
    DbDateEdit dateEdit;
    DbEdit plainEdit;
    DbEdit &edit = field == QLatin1String("JGRQ") ? dateEdit : plainEdit;
    edit.setDataSource(m_source.get());
    edit.setDataField(field);
    edit.setText(QString());
    QCOMPARE(m_ds->state(), DataSet::State::Browse);
    if (chinese)
        typeCommitted(&edit, typed);
    else
        QTest::keyClicks(&edit, typed);
    QCOMPARE(m_ds->state(), DataSet::State::Edit);
    const qint64 id = m_ds->currentId();
    m_ds->post();
    QCOMPARE(m_ds->state(), DataSet::State::Browse);
    QCOMPARE(this->stored(field, id), stored);
}

void TestDataBoxes::invalidDateStopsPostAndKeepsText()
{
    test::MessageRecorder messages;
    DbDateEdit edit;
    edit.setDataSource(m_source.get());
    edit.setDataField(QStringLiteral("JGRQ"));
    edit.fieldLink()->setDisplayLabel(QStringLiteral("竣工日期"));
    edit.clear();
    QTest::keyClicks(&edit, "2021-13-01");
    m_ds->post();
    QCOMPARE(m_ds->state(), DataSet::State::Edit);
    QCOMPARE(messages.messages.size(), 1);
    QVERIFY(messages.lastText().contains(QStringLiteral("竣工日期")));
    QCOMPARE(edit.text(), QStringLiteral("2021-13-01"));
    QCOMPARE(stored(QStringLiteral("JGRQ"), 1), QVariant(QStringLiteral("2020-05-01")));

    edit.clear();
    QTest::keyClicks(&edit, "2024-02-29");
    m_ds->post();
    QCOMPARE(m_ds->state(), DataSet::State::Browse);
    QCOMPARE(stored(QStringLiteral("JGRQ"), 1), QVariant(QStringLiteral("2024-02-29")));

    // An emptied date is allowed and stored as empty.
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_Backspace);
    m_ds->post();
    QCOMPARE(stored(QStringLiteral("JGRQ"), 1), QVariant());
}

void TestDataBoxes::numericKeyFilterDropsRefusedKeys()
{
    DbNumericEdit edit;
    edit.setKeyFilter(NumericKeyFilter);
    edit.setDataSource(m_source.get());
    edit.setDataField(QStringLiteral("ZJ"));
    edit.clear();
    QTest::keyClicks(&edit, "12a.5.3");
    QCOMPARE(edit.text(), QStringLiteral("12.53"));
    typeCommitted(&edit, QStringLiteral("元"));
    QCOMPARE(edit.text(), QStringLiteral("12.53"));
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QCOMPARE(edit.text(), QStringLiteral("12.5"));
    m_ds->post();
    QCOMPARE(stored(QStringLiteral("ZJ"), 1), QVariant(12.5));
}

void TestDataBoxes::maskedBoxNeverHoldsTheValue()
{
    DbEdit edit;
    edit.setMasked(true);
    edit.setDataSource(m_source.get());
    edit.setDataField(QStringLiteral("LXRDH1"));
    QCOMPARE(edit.text(), QStringLiteral("***********"));
    QTest::keyClicks(&edit, "9");
    QCOMPARE(m_ds->state(), DataSet::State::Browse);
    QCOMPARE(edit.text(), QStringLiteral("***********"));
    edit.setMasked(false);
    QCOMPARE(edit.text(), QStringLiteral("13900001111"));

    DbLabel label;
    label.setMasked(true);
    label.setDataSource(m_source.get());
    label.setDataField(QStringLiteral("FWDZ"));
    QCOMPARE(label.text(), QStringLiteral("********"));
}

void TestDataBoxes::lengthComesFromSchema()
{
    QCOMPARE(Schema::textSize(QStringLiteral("TbRental"), QStringLiteral("SJH")), 10);
    DbEdit edit;
    edit.setDataSource(m_source.get());
    edit.setDataField(QStringLiteral("SJH"));
    edit.clear();
    QTest::keyClicks(&edit, "123456789012345");
    QCOMPARE(edit.text(), QStringLiteral("1234567890"));
    m_ds->post();
    QCOMPARE(m_ds->state(), DataSet::State::Browse);

    // The size counts characters: one outside the basic plane is one, not two.
    const QString wide = QString::fromUcs4(U"\U00020000");
    edit.clear();
    for (int i = 0; i < 11; ++i)
        typeCommitted(&edit, wide);
    QCOMPARE(edit.text(), wide.repeated(10));
    // Typed in the middle of a full box, nothing already there is pushed out.
    edit.setCursorPosition(2);
    QTest::keyClicks(&edit, "x");
    QCOMPARE(edit.text(), wide.repeated(10));
    m_ds->post();
    QCOMPARE(m_ds->state(), DataSet::State::Browse);
    QCOMPARE(stored(QStringLiteral("SJH"), 1), QVariant(wide.repeated(10)));

    // A pasted text keeps what fits.
    edit.clear();
    edit.insert(QStringLiteral("ab") + wide.repeated(12));
    QCOMPARE(edit.text(), QStringLiteral("ab") + wide.repeated(8));

    DbPickBox pick;
    pick.setDataSource(m_source.get());
    pick.setDataField(QStringLiteral("SJH"));
    pick.lineEdit()->clear();
    pick.lineEdit()->insert(wide.repeated(11));
    QCOMPARE(pick.currentText(), wide.repeated(10));
}

void TestDataBoxes::moneyFormat_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("two decimals") << "#0.00" << "1200.00" << "850.50";
    QTest::newRow("up to two") << "#.##" << "1200" << "850.5";
}

void TestDataBoxes::moneyFormat()
{
    QFETCH(QString, format);
    QFETCH(QString, first);
    QFETCH(QString, second);
    DbNumericEdit edit;
    edit.setDisplayFormat(format);
    edit.setDataSource(m_source.get());
    edit.setDataField(QStringLiteral("ZJ"));
    QCOMPARE(edit.text(), first);
    m_ds->next();
    QCOMPARE(edit.text(), second);
    DbLabel label;
    label.setDisplayFormat(format);
    label.setDataSource(m_source.get());
    label.setDataField(QStringLiteral("ZJ"));
    QCOMPARE(label.text(), second);
}

void TestDataBoxes::readOnlyBoxIgnoresTyping()
{
    DbEdit edit;
    edit.setDataSource(m_source.get());
    edit.setDataField(QStringLiteral("SJH"));
    edit.setDataReadOnly(true);
    QTest::keyClicks(&edit, "99");
    QCOMPARE(m_ds->state(), DataSet::State::Browse);
    QCOMPARE(edit.text(), QStringLiteral("00000001"));

    // A computed or key field is never typed into.
    DbEdit id;
    id.setDataSource(m_source.get());
    id.setDataField(QStringLiteral("ID"));
    QVERIFY(id.QLineEdit::isReadOnly());
}

void TestDataBoxes::listBoxes()
{
    DbPickBox pick;
    pick.setItems({QStringLiteral("城东"), QStringLiteral("城西")});
    pick.setDataSource(m_source.get());
    pick.setDataField(QStringLiteral("QY"));
    QCOMPARE(pick.currentText(), QString());
    pick.setCurrentIndex(1);
    QCOMPARE(m_ds->value(QStringLiteral("QY")).toString(), QStringLiteral("城西"));
    pick.lineEdit()->clear();
    typeCommitted(pick.lineEdit(), QStringLiteral("开发区"));
    QCOMPARE(m_ds->value(QStringLiteral("QY")).toString(), QStringLiteral("开发区"));
    m_ds->post();
    QCOMPARE(stored(QStringLiteral("QY"), 1), QVariant(QStringLiteral("开发区")));

    DbChoiceBox choice;
    choice.setItems({QStringLiteral("一室一厅"), QStringLiteral("两室一厅")});
    choice.setDataSource(m_source.get());
    choice.setDataField(QStringLiteral("FX"));
    QCOMPARE(choice.currentIndex(), -1);
    emit choice.activated(1);
    m_ds->post();
    QCOMPARE(stored(QStringLiteral("FX"), 1), QVariant(QStringLiteral("两室一厅")));
    m_ds->next();
    QCOMPARE(choice.currentIndex(), -1);
    m_ds->prior();
    QCOMPARE(choice.currentText(), QStringLiteral("两室一厅"));
}

void TestDataBoxes::checkBoxWritesBool()
{
    DbCheckBox box(QStringLiteral("公告发布"));
    box.setDataSource(m_source.get());
    box.setDataField(QStringLiteral("GGFB"));
    QVERIFY(box.isChecked());
    box.click();
    QVERIFY(!box.isChecked());
    QCOMPARE(m_ds->state(), DataSet::State::Edit);
    m_ds->post();
    QCOMPARE(stored(QStringLiteral("GGFB"), 1).toInt(), 0);
    box.setDataReadOnly(true);
    box.click();
    QVERIFY(!box.isChecked());
    QCOMPARE(m_ds->state(), DataSet::State::Browse);
}

void TestDataBoxes::memoKeepsLineBreaksAndLimit()
{
    DbMemo memo;
    memo.setDataSource(m_source.get());
    memo.setDataField(QStringLiteral("FXT"));
    memo.setPlainText(QStringLiteral("甲.jpg\n乙.jpg"));
    m_ds->post();
    QCOMPARE(stored(QStringLiteral("FXT"), 1), QVariant(QStringLiteral("甲.jpg\n乙.jpg")));

    DbMemo limited;
    limited.setDataSource(m_source.get());
    limited.setDataField(QStringLiteral("LXRDH1"));
    limited.setPlainText(QString(60, QLatin1Char('7')));
    QCOMPARE(limited.toPlainText().size(), 40);
    m_ds->post();
    QCOMPARE(m_ds->state(), DataSet::State::Browse);

    // Characters, not UTF-16 units: forty wide ones fit, and none is cut in half.
    const QString wide = QString::fromUcs4(U"\U00020000");
    limited.setPlainText(wide.repeated(41));
    QCOMPARE(limited.toPlainText(), wide.repeated(40));
    m_ds->post();
    QCOMPARE(m_ds->state(), DataSet::State::Browse);
    QCOMPARE(stored(QStringLiteral("LXRDH1"), 1), QVariant(wide.repeated(40)));
}

void TestDataBoxes::popupHooksAndWriteOnClose()
{
    DbPopupEdit box;
    QLabel panel(QStringLiteral("选项"));
    box.setPopupWidget(&panel);
    box.setDataSource(m_source.get());
    box.setDataField(QStringLiteral("ZWHJ"));
    int opened = 0;
    bool refuse = true;
    box.setOpenHook([&] { ++opened; });
    box.setCloseHook([&](bool &accept) { accept = !refuse; });
    box.show();
    box.openPopup();
    QCOMPARE(opened, 1);
    QVERIFY(box.isPopupOpen());
    box.setText(QStringLiteral("学校,医院"));
    box.closePopup();
    QVERIFY(box.isPopupOpen());
    refuse = false;
    box.closePopup();
    QVERIFY(!box.isPopupOpen());
    QCOMPARE(m_ds->value(QStringLiteral("ZWHJ")).toString(), QStringLiteral("学校,医院"));
    m_ds->post();
    QCOMPARE(stored(QStringLiteral("ZWHJ"), 1), QVariant(QStringLiteral("学校,医院")));

    // A read-only box does not open its panel, so the panel cannot change the field.
    box.setDataReadOnly(true);
    box.openPopup();
    QVERIFY(!box.isPopupOpen());
    QCOMPARE(opened, 1);
}

void TestDataBoxes::dateBoxCalendar()
{
    DbDateEdit box;
    box.setDataSource(m_source.get());
    box.setDataField(QStringLiteral("JGRQ"));
    QCOMPARE(box.text(), QStringLiteral("2020-05-01"));
    box.show();
    box.openPopup();
    auto *calendar = box.findChild<QCalendarWidget *>();
    QVERIFY(calendar);
    QCOMPARE(calendar->selectedDate(), QDate(2020, 5, 1));
    emit calendar->clicked(QDate(2022, 1, 9));
    QVERIFY(!box.isPopupOpen());
    QCOMPARE(box.text(), QStringLiteral("2022-01-09"));
    m_ds->post();
    QCOMPARE(stored(QStringLiteral("JGRQ"), 1), QVariant(QStringLiteral("2022-01-09")));
}

void TestDataBoxes::calculatorBox()
{
    DbCalcEdit box;
    box.setDisplayFormat(QStringLiteral("#0.00"));
    box.setDataSource(m_source.get());
    box.setDataField(QStringLiteral("ZJ"));
    box.show();
    box.openPopup();
    QCOMPARE(box.calculatorDisplay(), QStringLiteral("1200"));
    for (const char *k : {"*", "3", "/", "1", "0", "0", "="})
        box.pressCalculatorKey(QString::fromLatin1(k));
    QCOMPARE(box.calculatorDisplay(), QStringLiteral("36"));
    box.setText(box.calculatorDisplay());
    box.closePopup();
    m_ds->post();
    QCOMPARE(stored(QStringLiteral("ZJ"), 1), QVariant(36.0));
    QCOMPARE(box.text(), QStringLiteral("36.00"));
}

QTEST_MAIN(TestDataBoxes)
#include "TestDataBoxes.moc"
