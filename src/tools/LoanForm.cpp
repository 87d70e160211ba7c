#include "tools/LoanForm.h"

#include "base/FileDialogs.h"
#include "base/Messages.h"
#include "components/GridExport.h"
#include "components/widgets/DataBoxes.h"
#include "datastore/Globalvar.h"
#include "shell/MainForm.h"

#include <QButtonGroup>
#include <QDir>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QScrollBar>
#include <QVBoxLayout>

namespace brel {

namespace {

const char *const ResultText = QT_TRANSLATE_NOOP("brel::TLoanFm", "计算结果");

QLineEdit *numberBox(const char *name, QWidget *parent)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return box;
}

/// The rows of the repayment table as a workbook reads them: numbers stay numbers.
class ScheduleSource : public TableSource {
public:
    explicit ScheduleSource(const LoanCalc::Schedule &schedule) : m_schedule(schedule) {}

    QStringList captions() const override
    {
        return {TLoanFm::tr("期次"), TLoanFm::tr("剩余本金"), TLoanFm::tr("利息"), TLoanFm::tr("已还利息"),
                TLoanFm::tr("本金"), TLoanFm::tr("已还本金")};
    }
    void start() override { m_pos = 0; }
    bool next(QVector<ExportCell> &row) override
    {
        if (m_pos >= m_schedule.rows.size())
            return false;
        const LoanCalc::Row &r = m_schedule.rows.at(m_pos++);
        row.clear();
        row.append({QString::number(r.period), true, double(r.period), QString()});
        for (Money amount : {r.balance, r.interest, r.interestSoFar, r.principal, r.principalSoFar})
            row.append({amount.format(QStringLiteral("%0.2f")), true, amount.toDouble(), QStringLiteral("0.00")});
        return true;
    }

private:
    const LoanCalc::Schedule &m_schedule;
    int m_pos = 0;
};

} // namespace

