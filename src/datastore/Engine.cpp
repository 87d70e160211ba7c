#include "datastore/Engine.h"
#include "datastore/EngineInternal.h"

#include "datastore/FieldValue.h"
#include "datastore/Row.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QVector>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brel {

namespace engine {
QString tr(const char *text)
{
    return QCoreApplication::translate("Engine", text);
}

QString engineText(sqlite3 *db, int rc)
{
    const char *msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    return QString::fromUtf8(msg ? msg : "");
}

qint64 pragmaValue(sqlite3 *db, const char *pragma)
{
    sqlite3_stmt *st = nullptr;
    qint64 value = -1;
    if (sqlite3_prepare_v2(db, pragma, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        value = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return value;
}
} // namespace engine

using namespace engine;

namespace {
/// Why a keyed, readable file is still not a usable data file (a text with
/// %1 for the file), or empty text when it is one. A file cut short (a copy
/// that stopped half way) opens, and its missing pages only fail some later
/// statement with a message nobody understands.
QString damageOf(sqlite3 *db, const QString &path)
{
    const qint64 pages = pragmaValue(db, "PRAGMA page_count");
    const qint64 pageSize = pragmaValue(db, "PRAGMA page_size");
    if (pages == 0)
        return tr("“%1”不是本系统的数据文件。");
    if (pages < 0 || pageSize <= 0 || QFileInfo(path).size() != pages * pageSize)
        return tr("数据文件“%1”已损坏：文件的大小与它记录的页数不符。");
    return {};
}
/// A descriptor of path holding a lock of kind (LOCK_SH, LOCK_EX) on the file
/// now under that name, or -1. Waits up to waitMs for a conflicting lock to
/// go. A lock won on a file that was meanwhile replaced under its name (a
/// compaction that just ended) is dropped and taken again on the new file.
int lockFile(const QString &path, int kind, int waitMs)
{
    const QByteArray name = QFile::encodeName(path);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return -1;
        if (::flock(fd, kind | LOCK_NB) == 0) {
            struct stat held {}, now {};
            if (::fstat(fd, &held) == 0 && ::stat(name.constData(), &now) == 0 && held.st_ino == now.st_ino
                && held.st_dev == now.st_dev)
                return fd;
        }
        ::close(fd);
        if (std::chrono::steady_clock::now() >= until)
            return -2;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void unlockFile(int &fd)
{
    if (fd >= 0)
        ::close(fd); // closing drops the lock
    fd = -1;
}
} // namespace

EngineError::EngineError(const QString &message, int code)
    : std::runtime_error(message.toStdString()), m_message(message), m_code(code)
{
}

QString Sql::fullText() const
{
    if (orderBy.isEmpty())
        return text;
    return text + QStringLiteral(" ORDER BY ") + orderBy;
}

Sql Sql::countStatement() const
{
    return Sql(QStringLiteral("SELECT COUNT(*) FROM (") + text + QStringLiteral(")"), values);
}

QString escapeLike(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (QChar c : value) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

// ---------------------------------------------------------------- Statement

Statement::Statement(Database &db, const Sql &sql) : m_db(db)
{
    db.ensureOpen();
    m_text = sql.fullText().toUtf8();
    m_handle = db.handle();
    m_stmt = db.takeIdle(m_text);
    const int rc = m_stmt ? SQLITE_OK : sqlite3_prepare_v2(m_handle, m_text.constData(), int(m_text.size()), &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = engineText(db.handle(), rc);
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw EngineError(tr("SQL 语句错误：%1\n%2").arg(msg, sql.fullText()), rc);
    }
    const int count = sqlite3_bind_parameter_count(m_stmt);
    QVector<int> positional;
    for (int i = 0; i < count; ++i) {
        const char *name = sqlite3_bind_parameter_name(m_stmt, i + 1);
        if (name == nullptr || name[0] == '?')
            positional << i;
    }
    // A value too many or too few means the text and its values were put
    // together wrongly: running it would compare against the wrong values.
    if (positional.size() != sql.values.size()) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw EngineError(tr("SQL 语句的参数个数（%1）与值的个数（%2）不符：\n%3")
                              .arg(positional.size())
                              .arg(sql.values.size())
                              .arg(sql.fullText()));
    }
    for (int i = 0; i < positional.size(); ++i)
        bind(positional.at(i), sql.values.at(i));
}

Statement::~Statement()
{
    if (m_stmt && m_db.handle() == m_handle)
        m_db.giveBack(m_text, m_stmt);
    else
        sqlite3_finalize(m_stmt);
}

void Statement::bind(int index, const QVariant &input)
{
    const QVariant value = toStorage(input);
    int rc = SQLITE_OK;
    const int pos = index + 1;
    if (!value.isValid() || value.isNull()) {
        rc = sqlite3_bind_null(m_stmt, pos);
    } else {
        switch (value.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Long:
        case QMetaType::Short:
            rc = sqlite3_bind_int64(m_stmt, pos, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(m_stmt, pos, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            rc = sqlite3_bind_blob(m_stmt, pos, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray utf8 = value.toString().toUtf8();
            rc = sqlite3_bind_text(m_stmt, pos, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
            break;
        }
        }
    }
    if (rc != SQLITE_OK)
        m_db.raise(rc, tr("绑定参数"));
}

void Statement::bind(const QString &name, const QVariant &value)
{
    const QByteArray key = (QStringLiteral(":") + name).toUtf8();
    const int idx = sqlite3_bind_parameter_index(m_stmt, key.constData());
    if (idx == 0)
        throw EngineError(tr("SQL 语句中没有参数“%1”。").arg(name));
    bind(idx - 1, value);
}

int Statement::parameterCount() const
{
    return sqlite3_bind_parameter_count(m_stmt);
}

QString Statement::parameterName(int index) const
{
    const char *name = sqlite3_bind_parameter_name(m_stmt, index + 1);
    if (!name)
        return {};
    return QString::fromUtf8(name + 1);
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    m_db.raise(rc);
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
}

int Statement::exec()
{
    while (step()) {
    }
    return sqlite3_changes(m_db.handle());
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QString Statement::columnName(int col) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, col));
}

QString Statement::columnDeclType(int col) const
{
    const char *t = sqlite3_column_decltype(m_stmt, col);
    return t ? QString::fromUtf8(t) : QString();
}

QString Statement::columnTable(int col) const
{
    const char *t = sqlite3_column_table_name(m_stmt, col);
    return t ? QString::fromUtf8(t) : QString();
}

QString Statement::columnOrigin(int col) const
{
    const char *t = sqlite3_column_origin_name(m_stmt, col);
    return t ? QString::fromUtf8(t) : QString();
}

QVariant Statement::value(int col) const
{
    switch (sqlite3_column_type(m_stmt, col)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(m_stmt, col)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, col));
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(m_stmt, col)),
                          sqlite3_column_bytes(m_stmt, col));
    default: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, col));
        return QString::fromUtf8(text, sqlite3_column_bytes(m_stmt, col));
    }
    }
}

