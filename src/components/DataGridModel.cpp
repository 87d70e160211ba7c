#include "components/DataGridModel.h"

#include "base/Messages.h"

#include <QPointer>
#include <QTimer>

namespace brel {

DataGridModel::DataGridModel(QObject *parent) : QAbstractTableModel(parent) {}

void DataGridModel::setDataSet(DataSet *dataSet)
{
    if (dataSet == m_dataSet)
        return;
    for (const auto &c : m_links)
        disconnect(c);
    m_links.clear();
    m_dataSet = dataSet;
    m_lastState = dataSet ? dataSet->state() : DataSet::State::Inactive;
    if (dataSet) {
        m_links << connect(dataSet, &DataSet::afterOpen, this, &DataGridModel::reset)
                << connect(dataSet, &DataSet::afterClose, this, &DataGridModel::reset)
                << connect(dataSet, &DataSet::afterPost, this, &DataGridModel::sync)
                << connect(dataSet, &DataSet::afterDelete, this, &DataGridModel::sync)
                << connect(dataSet, &DataSet::afterCancel, this, &DataGridModel::sync)
                << connect(dataSet, &DataSet::stateChanged, this, &DataGridModel::onStateChanged)
                << connect(dataSet, &DataSet::dataChanged, this, &DataGridModel::onDataChanged)
                << connect(dataSet, &QObject::destroyed, this, &DataGridModel::reset);
    }
    reset();
}

void DataGridModel::setColumns(const GridColumns &columns)
{
    beginResetModel();
    m_columns = columns;
    resolveFields();
    invalidate();
    endResetModel();
}

int DataGridModel::columnOfField(const QString &field) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns.at(i).field.compare(field, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void DataGridModel::setCellHook(CellHook hook)
{
    m_hook = std::move(hook);
    invalidate();
    if (m_rowCount > 0 && !m_columns.isEmpty())
        emit dataChanged(index(0, 0), index(m_rowCount - 1, int(m_columns.size()) - 1));
}

int DataGridModel::currentCount() const
{
    if (!m_dataSet || !m_dataSet->isActive())
        return 0;
    // A row being inserted sits after the last one until it is posted.
    return m_dataSet->recordCount() + (m_dataSet->state() == DataSet::State::Insert ? 1 : 0);
}

void DataGridModel::resolveFields()
{
    m_fieldIndex.fill(-1, m_columns.size());
    m_rightAligned.fill(false, m_columns.size());
    if (!m_dataSet || !m_dataSet->isActive())
        return;
    for (int i = 0; i < m_columns.size(); ++i) {
        const int f = m_dataSet->fieldIndex(m_columns.at(i).field);
        m_fieldIndex[i] = f;
        if (f >= 0) {
            const FieldType t = m_dataSet->fieldInfo(f).type;
            m_rightAligned[i] = t == FieldType::Money || t == FieldType::Integer || t == FieldType::Float;
        }
    }
}

void DataGridModel::setDeferredCount(bool deferred, int probeRows)
{
    m_deferred = deferred;
    m_probeRows = std::max(1, probeRows);
}

void DataGridModel::reset()
{
    beginResetModel();
    invalidate();
    resolveFields();
    ++m_generation;
    m_countPending = false;
    if (m_deferred && m_dataSet && m_dataSet->isActive() && m_dataSet->state() != DataSet::State::Insert) {
        // How many rows exist, up to one screenful or so, without counting
        // them all: the data set reads the rows the view shows next anyway.
        int known = 0;
        try {
            known = m_dataSet->availableRows(m_probeRows);
        } catch (const EngineError &) {
            known = -1;
        }
        if (known >= 0 && known < m_probeRows) {
            m_rowCount = known;
        } else if (known >= 0) {
            m_rowCount = known;
            m_countPending = true;
            const quint64 generation = m_generation;
            QTimer::singleShot(0, this, [this, generation] {
                if (generation == m_generation)
                    finishCount();
            });
        } else {
            m_rowCount = countOr(0);
        }
    } else {
        m_rowCount = countOr(0);
    }
    endResetModel();
}

void DataGridModel::finishCount()
{
    if (!m_countPending)
        return;
    m_countPending = false;
    const int count = countOr(m_rowCount);
    if (count > m_rowCount) {
        beginInsertRows({}, m_rowCount, count - 1);
        m_rowCount = count;
        endInsertRows();
    } else if (count < m_rowCount) {
        reset();
    }
}

void DataGridModel::sync()
{
    invalidate();
    if (m_countPending) {
        // Scrolls and edits while the count is still to come need no count.
        if (m_dataSet && m_dataSet->state() == DataSet::State::Insert) {
            finishCount();
        } else {
            if (m_rowCount > 0 && !m_columns.isEmpty())
                emit dataChanged(index(0, 0), index(m_rowCount - 1, int(m_columns.size()) - 1));
            return;
        }
    }
    const int count = countOr(m_rowCount);
    if (count != m_rowCount) {
        reset();
        return;
    }
    if (m_rowCount > 0 && !m_columns.isEmpty())
        emit dataChanged(index(0, 0), index(m_rowCount - 1, int(m_columns.size()) - 1));
}

void DataGridModel::onStateChanged(DataSet::State state)
{
    // Only a row being inserted (or leaving that state) changes the rows;
    // opening is followed by afterOpen, which resets anyway.
    const bool wasInserting = m_lastState == DataSet::State::Insert;
    m_lastState = state;
    if (state == DataSet::State::Insert || wasInserting)
        sync();
}

void DataGridModel::onDataChanged(int field)
{
    if (field < 0 || !m_dataSet) {
        // Another record is current (a scroll) or the rows were read again.
        sync();
        return;
    }
    const int row = m_dataSet->recNo();
    if (row < 0 || row >= m_rowCount) {
        sync();
        return;
    }
    invalidate();
    for (int c = 0; c < m_columns.size(); ++c)
        if (m_fieldIndex.value(c) == field)
            emit dataChanged(index(row, c), index(row, c));
    // Hooks may derive a cell from another field of the row.
    if (m_hook && !m_columns.isEmpty())
        emit dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
}

QVariant DataGridModel::rawValue(int row, int column) const
{
    const int f = m_fieldIndex.value(column, -1);
    DataSet *ds = m_dataSet.data();
    if (f < 0 || !ds || !ds->isActive())
        return {};
    return ds->valueAt(row, f);
}

const DataGridModel::Cell &DataGridModel::cell(int row, int column) const
{
    if (row == m_cacheRow && column == m_cacheColumn)
        return m_cache;
    m_cacheRow = -1; // stays unset when reading the cell fails
    m_cache.text = displayText(rawValue(row, column), m_columns.at(column).format);
    m_cache.background = QColor();
    if (m_hook)
        m_hook(row, column, m_cache.background, m_cache.text);
    m_cacheRow = row;
    m_cacheColumn = column;
    return m_cache;
}

QString DataGridModel::cellText(int row, int column) const
{
    if (row < 0 || row >= m_rowCount || column < 0 || column >= m_columns.size())
        return {};
    return cell(row, column).text;
}

int DataGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int DataGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

void DataGridModel::invalidate()
{
    m_cacheRow = -1;
    m_failed = false;
}

void DataGridModel::reportEngineError(const EngineError &error) const
{
    if (m_failed)
        return;
    m_failed = true;
    Messages::errorLater(error.message());
}

int DataGridModel::countOr(int known) const
{
    try {
        return currentCount();
    } catch (const EngineError &e) {
        reportEngineError(e);
        return known;
    }
}

QVariant DataGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rowCount || index.column() >= m_columns.size() || m_failed)
        return {};
    try {
        return cellData(index, role);
    } catch (const EngineError &e) {
        reportEngineError(e);
        return {};
    }
}

