#pragma once

#include "datastore/Engine.h"
#include "datastore/Schema.h"

#include <QCryptographicHash>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace brel::test {

/// The fixed key of every data file.
inline const QString DataPassword = QStringLiteral("381957");

/// Makes a blank, keyed data file at path (the same content the build's
/// template holds) and returns it closed.
inline void makeBlankFile(const QString &path, const QString &password = DataPassword)
{
    Database db;
    db.create(path, password);
    Schema::createAll(db);
    Schema::fillBlankContent(db);
    db.close();
}

/// SHA-256 of a file's bytes; empty when it cannot be read.
inline QByteArray fileDigest(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256) : QByteArray();
}

} // namespace brel::test
