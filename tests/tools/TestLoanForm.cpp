#include "components/GoldenFile.h"
#include "datastore/Globalvar.h"
#include "support/FileDialogRecorder.h"
#include "support/MainWindowFixture.h"
#include "tools/LoanForm.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

using namespace brel;

namespace {
const QString Invalid = QStringLiteral("输入数据无效，无法计算出结果");
const QString Result = QStringLiteral("计算结果");
} // namespace

class TestLoanForm : public QObject, public test::MainWindowFixture {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void opensFromItsCommand();
    void optionSwitching_data();
    void optionSwitching();
    void keyFilter_data();
    void keyFilter();
    void checksInOrder_data();
    void checksInOrder();
    void exampleTable();
    void loanSumAndTerm_data();
    void loanSumAndTerm();
    void unusableInput_data();
    void unusableInput();
    void tableExports();

private:
    void fill(const QString &sum, const QString &rate, const QString &years, const QString &freq,
              const QString &payment = QString());
    void chooseOption(int option);

    TLoanFm *m_window = nullptr;
};

void TestLoanForm::init()
{
    startMainWindow();
    TMainFm::RegisterChild(QStringLiteral("atLoan"), [](QWidget *parent) { return new TLoanFm(parent); });
    command("atLoan")->trigger();
    m_window = qobject_cast<TLoanFm *>(m_form->CurrentChild());
    QVERIFY(m_window);
    QTRY_VERIFY(m_window->isVisible());
}

void TestLoanForm::cleanup()
{
    m_window = nullptr;
    stopMainWindow();
}

void TestLoanForm::fill(const QString &sum, const QString &rate, const QString &years, const QString &freq,
                        const QString &payment)
{
    const QList<std::pair<QLineEdit *, QString>> boxes = {
        {m_window->edSum, sum}, {m_window->edRate, rate}, {m_window->edYears, years},
        {m_window->edFreq, freq}, {m_window->edPayment, payment}};
    for (const auto &[box, text] : boxes) {
        if (!box->isReadOnly() && box->isEnabled()) {
            test::clearBox(box);
            test::typeText(box, text);
        }
    }
}

void TestLoanForm::chooseOption(int option)
{
    auto *item = m_window->findChild<QRadioButton *>(QStringLiteral("rbOption%1").arg(option));
    QVERIFY(item);
    // On the indicator: a radio button takes clicks on its indicator and text only.
    QTest::mouseClick(item, Qt::LeftButton, {}, QPoint(8, item->height() / 2));
    QCOMPARE(m_window->option(), option);
}

void TestLoanForm::opensFromItsCommand()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("按揭贷款计算器"));
    QCOMPARE(m_window->option(), int(TLoanFm::PaymentOption));
    QCOMPARE(QApplication::focusWidget(), m_window->edSum);
    QVERIFY(!m_window->edPayment->isEnabled());
    QVERIFY(m_window->LoanSchedule->isReadOnly());
    QCOMPARE(m_window->LoanSchedule->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    // Every box is named by its label.
    const QMap<QLineEdit *, QString> labels = {{m_window->edSum, QStringLiteral("贷款总额：")},
                                              {m_window->edRate, QStringLiteral("年利率：")},
                                              {m_window->edYears, QStringLiteral("贷款期限：")},
                                              {m_window->edFreq, QStringLiteral("偿还频率：")},
                                              {m_window->edPayment, QStringLiteral("每期还款额：")}};
    for (QLabel *label : m_window->findChildren<QLabel *>())
        if (auto *box = qobject_cast<QLineEdit *>(label->buddy()))
            QCOMPARE(label->text(), labels.value(box));
    // Nothing to print or export before a table exists.
    QVERIFY(!m_window->btnPrint->isEnabled());
    QVERIFY(!command("btnExp")->isEnabled());
    checkFitsCommonScreens(m_window);
}

void TestLoanForm::optionSwitching_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("sum");
    QTest::addColumn<bool>("sumReadOnly");
    QTest::addColumn<QString>("years");
    QTest::addColumn<bool>("yearsReadOnly");
    QTest::addColumn<bool>("paymentEnabled");
    QTest::newRow("1 payment and table") << 1 << QString() << false << QString() << false << false;
    QTest::newRow("2 loan amount") << 2 << Result << true << QString() << false << true;
    QTest::newRow("3 term") << 3 << QString() << false << Result << true << true;
}

