#pragma once

#include "components/GridColumn.h"
#include "datastore/DataSet.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QPointer>
#include <functional>

namespace brel {

/// The rows of a data set as a table, read lazily through DataSet::valueAt:
/// only the cells a view asks for are fetched, so a result of a million
/// rows shows at once. The row count is the data set's COUNT(*).
class DataGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    /// Raw value of a cell (for sorting and tests), beside Qt's roles.
    static constexpr int ValueRole = Qt::UserRole + 1;

    /// Called for every cell shown: may change its background and text.
    /// row is the result row (0-based), column the index into columns().
    using CellHook = std::function<void(int row, int column, QColor &background, QString &text)>;

    explicit DataGridModel(QObject *parent = nullptr);

    void setDataSet(DataSet *dataSet);
    DataSet *dataSet() const { return m_dataSet; }

    void setColumns(const GridColumns &columns);
    const GridColumns &columns() const { return m_columns; }
    /// Index of the column showing field, -1 when none.
    int columnOfField(const QString &field) const;

    void setCellHook(CellHook hook);
    const CellHook &cellHook() const { return m_hook; }
    /// Lets cells be typed into (written to the data set's current row).
    void setEditable(bool editable) { m_editable = editable; }
    bool isEditable() const { return m_editable; }

    /// With a deferred count a newly opened result shows at once with the
    /// rows known to exist (at most probeRows, read into the data set); the
    /// COUNT(*) runs when the event loop next turns, and the rows grow to it.
    void setDeferredCount(bool deferred, int probeRows = 200);
    bool isCountDeferred() const { return m_deferred; }
    /// Rows the probe of a deferred count reads (a view sets one screenful).
    void setProbeRows(int rows) { m_probeRows = std::max(1, rows); }
    /// True while the rows shown are not yet the whole result.
    bool isCountPending() const { return m_countPending; }
    /// Rows of the whole result (the data set's COUNT(*), plus a row being inserted).
    int totalRowCount() const { return currentCount(); }
    /// Runs a pending COUNT(*) now.
    void finishCount();

    /// The cell's text as shown (format and hook applied).
    QString cellText(int row, int column) const;
    /// Re-reads the row count and repaints (after changes made elsewhere).
    void sync();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

private:
    struct Cell {
        QString text;
        QColor background;
    };
    void reset();
    void resolveFields();
    void onDataChanged(int field);
    void onStateChanged(DataSet::State state);
    int currentCount() const;
    /// Qt asks the model while painting and laying out, where nothing may
    /// unwind: an engine error met there blanks the cells, is shown once
    /// after the event, and the model asks the engine no more until its rows
    /// change (sync, reset, new columns or hook).
    void reportEngineError(const EngineError &error) const;
    /// currentCount(), or known when the engine fails (reported).
    int countOr(int known) const;
    QVariant cellData(const QModelIndex &index, int role) const;
    void invalidate();
    const Cell &cell(int row, int column) const;
    QVariant rawValue(int row, int column) const;

    QPointer<DataSet> m_dataSet;
    QList<QMetaObject::Connection> m_links;
    GridColumns m_columns;
    QVector<int> m_fieldIndex;
    /// Per column, resolved with the fields: numbers align right.
    QVector<bool> m_rightAligned;
    CellHook m_hook;
    bool m_editable = false;
    int m_rowCount = 0;
    bool m_deferred = false;
    int m_probeRows = 200;
    bool m_countPending = false;
    DataSet::State m_lastState = DataSet::State::Inactive;
    quint64 m_generation = 0;
    mutable bool m_failed = false;
    mutable int m_cacheRow = -1;
    mutable int m_cacheColumn = -1;
    mutable Cell m_cache;
};

} // namespace brel
