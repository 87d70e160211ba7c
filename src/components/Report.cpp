#include "components/Report.h"

#include "datastore/DataSet.h"
#include "datastore/Money.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>

namespace brel {

namespace {

/// Thin line of the frames, in millimetres.
constexpr double FrameLine = 0.25;

QString numberText(const QVariant &value, const QString &pattern)
{
    // Nothing stored: amounts read as zero, counts and areas as nothing.
    if (value.isNull())
        return pattern == QLatin1String("0") ? QString() : Money().format(pattern);
    if (pattern == QLatin1String("0")) {
        const double number = value.metaType() == QMetaType::fromType<Money>() ? value.value<Money>().toDouble()
                                                                               : value.toDouble();
        return QString::number(qint64(std::llround(number)));
    }
    if (value.metaType() == QMetaType::fromType<Money>())
        return value.value<Money>().format(pattern);
    return Money::fromDouble(value.toDouble()).format(pattern);
}

bool isNumberPattern(const QString &pattern)
{
    return pattern == QLatin1String("0") || pattern == QLatin1String("#0.00") || pattern == QLatin1String("#.##")
           || pattern == QLatin1String("%0.2f") || pattern == QLatin1String("0.0000");
}

QDate dateOf(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<QDateTime>())
        return value.toDateTime().date();
    if (value.metaType() == QMetaType::fromType<QDate>())
        return value.toDate();
    const QString text = value.toString();
    return QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
}

QString plainText(const QVariant &value)
{
    if (value.isNull())
        return QString();
    if (value.metaType() == QMetaType::fromType<Money>())
        return value.value<Money>().toString();
    if (value.metaType() == QMetaType::fromType<QDate>())
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    if (value.metaType() == QMetaType::fromType<QDateTime>())
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return value.toString();
}

} // namespace

ReportItem ReportItem::label(const QRectF &mm, const QString &text, double points, bool bold, Qt::Alignment align)
{
    ReportItem item;
    item.kind = Kind::Label;
    item.mm = mm;
    item.text = text;
    item.points = points;
    item.bold = bold;
    item.align = align;
    return item;
}

ReportItem ReportItem::field(const QRectF &mm, const QString &field, const QString &format, double points,
                             Qt::Alignment align)
{
    ReportItem item = label(mm, field, points, false, align);
    item.kind = Kind::Field;
    item.format = format;
    return item;
}

ReportItem ReportItem::memo(const QRectF &mm, const QString &field, double points)
{
    ReportItem item = label(mm, field, points, false, Qt::AlignLeft | Qt::AlignTop);
    item.kind = Kind::Memo;
    return item;
}

ReportItem ReportItem::frame(const QRectF &mm)
{
    ReportItem item;
    item.kind = Kind::Frame;
    item.mm = mm;
    return item;
}

QString Report::formatValue(const QVariant &value, const QString &format)
{
    if (format.isEmpty())
        return plainText(value);
    if (format == QLatin1String("dddddd") || format == QLatin1String("yyyy-MM-dd")) {
        const QDate day = dateOf(value);
        if (!day.isValid())
            return QString();
        return format == QLatin1String("yyyy-MM-dd") ? day.toString(QStringLiteral("yyyy-MM-dd"))
                                                     : QStringLiteral("%1年%2月%3日")
                                                           .arg(day.year())
                                                           .arg(day.month())
                                                           .arg(day.day());
    }
    // A number pattern, alone or followed by a unit ("#0.00 元", "0 件").
    const int space = format.indexOf(QLatin1Char(' '));
    const QString pattern = space < 0 ? format : format.left(space);
    if (isNumberPattern(pattern)) {
        const QString number = numberText(value, pattern);
        return number.isEmpty() || space < 0 ? number : number + format.mid(space);
    }
    return plainText(value);
}

QString Report::defaultFontFamily()
{
    const QStringList families = QFontDatabase::families();
    for (const char *wanted : {"Noto Sans CJK SC", "Noto Serif CJK SC", "WenQuanYi Micro Hei", "WenQuanYi Zen Hei",
                               "AR PL UMing CN", "Droid Sans Fallback"}) {
        const QString name = QString::fromLatin1(wanted);
        if (families.contains(name))
            return name;
    }
    return QFont().family();
}

void Report::setText(const QString &name, const QString &text)
{
    const int i = m_names.indexOf(name);
    if (i >= 0)
        m_values[i] = text;
}

QString Report::text(const QString &name) const
{
    const int i = m_names.indexOf(name);
    return i >= 0 ? m_values.at(i) : QString();
}

const ReportBand &Report::band(BandKind kind) const
{
    switch (kind) {
    case BandKind::Title: return title;
    case BandKind::GroupHeader: return groupHeader;
    case BandKind::Detail: return detail;
    case BandKind::GroupFooter: return groupFooter;
    case BandKind::Summary: break;
    }
    return summary;
}

void Report::place(BandKind kind, int row, double &top)
{
    if (m_stopRequested)
        return;
    const ReportBand &b = band(kind);
    if (b.height <= 0)
        return;
    if (b.beforePrint)
        b.beforePrint();
    if (top + b.height > PageHeight + 1e-6 && top > 0) {
        m_pageStart.append(int(m_placed.size()));
        top = 0;
    }
    int snapshot = -1;
    for (const ReportItem &item : b.items) {
        if (!item.name.isEmpty()) {
            snapshot = int(m_snapshots.size());
            m_snapshots.append(m_values);
            break;
        }
    }
    m_placed.append({kind, row, top, snapshot});
    top += b.height;
}

