#pragma once

#include "components/GridColumn.h"
#include "components/TableExport.h"
#include "datastore/DataSet.h"

#include <functional>
#include <memory>

namespace brel {

/// The rows of a data set's statement as a TableSource, in the columns
/// given (caption and format as a grid shows them). It runs the statement
/// again in its own pass, so every row is exported without filling the
/// data set's row cache.
class DataSetTableSource : public TableSource {
public:
    /// Lets the owner change a cell's text the way its grid draws it
    /// (row counted from 0 in the result's order, column index into columns).
    using CellHook = std::function<void(int row, int column, QString &text)>;

    DataSetTableSource(DataSet *dataSet, const GridColumns &columns, CellHook hook = {});
    ~DataSetTableSource() override;

    QStringList captions() const override;
    void start() override;
    bool next(QVector<ExportCell> &row) override;

private:
    DataSet *m_dataSet;
    GridColumns m_columns;
    CellHook m_hook;
    std::unique_ptr<Statement> m_stmt;
    QVector<int> m_resultColumn; ///< statement column per grid column, -1 none
    QVector<FieldType> m_types;
    int m_row = 0;
};

/// The spreadsheet format code that shows a number as the grid pattern does.
QString spreadsheetNumberFormat(const QString &pattern);

} // namespace brel
