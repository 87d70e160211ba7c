// The replica exchange of two branch files through one shared copy: 100,000
// rentals each, 10,000 rows changed on each side (half edited, half new),
// against copying both files, which is what a transfer costs at the least.

#include "Benchmarks.h"

#include "datastore/DataModule.h"
#include "datastore/Engine.h"
#include "datastore/Globalvar.h"
#include "datastore/Replica.h"
#include "datastore/Schema.h"
#include "online/SyncWorkingFile.h"
#include "support/PythonServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace brel::bench {

namespace {

constexpr int Rentals = 100000;
constexpr int Changed = 10000;
const QString Key = QStringLiteral("381957");

QString temp(const QString &name)
{
    return QDir(QDir::tempPath()).filePath(QStringLiteral("brelvanto-bench-sync-") + name + QStringLiteral(".mdb"));
}

void makeBlank(const QString &path)
{
    QFile::remove(path);
    Database db;
    db.create(path, Key);
    Schema::createAll(db);
    Schema::fillBlankContent(db);
}

void addRentals(Database &db, int count, const QString &prefix)
{
    Transaction tx(db);
    db.execute(Sql(QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<?) "
                                  "INSERT INTO TbRental (SJH, FWDZ, DGDZ, JZMJ, FX, ZJ, QY, LXR, LXRDH1, SSFD, LRR, LRRQ, ZTW, YJJE) "
                                  "SELECT ? || printf('%07d', x), '人民路' || (x % 300) || '号' || (x % 20) || '栋', '东段', "
                                  "40 + (x % 1200) / 10.0, '两室一厅', 800 + x % 9000, '城东', '王先生', '1390000' || x, "
                                  "'总店', 'admin', date('2015-01-01', '+' || (x % 3650) || ' days'), '00', 0 FROM c"),
                   {count, prefix}));
    tx.commit();
}

void change(const QString &path, const QString &prefix, int offset)
{
    Database db;
    db.open(path, Key);
    Transaction tx(db);
    db.execute(Sql(QStringLiteral("UPDATE TbRental SET FWDZ=FWDZ || ? WHERE ID IN (SELECT ID FROM TbRental ORDER BY ID "
                                  "LIMIT ? OFFSET ?)"),
                   {prefix, Changed / 2, offset}));
    tx.commit();
    addRentals(db, Changed / 2, prefix);
}

double timedSync(const QString &branch, const QString &shared)
{
    Database db;
    db.open(branch, Key);
    QElapsedTimer timer;
    timer.start();
    Synchronise(db, shared, Key);
    return timer.nsecsElapsed() / 1e6;
}

double copyBoth(const QString &a, const QString &b)
{
    QElapsedTimer timer;
    timer.start();
    for (const QString &f : {a, b}) {
        const QString copy = f + QStringLiteral(".copy");
        QFile::remove(copy);
        QFile::copy(f, copy);
        QFile::remove(copy);
    }
    return timer.nsecsElapsed() / 1e6;
}

/// The whole run of the program (fetch, unpack, exchange, pack, replace)
/// for each branch in turn, through an FTP server on this machine.
class ThroughFtp {
public:
    bool start(QTextStream &out)
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("ftp/share"));
        if (!m_server.start(test::FtpServerScript, {m_dir.filePath(QStringLiteral("ftp")), QStringLiteral("bench"),
                                                    QStringLiteral("bench-pw"), m_dir.path()})) {
            out << "sync through FTP: the FTP server (python3-pyftpdlib) did not start" << Qt::endl;
            return false;
        }
        AppDir = m_dir.filePath(QStringLiteral("app"));
        m_account = {QStringLiteral("127.0.0.1:%1").arg(m_server.port()), QStringLiteral("bench"),
                     QStringLiteral("bench-pw"), QStringLiteral("/share/branch.zip")};
        return true;
    }
    /// Milliseconds of one run for branch; negative when it failed.
    double run(const QString &branch, QTextStream &out, qint64 *sent = nullptr)
    {
        m_dm.DbBase->close();
        m_dm.DbBase->open(branch, Key);
        QElapsedTimer timer;
        timer.start();
        const SyncOutcome outcome = SynchroniseThrough(m_account, QStringLiteral("QV-BENCH"));
        const double ms = timer.nsecsElapsed() / 1e6;
        m_dm.DbBase->close();
        if (!outcome.ok) {
            out << "sync through FTP failed: " << outcome.status << " " << outcome.message << Qt::endl;
            return -1;
        }
        if (sent)
            *sent += outcome.bytesSent;
        return ms;
    }

private:
    QTemporaryDir m_dir;
    test::PythonServer m_server;
    TDM m_dm;
    SyncAccount m_account;
};

} // namespace

void runReplicaBenchmark(QTextStream &out)
{
    const QString shared = temp(QStringLiteral("shared")), a = temp(QStringLiteral("a")), b = temp(QStringLiteral("b"));
    out << "making two branch files of " << Rentals << " rentals..." << Qt::endl;
    makeBlank(shared);
    makeBlank(a);
    makeBlank(b);
    {
        Database db;
        db.open(a, Key);
        addRentals(db, Rentals, QStringLiteral("A"));
    }
    // Both branches start from the same rows, already exchanged once.
    timedSync(a, shared);
    timedSync(b, shared);
    timedSync(a, shared);
    change(a, QStringLiteral("甲"), 0);
    change(b, QStringLiteral("乙"), Rentals / 2);

    // The same starting point for the run through FTP below.
    const QString ftpA = temp(QStringLiteral("ftp-a")), ftpB = temp(QStringLiteral("ftp-b"));
    for (const auto &[from, to] : {std::pair{a, ftpA}, std::pair{b, ftpB}}) {
        QFile::remove(to);
        QFile::copy(from, to);
    }

    const double app = timedSync(a, shared) + timedSync(b, shared);
    const double bare = copyBoth(a, b);
    printRatio(out, QStringLiteral("sync_exchange_two_branches_100k_rentals_10k_changed_each"), app, bare);
    timedSync(a, shared); // a learns b's changes
    const double again = timedSync(a, shared);
    out << "sync_exchange_second_run_no_changes_ms: " << QString::number(again, 'f', 0) << Qt::endl;
    for (const QString &f : {shared, a, b})
        QFile::remove(f);

    ThroughFtp ftp;
    if (ftp.start(out)) {
        // The server's archive starts as the branches' shared state: both met it already.
        for (const QString &f : {ftpA, ftpB, ftpA})
            if (ftp.run(f, out) < 0)
                return;
        change(ftpA, QStringLiteral("丙"), 1000);
        change(ftpB, QStringLiteral("丁"), Rentals / 2 + 1000);
        qint64 sent = 0;
        const double first = ftp.run(ftpA, out, &sent), second = ftp.run(ftpB, out, &sent);
        if (first >= 0 && second >= 0) {
            printRatio(out, QStringLiteral("sync_through_ftp_two_branches_10k_changed_each"), first + second,
                       copyBoth(ftpA, ftpB));
            out << "sync_through_ftp_bytes_sent: " << sent << " (two files of "
                << QFileInfo(ftpA).size() << " and " << QFileInfo(ftpB).size() << " bytes)" << Qt::endl;
            ftp.run(ftpA, out);
            QElapsedTimer timer;
            timer.start();
            ftp.run(ftpA, out);
            out << "sync_through_ftp_second_run_no_changes_ms: " << QString::number(timer.nsecsElapsed() / 1e6, 'f', 0)
                << Qt::endl;
        }
    }
    for (const QString &f : {ftpA, ftpB})
        QFile::remove(f);
}

} // namespace brel::bench
