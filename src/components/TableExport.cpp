#include "components/TableExport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QXmlStreamWriter>

#include <xlsxwriter.h>

namespace brel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("brel::TableExport", text);
}

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

bool writeUtf8(QIODevice &device, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    return device.write(bytes) == bytes.size();
}

// Characters XML 1.0 cannot carry at all; a stray control character in a
// remark must not make the whole file unreadable.
QString xmlSafe(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const ushort u = c.unicode();
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r')
            continue;
        if (u == 0xFFFE || u == 0xFFFF)
            continue;
        out += c;
    }
    return out;
}

QString htmlEscape(const QString &text)
{
    QString out = text.toHtmlEscaped();
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    out.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    return out;
}

bool writeText(TableSource &source, QIODevice &device, QString *error)
{
    // A byte order mark lets spreadsheet programs and editors see UTF-8.
    QString chunk = QStringLiteral("\uFEFF");
    QStringList fields;
    for (const QString &c : source.captions())
        fields << csvField(c);
    chunk += fields.join(QLatin1Char(',')) + QLatin1String("\r\n");
    QVector<ExportCell> row;
    source.start();
    while (source.next(row)) {
        fields.clear();
        for (const ExportCell &cell : row)
            fields << csvField(cell.text);
        chunk += fields.join(QLatin1Char(',')) + QLatin1String("\r\n");
        if (chunk.size() > 1 << 16) {
            if (!writeUtf8(device, chunk))
                return fail(error, device.errorString());
            chunk.clear();
        }
    }
    if (!writeUtf8(device, chunk))
        return fail(error, device.errorString());
    return true;
}

bool writeHtml(TableSource &source, QIODevice &device, const QString &title, QString *error)
{
    QString chunk = QStringLiteral("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>%1</title>\n"
                                   "</head>\n<body>\n<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\">\n")
                        .arg(htmlEscape(title));
    chunk += QLatin1String("<tr>");
    for (const QString &c : source.captions())
        chunk += QLatin1String("<th>") + htmlEscape(c) + QLatin1String("</th>");
    chunk += QLatin1String("</tr>\n");
    QVector<ExportCell> row;
    source.start();
    while (source.next(row)) {
        chunk += QLatin1String("<tr>");
        for (const ExportCell &cell : row) {
            chunk += cell.isNumber ? QLatin1String("<td align=\"right\">") : QLatin1String("<td>");
            chunk += htmlEscape(cell.text) + QLatin1String("</td>");
        }
        chunk += QLatin1String("</tr>\n");
        if (chunk.size() > 1 << 16) {
            if (!writeUtf8(device, chunk))
                return fail(error, device.errorString());
            chunk.clear();
        }
    }
    chunk += QLatin1String("</table>\n</body>\n</html>\n");
    if (!writeUtf8(device, chunk))
        return fail(error, device.errorString());
    return true;
}

