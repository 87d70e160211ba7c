#include "datastore/Globalvar.h"
#include "shell/HelpForm.h"
#include "support/MessageRecorder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSet>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QtTest>

using namespace brel;

namespace {

/// The help folder the build installed beside the program.
QString installedHelpDir()
{
    return qEnvironmentVariable("BRELVANTO_APP_DIR") + QStringLiteral("/Help");
}

QString shownPage(const THelpFm *form)
{
    return QFileInfo(form->browser()->source().toLocalFile()).fileName();
}

/// Every link target (href) and every anchor name of a shown document.
void linksAndAnchors(const QTextDocument *doc, QStringList *links, QSet<QString> *anchors)
{
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isAnchor())
                continue;
            if (links && !format.anchorHref().isEmpty() && !links->contains(format.anchorHref()))
                links->append(format.anchorHref());
            if (anchors)
                for (const QString &name : format.anchorNames())
                    anchors->insert(name);
        }
    }
}

void writePage(const QString &path, const QString &body)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("<html><head><meta charset=\"utf-8\"><title>测试</title></head><body>%1</body></html>")
                   .arg(body)
                   .toUtf8());
}

} // namespace

class TestHelpForm : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void installedPagesAreTheSources();
    void entryPageOpensByDefault();
    void everyLinkLeadsToAPage();
    void missingHelpGivesAMessage_data();
    void missingHelpGivesAMessage();
    void brokenLinkKeepsThePage();
    void openingAgainKeepsOneWindow();
    void buttonsAndKeysStepThroughTheHistory();
    void entryPageRenders();

private:
    std::unique_ptr<test::MessageRecorder> m_messages;
    std::unique_ptr<QTemporaryDir> m_appDir;
};

void TestHelpForm::init()
{
    ClearGlobals();
    AppDir = qEnvironmentVariable("BRELVANTO_APP_DIR");
    m_messages = std::make_unique<test::MessageRecorder>();
    m_appDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_appDir->isValid());
}

void TestHelpForm::cleanup()
{
    delete THelpFm::instance();
    QCOMPARE(THelpFm::instance(), nullptr);
    m_messages.reset();
    m_appDir.reset();
    ClearGlobals();
}

void TestHelpForm::installedPagesAreTheSources()
{
    const QDir source(qEnvironmentVariable("BRELVANTO_SOURCE_DIR") + QStringLiteral("/src/resources/help"));
    const QDir installed(installedHelpDir());
    const QStringList pages = source.entryList({QStringLiteral("*.htm")}, QDir::Files, QDir::Name);
    QVERIFY(pages.contains(THelpFm::entryPage()));
    QCOMPARE(installed.entryList(QDir::Files, QDir::Name), pages);
    for (const QString &page : pages) {
        QFile original(source.filePath(page));
        QFile copy(installed.filePath(page));
        QVERIFY(original.open(QIODevice::ReadOnly));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        const QByteArray bytes = original.readAll();
        QVERIFY2(copy.readAll() == bytes, qPrintable(page + QStringLiteral(" is stale in the program folder")));
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8(bytes);
        QVERIFY2(!utf8.hasError(), qPrintable(page + QStringLiteral(" is not UTF-8")));
        QVERIFY2(text.contains(QStringLiteral("<meta charset=\"utf-8\">")), qPrintable(page));
        QVERIFY2(!text.contains(QStringLiteral("<script"), Qt::CaseInsensitive), qPrintable(page));
    }
}

void TestHelpForm::entryPageOpensByDefault()
{
    THelpFm *form = ShowHelp();
    QVERIFY(form);
    QCOMPARE(form->objectName(), QStringLiteral("HelpFm"));
    QVERIFY(form->isVisible());
    QCOMPARE(shownPage(form), THelpFm::entryPage());
    QVERIFY(form->browser()->toPlainText().contains(QStringLiteral("房屋中介管理系统")));
    QCOMPARE(form->windowTitle(), QStringLiteral("Brelvanto 帮助 - Brelvanto 简介"));
    QCOMPARE(m_messages->texts(), QStringList());
}