int Report::prepare()
{
    m_placed.clear();
    m_pageStart = {0};
    m_snapshots.clear();
    m_names.clear();
    m_values.clear();
    m_stopRequested = false;
    m_stoppedEarly = false;
    for (const ReportBand *b : {&title, &groupHeader, &detail, &groupFooter, &summary}) {
        for (const ReportItem &item : b->items) {
            if (!item.name.isEmpty() && !m_names.contains(item.name)) {
                m_names.append(item.name);
                m_values.append(item.text);
            }
        }
    }
    // A layout that stops early, by a request or an error, says so.
    m_stoppedEarly = true;
    if (beforeStart)
        beforeStart();
    double top = 0;
    place(BandKind::Title, -1, top);
    if (m_data && m_data->isActive() && !m_data->isEmpty() && m_data->first()) {
        const int groupIndex = groupField.isEmpty() ? -1 : m_data->fieldIndex(groupField);
        QVariant group;
        int row = 0;
        while (!m_data->eof() && !m_stopRequested) {
            row = m_data->recNo();
            const QVariant value = groupIndex >= 0 ? m_data->value(groupIndex) : QVariant();
            if (groupIndex >= 0 && (row == 0 || value != group)) {
                if (row > 0)
                    place(BandKind::GroupFooter, row - 1, top);
                group = value;
                place(BandKind::GroupHeader, row, top);
            }
            place(BandKind::Detail, row, top);
            if (!m_data->next())
                break;
        }
        if (groupIndex >= 0)
            place(BandKind::GroupFooter, row, top);
    }
    place(BandKind::Summary, -1, top);
    m_stoppedEarly = m_stopRequested;
    return pageCount();
}

int Report::bandsOnPage(int page, BandKind kind) const
{
    if (page < 1 || page > pageCount())
        return 0;
    const int end = page < pageCount() ? m_pageStart.at(page) : int(m_placed.size());
    int count = 0;
    for (int i = m_pageStart.at(page - 1); i < end; ++i)
        count += m_placed.at(i).kind == kind ? 1 : 0;
    return count;
}

void Report::drawBand(QPainter &painter, const Placed &placed, double mmToDevice) const
{
    const ReportBand &b = band(placed.kind);
    auto box = [&](const QRectF &mm) {
        return QRectF(mm.x() * mmToDevice, (placed.top + mm.y()) * mmToDevice, mm.width() * mmToDevice,
                      mm.height() * mmToDevice);
    };
    for (const ReportItem &item : b.items) {
        const QRectF r = box(item.mm);
        if (item.kind == ReportItem::Kind::Frame) {
            QPen pen(Qt::black);
            pen.setWidthF(FrameLine * mmToDevice);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(r);
            continue;
        }
        if (item.kind == ReportItem::Kind::Paint) {
            if (item.paint) {
                painter.save();
                item.paint(painter, r, mmToDevice);
                painter.restore();
            }
            continue;
        }
        QString text;
        if (item.kind == ReportItem::Kind::Label) {
            const int i = item.name.isEmpty() ? -1 : m_names.indexOf(item.name);
            text = i >= 0 && placed.snapshot >= 0 ? m_snapshots.at(placed.snapshot).at(i) : item.text;
        } else if (m_data && placed.row >= 0) {
            const QVariant value = m_data->valueAt(placed.row, m_data->fieldIndex(item.text));
            text = formatValue(value, item.format);
        }
        if (text.isEmpty())
            continue;
        QFont font(m_family);
        font.setPointSizeF(item.points);
        font.setBold(item.bold);
        painter.setFont(font);
        painter.setPen(Qt::black);
        // Only a wrapped text can run past its box; clipping costs, so the
        // one-line items go without.
        if (item.kind == ReportItem::Kind::Memo) {
            painter.save();
            painter.setClipRect(r);
            painter.drawText(r, int(item.align) | Qt::TextWordWrap, text);
            painter.restore();
        } else {
            painter.drawText(r, int(item.align), text);
        }
    }
}

void Report::drawPage(QPainter &painter, int page) const
{
    if (page < 1 || page > pageCount() || !painter.device())
        return;
    const double mmToDevice = painter.device()->logicalDpiX() / 25.4;
    const int end = page < pageCount() ? m_pageStart.at(page) : int(m_placed.size());
    for (int i = m_pageStart.at(page - 1); i < end; ++i)
        drawBand(painter, m_placed.at(i), mmToDevice);
}

void Report::setUpDevice(QPagedPaintDevice &device)
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                                     QPageLayout::Millimeter));
}

bool Report::print(QPagedPaintDevice &device, int from, int to) const
{
    if (to <= 0 || to > pageCount())
        to = pageCount();
    from = qMax(1, from);
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    for (int page = from; page <= to; ++page) {
        if (page > from && !device.newPage())
            return false;
        drawPage(painter, page);
    }
    return painter.end();
}

bool Report::writePdf(const QString &path, int from, int to, QString *error) const
{
    QPdfWriter writer(path);
    writer.setResolution(600);
    writer.setCreator(QStringLiteral("Brelvanto"));
    writer.setTitle(QFileInfo(path).completeBaseName());
    setUpDevice(writer);
    if (print(writer, from, to))
        return true;
    if (error)
        *error = QCoreApplication::translate("brel::Report", "无法写入文件“%1”。").arg(path);
    return false;
}

} // namespace brel