TLoanFm::TLoanFm(QWidget *parent)
    : TDesktopChildFm(parent)
{
    setObjectName(QStringLiteral("LoanFm"));
    setWindowTitle(tr("按揭贷款计算器"));

    edSum = numberBox("edSum", pnDesktop);
    edRate = numberBox("edRate", pnDesktop);
    edYears = numberBox("edYears", pnDesktop);
    edFreq = numberBox("edFreq", pnDesktop);
    edPayment = numberBox("edPayment", pnDesktop);
    m_boxes = {edSum, edRate, edYears, edFreq, edPayment};

    // Each box with its label (its buddy, for screen readers) and its unit.
    auto addRow = [](QGridLayout *grid, int row, const QString &label, QLineEdit *box, const QString &unit) {
        auto *l = new QLabel(label);
        l->setBuddy(box);
        grid->addWidget(l, row, 0, Qt::AlignRight);
        grid->addWidget(box, row, 1);
        grid->addWidget(new QLabel(unit), row, 2);
    };
    auto *loanBox = new QGroupBox(tr("银行贷款信息"), pnDesktop);
    auto *loanGrid = new QGridLayout(loanBox);
    addRow(loanGrid, 0, tr("贷款总额："), edSum, tr("(元)"));
    addRow(loanGrid, 1, tr("年利率："), edRate, tr("(%)"));
    addRow(loanGrid, 2, tr("贷款期限："), edYears, tr("(月)"));
    addRow(loanGrid, 3, tr("偿还频率："), edFreq, tr("(次/月)"));
    auto *payBox = new QGroupBox(tr("还款情况信息"), pnDesktop);
    auto *payGrid = new QGridLayout(payBox);
    addRow(payGrid, 0, tr("每期还款额："), edPayment, tr("(元)"));

    rgOption = new QGroupBox(tr("计算选项"), pnDesktop);
    rgOption->setObjectName(QStringLiteral("rgOption"));
    auto *optionLayout = new QVBoxLayout(rgOption);
    m_options = new QButtonGroup(this);
    const char *items[] = {QT_TR_NOOP("计算每期还款额、还款表"), QT_TR_NOOP("计算贷款总额"), QT_TR_NOOP("计算贷款期限")};
    for (int i = 0; i < 3; ++i) {
        auto *item = new QRadioButton(tr(items[i]), rgOption);
        item->setObjectName(QStringLiteral("rbOption%1").arg(i + 1));
        m_options->addButton(item, i + 1);
        optionLayout->addWidget(item);
    }
    btnOk = new QPushButton(tr("计算"), pnDesktop);
    btnOk->setObjectName(QStringLiteral("btnOk"));

    LoanSchedule = new QPlainTextEdit(pnDesktop);
    LoanSchedule->setObjectName(QStringLiteral("LoanSchedule"));
    LoanSchedule->setAccessibleName(tr("还款表"));
    LoanSchedule->setReadOnly(true);
    LoanSchedule->setLineWrapMode(QPlainTextEdit::NoWrap);
    LoanSchedule->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LoanSchedule->setFont(tableFonts(QFont().pointSizeF()).narrow);
    // Wide enough for a whole line of the table (64 columns and a margin).
    const QFontMetrics metrics(LoanSchedule->font());
    LoanSchedule->setMinimumWidth(metrics.horizontalAdvance(QString(68, QLatin1Char('0')))
                                  + LoanSchedule->verticalScrollBar()->sizeHint().width());
    btnPrint = new QPushButton(tr("打印"), pnDesktop);
    btnPrint->setObjectName(QStringLiteral("btnPrint"));
    btnPdf = new QPushButton(tr("导出PDF"), pnDesktop);
    btnPdf->setObjectName(QStringLiteral("btnPdf"));
    btnExport = new QPushButton(tr("导出"), pnDesktop);
    btnExport->setObjectName(QStringLiteral("btnExport"));

    auto *left = new QVBoxLayout;
    left->addWidget(loanBox);
    left->addWidget(payBox);
    left->addWidget(rgOption);
    left->addWidget(btnOk, 0, Qt::AlignRight);
    left->addStretch();
    auto *tableButtons = new QHBoxLayout;
    tableButtons->addStretch();
    tableButtons->addWidget(btnPrint);
    tableButtons->addWidget(btnPdf);
    tableButtons->addWidget(btnExport);
    auto *right = new QVBoxLayout;
    right->addWidget(LoanSchedule, 1);
    right->addLayout(tableButtons);
    auto *layout = new QHBoxLayout(pnDesktop);
    layout->addLayout(left);
    layout->addLayout(right, 1);
    const QSize wanted = layout->sizeHint();
    setDesktopSize(std::max(760, wanted.width()), std::max(480, wanted.height()));

    QWidget *order[] = {edSum,
                        edRate,
                        edYears,
                        edFreq,
                        edPayment,
                        m_options->button(1),
                        m_options->button(2),
                        m_options->button(3),
                        btnOk,
                        LoanSchedule,
                        btnPrint,
                        btnPdf,
                        btnExport};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    setFirstControl(edSum);

    connect(m_options, &QButtonGroup::idClicked, this, &TLoanFm::optionChosen);
    connect(btnOk, &QPushButton::clicked, this, &TLoanFm::calculate);
    connect(btnPrint, &QPushButton::clicked, this, &TLoanFm::printTable);
    connect(btnPdf, &QPushButton::clicked, this, &TLoanFm::exportPdf);
    connect(btnExport, &QPushButton::clicked, this, &TLoanFm::ExportData);
    setOption(PaymentOption);
    updateTableCommands();
}

TLoanFm::TableFonts TLoanFm::tableFonts(qreal pointSize)
{
    QFont narrow = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    narrow.setFamilies({QStringLiteral("Noto Sans Mono CJK SC"), QStringLiteral("WenQuanYi Micro Hei Mono"),
                        QStringLiteral("Sarasa Mono SC"), narrow.family()});
    narrow.setStyleHint(QFont::TypeWriter);
    narrow.setFixedPitch(true);
    narrow.setPointSizeF(pointSize);
    // Few "mono" fonts draw a Chinese character exactly two columns wide;
    // the space after it makes up the difference, as measured on the screen.
    const QFontMetricsF metrics(narrow);
    QFont wide = narrow;
    wide.setLetterSpacing(QFont::AbsoluteSpacing,
                          2 * metrics.horizontalAdvance(QLatin1Char('0')) - metrics.horizontalAdvance(QChar(0x671F)));
    return {narrow, wide};
}

