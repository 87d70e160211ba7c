// Finds and raises windows on a real X server: an Xvfb started for this test.
// The windows to look for are made here, on this test's own X connection, or
// by a Qt program; the looking is done by this executable started again as an
// xcb client ("--x11-client"), as the program does it on a desktop.

#include "shell/widgets/X11Windows.h"

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>
#include <QWidget>
#include <QtTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

const char kClientFlag[] = "--x11-client";
const QString kTitle = QStringLiteral("计算器");

/// The started client: "find <title>" prints the windows found, one id a
/// line; "raise <title>" ends with 0 when it raised one, 1 when none was
/// found; "hidden-window <title>" shows a window, hides it, prints its id and
/// stays until it is ended.
int runAsClient(int argc, char **argv)
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    const QStringList args = QApplication::arguments();
    if (args.size() != 4 || QGuiApplication::platformName() != QLatin1String("xcb"))
        return 3;
    const QString command = args.at(2);
    const QString title = args.at(3);
    QTextStream out(stdout);
    if (command == QLatin1String("find")) {
        for (quint32 window : brel::FindWindowsTitled(title))
            out << window << '\n';
        return 0;
    }
    if (command == QLatin1String("raise"))
        return brel::RaiseWindowTitled(title) ? 0 : 1;
    if (command == QLatin1String("hidden-window")) {
        QWidget window;
        window.setWindowTitle(title);
        window.resize(120, 80);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return 4;
        window.hide();
        out << window.winId() << Qt::endl;
        return app.exec();
    }
    return 3;
}

} // namespace

class TestX11Windows : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void nothingOnAPlatformOtherThanX11();
    void exactTitleOnly_data();
    void exactTitleOnly();
    void raiseShowsAHiddenWindowOnTop();
    void raiseWithoutSuchWindowChangesNothing();
    void windowManagerClientsAreFoundAndAskedToActivate();
    void hiddenWindowOfAnotherQtProgramIsShownAgain();

private:
    xcb_atom_t atom(const char *name) const;
    xcb_window_t createWindow(xcb_window_t parent, bool mapped);
    void setText(xcb_window_t window, const char *property, const char *type, const QByteArray &value);
    void setTitle(xcb_window_t window, const QString &title, bool mapped = true);
    /// Waits until the X server has done every request sent so far.
    void sync() const;
    xcb_map_state_t mapState(xcb_window_t window) const;
    xcb_window_t topmostRootChild() const;
    QProcessEnvironment clientEnvironment() const;
    /// Runs the client command to its end; its exit code, or -1 when it crashed
    /// or hung. The window ids it printed go to `windows`.
    int runClient(const QString &command, const QString &title, QList<quint32> *windows = nullptr);

    QProcess m_xserver;
    QString m_display;
    xcb_connection_t *m_x = nullptr;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    QList<xcb_window_t> m_windows;
};

void TestX11Windows::initTestCase()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty())
        QSKIP("Xvfb is not on PATH (package xvfb, see scripts/setup-deps.sh): no X server to test on.");
    // -displayfd 1: the server takes a free display number and prints it.
    // -terminate: it ends with this test's connection, even when the test crashes.
    m_xserver.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-terminate"),
                           QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"),
                           QStringLiteral("0"), QStringLiteral("640x480x24")});
    QVERIFY2(m_xserver.waitForStarted(), qPrintable(m_xserver.errorString()));
    while (!m_xserver.canReadLine() && m_xserver.waitForReadyRead(30000)) {
    }
    QVERIFY2(m_xserver.canReadLine(), m_xserver.readAllStandardError().constData());
    m_display = QLatin1Char(':') + QString::fromLatin1(m_xserver.readLine().trimmed());

    m_x = xcb_connect(m_display.toLatin1().constData(), nullptr);
    QVERIFY2(m_x && !xcb_connection_has_error(m_x), qPrintable(m_display));
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_x)).data->root;
}