// Switching clears the boxes and sets them for the option; the table stays.
void TestLoanForm::optionSwitching()
{
    QFETCH(int, option);
    QFETCH(QString, sum);
    QFETCH(bool, sumReadOnly);
    QFETCH(QString, years);
    QFETCH(bool, yearsReadOnly);
    QFETCH(bool, paymentEnabled);
    fill(QStringLiteral("100000"), QStringLiteral("6"), QStringLiteral("12"), QStringLiteral("1"));
    QTest::mouseClick(m_window->btnOk, Qt::LeftButton);
    const QString table = m_window->LoanSchedule->toPlainText();
    QVERIFY(!table.isEmpty());
    chooseOption(option == 1 ? 2 : 1);
    fill(QStringLiteral("5"), QStringLiteral("5"), QStringLiteral("5"), QStringLiteral("5"), QStringLiteral("5"));

    chooseOption(option);
    QCOMPARE(m_window->edSum->text(), sum);
    QCOMPARE(m_window->edSum->isReadOnly(), sumReadOnly);
    QCOMPARE(m_window->edYears->text(), years);
    QCOMPARE(m_window->edYears->isReadOnly(), yearsReadOnly);
    QCOMPARE(m_window->edPayment->isEnabled(), paymentEnabled);
    QCOMPARE(m_window->edRate->text(), QString());
    QCOMPARE(m_window->edFreq->text(), QString());
    QCOMPARE(m_window->edPayment->text(), QString());
    QCOMPARE(m_window->LoanSchedule->toPlainText(), table);
}

void TestLoanForm::keyFilter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("digits") << QStringLiteral("300000") << QStringLiteral("300000");
    QTest::newRow("one point only") << QStringLiteral("4.9.5") << QStringLiteral("4.95");
    QTest::newRow("letters and signs dropped") << QStringLiteral("1a2-3+e4 ,5") << QStringLiteral("12345");
    QTest::newRow("backspace passes") << QStringLiteral("12\b3") << QStringLiteral("13");
}

void TestLoanForm::keyFilter()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    chooseOption(3);
    for (QLineEdit *box : {m_window->edSum, m_window->edRate, m_window->edFreq, m_window->edPayment}) {
        box->setFocus();
        for (QChar c : typed) {
            if (c == QLatin1Char('\b'))
                QTest::keyClick(box, Qt::Key_Backspace);
            else
                QTest::keyClicks(box, QString(c));
        }
        QCOMPARE(box->text(), shown);
    }
    // Enter still moves on from a box.
    m_window->edSum->setFocus();
    QTest::keyClick(m_window->edSum, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), m_window->edRate);
}

void TestLoanForm::checksInOrder_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QStringList>("boxes"); // sum, rate, years, freq, payment
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("focused");
    const QString e;
    QTest::newRow("1: sum first") << 1 << QStringList{e, e, e, e, e} << QStringLiteral("贷款总额") << "edSum";
    QTest::newRow("1: then rate") << 1 << QStringList{"1", e, e, e, e} << QStringLiteral("年利率") << "edRate";
    QTest::newRow("1: then term") << 1 << QStringList{"1", "1", e, "1", e} << QStringLiteral("贷款期限") << "edYears";
    QTest::newRow("1: term is whole") << 1 << QStringList{"1", "1", "1.5", "1", e} << QStringLiteral("贷款期限")
                                      << "edYears";
    QTest::newRow("1: then frequency") << 1 << QStringList{"1", "1", "1", ".", e} << QStringLiteral("偿还频率")
                                       << "edFreq";
    QTest::newRow("2: rate first") << 2 << QStringList{e, e, e, e, e} << QStringLiteral("年利率") << "edRate";
    QTest::newRow("2: payment last") << 2 << QStringList{e, "1", "1", "1", e} << QStringLiteral("每期还款额")
                                     << "edPayment";
    QTest::newRow("3: term not checked") << 3 << QStringList{"1", "1", e, e, "1"} << QStringLiteral("偿还频率")
                                         << "edFreq";
    QTest::newRow("3: payment last") << 3 << QStringList{"1", "1", e, "1", "."} << QStringLiteral("每期还款额")
                                     << "edPayment";
}

