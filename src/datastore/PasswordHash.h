#pragma once

#include <QString>

namespace brel {

/// The stored form of a login password (TbUser.YHMM).
///
/// A password is compared without regard to the case of the letters A to Z,
/// so it is lower-cased in that range before hashing. The stored form is
/// "pbkdf2-sha256$<iterations>$<salt base64>$<hash base64>" with a random salt
/// per call. A stored value that does not start like that (a file made
/// elsewhere, the empty password of a blank file) is the password itself in
/// plain text.
namespace PasswordHash {

/// Iterations of new hashes (about 50 ms on an office machine).
inline constexpr int Iterations = 200000;
/// Most iterations a stored hash may ask for; a larger count is refused.
inline constexpr int MaxIterations = 1000000;

/// Lower-cases the letters A to Z only; every other character stays.
QString foldCase(const QString &password);

/// A new stored form of password (fresh salt).
QString hash(const QString &password);

/// True when password matches stored, whether stored is a hash or plain text.
/// A stored value that starts like a hash ("pbkdf2-sha256$") but is not a
/// valid one (damaged, forged, or asking for more than MaxIterations) matches
/// nothing.
bool verify(const QString &password, const QString &stored);

/// True when stored is in the hashed form (so it needs no replacing).
bool isHashed(const QString &stored);

} // namespace PasswordHash
} // namespace brel
