#include "shell/MainForm.h"

#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "base/Messages.h"
#include "shell/SettingObjects.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>

namespace brel {

namespace {

/// The program folder; BRELVANTO_APP_DIR points tests at a program folder of their own.
QString programFolder()
{
    const QString fromEnv = qEnvironmentVariable("BRELVANTO_APP_DIR");
    QString dir = fromEnv.isEmpty() ? QCoreApplication::applicationDirPath() : fromEnv;
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    return dir;
}

} // namespace

TMainFm::TMainFm(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Brelvanto"));
    setAttribute(Qt::WA_DeleteOnClose);
    AwayMode = false;
    AppDir = programFolder();
    // The title is set on the window itself, not as the application's display
    // name: the toolkit appends that name to every window title, and a dialog's
    // title must be exactly its caption.
    setWindowTitle(tr("Quorvane-Brelvanto"));
    // Remembered at once, not only on a clean close: after a crash or a kill
    // the next start still finds the file.
    if (TDM *dm = DM()) {
        connect(dm, &TDM::workingFileChanged, this, [](const QString &path) {
            if (Settings)
                Settings->WriteDefaultDb(path);
        });
    }
    // Without a window manager the maximised state is not acted on; start at full size anyway.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
}

TMainFm::~TMainFm() = default;

QString TMainFm::InitialWorkingFile()
{
    if (Settings && Settings->ReadBeginer() == 1)
        return Settings->ReadDefaultDb();
    return AppDir + QStringLiteral("/Data/例子数据文件.mdb");
}

void TMainFm::OpenInitialWorkingFile()
{
    // Set before opening: a cancelled first login still stores the path tried.
    WorkingFile = InitialWorkingFile();
    if (!DM() || WorkingFile.isEmpty() || !QFileInfo(WorkingFile).isFile()) {
        emit workingFileMissing();
        return;
    }
    bool loggedIn = false;
    try {
        loggedIn = DM()->OpenWorkingFile(WorkingFile, true);
    } catch (const EngineError &e) {
        // Start-up goes no further; the window stays without a working file.
        Messages::error(e.message());
        return;
    }
    if (!loggedIn) {
        close();
        return;
    }
    emit workingFileOpened();
}

void TMainFm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    // Once the window is on screen, so a closing login can close it normally.
    QTimer::singleShot(0, this, &TMainFm::OpenInitialWorkingFile);
}

void TMainFm::closeEvent(QCloseEvent *event)
{
    if (!CurrentUser.YHXM.isEmpty() &&
        !Messages::confirm(tr("您确定要退出“Brelvanto”吗？"), Messages::Icon::Information)) {
        event->ignore();
        return;
    }
    if (Settings)
        Settings->WriteDefaultDb(WorkingFile);
    event->accept();
}

} // namespace brel