void TestHelpForm::everyLinkLeadsToAPage()
{
    // Walks the pages from the entry page along their links: each link opens
    // an existing page (and an existing anchor), and every installed page can
    // be reached, so none is left without a way in.
    THelpFm *form = ShowHelp();
    QVERIFY(form);
    QStringList queue{THelpFm::entryPage()};
    QSet<QString> reached{THelpFm::entryPage()};
    while (!queue.isEmpty()) {
        const QString page = queue.takeFirst();
        QVERIFY(form->showTopic(page));
        QStringList links;
        linksAndAnchors(form->browser()->document(), &links, nullptr);
        QVERIFY2(page != THelpFm::entryPage() || links.size() >= 3, "the entry page links to the other pages");
        for (const QString &href : links) {
            const QString where = page + QStringLiteral(" → ") + href;
            QVERIFY(form->showTopic(page));
            QVERIFY2(form->followLink(QUrl(href)), qPrintable(where));
            QVERIFY2(m_messages->messages.isEmpty(), qPrintable(where + QStringLiteral(": ") + m_messages->lastText()));
            const QUrl shown = form->browser()->source();
            QCOMPARE(QFileInfo(shown.toLocalFile()).absolutePath(), QFileInfo(installedHelpDir()).absoluteFilePath());
            QVERIFY2(!form->browser()->toPlainText().trimmed().isEmpty(), qPrintable(where));
            if (shown.hasFragment()) {
                QSet<QString> anchors;
                linksAndAnchors(form->browser()->document(), nullptr, &anchors);
                QVERIFY2(anchors.contains(shown.fragment()), qPrintable(where + QStringLiteral(": no such anchor")));
            }
            const QString target = shownPage(form);
            if (!reached.contains(target)) {
                reached.insert(target);
                queue.append(target);
            }
        }
    }
    const QStringList installed = QDir(installedHelpDir()).entryList({QStringLiteral("*.htm")}, QDir::Files);
    QCOMPARE(reached, QSet<QString>(installed.begin(), installed.end()));
}

void TestHelpForm::missingHelpGivesAMessage_data()
{
    QTest::addColumn<QStringList>("present"); // pages in <AppDir>/Help; "-" = no Help folder
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QString>("named"); // what the message must name

    QTest::newRow("no help folder") << QStringList{QStringLiteral("-")} << THelpFm::entryPage() << QStringLiteral("帮助文件夹");
    QTest::newRow("empty help folder") << QStringList() << THelpFm::entryPage() << THelpFm::entryPage();
    QTest::newRow("missing topic") << QStringList{THelpFm::entryPage()} << QStringLiteral("没有这页.htm")
                                   << QStringLiteral("没有这页.htm");
    QTest::newRow("missing topic with anchor") << QStringList{THelpFm::entryPage()}
                                               << QStringLiteral("没有这页.htm#log") << QStringLiteral("没有这页.htm");
}

void TestHelpForm::missingHelpGivesAMessage()
{
    QFETCH(QStringList, present);
    QFETCH(QString, topic);
    QFETCH(QString, named);
    AppDir = m_appDir->path();
    if (present != QStringList{QStringLiteral("-")}) {
        QVERIFY(QDir(AppDir).mkpath(QStringLiteral("Help")));
        for (const QString &page : present)
            writePage(THelpFm::helpDir() + QLatin1Char('/') + page, QStringLiteral("<p>首页</p>"));
    }

    QCOMPARE(ShowHelp(topic), nullptr);
    QCOMPARE(THelpFm::instance(), nullptr);
    QCOMPARE(m_messages->messages.size(), 1);
    QCOMPARE(m_messages->messages.first().icon, Messages::Icon::Error);
    QVERIFY2(m_messages->lastText().contains(named), qPrintable(m_messages->lastText()));
}

void TestHelpForm::brokenLinkKeepsThePage()
{
    AppDir = m_appDir->path();
    QVERIFY(QDir(AppDir).mkpath(QStringLiteral("Help")));
    writePage(THelpFm::helpDir() + QLatin1Char('/') + THelpFm::entryPage(),
              QStringLiteral("<p>首页</p><a href=\"丢失.htm\">丢失</a>"));
    THelpFm *form = ShowHelp();
    QVERIFY(form);

    QVERIFY(!form->followLink(QUrl(QStringLiteral("丢失.htm"))));
    QCOMPARE(m_messages->messages.size(), 1);
    QVERIFY(m_messages->lastText().contains(QStringLiteral("丢失.htm")));
    QCOMPARE(shownPage(form), THelpFm::entryPage());
    QVERIFY(form->browser()->toPlainText().contains(QStringLiteral("首页")));

    // Asking the open window for a missing topic keeps it open on its page.
    QCOMPARE(ShowHelp(QStringLiteral("丢失.htm")), form);
    QCOMPARE(m_messages->messages.size(), 2);
    QCOMPARE(shownPage(form), THelpFm::entryPage());
}

