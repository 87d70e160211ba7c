#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <functional>
#include <memory>
#include <stdexcept>

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_file;

namespace brel {

/// Failure of the database engine (or of a data-set rule enforced on its
/// behalf). The message is Chinese and ready to show to the user.
class EngineError : public std::runtime_error {
public:
    explicit EngineError(const QString &message, int code = 0);
    QString message() const { return m_message; }
    int code() const { return m_code; }

private:
    QString m_message;
    int m_code;
};

/// A statement as a value: SQL text with `?` (or `:Name`) placeholders and the
/// values bound to them, plus an optional ORDER BY part kept apart so a grid
/// can re-sort without touching the rest.
struct Sql {
    QString text;          ///< without ORDER BY
    QVariantList values;   ///< one per `?`, in order
    QString orderBy;       ///< e.g. "SJH ASC"; empty = none

    Sql() = default;
    Sql(const QString &t, const QVariantList &v = {}, const QString &order = {})
        : text(t), values(v), orderBy(order) {}
    Sql(const char *t) : text(QString::fromUtf8(t)) {}

    /// The full text as sent to the engine.
    QString fullText() const;
    /// `SELECT COUNT(*) FROM (text)`, same values, no ordering.
    Sql countStatement() const;
    Sql withOrderBy(const QString &order) const { Sql s = *this; s.orderBy = order; return s; }
    /// This statement with tail's text and values appended (a WHERE part, a
    /// filter); the ordering stays this statement's.
    Sql followedBy(const Sql &tail) const { return Sql(text + tail.text, values + tail.values, orderBy); }
    bool operator==(const Sql &o) const { return text == o.text && values == o.values && orderBy == o.orderBy; }
};

/// Escapes %, _ and the escape character `\` for use in `LIKE ? ESCAPE '\'`.
QString escapeLike(const QString &value);

class Database;
class Row;

/// A prepared statement with bound values. Only this module touches sqlite3.
class Statement {
public:
    Statement(Database &db, const Sql &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    /// Binds sql.values to the positional `?` placeholders in order; named
    /// ones (`:Id`) are bound afterwards by name. Raises when the number of
    /// values differs from the number of positional placeholders.
    /// Binds by position (0-based) or by `:name`. Values: null, bool, integers,
    /// double, QString, QDate, QDateTime, brel::Money.
    void bind(int index, const QVariant &value);
    void bind(const QString &name, const QVariant &value);
    int parameterCount() const;
    QString parameterName(int index) const; ///< without the leading ':'

    /// Advances to the next row; false at the end. Raises on error.
    bool step();
    void reset();
    /// Runs to completion; returns the number of rows changed.
    int exec();

    int columnCount() const;
    QString columnName(int col) const;
    QString columnDeclType(int col) const; ///< empty for computed columns
    QString columnTable(int col) const;    ///< origin table, empty for computed
    QString columnOrigin(int col) const;   ///< origin column name
    /// Raw engine value: null, qint64, double or QString.
    QVariant value(int col) const;
    /// Appends the first `columns` fields of the current row to a packed row.
    void readRow(Row &out, int columns) const;
    qint64 int64(int col) const;
    bool isNull(int col) const;

private:
    Database &m_db;
    sqlite3_stmt *m_stmt = nullptr;
    sqlite3 *m_handle = nullptr; ///< the connection it was compiled on
    QByteArray m_text;
};

/// The one connection to a working data file (an encrypted SQLite file).
class Database : public QObject {
    Q_OBJECT
public:
    explicit Database(QObject *parent = nullptr);
    ~Database() override;

    /// Opens and keys the file, then runs a probe query: a missing file, a
    /// folder, an empty file, a wrong password, a file that is not a data
    /// file and one cut short (its size does not match its page count) raise
    /// EngineError naming the file. Waits up to a few seconds for another
    /// program's write to finish rather than failing at once.
    void open(const QString &path, const QString &password);
    /// Creates a new, empty keyed file (refuses to overwrite an existing one).
    void create(const QString &path, const QString &password);
    /// Closes every open result first (aboutToClose), then the connection.
    void close();
    bool isOpen() const { return m_db != nullptr; }
    /// Reopens with the last path and password when closed.
    void ensureOpen();

    QString path() const { return m_path; }
    void setPath(const QString &path) { m_path = path; }
    QString password() const { return m_password; }
    void setPassword(const QString &password) { m_password = password; }

