#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>

namespace brel {

// The rules of the data files an office keeps in the program's Data folder:
// a new file from the blank template, the backup of the working file and
// the restore of a backup. The windows ask and tell; these decide and copy.

/// AppDir + "/Data", where data files live by default.
QString DataFolder();
/// The blank template every new data file is copied from.
QString BlankTemplate();

/// The file types of the open and save dialogs for data files.
QStringList DataFileFilters();

/// Progress of a long copy: percent done, 0 to 100.
using CopyProgress = std::function<void(int percent)>;

/// What a name typed for a new data file is worth.
enum class NewFileName {
    Usable,   ///< target holds the file to create
    Invalid,  ///< empty or holding a space
    Taken     ///< a data file of that name exists
};
/// Checks name and sets target to DataFolder()/name.mdb.
NewFileName CheckNewDataFileName(const QString &name, QString *target);
/// Copies the blank template to target, never over an existing file.
/// False with the reason (for the user) when the copy failed; nothing is
/// left behind then.
bool CreateDataFile(const QString &target, QString *reason);

/// Writes a consistent, encrypted copy of the open working file to target,
/// replacing a file of that name only once the copy is complete. False with
/// the reason when it failed (target then stays as it was).
bool BackupWorkingFile(const QString &target, QString *reason, const CopyProgress &progress = {});

/// Whether a chosen file may be restored into the working file's folder.
enum class RestoreCheck {
    Usable,        ///< target is free
    Overwrites,    ///< target exists and is not the working file: ask first
    WorkingFile,   ///< target is the working file itself: refused
    NotDataFile    ///< the file does not open with the data password, or is of an unknown build: refused
};
/// Checks source (opening it with the data password and reading its build)
/// and sets target to the working file's folder + source's name. For a
/// refusal, reason says why.
RestoreCheck CheckRestoreSource(const QString &source, QString *target, QString *reason);
/// Copies source to target consistently, replacing a file of that name
/// only once the copy is complete. False with the reason when it failed.
bool RestoreDataFile(const QString &source, const QString &target, QString *reason,
                     const CopyProgress &progress = {});

/// newSize / oldSize rounded to four decimals (halves to even); 0 without an old size.
double CompactRatio(qint64 oldSize, qint64 newSize);
/// ratio × 100 with two decimals, as the compaction reports it: 0.6543 → "65.43".
QString CompactRatioText(double ratio);

} // namespace brel
