#include "shell/HelpForm.h"

#include "base/Messages.h"
#include "datastore/Globalvar.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace brel {

namespace {
QPointer<THelpFm> s_instance;
}

QString THelpFm::entryPage()
{
    return QStringLiteral("Brelvanto简介.htm");
}

QString THelpFm::helpDir()
{
    return AppDir + QStringLiteral("/Help");
}

THelpFm::THelpFm(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_browser(new QTextBrowser(this))
    , m_back(new QPushButton(tr("后退(&B)"), this))
    , m_forward(new QPushButton(tr("前进(&F)"), this))
    , m_home(new QPushButton(tr("首页(&H)"), this))
{
    setObjectName(QStringLiteral("HelpFm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Brelvanto 帮助"));
    resize(780, 580);
    s_instance = this;

    m_back->setObjectName(QStringLiteral("btnBackward"));
    m_forward->setObjectName(QStringLiteral("btnForward"));
    m_home->setObjectName(QStringLiteral("btnHome"));
    auto *closeButton = new QPushButton(tr("关闭(&C)"), this);
    closeButton->setObjectName(QStringLiteral("btnClose"));
    m_back->setToolTip(tr("回到上一个看过的页面 (Alt+←)"));
    m_forward->setToolTip(tr("回到后退之前的页面 (Alt+→)"));
    m_home->setToolTip(tr("回到帮助首页"));
    m_back->setEnabled(false);
    m_forward->setEnabled(false);

    m_browser->setObjectName(QStringLiteral("brHelp"));
    m_browser->setAccessibleName(tr("帮助内容"));
    // Links go through followLink, so a missing page gives a message
    // instead of an empty page, and web addresses leave the help window.
    m_browser->setOpenLinks(false);
    m_browser->setOpenExternalLinks(false);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_back);
    buttons->addWidget(m_forward);
    buttons->addWidget(m_home);
    buttons->addStretch(1);
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_browser, 1);

    // The browser takes the keys first: Tab walks its links, Enter follows one.
    setTabOrder(m_browser, m_back);
    setTabOrder(m_back, m_forward);
    setTabOrder(m_forward, m_home);
    setTabOrder(m_home, closeButton);
    setFocusProxy(m_browser);

    connect(m_back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_home, &QPushButton::clicked, this, [this] { showTopic(entryPage()); });
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &THelpFm::followLink);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &THelpFm::updateTitle);
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
}

THelpFm::~THelpFm() = default;

THelpFm *THelpFm::instance()
{
    return s_instance.data();
}

bool THelpFm::showTopic(const QString &topic)
{
    const QString dir = helpDir();
    if (!QFileInfo(dir).isDir()) {
        Messages::error(tr("找不到帮助文件夹“%1”，帮助无法显示。\n请重新安装本软件，或把帮助文件夹复制到程序文件夹中。")
                            .arg(QDir::toNativeSeparators(dir)));
        return false;
    }
    const qsizetype hash = topic.indexOf(QLatin1Char('#'));
    QUrl url = QUrl::fromLocalFile(QDir(dir).filePath(topic.left(hash)));
    if (hash >= 0)
        url.setFragment(topic.mid(hash + 1));
    return showLocal(url);
}

bool THelpFm::followLink(const QUrl &link)
{
    const QUrl target = link.isRelative() ? m_browser->source().resolved(link) : link;
    if (target.isLocalFile())
        return showLocal(target);
    if (!QDesktopServices::openUrl(target)) {
        Messages::error(tr("无法打开“%1”。").arg(target.toString()));
        return false;
    }
    return true;
}

bool THelpFm::showLocal(const QUrl &url)
{
    const QString path = url.toLocalFile();
    if (!QFileInfo(path).isFile()) {
        Messages::error(tr("找不到帮助页面“%1”，无法显示。\n请重新安装本软件。").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    m_browser->setSource(url);
    return true;
}

void THelpFm::updateTitle()
{
    const QString page = m_browser->documentTitle();
    setWindowTitle(page.isEmpty() ? tr("Brelvanto 帮助") : tr("Brelvanto 帮助 - %1").arg(page));
}

THelpFm *ShowHelp(const QString &topic)
{
    THelpFm *form = THelpFm::instance();
    if (!form) {
        auto *fresh = new THelpFm;
        if (!fresh->showTopic(topic)) {
            delete fresh;
            return nullptr;
        }
        form = fresh;
    } else {
        // A missing page leaves the open window on the page it shows.
        form->showTopic(topic);
    }
    form->setWindowState(form->windowState() & ~Qt::WindowMinimized);
    form->show();
    form->raise();
    form->activateWindow();
    form->setFocus();
    return form;
}

} // namespace brel
