#include "datastore/CommaText.h"
#include "datastore/Globalvar.h"
#include "listings/PicBrowserForm.h"
#include "listings/PictureNames.h"
#include "support/FileDialogRecorder.h"
#include "support/JpegFiles.h"
#include "support/MessageRecorder.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace brel;

Q_DECLARE_METATYPE(brel::JpegStatus)

class TestPicBrowser : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void makePictureName_data();
    void makePictureName();
    void emptyListOpensEmpty_data();
    void emptyListOpensEmpty();
    void threeNamesOneMissing();
    void quotedNamesWithSpaces();
    void unchangedListNamesTheSameFiles_data();
    void unchangedListNamesTheSameFiles();
    void filesThatCannotBeShown_data();
    void filesThatCannotBeShown();
    void addCopiesUnderNewNames();
    void addRefusesWhatItCannotStore();
    void largeViewDecodedAtShownSize();
    void closingWhileDecoding();
    void browsePicturesReturnsTheList();

private:
    QString picture(const QString &name) const { return QDir(PictureDir()).filePath(name); }
    QString source(const QString &name) const { return m_dir->filePath(QStringLiteral("src/") + name); }
    QPushButton *button(TPicBrowserFm &fm, const char *name)
    {
        return fm.findChild<QPushButton *>(QString::fromLatin1(name));
    }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestPicBrowser::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    AppDir = m_dir->path();
    QVERIFY(QDir().mkpath(PictureDir()));
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("src"))));
    for (const char *name : {"a.jpg", "c.jpg", "my plan.jpg"})
        QVERIFY(test::saveJpeg(picture(QString::fromUtf8(name)), test::floorPlan(800, 600)));
    QVERIFY(test::saveJpeg(source(QStringLiteral("plan.jpg")), test::floorPlan(640, 480)));
    QVERIFY(test::saveJpeg(source(QStringLiteral("my plan.jpg")), test::floorPlan(640, 480)));
    QVERIFY(test::writeBytes(source(QStringLiteral("notes.jpg")), "不是图片"));
    const QByteArray a = test::readBytes(picture(QStringLiteral("a.jpg")));
    QVERIFY(test::writeBytes(picture(QStringLiteral("cut.jpg")), a.left(a.size() / 2)));
    QVERIFY(test::writeBytes(picture(QStringLiteral("notes.jpg")), "房型图稍后补上"));
    QVERIFY(test::saveCmykJpeg(picture(QStringLiteral("cmyk.jpg")), 400, 300, 0, 255, 255, 0));
}

void TestPicBrowser::cleanup()
{
    ClearGlobals();
    m_dir.reset();
}

void TestPicBrowser::makePictureName_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("stored");
    QTest::newRow("plain") << "/home/x/plan.jpg" << "plan2005-03-01.14.05.09.jpg";
    QTest::newRow("space kept") << "my plan.jpg" << "my plan2005-03-01.14.05.09.jpg";
    QTest::newRow("split at the first point") << "a.b.JPG" << "a2005-03-01.14.05.09.b.JPG";
    QTest::newRow("no point") << "plan" << "plan2005-03-01.14.05.09";
    QTest::newRow("chinese") << "户型图.jpeg" << "户型图2005-03-01.14.05.09.jpeg";
}

void TestPicBrowser::makePictureName()
{
    QFETCH(QString, chosen);
    QFETCH(QString, stored);
    const QDateTime at(QDate(2005, 3, 1), QTime(14, 5, 9));
    QCOMPARE(MakePictureName(chosen, at), stored);
    // A picture of that name is never overwritten.
    QCOMPARE(UniquePictureName(PictureDir(), chosen, at), stored);
    QVERIFY(test::writeBytes(picture(stored), "x"));
    const QString second = UniquePictureName(PictureDir(), chosen, at);
    QVERIFY(second != stored);
    QVERIFY(second.startsWith(QFileInfo(chosen).fileName().section(QLatin1Char('.'), 0, 0) + "2005-03-01."));
    QVERIFY(second.endsWith(stored.mid(stored.indexOf(QLatin1String(".09")) + 3)));
}

