#include "listings/PopupDlg.h"

#include "base/Messages.h"
#include "components/widgets/DataBoxes.h"
#include "datastore/DataModule.h"
#include "datastore/FieldValue.h"
#include "datastore/Schema.h"

#include <QListWidget>
#include <QVBoxLayout>

namespace brel {

namespace {

QPointer<TPopupDlg> instance;

// The fill statement of a base-data table of one text column. Both names come
// from the data dictionary, never from the caller's text.
bool choiceStatement(const QString &table, Sql *sql)
{
    const TableDef *def = Schema::table(table);
    if (!def || def->columns.size() != 2 || def->columns[0].type != ColType::Counter
        || def->columns[1].type != ColType::Text)
        return false;
    *sql = Sql(QStringLiteral("SELECT ID,%1 AS TXT FROM %2").arg(def->columns[1].name, def->name), {},
               QStringLiteral("ID"));
    return true;
}

} // namespace

TPopupDlg::TPopupDlg(QWidget *parent) : TEnterFm(parent)
{
    // A panel inside the box's drop-down frame, not a window of its own.
    setWindowFlags(Qt::Widget);
    setObjectName(QStringLiteral("PopupDlg"));
    setFixedSize(377, 123);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("CheckListBox"));
    m_list->setAccessibleName(tr("可选项目"));
    m_list->setFlow(QListView::LeftToRight);
    m_list->setWrapping(true);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setUniformItemSizes(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(m_list);
    connect(m_list, &QListWidget::itemChanged, this, &TPopupDlg::itemChanged);
    layoutColumns();
}

TPopupDlg::~TPopupDlg() = default;

void TPopupDlg::resizeEvent(QResizeEvent *event)
{
    TEnterFm::resizeEvent(event);
    layoutColumns();
}

void TPopupDlg::layoutColumns()
{
    const int width = std::max(40, (m_list->viewport()->width() - 2) / 2);
    m_list->setGridSize(QSize(width, m_list->fontMetrics().height() + 6));
}

void TPopupDlg::ShowChoicePopup(DbPopupEdit *box, ChoiceKind kind)
{
    ShowChoicePopup(box, ChoiceTable(kind));
}

bool TPopupDlg::ShowChoicePopup(DbPopupEdit *box, const QString &table)
{
    Sql sql;
    if (!choiceStatement(table, &sql))
        return false;
    m_target = box;
    m_filling = true;
    m_list->clear();
    QStringList texts;
    try {
        DM()->FillPickList(texts, sql);
    } catch (...) {
        m_filling = false;
        throw;
    }
    const QString current = box ? box->text() : QString();
    const bool writable = targetWritable();
    for (const QString &text : std::as_const(texts)) {
        // An empty entry would add an empty choice (",," or a trailing ","):
        // it is left out of the list.
        if (text.isEmpty())
            continue;
        auto *item = new QListWidgetItem(text, m_list);
        item->setFlags(writable ? Qt::ItemIsEnabled | Qt::ItemIsUserCheckable : Qt::ItemIsUserCheckable);
        item->setCheckState(current.contains(text) ? Qt::Checked : Qt::Unchecked);
        item->setToolTip(text);
    }
    m_list->setEnabled(writable);
    m_filling = false;
    layoutColumns();
    return true;
}

bool TPopupDlg::targetWritable() const
{
    return m_target && !m_target->isDataReadOnly() && !m_target->isMasked() && m_target->fieldLink()->canWrite();
}

QStringList TPopupDlg::entries() const
{
    QStringList out;
    for (int i = 0; i < m_list->count(); ++i)
        out << m_list->item(i)->text();
    return out;
}

QStringList TPopupDlg::tickedEntries() const
{
    QStringList out;
    for (int i = 0; i < m_list->count(); ++i)
        if (m_list->item(i)->checkState() == Qt::Checked)
            out << m_list->item(i)->text();
    return out;
}

QString TPopupDlg::joinChoices(const QStringList &ticked)
{
    QStringList parts;
    for (const QString &text : ticked)
        if (!text.isEmpty())
            parts << text;
    return parts.join(QLatin1Char(','));
}

void TPopupDlg::itemChanged(QListWidgetItem *item)
{
    if (m_filling)
        return;
    const auto undo = [this, item] {
        m_filling = true;
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        m_filling = false;
    };
    // A box that may not be changed (read-only now, or its row not writable)
    // keeps its text and field: the tick is taken back.
    if (!targetWritable()) {
        undo();
        return;
    }
    const QString value = joinChoices(tickedEntries());
    const int size = m_target->fieldLink()->fieldSize();
    if (size > 0 && characterCount(value) > size) {
        undo();
        Messages::information(tr("所选项目的文字超过了%1个字，不能再选择。").arg(size));
        return;
    }
    m_target->setText(value);
}

TPopupDlg *GetPopupDlg()
{
    if (!instance)
        instance = new TPopupDlg;
    return instance;
}

void FreePopupDlg()
{
    delete instance.data();
    instance.clear();
}

QString ChoiceTable(ChoiceKind kind)
{
    return kind == ChoiceKind::Facilities ? QStringLiteral("TbEquip") : QStringLiteral("TbAmbience");
}

bool AttachMultiChoice(DbPopupEdit *box, const QString &table)
{
    Sql sql;
    if (!box || !choiceStatement(table, &sql))
        return false;
    box->setPopupWidget(GetPopupDlg());
    box->setOpenHook([box, table] {
        // The instance may have been freed and made again since attaching.
        TPopupDlg *dlg = GetPopupDlg();
        box->setPopupWidget(dlg);
        dlg->ShowChoicePopup(box, table);
    });
    return true;
}

bool AttachMultiChoice(DbPopupEdit *box, ChoiceKind kind)
{
    return AttachMultiChoice(box, ChoiceTable(kind));
}

} // namespace brel