QVariant DataGridModel::cellData(const QModelIndex &index, int role) const
{
    switch (role) {
    case Qt::DisplayRole:
        return cell(index.row(), index.column()).text;
    case Qt::BackgroundRole: {
        const QColor c = cell(index.row(), index.column()).background;
        return c.isValid() ? QVariant(c) : QVariant();
    }
    case Qt::EditRole:
        return editText(rawValue(index.row(), index.column()));
    case ValueRole:
        return rawValue(index.row(), index.column());
    case Qt::TextAlignmentRole:
        // Painting asks this of every cell: the field's type is looked up once per column.
        return QVariant(m_rightAligned.value(index.column()) ? Qt::AlignRight | Qt::AlignVCenter
                                                            : Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant DataGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= m_columns.size())
            return {};
        if (role == Qt::DisplayRole)
            return m_columns.at(section).caption;
        return {};
    }
    if (role == Qt::DisplayRole && section >= 0 && section < m_rowCount)
        return section + 1;
    return {};
}

Qt::ItemFlags DataGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const int field = m_fieldIndex.value(index.column(), -1);
    if (m_editable && field >= 0 && m_dataSet && m_dataSet->canModify() && !m_dataSet->fieldInfo(field).readOnly)
        f |= Qt::ItemIsEditable;
    return f;
}

bool DataGridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const int field = m_fieldIndex.value(index.column(), -1);
    const FieldInput typed =
        toFieldValue(value.toString(), m_dataSet->fieldInfo(field).type, m_columns.at(index.column()).caption);
    if (!typed.accepted()) {
        Messages::error(typed.error);
        return false;
    }
    try {
        if (m_dataSet->recNo() != index.row())
            m_dataSet->moveTo(index.row());
        m_dataSet->setValue(field, typed.value);
    } catch (const EngineError &e) {
        Messages::error(e.message());
        return false;
    }
    invalidate();
    emit dataChanged(index, index);
    return true;
}

} // namespace brel
