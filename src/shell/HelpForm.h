#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

class QPushButton;
class QTextBrowser;

namespace brel {

/// The help window: the product's own pages from AppDir + "/Help", shown in
/// a browser with back, forward and home buttons. One instance at most;
/// ShowHelp opens it or brings it forward.
class THelpFm : public QWidget {
    Q_OBJECT
public:
    /// The page the help opens on and the home button returns to.
    static QString entryPage();
    /// The folder of the pages: AppDir + "/Help".
    static QString helpDir();

    explicit THelpFm(QWidget *parent = nullptr);
    ~THelpFm() override;

    /// The open window, or nullptr.
    static THelpFm *instance();

    /// Shows the page topic (a file name under helpDir(), optionally with
    /// "#anchor"). A missing folder or page shows a message and keeps the
    /// page shown before; returns whether the page is now shown.
    bool showTopic(const QString &topic);
    /// What a click on a link does: pages of the help folder open here,
    /// web addresses in the desktop's browser.
    bool followLink(const QUrl &link);

    QTextBrowser *browser() const { return m_browser; }

private:
    bool showLocal(const QUrl &url);
    void updateTitle();

    QTextBrowser *m_browser;
    QPushButton *m_back;
    QPushButton *m_forward;
    QPushButton *m_home;
};

/// Opens the help at topic (the entry page by default), making the window
/// once and raising it afterwards. Returns the window, or nullptr when the
/// page is missing and no window was open (the message has been shown).
THelpFm *ShowHelp(const QString &topic = THelpFm::entryPage());

} // namespace brel
