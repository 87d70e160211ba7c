#include "datastore/CommaText.h"

namespace brel {

namespace {

bool isBlank(QChar c)
{
    return c.unicode() >= 1 && c.unicode() <= 32;
}

bool needsQuotes(const QString &name)
{
    for (QChar c : name) {
        if (c.unicode() <= 32 || c == QLatin1Char('"') || c == QLatin1Char(','))
            return true;
    }
    return false;
}

} // namespace

QStringList readCommaText(const QString &input)
{
    // Lists were written by programs that end a text at its first NUL; reading
    // stops there too, so a stray NUL cannot turn into extra names.
    const qsizetype nul = input.indexOf(QChar(0));
    const QString text = nul < 0 ? input : input.left(nul);
    QStringList names;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && isBlank(text[i]))
        ++i;
    while (i < n) {
        QString name;
        if (text[i] == QLatin1Char('"')) {
            ++i;
            // An unterminated quote runs to the end of the text.
            while (i < n) {
                if (text[i] == QLatin1Char('"')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                        name += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                name += text[i++];
            }
        } else {
            while (i < n && text[i].unicode() >= 33 && text[i] != QLatin1Char(','))
                name += text[i++];
        }
        names << name;
        while (i < n && isBlank(text[i]))
            ++i;
        if (i < n && text[i] == QLatin1Char(',')) {
            ++i;
            while (i < n && isBlank(text[i]))
                ++i;
            // A comma always separates two names, so a trailing one leaves an
            // empty last name (the writer produces "a," for {"a", ""}).
            if (i >= n)
                names << QString();
        }
        // Anything else right after a quoted name ("a"b) starts the next name.
    }
    return names;
}

QString writeCommaText(const QStringList &names)
{
    QStringList parts;
    parts.reserve(names.size());
    for (const QString &name : names) {
        if (name.isEmpty() && names.size() == 1)
            return QStringLiteral("\"\"");
        if (needsQuotes(name)) {
            QString quoted = name;
            quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            parts << QLatin1Char('"') + quoted + QLatin1Char('"');
        } else {
            parts << name;
        }
    }
    return parts.join(QLatin1Char(','));
}

} // namespace brel
