#pragma once

#include "datastore/DataSet.h"
#include "datastore/Engine.h"

#include <QObject>
#include <QStringList>
#include <functional>

namespace brel {

/// The data module: owns the one connection to the working data file, the
/// two shared work queries and the navigator data source.
class TDM : public QObject {
    Q_OBJECT
public:
    /// The fixed key of every data file.
    static inline const QString Password = QStringLiteral("381957");

    explicit TDM(QObject *parent = nullptr);
    ~TDM() override;

    Database *DbBase = nullptr;
    DataSet *Q1 = nullptr;
    DataSet *Q2 = nullptr;
    DataSource *dsNavigator = nullptr;

    void OpenSql(const Sql &sql);
    void OpenQuery(DataSet *query, const Sql &sql);
    void ExecSql(const Sql &sql);
    /// True when sql returns a row. Runs a statement of its own: Q1 and Q2
    /// stay as they are, so it may be called inside a loop over either.
    bool HasRows(const Sql &sql);
    /// The stored value of column (found without regard to case) in the first
    /// row as text, numbers in plain decimal form; empty text without a row.
    /// A statement of its own, like HasRows. An unknown column raises.
    QString GetValue(const Sql &sql, const QString &column);
    QString GetValueWith(DataSet *query, const Sql &sql, const QString &column);
    void FillPickList(QStringList &list, const Sql &sql);
    /// Largest Id of a program table; 0 on any failure.
    int GetMaxId(const QString &table);

    /// Makes path the working data file (connect, upgrade, login, then the
    /// steps after login). Returns false when the login was cancelled or refused.
    bool OpenWorkingFile(const QString &path, bool noPrevious);
    /// Why a compaction gave 0.
    struct CompactFailure {
        bool inUse = false; ///< another connection had the file open: refused, nothing done
        QString reason;     ///< for the user; empty when it succeeded
    };
    /// Rebuilds the working file without its free space; returns new size /
    /// old size rounded to four decimals, 0 when it failed (file untouched).
    /// It refuses while another connection (another program) has the file
    /// open, since the file is replaced under its name. progress gets a
    /// percentage estimated from the copy's size as it grows.
    double CompactWorkingFile(CompactFailure *failure = nullptr, const std::function<void(int percent)> &progress = {});
    static qint64 FileSizeOf(const QString &path);

    /// The steps of OpenWorkingFile that later parts of the program provide.
    /// Unset hooks are skipped (login then counts as successful).
    struct WorkingFileHooks {
        std::function<void()> upgrade;          ///< bring the file to the current build
        std::function<bool()> login;            ///< true when somebody logged in
        std::function<void()> afterLogin;       ///< purge log, load options and rights, apply, caption
        std::function<void()> restorePrevious;  ///< after taking the previous file back
    };
    WorkingFileHooks hooks;

    /// Puts the compacted copy `from` in place of `to` in one step (the old
    /// file stays complete until then); false on failure. Defaults to an
    /// atomic rename; replaceable so the failure path can be exercised.
    std::function<bool(const QString &from, const QString &to)> replaceFile;

signals:
    /// OpenWorkingFile made path the working file: it is connected and
    /// somebody has logged in to it. Emitted before the steps after login.
    void workingFileChanged(const QString &path);
};

/// The one data module of the running program (nullptr before it is made).
TDM *DM();

} // namespace brel
