#include "components/DataSetExport.h"

namespace brel {

QString spreadsheetNumberFormat(const QString &pattern)
{
    if (pattern == QLatin1String("#0.00") || pattern == QLatin1String("%0.2f"))
        return QStringLiteral("0.00");
    if (pattern == QLatin1String("0.0000"))
        return QStringLiteral("0.0000");
    return {};
}

DataSetTableSource::DataSetTableSource(DataSet *dataSet, const GridColumns &columns, CellHook hook)
    : m_dataSet(dataSet), m_columns(columns), m_hook(std::move(hook))
{
}

DataSetTableSource::~DataSetTableSource() = default;

QStringList DataSetTableSource::captions() const
{
    QStringList out;
    for (const GridColumn &c : m_columns)
        out << c.caption;
    return out;
}

void DataSetTableSource::start()
{
    m_stmt.reset();
    m_row = 0;
    if (!m_dataSet || !m_dataSet->isActive())
        return;
    m_stmt = m_dataSet->database()->prepare(m_dataSet->sql());
    m_resultColumn.fill(-1, m_columns.size());
    m_types.fill(FieldType::Unknown, m_columns.size());
    for (int c = 0; c < m_columns.size(); ++c) {
        const QString &field = m_columns.at(c).field;
        for (int i = 0; i < m_stmt->columnCount(); ++i) {
            if (m_stmt->columnName(i).compare(field, Qt::CaseInsensitive) == 0) {
                m_resultColumn[c] = i;
                break;
            }
        }
        const int f = m_dataSet->fieldIndex(field);
        if (f >= 0)
            m_types[c] = m_dataSet->fieldInfo(f).type;
    }
}

bool DataSetTableSource::next(QVector<ExportCell> &row)
{
    if (!m_stmt || !m_stmt->step()) {
        m_stmt.reset();
        return false;
    }
    row.resize(m_columns.size());
    for (int c = 0; c < m_columns.size(); ++c) {
        ExportCell cell;
        const int col = m_resultColumn.at(c);
        if (col >= 0) {
            // The same conversion as the data set's rows, so a file shows what the grid shows.
            const QVariant value = fromStorage(m_stmt->value(col), m_types.at(c));
            cell.text = displayText(value, m_columns.at(c).format);
            const int type = value.userType();
            if (type == qMetaTypeId<Money>() || type == QMetaType::Int || type == QMetaType::LongLong
                || type == QMetaType::Double) {
                cell.isNumber = true;
                bool ok = false;
                // The number behind the shown text, so a rounded amount stays rounded.
                cell.number = cell.text.toDouble(&ok);
                if (!ok)
                    cell.isNumber = false;
                else if (type == qMetaTypeId<Money>())
                    cell.numberFormat = spreadsheetNumberFormat(m_columns.at(c).format.isEmpty()
                                                                    ? QStringLiteral("#0.00")
                                                                    : m_columns.at(c).format);
            }
        }
        if (m_hook) {
            const QString before = cell.text;
            m_hook(m_row, c, cell.text);
            if (cell.text != before)
                cell.isNumber = false;
        }
        row[c] = cell;
    }
    ++m_row;
    return true;
}

} // namespace brel
