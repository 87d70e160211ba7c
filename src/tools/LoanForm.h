#pragma once

#include "shell/DesktopChildForm.h"
#include "tools/LoanCalc.h"

#include <QFont>
#include <optional>

class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QRadioButton;

namespace brel {

/// "按揭贷款计算器": the payment and repayment table of an annuity loan, the
/// loan amount a payment carries, or the number of payments needed.
class TLoanFm : public TDesktopChildFm {
    Q_OBJECT
public:
    enum Option { PaymentOption = 1, SumOption = 2, TermOption = 3 };

    explicit TLoanFm(QWidget *parent = nullptr);

    QLineEdit *edSum = nullptr;
    QLineEdit *edRate = nullptr;
    QLineEdit *edYears = nullptr;
    QLineEdit *edFreq = nullptr;
    QLineEdit *edPayment = nullptr;
    QGroupBox *rgOption = nullptr;
    QPushButton *btnOk = nullptr;
    QPlainTextEdit *LoanSchedule = nullptr;
    QPushButton *btnPrint = nullptr;
    QPushButton *btnPdf = nullptr;
    QPushButton *btnExport = nullptr;

    int option() const;
    /// Chooses an option as a click on its item does.
    void setOption(int option);

    /// The fonts of the table on the screen: a fixed-pitch font for the
    /// narrow characters and the same font spaced for the Chinese ones, so
    /// that each takes exactly two columns and the columns line up under the titles.
    struct TableFonts {
        QFont narrow, wide;
    };
    static TableFonts tableFonts(qreal pointSize);
    /// A line cut into runs of narrow (one column) and wide (two column) characters.
    struct TextRun {
        QString text;
        bool wide = false;
    };
    static QList<TextRun> textRuns(const QString &line);

    bool CanExport() const override;
    /// The repayment table as a workbook (or text, HTML, XML).
    bool ExportData() override;

public slots:
    /// 计算: checks the chosen option's boxes, then computes.
    void calculate();
    void printTable();
    /// Writes the table as a PDF file chosen in the save dialog.
    bool exportPdf();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void optionChosen(int option);
    void showSchedule(const LoanCalc::Schedule &schedule);
    /// Draws the table on the printer's pages; false when it cannot be written.
    bool paintTable(QPrinter &printer) const;
    void updateTableCommands();

    QButtonGroup *m_options = nullptr;
    QList<QLineEdit *> m_boxes;
    std::optional<LoanCalc::Schedule> m_schedule;
};

} // namespace brel