void TestLoanForm::checksInOrder()
{
    QFETCH(int, option);
    QFETCH(QStringList, boxes);
    QFETCH(QString, caption);
    QFETCH(QString, focused);
    chooseOption(option);
    const QString sumBefore = m_window->edSum->text();
    fill(boxes[0], boxes[1], boxes[2], boxes[3], boxes[4]);
    m_messages->clear();
    QTest::mouseClick(m_window->btnOk, Qt::LeftButton);
    QCOMPARE(m_messages->texts(), QStringList{IncorrectMessage(caption)});
    QCOMPARE(m_messages->messages.first().icon, Messages::Icon::Error);
    QCOMPARE(QApplication::focusWidget()->objectName(), focused);
    QCOMPARE(m_window->LoanSchedule->toPlainText(), QString());
    if (option == 2)
        QCOMPARE(m_window->edSum->text(), sumBefore);
}

void TestLoanForm::exampleTable()
{
    fill(QStringLiteral("100000"), QStringLiteral("6"), QStringLiteral("12"), QStringLiteral("1"));
    QTest::mouseClick(m_window->btnOk, Qt::LeftButton);
    QCOMPARE(m_messages->texts(), QStringList());
    const QByteArray shown = (m_window->LoanSchedule->toPlainText() + QLatin1Char('\n')).toUtf8();
    const QString diff = test::compareWithGolden(QStringLiteral("loan-schedule.txt"), shown);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    QCOMPARE(m_window->LoanSchedule->verticalScrollBar()->value(), 0);
    // The columns stand under the Chinese titles: the header's 剩余本金 ends
    // (its 13th character) where the rows' remaining principal ends (their 19th).
    auto x = [this](int line, int position) {
        QTextCursor cursor(m_window->LoanSchedule->document()->findBlockByNumber(line));
        cursor.setPosition(cursor.position() + position);
        return m_window->LoanSchedule->cursorRect(cursor).x();
    };
    QCOMPARE(m_window->LoanSchedule->document()->findBlockByNumber(10).text().left(13),
             QStringLiteral(" -期次-----剩余本金"));
    QVERIFY2(qAbs(x(10, 13) - x(12, 19)) <= 1, qPrintable(QStringLiteral("%1 %2").arg(x(10, 13)).arg(x(12, 19))));
    QVERIFY(qAbs(x(10, 46) - x(12, 64)) <= 1); // the lines' ends: 64 columns, 18 of the 46 characters Chinese
    QVERIFY(m_window->btnPrint->isEnabled());
    QVERIFY(command("btnExp")->isEnabled());
    if (const QString out = qEnvironmentVariable("BRELVANTO_SCREENSHOT"); !out.isEmpty())
        QVERIFY(m_form->grab().save(QString(out).replace(QLatin1String(".png"), QStringLiteral("-table.png"))));
}

void TestLoanForm::loanSumAndTerm_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QStringList>("boxes"); // sum, rate, years, freq, payment
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("result");
    // PV(4.9 % / 12, 240, -1963.33) = 299999.6719; NPER(4.9 % / 12, -2000, 300000) = 232.647.
    QTest::newRow("loan amount") << 2 << QStringList{"", "4.9", "240", "1", "1963.33"} << "edSum"
                                 << QStringLiteral("299999.67");
    QTest::newRow("term") << 3 << QStringList{"300000", "4.9", "", "1", "2000"} << "edYears" << QStringLiteral("233");
    QTest::newRow("payment below the interest") << 3 << QStringList{"100000", "6", "", "1", "499.99"} << "edYears"
                                                << QStringLiteral("0");
}

void TestLoanForm::loanSumAndTerm()
{
    QFETCH(int, option);
    QFETCH(QStringList, boxes);
    QFETCH(QString, box);
    QFETCH(QString, result);
    chooseOption(option);
    fill(boxes[0], boxes[1], boxes[2], boxes[3], boxes[4]);
    QTest::mouseClick(m_window->btnOk, Qt::LeftButton);
    QCOMPARE(m_messages->texts(), QStringList());
    QCOMPARE(m_window->findChild<QLineEdit *>(box)->text(), result);
}

