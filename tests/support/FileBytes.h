#pragma once

// Whole files as bytes, for tests that put files in place and read them back.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtTest>

namespace brel::test {

/// The bytes of path; empty when it cannot be read.
inline QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

/// Makes path hold exactly bytes.
inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}

} // namespace brel::test
