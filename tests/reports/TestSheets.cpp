#include "reports/PBarForm.h"
#include "support/ReportFixture.h"

#include "components/widgets/ReportPreview.h"
#include "listings/RentalManageForm.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrinter>
#include <QProgressBar>
#include <QTimer>

using namespace brel;
using namespace brel::test;

Q_DECLARE_METATYPE(brel::Sheet)

// The ten listing sheets through the main window's print commands, their
// windows' page controls, print and PDF, id lists and the progress window.
class TestSheets : public QObject, public ReportFixture {
    Q_OBJECT
private slots:
    void init() { startReports(); }
    void cleanup()
    {
        TQChildFm::SetPrintDialog(nullptr);
        stopReports();
    }

    void sheetPrintsAsTheReference_data();
    void sheetPrintsAsTheReference();
    void sheetWindowIsFreeStandingAndReused();
    void pageControls();
    void pageBoxKeys();
    void idFilterBindsTheIds_data();
    void idFilterBindsTheIds();
    void selectionPrintsOnlyItsRecordsInState_data();
    void selectionPrintsOnlyItsRecordsInState();
    void refreshReloadsTheKeptIds();
    void companyDetailsFollowRowOne();
    void progressStepsToTheEnd();
    void cancelledRunEnablesTheMainWindow();
    void printUsesTheDialogsRange();
    void printerErrorIsReported();
    void pdfIsNamedAfterCaptionAndDate();
    void managementWindowPrintsThroughTheCommands();

private:
    TQSheetFm *print(const char *command)
    {
        QAction *a = this->command(command);
        a->trigger();
        return SheetWindow(*SheetOfCommand(QString::fromLatin1(command)));
    }
};

void TestSheets::sheetPrintsAsTheReference_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("records");
    // Three houses for rent not yet let: two rental notices per page.
    QTest::newRow("rental notice") << "atRentalRelease" << 2 << 3;
    QTest::newRow("rental receipt") << "atRentalReturn" << 2 << 3;
    QTest::newRow("rental archive") << "atRentalSave" << 1 << 1;
    QTest::newRow("sale notice") << "atSaleRelease" << 1 << 1;
    QTest::newRow("sale receipt") << "atSaleReturn" << 1 << 1;
    QTest::newRow("sale archive") << "atSaleSave" << 1 << 1;
    QTest::newRow("rent request notice") << "atQQRentalRelease" << 1 << 1;
    QTest::newRow("rent request receipt") << "atQQRentalReturn" << 1 << 1;
    QTest::newRow("buy request notice") << "atQBuyRelease" << 1 << 1;
    QTest::newRow("buy request receipt") << "atQBuyReturn" << 1 << 1;
}

void TestSheets::sheetPrintsAsTheReference()
{
    QFETCH(QString, command);
    QFETCH(int, pages);
    QFETCH(int, records);
    TQSheetFm *form = print(command.toLatin1().constData());
    QVERIFY(form);
    const SheetInfo &info = SheetOf(form->sheet());
    QCOMPARE(form->windowTitle(), info.caption);
    QCOMPARE(form->objectName(), info.windowClass);
    QCOMPARE(m_messages->texts(), QStringList());
    QCOMPARE(form->QReport->recordCount(), records);
    QCOMPARE(form->PageCount, pages);
    const QString pdf = exportPdf(form, info.windowClass + QStringLiteral(".pdf"));
    QVERIFY(!pdf.isEmpty());
    QCOMPARE(pdfPageCount(pdf), pages);
    const QString diff = checkPdf(pdf, QStringLiteral("sheet-") + info.windowClass);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    QVERIFY(!embeddedFonts(pdf).isEmpty());
    if (const QString png = qEnvironmentVariable("BRELVANTO_SCREENSHOT"); !png.isEmpty() && command == "atRentalRelease")
        QVERIFY(form->grab().save(QString(png).replace(QLatin1String(".png"), QStringLiteral("-preview.png"))));
}

void TestSheets::sheetWindowIsFreeStandingAndReused()
{
    TQSheetFm *form = print("atRentalRelease");
    QVERIFY(form->isWindow());
    QVERIFY(form->windowState() & Qt::WindowMaximized);
    QVERIFY(m_form->CurrentChild() != form);
    QVERIFY(!form->Label1->isVisible() && !form->edForm->isVisible() && !form->edTo->isVisible());
    form->showMinimized();
    QCOMPARE(print("atRentalRelease"), form);
    QVERIFY(form->windowState() & Qt::WindowMaximized);
    QPointer<TQSheetFm> closed = form;
    form->close();
    QTRY_VERIFY(closed.isNull());
    TQSheetFm *again = print("atRentalRelease");
    QVERIFY(again);
    QCOMPARE(again->PageCount, 2);
}

