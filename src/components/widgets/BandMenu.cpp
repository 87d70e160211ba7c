#include "components/widgets/BandMenu.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyle>

namespace brel {

namespace {

// The gradient is a fixed ladder of 256 steps rather than a smooth
// QLinearGradient, so every row's colour is the same on every platform.
constexpr int Steps = 256;

} // namespace

BandMenu::BandMenu(QWidget *parent)
    : QMenu(parent)
{
    setBandWidth(DefaultBandWidth);
}

BandMenu::BandMenu(const QString &title, QWidget *parent)
    : QMenu(title, parent)
{
    setBandWidth(DefaultBandWidth);
}

void BandMenu::setBandWidth(int width)
{
    m_bandWidth = qMax(0, width);
    // QMenu starts its items after the left contents margin, so the margin
    // is what keeps the items off the band.
    QMargins margins = contentsMargins();
    margins.setLeft(m_bandWidth);
    setContentsMargins(margins);
    update();
}

void BandMenu::setBandLogo(const QImage &logo)
{
    QImage image = logo.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & RGB_MASK) == 0)
                line[x] = 0;
        }
    }
    m_logo = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    update();
}

QRect BandMenu::bandRect() const
{
    const int frame = style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, this);
    return QRect(frame, frame, m_bandWidth, qMax(0, height() - 2 * frame));
}

void BandMenu::paintEvent(QPaintEvent *event)
{
    QMenu::paintEvent(event);
    const QRect band = bandRect();
    if (band.isEmpty() || !event->rect().intersects(band))
        return;
    QPainter painter(this);
    paintBand(painter);
}

void BandMenu::paintBand(QPainter &painter) const
{
    const QRect band = bandRect();
    const int h = band.height();
    // Step i fills rows [i*h/256, (i+1)*h/256); below 256 rows some steps
    // are empty and the blue jumps.
    for (int i = 0; i < Steps; ++i) {
        const int top = i * h / Steps;
        const int bottom = (i + 1) * h / Steps;
        if (bottom > top)
            painter.fillRect(QRect(band.left(), band.top() + top, band.width(), bottom - top),
                             QColor(0, 0, i));
    }
    if (m_logo.isNull() || m_logo.height() > h)
        return;
    const QPoint at(band.left() + (band.width() - m_logo.width()) / 2,
                    band.top() + h - m_logo.height());
    painter.save();
    painter.setClipRect(band, Qt::IntersectClip);
    painter.drawImage(at, m_logo);
    painter.restore();
}

} // namespace brel
