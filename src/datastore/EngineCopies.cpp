// The copies of a data file the engine makes: compaction, backup and the
// integrity check.

#include "datastore/Engine.h"
#include "datastore/EngineInternal.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brel {

using namespace engine;

void Database::compact(const QString &source, const QString &target, const QString &password,
                       const std::function<void()> &working)
{
    Database src;
    // The caller holds the file for itself while it compacts.
    src.m_takesUseLock = false;
    src.open(source, password);
    if (QFileInfo::exists(target))
        throw EngineError(tr("目标文件“%1”已经存在。").arg(target));
    // sqlcipher_export writes into an attached database keyed with the same
    // password, so the copy is encrypted like the source.
    src.execute(Sql(QStringLiteral("ATTACH DATABASE ? AS compacted KEY ?"), {target, password}));
    // The statistics below read every index of the copy just written: with
    // room for them in the cache they are not decrypted a second time.
    src.execute(Sql(QStringLiteral("PRAGMA compacted.cache_size=%1").arg(CompactCacheKb)));
    if (working) {
        sqlite3_progress_handler(
            src.m_db, 20000,
            [](void *call) {
                (*static_cast<const std::function<void()> *>(call))();
                return 0;
            },
            const_cast<std::function<void()> *>(&working));
    }
    try {
        src.execute(Sql("SELECT sqlcipher_export('compacted')"));
        // Fresh statistics let the planner walk the receipt-number index of a
        // large register instead of sorting it.
        src.execute(Sql("ANALYZE compacted"));
        sqlite3_progress_handler(src.m_db, 0, nullptr, nullptr);
        src.execute(Sql("DETACH DATABASE compacted"));
        src.close();
        // The copy replaces the working file only if it opens as one: keyed,
        // and as long as its pages say.
        Database copy;
        copy.open(target, password);
        copy.close();
    } catch (...) {
        src.close();
        QFile::remove(target);
        throw;
    }
}

namespace {

/// The engine's own handle of the connection's main file, or null.
sqlite3_file *mainFileOf(sqlite3 *db)
{
    sqlite3_file *file = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK)
        return nullptr;
    return file && file->pMethods ? file : nullptr;
}

QString journalModeOf(sqlite3 *db)
{
    sqlite3_stmt *st = nullptr;
    QString mode;
    if (sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        mode = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))).toLower();
    sqlite3_finalize(st);
    return mode;
}

/// Whether this connection's own uncommitted writes may already be in the
/// file (or in its log): its journal is open, or it writes without one.
bool ownWritesMayBeInFile(sqlite3 *db)
{
    sqlite3_file *journal = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_JOURNAL_POINTER, &journal) != SQLITE_OK
        || (journal && journal->pMethods))
        return true;
    return !sqlite3_get_autocommit(db) && journalModeOf(db) == QLatin1String("off");
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

/// Writes all of fd, or false with errno set.
bool writeAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

/// Makes a rename in path's folder survive a power cut.
void syncFolderOf(const QString &path)
{
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

void Database::copyFileBytes(sqlite3_file *file, const QString &part,
                             const std::function<void(qint64, qint64)> &progress)
{
    const QString shown = QFileInfo(part).absoluteFilePath();
    sqlite3_int64 size = 0;
    if (file->pMethods->xFileSize(file, &size) != SQLITE_OK)
        throw EngineError(tr("读取数据文件“%1”时出错。").arg(QFileInfo(m_path).absoluteFilePath()));
    const qint64 pageSize = qMax<qint64>(1, pragmaValue(m_db, "PRAGMA page_size"));
    const int out = ::open(QFile::encodeName(part).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0)
        throw EngineError(tr("无法创建文件“%1”：%2").arg(shown, systemError(errno)));
    // Slices of a few MB: the progress moves, and the buffer stays small.
    constexpr qint64 Slice = 4 << 20;
    QByteArray buffer(int(qMin<qint64>(Slice, qMax<sqlite3_int64>(size, 1))), Qt::Uninitialized);
    QString failure;
    for (qint64 done = 0; done < size && failure.isEmpty();) {
        const int n = int(qMin<qint64>(buffer.size(), size - done));
        const int rc = file->pMethods->xRead(file, buffer.data(), n, done);
        if (rc != SQLITE_OK) {
            failure = tr("读取数据文件时出错：%1").arg(QString::fromUtf8(sqlite3_errstr(rc)));
            break;
        }
        if (!writeAll(out, buffer.constData(), n)) {
            failure = tr("写入文件时出错：%1").arg(systemError(errno));
            break;
        }
#ifdef __linux__
        // The disk starts on each slice at once, so the closing fsync has
        // little left to wait for.
        ::sync_file_range(out, done, n, SYNC_FILE_RANGE_WRITE);
#endif
        done += n;
        if (progress)
            progress(done / pageSize, size / pageSize);
    }
    if (failure.isEmpty() && size == 0 && progress)
        progress(0, 0);
    // The copy is only put in place once it is on the disk.
    if (failure.isEmpty() && ::fsync(out) != 0)
        failure = tr("写入文件时出错：%1").arg(systemError(errno));
    if (::close(out) != 0 && failure.isEmpty())
        failure = tr("写入文件时出错：%1").arg(systemError(errno));
    if (!failure.isEmpty())
        throw EngineError(failure);
}

void Database::backupPages(const QString &part, const std::function<void(qint64, qint64)> &progress)
{
    // The copy is keyed before the first page goes in: a copy into an
    // unkeyed file would be written in plain text without a word.
    Database copy;
    copy.m_takesUseLock = false;
    copy.create(part, m_password);
    // The copy is a new file that replaces nothing until it is complete: it
    // needs no journal of its own.
    sqlite3_exec(copy.m_db, "PRAGMA journal_mode=OFF", nullptr, nullptr, nullptr);
    sqlite3_backup *backup = sqlite3_backup_init(copy.m_db, "main", m_db, "main");
    if (!backup)
        throw EngineError(engineText(copy.m_db, sqlite3_errcode(copy.m_db)));
    int rc = SQLITE_OK;
    int waits = 0;
    do {
        rc = sqlite3_backup_step(backup, 4096);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            if (++waits * 50 > BusyTimeoutMs)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        if (progress) {
            const qint64 total = sqlite3_backup_pagecount(backup);
            progress(total - sqlite3_backup_remaining(backup), total);
        }
    } while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE)
        throw EngineError(QString::fromUtf8(sqlite3_errstr(rc)), rc);
    copy.close();
}

