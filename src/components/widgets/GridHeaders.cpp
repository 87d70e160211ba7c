// The column and row headers of the data grid: sort marks, filter buttons,
// and size hints that need not measure every section again.

#include "components/widgets/DataGrid.h"

#include <QMouseEvent>
#include <QPainter>

namespace brel {

namespace {
constexpr int FilterButtonWidth = 14;
constexpr int SortMarkWidth = 10;
} // namespace

// ------------------------------------------------------------- GridHeader

GridHeader::GridHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(true);
    setSectionsMovable(true);
    setHighlightSections(false);
    setSortIndicatorShown(false);
}

void GridHeader::setSortMark(int section, SortMark mark)
{
    m_marks.clear();
    if (mark != SortMark::None)
        m_marks.insert(section, mark);
    viewport()->update();
}

SortMark GridHeader::sortMark(int section) const
{
    return m_marks.value(section, SortMark::None);
}

void GridHeader::setFiltered(int section, bool filtered)
{
    if (filtered)
        m_filtered.insert(section);
    else
        m_filtered.remove(section);
    viewport()->update();
}

bool GridHeader::isFiltered(int section) const
{
    return m_filtered.contains(section);
}

void GridHeader::setFilterButtons(bool on)
{
    m_filterButtons = on;
    viewport()->update();
}

QRect GridHeader::filterButtonRect(int section) const
{
    if (!m_filterButtons || section < 0 || isSectionHidden(section))
        return {};
    const int right = sectionViewportPosition(section) + sectionSize(section);
    return QRect(right - FilterButtonWidth, 0, FilterButtonWidth, height());
}

QSize GridHeader::sizeHint() const
{
    // Working the hint out measures the caption of every section, and a
    // model reset throws Qt's own cached hint away.
    QString key(m_filterButtons ? QLatin1Char('1') : QLatin1Char('0'));
    if (QAbstractItemModel *m = model()) {
        for (int i = 0; i < count(); ++i) {
            key += QChar(0x1f);
            if (!isSectionHidden(i))
                key += m->headerData(i, orientation()).toString();
        }
    }
    if (!m_hint.isValid() || key != m_hintKey || font() != m_hintFont) {
        m_hint = QHeaderView::sizeHint();
        m_hintKey = key;
        m_hintFont = font();
    }
    return m_hint;
}

void GridHeader::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange)
        m_hint = QSize();
    QHeaderView::changeEvent(event);
}

QSize GridHeader::sectionSizeFromContents(int logicalIndex) const
{
    QSize s = QHeaderView::sectionSizeFromContents(logicalIndex);
    s.rwidth() += SortMarkWidth + (m_filterButtons ? FilterButtonWidth : 0);
    return s;
}

void GridHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    int right = rect.right() - 2;
    if (m_filterButtons) {
        const QRect button(rect.right() - FilterButtonWidth + 1, rect.top() + 2, FilterButtonWidth - 2,
                           rect.height() - 4);
        painter->fillRect(button, palette().button());
        const QColor ink = m_filtered.contains(logicalIndex) ? QColor(0, 0, 255) : palette().color(QPalette::ButtonText);
        painter->setPen(Qt::NoPen);
        painter->setBrush(ink);
        const QPointF c = QRectF(button).center();
        painter->drawPolygon(QPolygonF({c + QPointF(-3.5, -2), c + QPointF(3.5, -2), c + QPointF(0, 2.5)}));
        right = button.left() - 2;
    }
    const SortMark mark = sortMark(logicalIndex);
    if (mark != SortMark::None) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(palette().color(QPalette::ButtonText));
        const QPointF c(right - 4, QRectF(rect).center().y());
        if (mark == SortMark::Ascending)
            painter->drawPolygon(QPolygonF({c + QPointF(-4, 2.5), c + QPointF(4, 2.5), c + QPointF(0, -3)}));
        else
            painter->drawPolygon(QPolygonF({c + QPointF(-4, -2.5), c + QPointF(4, -2.5), c + QPointF(0, 3)}));
    }
    painter->restore();
}

void GridHeader::mousePressEvent(QMouseEvent *event)
{
    const int section = logicalIndexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && filterButtonRect(section).contains(event->position().toPoint())) {
        emit filterButtonClicked(section);
        event->accept();
        return;
    }
    QHeaderView::mousePressEvent(event);
}

// ---------------------------------------------------------- GridRowHeader

GridRowHeader::GridRowHeader(QWidget *parent) : QHeaderView(Qt::Vertical, parent)
{
    // As QTableView sets up its own row header.
    setSectionsClickable(true);
    setHighlightSections(true);
}

QSize GridRowHeader::sizeHint() const
{
    // Qt's own hint measures up to 200 numbers again after every reset; the
    // last one has the most digits, and digits are as wide as each other.
    const int n = count();
    int digits = 0;
    for (int v = n; v > 0; v /= 10)
        ++digits;
    if (!m_hint.isValid() || digits != m_hintDigits || font() != m_hintFont) {
        m_hint = n > 0 ? sectionSizeFromContents(n - 1) : QHeaderView::sizeHint();
        m_hintDigits = digits;
        m_hintFont = font();
    }
    return m_hint;
}

void GridRowHeader::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange)
        m_hint = QSize();
    QHeaderView::changeEvent(event);
}

} // namespace brel
