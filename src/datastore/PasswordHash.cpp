#include "datastore/PasswordHash.h"

#include "datastore/Engine.h"

#include <QByteArray>
#include <QStringList>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace brel::PasswordHash {

namespace {

const QString Prefix = QStringLiteral("pbkdf2-sha256");
constexpr int SaltBytes = 16;
constexpr int HashBytes = 32;
// Bounds for iteration counts read from a file, so a damaged or forged value
// cannot stall the login: the cap keeps one check within a few times the
// cost of a hash this program makes.
constexpr int MinIterations = 1000;
static_assert(MaxIterations >= Iterations);

struct Parsed {
    int iterations = 0;
    QByteArray salt;
    QByteArray digest;
};

bool parse(const QString &stored, Parsed *out)
{
    const QStringList parts = stored.split(QLatin1Char('$'));
    if (parts.size() != 4 || parts[0] != Prefix)
        return false;
    bool ok = false;
    const int iterations = parts[1].toInt(&ok);
    if (!ok || iterations < MinIterations || iterations > MaxIterations)
        return false;
    const auto salt = QByteArray::fromBase64Encoding(parts[2].toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    const auto digest = QByteArray::fromBase64Encoding(parts[3].toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!salt || !digest || salt.decoded.size() < 8 || digest.decoded.size() != HashBytes)
        return false;
    out->iterations = iterations;
    out->salt = salt.decoded;
    out->digest = digest.decoded;
    return true;
}

QByteArray derive(const QString &password, const QByteArray &salt, int iterations)
{
    const QByteArray utf8 = foldCase(password).toUtf8();
    QByteArray out(HashBytes, '\0');
    const int ok = PKCS5_PBKDF2_HMAC(utf8.constData(), int(utf8.size()),
                                     reinterpret_cast<const unsigned char *>(salt.constData()), int(salt.size()),
                                     iterations, EVP_sha256(), HashBytes,
                                     reinterpret_cast<unsigned char *>(out.data()));
    if (ok != 1)
        return {};
    return out;
}

} // namespace

QString foldCase(const QString &password)
{
    QString out = password;
    for (QChar &c : out) {
        if (c.unicode() >= 'A' && c.unicode() <= 'Z')
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return out;
}

QString hash(const QString &password)
{
    QByteArray salt(SaltBytes, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char *>(salt.data()), SaltBytes) != 1)
        throw EngineError(QStringLiteral("无法生成密码的随机数，密码未保存。"));
    const QByteArray digest = derive(password, salt, Iterations);
    if (digest.isEmpty())
        throw EngineError(QStringLiteral("密码加密失败，密码未保存。"));
    return QStringLiteral("%1$%2$%3$%4")
        .arg(Prefix)
        .arg(Iterations)
        .arg(QString::fromLatin1(salt.toBase64()), QString::fromLatin1(digest.toBase64()));
}

bool isHashed(const QString &stored)
{
    Parsed parsed;
    return parse(stored, &parsed);
}

bool verify(const QString &password, const QString &stored)
{
    Parsed parsed;
    if (!parse(stored, &parsed)) {
        // A value in the hash's shape that does not parse is damaged or
        // forged; read as plain text it would let in whoever types it.
        if (stored.startsWith(Prefix + QLatin1Char('$')))
            return false;
        return foldCase(password) == foldCase(stored);
    }
    const QByteArray digest = derive(password, parsed.salt, parsed.iterations);
    return digest.size() == HashBytes && CRYPTO_memcmp(digest.constData(), parsed.digest.constData(), HashBytes) == 0;
}

} // namespace brel::PasswordHash
