#pragma once

#include <QString>

namespace brel {

enum class ZipError {
    None,
    Missing,       ///< the archive does not exist
    NotArchive,    ///< not a ZIP archive, or a damaged one
    NoEntry,       ///< the archive has no entry of that name
    NoPassword,    ///< an empty password was given
    WrongPassword, ///< the entry does not open with the password
    Damaged,       ///< the entry's data are damaged
    Unsupported,   ///< the library cannot encrypt
    ReadFailed,    ///< a local file cannot be read
    WriteFailed    ///< a local file cannot be written
};

struct ZipResult {
    ZipError error = ZipError::None;
    QString message; ///< Chinese; never holds the password
    bool ok() const { return error == ZipError::None; }
};

/// ZIP archives with one password-protected entry, through libzip, in the
/// format's traditional (PKWARE) encryption that every unzip tool reads.
namespace ZipArchive {

/// Writes the entry of archive to target; an existing target (also a
/// read-only one) is replaced only once the whole entry has been read and
/// checked, so a wrong password leaves it as it was.
ZipResult extractEntry(const QString &archive, const QString &entry, const QString &target, const QString &password);
/// How an entry's data are put into the archive.
enum class Packing {
    Deflate, ///< compressed, for data that shrink
    Store    ///< as they are, for data that do not (encrypted files)
};

/// Puts source into archive as entry, encrypted with password, replacing an
/// entry of that name; other entries stay. A missing archive is made. The
/// archive is rewritten beside itself and renamed into place.
ZipResult replaceEntry(const QString &archive, const QString &entry, const QString &source, const QString &password,
                       Packing packing = Packing::Deflate);

} // namespace ZipArchive
} // namespace brel