void TestSheets::pageControls()
{
    TQSheetFm *form = print("atRentalRelease");
    QCOMPARE(form->PageCount, 2);
    QVERIFY(!form->btnPrev->isEnabled());
    QVERIFY(form->btnNext->isEnabled());
    QCOMPARE(form->edPage->text(), QStringLiteral("1"));
    form->btnNext->click();
    QCOMPARE(form->QRPreview1->page(), 2);
    QCOMPARE(form->edPage->text(), QStringLiteral("2"));
    QVERIFY(!form->btnNext->isEnabled());
    QVERIFY(form->btnPrev->isEnabled());
    form->btnPrev->click();
    QCOMPARE(form->QRPreview1->page(), 1);
    QVERIFY(!form->btnPrev->isEnabled());

    // Enter in the page box: the checks and the two messages.
    struct Case {
        const char *typed;
        QString message;
        int page;
    };
    const Case cases[] = {
        {"0", QStringLiteral("输入页数小于最小页数，请重新输入。"), 1},
        {"3", QStringLiteral("输入页数大于最大页数，请重新输入。"), 1},
        {"", IncorrectMessage(QStringLiteral("页数")), 1},
        {"2", QString(), 2},
    };
    for (const Case &c : cases) {
        m_messages->clear();
        form->edPage->setText(QString::fromLatin1(c.typed));
        form->edPage->setFocus();
        QTest::keyClick(form->edPage, Qt::Key_Return);
        QCOMPARE(m_messages->lastText(), c.message);
        QCOMPARE(form->QRPreview1->page(), c.page);
    }
    QVERIFY(!form->btnNext->isEnabled());
    QVERIFY(form->btnPrev->isEnabled());

    // A one-page report starts with both page buttons disabled.
    TQSheetFm *archive = print("atRentalSave");
    QCOMPARE(archive->PageCount, 1);
    QVERIFY(!archive->btnPrev->isEnabled());
    QVERIFY(!archive->btnNext->isEnabled());
}

void TestSheets::pageBoxKeys()
{
    TQSheetFm *form = print("atRentalRelease");
    form->edPage->setFocus();
    QTest::keyClick(form->edPage, Qt::Key_PageDown);
    QCOMPARE(form->QRPreview1->page(), 2);
    QTest::keyClick(form->edPage, Qt::Key_Up);
    QCOMPARE(form->QRPreview1->page(), 1);
    QTest::keyClick(form->edPage, Qt::Key_Down);
    QCOMPARE(form->QRPreview1->page(), 2);
    QTest::keyClick(form->edPage, Qt::Key_PageUp);
    QCOMPARE(form->QRPreview1->page(), 1);
    // Only digits and one decimal point go into the box.
    form->edPage->clear();
    QTest::keyClicks(form->edPage, "1a.-.2");
    QCOMPARE(form->edPage->text(), QStringLiteral("1.2"));
}

void TestSheets::idFilterBindsTheIds_data()
{
    QTest::addColumn<IdList>("ids");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariantList>("values");
    QTest::newRow("none") << IdList() << QString() << QVariantList();
    QTest::newRow("one") << IdList(QStringList{QStringLiteral("17")}) << " AND Id IN(?)" << QVariantList{qint64(17)};
    QTest::newRow("several") << IdList(QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("30")})
                             << " AND Id IN(?,?,?)" << QVariantList{qint64(1), qint64(2), qint64(30)};
    QTest::newRow("pasted text stays a value")
        << IdList(QStringList{QStringLiteral("1) OR (1=1")}) << " AND Id IN(?)"
        << QVariantList{QStringLiteral("1) OR (1=1")};
    QTest::newRow("empty list") << IdList(QStringList()) << " AND 1=0" << QVariantList();
}

void TestSheets::idFilterBindsTheIds()
{
    QFETCH(IdList, ids);
    QFETCH(QString, text);
    QFETCH(QVariantList, values);
    TQSheetFm form(Sheet::RentalRelease);
    form.TQChildFm::LoadReport(ids);
    QCOMPARE(form.IdFilter().text, text);
    QCOMPARE(form.IdFilter().values, values);
}