void TestPicBrowser::emptyListOpensEmpty_data()
{
    QTest::addColumn<bool>("editable");
    QTest::newRow("editing") << true;
    QTest::newRow("viewing") << false;
}

void TestPicBrowser::emptyListOpensEmpty()
{
    QFETCH(bool, editable);
    TPicBrowserFm fm(editable);
    fm.LoadPictures(QString());
    QCOMPARE(fm.windowTitle(), QStringLiteral("房型图查看"));
    QCOMPARE(fm.findChild<QListWidget *>("lvPictures")->count(), 0);
    QCOMPARE(button(fm, "btnAdd")->text(), QStringLiteral("＋房型图"));
    QCOMPARE(button(fm, "btnDel")->text(), QStringLiteral("－房型图"));
    QCOMPARE(button(fm, "btnAdd")->isEnabled(), editable);
    QVERIFY(!button(fm, "btnDel")->isEnabled());
    QCOMPARE(fm.CurrentPicture(), -1);
    QVERIFY(fm.ThumbnailsReady());
    QCOMPARE(fm.PictureList(), QString());
}

void TestPicBrowser::threeNamesOneMissing()
{
    TPicBrowserFm fm(true);
    fm.show();
    fm.LoadPictures(QStringLiteral("a.jpg,b.jpg,c.jpg"));
    auto *list = fm.findChild<QListWidget *>("lvPictures");
    QCOMPARE(list->count(), 2);
    QCOMPARE(fm.PicturePaths(), QStringList({picture("a.jpg"), picture("c.jpg")}));
    QCOMPARE(fm.CurrentPicture(), 1);
    QVERIFY(button(fm, "btnDel")->isEnabled());
    QTRY_VERIFY(fm.ThumbnailsReady());
    QCOMPARE(list->item(0)->icon().availableSizes().value(0), QSize(150, 150));
    QCOMPARE(list->visualItemRect(list->item(0)).height(), TPicBrowserFm::RowHeight);

    QTest::mouseClick(button(fm, "btnDel"), Qt::LeftButton);
    QCOMPARE(fm.PictureNames(), QStringList({"a.jpg", "b.jpg"}));
    QCOMPARE(fm.PictureList(), QStringLiteral("a.jpg,b.jpg"));
    QCOMPARE(list->count(), 1);
    QCOMPARE(fm.CurrentPicture(), 0);
    QVERIFY(QFileInfo::exists(picture("c.jpg")));
    QTRY_VERIFY(fm.LargeViewReady());
    QVERIFY(!fm.findChild<PictureView *>("imgPicture")->image().isNull());

    QTest::mouseClick(button(fm, "btnDel"), Qt::LeftButton);
    QCOMPARE(fm.PictureList(), QStringLiteral("b.jpg"));
    QVERIFY(!button(fm, "btnDel")->isEnabled());
    QVERIFY(fm.findChild<PictureView *>("imgPicture")->image().isNull());
}

void TestPicBrowser::quotedNamesWithSpaces()
{
    test::FileDialogRecorder dialogs;
    TPicBrowserFm fm(true);
    fm.LoadPictures(QStringLiteral("\"my plan.jpg\", a.jpg"));
    QCOMPARE(fm.PicturePaths(), QStringList({picture("my plan.jpg"), picture("a.jpg")}));
    dialogs.setNextFileName(source(QStringLiteral("my plan.jpg")));
    QTest::mouseClick(button(fm, "btnAdd"), Qt::LeftButton);
    const QStringList names = fm.PictureNames();
    QCOMPARE(names.size(), 3);
    QVERIFY(names.last().startsWith(QStringLiteral("my plan") + QDate::currentDate().toString("yyyy-MM-dd") + "."));
    const QString list = fm.PictureList();
    QVERIFY2(list.startsWith(QStringLiteral("\"my plan.jpg\",a.jpg,\"my plan")), qPrintable(list));
    QCOMPARE(readCommaText(list), names);
    QCOMPARE(CountPictures(list), 3);
    QTRY_VERIFY(fm.ThumbnailsReady());
}

