#include "tools/TipForm.h"

#include "shell/MainForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace brel {

TTipFm::TTipFm(QWidget *parent)
    : TEnterFm(parent), m_tips(UsageTips())
{
    setObjectName(QStringLiteral("TipFm"));
    setWindowTitle(tr("使用小窍门"));
    setModal(true);

    lbTitle = new QLabel(this);
    lbTitle->setObjectName(QStringLiteral("lbTitle"));
    QFont titleFont = lbTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    lbTitle->setFont(titleFont);
    QPalette blue = lbTitle->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    lbTitle->setPalette(blue);
    lbTip = new QLabel(this);
    lbTip->setObjectName(QStringLiteral("lbTip"));
    lbTip->setWordWrap(true);
    lbTip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lbTip->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lbTip->setMinimumHeight(lbTip->fontMetrics().lineSpacing() * 6);

    btnPre = new QPushButton(tr("上一条"), this);
    btnPre->setObjectName(QStringLiteral("btnPre"));
    btnNext = new QPushButton(tr("下一条"), this);
    btnNext->setObjectName(QStringLiteral("btnNext"));
    btnClose = new QPushButton(tr("关闭"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    // Enter moves between the buttons as in every window; no button is pressed by it.
    for (QPushButton *b : {btnPre, btnNext, btnClose})
        b->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnPre);
    buttons->addWidget(btnNext);
    buttons->addWidget(btnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lbTitle);
    layout->addWidget(lbTip, 1);
    layout->addLayout(buttons);
    resize(460, 240);

    connect(btnPre, &QPushButton::clicked, this, [this] { showTip(m_index - 1); });
    connect(btnNext, &QPushButton::clicked, this, [this] { showTip(m_index + 1); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    showTip(0);
}

void TTipFm::showTip(int index)
{
    m_index = qBound(0, index, int(m_tips.size()) - 1);
    lbTitle->setText(m_tips.at(m_index).title);
    lbTip->setText(m_tips.at(m_index).text);
    // A disabled button would drop the focus; keep it on a usable one.
    const bool preFocused = btnPre->hasFocus(), nextFocused = btnNext->hasFocus();
    btnPre->setEnabled(m_index > 0);
    btnNext->setEnabled(m_index < m_tips.size() - 1);
    if ((preFocused && !btnPre->isEnabled()) || (nextFocused && !btnNext->isEnabled()))
        (btnPre->isEnabled() ? btnPre : btnNext->isEnabled() ? btnNext : btnClose)->setFocus();
}

void TTipFm::Run(QWidget *parent)
{
    TTipFm dialog(parent);
    dialog.exec();
}

void TTipFm::ShowAfterFirstLogin(TMainFm *mainForm, bool firstStart)
{
    if (!mainForm || !firstStart)
        return;
    QPointer<TMainFm> main = mainForm;
    QObject::connect(
        mainForm, &TMainFm::workingFileOpened, mainForm,
        [main] {
            // After the first window has opened, over it.
            QTimer::singleShot(0, main, [main] { Run(main); });
        },
        Qt::SingleShotConnection);
}

} // namespace brel
