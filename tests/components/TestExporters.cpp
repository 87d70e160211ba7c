#include "components/TableExport.h"
#include "components/GoldenFile.h"

#include <QBuffer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <zip.h>

using namespace brel;

namespace {

// The rows every format is checked with: the characters that break naive
// writers, Chinese text, an empty value and a number.
class FixtureSource : public TableSource {
public:
    explicit FixtureSource(bool empty = false) : m_empty(empty) {}
    QStringList captions() const override
    {
        return {QStringLiteral("收件号"), QStringLiteral("房屋地址"), QStringLiteral("租金(元)"), QStringLiteral("备注")};
    }
    void start() override { m_pos = 0; }
    bool next(QVector<ExportCell> &row) override
    {
        static const QVector<QStringList> rows = {
            {QStringLiteral("00000001"), QStringLiteral("城东区人民路12号, 3单元"), QStringLiteral("1200.00"),
             QStringLiteral("他说\"好\"")},
            {QStringLiteral("00000002"), QStringLiteral("a<b & c>d"), QStringLiteral("850.50"),
             QStringLiteral("第一行\n第二行")},
            {QStringLiteral("00000003"), QString(), QString(), QStringLiteral("'单引号' 100% _下划线_")},
        };
        if (m_empty || m_pos >= rows.size())
            return false;
        const QStringList &r = rows.at(m_pos++);
        row.resize(4);
        for (int i = 0; i < 4; ++i) {
            row[i] = ExportCell();
            row[i].text = r.at(i);
        }
        if (!r.at(2).isEmpty()) {
            row[2].isNumber = true;
            row[2].number = r.at(2).toDouble();
            row[2].numberFormat = QStringLiteral("0.00");
        }
        return true;
    }

private:
    bool m_empty;
    int m_pos = 0;
};

QByteArray exportBytes(ExportFormat format, TableSource &source)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString error;
    if (!writeTable(format, source, buffer, QStringLiteral("出租单查询"), &error))
        qWarning("export failed: %s", qPrintable(error));
    return buffer.data();
}

QByteArray zipEntry(const QByteArray &archive, const char *name)
{
    zip_error_t err;
    zip_error_init(&err);
    zip_source_t *src = zip_source_buffer_create(archive.constData(), zip_uint64_t(archive.size()), 0, &err);
    zip_t *zip = src ? zip_open_from_source(src, ZIP_RDONLY, &err) : nullptr;
    QByteArray out;
    if (zip) {
        zip_stat_t st;
        if (zip_stat(zip, name, 0, &st) == 0) {
            zip_file_t *f = zip_fopen(zip, name, 0);
            out.resize(qsizetype(st.size));
            if (f) {
                zip_fread(f, out.data(), st.size);
                zip_fclose(f);
            }
        }
        zip_close(zip);
    } else if (src) {
        zip_source_free(src);
    }
    zip_error_fini(&err);
    return out;
}

// The cells of a worksheet as a spreadsheet reads them: each string
// (inline or shared) or number, placed by its reference; absent cells empty.
QVector<QStringList> sheetCells(const QByteArray &sheet)
{
    QVector<QStringList> rows;
    QXmlStreamReader xml(sheet);
    int row = -1;
    int column = -1;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("c")) {
            const QString ref = xml.attributes().value(QLatin1String("r")).toString();
            column = 0;
            int i = 0;
            for (; i < ref.size() && ref.at(i).isLetter(); ++i)
                column = column * 26 + (ref.at(i).unicode() - 'A' + 1);
            --column;
            row = ref.mid(i).toInt() - 1;
            while (rows.size() <= row)
                rows.append(QStringList());
            while (rows[row].size() <= column)
                rows[row].append(QString());
        } else if (row >= 0 && (xml.name() == QLatin1String("t") || xml.name() == QLatin1String("v"))) {
            rows[row][column] += xml.readElementText();
        }
    }
    if (xml.hasError())
        qWarning("sheet: %s", qPrintable(xml.errorString()));
    for (QStringList &r : rows)
        while (r.size() < 4)
            r.append(QString());
    return rows;
}

} // namespace

class TestExporters : public QObject {
    Q_OBJECT
private slots:
    void csvQuoting_data();
    void csvQuoting();
    void goldenFiles_data();
    void goldenFiles();
    void xlsxWorkbook();
    void xmlReadsBack();
    void emptyResult_data();
    void emptyResult();
    void unwritableFileReportsFailure();
    void libreOfficeReadsWorkbook();
};

void TestExporters::csvQuoting_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("field");
    QTest::newRow("plain") << "城东" << "城东";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("comma") << "a,b" << "\"a,b\"";
    QTest::newRow("quote") << "他说\"好\"" << "\"他说\"\"好\"\"\"";
    QTest::newRow("newline") << "一\n二" << "\"一\n二\"";
    QTest::newRow("carriage return") << "一\r二" << "\"一\r二\"";
    QTest::newRow("apostrophe and percent") << "'100%'" << "'100%'";
}

void TestExporters::csvQuoting()
{
    QFETCH(QString, value);
    QFETCH(QString, field);
    QCOMPARE(csvField(value), field);
}

