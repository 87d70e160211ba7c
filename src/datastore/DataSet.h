#pragma once

#include "datastore/Engine.h"
#include "datastore/FieldValue.h"
#include "datastore/Money.h"
#include "datastore/Schema.h"

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QVariant>
#include <QVector>
#include <memory>

namespace brel {

/// An updatable result over one SELECT: a cursor over lazily fetched rows
/// whose edits are written at once to the base table by `ID`.
///
/// Values are typed: Integer → int (the ID → qint64), Money → brel::Money,
/// Date → QDate (or QDateTime when the stored text has a time), Bool → bool,
/// Text → QString; an empty value is a null QVariant. Computed columns carry
/// the engine's value (text, qint64 or double) and are read-only.
///
/// Rows are read in pages by short statements and kept in a bounded cache,
/// so a large result opens at once and no statement stays open between calls
/// (see RowPager); recordCount() is a separate COUNT(*). Rows this data set
/// posted keep their place until refresh() (like a dynaset), even when they no
/// longer match the statement; appended rows come last. A post never
/// overwrites a row another connection changed since it was read.
///
/// Signals, in order:
/// - open():    stateChanged(Browse), afterOpen, afterScroll, dataChanged(-1)
/// - close():   stateChanged(Inactive), afterClose
/// - scrolling (first, prior, next, last, moveTo, locate, gotoBookmark to
///   another row): [post when editing], beforeScroll(veto), afterScroll,
///   dataChanged(-1). An abandoned post or a veto stops the move.
/// - append():  stateChanged(Insert), newRecord, dataChanged(-1)
/// - edit():    stateChanged(Edit)
/// - setValue(): [edit() when browsing] dataChanged(field)
/// - post():    aboutToPost(veto), beforePost(veto) — either may abandon —,
///              the row is written, rowWritten [only when something was written],
///              stateChanged(Browse), afterPost, dataChanged(-1)
/// - cancel():  stateChanged(Browse), afterCancel, dataChanged(-1)
/// - remove():  beforeScroll(veto), aboutToDelete, the row is deleted, [stateChanged(Browse) when editing],
///              afterDelete, afterScroll, dataChanged(-1)
/// - refresh(): [post when editing], beforeScroll(veto), afterScroll, dataChanged(-1)
class DataSet : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    Q_ENUM(State)

    /// Handlers of beforePost set `abandon` to keep the record as typed and
    /// stop the post (an input check that failed).
    struct PostVeto { bool abandon = false; };

    using Bookmark = qint64; ///< the row's ID; 0 = none

    explicit DataSet(Database *db, QObject *parent = nullptr);
    ~DataSet() override;

    Database *database() const { return m_db; }
    void setSql(const Sql &sql);
    const Sql &sql() const { return m_sql; }
    /// The table rows are written to; found from the FROM clause when not set.
    void setBaseTable(const QString &table);
    QString baseTable() const;

    /// Makes this a detail of master: its `:Id` is the master's current `Id`,
    /// and it runs again whenever the master's current row changes.
    void setMaster(DataSet *master);
    DataSet *master() const { return m_master; }

    void open();
    void close();
    /// Re-reads the result and stays on the same row (by ID) when it still
    /// exists. Posts a pending edit first; false when that post was abandoned.
    bool refresh();
    bool isActive() const { return m_state != State::Inactive; }
    State state() const { return m_state; }
    bool isEditing() const { return m_state == State::Edit || m_state == State::Insert; }
    /// True when rows can be written back: a base table with an ID in the result.
    bool canModify() const;
    /// A read-only data set is never written, whatever its statement: the
    /// record buttons only move through it and refresh it.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }

    // Cursor. Every move posts a pending edit first (and lets details post
    // theirs); when a post is abandoned the move does not happen and the
    // call returns false, the edit still pending on the same row.
    bool first();
    bool prior();
    bool next();
    bool last();
    bool bof() const { return m_bof; }
    bool eof() const { return m_eof; }
    bool isEmpty() const;
    /// All rows of the result (a separate COUNT(*), cached until refresh).
    int recordCount() const;
    /// 0-based position of the current row; -1 when empty or inactive.
    int recNo() const { return m_row; }
    bool moveTo(int row);
    /// Moves to the row whose ID is id; false (and no move) when absent or
    /// when a pending edit could not be posted.
    bool locate(qint64 id);
    /// Moves to the first row whose field equals value; false when absent.
    bool locate(const QString &field, const QVariant &value);
    Bookmark bookmark() const;
    bool gotoBookmark(Bookmark mark);

    // Fields.
    int fieldCount() const;
    int fieldIndex(const QString &name) const; ///< case-insensitive; -1 when absent
    const FieldInfo &fieldInfo(int index) const;
    const QVector<FieldInfo> &fields() const { return m_fields; }