void TestX11Windows::cleanupTestCase()
{
    if (m_x)
        xcb_disconnect(m_x);
    if (m_xserver.state() != QProcess::NotRunning) {
        m_xserver.terminate();
        if (!m_xserver.waitForFinished(10000))
            m_xserver.kill();
        m_xserver.waitForFinished(10000);
    }
}

void TestX11Windows::cleanup()
{
    for (xcb_window_t window : std::as_const(m_windows))
        xcb_destroy_window(m_x, window);
    m_windows.clear();
    xcb_delete_property(m_x, m_root, atom("_NET_CLIENT_LIST"));
    const uint32_t noEvents = XCB_EVENT_MASK_NO_EVENT;
    xcb_change_window_attributes(m_x, m_root, XCB_CW_EVENT_MASK, &noEvents);
    sync();
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_x))
        std::free(event);
}

xcb_atom_t TestX11Windows::atom(const char *name) const
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(m_x, xcb_intern_atom(m_x, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

xcb_window_t TestX11Windows::createWindow(xcb_window_t parent, bool mapped)
{
    const xcb_window_t window = xcb_generate_id(m_x);
    xcb_create_window(m_x, XCB_COPY_FROM_PARENT, window, parent, 10, 10, 100, 80, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    if (mapped)
        xcb_map_window(m_x, window);
    m_windows.append(window);
    return window;
}

void TestX11Windows::setText(xcb_window_t window, const char *property, const char *type, const QByteArray &value)
{
    xcb_change_property(m_x, XCB_PROP_MODE_REPLACE, window, atom(property), atom(type), 8, uint32_t(value.size()),
                        value.constData());
}

void TestX11Windows::setTitle(xcb_window_t window, const QString &title, bool mapped)
{
    setText(window, "_NET_WM_NAME", "UTF8_STRING", title.toUtf8());
    if (mapped)
        xcb_map_window(m_x, window);
}

void TestX11Windows::sync() const
{
    std::free(xcb_get_input_focus_reply(m_x, xcb_get_input_focus(m_x), nullptr));
}

xcb_map_state_t TestX11Windows::mapState(xcb_window_t window) const
{
    xcb_get_window_attributes_reply_t *reply =
        xcb_get_window_attributes_reply(m_x, xcb_get_window_attributes(m_x, window), nullptr);
    // A window that is gone reads as never shown.
    const auto state = xcb_map_state_t(reply ? reply->map_state : uint8_t(XCB_MAP_STATE_UNMAPPED));
    std::free(reply);
    return state;
}

xcb_window_t TestX11Windows::topmostRootChild() const
{
    // The children come bottom first.
    xcb_query_tree_reply_t *tree = xcb_query_tree_reply(m_x, xcb_query_tree(m_x, m_root), nullptr);
    xcb_window_t top = XCB_WINDOW_NONE;
    if (tree && xcb_query_tree_children_length(tree) > 0)
        top = xcb_query_tree_children(tree)[xcb_query_tree_children_length(tree) - 1];
    std::free(tree);
    return top;
}

QProcessEnvironment TestX11Windows::clientEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), m_display);
    return env;
}

int TestX11Windows::runClient(const QString &command, const QString &title, QList<quint32> *windows)
{
    sync();
    QProcess client;
    client.setProcessEnvironment(clientEnvironment());
    client.start(QCoreApplication::applicationFilePath(), {QLatin1String(kClientFlag), command, title});
    if (!client.waitForFinished(60000) || client.exitStatus() != QProcess::NormalExit) {
        qWarning() << command << "client failed:" << client.readAllStandardError();
        return -1;
    }
    if (windows) {
        windows->clear();
        for (const QByteArray &line : client.readAllStandardOutput().split('\n')) {
            if (!line.isEmpty())
                windows->append(line.toUInt());
        }
    }
    if (client.exitCode() > 1)
        qWarning() << command << "client ended with" << client.exitCode() << client.readAllStandardError();
    return client.exitCode();
}

