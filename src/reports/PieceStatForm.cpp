#include "reports/PieceStatForm.h"

#include "base/Messages.h"
#include "components/widgets/ReportPreview.h"
#include "datastore/DataModule.h"
#include "datastore/DataSet.h"
#include "datastore/FieldValue.h"
#include "datastore/Globalvar.h"
#include "reports/ReportLayouts.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

namespace brel {

namespace {

QDate dayOf(const QString &text)
{
    const QVariant value = dateFromText(text);
    return value.metaType() == QMetaType::fromType<QDateTime>() ? value.toDateTime().date() : value.toDate();
}

Money moneyOf(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<Money>())
        return value.value<Money>();
    return value.isNull() ? Money() : Money::fromDouble(value.toDouble());
}

QString countText(qint32 count)
{
    return QStringLiteral("%1 件").arg(count);
}

QString sumText(Money sum)
{
    return sum.format(QStringLiteral("%0.2f")) + QStringLiteral(" 元");
}

/// Height of the summary with the chart of every user's figures, mm.
constexpr double ChartHeight = 80;

bool isDeal(const QString &category)
{
    return category == QCoreApplication::translate("brel::ReportLayouts", "房屋出租小计")
           || category == QCoreApplication::translate("brel::ReportLayouts", "房屋出售小计");
}

} // namespace

QString TQPieceStatFm::AllUsersText()
{
    return tr("全部员工");
}

TQPieceStatFm::TQPieceStatFm(QWidget *parent) : TQChildFm(parent)
{
    setObjectName(QStringLiteral("TQPieceStatFm"));
    setWindowTitle(tr("收件统计报表"));
    setHint(QString());
    SetTitle(tr("收件统计报表"));
    BuildPieceStatLayout(QuickRep1);
    buildHooks();

    // The statistics use the date range; "日期范围为 从" stays hidden.
    Label2->show();
    edForm->show();
    edTo->show();
    edForm->setAccessibleName(tr("开始日期"));
    edTo->setAccessibleName(tr("结束日期"));
    edUser = new QComboBox(pnTop);
    edUser->setObjectName(QStringLiteral("edUser"));
    edUser->setMinimumWidth(120);
    lbUser = new QLabel(tr("员工："), pnTop);
    lbUser->setObjectName(QStringLiteral("lbUser"));
    lbUser->setBuddy(edUser);
    auto *top = static_cast<QHBoxLayout *>(pnTop->layout());
    const int stretch = top->count() - 1;
    top->insertWidget(stretch, lbUser);
    top->insertWidget(stretch + 1, edUser);
    setTabOrder(edTo, edUser);

    const QDate today = QDate::currentDate();
    edForm->setText(QDate(today.year(), today.month(), 1).toString(QStringLiteral("yyyy-MM-dd")));
    edTo->setText(QDate(today.year(), today.month(), MonthDays(today.year(), today.month()))
                      .toString(QStringLiteral("yyyy-MM-dd")));
    QStringList users;
    if (TDM *dm = DM())
        dm->FillPickList(users, Sql("SELECT YHXM AS TXT FROM TbUser"));
    edUser->addItem(AllUsersText());
    edUser->addItems(users);
    edUser->setCurrentIndex(users.isEmpty() ? 0 : 1);
}

void TQPieceStatFm::buildHooks()
{
    QuickRep1.beforeStart = [this] {
        GroupCount = TotalCount = 0;
        GroupSum = TotalSum = Money();
        m_figures.clear();
    };
    QuickRep1.groupHeader.beforePrint = [this] {
        m_figures.append({QReport->asText(QStringLiteral("SLR")), 0, Money()});
    };
    QuickRep1.detail.beforePrint = [this] {
        const qint32 count = QReport->value(QStringLiteral("SJS")).toInt();
        const Money sum = moneyOf(QReport->value(QStringLiteral("YJXJ")));
        GroupCount += count;
        TotalCount += count;
        GroupSum += sum;
        TotalSum += sum;
        if (!m_figures.isEmpty() && isDeal(QReport->asText(QStringLiteral("BJ")))) {
            m_figures.last().deals += count;
            m_figures.last().commission += sum;
        }
    };
    QuickRep1.groupFooter.beforePrint = [this] {
        QuickRep1.setText(QStringLiteral("lbTotal1"), countText(GroupCount));
        QuickRep1.setText(QStringLiteral("lbSum1"), sumText(GroupSum));
        GroupCount = 0;
        GroupSum = Money();
    };
    QuickRep1.summary.beforePrint = [this] {
        QuickRep1.setText(QStringLiteral("lbTotal2"), countText(TotalCount));
        QuickRep1.setText(QStringLiteral("lbSum2"), sumText(TotalSum));
        TotalCount = 0;
        TotalSum = Money();
    };
}

