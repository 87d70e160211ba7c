#pragma once

#include <QStringList>
#include <QStyledItemDelegate>

namespace brel {

/// A grid column of yes/no values (1/0) drawn as check boxes. A click on
/// the cell or the space bar asks for the opposite value through toggled;
/// the owner writes it. A read-only cell only shows its tick.
class CheckColumnDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    /// True when the cell's raw value counts as ticked.
    static bool isTicked(const QModelIndex &index);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return nullptr;
    }

signals:
    void toggled(const QModelIndex &index, bool ticked);

protected:
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;
};

/// A grid column whose value is chosen from a list (e.g. branch names); the
/// list may be replaced at any time and applies to the next editor.
class PickListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setItems(const QStringList &items) { m_items = items; }
    const QStringList &items() const { return m_items; }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

private:
    QStringList m_items;
};

/// A password column: the editor starts empty and hides what is typed, so
/// the stored value (a hash) never reaches a box; only a typed text is
/// written, replacing the password. The column's shown text is the owner's
/// (a cell hook shows "*").
class PasswordDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit PasswordDelegate(int maxLength, QObject *parent = nullptr)
        : QStyledItemDelegate(parent), m_maxLength(maxLength) {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

private:
    int m_maxLength;
};

/// A column that is shown but never typed into (a name the program owns).
class ReadOnlyDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return nullptr;
    }
};

} // namespace brel