void TestX11Windows::nothingOnAPlatformOtherThanX11()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    const xcb_window_t hidden = createWindow(m_root, false);
    setTitle(hidden, kTitle, false);
    QWidget own;
    own.setWindowTitle(kTitle);
    own.show();
    QVERIFY(QTest::qWaitForWindowExposed(&own));

    QVERIFY(brel::FindWindowsTitled(kTitle).isEmpty());
    QVERIFY(!brel::RaiseWindowTitled(kTitle));
    QVERIFY(!brel::RaiseWindow(hidden));
    QCOMPARE(mapState(hidden), XCB_MAP_STATE_UNMAPPED);
}

void TestX11Windows::exactTitleOnly_data()
{
    QTest::addColumn<QByteArray>("netWmName"); // null: not set
    QTest::addColumn<QByteArray>("wmName");    // null: not set
    QTest::addColumn<QByteArray>("wmNameType");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("found");

    const QByteArray calculator = kTitle.toUtf8();
    const QByteArray none;
    QTest::newRow("same title") << calculator << none << QByteArray() << kTitle << true;
    QTest::newRow("title plus a digit") << QByteArray("计算器2") << none << QByteArray() << kTitle << false;
    QTest::newRow("title inside a longer one") << QByteArray("科学计算器") << none << QByteArray() << kTitle << false;
    QTest::newRow("leading space") << QByteArray(" 计算器") << none << QByteArray() << kTitle << false;
    QTest::newRow("sought title is longer") << calculator << none << QByteArray() << QStringLiteral("计算器2")
                                                    << false;
    QTest::newRow("WM_NAME in UTF-8") << none << calculator << QByteArray("UTF8_STRING") << kTitle << true;
    QTest::newRow("WM_NAME STRING holding UTF-8") << none << calculator << QByteArray("STRING") << kTitle << true;
    QTest::newRow("WM_NAME Latin-1") << none << QByteArray("Rechner f\xfcr Zahlen") << QByteArray("STRING")
                                     << QStringLiteral("Rechner für Zahlen") << true;
    QTest::newRow("WM_NAME with a closing NUL") << none << QByteArray("计算器\0", 10) << QByteArray("STRING") << kTitle
                                                << true;
    QTest::newRow("_NET_WM_NAME wins over WM_NAME") << QByteArray("科学计算器") << calculator << QByteArray("STRING")
                                                    << kTitle << false;
    QTest::newRow("empty _NET_WM_NAME wins over WM_NAME") << QByteArray("") << calculator << QByteArray("STRING")
                                                          << kTitle << false;
    QTest::newRow("no title at all") << none << none << QByteArray() << kTitle << false;
}

void TestX11Windows::exactTitleOnly()
{
    QFETCH(QByteArray, netWmName);
    QFETCH(QByteArray, wmName);
    QFETCH(QByteArray, wmNameType);
    QFETCH(QString, title);
    QFETCH(bool, found);

    // Hidden on purpose: a window the user put away is still found.
    const xcb_window_t window = createWindow(m_root, false);
    if (!netWmName.isNull())
        setText(window, "_NET_WM_NAME", "UTF8_STRING", netWmName);
    if (!wmName.isNull())
        setText(window, "WM_NAME", wmNameType.constData(), wmName);
    // Other programs' windows around it.
    setTitle(createWindow(m_root, false), QStringLiteral("文件管理器"));
    setText(createWindow(m_root, true), "WM_NAME", "STRING", "xterm");

    QList<quint32> windows;
    QCOMPARE(runClient(QStringLiteral("find"), title, &windows), 0);
    QCOMPARE(windows, found ? QList<quint32>{window} : QList<quint32>{});
}

void TestX11Windows::raiseShowsAHiddenWindowOnTop()
{
    const xcb_window_t target = createWindow(m_root, false);
    setTitle(target, kTitle, false);
    const xcb_window_t longer = createWindow(m_root, false);
    setTitle(longer, QStringLiteral("计算器2"));
    const xcb_window_t scientific = createWindow(m_root, false);
    setTitle(scientific, QStringLiteral("科学计算器"));
    sync();
    QCOMPARE(mapState(target), XCB_MAP_STATE_UNMAPPED);
    QCOMPARE(topmostRootChild(), scientific);

    QCOMPARE(runClient(QStringLiteral("raise"), kTitle), 0);
    QCOMPARE(mapState(target), XCB_MAP_STATE_VIEWABLE);
    QCOMPARE(topmostRootChild(), target);
    QCOMPARE(mapState(longer), XCB_MAP_STATE_VIEWABLE);
    QCOMPARE(mapState(scientific), XCB_MAP_STATE_VIEWABLE);
}

