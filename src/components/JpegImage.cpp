#include "components/JpegImage.h"

#include <QCoreApplication>
#include <QFile>
#include <QPromise>
#include <QThreadPool>

#include <cmath>
#include <csetjmp>
#include <cstdio>

extern "C" {
#include <jpeglib.h>
}

namespace brel {

namespace {

// A decoded picture larger than this is refused rather than risking the
// memory of the whole program (the large view decodes at the shown size).
constexpr qint64 MaxDecodedPixels = 200LL * 1000 * 1000;

// libjpeg's default error handler ends the process; this one jumps back to
// the decode, which reports a status instead.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int warnings;
};

void onError(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager *>(cinfo->err)->jump, 1);
}

// A cut-short or corrupt file decodes "successfully" with warnings only
// (grey fill for the missing part); any warning rejects the picture.
void onMessage(j_common_ptr cinfo, int level)
{
    if (level < 0) {
        auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
        ++err->warnings;
        std::longjmp(err->jump, 2);
    }
}

void silent(j_common_ptr) {}

enum class Stage { Header, Pixels };

// Everything the decode touches lives here, in the caller's frame, so that
// the jump back skips no destructor: runDecode itself holds no C++ object.
struct Decode {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    const unsigned char *data;
    unsigned long size;
    QSize target;
    bool headerOnly;
    QImage *image;
    Stage stage;
    JpegStatus status;
    QSize fullSize;
    int denom;
};

void cmykToRgbx(const JSAMPLE *in, uchar *out, JDIMENSION width, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 4) {
        // Adobe's files store the inks inverted (0 = full ink).
        const int c = inverted ? in[0] : 255 - in[0];
        const int m = inverted ? in[1] : 255 - in[1];
        const int y = inverted ? in[2] : 255 - in[2];
        const int k = inverted ? in[3] : 255 - in[3];
        out[0] = uchar(c * k / 255);
        out[1] = uchar(m * k / 255);
        out[2] = uchar(y * k / 255);
        out[3] = 255;
    }
}

bool runDecode(Decode *d)
{
    d->cinfo.err = jpeg_std_error(&d->err.pub);
    d->err.pub.error_exit = onError;
    d->err.pub.emit_message = onMessage;
    d->err.pub.output_message = silent;
    d->err.warnings = 0;
    jpeg_create_decompress(&d->cinfo);
    if (setjmp(d->err.jump)) {
        jpeg_destroy_decompress(&d->cinfo);
        if (d->status == JpegStatus::Ok)
            d->status = d->stage == Stage::Header ? JpegStatus::NotJpeg : JpegStatus::Damaged;
        return false;
    }
    d->stage = Stage::Header;
    jpeg_mem_src(&d->cinfo, d->data, d->size);
    jpeg_read_header(&d->cinfo, TRUE);
    d->stage = Stage::Pixels;
    d->fullSize = QSize(int(d->cinfo.image_width), int(d->cinfo.image_height));
    if (d->headerOnly) {
        jpeg_destroy_decompress(&d->cinfo);
        return true;
    }
    const bool cmyk = d->cinfo.jpeg_color_space == JCS_CMYK || d->cinfo.jpeg_color_space == JCS_YCCK;
    d->cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBX;
    d->denom = chooseScaleDenom(d->fullSize, d->target);
    d->cinfo.scale_num = 1;
    d->cinfo.scale_denom = unsigned(d->denom);
    // Smooth chroma upsampling shows only at full size; scaled down, the plain
    // kind looks the same and saves a good part of the decode.
    if (d->denom > 1)
        d->cinfo.do_fancy_upsampling = FALSE;
    jpeg_calc_output_dimensions(&d->cinfo);
    const JDIMENSION width = d->cinfo.output_width;
    const JDIMENSION height = d->cinfo.output_height;
    if (qint64(width) * height > MaxDecodedPixels) {
        d->status = JpegStatus::TooLarge;
        jpeg_destroy_decompress(&d->cinfo);
        return false;
    }
    *d->image = QImage(int(width), int(height), QImage::Format_RGBX8888);
    if (d->image->isNull()) {
        d->status = JpegStatus::TooLarge;
        jpeg_destroy_decompress(&d->cinfo);
        return false;
    }
    jpeg_start_decompress(&d->cinfo);
    // The row buffer belongs to libjpeg's pool, so a jump cannot leak it.
    JSAMPARRAY cmykRow = cmyk ? (*d->cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d->cinfo), JPOOL_IMAGE,
                                                              width * 4, 1)
                              : nullptr;
    const bool inverted = d->cinfo.saw_Adobe_marker;
    while (d->cinfo.output_scanline < height) {
        uchar *line = d->image->scanLine(int(d->cinfo.output_scanline));
        if (cmyk) {
            jpeg_read_scanlines(&d->cinfo, cmykRow, 1);
            cmykToRgbx(cmykRow[0], line, width, inverted);
        } else {
            JSAMPROW row = line;
            jpeg_read_scanlines(&d->cinfo, &row, 1);
        }
    }
    jpeg_finish_decompress(&d->cinfo);
    jpeg_destroy_decompress(&d->cinfo);
    return true;
}

