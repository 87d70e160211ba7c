#include "components/ZipArchive.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <zip.h>

#include <memory>

namespace brel::ZipArchive {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("brel::ZipArchive", text);
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

ZipResult fail(ZipError error, const QString &message)
{
    return {error, message};
}

/// What zip_open's error code means for archive.
ZipResult openFailure(int code, const QString &archive)
{
    switch (code) {
    case ZIP_ER_NOENT: return fail(ZipError::Missing, tr("找不到压缩文件“%1”。").arg(shown(archive)));
    case ZIP_ER_NOZIP:
    case ZIP_ER_INCONS: return fail(ZipError::NotArchive, tr("“%1”不是ZIP压缩文件，或者已经损坏。").arg(shown(archive)));
    default: return fail(ZipError::ReadFailed, tr("无法读取文件“%1”。").arg(shown(archive)));
    }
}

struct ArchiveCloser {
    void operator()(zip_t *za) const { zip_discard(za); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

} // namespace

ZipResult extractEntry(const QString &archive, const QString &entry, const QString &target, const QString &password)
{
    if (password.isEmpty())
        return fail(ZipError::NoPassword, tr("没有压缩文件的密码。"));
    int code = 0;
    Archive za(zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY, &code));
    if (!za)
        return openFailure(code, archive);
    const zip_int64_t index = zip_name_locate(za.get(), entry.toUtf8().constData(), 0);
    if (index < 0)
        return fail(ZipError::NoEntry, tr("压缩文件“%1”中没有“%2”。").arg(shown(archive), entry));
    const QString wrongPassword = tr("压缩文件“%1”的密码不正确。").arg(shown(archive));
    const QByteArray secret = password.toUtf8();
    zip_file_t *file = zip_fopen_index_encrypted(za.get(), zip_uint64_t(index), 0, secret.constData());
    if (!file) {
        switch (zip_error_code_zip(zip_get_error(za.get()))) {
        case ZIP_ER_WRONGPASSWD:
        case ZIP_ER_NOPASSWD: return fail(ZipError::WrongPassword, wrongPassword);
        case ZIP_ER_ENCRNOTSUPP:
        case ZIP_ER_COMPNOTSUPP: return fail(ZipError::Unsupported, tr("无法解开压缩文件“%1”：不支持它的压缩或加密方式。").arg(shown(archive)));
        default: return fail(ZipError::Damaged, tr("压缩文件“%1”已经损坏。").arg(shown(archive)));
        }
    }
    std::unique_ptr<zip_file_t, int (*)(zip_file_t *)> closer(file, zip_fclose);
    zip_stat_t stat;
    zip_stat_init(&stat);
    const bool encrypted = zip_stat_index(za.get(), zip_uint64_t(index), 0, &stat) == 0
                           && (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE;

    // Written beside and renamed over: a read-only file in the way is replaced too.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return fail(ZipError::WriteFailed, tr("无法写入文件“%1”。").arg(shown(target)));
    char buffer[1 << 16];
    for (;;) {
        const zip_int64_t n = zip_fread(file, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            out.cancelWriting();
            // The traditional encryption checks a password by one byte only;
            // a wrong one that passes shows as a checksum error at the end.
            const int why = zip_error_code_zip(zip_file_get_error(file));
            if (encrypted && (why == ZIP_ER_CRC || why == ZIP_ER_ZLIB || why == ZIP_ER_WRONGPASSWD))
                return fail(ZipError::WrongPassword, wrongPassword);
            return fail(ZipError::Damaged, tr("压缩文件“%1”已经损坏。").arg(shown(archive)));
        }
        if (out.write(buffer, n) != n) {
            out.cancelWriting();
            return fail(ZipError::WriteFailed, tr("无法写入文件“%1”。").arg(shown(target)));
        }
    }
    if (!out.commit())
        return fail(ZipError::WriteFailed, tr("无法写入文件“%1”。").arg(shown(target)));
    return {};
}

ZipResult replaceEntry(const QString &archive, const QString &entry, const QString &source, const QString &password,
                       Packing packing)
{
    if (password.isEmpty())
        return fail(ZipError::NoPassword, tr("没有压缩文件的密码。"));
    if (!zip_encryption_method_supported(ZIP_EM_TRAD_PKWARE, 1))
        return fail(ZipError::Unsupported, tr("无法使用ZIP密码加密。"));
    if (!QFileInfo(source).isFile())
        return fail(ZipError::ReadFailed, tr("无法读取文件“%1”。").arg(shown(source)));
    int code = 0;
    Archive za(zip_open(QFile::encodeName(archive).constData(), ZIP_CREATE, &code));
    if (!za)
        return openFailure(code, archive);
    zip_source_t *data = zip_source_file(za.get(), QFile::encodeName(source).constData(), 0, -1);
    if (!data)
        return fail(ZipError::ReadFailed, tr("无法读取文件“%1”。").arg(shown(source)));
    const QByteArray name = entry.toUtf8();
    zip_int64_t index = zip_name_locate(za.get(), name.constData(), 0);
    if (index >= 0) {
        if (zip_file_replace(za.get(), zip_uint64_t(index), data, 0) < 0) {
            zip_source_free(data);
            return fail(ZipError::WriteFailed, tr("无法写入文件“%1”。").arg(shown(archive)));
        }
    } else {
        index = zip_file_add(za.get(), name.constData(), data, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(data);
            return fail(ZipError::WriteFailed, tr("无法写入文件“%1”。").arg(shown(archive)));
        }
    }
    if (packing == Packing::Store && zip_set_file_compression(za.get(), zip_uint64_t(index), ZIP_CM_STORE, 0) < 0)
        return fail(ZipError::WriteFailed, tr("无法写入文件“%1”。").arg(shown(archive)));
    const QByteArray secret = password.toUtf8();
    if (zip_file_set_encryption(za.get(), zip_uint64_t(index), ZIP_EM_TRAD_PKWARE, secret.constData()) < 0)
        return fail(ZipError::Unsupported, tr("无法使用ZIP密码加密。"));
    // zip_close writes a new archive beside the old one and renames it into place.
    if (zip_close(za.get()) < 0)
        return fail(ZipError::WriteFailed, tr("无法写入文件“%1”。").arg(shown(archive)));
    za.release();
    return {};
}

} // namespace brel::ZipArchive
