#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace brel {

class Database;

/// What one exchange did, counted in rows.
struct SyncResult {
    int toWorking = 0;   ///< rows added, changed or deleted in the working file
    int toShared = 0;    ///< rows added, changed or deleted in the shared copy
    int conflicts = 0;   ///< rows both sides changed; the loser went to the log
    int renumbered = 0;  ///< local rows given a new ID because the copy used theirs
    /// The shared copy was written to (rows, or what the files know of each
    /// other); when not, the copy is the same as before the exchange.
    bool sharedChanged = false;
    bool changedNothing() const { return toWorking == 0 && toShared == 0 && renumbered == 0; }
};

/// The tables every branch shares: registers, users and their rights,
/// branches, company, fees and lookups. The settings row (this branch's own
/// options and passport), the version row (this file's build) and the
/// operation log (this branch's own history) stay local.
QStringList ReplicatedTables();

/// Installs the replica layer on an open data file unless it has it: a
/// replica id for the file, an identity and a version for every row of the
/// replicated tables and a tombstone for every deleted one, kept up to date
/// by triggers. Rows present before the layer get an identity made from
/// their key (and, for registers, users and lookups, their receipt number,
/// login name or text), so copies of one file recognise each other's rows.
void EnsureReplicaLayer(Database &db);
bool HasReplicaLayer(Database &db);
/// The file's replica id; empty without the layer.
QString ReplicaId(Database &db);

/// Exchanges changes both ways between the open working file and the shared
/// copy (a data file keyed with the same password), in one transaction on
/// each file: afterwards both hold the same rows of the replicated tables.
/// The later edit of a row changed on both sides wins; the values that lost
/// are written to the working file's operation log. A local row whose ID the
/// copy already uses for another row gets a new ID, and the rights of a
/// renumbered user follow it. On any error nothing changes in either file
/// and an EngineError with a Chinese message is raised. progress, when
/// given, is called every so often while the exchange runs (a window
/// repaints in it; it must not use the working file).
SyncResult Synchronise(Database &working, const QString &sharedCopyPath, const QString &password,
                       const std::function<void()> &progress = {});

} // namespace brel
