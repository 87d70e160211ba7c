// The JPEG decoder of the floor plans: DCT-scaled sizes, every kind of file a
// picture folder may hold, and decoding on worker threads.
#include "components/JpegImage.h"
#include "support/JpegFiles.h"

#include <QFuture>
#include <QTemporaryDir>
#include <QTest>

using namespace brel;

Q_DECLARE_METATYPE(brel::JpegStatus)

class TestJpegImage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void scaleChoice_data();
    void scaleChoice();
    void decodedSizePerTarget_data();
    void decodedSizePerTarget();
    void coloursSurvive_data();
    void coloursSurvive();
    void badFiles_data();
    void badFiles();
    void headerOnly();
    void asyncMatchesSyncAndCancels();

private:
    QString file(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestJpegImage::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(test::saveJpeg(file("plan.jpg"), test::floorPlan(1600, 1200)));
    QVERIFY(test::saveJpeg(file("odd.jpg"), test::floorPlan(1001, 751)));
    QVERIFY(test::saveJpeg(file("grey.jpg"), test::floorPlan(320, 240).convertToFormat(QImage::Format_Grayscale8)));
    // Pure cyan ink, then pure red (magenta + yellow).
    QVERIFY(test::saveCmykJpeg(file("cyan-cmyk.jpg"), 64, 48, 255, 0, 0, 0));
    QVERIFY(test::saveCmykJpeg(file("red-cmyk.jpg"), 64, 48, 0, 255, 255, 0));
    const QByteArray plan = test::readBytes(file("plan.jpg"));
    QVERIFY(plan.size() > 4000);
    QVERIFY(test::writeBytes(file("cut.jpg"), plan.left(plan.size() * 6 / 10)));
    QVERIFY(test::writeBytes(file("header-cut.jpg"), plan.left(120)));
    QVERIFY(test::writeBytes(file("notes.jpg"), "这不是图片，是一段文字。\n"));
    QVERIFY(test::writeBytes(file("empty.jpg"), {}));
    QVERIFY(test::floorPlan(80, 60).save(file("plan-png.jpg"), "PNG"));
}

void TestJpegImage::scaleChoice_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("target");
    QTest::addColumn<int>("denom");
    const QSize thumb(150, 150);
    QTest::newRow("4000x3000 thumbnail") << QSize(4000, 3000) << thumb << 8;
    QTest::newRow("1100x825 thumbnail: 1/8 would be too small") << QSize(1100, 825) << thumb << 4;
    QTest::newRow("1000x800 thumbnail") << QSize(1000, 800) << thumb << 4;
    QTest::newRow("600x400 exactly 1/4") << QSize(600, 400) << thumb << 4;
    QTest::newRow("300x200 thumbnail") << QSize(300, 200) << thumb << 2;
    QTest::newRow("200x100 smaller than 2x") << QSize(200, 100) << thumb << 1;
    QTest::newRow("tall 900x4000") << QSize(900, 4000) << thumb << 8;
    QTest::newRow("1193 rounds up to 150 at 1/8") << QSize(1193, 895) << thumb << 8;
    QTest::newRow("large view 800x600") << QSize(4000, 3000) << QSize(800, 600) << 4;
    QTest::newRow("large view wide area") << QSize(4000, 3000) << QSize(1400, 500) << 4;
    QTest::newRow("view as large as picture") << QSize(4000, 3000) << QSize(4000, 3000) << 1;
    QTest::newRow("empty target is full size") << QSize(4000, 3000) << QSize() << 1;
}

void TestJpegImage::scaleChoice()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, target);
    QFETCH(int, denom);
    QCOMPARE(chooseScaleDenom(picture, target), denom);
}

void TestJpegImage::decodedSizePerTarget_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("target");
    QTest::addColumn<int>("denom");
    QTest::addColumn<QSize>("decoded");
    QTest::newRow("thumbnail 150") << "plan.jpg" << QSize(150, 150) << 8 << QSize(200, 150);
    QTest::newRow("thumbnail 300") << "plan.jpg" << QSize(300, 300) << 4 << QSize(400, 300);
    QTest::newRow("view 700x500") << "plan.jpg" << QSize(700, 500) << 2 << QSize(800, 600);
    QTest::newRow("full size") << "plan.jpg" << QSize() << 1 << QSize(1600, 1200);
    QTest::newRow("odd size rounds up") << "odd.jpg" << QSize(100, 100) << 8 << QSize(126, 94);
}

void TestJpegImage::decodedSizePerTarget()
{
    QFETCH(QString, name);
    QFETCH(QSize, target);
    QFETCH(int, denom);
    QFETCH(QSize, decoded);
    const JpegImage scaled = decodeJpeg(file(name), target);
    QVERIFY(scaled.ok());
    QCOMPARE(scaled.scaleDenom, denom);
    QCOMPARE(scaled.image.size(), decoded);
    // Fitted: the decoder's size brought down to the target, proportions kept.
    const JpegImage fitted = decodeJpeg(file(name), target, JpegFit::Fitted);
    QVERIFY(fitted.ok());
    QCOMPARE(fitted.scaleDenom, denom);
    QCOMPARE(fitted.image.size(), target.isEmpty() ? decoded : scaled.fullSize.scaled(target, Qt::KeepAspectRatio));
}

