#pragma once

#include <QDate>
#include <QString>

namespace brel {

class Database;

/// Writes one entry to the operation log TbLog of the working file: the
/// program's clock as the time, CurrentUser.YHXM as the operator. An
/// activity, operator or details longer than its column is cut to the
/// column's size (counted in characters), so a long text never fails the
/// user's action. Written whatever SysOptions.CZRZ says: the rent-out, sell,
/// void and cancel commands always leave their entry. Engine errors pass on.
void WriteLog(const QString &action, const QString &details);
/// The same entry written to the given open file (a synchronisation writes
/// to the working file before the data module holds it again).
void WriteLog(Database &db, const QString &action, const QString &details);

/// The add, change and delete entries of the management windows: written by
/// WriteLog only while SysOptions.CZRZ (keep the operation log) is on.
/// Returns whether an entry was written.
bool WriteRecordLog(const QString &action, const QString &details);

/// The details of an entry about an existing record: "收件号：" + receipt number.
QString ReceiptLogDetails(const QString &receiptNo);

/// Drops old days from the log when it spans more than 15 distinct days:
/// every row stamped at or before 00:00:00 of the day 16 days before today
/// goes, even if fewer than 15 days remain. Run after each login to a newly
/// opened working file. Engine errors pass on.
void PurgeLog(const QDate &today = QDate::currentDate());

/// Midnight at the start of day as an entry's stamp reads: "yyyy-MM-dd
/// 00:00:00". Bound as the upper end of a range of stamps, it takes in the
/// stamps of that midnight and bare dates of that day, and nothing later.
QString LogMidnight(const QDate &day);

/// Days the log keeps before PurgeLog removes anything.
inline constexpr int LogKeptDays = 15;

} // namespace brel
