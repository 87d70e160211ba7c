#pragma once

// The real main window on a blank data file in a temporary program folder,
// as the tests of the child windows drive it: the administrator is logged
// in, the window is 1280x1024 and every message box is recorded.

#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "shell/DesktopChildForm.h"
#include "shell/MainForm.h"
#include "shell/SettingObjects.h"
#include "support/MessageRecorder.h"
#include "support/RegisterWindows.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QFrame>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace brel::test {

class MainWindowFixture {
protected:
    /// For init(): clears the globals and opens the main window.
    void startMainWindow()
    {
        m_programDir = qEnvironmentVariable("BRELVANTO_APP_DIR");
        ClearGlobals();
        m_dir = std::make_unique<QTemporaryDir>();
        qputenv("BRELVANTO_APP_DIR", QFile::encodeName(m_dir->path()));
        const QString file = m_dir->filePath(QStringLiteral("办公.mdb"));
        makeBlankFile(file);
        m_dm = std::make_unique<TDM>();
        m_settings = std::make_unique<TSettings>(m_dir->filePath(QStringLiteral("settings.ini")));
        m_settings->WriteBeginer(1);
        m_settings->WriteDefaultDb(file);
        m_messages = std::make_unique<MessageRecorder>();
        m_dm->hooks.login = [] {
            setUser(1, QStringLiteral("admin"), QString(), "amdptg");
            return true;
        };
        m_form = new TMainFm;
        QSignalSpy opened(m_form.data(), &TMainFm::workingFileOpened);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.data()));
        QTRY_COMPARE(opened.count(), 1);
        m_form->setWindowState(Qt::WindowNoState);
        m_form->resize(1280, 1024);
        QApplication::setActiveWindow(m_form);
        AppDir = m_dir->path();
        SysOptions.ZDSJH = true;
    }

    /// For cleanup(): closes everything and puts the program folder back.
    void stopMainWindow()
    {
        TMainFm::ClearRegistrations();
        delete m_form.data();
        m_messages.reset();
        m_settings.reset();
        m_dm.reset();
        m_dir.reset();
        ClearGlobals();
        if (m_programDir.isNull())
            qunsetenv("BRELVANTO_APP_DIR");
        else
            qputenv("BRELVANTO_APP_DIR", QFile::encodeName(m_programDir));
    }

    QAction *command(const char *name) const { return m_form->command(QString::fromLatin1(name)); }

    /// A copy of the built program's sample file in the test's folder; empty
    /// when the build has not made one.
    QString copyOfSampleFile() const
    {
        const QString sample = m_programDir + QStringLiteral("/Data/例子数据文件.mdb");
        if (!QFileInfo::exists(sample))
            return QString();
        const QString copy = m_dir->filePath(QStringLiteral("例子数据文件.mdb"));
        QFile::copy(sample, copy);
        return copy;
    }

    /// The whole form of window lies inside the main window at two common
    /// screen sizes. BRELVANTO_SCREENSHOT names a file to keep a picture of
    /// each ("-1280" or "-1024", after "-" + tag when one is given, is put
    /// before its ".png").
    void checkFitsCommonScreens(TDesktopChildFm *window, const QString &tag = QString())
    {
        const QString prefix = tag.isEmpty() ? QString() : QLatin1Char('-') + tag;
        const QString out = qEnvironmentVariable("BRELVANTO_SCREENSHOT");
        for (const QSize &size : {QSize(1280, 1024), QSize(1024, 768)}) {
            m_form->resize(size);
            QTRY_COMPARE(m_form->size(), size);
            QCoreApplication::processEvents();
            const QRect form(window->pnDesktop->mapTo(m_form, QPoint(0, 0)), window->pnDesktop->size());
            QVERIFY2(window->rect().contains(window->pnDesktop->geometry()), "the form is cut off");
            QVERIFY(m_form->rect().contains(form));
            if (!out.isEmpty())
                QVERIFY(m_form->grab().save(
                    QString(out).replace(QLatin1String(".png"), prefix + QStringLiteral("-%1.png").arg(size.width()))));
        }
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<TSettings> m_settings;
    std::unique_ptr<MessageRecorder> m_messages;
    QPointer<TMainFm> m_form;
    QString m_programDir; ///< the built program folder, with the sample file
};

} // namespace brel::test