JpegImage decode(const QString &path, const QSize &target, bool headerOnly)
{
    JpegImage result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    const QByteArray bytes = file.readAll();
    file.close();
    QImage image;
    Decode d{};
    d.data = reinterpret_cast<const unsigned char *>(bytes.constData());
    d.size = static_cast<unsigned long>(bytes.size());
    d.target = target;
    d.headerOnly = headerOnly;
    d.image = &image;
    d.status = JpegStatus::Ok;
    d.denom = 1;
    const bool ok = runDecode(&d);
    result.fullSize = d.fullSize;
    result.scaleDenom = d.denom;
    result.status = ok ? JpegStatus::Ok : d.status;
    if (ok)
        result.image = std::move(image);
    return result;
}

} // namespace

int chooseScaleDenom(const QSize &pictureSize, const QSize &target)
{
    if (pictureSize.isEmpty() || target.isEmpty())
        return 1;
    const QSize fit = pictureSize.scaled(target, Qt::KeepAspectRatio);
    for (int denom : {8, 4, 2}) {
        // libjpeg rounds the scaled size up.
        const int w = (pictureSize.width() + denom - 1) / denom;
        const int h = (pictureSize.height() + denom - 1) / denom;
        if (w >= fit.width() && h >= fit.height())
            return denom;
    }
    return 1;
}

JpegImage decodeJpeg(const QString &path, const QSize &target, JpegFit fit)
{
    JpegImage result = decode(path, target, false);
    if (result.ok() && fit == JpegFit::Fitted && !target.isEmpty()) {
        // The picture's own proportions: the decoder's rounding up may skew them.
        const QSize size = result.fullSize.scaled(target, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
        if (size != result.image.size())
            result.image = result.image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return result;
}

JpegImage readJpegHeader(const QString &path)
{
    return decode(path, {}, true);
}

QString jpegStatusText(JpegStatus status, const QString &name)
{
    switch (status) {
    case JpegStatus::Ok:
        return {};
    case JpegStatus::Missing:
        return QCoreApplication::translate("JpegImage", "找不到房型图文件“%1”，或者无法读取。").arg(name);
    case JpegStatus::NotJpeg:
        return QCoreApplication::translate("JpegImage", "“%1”不是JPEG图片，无法显示。").arg(name);
    case JpegStatus::Damaged:
        return QCoreApplication::translate("JpegImage", "房型图文件“%1”已损坏或不完整，无法显示。").arg(name);
    case JpegStatus::TooLarge:
        return QCoreApplication::translate("JpegImage", "房型图“%1”太大，无法显示。").arg(name);
    }
    return {};
}

QFuture<JpegImage> decodeJpegAsync(const QString &path, const QSize &target, JpegFit fit,
                                   const DecodeCancel &cancel, QThreadPool *pool)
{
    auto promise = std::make_shared<QPromise<JpegImage>>();
    QFuture<JpegImage> future = promise->future();
    promise->start();
    (pool ? pool : QThreadPool::globalInstance())->start([promise, path, target, fit, cancel] {
        promise->addResult(cancel && cancel->load() ? JpegImage{} : decodeJpeg(path, target, fit));
        promise->finish();
    });
    return future;
}

} // namespace brel
