#include "BareSqlite.h"

#include <QFile>
#include <QStringList>

#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

namespace brel::bench {

const QString BenchPassword = QStringLiteral("381957");
const QString SearchText = QStringLiteral(
    "SELECT *, CASE ZTW WHEN '00' THEN '未出租' WHEN '01' THEN '已出租' WHEN '02' THEN '已作废' ELSE '' END AS ZTW_TXT "
    "FROM TbRental WHERE ZTW=? AND LRRQ>=?");
const QString SearchOrder = QStringLiteral("SJH");

BareSqlite::BareSqlite(const QString &path)
{
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        qFatal("cannot open %s", qPrintable(path));
    const QByteArray key = BenchPassword.toUtf8();
    sqlite3_key(m_db, key.constData(), int(key.size()));
    if (sqlite3_exec(m_db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("cannot key %s", qPrintable(path));
}

BareSqlite::~BareSqlite()
{
    sqlite3_close(m_db);
}

sqlite3_stmt *BareSqlite::search(const QByteArray &since, bool ordered)
{
    const QByteArray sql = (SearchText + (ordered ? QStringLiteral(" ORDER BY ") + SearchOrder : QString())).toUtf8();
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &st, nullptr) != SQLITE_OK)
        qFatal("%s", sqlite3_errmsg(m_db));
    sqlite3_bind_text(st, 1, "00", 2, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, since.constData(), int(since.size()), SQLITE_TRANSIENT);
    return st;
}

namespace {

void readValue(sqlite3_stmt *st, int c, BareSqlite::Value &v)
{
    v.type = sqlite3_column_type(st, c);
    switch (v.type) {
    case SQLITE_INTEGER: v.i = sqlite3_column_int64(st, c); break;
    case SQLITE_FLOAT: v.d = sqlite3_column_double(st, c); break;
    case SQLITE_NULL: break;
    default:
        v.text.assign(reinterpret_cast<const char *>(sqlite3_column_text(st, c)), size_t(sqlite3_column_bytes(st, c)));
        break;
    }
}

} // namespace

BareSqlite::Row BareSqlite::readRow(sqlite3_stmt *st)
{
    const int n = sqlite3_column_count(st);
    Row row(static_cast<size_t>(n));
    for (int c = 0; c < n; ++c)
        readValue(st, c, row[size_t(c)]);
    return row;
}

BareSqlite::Row BareSqlite::readRow(sqlite3_stmt *st, const std::vector<int> &columns)
{
    Row row(columns.size());
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i] >= 0)
            readValue(st, columns[i], row[i]);
    return row;
}

std::vector<int> BareSqlite::columnsNamed(sqlite3_stmt *st, const QStringList &names)
{
    std::vector<int> out;
    const int n = sqlite3_column_count(st);
    for (const QString &name : names) {
        int found = -1;
        for (int c = 0; c < n && found < 0; ++c)
            if (name.compare(QString::fromUtf8(sqlite3_column_name(st, c)), Qt::CaseInsensitive) == 0)
                found = c;
        out.push_back(found);
    }
    return out;
}

sqlite3_stmt *BareSqlite::prepare(const QString &sql, const QVariantList &values)
{
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &st, nullptr) != SQLITE_OK)
        qFatal("%s", sqlite3_errmsg(m_db));
    for (int i = 0; i < values.size(); ++i) {
        const QVariant &v = values.at(i);
        switch (v.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::LongLong: sqlite3_bind_int64(st, i + 1, v.toLongLong()); break;
        case QMetaType::Double: sqlite3_bind_double(st, i + 1, v.toDouble()); break;
        case QMetaType::UnknownType: sqlite3_bind_null(st, i + 1); break;
        default: {
            const QByteArray utf8 = v.toString().toUtf8();
            sqlite3_bind_text(st, i + 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        }
        }
    }
    return st;
}

int BareSqlite::readAll(sqlite3_stmt *st)
{
    std::vector<Row> rows;
    while (sqlite3_step(st) == SQLITE_ROW)
        rows.push_back(readRow(st));
    sqlite3_finalize(st);
    return int(rows.size());
}

QByteArray BareSqlite::earliestEntry()
{
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(m_db, "SELECT MIN(LRRQ) FROM TbRental", -1, &st, nullptr);
    QByteArray out;
    if (sqlite3_step(st) == SQLITE_ROW)
        out = reinterpret_cast<const char *>(sqlite3_column_text(st, 0));
    sqlite3_finalize(st);
    return out;
}

} // namespace brel::bench