void TestExporters::goldenFiles_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("golden");
    QTest::newRow("text") << int(ExportFormat::Text) << "export.txt";
    QTest::newRow("html") << int(ExportFormat::Html) << "export.htm";
    QTest::newRow("xml") << int(ExportFormat::Xml) << "export.xml";
}

void TestExporters::goldenFiles()
{
    QFETCH(int, format);
    QFETCH(QString, golden);
    FixtureSource source;
    const QString diff = test::compareWithGolden(golden, exportBytes(ExportFormat(format), source));
    if (!diff.isEmpty())
        QFAIL(qPrintable(diff));
}

void TestExporters::xlsxWorkbook()
{
    FixtureSource source;
    const QByteArray book = exportBytes(ExportFormat::Excel, source);
    QVERIFY2(book.startsWith("PK"), "not a zip archive");
    // Written in constant-memory mode: rows go to disk as they come and the
    // strings sit inline in the sheet, so no table of strings grows in memory.
    QVERIFY(zipEntry(book, "xl/sharedStrings.xml").isEmpty());
    const QByteArray sheet = zipEntry(book, "xl/worksheets/sheet1.xml");
    QVERIFY(!sheet.isEmpty());
    const QString diff = test::compareWithGolden(QStringLiteral("export_sheet1.xml"), sheet);
    if (!diff.isEmpty())
        QFAIL(qPrintable(diff));

    const QVector<QStringList> expected = {
        {"收件号", "房屋地址", "租金(元)", "备注"},
        {"00000001", "城东区人民路12号, 3单元", "1200", "他说\"好\""},
        {"00000002", "a<b & c>d", "850.5", "第一行\n第二行"},
        {"00000003", "", "", "'单引号' 100% _下划线_"},
    };
    QCOMPARE(sheetCells(sheet), expected);
}

void TestExporters::xmlReadsBack()
{
    FixtureSource source;
    const QByteArray bytes = exportBytes(ExportFormat::Xml, source);
    QXmlStreamReader xml(bytes);
    QVector<QStringList> rows;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("row"))
            rows.append(QStringList());
        else if (xml.isStartElement() && xml.name() == QLatin1String("field"))
            rows.last() << xml.readElementText();
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(0).at(3), QStringLiteral("他说\"好\""));
    QCOMPARE(rows.at(1).at(1), QStringLiteral("a<b & c>d"));
    QCOMPARE(rows.at(1).at(3), QStringLiteral("第一行\n第二行"));
    QCOMPARE(rows.at(2).at(1), QString());
}

void TestExporters::emptyResult_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("excel") << int(ExportFormat::Excel);
    QTest::newRow("text") << int(ExportFormat::Text);
    QTest::newRow("html") << int(ExportFormat::Html);
    QTest::newRow("xml") << int(ExportFormat::Xml);
}

void TestExporters::emptyResult()
{
    QFETCH(int, format);
    FixtureSource source(true);
    const QByteArray bytes = exportBytes(ExportFormat(format), source);
    switch (ExportFormat(format)) {
    case ExportFormat::Excel:
        QVERIFY(zipEntry(bytes, "xl/worksheets/sheet1.xml").contains("房屋地址"));
        QVERIFY(!zipEntry(bytes, "xl/worksheets/sheet1.xml").contains("<row r=\"2\""));
        break;
    case ExportFormat::Text:
        QCOMPARE(bytes, QByteArray("\xEF\xBB\xBF") + QStringLiteral("收件号,房屋地址,租金(元),备注\r\n").toUtf8());
        break;
    case ExportFormat::Html:
        QVERIFY(bytes.contains("<th>备注</th>"));
        QVERIFY(!bytes.contains("<td"));
        QVERIFY(bytes.trimmed().endsWith("</html>"));
        break;
    case ExportFormat::Xml: {
        QXmlStreamReader xml(bytes);
        int rows = 0;
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("row"))
                ++rows;
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(rows, 0);
        break;
    }
    }
}

void TestExporters::unwritableFileReportsFailure()
{
    QTemporaryDir dir;
    FixtureSource source;
    QString error;
    const QString path = dir.filePath(QStringLiteral("no/such/folder/x.txt"));
    QVERIFY(!exportToFile(ExportFormat::Text, source, path, {}, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(path));
}

void TestExporters::libreOfficeReadsWorkbook()
{
    const QString office = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
    if (office.isEmpty())
        QSKIP("libreoffice is not installed");
    QTemporaryDir dir;
    FixtureSource source;
    const QString book = dir.filePath(QStringLiteral("export.xlsx"));
    QVERIFY(exportToFile(ExportFormat::Excel, source, book));
    QProcess p;
    p.start(office, {QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("csv"),
                     QStringLiteral("--outdir"), dir.path(), book});
    QVERIFY(p.waitForFinished(120000));
    QFile csv(dir.filePath(QStringLiteral("export.csv")));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(csv.readAll());
    QVERIFY(text.contains(QStringLiteral("城东区人民路12号, 3单元")));
    QVERIFY(text.contains(QStringLiteral("1200")));
}

QTEST_GUILESS_MAIN(TestExporters)
#include "TestExporters.moc"