void TestHelpForm::openingAgainKeepsOneWindow()
{
    THelpFm *first = ShowHelp();
    QVERIFY(first);
    first->showMinimized();
    THelpFm *second = ShowHelp(QStringLiteral("键盘操作.htm"));
    QCOMPARE(second, first);
    QVERIFY(!second->isMinimized());
    QCOMPARE(shownPage(second), QStringLiteral("键盘操作.htm"));
    int windows = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        windows += qobject_cast<THelpFm *>(w) ? 1 : 0;
    QCOMPARE(windows, 1);

    // A closed window frees itself; the next request makes a new one.
    QPointer<THelpFm> closed = first;
    QVERIFY(first->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(closed.isNull());
    QCOMPARE(THelpFm::instance(), nullptr);
    THelpFm *third = ShowHelp();
    QVERIFY(third);
    QCOMPARE(shownPage(third), THelpFm::entryPage());
    QCOMPARE(m_messages->texts(), QStringList());
}

void TestHelpForm::buttonsAndKeysStepThroughTheHistory()
{
    THelpFm *form = ShowHelp();
    QVERIFY(form);
    auto *back = form->findChild<QPushButton *>(QStringLiteral("btnBackward"));
    auto *forward = form->findChild<QPushButton *>(QStringLiteral("btnForward"));
    auto *home = form->findChild<QPushButton *>(QStringLiteral("btnHome"));
    QVERIFY(back && forward && home);
    // Each button has a text with its own Alt key, so it can be named and pressed.
    QSet<QKeySequence> mnemonics;
    for (QPushButton *button : form->findChildren<QPushButton *>()) {
        QVERIFY2(!QKeySequence::mnemonic(button->text()).isEmpty(), qPrintable(button->objectName()));
        mnemonics.insert(QKeySequence::mnemonic(button->text()));
    }
    QCOMPARE(mnemonics.size(), form->findChildren<QPushButton *>().size());
    QVERIFY(!back->isEnabled());
    QVERIFY(!forward->isEnabled());

    QVERIFY(form->followLink(QUrl(QStringLiteral("日常业务.htm"))));
    QVERIFY(form->followLink(QUrl(QStringLiteral("系统管理.htm#log"))));
    QVERIFY(back->isEnabled());
    back->click();
    QCOMPARE(shownPage(form), QStringLiteral("日常业务.htm"));
    QVERIFY(forward->isEnabled());
    forward->click();
    QCOMPARE(shownPage(form), QStringLiteral("系统管理.htm"));
    QVERIFY(!forward->isEnabled());
    home->click();
    QCOMPARE(shownPage(form), THelpFm::entryPage());

    // From the keyboard: Alt+Left in the page, the button's Alt key, Esc to close.
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QCOMPARE(QApplication::focusWidget(), form->browser());
    // Through the window, as a real key press travels, so shortcuts apply.
    QWindow *window = form->windowHandle();
    QTest::keyClick(window, Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(shownPage(form), QStringLiteral("系统管理.htm"));
    QTest::keyClick(window, Qt::Key_H, Qt::AltModifier);
    // A button's Alt key clicks it after its pressed look has shown.
    QTRY_COMPARE(shownPage(form), THelpFm::entryPage());
    QPointer<THelpFm> closing = form;
    QTest::keyClick(window, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(closing.isNull());
    QCOMPARE(m_messages->texts(), QStringList());
}

void TestHelpForm::entryPageRenders()
{
    THelpFm *form = ShowHelp();
    QVERIFY(form);
    QVERIFY(QTest::qWaitForWindowExposed(form));
    const QImage shot = form->grab().toImage();
    QCOMPARE(shot.size(), form->size());
    // The page is drawn: the browser's area holds more than its background.
    const QRect area = form->browser()->geometry();
    const QRgb background = shot.pixel(area.right() - 4, area.bottom() - 4);
    int inked = 0;
    for (int y = area.top(); y < area.top() + 120; ++y)
        for (int x = area.left(); x < area.right(); ++x)
            inked += shot.pixel(x, y) != background ? 1 : 0;
    QVERIFY2(inked > 500, qPrintable(QString::number(inked)));
    // BRELVANTO_SCREENSHOT_DIR keeps the picture for a look by eye.
    const QString dir = qEnvironmentVariable("BRELVANTO_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(shot.save(dir + QStringLiteral("/brelvanto-help.png")));
}

QTEST_MAIN(TestHelpForm)
#include "TestHelpForm.moc"
