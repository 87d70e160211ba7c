#include "reports/PBarForm.h"

#include "shell/MainForm.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace brel {

namespace {

QPointer<TPBarFm> &progressWindow()
{
    static QPointer<TPBarFm> window;
    return window;
}

void enableMainWindow(bool on)
{
    if (TMainFm *main = TMainFm::instance())
        main->setEnabled(on);
}

} // namespace

TPBarFm::TPBarFm(QWidget *owner)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("PBarFm"));
    setWindowTitle(tr("正在处理数据,请等待..."));
    auto *layout = new QVBoxLayout(this);
    Label1 = new QLabel(tr("正在处理数据,请稍候..."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setMinimum(0);
    ProgressBar->setAccessibleName(Label1->text());
    Label1->setBuddy(ProgressBar);
    btnCancel = new QPushButton(tr("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    layout->addWidget(Label1);
    layout->addWidget(ProgressBar);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    setFixedSize(360, 110);
    connect(btnCancel, &QPushButton::clicked, this, &TPBarFm::cancelRequested);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TPBarFm::~TPBarFm() = default;

TPBarFm *TPBarFm::current()
{
    return progressWindow().data();
}

void TPBarFm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        emit cancelRequested();
    else
        QWidget::keyPressEvent(event);
}

void ShowProgress(int count, QWidget *owner)
{
    delete progressWindow().data();
    auto *window = new TPBarFm(owner);
    progressWindow() = window;
    window->ProgressBar->setMaximum(count);
    window->ProgressBar->setValue(0);
    window->show();
    enableMainWindow(false);
    window->repaint();
}

void StepProgress()
{
    TPBarFm *window = progressWindow().data();
    if (!window)
        return;
    window->ProgressBar->setValue(window->ProgressBar->value() + 1);
    if (window->ProgressBar->value() >= window->ProgressBar->maximum()) {
        delete window;
        enableMainWindow(true);
        return;
    }
    // The bar moves and 取消 can be pressed while the records are laid out.
    QCoreApplication::processEvents();
}

void EndProgress()
{
    if (TPBarFm *window = progressWindow().data()) {
        delete window;
        enableMainWindow(true);
    }
}

} // namespace brel