    QVariant value(const QString &field) const;
    QVariant value(int field) const;
    /// Money as plain decimal text (Money::toString), dates yyyy-MM-dd (with
    /// " HH:mm:ss" when there is a time), bools "True"/"False", null as "".
    QString asText(const QString &field) const;
    int asInt(const QString &field) const;
    qint64 asInt64(const QString &field) const;
    Money asMoney(const QString &field) const;
    QDate asDate(const QString &field) const;
    QDateTime asDateTime(const QString &field) const;
    bool asBool(const QString &field) const;
    bool isNull(const QString &field) const;
    qint64 currentId() const; ///< 0 when none

    /// Writes a field of the current row while editing. Outside edit or insert
    /// state it first calls edit() (auto-edit). Read-only fields raise.
    void setValue(const QString &field, const QVariant &value);
    void setValue(int field, const QVariant &value);
    void clearValue(const QString &field) { setValue(field, QVariant()); }

    /// Value of any fetched or fetchable row, for grids (does not move).
    QVariant valueAt(int row, int field) const;
    /// Rows read from the engine so far (to check lazy fetching).
    int fetchedRowCount() const;
    /// How many rows exist, counting no further than upTo: the first upTo
    /// rows are read into the cache (a grid shows them next) instead of
    /// counting the whole result.
    int availableRows(int upTo) const;

    // Editing, each written at once.
    bool append();
    void edit();
    /// Writes the pending edit. False when a handler of aboutToPost or
    /// beforePost abandoned it (values and state stay). Raises EngineError
    /// when the engine refuses the write or another connection changed or
    /// deleted the row since it was read (values and state stay as well).
    bool post();
    void cancel();
    void remove();

    /// Page size of lazy fetching (default 256 rows).
    void setPageSize(int rows);
    int pageSize() const;
    /// Most pages kept in the row cache (default 16); older pages are dropped.
    void setCacheLimit(int pages);
    /// Rows read per trip to the engine (default 50; a grid sets its screenful).
    void setReadAhead(int rows);
    int readAhead() const;

signals:
    void newRecord();                  ///< after append: set defaults here
    /// First step of post(), before beforePost: data-aware boxes write any
    /// pending text into their fields (DataSource::updateData).
    void aboutToPost(DataSet::PostVeto *veto);
    void beforePost(DataSet::PostVeto *veto);
    /// Inside the post's transaction, right after the row was written (id is
    /// the new ID of an inserted row): handlers write the rows that belong
    /// with it. An error raised here undoes the row too; the post then raises
    /// it, the values and the state staying as they were.
    void rowWritten(qint64 id, bool inserted);
    void afterPost();
    /// Inside the delete's transaction, before row id goes: handlers delete
    /// the rows that depend on it. An error raised here, or by the delete,
    /// leaves both in place.
    void aboutToDelete(qint64 id);
    void afterCancel();
    void afterDelete();
    void stateChanged(DataSet::State state);
    /// field = -1: another record (scroll, refresh, open); otherwise that field changed.
    void dataChanged(int field);
    void afterScroll();
    /// Before the current row changes (after this data set posted its own
    /// edit): details post theirs here and may abandon the move.
    void beforeScroll(DataSet::PostVeto *veto);
    void afterOpen();
    void afterClose();

private:
    class Private;
    std::unique_ptr<Private> d;
    Database *m_db;
    Sql m_sql;
    QString m_baseTable;
    QPointer<DataSet> m_master;
    QVector<FieldInfo> m_fields;
    State m_state = State::Inactive;
    int m_row = -1;
    bool m_bof = true;
    bool m_eof = true;
    bool m_readOnly = false;
};

/// Links a data set to data-aware boxes, grids and the record navigator.
/// The data set may change at any time; listeners follow it.
class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(QObject *parent = nullptr);
    void setDataSet(DataSet *dataSet);
    DataSet *dataSet() const { return m_dataSet; }

signals:
    void dataSetChanged(DataSet *dataSet);
    void stateChanged(DataSet::State state);
    void dataChanged(int field);
    /// Before a post: boxes write any pending text into their fields here.
    void updateData(DataSet::PostVeto *veto);

private:
    QPointer<DataSet> m_dataSet;
    QList<QMetaObject::Connection> m_links;
};

/// The record navigator without a face: enabling rules and actions of the
/// ten record buttons, bound to a DataSource.
class DataNavigator : public QObject {
    Q_OBJECT
public:
    /// Button numbers as used by other windows.
    enum Button { First = 0, Prior = 1, Next = 2, Last = 3, Insert = 4, Delete = 5, Edit = 6, Post = 7,
                  Cancel = 8, Refresh = 9 };
    Q_ENUM(Button)
    static constexpr int ButtonCount = 10;

    explicit DataNavigator(QObject *parent = nullptr);
    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return m_source; }

    bool isEnabled(Button button) const;
    /// Presses a button: does nothing without an open data set or when the
    /// button is disabled. Delete asks "确定要删除记录吗？" first.
    void press(Button button);

signals:
    /// After the states may have changed (data change, state change, new data set).
    void statesChanged();
    /// Before a press acts (the main window sets PassId and may switch windows here).
    void aboutToPress(DataNavigator::Button button);

private:
    QPointer<DataSource> m_source;
};

} // namespace brel

Q_DECLARE_METATYPE(brel::DataSet::State)
