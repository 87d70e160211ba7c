#include "FloorPlans.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QPainter>

#include <cstdio>
#include <jpeglib.h>
#include <stdexcept>
#include <vector>

namespace brel::datagen {

namespace {

struct Room {
    const char *name;
    QRectF rect; ///< in metres
};

// Simple flat layouts, in metres; each fits in a 12 x 9 m outline.
const std::vector<std::vector<Room>> &layouts()
{
    static const std::vector<std::vector<Room>> all = {
        {{"客厅", {0, 0, 6, 5}}, {"卧室", {6, 0, 4, 4}}, {"厨房", {0, 5, 3, 3}}, {"卫生间", {3, 5, 2.5, 3}},
         {"阳台", {6, 4, 4, 1.5}}},
        {{"客厅", {0, 0, 5, 5}}, {"主卧", {5, 0, 4, 4}}, {"次卧", {9, 0, 3, 4}}, {"厨房", {0, 5, 3, 3.5}},
         {"餐厅", {3, 5, 3, 3.5}}, {"卫生间", {6, 4, 3, 2.5}}, {"阳台", {9, 4, 3, 1.5}}},
        {{"客厅", {0, 0, 6, 5}}, {"餐厅", {0, 5, 4, 3.5}}, {"主卧", {6, 0, 6, 4}}, {"次卧", {6, 4, 3, 4.5}},
         {"书房", {9, 4, 3, 4.5}}, {"厨房", {4, 5, 2, 3.5}}},
        {{"起居室", {0, 0, 7, 5}}, {"卧室一", {7, 0, 5, 3.5}}, {"卧室二", {7, 3.5, 5, 3}}, {"卧室三", {0, 5, 4, 4}},
         {"厨房", {4, 5, 3, 4}}, {"卫生间", {7, 6.5, 2.5, 2.5}}, {"储藏室", {9.5, 6.5, 2.5, 2.5}}},
    };
    return all;
}

} // namespace

QImage drawFloorPlan(int index)
{
    const auto &layout = layouts()[size_t(index) % layouts().size()];
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(QColor(250, 248, 240));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double scale = 48.0; // pixels per metre
    const QPointF origin(32, 40);
    // Vary the plans a little so every picture differs.
    const double stretch = 1.0 + 0.04 * (index / int(layouts().size()));

    QFont title(QStringLiteral("WenQuanYi Micro Hei"));
    title.setPixelSize(18);
    p.setFont(title);
    p.setPen(Qt::black);
    p.drawText(QRectF(0, 6, 640, 28), Qt::AlignCenter, QStringLiteral("户型图 %1").arg(index + 1));

    QFont label = title;
    label.setPixelSize(15);
    p.setFont(label);
    double area = 0;
    for (const Room &room : layout) {
        const QRectF r(origin.x() + room.rect.x() * scale * stretch, origin.y() + room.rect.y() * scale,
                       room.rect.width() * scale * stretch, room.rect.height() * scale);
        p.setBrush(QColor(236, 230, 214));
        p.setPen(QPen(QColor(60, 60, 60), 5));
        p.drawRect(r);
        // A door gap in the lower wall of each room.
        p.setPen(QPen(QColor(250, 248, 240), 6));
        p.drawLine(QPointF(r.left() + 12, r.bottom()), QPointF(r.left() + 40, r.bottom()));
        p.setPen(Qt::black);
        const double m2 = room.rect.width() * stretch * room.rect.height();
        area += m2;
        p.drawText(r, Qt::AlignCenter,
                   QStringLiteral("%1\n%2㎡").arg(QString::fromUtf8(room.name)).arg(m2, 0, 'f', 1));
    }
    p.drawText(QRectF(0, 448, 640, 26), Qt::AlignCenter,
               QStringLiteral("套内面积约 %1 平方米").arg(area, 0, 'f', 1));
    p.end();
    return image;
}

void writeJpeg(const QImage &source, const QString &path, int quality)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    FILE *out = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!out)
        throw std::runtime_error("cannot write " + path.toStdString());
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = JDIMENSION(image.width());
    cinfo.image_height = JDIMENSION(image.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    if (std::fclose(out) != 0)
        throw std::runtime_error("cannot write " + path.toStdString());
}

QStringList writeFloorPlans(const QString &folder, int count)
{
    QDir().mkpath(folder);
    QStringList names;
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("fxt%1.jpg").arg(i + 1, 2, 10, QLatin1Char('0'));
        writeJpeg(drawFloorPlan(i), folder + QLatin1Char('/') + name);
        names << name;
    }
    return names;
}

} // namespace brel::datagen
