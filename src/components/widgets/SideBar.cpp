#include "components/widgets/SideBar.h"

#include <QListWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace brel {

namespace {
constexpr int TagRole = Qt::UserRole + 1;
} // namespace

SideBar::SideBar(QWidget *parent) : QWidget(parent), m_layout(new QVBoxLayout(this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(1);
    m_layout->addStretch();
}

int SideBar::addGroup(const QString &caption)
{
    const int index = int(m_groups.size());
    auto *button = new QToolButton(this);
    button->setObjectName(QStringLiteral("sideGroup%1").arg(index));
    button->setText(caption);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setCheckable(true);
    button->setAutoRaise(false);
    auto *list = new QListWidget(this);
    list->setObjectName(QStringLiteral("sideItems%1").arg(index));
    list->setViewMode(QListView::IconMode);
    // Grid cells as wide as the bar: one item per line, centred.
    list->setFlow(QListView::LeftToRight);
    list->setWrapping(true);
    list->setMovement(QListView::Static);
    list->setResizeMode(QListView::Adjust);
    list->setIconSize(QSize(32, 32));
    // A long caption takes a second line rather than being cut at the bar's edge.
    list->setWordWrap(true);
    list->setUniformItemSizes(false);
    list->setTextElideMode(Qt::ElideNone);
    list->setSpacing(0);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setFrameShape(QFrame::NoFrame);
    list->hide();
    // Before the stretch at the end.
    m_layout->insertWidget(m_layout->count() - 1, button);
    m_layout->insertWidget(m_layout->count() - 1, list, 1);
    m_groups.append({button, list, true});
    connect(button, &QToolButton::clicked, this, [this, index] { setOpenGroup(index); });
    connect(list, &QListWidget::itemClicked, this, [this, index](QListWidgetItem *item) { onItemClicked(index, item); });
    if (m_open < 0)
        setOpenGroup(index);
    return index;
}

void SideBar::addItem(int group, const QString &caption, int tag, const QIcon &icon)
{
    if (group < 0 || group >= m_groups.size())
        return;
    auto *item = new QListWidgetItem(icon, caption);
    item->setData(TagRole, tag);
    item->setTextAlignment(Qt::AlignHCenter);
    m_groups[group].list->addItem(item);
    layOutItems();
}

void SideBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOutItems();
}

void SideBar::layOutItems()
{
    // One item per line, as wide as the bar, caption under the icon in up to two lines.
    for (const Group &g : m_groups)
        g.list->setGridSize(QSize(std::max(40, g.list->viewport()->width() - 2),
                                  g.list->iconSize().height() + 2 * fontMetrics().height() + 12));
}

int SideBar::itemCount(int group) const
{
    return group >= 0 && group < m_groups.size() ? m_groups.at(group).list->count() : 0;
}

QString SideBar::groupCaption(int group) const
{
    return group >= 0 && group < m_groups.size() ? m_groups.at(group).button->text() : QString();
}

QString SideBar::itemCaption(int group, int item) const
{
    QListWidget *list = itemList(group);
    QListWidgetItem *it = list ? list->item(item) : nullptr;
    return it ? it->text() : QString();
}

int SideBar::itemTag(int group, int item) const
{
    QListWidget *list = itemList(group);
    QListWidgetItem *it = list ? list->item(item) : nullptr;
    return it ? it->data(TagRole).toInt() : 0;
}

QListWidget *SideBar::itemList(int group) const
{
    return group >= 0 && group < m_groups.size() ? m_groups.at(group).list : nullptr;
}

QToolButton *SideBar::groupButton(int group) const
{
    return group >= 0 && group < m_groups.size() ? m_groups.at(group).button : nullptr;
}

void SideBar::setOpenGroup(int group)
{
    if (group < 0 || group >= m_groups.size())
        return;
    for (int i = 0; i < m_groups.size(); ++i) {
        m_groups[i].list->setVisible(i == group);
        m_groups[i].button->setChecked(i == group);
    }
    if (m_open == group)
        return;
    m_open = group;
    emit openGroupChanged(group);
}

void SideBar::selectItem(int group, int item)
{
    QListWidget *list = itemList(group);
    if (!list || item < 0 || item >= list->count())
        return;
    setOpenGroup(group);
    for (int i = 0; i < m_groups.size(); ++i)
        if (i != group)
            m_groups[i].list->clearSelection();
    list->setCurrentRow(item);
}

bool SideBar::selectTag(int tag)
{
    int group = -1;
    QListWidgetItem *item = findTag(tag, &group);
    if (!item)
        return false;
    selectItem(group, m_groups.at(group).list->row(item));
    return true;
}

int SideBar::selectedTag() const
{
    for (const Group &g : m_groups) {
        const QList<QListWidgetItem *> selected = g.list->selectedItems();
        if (!selected.isEmpty())
            return selected.first()->data(TagRole).toInt();
    }
    return 0;
}

QListWidgetItem *SideBar::findTag(int tag, int *group) const
{
    for (int g = 0; g < m_groups.size(); ++g) {
        QListWidget *list = m_groups.at(g).list;
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->data(TagRole).toInt() == tag) {
                if (group)
                    *group = g;
                return list->item(i);
            }
        }
    }
    return nullptr;
}

void SideBar::setItemEnabled(int tag, bool enabled)
{
    QListWidgetItem *item = findTag(tag);
    if (!item)
        return;
    item->setFlags(enabled ? (item->flags() | Qt::ItemIsEnabled) : (item->flags() & ~Qt::ItemIsEnabled));
}

bool SideBar::isItemEnabled(int tag) const
{
    int group = -1;
    QListWidgetItem *item = findTag(tag, &group);
    return item && (item->flags() & Qt::ItemIsEnabled) && m_groups.at(group).enabled;
}

void SideBar::setGroupEnabled(int group, bool enabled)
{
    if (group < 0 || group >= m_groups.size())
        return;
    m_groups[group].enabled = enabled;
    m_groups[group].list->setEnabled(enabled);
}

bool SideBar::isGroupEnabled(int group) const
{
    return group >= 0 && group < m_groups.size() && m_groups.at(group).enabled;
}

void SideBar::setAllEnabled(bool enabled)
{
    for (int g = 0; g < m_groups.size(); ++g) {
        setGroupEnabled(g, enabled);
        QListWidget *list = m_groups.at(g).list;
        for (int i = 0; i < list->count(); ++i)
            setItemEnabled(list->item(i)->data(TagRole).toInt(), enabled);
    }
}

void SideBar::clickTag(int tag)
{
    int group = -1;
    QListWidgetItem *item = findTag(tag, &group);
    if (item)
        onItemClicked(group, item);
}

void SideBar::onItemClicked(int group, QListWidgetItem *item)
{
    const int tag = item->data(TagRole).toInt();
    if (!isItemEnabled(tag))
        return;
    selectItem(group, m_groups.at(group).list->row(item));
    emit itemClicked(tag);
}

} // namespace brel
