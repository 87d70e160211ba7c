#include "datastore/Replica.h"

#include "datastore/Engine.h"
#include "datastore/FieldValue.h"
#include "datastore/OperationLog.h"
#include "datastore/Schema.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>

#include <sqlite3.h>

namespace brel {

namespace {

QString tr(const char *text) { return QCoreApplication::translate("Replica", text); }

// The layer's own tables. RpRow holds one row per row of a replicated table,
// alive or deleted: its identity (Guid), where it lives now (RowId, NULL once
// deleted), its version and, in a working file, the version both sides
// agreed on at the last exchange (Base), which tells a conflict from a
// change made on one side only, and the file's change counter at its last
// change (Seq). RpInfo holds the file's replica id and change counter and,
// in a working file, which shared copy it last met and both counters then,
// so the next exchange looks only at rows changed since.
const QString InfoTable = QStringLiteral("RpInfo");
const QString RowTable = QStringLiteral("RpRow");

// A version is the UTC time of the change to the millisecond followed by
// the replica id, so comparing versions as text orders them by time and
// breaks ties the same way in every file. Rows present before the layer
// carry the oldest version of all.
const QString PreLayerVersion = QStringLiteral("0");
const QString NowVersion = QStringLiteral("strftime('%Y-%m-%d %H:%M:%f','now')||' '||(SELECT ReplicaId FROM RpInfo)");
const QString Tick = QStringLiteral("UPDATE RpInfo SET Clock=Clock+1;");
const QString Clock = QStringLiteral("(SELECT Clock FROM RpInfo)");

// The exchange touches rows all over both files: room for their pages (in
// kB, as the engine counts a negative size) spares decrypting the same pages
// again and again.
constexpr int ExchangeCache = -65536;

// Identity of a row present before the layer: its key, plus what tells two
// different rows apart that two branches numbered alike (a receipt number,
// a login name, the text of a lookup, the owner of a right).
QString preLayerIdentity(const QString &table)
{
    if (Schema::registerTables().contains(table))
        return QStringLiteral("ifnull(SJH,'')");
    // The administrator is user 1 in every file, whatever his name.
    if (table == QLatin1String("TbUser"))
        return QStringLiteral("CASE WHEN ID=1 THEN '' ELSE ifnull(YHXM,'') END");
    if (table == QLatin1String("TbRes"))
        return QStringLiteral("ZYMC||'/'||CASE WHEN YHID=1 THEN '' ELSE "
                              "ifnull((SELECT u.YHXM FROM %1.TbUser u WHERE u.ID=YHID),'') END");
    const TableDef *def = Schema::table(table);
    if (def && def->columns.size() == 2 && table != QLatin1String("TbFee"))
        return QStringLiteral("ifnull(%1,'')").arg(def->columns[1].name);
    return QStringLiteral("''");
}

// Columns that point at the ID of another replicated table: a row given a
// new ID takes its references along.
struct Reference {
    QString target;
    QString table;
    QString column;
};
const std::vector<Reference> &references()
{
    static const std::vector<Reference> refs = {
        {QStringLiteral("TbUser"), QStringLiteral("TbRes"), QStringLiteral("YHID")}};
    return refs;
}

// Values never copied into a log entry.
bool secretColumn(const QString &table, const QString &column)
{
    return table == QLatin1String("TbUser") && column.compare(QLatin1String("YHMM"), Qt::CaseInsensitive) == 0;
}

bool tableIn(Database &db, const QString &schema, const QString &table)
{
    auto st = db.prepare(Sql(QStringLiteral("SELECT 1 FROM %1.sqlite_master WHERE type='table' AND name=? COLLATE NOCASE")
                                 .arg(schema),
                             {table}));
    return st->step();
}

QStringList columnsIn(Database &db, const QString &schema, const QString &table)
{
    QStringList names;
    auto st = db.prepare(Sql(QStringLiteral("PRAGMA %1.table_info(%2)").arg(schema, table)));
    while (st->step())
        names << st->value(1).toString();
    return names;
}

QVariant scalar(Database &db, const Sql &sql)
{
    auto st = db.prepare(sql);
    return st->step() ? st->value(0) : QVariant();
}

// Every exchange leaves a stamp of its own in the shared copy, and the
// working file keeps the stamp it left. A copy whose history lacks that
// stamp does not descend from the copy this file last met (that one never
// reached the server, say, because its upload broke), so no count can be
// trusted and every row is compared.
const QString HistoryTable = QStringLiteral("RpHistory");

void installHistory(Database &db, const QString &schema)
{
    if (!tableIn(db, schema, HistoryTable))
        db.execute(Sql(QStringLiteral("CREATE TABLE %1.%2 (Stamp TEXT PRIMARY KEY)").arg(schema, HistoryTable)));
    if (!columnsIn(db, schema, InfoTable).contains(QStringLiteral("PeerStamp"), Qt::CaseInsensitive))
        db.execute(Sql(QStringLiteral("ALTER TABLE %1.%2 ADD COLUMN PeerStamp TEXT NOT NULL DEFAULT ''").arg(schema, InfoTable)));
}

void installLayer(Database &db, const QString &schema)
{
    if (tableIn(db, schema, RowTable)) {
        installHistory(db, schema);
        return;
    }
    db.execute(Sql(QStringLiteral("CREATE TABLE %1.%2 (ReplicaId TEXT NOT NULL, Busy INTEGER NOT NULL DEFAULT 0, "
                                  "Clock INTEGER NOT NULL DEFAULT 0, PeerId TEXT NOT NULL DEFAULT '', "
                                  "OwnSeq INTEGER NOT NULL DEFAULT 0, PeerSeq INTEGER NOT NULL DEFAULT 0)")
                       .arg(schema, InfoTable)));
    db.execute(Sql(QStringLiteral("INSERT INTO %1.%2 (ReplicaId, Busy) VALUES (lower(hex(randomblob(16))), 0)")
                       .arg(schema, InfoTable)));
    db.execute(Sql(QStringLiteral("CREATE TABLE %1.%2 (Guid TEXT PRIMARY KEY, Tb TEXT NOT NULL, RowId INTEGER, "
                                  "Ver TEXT NOT NULL, Base TEXT NOT NULL DEFAULT '', Seq INTEGER NOT NULL DEFAULT 0)")
                       .arg(schema, RowTable)));
    db.execute(Sql(QStringLiteral("CREATE UNIQUE INDEX %1.IxRpRowTb ON %2 (Tb, RowId)").arg(schema, RowTable)));
    db.execute(Sql(QStringLiteral("CREATE INDEX %1.IxRpRowSeq ON %2 (Tb, Seq)").arg(schema, RowTable)));
    for (const QString &t : ReplicatedTables()) {
        if (!tableIn(db, schema, t))
            continue;
        // No base yet: this file has never agreed on a version with anyone.
        db.execute(Sql(QStringLiteral("INSERT INTO %1.%2 (Guid, Tb, RowId, Ver) "
                                      "SELECT '%3-'||ID||'-'||%4, '%3', ID, ? FROM %1.%3")
                           .arg(schema, RowTable, t, QString(preLayerIdentity(t)).replace(QStringLiteral("%1"), schema)),
                       {PreLayerVersion}));
        const QString active = QStringLiteral("WHEN (SELECT Busy FROM RpInfo)=0");
        db.execute(Sql(QStringLiteral("CREATE TRIGGER %1.RpIns%2 AFTER INSERT ON %2 %3 BEGIN %5 "
                                      "INSERT OR REPLACE INTO RpRow (Guid, Tb, RowId, Ver, Seq) "
                                      "VALUES (lower(hex(randomblob(16))), '%2', NEW.ID, %4, %6); END")
                           .arg(schema, t, active, NowVersion, Tick, Clock)));
        db.execute(Sql(QStringLiteral("CREATE TRIGGER %1.RpUpd%2 AFTER UPDATE ON %2 %3 BEGIN %5 "
                                      "UPDATE RpRow SET RowId=NEW.ID, Ver=%4, Seq=%6 WHERE Tb='%2' AND RowId=OLD.ID; END")
                           .arg(schema, t, active, NowVersion, Tick, Clock)));
        db.execute(Sql(QStringLiteral("CREATE TRIGGER %1.RpDel%2 AFTER DELETE ON %2 %3 BEGIN %5 "
                                      "UPDATE RpRow SET RowId=NULL, Ver=%4, Seq=%6 WHERE Tb='%2' AND RowId=OLD.ID; END")
                           .arg(schema, t, active, NowVersion, Tick, Clock)));
    }
    installHistory(db, schema);
}

/// One row's values for the log, secrets left out.
QString rowText(Database &db, const QString &schema, const QString &table, qint64 id)
{
    auto st = db.prepare(Sql(QStringLiteral("SELECT * FROM %1.%2 WHERE ID=?").arg(schema, table), {id}));
    if (!st->step())
        return {};
    QStringList parts;
    for (int c = 0; c < st->columnCount(); ++c) {
        const QString name = st->columnName(c);
        if (st->isNull(c) || secretColumn(table, name))
            continue;
        const QString v = st->value(c).toString();
        if (!v.isEmpty())
            parts << name + QLatin1Char('=') + v;
    }
    return parts.join(QStringLiteral("；"));
}

/// The values that lost, in as many entries as the details column needs.
void logLoser(Database &db, const QString &table, const QString &text)
{
    const int size = Schema::textSize(QStringLiteral("TbLog"), QStringLiteral("XXQK"));
    const QString head = tr("%1 被替换的值：").arg(table);
    const int room = std::max(20, size - characterCount(head));
    QString rest = text.isEmpty() ? tr("（已删除）") : text;
    do {
        const QString part = leftCharacters(rest, room);
        WriteLog(db, tr("同步冲突"), head + part);
        rest = rest.mid(part.size());
    } while (!rest.isEmpty());
}

class Exchange {
public:
    Exchange(Database &db) : m_db(db) {}
    SyncResult run();

private:
    void exchangeTable(const QString &table);
    void settlePreLayerRows(const QString &table, const QStringList &cols);
    void renumberClashes(const QString &table);
    void logConflicts(const QString &table);
    int apply(const QString &table, const QStringList &cols, bool toWorking);
    int execute(const Sql &sql) { return m_db.execute(sql); }

