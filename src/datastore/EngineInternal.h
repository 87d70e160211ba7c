#pragma once

// What the engine adapter's source files share; nothing outside them uses it.

#include <QString>

#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

namespace brel::engine {

/// How long a statement waits for another program's lock, in milliseconds.
constexpr int BusyTimeoutMs = 5000;
/// Page cache of a compaction's copy, in the engine's negative-KB form.
constexpr int CompactCacheKb = -131072;

QString tr(const char *text);
/// The connection's last error text, or the code's text without a connection.
QString engineText(sqlite3 *db, int rc);
/// The first value of a pragma's result; -1 when it gives none.
qint64 pragmaValue(sqlite3 *db, const char *pragma);

} // namespace brel::engine