void TestPicBrowser::unchangedListNamesTheSameFiles_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("returned");
    QTest::newRow("blanks around commas") << " a.jpg , c.jpg " << "a.jpg,c.jpg";
    QTest::newRow("needless quotes") << "\"a.jpg\",\"c.jpg\"" << "a.jpg,c.jpg";
    QTest::newRow("missing and empty names kept") << "a.jpg,,gone.jpg" << "a.jpg,,gone.jpg";
    QTest::newRow("quote inside a name") << "\"say \"\"hi\"\".jpg\"" << "\"say \"\"hi\"\".jpg\"";
}

void TestPicBrowser::unchangedListNamesTheSameFiles()
{
    QFETCH(QString, given);
    QFETCH(QString, returned);
    TPicBrowserFm fm(true);
    fm.LoadPictures(given);
    QCOMPARE(readCommaText(fm.PictureList()), readCommaText(given));
    QCOMPARE(fm.PictureList(), returned);
}

void TestPicBrowser::filesThatCannotBeShown_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<JpegStatus>("status");
    QTest::newRow("text named .jpg") << "notes.jpg" << JpegStatus::NotJpeg;
    QTest::newRow("cut short") << "cut.jpg" << JpegStatus::Damaged;
    QTest::newRow("cmyk is shown") << "cmyk.jpg" << JpegStatus::Ok;
}

void TestPicBrowser::filesThatCannotBeShown()
{
    QFETCH(QString, name);
    QFETCH(JpegStatus, status);
    test::MessageRecorder messages;
    TPicBrowserFm fm(true);
    fm.show();
    fm.LoadPictures("a.jpg," + name);
    QTRY_VERIFY(fm.ThumbnailsReady());
    QTRY_VERIFY(fm.LargeViewReady());
    auto *list = fm.findChild<QListWidget *>("lvPictures");
    auto *view = fm.findChild<PictureView *>("imgPicture");
    // The file has its row, so it can be looked at and taken off the list.
    QCOMPARE(list->count(), 2);
    QCOMPARE(fm.PictureStatus(1), status);
    if (status == JpegStatus::Ok) {
        QVERIFY(!view->image().isNull());
        const QColor centre = view->image().pixelColor(view->image().rect().center());
        QVERIFY2(centre.red() > 230 && centre.green() < 30 && centre.blue() < 30, qPrintable(centre.name()));
    } else {
        QVERIFY(view->image().isNull());
        QCOMPARE(view->message(), jpegStatusText(status, name));
        QVERIFY(list->item(1)->toolTip().contains(name));
    }
    // Nothing modal: the window simply says it in place.
    QVERIFY(messages.messages.isEmpty());
    list->setCurrentRow(0);
    QTRY_VERIFY(fm.LargeViewReady());
    QVERIFY(!view->image().isNull());
    list->setCurrentRow(1);
    QTest::mouseClick(button(fm, "btnDel"), Qt::LeftButton);
    QCOMPARE(fm.PictureList(), QStringLiteral("a.jpg"));
}

void TestPicBrowser::addCopiesUnderNewNames()
{
    test::FileDialogRecorder dialogs;
    TPicBrowserFm fm(true);
    fm.show();
    fm.LoadPictures(QString());
    dialogs.setNextFileName(source("plan.jpg"));
    dialogs.setNextFileName(source("plan.jpg"));
    dialogs.setNextCancel();
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(button(fm, "btnAdd"), Qt::LeftButton);
    QCOMPARE(dialogs.requests.size(), 3);
    QCOMPARE(dialogs.lastCaption(), QStringLiteral("选择房型图..."));
    QCOMPARE(dialogs.requests.first().filters, QStringList{" (*.jpg)"});

    const QStringList names = fm.PictureNames();
    QCOMPARE(names.size(), 2);
    QVERIFY(names.at(0) != names.at(1));
    const QString prefix = QStringLiteral("plan") + QDate::currentDate().toString("yyyy-MM-dd") + ".";
    for (const QString &name : names) {
        QVERIFY2(name.startsWith(prefix) && name.endsWith(".jpg"), qPrintable(name));
        QCOMPARE(test::readBytes(picture(name)), test::readBytes(source("plan.jpg")));
    }
    QCOMPARE(fm.CurrentPicture(), 1);
    QVERIFY(button(fm, "btnDel")->isEnabled());
    QTRY_VERIFY(fm.ThumbnailsReady());
    QTRY_VERIFY(fm.LargeViewReady());
    QVERIFY(!fm.findChild<PictureView *>("imgPicture")->image().isNull());
}