    /// Runs one statement without a result; returns the rows changed.
    int execute(const Sql &sql);
    std::unique_ptr<Statement> prepare(const Sql &sql);
    qint64 lastInsertId() const;
    /// Changes when any row of the file may have changed since it was last
    /// read: rows written on this connection plus commits of other
    /// connections. A window that keeps a result shows it again without
    /// reading it anew while this stays the same.
    qint64 changeStamp();
    bool tableExists(const QString &table);
    QStringList columnNames(const QString &table);

    void begin();
    /// True while a transaction is open on this connection.
    bool inTransaction() const;
    void commit();
    void rollback();

    /// Writes a compacted, keyed copy of a closed file `source` to `target`.
    /// working, when given, is called every so often while it runs.
    static void compact(const QString &source, const QString &target, const QString &password,
                        const std::function<void()> &working = {});

    /// Writes a copy of this open file to target (a file that must not exist
    /// yet), keyed with this connection's password. The copy is one moment of
    /// the file even while another program writes to it: the file's encrypted
    /// bytes as they stand under a read transaction (in WAL mode the engine's
    /// online backup, page by page). Inside this connection's own write
    /// transaction the copy holds what was committed before it. It is written
    /// beside target and renamed into place once on the disk. progress(done, total) follows each slice, in
    /// pages. On failure the partial copy is removed and EngineError raised.
    void backupTo(const QString &target, const std::function<void(qint64 done, qint64 total)> &progress = {});
    /// The engine's integrity check of this open file: empty when it is
    /// sound, else what the engine found (at most a few lines). A page that
    /// cannot be read at all is reported as a finding, not raised.
    QStringList integrityCheck();

    sqlite3 *handle() const { return m_db; }
    /// Turns the connection's last error into an EngineError. A write refused
    /// because the file or its folder cannot be written says so, naming the file.
    [[noreturn]] void raise(int rc, const QString &context = {}) const;

signals:
    /// Emitted before the connection closes; every DataSet closes itself.
    void aboutToClose();
    void opened();

private:
    friend class Statement;
    void openRaw(const QString &path, const QString &password, bool mustExist);
    /// Copies the committed state of the file into part under a read transaction.
    void copyCommitted(const QString &part, const std::function<void(qint64, qint64)> &progress);
    void copyFileBytes(sqlite3_file *file, const QString &part, const std::function<void(qint64, qint64)> &progress);
    void backupPages(const QString &part, const std::function<void(qint64, qint64)> &progress);
    /// Compiled statements not in use, by their text: pages of a result, the
    /// same lookups and checks run again and again, and compiling one costs
    /// as much as reading a screenful of rows. Idle ones are reset, so they
    /// hold no lock.
    sqlite3_stmt *takeIdle(const QByteArray &text);
    void giveBack(const QByteArray &text, sqlite3_stmt *stmt);
    void finalizeIdle();

    sqlite3 *m_db = nullptr;
    /// Every open connection holds a shared use of its file, so a compaction
    /// (which takes the file for itself) sees another program using it.
    int m_useLock = -1;
    bool m_takesUseLock = true;
    QHash<QByteArray, sqlite3_stmt *> m_idle;
    QString m_path;
    QString m_password;
};

/// Holds a data file for this holder alone, for as long as it lives: it
/// fails while any connection (of this or another program) has the file open.
/// While it is held, connections to the file wait and then refuse to open.
class ExclusiveFileUse {
public:
    explicit ExclusiveFileUse(const QString &path);
    ~ExclusiveFileUse();
    bool acquired() const { return m_fd >= 0; }
    ExclusiveFileUse(const ExclusiveFileUse &) = delete;
    ExclusiveFileUse &operator=(const ExclusiveFileUse &) = delete;

private:
    int m_fd = -1;
};

/// Rolls back unless committed.
class Transaction {
public:
    explicit Transaction(Database &db);
    ~Transaction();
    void commit();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

private:
    Database &m_db;
    bool m_done = false;
};

/// A unit of work that can sit inside a transaction someone else holds (a
/// schema upgrade step) or stand alone (then it is the transaction). Rolls
/// back to where it began unless committed; the outer transaction, if any,
/// stays open and decides for itself.
class Savepoint {
public:
    explicit Savepoint(Database &db);
    ~Savepoint();
    void commit();
    Savepoint(const Savepoint &) = delete;
    Savepoint &operator=(const Savepoint &) = delete;

private:
    Database &m_db;
    QString m_name;
    bool m_done = false;
};

} // namespace brel