QList<TLoanFm::TextRun> TLoanFm::textRuns(const QString &line)
{
    QList<TextRun> out;
    for (int i = 0; i < line.size();) {
        // Two columns for what takes two bytes in GBK, the table's own measure.
        const bool wide = GbkByteLength(line.mid(i, 1)) == 2;
        int end = i + 1;
        while (end < line.size() && (GbkByteLength(line.mid(end, 1)) == 2) == wide)
            ++end;
        out.append({line.mid(i, end - i), wide});
        i = end;
    }
    return out;
}

int TLoanFm::option() const
{
    return m_options->checkedId();
}

void TLoanFm::setOption(int option)
{
    if (QAbstractButton *item = m_options->button(option))
        item->setChecked(true);
    optionChosen(option);
}

void TLoanFm::optionChosen(int option)
{
    for (QLineEdit *box : {edRate, edYears, edFreq, edPayment})
        box->clear();
    // The box that receives the result shows so and cannot be typed into.
    const QString result = tr(ResultText);
    edSum->setReadOnly(option == SumOption);
    edSum->setText(option == SumOption ? result : QString());
    edYears->setReadOnly(option == TermOption);
    edYears->setText(option == TermOption ? result : QString());
    edPayment->setEnabled(option != PaymentOption);
}

bool TLoanFm::eventFilter(QObject *watched, QEvent *event)
{
    // Enter first moves on as in every window; then only digits, backspace
    // and one decimal point reach a box.
    const bool handled = TDesktopChildFm::eventFilter(watched, event);
    if (handled || event->type() != QEvent::KeyPress)
        return handled;
    for (QLineEdit *box : std::as_const(m_boxes)) {
        if (watched != box)
            continue;
        const QString typed = typedText(static_cast<QKeyEvent *>(event));
        return !typed.isEmpty() && !NumericKeyFilter(box->text(), typed);
    }
    return false;
}

void TLoanFm::calculate()
{
    struct Check {
        QLineEdit *box;
        const char *caption;
        bool (*check)(const QString &, const QString &);
    };
    const Check sum{edSum, QT_TR_NOOP("贷款总额"), &CheckMoney};
    const Check rate{edRate, QT_TR_NOOP("年利率"), &CheckMoney};
    const Check years{edYears, QT_TR_NOOP("贷款期限"), &CheckInteger};
    const Check freq{edFreq, QT_TR_NOOP("偿还频率"), &CheckInteger};
    const Check payment{edPayment, QT_TR_NOOP("每期还款额"), &CheckMoney};
    QList<Check> checks;
    switch (option()) {
    case PaymentOption: checks = {sum, rate, years, freq}; break;
    case SumOption: checks = {rate, years, freq, payment}; break;
    case TermOption: checks = {sum, rate, freq, payment}; break;
    default: return;
    }
    for (const Check &c : std::as_const(checks)) {
        if (!c.check(tr(c.caption), c.box->text())) {
            c.box->setFocus(Qt::OtherFocusReason);
            return;
        }
    }

    // The checks passed: each text reads as its type.
    auto amount = [](QLineEdit *box) { return Money::parse(box->text()).value_or(Money()); };
    auto whole = [](QLineEdit *box) { return box->text().trimmed().toInt(); };
    bool computed = false;
    switch (option()) {
    case PaymentOption:
        if (const auto s = LoanCalc::schedule(amount(edSum), amount(edRate).toDouble(), whole(edYears), whole(edFreq))) {
            showSchedule(*s);
            computed = true;
        }
        break;
    case SumOption:
        if (const auto p = LoanCalc::loanSum(amount(edRate).toDouble(), whole(edYears), whole(edFreq),
                                             amount(edPayment).toDouble())) {
            edSum->setText(QString::asprintf("%0.2f", *p));
            computed = true;
        }
        break;
    case TermOption:
        if (const auto n = LoanCalc::paymentCount(amount(edSum).toDouble(), amount(edRate).toDouble(), whole(edFreq),
                                                  amount(edPayment).toDouble())) {
            edYears->setText(QString::number(*n));
            computed = true;
        }
        break;
    }
    if (!computed)
        Messages::error(tr("输入数据无效，无法计算出结果"));
}