    Database &m_db;
    SyncResult m_result;
    bool m_full = true;     ///< first meeting of this file and this copy: compare every row
    qint64 m_ownFrom = -1;  ///< rows of this file changed after this count are new to the copy
    qint64 m_peerFrom = -1; ///< rows of the copy changed after this count are new to this file
    qint64 m_ownSeq = 0;    ///< the count this exchange's writes carry, in this file
    qint64 m_peerSeq = 0;   ///< and in the copy
};

SyncResult Exchange::run()
{
    installLayer(m_db, QStringLiteral("main"));
    installLayer(m_db, QStringLiteral("shared"));
    const QString peer = scalar(m_db, Sql("SELECT ReplicaId FROM shared.RpInfo")).toString();
    const qint64 peerClock = scalar(m_db, Sql("SELECT Clock FROM shared.RpInfo")).toLongLong();
    {
        auto st = m_db.prepare(Sql("SELECT PeerId, OwnSeq, PeerSeq, Clock, PeerStamp FROM main.RpInfo"));
        st->step();
        const QString stamp = st->value(4).toString();
        const bool descends = !stamp.isEmpty()
                              && scalar(m_db, Sql("SELECT count(*) FROM shared.RpHistory WHERE Stamp=?", {stamp})).toInt() > 0;
        // Another copy, this copy set back to an older state, or one that
        // does not descend from the copy met last: no count can be trusted.
        m_full = st->value(0).toString() != peer || st->int64(2) > peerClock || !descends;
        if (!m_full) {
            m_ownFrom = st->int64(1);
            m_peerFrom = st->int64(2);
        }
        m_ownSeq = st->int64(3) + 1;
        m_peerSeq = peerClock + 1;
    }
    execute(Sql(QStringLiteral("PRAGMA shared.cache_size=%1").arg(ExchangeCache)));
    // The exchange's own writes are not edits: they keep the versions they carry.
    execute(Sql("UPDATE main.RpInfo SET Busy=1"));
    execute(Sql("UPDATE shared.RpInfo SET Busy=1"));
    execute(Sql("CREATE TEMP TABLE IF NOT EXISTS RpPlan (Guid TEXT PRIMARY KEY, WId INTEGER, SId INTEGER, "
                "WVer TEXT, SVer TEXT, Base TEXT, ToW INTEGER NOT NULL)"));
    for (const QString &t : ReplicatedTables()) {
        if (tableIn(m_db, QStringLiteral("main"), t) && tableIn(m_db, QStringLiteral("shared"), t))
            exchangeTable(t);
    }
    execute(Sql("UPDATE main.RpInfo SET Busy=0"));
    execute(Sql("UPDATE shared.RpInfo SET Busy=0"));
    execute(Sql("DROP TABLE temp.RpPlan"));
    execute(Sql("DROP TABLE IF EXISTS temp.RpMove"));
    // A run that found nothing to do leaves both files as they were.
    if (!m_result.changedNothing() || m_result.conflicts > 0 || m_full) {
        const QString stamp = scalar(m_db, Sql("SELECT lower(hex(randomblob(16)))")).toString();
        execute(Sql("UPDATE main.RpInfo SET Clock=?, PeerId=?, OwnSeq=?, PeerSeq=?, PeerStamp=?",
                    {m_ownSeq, peer, m_ownSeq, m_peerSeq, stamp}));
        execute(Sql("UPDATE shared.RpInfo SET Clock=?", {m_peerSeq}));
        execute(Sql("INSERT INTO shared.RpHistory (Stamp) VALUES (?)", {stamp}));
        m_result.sharedChanged = true;
    }
    return m_result;
}

void Exchange::exchangeTable(const QString &table)
{
    const QStringList wcols = columnsIn(m_db, QStringLiteral("main"), table);
    const QStringList scols = columnsIn(m_db, QStringLiteral("shared"), table);
    QStringList cols;
    for (const QString &c : wcols)
        if (scols.contains(c, Qt::CaseInsensitive))
            cols << c;
    if (m_full)
        settlePreLayerRows(table, cols);
    renumberClashes(table);

    execute(Sql("DELETE FROM temp.RpPlan"));
    // A row the other side lacks goes across; of a row both hold in
    // different versions, the later version goes across.
    execute(Sql(QStringLiteral("INSERT INTO temp.RpPlan (Guid, WId, SId, WVer, SVer, Base, ToW) "
                               "SELECT s.Guid, w.RowId, s.RowId, w.Ver, s.Ver, w.Base, "
                               "CASE WHEN w.Guid IS NULL OR s.Ver > w.Ver THEN 1 ELSE 0 END "
                               "FROM shared.RpRow s LEFT JOIN main.RpRow w ON w.Guid=s.Guid "
                               "WHERE s.Tb=? AND s.Seq>? AND (w.Guid IS NULL OR w.Ver<>s.Ver)"),
                {table, m_peerFrom}));
    execute(Sql(QStringLiteral("INSERT OR IGNORE INTO temp.RpPlan (Guid, WId, SId, WVer, SVer, Base, ToW) "
                               "SELECT w.Guid, w.RowId, s.RowId, w.Ver, s.Ver, w.Base, "
                               "CASE WHEN s.Guid IS NOT NULL AND s.Ver > w.Ver THEN 1 ELSE 0 END "
                               "FROM main.RpRow w LEFT JOIN shared.RpRow s ON s.Guid=w.Guid "
                               "WHERE w.Tb=? AND w.Seq>? AND (s.Guid IS NULL OR s.Ver<>w.Ver)"),
                {table, m_ownFrom}));
    logConflicts(table);
    m_result.toWorking += apply(table, cols, true);
    m_result.toShared += apply(table, cols, false);
    // Both sides now hold these versions: the base of the next comparison.
    if (m_full) {
        execute(Sql("UPDATE main.RpRow SET Base=Ver WHERE Tb=? AND Base<>Ver", {table}));
    } else {
        execute(Sql("UPDATE main.RpRow SET Base=Ver WHERE Base<>Ver AND Guid IN (SELECT Guid FROM temp.RpPlan)"));
        execute(Sql("UPDATE main.RpRow SET Base=Ver WHERE Tb=? AND Seq>? AND Base<>Ver", {table, m_ownFrom}));
    }
}

// Rows both files held before the layer carry the same identity and the
// oldest version; where their values differ, one side changed the row
// without a version. The working file's values become a change of its own,
// so they travel like any other edit (and the copy's values are logged).
void Exchange::settlePreLayerRows(const QString &table, const QStringList &cols)
{
    QStringList differs;
    for (const QString &c : cols)
        differs << QStringLiteral("a.%1 IS NOT b.%1").arg(c);
    execute(Sql(QStringLiteral("UPDATE main.RpRow SET Ver=strftime('%Y-%m-%d %H:%M:%f','now')||' '||"
                               "(SELECT ReplicaId FROM main.RpInfo), Seq=? WHERE Tb=? AND Ver=? AND Guid IN ("
                               "SELECT w.Guid FROM main.RpRow w JOIN shared.RpRow s ON s.Guid=w.Guid "
                               "JOIN main.%1 a ON a.ID=w.RowId JOIN shared.%1 b ON b.ID=s.RowId "
                               "WHERE w.Tb=? AND w.Ver=? AND s.Ver=? AND (%2))")
                    .arg(table, differs.join(QStringLiteral(" OR "))),
                {m_ownSeq, table, PreLayerVersion, table, PreLayerVersion, PreLayerVersion}));
}

// The shared copy's IDs stand. A row this file shares with the copy under
// another ID (a copy of the same older row, numbered anew on the branch
// that met the copy first) takes the copy's ID; a row the copy lacks whose
// ID the copy uses for another row moves to an ID neither file has used.
// The rows that point at a moved row follow it. Every file that meets the
// copy does the same, so in the end each row has one ID everywhere.
void Exchange::renumberClashes(const QString &table)
{
    execute(Sql("CREATE TEMP TABLE IF NOT EXISTS RpMove (Old INTEGER PRIMARY KEY, New INTEGER, Fresh INTEGER NOT NULL)"));
    execute(Sql("DELETE FROM temp.RpMove"));
    // Once from each side's changes, so each look-up walks its own index.
    execute(Sql("INSERT OR IGNORE INTO temp.RpMove (Old, New, Fresh) SELECT w.RowId, s.RowId, 0 "
                "FROM main.RpRow w JOIN shared.RpRow s ON s.Guid=w.Guid WHERE w.Tb=? AND w.Seq>? "
                "AND w.RowId IS NOT NULL AND s.RowId IS NOT NULL AND w.RowId<>s.RowId",
                {table, m_ownFrom}));
    execute(Sql("INSERT OR IGNORE INTO temp.RpMove (Old, New, Fresh) SELECT w.RowId, s.RowId, 0 "
                "FROM shared.RpRow s JOIN main.RpRow w ON w.Guid=s.Guid WHERE s.Tb=? AND s.Seq>? "
                "AND w.RowId IS NOT NULL AND s.RowId IS NOT NULL AND w.RowId<>s.RowId",
                {table, m_peerFrom}));
    execute(Sql(QStringLiteral("INSERT OR IGNORE INTO temp.RpMove (Old, New, Fresh) SELECT w.RowId, NULL, 1 "
                               "FROM main.RpRow w WHERE w.Tb=? AND w.Seq>? AND w.RowId IS NOT NULL "
                               "AND NOT EXISTS (SELECT 1 FROM shared.RpRow s WHERE s.Guid=w.Guid) "
                               "AND EXISTS (SELECT 1 FROM shared.%1 x WHERE x.ID=w.RowId)")
                    .arg(table),
                {table, m_ownFrom}));
    std::vector<qint64> fresh;
    {
        auto st = m_db.prepare(Sql("SELECT Old FROM temp.RpMove WHERE Fresh=1 ORDER BY Old"));
        while (st->step())
            fresh.push_back(st->int64(0));
    }
    const int moves = scalar(m_db, Sql("SELECT count(*) FROM temp.RpMove")).toInt();
    if (moves == 0)
        return;
    qint64 next = 0;
    for (const QString &schema : {QStringLiteral("main"), QStringLiteral("shared")}) {
        next = std::max(next, scalar(m_db, Sql(QStringLiteral("SELECT ifnull(max(ID),0) FROM %1.%2").arg(schema, table)))
                                  .toLongLong());
        next = std::max(next, scalar(m_db, Sql(QStringLiteral("SELECT ifnull(max(seq),0) FROM %1.sqlite_sequence WHERE name=?")
                                                   .arg(schema),
                                               {table}))
                                  .toLongLong());
    }
    {
        auto set = m_db.prepare(Sql("UPDATE temp.RpMove SET New=? WHERE Old=?", {0, 0}));
        for (qint64 old : fresh) {
            set->bind(0, ++next);
            set->bind(1, old);
            set->exec();
            set->reset();
        }
    }
    // Through negative IDs: a row may move to the ID another moving row leaves.
    // The outer column is named with its table: inside the sub-select a bare
    // "RowId" would be the move table's own row id.
    const QString moved = QStringLiteral("(SELECT m.New FROM temp.RpMove m WHERE m.Old=-%1)");
    execute(Sql(QStringLiteral("UPDATE main.%1 SET ID=-ID WHERE ID IN (SELECT Old FROM temp.RpMove)").arg(table)));
    execute(Sql(QStringLiteral("UPDATE main.%1 SET ID=%2 WHERE ID<0").arg(table, moved.arg(table + QStringLiteral(".ID")))));
    execute(Sql("UPDATE main.RpRow SET RowId=-RowId WHERE Tb=? AND RowId IN (SELECT Old FROM temp.RpMove)", {table}));
    execute(Sql(QStringLiteral("UPDATE main.RpRow SET RowId=%1 WHERE Tb=? AND RowId<0").arg(moved.arg(QStringLiteral("RpRow.RowId"))),
                {table}));
    // Moving rows by hand does not advance the engine's numbering.
    execute(Sql(QStringLiteral("UPDATE main.sqlite_sequence SET seq=(SELECT max(ID) FROM main.%1) "
                               "WHERE name=? AND seq<(SELECT max(ID) FROM main.%1)")
                    .arg(table),
                {table}));
    for (const Reference &r : references()) {
        if (r.target != table)
            continue;
        // Rows pointing at a row only this file knew change: a new version
        // sends the new reference across.
        execute(Sql(QStringLiteral("UPDATE main.RpRow SET Ver=strftime('%Y-%m-%d %H:%M:%f','now')||' '||"
                                   "(SELECT ReplicaId FROM main.RpInfo), Seq=? WHERE Tb=? AND RowId IN "
                                   "(SELECT ID FROM main.%1 WHERE %2 IN (SELECT Old FROM temp.RpMove WHERE Fresh=1))")
                        .arg(r.table, r.column),
                    {m_ownSeq, r.table}));
        execute(Sql(QStringLiteral("UPDATE main.%1 SET %2=(SELECT m.New FROM temp.RpMove m WHERE m.Old=%1.%2) "
                                   "WHERE %2 IN (SELECT Old FROM temp.RpMove)")
                        .arg(r.table, r.column)));
    }
    m_result.renumbered += moves;
}

// Both sides changed the row since this file last met the copy (or, at the
// first meeting, the two differ and nobody knows who changed it): the later version wins
// (the plan says which); the loser's values go to the log.
void Exchange::logConflicts(const QString &table)
{
    struct Loss { QString schema; qint64 id; qint64 winner; QString winnerSchema; };
    std::vector<Loss> losses;
    {
        auto st = m_db.prepare(Sql("SELECT ToW, WId, SId FROM temp.RpPlan WHERE WVer IS NOT NULL AND SVer IS NOT NULL "
                                   "AND WVer<>Base AND SVer<>Base"));
        while (st->step()) {
            const bool toW = st->int64(0) != 0;
            const QVariant loser = st->value(toW ? 1 : 2);
            const QVariant winner = st->value(toW ? 2 : 1);
            if (loser.isNull())
                continue; // a deletion lost: the row comes back, nothing to keep
            losses.push_back({toW ? QStringLiteral("main") : QStringLiteral("shared"), loser.toLongLong(),
                              winner.isNull() ? -1 : winner.toLongLong(),
                              toW ? QStringLiteral("shared") : QStringLiteral("main")});
        }
    }
    for (const Loss &l : losses) {
        const QString lost = rowText(m_db, l.schema, table, l.id);
        if (l.winner >= 0 && rowText(m_db, l.winnerSchema, table, l.winner) == lost)
            continue; // the same values reached both sides
        ++m_result.conflicts;
        logLoser(m_db, table, lost);
    }
}

int Exchange::apply(const QString &table, const QStringList &cols, bool toWorking)
{
    const QString to = toWorking ? QStringLiteral("main") : QStringLiteral("shared");
    const QString from = toWorking ? QStringLiteral("shared") : QStringLiteral("main");
    const QString toId = toWorking ? QStringLiteral("WId") : QStringLiteral("SId");
    const QString fromId = toWorking ? QStringLiteral("SId") : QStringLiteral("WId");
    const QString fromVer = toWorking ? QStringLiteral("SVer") : QStringLiteral("WVer");
    const int dir = toWorking ? 1 : 0;
    const QString list = cols.join(QLatin1Char(','));
    int changed = execute(Sql(QStringLiteral("DELETE FROM %1.%2 WHERE ID IN (SELECT %3 FROM temp.RpPlan "
                                             "WHERE ToW=? AND %4 IS NULL AND %3 IS NOT NULL)")
                                  .arg(to, table, toId, fromId),
                              {dir}));
    changed += execute(Sql(QStringLiteral("INSERT OR REPLACE INTO %1.%2 (%3) SELECT %3 FROM %4.%2 WHERE ID IN "
                                          "(SELECT %5 FROM temp.RpPlan WHERE ToW=? AND %5 IS NOT NULL)")
                               .arg(to, table, list, from, fromId),
                           {dir}));
    // Tombstones travel too, so a third file still learns of the deletion.
    // In the copy the count marks what the next branch has not seen yet.
    changed += execute(Sql(QStringLiteral("INSERT OR REPLACE INTO %1.RpRow (Guid, Tb, RowId, Ver, Base, Seq) "
                                          "SELECT Guid, ?, %2, %3, %3, ? FROM temp.RpPlan WHERE ToW=? AND %4 IS NULL")
                               .arg(to, fromId, fromVer, fromId),
                           {table, toWorking ? m_ownSeq : m_peerSeq, dir}));
    execute(Sql(QStringLiteral("INSERT OR REPLACE INTO %1.RpRow (Guid, Tb, RowId, Ver, Base, Seq) "
                               "SELECT Guid, ?, %2, %3, %3, ? FROM temp.RpPlan WHERE ToW=? AND %4 IS NOT NULL")
                    .arg(to, fromId, fromVer, fromId),
                {table, toWorking ? m_ownSeq : m_peerSeq, dir}));
    return changed;
}

// The first error is the one to report; one from letting the copy go is not.
void detachAfterFailure(Database &db)
{
    db.rollback();
    try {
        db.execute(Sql("DETACH DATABASE shared"));
    } catch (const EngineError &) {
    }
}

/// Calls progress every so many engine steps for as long as it lives.
class ProgressCalls {
public:
    ProgressCalls(Database &db, const std::function<void()> &progress) : m_db(db.handle())
    {
        if (progress)
            sqlite3_progress_handler(m_db, 50000, &call, const_cast<std::function<void()> *>(&progress));
    }
    ~ProgressCalls() { sqlite3_progress_handler(m_db, 0, nullptr, nullptr); }
    ProgressCalls(const ProgressCalls &) = delete;
    ProgressCalls &operator=(const ProgressCalls &) = delete;

private:
    static int call(void *progress)
    {
        (*static_cast<std::function<void()> *>(progress))();
        return 0;
    }
    sqlite3 *m_db;
};

} // namespace

QStringList ReplicatedTables()
{
    static const QStringList local = {QStringLiteral("TbSetings"), QStringLiteral("TbVersion"), QStringLiteral("TbLog")};
    QStringList out;
    for (const TableDef &t : Schema::tables())
        if (!local.contains(t.name))
            out << t.name;
    return out;
}

bool HasReplicaLayer(Database &db)
{
    return db.tableExists(RowTable);
}

void EnsureReplicaLayer(Database &db)
{
    Savepoint sp(db);
    installLayer(db, QStringLiteral("main"));
    sp.commit();
}

QString ReplicaId(Database &db)
{
    if (!HasReplicaLayer(db))
        return {};
    return scalar(db, Sql("SELECT ReplicaId FROM main.RpInfo")).toString();
}

SyncResult Synchronise(Database &working, const QString &sharedCopyPath, const QString &password,
                       const std::function<void()> &progress)
{
    const QString failed = tr("同步数据失败：");
    if (!QFileInfo(sharedCopyPath).isFile())
        throw EngineError(failed + tr("找不到共享数据文件“%1”。").arg(sharedCopyPath));
    if (working.inTransaction())
        throw EngineError(failed + tr("数据文件正在使用中，请稍后再试。"));
    working.ensureOpen();
    // The working file's own cache size comes back when the exchange ends.
    const qint64 cache = scalar(working, Sql("PRAGMA main.cache_size")).toLongLong();
    const Sql restoreCache(QStringLiteral("PRAGMA main.cache_size=%1").arg(cache));
    working.execute(Sql(QStringLiteral("PRAGMA main.cache_size=%1").arg(ExchangeCache)));
    SyncResult result;
    try {
        working.execute(Sql(QStringLiteral("ATTACH DATABASE ? AS shared KEY ?"), {sharedCopyPath, password}));
        // A wrong key shows only at the first read.
        scalar(working, Sql("SELECT count(*) FROM shared.sqlite_master"));
        Transaction tx(working);
        const ProgressCalls calls(working, progress);
        result = Exchange(working).run();
        tx.commit();
    } catch (const EngineError &e) {
        detachAfterFailure(working);
        working.execute(restoreCache);
        throw EngineError(failed + e.message(), e.code());
    } catch (...) {
        detachAfterFailure(working);
        working.execute(restoreCache);
        throw;
    }
    working.execute(Sql("DETACH DATABASE shared"));
    working.execute(restoreCache);
    return result;
}

} // namespace brel
