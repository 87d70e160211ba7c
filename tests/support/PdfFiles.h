#pragma once

// Reading written PDF files back with the poppler tools, as a user's viewer
// would see them: the text laid out as on the page, the fonts and a picture.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace brel::test {

/// Output of a poppler tool; empty when it failed.
inline QByteArray runPoppler(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

/// `pdftotext -layout`: the text of every page, form feeds between pages.
inline QByteArray pdfText(const QString &pdf)
{
    return runPoppler(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}

/// Pages of the file by `pdfinfo`; -1 when unreadable.
inline int pdfPageCount(const QString &pdf)
{
    const QString info = QString::fromUtf8(runPoppler(QStringLiteral("pdfinfo"), {pdf}));
    for (const QString &line : info.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("Pages:")))
            return line.mid(6).trimmed().toInt();
    }
    return -1;
}

/// The embedded fonts' names by `pdffonts` (the "emb" column says yes).
inline QStringList embeddedFonts(const QString &pdf)
{
    QStringList names;
    const QStringList lines = QString::fromUtf8(runPoppler(QStringLiteral("pdffonts"), {pdf})).split(QLatin1Char('\n'));
    for (int i = 2; i < lines.size(); ++i) {
        const QStringList columns = lines.at(i).simplified().split(QLatin1Char(' '));
        // name type [encoding words] emb sub uni object-id generation
        if (columns.size() >= 7 && columns.at(columns.size() - 5) == QLatin1String("yes"))
            names.append(columns.first());
    }
    return names;
}

/// Renders page (1-based) of pdf as a PNG at 60 dpi into pngBase + "-N.png"
/// (`pdftoppm`); true when the tool ran.
inline bool renderPage(const QString &pdf, int page, const QString &pngBase)
{
    QProcess process;
    process.start(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("60"),
                                               QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                               QString::number(page), pdf, pngBase});
    return process.waitForFinished(30000) && process.exitCode() == 0;
}

} // namespace brel::test