void Statement::readRow(Row &out, int columns) const
{
    // Asking each field's size first would make the engine turn numbers
    // into text: a guess at the texts' room is cheaper.
    out.reserve(columns, 32 * columns);
    for (int c = 0; c < columns; ++c) {
        switch (sqlite3_column_type(m_stmt, c)) {
        case SQLITE_INTEGER: out.appendInteger(sqlite3_column_int64(m_stmt, c)); break;
        case SQLITE_FLOAT: out.appendDouble(sqlite3_column_double(m_stmt, c)); break;
        case SQLITE_NULL: out.appendNull(); break;
        case SQLITE_BLOB:
            out.appendBlob(static_cast<const char *>(sqlite3_column_blob(m_stmt, c)), sqlite3_column_bytes(m_stmt, c));
            break;
        default:
            out.appendText(reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, c)), sqlite3_column_bytes(m_stmt, c));
            break;
        }
    }
}

qint64 Statement::int64(int col) const
{
    return sqlite3_column_int64(m_stmt, col);
}

bool Statement::isNull(int col) const
{
    return sqlite3_column_type(m_stmt, col) == SQLITE_NULL;
}

// ----------------------------------------------------------------- Database

Database::Database(QObject *parent) : QObject(parent) {}

Database::~Database()
{
    close();
}

