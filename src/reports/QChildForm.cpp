#include "reports/QChildForm.h"

#include "base/FileDialogs.h"
#include "base/Messages.h"
#include "components/widgets/ReportPreview.h"
#include "datastore/DataModule.h"
#include "datastore/DataSet.h"
#include "datastore/Globalvar.h"
#include "reports/PBarForm.h"

#include <QDate>
#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace brel {

namespace {

bool realPrintDialog(QPrinter &printer, int pageCount, QWidget *parent)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setMinMax(1, pageCount);
    dialog.setFromTo(1, pageCount);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    return dialog.exec() == QDialog::Accepted;
}

TQChildFm::PrintDialog &printDialog()
{
    static TQChildFm::PrintDialog dialog = realPrintDialog;
    return dialog;
}

QPushButton *button(QWidget *parent, const char *name, const QString &text)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QLabel *label(QWidget *parent, const char *name, const QString &text, QWidget *buddy)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setBuddy(buddy);
    return l;
}

} // namespace

void TQChildFm::SetPrintDialog(PrintDialog dialog)
{
    printDialog() = dialog ? std::move(dialog) : PrintDialog(realPrintDialog);
}

TQChildFm::TQChildFm(QWidget *parent) : TChildFm(parent)
{
    if (TDM *dm = DM())
        QReport = new DataSet(dm->DbBase, this);
    if (QReport) {
        QReport->setObjectName(QStringLiteral("QReport"));
        QReport->setReadOnly(true);
    }
    QuickRep1.setDataSet(QReport);
    QuickRep1.title.height = 20;
    QuickRep1.title.add(ReportItem::label({0, 4, Report::PageWidth, 14}, QString(), 22, true, Qt::AlignCenter)).name =
        QStringLiteral("lbTitle");

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    pnTop = new QWidget(this);
    pnTop->setObjectName(QStringLiteral("pnTop"));
    auto *top = new QHBoxLayout(pnTop);
    btnPrev = button(pnTop, "btnPrev", tr("上一页"));
    btnNext = button(pnTop, "btnNext", tr("下一页"));
    edPage = new QLineEdit(QStringLiteral("1"), pnTop);
    edPage->setObjectName(QStringLiteral("edPage"));
    edPage->setFixedWidth(60);
    lbPage = label(pnTop, "lbPage", tr("页数："), edPage);
    btnPrint = button(pnTop, "btnPrint", tr("打印"));
    btnPdf = button(pnTop, "btnPdf", tr("导出PDF"));
    btnRefresh = button(pnTop, "btnRefresh", tr("刷新"));
    edForm = new QLineEdit(pnTop);
    edForm->setObjectName(QStringLiteral("edForm"));
    edForm->setFixedWidth(100);
    edTo = new QLineEdit(pnTop);
    edTo->setObjectName(QStringLiteral("edTo"));
    edTo->setFixedWidth(100);
    Label1 = label(pnTop, "Label1", tr("日期范围为 从"), edForm);
    Label2 = label(pnTop, "Label2", tr("至"), edTo);
    for (QWidget *w : std::initializer_list<QWidget *>{btnPrev, btnNext, lbPage, edPage, btnPrint, btnPdf, btnRefresh,
                                                       Label1, edForm, Label2, edTo})
        top->addWidget(w);
    top->addStretch();
    // The date range belongs to the statistics; the sheets hide it.
    for (QWidget *w : std::initializer_list<QWidget *>{Label1, edForm, Label2, edTo})
        w->hide();
    layout->addWidget(pnTop);
    QRPreview1 = new ReportPreview(this);
    layout->addWidget(QRPreview1, 1);
    setTabOrder(btnPrev, btnNext);
    setTabOrder(btnNext, edPage);
    setTabOrder(edPage, btnPrint);
    setTabOrder(btnPrint, btnPdf);
    setTabOrder(btnPdf, btnRefresh);
    setTabOrder(btnRefresh, edForm);
    setTabOrder(edForm, edTo);
    btnPrev->setEnabled(false);
    btnNext->setEnabled(false);
    edPage->installEventFilter(this);

    connect(btnPrev, &QPushButton::clicked, this, &TQChildFm::PriorPage);
    connect(btnNext, &QPushButton::clicked, this, &TQChildFm::NextPage);
    connect(btnPrint, &QPushButton::clicked, this, &TQChildFm::PrintReport);
    connect(btnPdf, &QPushButton::clicked, this, &TQChildFm::ExportPdf);
    connect(btnRefresh, &QPushButton::clicked, this, &TQChildFm::RefreshReport);
    setFirstControl(btnNext);
}

TQChildFm::~TQChildFm()
{
    // The preview draws from the report; it must not paint once the report goes.
    QRPreview1->setReport(nullptr);
}

void TQChildFm::LoadReport(const IdList &ids)
{
    ReportIds = ids;
}