void TestLoanForm::unusableInput_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QStringList>("boxes"); // sum, rate, years, freq, payment
    QTest::newRow("1: zero rate") << 1 << QStringList{"100000", "0", "12", "1", ""};
    QTest::newRow("1: zero frequency") << 1 << QStringList{"100000", "6", "12", "0", ""};
    QTest::newRow("1: zero term") << 1 << QStringList{"100000", "6", "0", "1", ""};
    QTest::newRow("2: zero rate") << 2 << QStringList{"", "0", "12", "1", "1000"};
    QTest::newRow("3: payment equal to the interest") << 3 << QStringList{"100000", "6", "", "1", "500"};
    QTest::newRow("3: zero payment") << 3 << QStringList{"100000", "6", "", "1", "0"};
}

// The error, and nothing else changes: the previous table stays.
void TestLoanForm::unusableInput()
{
    QFETCH(int, option);
    QFETCH(QStringList, boxes);
    fill(QStringLiteral("100000"), QStringLiteral("6"), QStringLiteral("12"), QStringLiteral("1"));
    QTest::mouseClick(m_window->btnOk, Qt::LeftButton);
    const QString table = m_window->LoanSchedule->toPlainText();
    chooseOption(option);
    fill(boxes[0], boxes[1], boxes[2], boxes[3], boxes[4]);
    const QString sum = m_window->edSum->text();
    const QString years = m_window->edYears->text();
    m_messages->clear();
    QTest::mouseClick(m_window->btnOk, Qt::LeftButton);
    QCOMPARE(m_messages->texts(), QStringList{Invalid});
    QCOMPARE(m_messages->messages.first().icon, Messages::Icon::Error);
    QCOMPARE(m_window->LoanSchedule->toPlainText(), table);
    QCOMPARE(m_window->edSum->text(), sum);
    QCOMPARE(m_window->edYears->text(), years);
}

// The PDF holds the whole table as text; the workbook holds the rows as numbers.
void TestLoanForm::tableExports()
{
    fill(QStringLiteral("100000"), QStringLiteral("6"), QStringLiteral("12"), QStringLiteral("1"));
    QTest::mouseClick(m_window->btnOk, Qt::LeftButton);
    test::FileDialogRecorder dialogs;

    const QString pdf = m_dir->filePath(QStringLiteral("还款表.pdf"));
    dialogs.setNextFileName(pdf);
    QTest::mouseClick(m_window->btnPdf, Qt::LeftButton);
    QCOMPARE(dialogs.requests.size(), 1);
    QCOMPARE(dialogs.requests.first().kind, FileDialogs::Kind::Save);
    if (QString out = qEnvironmentVariable("BRELVANTO_SCREENSHOT"); !out.isEmpty())
        QFile::copy(pdf, out.replace(QLatin1String(".png"), QStringLiteral("-table.pdf")));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(20000));
    const QString printed = QString::fromUtf8(text.readAllStandardOutput());
    for (const char *part : {"按揭贷款分析", "按揭贷款还款表", "91893.36", "42.82", "8606.69", "103279.73"})
        QVERIFY2(printed.contains(QString::fromUtf8(part)), part);

    const QString book = m_dir->filePath(QStringLiteral("还款表.xlsx"));
    dialogs.setNextFileName(book);
    command("btnExp")->trigger();
    QProcess sheet;
    sheet.start(QStringLiteral("unzip"), {QStringLiteral("-p"), book, QStringLiteral("xl/worksheets/sheet1.xml")});
    QVERIFY(sheet.waitForFinished(20000));
    const QString xml = QString::fromUtf8(sheet.readAllStandardOutput());
    QVERIFY2(xml.contains(QStringLiteral("<v>91893.36</v>")), qPrintable(xml.left(2000)));
    QVERIFY(xml.contains(QStringLiteral("<v>42.82</v>")));
    QCOMPARE(xml.count(QStringLiteral("<row ")), 13);

    // A cancelled dialog writes nothing.
    dialogs.setNextCancel();
    QVERIFY(!m_window->exportPdf());
}

QTEST_MAIN(TestLoanForm)
#include "TestLoanForm.moc"
