#include "shell/ToolIcons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace brel {

namespace {

constexpr int Size = 32;

void arrow(QPainter &p, bool left, qreal x)
{
    // A filled triangle pointing left or right, its tip at x.
    QPolygonF tri;
    const qreal w = 10;
    if (left)
        tri << QPointF(x, 16) << QPointF(x + w, 7) << QPointF(x + w, 25);
    else
        tri << QPointF(x, 16) << QPointF(x - w, 7) << QPointF(x - w, 25);
    p.drawPolygon(tri);
}

void bar(QPainter &p, qreal x)
{
    p.drawRect(QRectF(x, 7, 3, 18));
}

} // namespace

QIcon ToolIcon(const QString &name)
{
    QPixmap pm(Size, Size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor green(30, 140, 60), blue(30, 90, 180), red(190, 40, 40), dark(60, 60, 60);
    QPen pen(dark, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);

    if (name == QLatin1String("login")) {
        // A key: ring and shaft.
        p.setPen(QPen(QColor(200, 150, 20), 3));
        p.drawEllipse(QRectF(4, 9, 12, 12));
        p.drawLine(QPointF(16, 15), QPointF(28, 15));
        p.drawLine(QPointF(24, 15), QPointF(24, 21));
        p.drawLine(QPointF(28, 15), QPointF(28, 20));
    } else if (name == QLatin1String("away")) {
        // A closed padlock.
        p.setPen(QPen(dark, 3));
        p.drawArc(QRectF(9, 4, 14, 16), 0, 180 * 16);
        p.drawLine(QPointF(9, 12), QPointF(9, 15));
        p.drawLine(QPointF(23, 12), QPointF(23, 15));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 150, 20));
        p.drawRoundedRect(QRectF(6, 14, 20, 14), 2, 2);
    } else if (name == QLatin1String("add")) {
        p.setPen(QPen(green, 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(16, 5), QPointF(16, 27));
        p.drawLine(QPointF(5, 16), QPointF(27, 16));
    } else if (name == QLatin1String("edit")) {
        // A pencil lying across the square.
        p.setPen(QPen(QColor(200, 130, 20), 6, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(24, 6), QPointF(10, 20));
        p.setPen(QPen(dark, 2));
        p.drawLine(QPointF(10, 20), QPointF(5, 27));
        p.drawLine(QPointF(4, 28), QPointF(28, 28));
    } else if (name == QLatin1String("delete")) {
        p.setPen(QPen(red, 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(7, 7), QPointF(25, 25));
        p.drawLine(QPointF(25, 7), QPointF(7, 25));
    } else if (name == QLatin1String("save")) {
        // A floppy disk.
        p.setBrush(blue);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 4, 14, 9));
        p.drawRect(QRectF(8, 18, 16, 10));
    } else if (name == QLatin1String("cancel")) {
        // A curved arrow back.
        p.setPen(QPen(red, 3.5, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(7, 8, 20, 18), 90 * 16, -200 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(red);
        p.drawPolygon(QPolygonF() << QPointF(4, 9) << QPointF(15, 3) << QPointF(15, 15));
    } else if (name == QLatin1String("refresh")) {
        p.setPen(QPen(green, 3.5, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(6, 6, 20, 20), 60 * 16, 280 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(green);
        p.drawPolygon(QPolygonF() << QPointF(17, 2) << QPointF(27, 7) << QPointF(17, 12));
    } else if (name == QLatin1String("forward") || name == QLatin1String("backward")) {
        // A circle with an arrow: history steps.
        const bool back = name == QLatin1String("backward");
        p.setPen(Qt::NoPen);
        p.setBrush(blue);
        p.drawEllipse(QRectF(3, 3, 26, 26));
        p.setBrush(Qt::white);
        arrow(p, back, back ? 9 : 23);
    } else if (name == QLatin1String("first") || name == QLatin1String("prior")
               || name == QLatin1String("next") || name == QLatin1String("last")) {
        p.setPen(Qt::NoPen);
        p.setBrush(blue);
        if (name == QLatin1String("first")) {
            bar(p, 6);
            arrow(p, true, 10);
            arrow(p, true, 17);
        } else if (name == QLatin1String("prior")) {
            arrow(p, true, 11);
        } else if (name == QLatin1String("next")) {
            arrow(p, false, 21);
        } else {
            arrow(p, false, 15);
            arrow(p, false, 22);
            bar(p, 23);
        }
    } else if (name == QLatin1String("export")) {
        // A sheet with an arrow leaving it.
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 4, 16, 22));
        p.setPen(QPen(green, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 16), QPointF(26, 16));
        p.setPen(Qt::NoPen);
        p.setBrush(green);
        arrow(p, false, 30);
    } else if (name == QLatin1String("sync")) {
        // Two arrows in opposite directions.
        p.setPen(QPen(blue, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(6, 11), QPointF(22, 11));
        p.drawLine(QPointF(10, 21), QPointF(26, 21));
        p.setPen(Qt::NoPen);
        p.setBrush(blue);
        p.drawPolygon(QPolygonF() << QPointF(28, 11) << QPointF(20, 5) << QPointF(20, 17));
        p.drawPolygon(QPolygonF() << QPointF(4, 21) << QPointF(12, 15) << QPointF(12, 27));
    } else if (name == QLatin1String("help")) {
        p.setPen(Qt::NoPen);
        p.setBrush(blue);
        p.drawEllipse(QRectF(3, 3, 26, 26));
        p.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(11, 8, 10, 9), 160 * 16, -250 * 16);
        p.drawLine(QPointF(16, 17), QPointF(16, 19));
        p.drawPoint(QPointF(16, 24));
    } else {
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(5, 5, 22, 22));
    }
    p.end();
    return QIcon(pm);
}

QImage BrelvantoLogo()
{
    constexpr int width = 22, height = 128;
    constexpr int houseTop = height - 22;
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor gold(250, 210, 110), light(235, 240, 255);

    // The house at the foot: a roof over a wall with a door. The door stays
    // black so the band's colour shows through it.
    p.setPen(Qt::NoPen);
    p.setBrush(gold);
    p.drawPolygon(QPolygonF() << QPointF(2, houseTop + 9) << QPointF(11, houseTop + 1)
                              << QPointF(20, houseTop + 9));
    p.setBrush(light);
    p.drawRect(QRectF(5, houseTop + 9, 12, 10));
    p.setBrush(Qt::black);
    p.drawRect(QRectF(9, houseTop + 12, 4, 7));

    // The name reads bottom to top: turned a quarter left about the point
    // just above the house, so the text runs upwards from there.
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(15);
    font.setBold(true);
    p.setFont(font);
    p.setPen(light);
    p.translate(0, houseTop - 3);
    p.rotate(-90);
    p.drawText(QRectF(0, 0, houseTop - 5, width), Qt::AlignCenter, QStringLiteral("Brelvanto"));
    p.end();
    return image;
}

} // namespace brel