void Database::raise(int rc, const QString &context) const
{
    QString msg = engineText(m_db, rc);
    // A file (or its folder, where the journal goes) that cannot be written
    // is only noticed by the first write; say so in words a clerk can act on.
    const int primary = rc & 0xff;
    if (m_db && (primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN))
        msg = tr("无法写入数据文件“%1”：这个文件或者它所在的文件夹不允许写入。（%2）")
                  .arg(QFileInfo(m_path).absoluteFilePath(), msg);
    if (!context.isEmpty())
        msg = context + QStringLiteral("：") + msg;
    throw EngineError(msg, rc);
}

void Database::openRaw(const QString &path, const QString &password, bool mustExist)
{
    if (path.isEmpty())
        throw EngineError(tr("没有指定数据文件。"));
    const QFileInfo info(path);
    const QString shown = info.absoluteFilePath();
    if (mustExist) {
        if (info.isDir())
            throw EngineError(tr("“%1”是一个文件夹，不是本系统的数据文件。").arg(shown), SQLITE_NOTADB);
        if (!info.isFile())
            throw EngineError(tr("数据文件“%1”不存在。").arg(shown), SQLITE_CANTOPEN);
        // The engine takes an empty file for a new, empty database.
        if (info.size() == 0)
            throw EngineError(tr("“%1”是一个空文件，不是本系统的数据文件。").arg(shown), SQLITE_NOTADB);
    }

    if (mustExist && m_takesUseLock) {
        m_useLock = lockFile(path, LOCK_SH, BusyTimeoutMs);
        if (m_useLock == -2)
            throw EngineError(tr("数据文件“%1”正被其他程序整理，请稍后再试。").arg(shown), SQLITE_BUSY);
    }

    sqlite3 *db = nullptr;
    // Existence was checked above; CREATE is needed so ATTACH can make new files.
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = engineText(db, rc);
        sqlite3_close(db);
        unlockFile(m_useLock);
        throw EngineError(tr("无法打开数据文件“%1”：%2").arg(shown, msg), rc);
    }
    sqlite3_extended_result_codes(db, 1);
    // Before the first statement: another program in the middle of a write
    // must make the probe below wait, not fail with "database is locked".
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    const QByteArray key = password.toUtf8();
    // An empty password means an unencrypted file (never a data file).
    rc = key.isEmpty() ? SQLITE_OK : sqlite3_key(db, key.constData(), int(key.size()));
    QString damage;
    if (rc == SQLITE_OK) {
        // A wrong key is only noticed by the first statement. The read
        // transaction keeps writers out while the file's size is compared.
        rc = sqlite3_exec(db, "BEGIN; SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK && mustExist)
            damage = damageOf(db, path);
        if (sqlite3_get_autocommit(db) == 0)
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK || !damage.isEmpty()) {
        sqlite3_close(db);
        unlockFile(m_useLock);
        if (!damage.isEmpty())
            throw EngineError(damage.arg(shown), SQLITE_CORRUPT);
        if ((rc & 0xff) == SQLITE_CORRUPT)
            throw EngineError(tr("数据文件“%1”已损坏：%2").arg(shown, QString::fromUtf8(sqlite3_errstr(rc))), rc);
        if ((rc & 0xff) == SQLITE_NOTADB)
            throw EngineError(tr("无法打开数据文件“%1”：密码不正确，或者它不是本系统的数据文件。").arg(shown), rc);
        throw EngineError(tr("无法打开数据文件“%1”：%2").arg(shown, QString::fromUtf8(sqlite3_errstr(rc))), rc);
    }
    m_db = db;
    m_path = path;
    m_password = password;
    // A new file exists only now.
    if (!mustExist && m_takesUseLock && m_useLock < 0)
        m_useLock = lockFile(path, LOCK_SH, 0);
    emit opened();
}

void Database::open(const QString &path, const QString &password)
{
    close();
    openRaw(path, password, true);
}

void Database::create(const QString &path, const QString &password)
{
    close();
    if (QFileInfo::exists(path))
        throw EngineError(tr("数据文件“%1”已经存在。").arg(QFileInfo(path).absoluteFilePath()));
    openRaw(path, password, false);
}

