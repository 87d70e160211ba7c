#pragma once

#include <QScrollArea>

namespace brel {

class Report;

/// The pages of a prepared report at 100 %, one at a time, drawn on demand
/// by the report itself (nothing of other pages is kept).
class ReportPreview : public QScrollArea {
    Q_OBJECT
public:
    explicit ReportPreview(QWidget *parent = nullptr);

    /// Shows page 1 of report (nullptr: nothing).
    void setReport(const Report *report);
    const Report *report() const { return m_report; }
    int page() const { return m_page; }
    int pageCount() const;
    /// Shows page and scrolls to its top left corner; a page outside the
    /// report is ignored (false, the shown page stays).
    bool setPage(int page);
    /// The shown page as the screen shows it (for pictures of the preview).
    QImage pageImage() const;

signals:
    void pageChanged(int page);

private:
    class PageView;
    PageView *m_view = nullptr;
    const Report *m_report = nullptr;
    int m_page = 0;
};

} // namespace brel
