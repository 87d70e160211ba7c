#pragma once

#include <QIcon>
#include <QWidget>

class QListWidget;
class QListWidgetItem;
class QToolButton;
class QVBoxLayout;

namespace brel {

/// Navigation bar of groups holding items; each item carries a tag that a
/// click reports. One group is open at a time and shows its items; items
/// and whole groups can be disabled.
class SideBar : public QWidget {
    Q_OBJECT
public:
    explicit SideBar(QWidget *parent = nullptr);

    /// Appends a group; returns its index (from 0).
    int addGroup(const QString &caption);
    /// Appends an item to group; tags identify items across the bar.
    void addItem(int group, const QString &caption, int tag, const QIcon &icon = {});

    int groupCount() const { return int(m_groups.size()); }
    int itemCount(int group) const;
    QString groupCaption(int group) const;
    QString itemCaption(int group, int item) const;
    int itemTag(int group, int item) const;

    void setOpenGroup(int group);
    int openGroup() const { return m_open; }
    /// Opens the item's group and selects the item (no click is reported).
    void selectItem(int group, int item);
    /// selectItem for the item carrying tag; false when no item has it.
    bool selectTag(int tag);
    int selectedTag() const; ///< 0 when none

    void setItemEnabled(int tag, bool enabled);
    bool isItemEnabled(int tag) const;
    void setGroupEnabled(int group, bool enabled);
    bool isGroupEnabled(int group) const;
    /// Every group and item.
    void setAllEnabled(bool enabled);

    /// What a click on the item does: selects it and reports its tag, unless it is disabled.
    void clickTag(int tag);
    QListWidget *itemList(int group) const;
    QToolButton *groupButton(int group) const;

signals:
    void itemClicked(int tag);
    void openGroupChanged(int group);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layOutItems();
    struct Group {
        QToolButton *button;
        QListWidget *list;
        bool enabled = true;
    };
    QListWidgetItem *findTag(int tag, int *group = nullptr) const;
    void onItemClicked(int group, QListWidgetItem *item);

    QVBoxLayout *m_layout;
    QVector<Group> m_groups;
    int m_open = -1;
};

} // namespace brel