void TestJpegImage::coloursSurvive_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("rgb red room") << "plan.jpg" << QPoint(600, 450) << QColor(200, 40, 40);
    QTest::newRow("rgb white corner") << "plan.jpg" << QPoint(3, 3) << QColor(Qt::white);
    QTest::newRow("grey file") << "grey.jpg" << QPoint(120, 90) << QColor(qGray(200, 40, 40), qGray(200, 40, 40), qGray(200, 40, 40));
    QTest::newRow("cmyk cyan") << "cyan-cmyk.jpg" << QPoint(32, 24) << QColor(0, 255, 255);
    QTest::newRow("cmyk red") << "red-cmyk.jpg" << QPoint(32, 24) << QColor(255, 0, 0);
}

void TestJpegImage::coloursSurvive()
{
    QFETCH(QString, name);
    QFETCH(QPoint, at);
    QFETCH(QColor, colour);
    const JpegImage decoded = decodeJpeg(file(name), QSize(150, 150));
    QVERIFY(decoded.ok());
    const QPoint scaledAt(at.x() / decoded.scaleDenom, at.y() / decoded.scaleDenom);
    const QColor got = decoded.image.pixelColor(scaledAt);
    const int tolerance = 12; // JPEG is lossy
    QVERIFY2(qAbs(got.red() - colour.red()) <= tolerance && qAbs(got.green() - colour.green()) <= tolerance
                 && qAbs(got.blue() - colour.blue()) <= tolerance,
             qPrintable(QStringLiteral("%1 at (%2,%3) is %4, expected %5")
                            .arg(name).arg(scaledAt.x()).arg(scaledAt.y()).arg(got.name(), colour.name())));
}

void TestJpegImage::badFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<JpegStatus>("status");
    QTest::newRow("missing") << "nowhere.jpg" << JpegStatus::Missing;
    QTest::newRow("text named .jpg") << "notes.jpg" << JpegStatus::NotJpeg;
    QTest::newRow("empty file") << "empty.jpg" << JpegStatus::NotJpeg;
    QTest::newRow("png named .jpg") << "plan-png.jpg" << JpegStatus::NotJpeg;
    QTest::newRow("cut inside the header") << "header-cut.jpg" << JpegStatus::NotJpeg;
    QTest::newRow("cut inside the picture data") << "cut.jpg" << JpegStatus::Damaged;
}

void TestJpegImage::badFiles()
{
    QFETCH(QString, name);
    QFETCH(JpegStatus, status);
    for (const QSize &target : {QSize(150, 150), QSize()}) {
        const JpegImage decoded = decodeJpeg(file(name), target, JpegFit::Fitted);
        QCOMPARE(decoded.status, status);
        QVERIFY(decoded.image.isNull());
    }
    const QString text = jpegStatusText(status, name);
    QVERIFY(text.contains(name));
    // The same file again: the decoder's state is not left broken.
    QVERIFY(decodeJpeg(file("plan.jpg"), QSize(150, 150)).ok());
}

void TestJpegImage::headerOnly()
{
    const JpegImage header = readJpegHeader(file("plan.jpg"));
    QVERIFY(header.ok());
    QCOMPARE(header.fullSize, QSize(1600, 1200));
    QVERIFY(header.image.isNull());
    // A cut picture still has a good header; only the decode finds the fault.
    QVERIFY(readJpegHeader(file("cut.jpg")).ok());
    QCOMPARE(readJpegHeader(file("notes.jpg")).status, JpegStatus::NotJpeg);
}

void TestJpegImage::asyncMatchesSyncAndCancels()
{
    const JpegImage sync = decodeJpeg(file("plan.jpg"), QSize(150, 150), JpegFit::Fitted);
    QList<QFuture<JpegImage>> futures;
    for (int i = 0; i < 8; ++i)
        futures << decodeJpegAsync(file(i % 2 ? "plan.jpg" : "cut.jpg"), QSize(150, 150), JpegFit::Fitted);
    for (int i = 0; i < futures.size(); ++i) {
        futures[i].waitForFinished();
        const JpegImage got = futures[i].result();
        if (i % 2) {
            QVERIFY(got.ok());
            QCOMPARE(got.image, sync.image);
        } else {
            QCOMPARE(got.status, JpegStatus::Damaged);
        }
    }
    auto cancel = std::make_shared<std::atomic_bool>(true);
    auto cancelled = decodeJpegAsync(file("plan.jpg"), QSize(150, 150), JpegFit::Fitted, cancel);
    cancelled.waitForFinished();
    QVERIFY(cancelled.result().image.isNull());
}

QTEST_MAIN(TestJpegImage)
#include "TestJpegImage.moc"