void TestX11Windows::raiseWithoutSuchWindowChangesNothing()
{
    QCOMPARE(runClient(QStringLiteral("raise"), kTitle), 1);

    const xcb_window_t longer = createWindow(m_root, false);
    setTitle(longer, QStringLiteral("计算器2"), false);
    const xcb_window_t scientific = createWindow(m_root, false);
    setTitle(scientific, QStringLiteral("科学计算器"));
    QCOMPARE(runClient(QStringLiteral("raise"), kTitle), 1);
    QCOMPARE(mapState(longer), XCB_MAP_STATE_UNMAPPED);
    QCOMPARE(topmostRootChild(), scientific);
}

void TestX11Windows::windowManagerClientsAreFoundAndAskedToActivate()
{
    // This test plays the window manager: it frames the calculator, lists it
    // in _NET_CLIENT_LIST and takes the requests meant for a window manager.
    const xcb_window_t frame = createWindow(m_root, true);
    const xcb_window_t client = createWindow(frame, false);
    setTitle(client, kTitle, false);
    const xcb_window_t other = createWindow(m_root, true);
    setTitle(other, QStringLiteral("文件管理器"));
    // A root child outside the list (say a tooltip) is no top-level window.
    setTitle(createWindow(m_root, true), kTitle);
    const xcb_window_t clients[] = {other, client};
    xcb_change_property(m_x, XCB_PROP_MODE_REPLACE, m_root, atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 32, 2,
                        clients);
    const uint32_t managerEvents = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_x, m_root, XCB_CW_EVENT_MASK, &managerEvents);

    QList<quint32> windows;
    QCOMPARE(runClient(QStringLiteral("find"), kTitle, &windows), 0);
    QCOMPARE(windows, QList<quint32>{client});

    QCOMPARE(runClient(QStringLiteral("raise"), kTitle), 0);
    sync();
    QCOMPARE(mapState(client), XCB_MAP_STATE_VIEWABLE);
    const xcb_atom_t activeWindow = atom("_NET_ACTIVE_WINDOW");
    QList<quint32> activated;
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_x)) {
        if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
            const auto *message = reinterpret_cast<xcb_client_message_event_t *>(event);
            if (message->type == activeWindow && message->format == 32) {
                activated.append(message->window);
                QCOMPARE(message->data.data32[0], 2u);
            }
        }
        std::free(event);
    }
    QCOMPARE(activated, QList<quint32>{client});
}

void TestX11Windows::hiddenWindowOfAnotherQtProgramIsShownAgain()
{
    QProcess calculator;
    calculator.setProcessEnvironment(clientEnvironment());
    calculator.start(QCoreApplication::applicationFilePath(),
                     {QLatin1String(kClientFlag), QStringLiteral("hidden-window"), kTitle});
    QVERIFY(calculator.waitForStarted());
    while (!calculator.canReadLine() && calculator.waitForReadyRead(60000)) {
    }
    QVERIFY2(calculator.canReadLine(), calculator.readAllStandardError().constData());
    const xcb_window_t window = calculator.readLine().trimmed().toUInt();
    QVERIFY(window != XCB_WINDOW_NONE);
    QTRY_COMPARE_WITH_TIMEOUT(mapState(window), XCB_MAP_STATE_UNMAPPED, 10000);

    QCOMPARE(runClient(QStringLiteral("raise"), kTitle), 0);
    QCOMPARE(mapState(window), XCB_MAP_STATE_VIEWABLE);
    QCOMPARE(topmostRootChild(), window);

    calculator.kill();
    calculator.waitForFinished(10000);
}

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], kClientFlag) == 0)
        return runAsClient(argc, argv);
    QApplication app(argc, argv);
    TestX11Windows test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "TestX11Windows.moc"