void TLoanFm::showSchedule(const LoanCalc::Schedule &schedule)
{
    m_schedule = schedule;
    LoanSchedule->clear();
    const TableFonts fonts = tableFonts(LoanSchedule->font().pointSizeF());
    QTextCharFormat narrow, wide;
    narrow.setFont(fonts.narrow);
    wide.setFont(fonts.wide);
    wide.setFontLetterSpacingType(QFont::AbsoluteSpacing);
    wide.setFontLetterSpacing(fonts.wide.letterSpacing());
    QTextCursor cursor(LoanSchedule->document());
    const QStringList lines = schedule.lines();
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0)
            cursor.insertBlock();
        for (const TextRun &run : textRuns(lines.at(i)))
            cursor.insertText(run.text, run.wide ? wide : narrow);
    }
    LoanSchedule->moveCursor(QTextCursor::Start);
    LoanSchedule->verticalScrollBar()->setValue(0);
    updateTableCommands();
}

void TLoanFm::updateTableCommands()
{
    for (QPushButton *button : {btnPrint, btnPdf, btnExport})
        button->setEnabled(m_schedule.has_value());
    if (TMainFm *main = TMainFm::instance(); main && main->CurrentChild() == this)
        main->RefreshToolbar();
}

bool TLoanFm::CanExport() const
{
    return m_schedule.has_value();
}

bool TLoanFm::ExportData()
{
    if (!m_schedule)
        return false;
    ScheduleSource source(*m_schedule);
    return exportWithDialog(source, QDir(AppDir).filePath(tr("按揭贷款还款表")), tr("按揭贷款还款表"));
}

bool TLoanFm::paintTable(QPrinter &printer) const
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    // Every character is placed on its own column, so the columns stand exactly.
    const QFont font = tableFonts(10).narrow;
    painter.setFont(font);
    const QFontMetricsF metrics(font, &printer);
    const qreal column = metrics.horizontalAdvance(QLatin1Char('0'));
    const qreal lineHeight = metrics.lineSpacing();
    const qreal ascent = metrics.ascent();
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const int perPage = std::max(1, int(page.height() / lineHeight));
    const QStringList lines = m_schedule->lines();
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0 && i % perPage == 0)
            printer.newPage();
        const qreal y = (i % perPage) * lineHeight + ascent;
        int columns = 0;
        for (const TextRun &run : textRuns(lines.at(i))) {
            if (!run.wide) {
                painter.drawText(QPointF(columns * column, y), run.text);
                columns += run.text.size();
                continue;
            }
            for (QChar c : run.text) {
                painter.drawText(QPointF(columns * column, y), QString(c));
                columns += 2;
            }
        }
    }
    return painter.end();
}

void TLoanFm::printTable()
{
    if (!m_schedule)
        return;
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(tr("打印还款表"));
    if (dialog.exec() == QDialog::Accepted && !paintTable(printer))
        Messages::error(tr("无法打印还款表。"));
}

bool TLoanFm::exportPdf()
{
    if (!m_schedule)
        return false;
    FileDialogs::Request request;
    request.kind = FileDialogs::Kind::Save;
    request.caption = tr("还款表导出到PDF...");
    request.fileName = QDir(AppDir).filePath(tr("按揭贷款还款表.pdf"));
    request.filters = {tr("PDF文件 (*.pdf)")};
    request.defaultSuffix = QStringLiteral("pdf");
    const FileDialogs::Result answer = FileDialogs::ask(request);
    if (!answer.accepted || answer.fileName.isEmpty())
        return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(answer.fileName);
    printer.setDocName(tr("按揭贷款还款表"));
    if (paintTable(printer))
        return true;
    Messages::error(tr("无法写入文件“%1”。").arg(QDir::toNativeSeparators(answer.fileName)));
    return false;
}

} // namespace brel
