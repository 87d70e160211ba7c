#pragma once

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cstdio>

extern "C" {
#include <jpeglib.h>
}

namespace brel::test {

/// A floor-plan-like picture: white with a few walls and a coloured room,
/// so it compresses like a real plan and has colours to check.
inline QImage floorPlan(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.fillRect(QRect(width / 4, height / 4, width / 2, height / 2), QColor(200, 40, 40));
    p.setPen(QPen(Qt::black, std::max(2, width / 200)));
    p.drawRect(QRect(width / 20, height / 20, width * 9 / 10, height * 9 / 10));
    p.drawLine(width / 2, height / 20, width / 2, height * 19 / 20);
    p.drawLine(width / 20, height / 2, width * 19 / 20, height / 2);
    p.end();
    return image;
}

/// Saves a JPEG the ordinary way, through Qt's writer.
inline bool saveJpeg(const QString &path, const QImage &image, int quality = 85)
{
    return image.save(path, "JPEG", quality);
}

/// Writes a CMYK JPEG with libjpeg (Qt cannot), every pixel the given inks
/// (0..255, 255 = full ink), stored inverted as Adobe's files are; libjpeg
/// adds the Adobe marker for CMYK.
inline bool saveCmykJpeg(const QString &path, int width, int height, int c, int m, int y, int k)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    QByteArray row(width * 4, '\0');
    for (int x = 0; x < width; ++x) {
        row[4 * x] = char(255 - c);
        row[4 * x + 1] = char(255 - m);
        row[4 * x + 2] = char(255 - y);
        row[4 * x + 3] = char(255 - k);
    }
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW line = reinterpret_cast<JSAMPROW>(row.data());
        jpeg_write_scanlines(&cinfo, &line, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QFile file(path);
    const bool ok = file.open(QIODevice::WriteOnly)
        && file.write(reinterpret_cast<const char *>(buffer), qint64(size)) == qint64(size);
    std::free(buffer);
    return ok;
}

/// Writes bytes as a file (text named .jpg, a cut-short copy, ...).
inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace brel::test
