#include "components/widgets/BandMenu.h"
#include "shell/ToolIcons.h"

#include <QStyle>
#include <QTest>

using namespace brel;

namespace {

// The step a band row falls in: the last step whose first row is at or
// above it (steps of 256 share the band's height in whole rows).
int stepAt(int row, int height)
{
    for (int i = 255; i > 0; --i) {
        if (i * height / 256 <= row)
            return i;
    }
    return 0;
}

QString at(int x, int y)
{
    return QStringLiteral("(%1, %2)").arg(x).arg(y);
}

const QStringList Captions = {
    QStringLiteral("登录系统"), QStringLiteral("暂时离开"), QStringLiteral("修改密码"),
    QStringLiteral("出租单管理"), QStringLiteral("出售单管理"), QStringLiteral("房屋求租管理"),
    QStringLiteral("房屋求购管理"), QStringLiteral("跟踪报警"), QStringLiteral("数据同步"),
    QStringLiteral("数据备份"), QStringLiteral("操作日志"), QStringLiteral("退出系统"),
};

} // namespace

class TestBandMenu : public QObject {
    Q_OBJECT
private slots:
    void logoIsNarrowAndUpright();
    void bandPixels_data();
    void bandPixels();
    void gradientRows_data();
    void gradientRows();
    void itemsStayRightOfBand_data();
    void itemsStayRightOfBand();
    void widerBandMovesShownItems();

private:
    void makeMenu(int actions, int bandWidth);
    QImage shot();

    std::unique_ptr<BandMenu> m_menu;
    QImage m_logo;
};

void TestBandMenu::makeMenu(int actions, int bandWidth)
{
    m_logo = BrelvantoLogo();
    m_menu = std::make_unique<BandMenu>(QStringLiteral("业务操作"));
    m_menu->setBandWidth(bandWidth);
    m_menu->setBandLogo(m_logo);
    for (int i = 0; i < actions; ++i)
        m_menu->addAction(Captions.at(i % Captions.size()));
    m_menu->popup(QPoint(40, 20));
    QVERIFY(QTest::qWaitForWindowExposed(m_menu.get()));
}