void TQPieceStatFm::showChart(bool on)
{
    ReportBand &summary = QuickRep1.summary;
    summary.items.erase(std::remove_if(summary.items.begin(), summary.items.end(),
                                       [](const ReportItem &item) { return item.kind == ReportItem::Kind::Paint; }),
                        summary.items.end());
    summary.height = on ? 12 + ChartHeight : 12;
    if (!on)
        return;
    ReportItem chart;
    chart.kind = ReportItem::Kind::Paint;
    chart.mm = QRectF(20, 16, 170, ChartHeight - 8);
    // Two bars per user: deals (left axis) and commission (right axis), each
    // scaled to its own largest value.
    chart.paint = [this](QPainter &painter, const QRectF &box, double mm) {
        QFont font(QuickRep1.fontFamily());
        font.setPointSizeF(9);
        painter.setFont(font);
        const double legend = 6 * mm, names = 6 * mm;
        const QRectF plot(box.left(), box.top() + legend, box.width(), box.height() - legend - names);
        painter.setPen(QPen(Qt::black, 0.25 * mm));
        painter.drawLine(plot.bottomLeft(), plot.bottomRight());
        const QColor dealsColour(70, 110, 170), moneyColour(220, 140, 50);
        painter.fillRect(QRectF(box.left(), box.top(), 4 * mm, 3 * mm), dealsColour);
        painter.drawText(QRectF(box.left() + 5 * mm, box.top() - mm, 40 * mm, 5 * mm), Qt::AlignLeft | Qt::AlignVCenter,
                         tr("成交件数"));
        painter.fillRect(QRectF(box.left() + 45 * mm, box.top(), 4 * mm, 3 * mm), moneyColour);
        painter.drawText(QRectF(box.left() + 50 * mm, box.top() - mm, 40 * mm, 5 * mm),
                         Qt::AlignLeft | Qt::AlignVCenter, tr("佣金(元)"));
        if (m_figures.isEmpty())
            return;
        int maxDeals = 1;
        double maxMoney = 0.01;
        for (const UserFigures &f : std::as_const(m_figures)) {
            maxDeals = qMax(maxDeals, f.deals);
            maxMoney = qMax(maxMoney, f.commission.toDouble());
        }
        const double slot = plot.width() / m_figures.size();
        const double bar = qMin(slot / 3, 12 * mm);
        for (int i = 0; i < m_figures.size(); ++i) {
            const UserFigures &f = m_figures.at(i);
            const double x = plot.left() + i * slot + (slot - 2 * bar) / 2;
            const double dealsHeight = (plot.height() - 5 * mm) * f.deals / maxDeals;
            const double moneyHeight = (plot.height() - 5 * mm) * f.commission.toDouble() / maxMoney;
            painter.fillRect(QRectF(x, plot.bottom() - dealsHeight, bar, dealsHeight), dealsColour);
            painter.fillRect(QRectF(x + bar, plot.bottom() - moneyHeight, bar, moneyHeight), moneyColour);
            painter.drawText(QRectF(x - bar / 2, plot.bottom() - dealsHeight - 5 * mm, 2 * bar, 5 * mm),
                             Qt::AlignCenter, QString::number(f.deals));
            painter.drawText(QRectF(x, plot.bottom() - moneyHeight - 5 * mm, 2 * bar + bar, 5 * mm), Qt::AlignCenter,
                             f.commission.format(QStringLiteral("#0.00")));
            painter.drawText(QRectF(plot.left() + i * slot, plot.bottom(), slot, names), Qt::AlignCenter, f.user);
        }
    };
    summary.add(chart);
}

void TQPieceStatFm::LoadReport(const IdList &ids)
{
    if (Running())
        return;
    TQChildFm::LoadReport(ids);
    if (!CheckDate(tr("开始日期"), edForm->text()) || !CheckDate(tr("结束日期"), edTo->text()))
        return;
    const bool everyone = edUser->currentIndex() == 0 && edUser->currentText() == AllUsersText();
    const std::optional<QString> user = everyone ? std::nullopt : std::optional<QString>(edUser->currentText());
    OpenReport(PieceStatStatement(user, dayOf(edForm->text()), dayOf(edTo->text())));
    if (QReport->isEmpty())
        Messages::warning(tr("没有出租数据！无法查看此报表。"));
    showChart(everyone);
    PreviewReport();
}

} // namespace brel
