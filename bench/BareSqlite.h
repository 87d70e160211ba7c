#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantList>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace brel::bench {

/// Password of the benchmark's working file.
extern const QString BenchPassword;
/// The rental search as the search window runs it, and its order.
extern const QString SearchText;
extern const QString SearchOrder;

/// The same work with nothing but the engine's C interface: what the program
/// is measured against.
class BareSqlite {
public:
    explicit BareSqlite(const QString &path);
    ~BareSqlite();
    BareSqlite(const BareSqlite &) = delete;
    BareSqlite &operator=(const BareSqlite &) = delete;

    sqlite3 *handle() const { return m_db; }

    /// The search prepared and bound (status "00", entered since since).
    sqlite3_stmt *search(const QByteArray &since, bool ordered);

    /// One field copied out of the statement.
    struct Value {
        int type = 0;
        qint64 i = 0;
        double d = 0;
        std::string text;
    };
    using Row = std::vector<Value>;
    /// Reads the fields of the current row into owned storage: a row is only
    /// "readable" once its values survive the next step, as the data set's do.
    static Row readRow(sqlite3_stmt *st);
    /// The same for the given columns only (the cells a grid shows).
    static Row readRow(sqlite3_stmt *st, const std::vector<int> &columns);
    /// Result columns of st named as names (case-insensitive); -1 for none.
    static std::vector<int> columnsNamed(sqlite3_stmt *st, const QStringList &names);

    /// Prepares a statement and binds values (qint64, double, text or null) in order.
    sqlite3_stmt *prepare(const QString &sql, const QVariantList &values);
    /// Steps st to its end keeping every field of each row; the number of rows.
    static int readAll(sqlite3_stmt *st);

    /// The earliest entry date of the rentals, "yyyy-MM-dd".
    QByteArray earliestEntry();

private:
    sqlite3 *m_db = nullptr;
};

} // namespace brel::bench
