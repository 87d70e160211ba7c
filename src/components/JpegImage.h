#pragma once

#include <QFuture>
#include <QImage>
#include <QSize>
#include <QString>

#include <atomic>
#include <memory>

class QThreadPool;

namespace brel {

/// Why a JPEG file gave no picture.
enum class JpegStatus {
    Ok,
    Missing,    ///< no such file, or it cannot be read
    NotJpeg,    ///< the file is not a JPEG picture (or its header is damaged)
    Damaged,    ///< a JPEG whose data is cut short or corrupt (libjpeg warned)
    TooLarge,   ///< the decoded picture would not fit in memory
};

/// One decoded picture, or the reason there is none.
struct JpegImage {
    JpegStatus status = JpegStatus::Missing;
    QImage image;        ///< RGBX, at the decoded (DCT-scaled) size; null on failure
    QSize fullSize;      ///< the picture's own size, when the header could be read
    int scaleDenom = 1;  ///< the 1/n scale the decoder used (1, 2, 4 or 8)

    bool ok() const { return status == JpegStatus::Ok; }
};

/// The largest DCT scale denominator (8, 4, 2 or 1) whose decoded picture
/// still covers `target` once the picture is fitted into it keeping its
/// proportions, so scaling the result down to the target never enlarges.
/// An empty target asks for the full size (1).
int chooseScaleDenom(const QSize &pictureSize, const QSize &target);

/// What decodeJpeg delivers for a target size.
enum class JpegFit {
    DctScaled, ///< the decoder's own 1/n size, at least as large as the target needs
    Fitted,    ///< then smoothly scaled to fit the target, keeping the proportions
};

/// Decodes the JPEG file at path, scaled by libjpeg's DCT scaling so it is
/// at least as large as `target` needs (see chooseScaleDenom); an empty
/// target decodes at full size. Never throws and never ends the program: a
/// missing, foreign, cut-short or corrupt file comes back with its status.
/// Grey, RGB, YCbCr, CMYK and YCCK pictures are all delivered as RGBX.
/// Safe to call from any thread.
JpegImage decodeJpeg(const QString &path, const QSize &target = {}, JpegFit fit = JpegFit::DctScaled);

/// Reads only the header: the picture's size, or its status when it is not a
/// readable JPEG. Cheap (no pixel data is decoded).
JpegImage readJpegHeader(const QString &path);

/// A short Chinese text for the user saying why `status` gave no picture
/// of the file `name`.
QString jpegStatusText(JpegStatus status, const QString &name);

/// Set to stop decodes that have not started yet (a closed window).
using DecodeCancel = std::shared_ptr<std::atomic_bool>;

/// decodeJpeg on a thread of pool (the global pool when null). When cancel
/// is set before the decode starts, the result is a null Missing image.
QFuture<JpegImage> decodeJpegAsync(const QString &path, const QSize &target, JpegFit fit,
                                   const DecodeCancel &cancel = {}, QThreadPool *pool = nullptr);

} // namespace brel
