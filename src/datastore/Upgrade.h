#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace brel {

class Database;

/// What the upgrade tells whoever shows it; the data store shows nothing itself.
struct UpgradeProgress {
    /// A step begins (the first call is the moment to show a window).
    std::function<void(const QString &fromBuild, const QString &toBuild)> stepStarted;
    /// Between statements of a step: a chance to repaint.
    std::function<void()> working;
    /// The upgrade ended, whether it reached the current build or failed.
    std::function<void()> finished;
};

/// The builds a data file may have, oldest first; the last is the current one.
QStringList KnownBuilds();

/// Brings the working file (the data module's connection) to the current
/// build: ReadDbVersion, then UpgradeFrom. A file of the current build
/// reports nothing and only gains the schema's indexes it lacks (as every
/// upgraded file does). A build this program does not know
/// (a newer program's file, or no version row) is refused with EngineError.
void UpgradeDb(const UpgradeProgress &progress = {});

/// BBH of the first row of TbVersion; empty text when there is none.
QString ReadDbVersion();
/// The same of another open data file.
QString ReadDbVersion(Database &file);

/// Runs every step from build on. Each step is all or nothing: an engine
/// error rolls the failing step back, leaves the file at the build before
/// it (earlier steps stay done) and passes on as EngineError.
void UpgradeFrom(const QString &build, const UpgradeProgress &progress = {});

/// Gives column a new declared type (type, e.g. "MONEY" or "TEXT(20)") and
/// the name newColumn, keeping its place in the table, every row's value
/// (converted: numbers for MONEY and INTEGER, text for TEXT), every index,
/// trigger and the ID sequence. A value that cannot be converted raises
/// EngineError naming the table, the column and the row. Runs inside a
/// savepoint, so it is all or nothing inside a caller's transaction too.
void ChangeColumnType(const QString &table, const QString &column, const QString &newColumn, const QString &type);

/// Removes columns from a table the same way (columns the table does not
/// have are ignored).
void DropColumns(const QString &table, const QStringList &columns);

} // namespace brel
