#include "shell/SideIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace brel {

namespace {

constexpr int Size = 40;

/// A house front: roof, wall and door, in the given wall colour.
void house(QPainter &p, const QColor &wall, const QRectF &r)
{
    QPolygonF roof;
    roof << QPointF(r.left() - 3, r.top() + r.height() * 0.45) << QPointF(r.center().x(), r.top())
         << QPointF(r.right() + 3, r.top() + r.height() * 0.45);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(190, 50, 40));
    p.drawPolygon(roof);
    p.setBrush(wall);
    const QRectF body(r.left(), r.top() + r.height() * 0.42, r.width(), r.height() * 0.58);
    p.drawRect(body);
    p.setBrush(QColor(110, 70, 40));
    p.drawRect(QRectF(body.center().x() - 3, body.bottom() - body.height() * 0.6, 6, body.height() * 0.6));
}

void badge(QPainter &p, const QColor &colour, const QString &mark)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QRectF(24, 24, 15, 15));
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setPixelSize(12);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(24, 24, 15, 15), Qt::AlignCenter, mark);
}

} // namespace

QIcon SideIcon(const QString &name)
{
    QPixmap pm(Size, Size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor dark(60, 60, 60);

    if (name == QLatin1String("rentalManage")) {
        house(p, QColor(250, 220, 120), QRectF(6, 4, 26, 30));
        badge(p, QColor(40, 120, 200), QStringLiteral("租"));
    } else if (name == QLatin1String("saleManage")) {
        house(p, QColor(170, 220, 150), QRectF(6, 4, 26, 30));
        badge(p, QColor(200, 90, 30), QStringLiteral("售"));
    } else if (name == QLatin1String("requestManage")) {
        // A person asking for a house.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60, 110, 180));
        p.drawEllipse(QRectF(8, 4, 12, 12));
        p.drawRoundedRect(QRectF(4, 17, 20, 18), 6, 6);
        house(p, QColor(250, 220, 120), QRectF(24, 14, 12, 14));
    } else if (name == QLatin1String("search")) {
        // A magnifying glass over a sheet.
        p.setPen(QPen(QColor(150, 150, 150), 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 3, 24, 30));
        p.setPen(QPen(QColor(180, 180, 180), 2));
        for (int y = 9; y < 30; y += 5)
            p.drawLine(QPointF(8, y), QPointF(24, y));
        p.setPen(QPen(dark, 3.5, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(QColor(200, 230, 255, 180));
        p.drawEllipse(QRectF(16, 14, 14, 14));
        p.drawLine(QPointF(28, 26), QPointF(36, 35));
    } else if (name == QLatin1String("alert")) {
        // A bell.
        QPainterPath bell;
        bell.moveTo(8, 30);
        bell.cubicTo(12, 26, 10, 8, 20, 7);
        bell.cubicTo(30, 8, 28, 26, 32, 30);
        bell.closeSubpath();
        p.setPen(QPen(QColor(150, 100, 0), 1.5));
        p.setBrush(QColor(245, 190, 40));
        p.drawPath(bell);
        p.drawEllipse(QRectF(17, 30, 6, 6));
        p.drawEllipse(QRectF(18, 3, 4, 4));
    } else if (name == QLatin1String("loan")) {
        // Coins stacked beside a house.
        p.setPen(QPen(QColor(150, 110, 0), 1.2));
        p.setBrush(QColor(245, 200, 60));
        for (int i = 0; i < 4; ++i)
            p.drawEllipse(QRectF(4, 28 - i * 6, 18, 8));
        house(p, QColor(250, 240, 200), QRectF(24, 12, 12, 20));
    } else if (name == QLatin1String("calculator")) {
        p.setPen(QPen(dark, 1.5));
        p.setBrush(QColor(90, 100, 120));
        p.drawRoundedRect(QRectF(8, 3, 24, 34), 3, 3);
        p.setBrush(QColor(200, 230, 200));
        p.drawRect(QRectF(11, 6, 18, 8));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                p.drawRect(QRectF(11 + c * 6.5, 17 + r * 6.5, 4.5, 4.5));
    } else if (name == QLatin1String("dataFile")) {
        // A database drum.
        p.setPen(QPen(QColor(30, 80, 140), 1.5));
        p.setBrush(QColor(90, 150, 220));
        p.drawRect(QRectF(8, 9, 24, 22));
        p.drawEllipse(QRectF(8, 26, 24, 9));
        p.setBrush(QColor(150, 200, 250));
        p.drawEllipse(QRectF(8, 4, 24, 9));
    } else if (name == QLatin1String("settings")) {
        // A gear.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(110, 110, 120));
        p.translate(20, 20);
        for (int i = 0; i < 8; ++i) {
            p.drawRect(QRectF(-3, -17, 6, 8));
            p.rotate(45);
        }
        p.drawEllipse(QRectF(-12, -12, 24, 24));
        p.setBrush(QColor(230, 230, 235));
        p.drawEllipse(QRectF(-5, -5, 10, 10));
    } else if (name == QLatin1String("login")) {
        // A key.
        p.setPen(QPen(QColor(200, 150, 20), 4));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(4, 12, 15, 15));
        p.drawLine(QPointF(19, 20), QPointF(36, 20));
        p.drawLine(QPointF(31, 20), QPointF(31, 28));
        p.drawLine(QPointF(36, 20), QPointF(36, 27));
    } else if (name == QLatin1String("maintenance")) {
        // A drum with a wrench.
        p.setPen(QPen(QColor(30, 80, 140), 1.5));
        p.setBrush(QColor(90, 150, 220));
        p.drawRect(QRectF(4, 9, 20, 20));
        p.drawEllipse(QRectF(4, 24, 20, 8));
        p.setBrush(QColor(150, 200, 250));
        p.drawEllipse(QRectF(4, 5, 20, 8));
        p.setPen(QPen(dark, 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(22, 36), QPointF(34, 22));
        p.setPen(QPen(dark, 2.5));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(29, 13, 10, 10), 200 * 16, 270 * 16);
    } else if (name == QLatin1String("log")) {
        // A notebook with lines and a pen.
        p.setPen(QPen(QColor(120, 90, 50), 1.5));
        p.setBrush(QColor(255, 250, 230));
        p.drawRect(QRectF(6, 3, 24, 33));
        p.setPen(QPen(QColor(100, 140, 200), 1.5));
        for (int y = 10; y < 34; y += 5)
            p.drawLine(QPointF(10, y), QPointF(26, y));
        p.setPen(QPen(QColor(200, 60, 40), 3.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(24, 34), QPointF(36, 16));
    } else {
        p.setPen(QPen(dark, 2));
        p.drawRect(QRectF(6, 6, 28, 28));
    }
    p.end();
    return QIcon(pm);
}

} // namespace brel