Sql TQChildFm::IdFilter() const
{
    if (!ReportIds)
        return Sql();
    QStringList marks;
    QVariantList values;
    for (const QString &id : *ReportIds) {
        bool number = false;
        const qint64 value = id.trimmed().toLongLong(&number);
        marks << QStringLiteral("?");
        values << (number ? QVariant(value) : QVariant(id));
    }
    // An empty selection matches no record rather than every one.
    if (marks.isEmpty())
        return Sql(QStringLiteral(" AND 1=0"));
    return Sql(QStringLiteral(" AND Id IN(%1)").arg(marks.join(QLatin1Char(','))), values);
}

void TQChildFm::OpenReport(const Sql &sql)
{
    QRPreview1->setReport(nullptr);
    DM()->OpenQuery(QReport, sql);
}

void TQChildFm::PreviewReport()
{
    m_running = true;
    pnTop->setEnabled(false);
    // 取消 in the progress window stops the layout after the current record.
    QMetaObject::Connection cancel;
    if (TPBarFm *bar = TPBarFm::current())
        cancel = connect(bar, &TPBarFm::cancelRequested, this, [this] { QuickRep1.stop(); });
    struct EndRun {
        TQChildFm *form;
        ~EndRun()
        {
            EndProgress();
            form->m_running = false;
            form->pnTop->setEnabled(true);
        }
    } endRun{this};
    try {
        QuickRep1.prepare();
    } catch (...) {
        QRPreview1->setReport(&QuickRep1);
        PageCount = QuickRep1.pageCount();
        throw;
    }
    QRPreview1->setReport(&QuickRep1);
    PageCount = QuickRep1.pageCount();
    edPage->setText(QStringLiteral("1"));
    btnNext->setEnabled(PageCount > 1);
    btnPrev->setEnabled(false);
}

void TQChildFm::GoToPage(int n)
{
    if (!QRPreview1->setPage(n))
        return;
    btnNext->setEnabled(n != PageCount);
    btnPrev->setEnabled(n != 1);
}

void TQChildFm::PriorPage()
{
    const int page = QRPreview1->page() - 1;
    if (!QRPreview1->setPage(page))
        return;
    edPage->setText(QString::number(page));
    btnPrev->setEnabled(page != 1);
    btnNext->setEnabled(true);
}

void TQChildFm::NextPage()
{
    const int page = QRPreview1->page() + 1;
    if (!QRPreview1->setPage(page))
        return;
    btnNext->setEnabled(page != PageCount);
    btnPrev->setEnabled(true);
    edPage->setText(QString::number(page));
}

void TQChildFm::pageEntered()
{
    const QString text = edPage->text();
    if (!CheckInteger(tr("页数"), text))
        return;
    const int n = text.trimmed().toInt();
    if (n > PageCount)
        Messages::information(tr("输入页数大于最大页数，请重新输入。"));
    else if (n < 1)
        Messages::information(tr("输入页数小于最小页数，请重新输入。"));
    else
        GoToPage(n);
}

void TQChildFm::enterPressed(QWidget *control)
{
    if (control == edPage) {
        pageEntered();
        edPage->setFocus(Qt::OtherFocusReason);
    }
    TChildFm::enterPressed(control);
}

bool TQChildFm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == edPage && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (event->type() == QEvent::KeyRelease) {
            if (key->key() == Qt::Key_PageUp || key->key() == Qt::Key_Up)
                PriorPage();
            else if (key->key() == Qt::Key_PageDown || key->key() == Qt::Key_Down)
                NextPage();
        } else if (!enter && !NumericKeyFilter(edPage->text(), key->text())) {
            return true;
        }
    }
    return TChildFm::eventFilter(watched, event);
}

bool TQChildFm::PrintReport()
{
    if (PageCount < 1)
        return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(windowTitle());
    Report::setUpDevice(printer);
    printer.setFromTo(1, PageCount);
    if (!printDialog()(printer, PageCount, this))
        return false;
    const bool all = printer.printRange() == QPrinter::AllPages || printer.fromPage() == 0;
    bool printed = false;
    try {
        printed = QuickRep1.print(printer, all ? 1 : printer.fromPage(), all ? PageCount : printer.toPage());
    } catch (const std::exception &) {
        // A row that cannot be read while printing is a failed print like any other.
        printed = false;
    }
    if (!printed)
        Messages::information(tr("打印出错！请检查您的打印机设置。"));
    return printed;
}

QString TQChildFm::PdfFileName() const
{
    return windowTitle() + QLatin1Char('-') + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))
           + QStringLiteral(".pdf");
}

bool TQChildFm::ExportPdf()
{
    if (PageCount < 1)
        return false;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    QString path = FileDialogs::getSaveFileName(tr("导出PDF"), QDir(folder).filePath(PdfFileName()),
                                                {tr("PDF 文件 (*.pdf)")}, QStringLiteral("pdf"));
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    QString error;
    if (!QuickRep1.writePdf(path, 1, PageCount, &error)) {
        Messages::error(error);
        return false;
    }
    return true;
}

void TQChildFm::RefreshReport()
{
    LoadReport(ReportIds);
}

} // namespace brel
