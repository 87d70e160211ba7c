#pragma once

// Reference outputs for the export tests live in tests/components/golden.
// Set BRELVANTO_UPDATE_GOLDEN=1 to rewrite them from the current output.

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

namespace brel::test {

inline QString goldenPath(const QString &name)
{
    return QDir(qEnvironmentVariable("BRELVANTO_SOURCE_DIR")).filePath(QStringLiteral("tests/components/golden/") + name);
}

/// Empty when actual equals the reference; otherwise a unified-style
/// excerpt around the first differing line.
inline QString compareWithGolden(const QString &name, const QByteArray &actual)
{
    const QString path = goldenPath(name);
    if (qEnvironmentVariableIsSet("BRELVANTO_UPDATE_GOLDEN")) {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly))
            return QStringLiteral("cannot write %1").arg(path);
        out.write(actual);
        return {};
    }
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return QStringLiteral("missing reference file %1").arg(path);
    const QByteArray expected = in.readAll();
    if (expected == actual)
        return {};
    const QStringList want = QString::fromUtf8(expected).split(QLatin1Char('\n'));
    const QStringList got = QString::fromUtf8(actual).split(QLatin1Char('\n'));
    int first = 0;
    while (first < want.size() && first < got.size() && want.at(first) == got.at(first))
        ++first;
    QString diff = QStringLiteral("%1 differs from the output at line %2:\n").arg(name).arg(first + 1);
    for (int i = qMax(0, first - 2); i < first; ++i)
        diff += QStringLiteral("  ") + want.at(i) + QLatin1Char('\n');
    for (int i = first; i < qMin(int(want.size()), first + 3); ++i)
        diff += QStringLiteral("- ") + want.at(i) + QLatin1Char('\n');
    for (int i = first; i < qMin(int(got.size()), first + 3); ++i)
        diff += QStringLiteral("+ ") + got.at(i) + QLatin1Char('\n');
    return diff;
}

} // namespace brel::test