QImage TestBandMenu::shot()
{
    return m_menu->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void TestBandMenu::logoIsNarrowAndUpright()
{
    const QImage logo = BrelvantoLogo();
    QVERIFY(!logo.isNull());
    QVERIFY2(logo.width() >= 16 && logo.width() <= BandMenu::DefaultBandWidth,
             qPrintable(QString::number(logo.width())));
    QVERIFY2(logo.height() >= 110 && logo.height() <= 140, qPrintable(QString::number(logo.height())));
    // Drawn light on black: the corners are black, and a fair share of the
    // picture is light (the name and the house), not a blank image.
    QCOMPARE(logo.pixel(0, 0) & RGB_MASK, 0u);
    QCOMPARE(logo.pixel(logo.width() - 1, 0) & RGB_MASK, 0u);
    int light = 0;
    for (int y = 0; y < logo.height(); ++y)
        for (int x = 0; x < logo.width(); ++x)
            light += qGray(logo.pixel(x, y)) > 160;
    QVERIFY2(light > 200, qPrintable(QString::number(light)));
}

void TestBandMenu::bandPixels_data()
{
    QTest::addColumn<int>("actions");
    QTest::addColumn<int>("bandWidth");
    QTest::addColumn<bool>("logoFits");
    QTest::newRow("twelve items") << 12 << 24 << true;
    QTest::newRow("twelve items, wide band") << 12 << 40 << true;
    QTest::newRow("two items, lower than the logo") << 2 << 24 << false;
    QTest::newRow("two items, wide band") << 2 << 40 << false;
}

void TestBandMenu::bandPixels()
{
    QFETCH(int, actions);
    QFETCH(int, bandWidth);
    QFETCH(bool, logoFits);
    makeMenu(actions, bandWidth);
    const QImage image = shot();
    const QRect band = m_menu->bandRect();
    QCOMPARE(band.width(), bandWidth);
    QCOMPARE(band.height() >= m_logo.height(), logoFits);

    // Every pixel of the band is either the gradient of its row or, where
    // the logo stands and is not black, the logo's own pixel.
    const QRect logoRect(band.left() + (band.width() - m_logo.width()) / 2,
                         band.bottom() + 1 - m_logo.height(), m_logo.width(), m_logo.height());
    int logoShown = 0, seenThrough = 0;
    for (int y = band.top(); y <= band.bottom(); ++y) {
        const QRgb gradient = qRgb(0, 0, stepAt(y - band.top(), band.height()));
        for (int x = band.left(); x <= band.right(); ++x) {
            QRgb expected = gradient;
            if (logoFits && logoRect.contains(x, y)) {
                const QRgb logo = m_logo.pixel(x - logoRect.left(), y - logoRect.top()) & RGB_MASK;
                if (logo != 0) {
                    expected = logo;
                    ++logoShown;
                } else if (qBlue(gradient) > 0) {
                    ++seenThrough;
                }
            }
            const QRgb actual = image.pixel(x, y) & RGB_MASK;
            if (actual != (expected & RGB_MASK))
                QFAIL(qPrintable(QStringLiteral("%1 is #%2, expected #%3").arg(at(x, y))
                                     .arg(actual, 6, 16, QLatin1Char('0'))
                                     .arg(expected & RGB_MASK, 6, 16, QLatin1Char('0'))));
        }
    }
    if (logoFits) {
        // The logo really is there, and its black really lets the blue through.
        QVERIFY2(logoShown > 200, qPrintable(QString::number(logoShown)));
        QVERIFY2(seenThrough > 200, qPrintable(QString::number(seenThrough)));
    }
}

void TestBandMenu::gradientRows_data()
{
    QTest::addColumn<QString>("where");
    QTest::newRow("top") << "top";
    QTest::newRow("middle") << "middle";
    QTest::newRow("bottom") << "bottom";
}

void TestBandMenu::gradientRows()
{
    QFETCH(QString, where);
    makeMenu(12, 24);
    const QImage image = shot();
    // Rows counted from the menu's own inner edges, not from bandRect(), so a
    // band that stops short of the frame shows here.
    const int frame = m_menu->style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, m_menu.get());
    const int top = frame;
    const int h = m_menu->height() - 2 * frame;
    QVERIFY2(h >= 256, qPrintable(QString::number(h)));
    // The band's leftmost column lies outside the narrower logo.
    const int x = m_menu->bandRect().left();
    QCOMPARE(x, frame);
    QVERIFY(m_logo.width() < m_menu->bandWidth());

    int row = 0, blue = 0;
    if (where == QLatin1String("top")) {
        row = 0;
        blue = 0;
    } else if (where == QLatin1String("bottom")) {
        row = h - 1;
        blue = 255;
    } else {
        // Step i starts at row i*h/256; the middle row sits in the step
        // whose start is the last one not below it.
        row = h / 2;
        blue = (row * 256 + 255) / h;
        while (blue * h / 256 > row)
            --blue;
        QVERIFY2(blue >= 127 && blue <= 128, qPrintable(QString::number(blue)));
    }
    QCOMPARE(image.pixel(x, top + row) & RGB_MASK, qRgb(0, 0, blue) & RGB_MASK);
    QCOMPARE(stepAt(row, h), blue);
}

void TestBandMenu::itemsStayRightOfBand_data()
{
    bandPixels_data();
}

void TestBandMenu::itemsStayRightOfBand()
{
    QFETCH(int, actions);
    QFETCH(int, bandWidth);
    makeMenu(actions, bandWidth);
    const QRect band = m_menu->bandRect();
    const QImage image = shot();
    const QColor window = m_menu->palette().color(QPalette::Window);
    for (QAction *action : m_menu->actions()) {
        const QRect item = m_menu->actionGeometry(action);
        QVERIFY2(item.left() > band.right(),
                 qPrintable(QStringLiteral("%1 starts at %2").arg(action->text()).arg(item.left())));
        // The caption is painted, right of the band: some pixel of the item
        // differs from the menu's background.
        bool painted = false;
        for (int y = item.top(); y <= item.bottom() && !painted; ++y)
            for (int x = item.left(); x <= item.right() && !painted; ++x)
                painted = qGray(image.pixel(x, y)) < qGray(window.rgb()) - 80;
        QVERIFY2(painted, qPrintable(action->text()));
    }
}

void TestBandMenu::widerBandMovesShownItems()
{
    makeMenu(12, 24);
    const int before = m_menu->sizeHint().width();
    m_menu->setBandWidth(60);
    QCOMPARE(m_menu->sizeHint().width(), before + 36);
    const QRect band = m_menu->bandRect();
    QCOMPARE(band.width(), 60);
    for (QAction *action : m_menu->actions())
        QVERIFY2(m_menu->actionGeometry(action).left() > band.right(), qPrintable(action->text()));
}

QTEST_MAIN(TestBandMenu)
#include "TestBandMenu.moc"