void TestSheets::selectionPrintsOnlyItsRecordsInState_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QStringList>("receipts");
    QTest::addColumn<QString>("message");
    QTest::newRow("one house") << "atRentalRelease" << QStringList{"102"} << QStringList{"00000102"} << QString();
    QTest::newRow("three of five") << "atRentalReturn" << QStringList{"101", "103", "104"}
                                   << QStringList{"00000101", "00000103"} << QString();
    QTest::newRow("only let houses") << "atRentalRelease" << QStringList{"104", "105"} << QStringList()
                                     << "没有房屋出租信息！无法打印。";
    QTest::newRow("archive of a let house") << "atRentalSave" << QStringList{"101", "104"}
                                            << QStringList{"00000104"} << QString();
    QTest::newRow("sale notice of a sold house") << "atSaleRelease" << QStringList{"202"} << QStringList()
                                                 << "没有房屋售租信息！无法打印。";
    QTest::newRow("request") << "atQBuyReturn" << QStringList{"401"} << QStringList{"00000401"} << QString();
}

void TestSheets::selectionPrintsOnlyItsRecordsInState()
{
    QFETCH(QString, command);
    QFETCH(QStringList, ids);
    QFETCH(QStringList, receipts);
    QFETCH(QString, message);
    QVERIFY(PrintSheetOfCommand(command, ids));
    TQSheetFm *form = SheetWindow(*SheetOfCommand(command));
    QStringList printed;
    if (!form->QReport->isEmpty()) {
        for (form->QReport->first(); !form->QReport->eof(); form->QReport->next())
            printed << form->QReport->asText(QStringLiteral("SJH"));
    }
    printed.sort();
    QCOMPARE(printed, receipts);
    QCOMPARE(m_messages->lastText(), message);
    // With no record the window stays open with an empty report: the title alone.
    QVERIFY(form->isVisible());
    QCOMPARE(form->PageCount, 1);
    QCOMPARE(form->QuickRep1.bandsOnPage(1, Report::BandKind::Detail), int(receipts.size()));
    QVERIFY(m_form->isEnabled());
}

void TestSheets::refreshReloadsTheKeptIds()
{
    TQSheetFm *form = nullptr;
    {
        // The search window's list is gone once it has handed it over.
        QStringList selected{QStringLiteral("101"), QStringLiteral("102")};
        form = PrintRentalRelease(selected);
    }
    QCOMPARE(form->QReport->recordCount(), 2);
    addRental(106, "00000106", "00", QString());
    exec("UPDATE TbRental SET ZTW='01' WHERE ID=102");
    form->btnRefresh->click();
    QCOMPARE(*form->ReportIds, (QStringList{QStringLiteral("101"), QStringLiteral("102")}));
    QCOMPARE(form->QReport->recordCount(), 1);
    QCOMPARE(form->QReport->asText(QStringLiteral("SJH")), QStringLiteral("00000101"));
    // Without a list 刷新 prints every house again.
    TQSheetFm *all = PrintRentalRelease();
    QCOMPARE(all, form);
    all->btnRefresh->click();
    QCOMPARE(all->QReport->recordCount(), 3);
}

void TestSheets::companyDetailsFollowRowOne()
{
    TQSheetFm *form = print("atSaleRelease");
    QCOMPARE(form->QReport->asText(QStringLiteral("GSMC")), QStringLiteral("安居房产经纪"));
    exec("UPDATE TbCompanyInfo SET QYMC='新名字', LXDH='123' WHERE ID=1");
    form->btnRefresh->click();
    QCOMPARE(form->QReport->asText(QStringLiteral("GSMC")), QStringLiteral("新名字"));
    QCOMPARE(form->QReport->asText(QStringLiteral("SLDH")), QStringLiteral("123"));
    exec("DELETE FROM TbCompanyInfo");
    form->btnRefresh->click();
    QCOMPARE(form->QReport->asText(QStringLiteral("GSMC")), QString());
    QCOMPARE(form->PageCount, 1);
}

void TestSheets::progressStepsToTheEnd()
{
    for (int id = 110; id < 130; ++id)
        addRental(id, QByteArray::number(id).prepend("00000").constData(), "00", QString());
    // What the progress window and the main window show while the records are laid out.
    int maximum = -1, seenAt = -1;
    bool mainEnabled = true;
    QTimer::singleShot(0, this, [&] {
        if (TPBarFm *bar = TPBarFm::current()) {
            maximum = bar->ProgressBar->maximum();
            seenAt = bar->ProgressBar->value();
            mainEnabled = m_form->isEnabled();
        }
    });
    TQSheetFm *form = print("atRentalRelease");
    QCOMPARE(maximum, 23);
    QVERIFY(seenAt >= 1 && seenAt < 23);
    QVERIFY(!mainEnabled);
    QVERIFY(!TPBarFm::current());
    QVERIFY(m_form->isEnabled());
    QCOMPARE(form->PageCount, 12);
    QVERIFY(!form->QuickRep1.stoppedEarly());
}

