#include "datastore/SqlText.h"

namespace brel::SqlText {

namespace {

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

/// Walks the top level of a statement: calls visit(i) for every character
/// outside quotes, comments and brackets; stops when visit returns true.
/// Returns where it stopped, or -1. Counts positional marks on the way.
template <typename Visit>
int walkTopLevel(const QString &t, int from, int *marks, Visit visit)
{
    int depth = 0;
    int n = 0;
    QChar quote;
    for (int i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            quote = c;
        } else if (c == QLatin1Char('[')) {
            quote = QLatin1Char(']');
        } else if (c == QLatin1Char('-') && i + 1 < t.size() && t.at(i + 1) == QLatin1Char('-')) {
            const int end = t.indexOf(QLatin1Char('\n'), i);
            if (end < 0)
                break;
            i = end;
        } else if (c == QLatin1Char('/') && i + 1 < t.size() && t.at(i + 1) == QLatin1Char('*')) {
            const int end = t.indexOf(QLatin1String("*/"), i + 2);
            if (end < 0)
                break;
            i = end + 1;
        } else if (c == QLatin1Char('(')) {
            ++depth;
        } else if (c == QLatin1Char(')')) {
            --depth;
        } else if (c == QLatin1Char('?')) {
            ++n;
        } else if (depth == 0 && i >= from && visit(i)) {
            if (marks)
                *marks = n;
            return i;
        }
    }
    if (marks)
        *marks = n;
    return -1;
}

bool wordAt(const QString &t, int i, QLatin1String word)
{
    if (i > 0 && isWordChar(t.at(i - 1)))
        return false;
    if (t.mid(i, word.size()).compare(word, Qt::CaseInsensitive) != 0)
        return false;
    return i + word.size() >= t.size() || !isWordChar(t.at(i + word.size()));
}

/// The ORDER keyword followed by BY.
int findOrderBy(const QString &t, int *marks = nullptr)
{
    return walkTopLevel(t, 0, marks, [&t](int i) {
        if (!wordAt(t, i, QLatin1String("ORDER")))
            return false;
        int j = i + 5;
        while (j < t.size() && t.at(j).isSpace())
            ++j;
        return wordAt(t, j, QLatin1String("BY"));
    });
}

/// Splits on top-level commas.
QStringList splitTopLevel(const QString &t)
{
    QStringList parts;
    int start = 0;
    walkTopLevel(t, 0, nullptr, [&](int i) {
        if (t.at(i) == QLatin1Char(',')) {
            parts << t.mid(start, i - start);
            start = i + 1;
        }
        return false;
    });
    parts << t.mid(start);
    return parts;
}

} // namespace

int findTopLevel(const QString &text, QLatin1String word, int from, int *marks)
{
    return walkTopLevel(text, from, marks, [&](int i) { return wordAt(text, i, word); });
}

int countMarks(const QString &text)
{
    int marks = 0;
    QChar quote;
    // Marks inside brackets count too, so walk everything.
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            quote = c;
        } else if (c == QLatin1Char('[')) {
            quote = QLatin1Char(']');
        } else if (c == QLatin1Char('?')) {
            ++marks;
        }
    }
    return marks;
}

Sql splitOrderBy(const Sql &sql)
{
    if (!sql.orderBy.isEmpty())
        return sql;
    int marks = 0;
    const int at = findOrderBy(sql.text, &marks);
    if (at < 0)
        return sql;
    // LIMIT after the order belongs to the whole statement: keep such text whole.
    if (findTopLevel(sql.text, QLatin1String("LIMIT"), at) >= 0)
        return sql;
    const QString clause = sql.text.mid(at);
    if (countMarks(clause) > 0)
        return sql;
    const int by = clause.indexOf(QLatin1String("BY"), 0, Qt::CaseInsensitive);
    Sql out = sql;
    out.text = sql.text.left(at).trimmed();
    out.orderBy = clause.mid(by + 2).trimmed();
    return out;
}