void TestPicBrowser::addRefusesWhatItCannotStore()
{
    test::FileDialogRecorder dialogs;
    test::MessageRecorder messages;
    {
        TPicBrowserFm fm(true);
        fm.LoadPictures(QStringLiteral("a.jpg"));
        dialogs.setNextFileName(source("notes.jpg"));
        QTest::mouseClick(button(fm, "btnAdd"), Qt::LeftButton);
        QCOMPARE(messages.messages.size(), 1);
        QCOMPARE(messages.messages.last().icon, Messages::Icon::Error);
        QVERIFY(messages.lastText().contains("notes.jpg"));
        QCOMPARE(fm.PictureList(), QStringLiteral("a.jpg"));
        QCOMPARE(QDir(PictureDir()).entryList({"notes2*"}, QDir::Files), QStringList());
    }
    // No picture folder, and none can be made: the name is not listed.
    QVERIFY(QDir(PictureDir()).removeRecursively());
    QVERIFY(test::writeBytes(PictureDir(), "a file where the folder should be"));
    messages.clear();
    TPicBrowserFm fm(true);
    fm.LoadPictures(QStringLiteral("a.jpg"));
    dialogs.setNextFileName(source("plan.jpg"));
    QTest::mouseClick(button(fm, "btnAdd"), Qt::LeftButton);
    QCOMPARE(messages.messages.size(), 1);
    QCOMPARE(fm.PictureList(), QStringLiteral("a.jpg"));
    QVERIFY(!button(fm, "btnDel")->isEnabled());

    TPicBrowserFm viewing(false);
    viewing.LoadPictures(QString());
    QVERIFY(!viewing.AddPicture(source("plan.jpg")));
}

void TestPicBrowser::largeViewDecodedAtShownSize()
{
    QVERIFY(test::saveJpeg(picture("big.jpg"), test::floorPlan(2400, 1800)));
    TPicBrowserFm fm(false);
    fm.resize(900, 620);
    fm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fm));
    fm.LoadPictures(QStringLiteral("big.jpg"));
    QTRY_VERIFY(fm.ThumbnailsReady());
    QTRY_VERIFY(fm.LargeViewReady());
    auto *view = fm.findChild<PictureView *>("imgPicture");
    const QSize area = view->size().shrunkBy(QMargins(4, 4, 4, 4));
    // Fitted to the area, not the thumbnail blown up, not the full picture.
    QCOMPARE(view->image().size(), QSize(2400, 1800).scaled(area, Qt::KeepAspectRatio));
}

void TestPicBrowser::closingWhileDecoding()
{
    QStringList names;
    for (int i = 0; i < 12; ++i)
        names << (i % 3 ? "a.jpg" : "cut.jpg");
    for (int round = 0; round < 3; ++round) {
        auto fm = std::make_unique<TPicBrowserFm>(true);
        fm->show();
        fm->LoadPictures(writeCommaText(names));
        fm.reset();
        QCoreApplication::processEvents();
    }
    TPicBrowserFm fm(true);
    fm.LoadPictures(writeCommaText(names));
    QTRY_VERIFY(fm.ThumbnailsReady());
    QCOMPARE(fm.PicturePaths().size(), 12);
}

void TestPicBrowser::browsePicturesReturnsTheList()
{
    QTimer::singleShot(0, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    QCOMPARE(BrowsePictures(false, QStringLiteral("\"a.jpg\" , gone.jpg")), QStringLiteral("a.jpg,gone.jpg"));
}

QTEST_MAIN(TestPicBrowser)
#include "TestPicBrowser.moc"
