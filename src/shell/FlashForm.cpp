#include "shell/FlashForm.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScreen>
#include <QTimer>

namespace brel {

TFlashFm::TFlashFm(QWidget *parent) : QDialog(parent), m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("FlashFm"));
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);
    setFixedSize(480, 300);
    m_picture = splashPicture();
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &QDialog::accept);

    bool ok = false;
    const int fromEnv = qEnvironmentVariableIntValue("BRELVANTO_SPLASH_MS", &ok);
    if (ok && fromEnv >= 0 && fromEnv < m_delay)
        m_delay = fromEnv;
}

void TFlashFm::setCloseDelay(int ms)
{
    m_delay = ms;
    if (m_timer->isActive())
        m_timer->start(m_delay);
}

void TFlashFm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.center() - rect().center());
    }
    m_timer->start(m_delay);
}

void TFlashFm::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawPixmap(rect(), m_picture);
}

QPixmap TFlashFm::splashPicture()
{
    QPixmap pix(480, 300);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 300);
    sky.setColorAt(0, QColor(18, 62, 112));
    sky.setColorAt(1, QColor(64, 140, 196));
    p.fillRect(pix.rect(), sky);

    // A row of houses along the bottom.
    p.setPen(Qt::NoPen);
    const QColor roofs[] = {QColor(204, 84, 60), QColor(232, 160, 64), QColor(180, 64, 64), QColor(220, 120, 70)};
    for (int i = 0; i < 6; ++i) {
        const int x = 20 + i * 76;
        const int h = 50 + (i * 37) % 40;
        p.setBrush(QColor(245, 240, 228));
        p.drawRect(x, 300 - 30 - h, 60, h);
        QPainterPath roof;
        roof.moveTo(x - 6, 300 - 30 - h);
        roof.lineTo(x + 30, 300 - 30 - h - 28);
        roof.lineTo(x + 66, 300 - 30 - h);
        roof.closeSubpath();
        p.setBrush(roofs[i % 4]);
        p.drawPath(roof);
        p.setBrush(QColor(90, 150, 210));
        p.drawRect(x + 10, 300 - 30 - h + 12, 14, 14);
        p.drawRect(x + 36, 300 - 30 - h + 12, 14, 14);
    }
    p.fillRect(0, 270, 480, 30, QColor(60, 110, 60));

    QFont title = p.font();
    title.setPixelSize(44);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 40, 480, 56), Qt::AlignCenter, QStringLiteral("Brelvanto"));
    QFont sub = p.font();
    sub.setPixelSize(24);
    sub.setBold(false);
    p.setFont(sub);
    p.drawText(QRect(0, 100, 480, 36), Qt::AlignCenter, tr("房屋中介管理系统"));
    QFont small = p.font();
    small.setPixelSize(12);
    p.setFont(small);
    p.setPen(QColor(220, 232, 245));
    p.drawText(QRect(0, 140, 480, 20), Qt::AlignCenter, tr("Quorvane · 正在启动……"));
    p.end();
    return pix;
}

void ShowSplash()
{
    QPointer<TFlashFm> splash = new TFlashFm;
    // A delay of 0 asks for no splash at all.
    if (splash->closeDelay() <= 0) {
        delete splash.data();
        return;
    }
    // Not exec(): when the timer closes the splash before exec() has entered
    // its loop (a short delay on a busy start), that loop would wait forever
    // for a window that is already gone.
    QEventLoop loop;
    QObject::connect(splash.data(), &QDialog::finished, &loop, &QEventLoop::quit);
    splash->show();
    if (splash && splash->isVisible())
        loop.exec(QEventLoop::DialogExec);
}

} // namespace brel