QString baseTable(const QString &text)
{
    const int from = findTopLevel(text, QLatin1String("FROM"));
    if (from < 0)
        return QString();
    int i = from + 4;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    const QChar open = i < text.size() ? text.at(i) : QChar();
    if (open == QLatin1Char('"') || open == QLatin1Char('`') || open == QLatin1Char('[')) {
        const QChar close = open == QLatin1Char('[') ? QLatin1Char(']') : open;
        const int end = text.indexOf(close, i + 1);
        return end < 0 ? QString() : text.mid(i + 1, end - i - 1);
    }
    int j = i;
    while (j < text.size() && isWordChar(text.at(j)))
        ++j;
    return text.mid(i, j - i);
}

Sql countOf(const Sql &sql)
{
    const QString &t = sql.text;
    for (const char *word : {"DISTINCT", "GROUP", "HAVING", "UNION", "INTERSECT", "EXCEPT", "LIMIT"})
        if (findTopLevel(t, QLatin1String(word)) >= 0)
            return sql.countStatement();
    int marks = 0;
    const int from = findTopLevel(t, QLatin1String("FROM"), 0, &marks);
    if (from < 0 || !t.trimmed().startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive))
        return sql.countStatement();
    return Sql(QStringLiteral("SELECT COUNT(*) ") + t.mid(from), sql.values.mid(marks));
}

Sql rowStatement(const Sql &sql, const QString &table, qint64 id)
{
    const QString &t = sql.text;
    for (const char *word : {"GROUP", "UNION", "INTERSECT", "EXCEPT"})
        if (findTopLevel(t, QLatin1String(word)) >= 0)
            return Sql();
    int marks = 0;
    const int where = findTopLevel(t, QLatin1String("WHERE"), 0, &marks);
    QVariantList values = where < 0 ? sql.values : sql.values.mid(0, marks);
    values << id;
    const QString head = where < 0 ? t : t.left(where);
    return Sql(head + QStringLiteral(" WHERE %1.ID=?").arg(table), values);
}

QList<OrderTerm> parseOrderBy(const QString &orderBy)
{
    QList<OrderTerm> terms;
    if (orderBy.trimmed().isEmpty())
        return terms;
    for (QString part : splitTopLevel(orderBy)) {
        part = part.trimmed();
        OrderTerm term;
        // Trailing words: [COLLATE name] [ASC|DESC].
        auto takeLastWord = [&part]() {
            int j = part.size();
            while (j > 0 && isWordChar(part.at(j - 1)))
                --j;
            if (j == part.size() || (j > 0 && !part.at(j - 1).isSpace()))
                return QString();
            return part.mid(j);
        };
        QString word = takeLastWord();
        if (word.compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0
            || word.compare(QLatin1String("ASC"), Qt::CaseInsensitive) == 0) {
            term.descending = word.compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
            part = part.left(part.size() - word.size()).trimmed();
            word = takeLastWord();
        }
        const int collate = findTopLevel(part, QLatin1String("COLLATE"));
        if (collate >= 0) {
            term.collate = part.mid(collate + 7).trimmed();
            part = part.left(collate).trimmed();
        }
        if (part.isEmpty() || findTopLevel(part, QLatin1String("NULLS")) >= 0)
            return {};
        term.expr = part;
        terms << term;
    }
    return terms;
}

QString termColumn(const OrderTerm &term)
{
    QString e = term.expr.trimmed();
    const int dot = e.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        e = e.mid(dot + 1);
    if (e.size() >= 2 && ((e.front() == QLatin1Char('"') && e.back() == QLatin1Char('"'))
                          || (e.front() == QLatin1Char('[') && e.back() == QLatin1Char(']'))
                          || (e.front() == QLatin1Char('`') && e.back() == QLatin1Char('`'))))
        e = e.mid(1, e.size() - 2);
    for (QChar c : e)
        if (!isWordChar(c))
            return QString();
    if (e.isEmpty() || e.at(0).isDigit())
        return QString();
    return e;
}

QString quoteName(const QString &name)
{
    QString n = name;
    n.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

} // namespace brel::SqlText