void TestSheets::cancelledRunEnablesTheMainWindow()
{
    for (int id = 110; id < 130; ++id)
        addRental(id, QByteArray::number(id).prepend("00000").constData(), "00", QString());
    QTimer::singleShot(0, this, [] {
        if (TPBarFm *bar = TPBarFm::current())
            bar->btnCancel->click();
    });
    TQSheetFm *form = print("atRentalRelease");
    QVERIFY(form->QuickRep1.stoppedEarly());
    QVERIFY(form->PageCount < 12);
    QVERIFY(!TPBarFm::current());
    QVERIFY(m_form->isEnabled());
    QVERIFY(form->pnTop->isEnabled());
    // The next run lays every record out.
    form->btnRefresh->click();
    QCOMPARE(form->PageCount, 12);
}

void TestSheets::printUsesTheDialogsRange()
{
    TQSheetFm *form = print("atRentalRelease");
    const QString file = m_dir->filePath(QStringLiteral("打印.pdf"));
    int offered = 0;
    TQChildFm::SetPrintDialog([&](QPrinter &printer, int pageCount, QWidget *) {
        offered = pageCount;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(2, 2);
        return true;
    });
    QVERIFY(form->PrintReport());
    QCOMPARE(offered, 2);
    QCOMPARE(pdfPageCount(file), 1);
    QVERIFY(QString::fromUtf8(pdfText(file)).contains(QStringLiteral("00000103")));
    QCOMPARE(m_messages->texts(), QStringList());
    // A cancelled dialog prints nothing and says nothing.
    TQChildFm::SetPrintDialog([](QPrinter &, int, QWidget *) { return false; });
    QVERIFY(!form->PrintReport());
    QCOMPARE(m_messages->texts(), QStringList());
}

void TestSheets::printerErrorIsReported()
{
    TQSheetFm *form = print("atRentalRelease");
    TQChildFm::SetPrintDialog([this](QPrinter &printer, int, QWidget *) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_dir->filePath(QStringLiteral("没有的文件夹/打印.pdf")));
        return true;
    });
    QVERIFY(!form->PrintReport());
    QCOMPARE(m_messages->lastText(), QStringLiteral("打印出错！请检查您的打印机设置。"));
    QCOMPARE(form->PageCount, 2);
}

void TestSheets::pdfIsNamedAfterCaptionAndDate()
{
    TQSheetFm *form = print("atSaleSave");
    m_dialogs->setNextCancel();
    QVERIFY(!form->ExportPdf());
    QCOMPARE(m_dialogs->requests.size(), 1);
    const QString proposed = QFileInfo(m_dialogs->requests.first().fileName).fileName();
    QCOMPARE(proposed, QStringLiteral("房屋出售存档-%1.pdf").arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))));
    // A name typed without its suffix gets one.
    m_dialogs->setNextFileName(m_dir->filePath(QStringLiteral("存档")));
    QVERIFY(form->ExportPdf());
    QCOMPARE(pdfPageCount(m_dir->filePath(QStringLiteral("存档.pdf"))), 1);
}

void TestSheets::managementWindowPrintsThroughTheCommands()
{
    TMainFm::RegisterChild(QStringLiteral("atRentalManage"), [](QWidget *parent) { return new TRentalManageFm(parent); });
    QVERIFY(m_form->OpenChild(QStringLiteral("atRentalManage")));
    auto *print = m_form->CurrentChild()->findChild<QPushButton *>(QStringLiteral("btnPrint"));
    QVERIFY(print && print->menu());
    QAction *archive = nullptr;
    for (QAction *a : print->menu()->actions())
        archive = a->objectName() == QLatin1String("atRentalSave") ? a : archive;
    QVERIFY(archive);
    archive->trigger();
    TQSheetFm *form = SheetWindow(Sheet::RentalSave);
    QVERIFY(form && form->isVisible());
    QCOMPARE(form->QReport->recordCount(), 1);
    QVERIFY(!m_messages->texts().contains(TMainFm::NotYetText()));
}

QTEST_MAIN(TestSheets)
#include "TestSheets.moc"