bool writeXml(TableSource &source, QIODevice &device, const QString &title, QString *error)
{
    QXmlStreamWriter xml(&device);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("table"));
    if (!title.isEmpty())
        xml.writeAttribute(QStringLiteral("title"), xmlSafe(title));
    const QStringList captions = source.captions();
    xml.writeStartElement(QStringLiteral("columns"));
    for (const QString &c : captions)
        xml.writeTextElement(QStringLiteral("column"), xmlSafe(c));
    xml.writeEndElement();
    QVector<ExportCell> row;
    source.start();
    while (source.next(row)) {
        xml.writeStartElement(QStringLiteral("row"));
        for (int i = 0; i < row.size(); ++i) {
            xml.writeStartElement(QStringLiteral("field"));
            xml.writeAttribute(QStringLiteral("name"), xmlSafe(captions.value(i)));
            xml.writeCharacters(xmlSafe(row.at(i).text));
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    if (xml.hasError())
        return fail(error, tr("写入 XML 文件失败：%1").arg(device.errorString()));
    return true;
}

// The cell limit of a workbook; longer texts are cut rather than refused.
constexpr int XlsxMaxText = 32767;

bool writeXlsx(TableSource &source, QIODevice &device, QString *error)
{
    // The library writes only to a path: build the workbook in a private
    // folder and copy it into the device.
    QTemporaryDir dir;
    if (!dir.isValid())
        return fail(error, tr("无法创建临时文件夹：%1").arg(dir.errorString()));
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("export.xlsx")));
    const QByteArray tmp = QFile::encodeName(dir.path());
    // Constant-memory mode writes each row to a file in the private folder
    // once the next begins, strings inline, so a workbook of any size holds
    // one row in memory. It needs rows in order: the source gives them so.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = const_cast<char *>(tmp.constData());
    lxw_workbook *book = workbook_new_opt(path.constData(), &options);
    if (!book)
        return fail(error, tr("无法创建 Excel 文件。"));
    lxw_worksheet *sheet = workbook_add_worksheet(book, "Sheet1");
    lxw_format *bold = workbook_add_format(book);
    format_set_bold(bold);
    QHash<QString, lxw_format *> numberFormats;

    auto writeString = [&](lxw_row_t r, lxw_col_t c, const QString &text, lxw_format *fmt) {
        if (text.isEmpty())
            return LXW_NO_ERROR;
        const QByteArray utf8 = text.left(XlsxMaxText).toUtf8();
        return worksheet_write_string(sheet, r, c, utf8.constData(), fmt);
    };

    lxw_error rc = LXW_NO_ERROR;
    const QStringList captions = source.captions();
    for (int c = 0; c < captions.size() && rc == LXW_NO_ERROR; ++c) {
        rc = writeString(0, lxw_col_t(c), captions.at(c), bold);
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), qBound(8, int(captions.at(c).size()) * 2 + 2, 40),
                             nullptr);
    }
    QVector<ExportCell> row;
    lxw_row_t r = 1;
    source.start();
    while (rc == LXW_NO_ERROR && source.next(row)) {
        if (r >= LXW_ROW_MAX) {
            workbook_close(book);
            return fail(error, tr("数据行数超过了 Excel 工作表的上限（%1 行）。").arg(LXW_ROW_MAX - 1));
        }
        for (int c = 0; c < row.size() && rc == LXW_NO_ERROR; ++c) {
            const ExportCell &cell = row.at(c);
            if (cell.isNumber) {
                lxw_format *fmt = nullptr;
                if (!cell.numberFormat.isEmpty()) {
                    fmt = numberFormats.value(cell.numberFormat);
                    if (!fmt) {
                        fmt = workbook_add_format(book);
                        format_set_num_format(fmt, cell.numberFormat.toUtf8().constData());
                        numberFormats.insert(cell.numberFormat, fmt);
                    }
                }
                rc = worksheet_write_number(sheet, r, lxw_col_t(c), cell.number, fmt);
            } else {
                rc = writeString(r, lxw_col_t(c), cell.text, nullptr);
            }
        }
        ++r;
    }
    const lxw_error closeRc = workbook_close(book);
    if (rc == LXW_NO_ERROR)
        rc = closeRc;
    if (rc != LXW_NO_ERROR)
        return fail(error, tr("写入 Excel 文件失败：%1").arg(QString::fromUtf8(lxw_strerror(rc))));

    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, file.errorString());
    while (!file.atEnd()) {
        const QByteArray block = file.read(1 << 16);
        if (device.write(block) != block.size())
            return fail(error, device.errorString());
    }
    return true;
}

} // namespace

bool ListTableSource::next(QVector<ExportCell> &row)
{
    if (m_pos >= m_rows.size())
        return false;
    const QStringList &values = m_rows.at(m_pos++);
    row.resize(m_captions.size());
    for (int i = 0; i < row.size(); ++i) {
        row[i] = ExportCell();
        row[i].text = values.value(i);
    }
    return true;
}

QStringList exportFilters()
{
    return {tr("Excel 文件 (*.xlsx)"), tr("文本文件 (*.txt)"), tr("HTML文件 (*.htm)"), tr("XML文件 (*.xml)")};
}

QString exportSuffix(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Excel: return QStringLiteral("xlsx");
    case ExportFormat::Text: return QStringLiteral("txt");
    case ExportFormat::Html: return QStringLiteral("htm");
    case ExportFormat::Xml: return QStringLiteral("xml");
    }
    return {};
}

QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool writeTable(ExportFormat format, TableSource &source, QIODevice &device, const QString &title, QString *error)
{
    if (!device.isWritable())
        return fail(error, tr("导出目标不可写。"));
    switch (format) {
    case ExportFormat::Excel: return writeXlsx(source, device, error);
    case ExportFormat::Text: return writeText(source, device, error);
    case ExportFormat::Html: return writeHtml(source, device, title, error);
    case ExportFormat::Xml: return writeXml(source, device, title, error);
    }
    return false;
}

bool exportToFile(ExportFormat format, TableSource &source, const QString &path, const QString &title,
                  QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, tr("无法写入文件“%1”：%2").arg(QDir::toNativeSeparators(path), file.errorString()));
    if (!writeTable(format, source, file, title, error)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return fail(error, tr("无法写入文件“%1”：%2").arg(QDir::toNativeSeparators(path), file.errorString()));
    return true;
}

} // namespace brel