sqlite3_stmt *Database::takeIdle(const QByteArray &text)
{
    return m_idle.take(text);
}

void Database::giveBack(const QByteArray &text, sqlite3_stmt *stmt)
{
    constexpr int MaxIdle = 48;
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    if (m_idle.size() >= MaxIdle || m_idle.contains(text))
        sqlite3_finalize(stmt);
    else
        m_idle.insert(text, stmt);
}

void Database::finalizeIdle()
{
    for (sqlite3_stmt *stmt : std::as_const(m_idle))
        sqlite3_finalize(stmt);
    m_idle.clear();
}

void Database::close()
{
    if (!m_db)
        return;
    emit aboutToClose();
    finalizeIdle();
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    unlockFile(m_useLock);
}

void Database::ensureOpen()
{
    if (!m_db)
        openRaw(m_path, m_password, true);
}

int Database::execute(const Sql &sql)
{
    Statement st(*this, sql);
    return st.exec();
}

std::unique_ptr<Statement> Database::prepare(const Sql &sql)
{
    return std::make_unique<Statement>(*this, sql);
}

qint64 Database::lastInsertId() const
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

qint64 Database::changeStamp()
{
    if (!m_db)
        return -1;
    // data_version moves with other connections' commits only; the total
    // of changes covers this connection's own writes.
    auto st = prepare(Sql("PRAGMA data_version"));
    const qint64 version = st->step() ? st->int64(0) : 0;
    return (version << 32) + sqlite3_total_changes(m_db);
}

bool Database::tableExists(const QString &table)
{
    Statement st(*this, Sql(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name=? COLLATE NOCASE"),
                            {table}));
    return st.step();
}

QStringList Database::columnNames(const QString &table)
{
    QStringList names;
    // Table names come from the program's own constants, never from typed text.
    Statement st(*this, Sql(QStringLiteral("PRAGMA table_info(\"%1\")").arg(QString(table).remove(QLatin1Char('"')))));
    while (st.step())
        names << st.value(1).toString();
    return names;
}

void Database::begin()
{
    execute(Sql("BEGIN IMMEDIATE"));
}

bool Database::inTransaction() const
{
    return m_db && !sqlite3_get_autocommit(m_db);
}

void Database::commit()
{
    execute(Sql("COMMIT"));
}

void Database::rollback()
{
    if (m_db && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

ExclusiveFileUse::ExclusiveFileUse(const QString &path)
{
    m_fd = lockFile(path, LOCK_EX, 0);
    if (m_fd < 0)
        m_fd = -1;
}

ExclusiveFileUse::~ExclusiveFileUse()
{
    unlockFile(m_fd);
}

// -------------------------------------------------------------- Transaction

Transaction::Transaction(Database &db) : m_db(db)
{
    m_db.begin();
}

Transaction::~Transaction()
{
    if (!m_done)
        m_db.rollback();
}

void Transaction::commit()
{
    m_db.commit();
    m_done = true;
}

// ---------------------------------------------------------------- Savepoint

Savepoint::Savepoint(Database &db) : m_db(db)
{
    // Unique names keep nested guards apart even when one is left open by
    // mistake; the name is the program's own, never typed text.
    static std::atomic<unsigned> counter{0};
    m_name = QStringLiteral("brel_sp%1").arg(++counter);
    m_db.execute(Sql(QStringLiteral("SAVEPOINT ") + m_name));
}

Savepoint::~Savepoint()
{
    if (m_done || !m_db.handle())
        return;
    // Undo the work and drop the savepoint; an outer transaction stays open
    // for its owner. Errors cannot be reported from here: an engine that has
    // already rolled back on its own has nothing left to undo.
    const QByteArray undo = QStringLiteral("ROLLBACK TO %1; RELEASE %1").arg(m_name).toUtf8();
    sqlite3_exec(m_db.handle(), undo.constData(), nullptr, nullptr, nullptr);
}

void Savepoint::commit()
{
    m_db.execute(Sql(QStringLiteral("RELEASE ") + m_name));
    m_done = true;
}

} // namespace brel
