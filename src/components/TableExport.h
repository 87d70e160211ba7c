#pragma once

#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QVector>

namespace brel {

/// The four file types a grid can be exported to, in the order of
/// exportFilters().
enum class ExportFormat { Excel = 0, Text = 1, Html = 2, Xml = 3 };

/// One cell as exported: the text as shown, and for numeric cells the
/// number behind it so a workbook keeps it a number.
struct ExportCell {
    QString text;
    bool isNumber = false;
    double number = 0;
    QString numberFormat; ///< spreadsheet format code ("0.00"); empty = general
};

/// What an exporter reads: column captions and a forward pass over the rows.
class TableSource {
public:
    virtual ~TableSource() = default;
    virtual QStringList captions() const = 0;
    /// Starts (or restarts) the pass at the first row.
    virtual void start() = 0;
    /// Fills the next row (one cell per caption); false after the last row.
    virtual bool next(QVector<ExportCell> &row) = 0;
};

/// A table held in memory (tests, small lists).
class ListTableSource : public TableSource {
public:
    ListTableSource(const QStringList &captions, const QVector<QStringList> &rows)
        : m_captions(captions), m_rows(rows) {}
    QStringList captions() const override { return m_captions; }
    void start() override { m_pos = 0; }
    bool next(QVector<ExportCell> &row) override;

private:
    QStringList m_captions;
    QVector<QStringList> m_rows;
    int m_pos = 0;
};

/// File-type texts for a save dialog, indexed by ExportFormat:
/// "Excel 文件 (*.xlsx)", "文本文件 (*.txt)", "HTML文件 (*.htm)", "XML文件 (*.xml)".
QStringList exportFilters();
QString exportSuffix(ExportFormat format); ///< "xlsx", "txt", "htm", "xml"

/// Writes the whole table to device in the given format. The title names
/// the table in HTML and XML. Returns false with a Chinese message on failure.
bool writeTable(ExportFormat format, TableSource &source, QIODevice &device, const QString &title = {},
                QString *error = nullptr);
/// writeTable into a file, replacing it only when the export succeeded.
bool exportToFile(ExportFormat format, TableSource &source, const QString &path, const QString &title = {},
                  QString *error = nullptr);

/// One field of comma-separated text, quoted when it holds a comma, a
/// quote or a line break.
QString csvField(const QString &text);

} // namespace brel
