#pragma once

#include "components/Report.h"
#include "datastore/Engine.h"
#include "shell/ChildForm.h"

#include <QStringList>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QWidget;

namespace brel {

class DataSet;
class ReportPreview;

/// A list of record Id texts handed to a report (a search window's
/// selection); none = every record the report is meant for.
using IdList = std::optional<QStringList>;

/// Base of the report windows: one report (QuickRep1) fed by one query
/// (QReport), its pages in the embedded preview, the page controls, 打印,
/// 导出PDF and 刷新. A descendant builds the bands and its LoadReport.
class TQChildFm : public TChildFm {
    Q_OBJECT
public:
    explicit TQChildFm(QWidget *parent = nullptr);
    ~TQChildFm() override;

    /// Keeps a copy of ids as ReportIds; a descendant calls this first, then
    /// runs its statement and ends with PreviewReport().
    virtual void LoadReport(const IdList &ids);
    /// " AND Id IN(?,…)" with the ReportIds bound, one placeholder each;
    /// empty without a list. An Id that is no number matches nothing.
    Sql IdFilter() const;
    /// The printed title (lbTitle of the title band).
    void SetTitle(const QString &title) { QuickRep1.title.items.first().text = title; }
    QString Title() const { return QuickRep1.title.items.first().text; }
    /// Shows page n; out of range it is ignored. Sets the page buttons.
    void GoToPage(int n);

    /// The print dialog: may change the printer and its page range; true to
    /// print. The real dialog unless replaced (the tests print into a file).
    using PrintDialog = std::function<bool(QPrinter &printer, int pageCount, QWidget *parent)>;
    static void SetPrintDialog(PrintDialog dialog);

    bool HoldsReport() const override { return true; }
    void RunNow() override { LoadReport(std::nullopt); }

    IdList ReportIds;
    int PageCount = 0;
    DataSet *QReport = nullptr;
    Report QuickRep1;
    ReportPreview *QRPreview1 = nullptr;

    QWidget *pnTop = nullptr;
    QPushButton *btnPrev = nullptr;
    QPushButton *btnNext = nullptr;
    QLabel *lbPage = nullptr;
    QLineEdit *edPage = nullptr;
    QPushButton *btnPrint = nullptr;
    QPushButton *btnPdf = nullptr;
    QPushButton *btnRefresh = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *edForm = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *edTo = nullptr;

    /// 上一页, 下一页, 打印 (true when printed), 导出PDF (true when written), 刷新.
    void PriorPage();
    void NextPage();
    bool PrintReport();
    bool ExportPdf();
    void RefreshReport();
    /// The proposed PDF name: the caption and today, e.g. "出租信息公告-2024-05-01.pdf".
    QString PdfFileName() const;

protected:
    /// Lays the report out (the progress window steps with it), shows page 1
    /// and sets the page controls. Whatever ends the run, the progress window
    /// goes and the main window is enabled again.
    void PreviewReport();
    /// True while PreviewReport runs: a second load waits for the first.
    bool Running() const { return m_running; }
    /// The statement's rows into QReport (engine errors pass on).
    void OpenReport(const Sql &sql);

    bool eventFilter(QObject *watched, QEvent *event) override;
    void enterPressed(QWidget *control) override;

private:
    void pageEntered();
    bool m_running = false;
};

} // namespace brel
