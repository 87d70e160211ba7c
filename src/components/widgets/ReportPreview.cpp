#include "components/widgets/ReportPreview.h"

#include "base/Messages.h"
#include "components/Report.h"
#include "datastore/Engine.h"

#include <exception>

#include <QImage>
#include <QPainter>
#include <QScrollBar>

namespace brel {

class ReportPreview::PageView : public QWidget {
public:
    explicit PageView(ReportPreview *owner) : QWidget(owner), m_owner(owner)
    {
        // A4 at the screen's resolution: 100 %.
        const double mm = logicalDpiX() / 25.4;
        setFixedSize(int(Report::PageWidth * mm + 0.5), int(Report::PageHeight * mm + 0.5));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        if (!m_owner->m_report)
            return;
        // Nothing may unwind out of a paint event: a row that can no longer
        // be read (the file was closed) is reported once the loop turns.
        try {
            m_owner->m_report->drawPage(painter, m_owner->m_page);
        } catch (const EngineError &error) {
            Messages::errorLater(error.message());
        } catch (const std::exception &error) {
            Messages::errorLater(QString::fromUtf8(error.what()));
        }
    }

private:
    ReportPreview *m_owner;
};

ReportPreview::ReportPreview(QWidget *parent) : QScrollArea(parent)
{
    setObjectName(QStringLiteral("QRPreview1"));
    setAccessibleName(tr("报表预览"));
    setBackgroundRole(QPalette::Dark);
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_view = new PageView(this);
    setWidget(m_view);
}

int ReportPreview::pageCount() const
{
    return m_report ? m_report->pageCount() : 0;
}

void ReportPreview::setReport(const Report *report)
{
    m_report = report;
    m_page = report && report->pageCount() > 0 ? 1 : 0;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    m_view->update();
    emit pageChanged(m_page);
}

bool ReportPreview::setPage(int page)
{
    if (page < 1 || page > pageCount())
        return false;
    m_page = page;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    m_view->update();
    emit pageChanged(page);
    return true;
}

QImage ReportPreview::pageImage() const
{
    QImage image(m_view->size(), QImage::Format_RGB32);
    image.setDevicePixelRatio(1);
    image.setDotsPerMeterX(int(m_view->logicalDpiX() / 0.0254 + 0.5));
    image.setDotsPerMeterY(int(m_view->logicalDpiY() / 0.0254 + 0.5));
    image.fill(Qt::white);
    if (m_report) {
        QPainter painter(&image);
        m_report->drawPage(painter, m_page);
    }
    return image;
}

} // namespace brel
