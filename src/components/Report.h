#pragma once

#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>

class QPagedPaintDevice;
class QPainter;

namespace brel {

class DataSet;

/// One thing printed in a band, placed in millimetres from the band's top
/// left corner. Font sizes are points on every device: the painter is never
/// scaled, millimetres are turned into device units instead, so a 10.5 point
/// text is 10.5 points on the screen, on paper and in a PDF alike.
struct ReportItem {
    enum class Kind {
        Label, ///< fixed text (a named label's text may be changed by the hooks)
        Field, ///< the value of a field of the current row, formatted
        Memo,  ///< a field's text word-wrapped inside its box
        Frame, ///< a rectangle drawn with a thin line
        Paint  ///< drawn by a function (charts); gets the box in device units
    };
    Kind kind = Kind::Label;
    QRectF mm;
    QString text;   ///< Label: the text; Field, Memo: the field's name
    QString format; ///< Field: see Report::formatValue
    double points = 10.5;
    bool bold = false;
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;
    QString name; ///< a Label the hooks set through Report::setText
    /// Kind::Paint: draws into box (device units); mmToDevice converts lengths.
    std::function<void(QPainter &painter, const QRectF &box, double mmToDevice)> paint;

    static ReportItem label(const QRectF &mm, const QString &text, double points = 10.5, bool bold = false,
                            Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);
    static ReportItem field(const QRectF &mm, const QString &field, const QString &format = {},
                            double points = 10.5, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);
    static ReportItem memo(const QRectF &mm, const QString &field, double points = 10.5);
    static ReportItem frame(const QRectF &mm);
};

/// A band of fixed height. beforePrint runs once for each time the band is
/// laid out, in print order, before it is placed (totals, progress).
struct ReportBand {
    double height = 0; ///< millimetres; 0 = the band is not printed
    QVector<ReportItem> items;
    std::function<void()> beforePrint;

    ReportItem &add(const ReportItem &item)
    {
        items.append(item);
        return items.last();
    }
};

/// A banded report over a data set on A4 portrait paper without margins:
/// the title once at the top of the first page, then for each row its detail
/// band, a group header before and a group footer after each run of rows with
/// the same groupField value, and the summary after the last row. A band that
/// does not fit on the rest of a page starts the next one.
///
/// prepare() lays the report out once, running every hook in print order,
/// and keeps only where each band goes and the texts the hooks set; pages are
/// drawn from that on demand (drawPage), so memory follows the rows, not
/// pictures of pages. The same drawPage serves the screen, the printer and PDF.
class Report {
public:
    static constexpr double PageWidth = 210.0;  ///< mm
    static constexpr double PageHeight = 297.0; ///< mm

    enum class BandKind { Title, GroupHeader, Detail, GroupFooter, Summary };

    ReportBand title, groupHeader, detail, groupFooter, summary;
    /// Rows with the same value here form one group; empty = no groups.
    QString groupField;
    /// Runs before the layout starts.
    std::function<void()> beforeStart;

    void setDataSet(DataSet *data) { m_data = data; }
    DataSet *dataSet() const { return m_data; }
    /// Font family of every text; the default is a CJK family installed here.
    void setFontFamily(const QString &family) { m_family = family; }
    QString fontFamily() const { return m_family; }

    /// The text of the named label while the layout runs (set in hooks).
    void setText(const QString &name, const QString &text);
    QString text(const QString &name) const;

    /// Lays out every band; returns the page count (at least 1). A hook that
    /// throws ends the layout (what was laid out stays) and the error passes on.
    int prepare();
    /// Ends a running prepare() after the band being laid out.
    void stop() { m_stopRequested = true; }
    /// The last prepare() ended before its last band.
    bool stoppedEarly() const { return m_stoppedEarly; }
    int pageCount() const { return int(m_pageStart.size()); }
    /// Band placements on a page (1-based): what a test or a preview counts.
    int bandsOnPage(int page, BandKind kind) const;

    /// Draws page (1-based) on the painter's device, the page's corner at (0, 0).
    void drawPage(QPainter &painter, int page) const;
    /// Prints pages from..to (1-based, to 0 = the last) on a paged device
    /// already set to A4 without margins; false when the device fails.
    bool print(QPagedPaintDevice &device, int from = 1, int to = 0) const;
    /// Writes pages from..to into a PDF file; false (with a Chinese reason in
    /// error) when the file cannot be written.
    bool writePdf(const QString &path, int from = 1, int to = 0, QString *error = nullptr) const;
    /// Sets a paged device (PDF writer or printer) to A4 portrait without margins.
    static void setUpDevice(QPagedPaintDevice &device);

    /// Display text of a value: "" as stored; "#0.00", "#.##", "%0.2f" for
    /// amounts; "0" for whole numbers; a number pattern followed by a space
    /// and a unit ("#0.00 元", "0 件"), the unit only after a number; no
    /// value is 0.00 for amounts and nothing for counts and areas;
    /// "dddddd" the long date (2003年1月1日);
    /// "yyyy-MM-dd" the short date.
    static QString formatValue(const QVariant &value, const QString &format);
    /// The first installed CJK font family, else the default family.
    static QString defaultFontFamily();

private:
    struct Placed {
        BandKind kind;
        int row;      ///< data row of the band; -1 for none
        double top;   ///< mm from the top of the page
        int snapshot; ///< index into m_snapshots of the named labels' texts; -1 = none
    };
    const ReportBand &band(BandKind kind) const;
    void place(BandKind kind, int row, double &top);
    void drawBand(QPainter &painter, const Placed &placed, double mmToDevice) const;

    DataSet *m_data = nullptr;
    QString m_family = defaultFontFamily();
    QVector<Placed> m_placed;
    QVector<int> m_pageStart; ///< first index into m_placed of each page
    QVector<QStringList> m_snapshots;
    QStringList m_names;  ///< named labels, in the order of snapshots
    QStringList m_values; ///< their texts while laying out
    bool m_stopRequested = false;
    bool m_stoppedEarly = false;
};

} // namespace brel