void Database::copyCommitted(const QString &part, const std::function<void(qint64, qint64)> &progress)
{
    // One read for the whole copy: in rollback-journal mode no other program
    // can commit until the transaction ends, so the copy is one moment of the
    // file, and a journal left by a crashed writer has been rolled back. A
    // transaction of the caller's is joined, and its read lock kept after.
    const bool ownRead = !inTransaction();
    const int rc = sqlite3_exec(m_db, ownRead ? "BEGIN; SELECT count(*) FROM sqlite_master" : "SELECT count(*) FROM sqlite_master",
                                nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        const QString why = engineText(m_db, rc);
        if (ownRead)
            rollback();
        throw EngineError(why, rc);
    }
    try {
        // The copy has the same key, so the encrypted pages go over as they
        // are. They are read through the engine's own handle: a second
        // descriptor of the file, once closed, would drop the engine's locks
        // on it. In WAL mode the commits sit in the log, not in the file.
        sqlite3_file *file = mainFileOf(m_db);
        if (file && journalModeOf(m_db) != QLatin1String("wal"))
            copyFileBytes(file, part, progress);
        else
            backupPages(part, progress);
    } catch (...) {
        if (ownRead)
            rollback();
        throw;
    }
    if (ownRead)
        rollback();
}

void Database::backupTo(const QString &target, const std::function<void(qint64, qint64)> &progress)
{
    ensureOpen();
    const QString shown = QFileInfo(target).absoluteFilePath();
    if (QFileInfo::exists(target))
        throw EngineError(tr("目标文件“%1”已经存在。").arg(shown));
    const QString part = target + QStringLiteral(".part");
    QFile::remove(part);
    try {
        if (ownWritesMayBeInFile(m_db)) {
            // Inside this connection's own write the file may hold pages it
            // has not committed, and the engine's backup refuses to read it:
            // a second connection reads what is committed. It shares the
            // engine's locks on the file, so it takes no use lock of its own.
            Database committed;
            committed.m_takesUseLock = false;
            committed.open(m_path, m_password);
            committed.copyCommitted(part, progress);
        } else {
            copyCommitted(part, progress);
        }
        if (!QFile::rename(part, target))
            throw EngineError(tr("复制好的文件不能改名为“%1”。").arg(shown));
        syncFolderOf(target);
    } catch (const EngineError &e) {
        QFile::remove(part);
        // Waited for a write (another program's, or this connection's own
        // that no longer fits in memory) that did not end.
        const QString why = (e.code() & 0xff) == SQLITE_BUSY ? tr("数据文件正在被写入，请等写完后再备份。") : e.message();
        throw EngineError(tr("无法备份到“%1”：%2").arg(shown, why), e.code());
    }
}

QStringList Database::integrityCheck()
{
    QStringList findings;
    try {
        Statement st(*this, Sql("PRAGMA integrity_check(20)"));
        while (st.step()) {
            const QString line = st.value(0).toString();
            if (line.compare(QLatin1String("ok"), Qt::CaseInsensitive) != 0)
                findings << line;
        }
    } catch (const EngineError &e) {
        // An encrypted page that fails its check stops the engine's walk.
        findings << e.message();
    }
    return findings;
}

} // namespace brel
