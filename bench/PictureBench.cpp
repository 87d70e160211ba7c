#include "Benchmarks.h"

#include "components/JpegImage.h"
#include "datastore/CommaText.h"
#include "datastore/Globalvar.h"
#include "listings/PicBrowserForm.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QThreadPool>

#include <algorithm>
#include <cstdio>

extern "C" {
#include <jpeglib.h>
}

namespace brel::bench {

namespace {

constexpr int PictureCount = 20;
constexpr int Rounds = 3;

/// A 4000x3000 floor plan as a scanner or camera delivers it: walls, rooms
/// in a few colours, room names; different in each file.
QImage bigPlan(int index)
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    image.fill(QColor(250, 248, 240));
    QPainter p(&image);
    const QColor rooms[] = {QColor(232, 226, 210), QColor(214, 230, 240), QColor(240, 220, 220), QColor(222, 240, 222)};
    for (int r = 0; r < 6; ++r) {
        const QRect room(200 + (r % 3) * 1200, 200 + (r / 3) * 1300 + index * 7, 1150, 1250);
        p.fillRect(room, rooms[(r + index) % 4]);
        p.setPen(QPen(QColor(60, 60, 60), 24));
        p.drawRect(room);
        p.setFont(QFont(QStringLiteral("Sans"), 60));
        p.drawText(room, Qt::AlignCenter, QStringLiteral("房间 %1-%2\n%3 m²").arg(index).arg(r).arg(12 + r * 3));
    }
    p.end();
    return image;
}

/// The bare decoder: libjpeg straight, one file after another on one thread,
/// scaled by 1/denom into a plain buffer. Returns the pixels decoded.
qint64 bareDecode(const QStringList &files, int denom)
{
    qint64 pixels = 0;
    std::vector<unsigned char> row;
    for (const QString &path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = file.readAll();
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(bytes.constData()), bytes.size());
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_EXT_RGBX;
        cinfo.scale_num = 1;
        cinfo.scale_denom = unsigned(denom);
        jpeg_start_decompress(&cinfo);
        std::vector<unsigned char> image(size_t(cinfo.output_width) * cinfo.output_height * 4);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW line = image.data() + size_t(cinfo.output_scanline) * cinfo.output_width * 4;
            jpeg_read_scanlines(&cinfo, &line, 1);
        }
        pixels += qint64(cinfo.output_width) * cinfo.output_height;
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
    }
    return pixels;
}

double best(const std::function<void()> &work)
{
    double fastest = 1e30;
    for (int i = 0; i < Rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        fastest = std::min(fastest, timer.nsecsElapsed() / 1e6);
    }
    return fastest;
}

/// Opens the browser on the list and waits until every thumbnail is shown.
void openBrowser(const QString &list)
{
    TPicBrowserFm fm(false);
    fm.show();
    QEventLoop loop;
    QObject::connect(&fm, &TPicBrowserFm::thumbnailsReady, &loop, &QEventLoop::quit);
    fm.LoadPictures(list);
    if (!fm.ThumbnailsReady())
        loop.exec();
}

} // namespace

void runPictureBenchmarks(QTextStream &out)
{
    QTemporaryDir dir;
    const QString savedAppDir = AppDir;
    AppDir = dir.path();
    QDir().mkpath(PictureDir());
    out << "making " << PictureCount << " floor plans of 4000x3000..." << Qt::endl;
    QStringList names;
    QStringList files;
    for (int i = 0; i < PictureCount; ++i) {
        names << QStringLiteral("plan%1.jpg").arg(i + 1, 2, 10, QLatin1Char('0'));
        files << QDir(PictureDir()).filePath(names.last());
        bigPlan(i).save(files.last(), "JPEG", 85);
    }
    const QString list = writeCommaText(names);
    // Warm the file cache and the thread pool for every contender alike.
    bareDecode(files, 8);
    openBrowser(list);

    const double app = best([&] { openBrowser(list); });
    const double bareEighth = best([&] { bareDecode(files, 8); });
    const double bareFull = best([&] { bareDecode(files, 1); });
    const int threads = QThreadPool::globalInstance()->maxThreadCount();
    QThreadPool::globalInstance()->setMaxThreadCount(1);
    const double appOneThread = best([&] { openBrowser(list); });
    QThreadPool::globalInstance()->setMaxThreadCount(threads);

    out << "picture decode threads: " << threads << Qt::endl;
    printRatio(out, QStringLiteral("picture_browser_20_thumbnails"), app, bareEighth);
    printRatio(out, QStringLiteral("picture_browser_20_thumbnails_one_thread"), appOneThread, bareEighth);
    out << "picture_thumbnail_dct_speedup: " << QString::number(bareFull / bareEighth, 'f', 1)
        << " x faster than full-size decoding (full " << QString::number(bareFull, 'f', 2) << " ms, 1/8 "
        << QString::number(bareEighth, 'f', 2) << " ms)" << Qt::endl;
    AppDir = savedAppDir;
}

} // namespace brel::bench
