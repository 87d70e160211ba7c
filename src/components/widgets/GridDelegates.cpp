#include "components/widgets/GridDelegates.h"

#include "components/DataGridModel.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

namespace brel {

namespace {

QStyleOptionButton checkOption(const QStyleOptionViewItem &option, bool ticked, bool enabled)
{
    QStyleOptionButton box;
    const QStyle *style = option.widget ? option.widget->style() : QApplication::style();
    const QRect indicator = style->subElementRect(QStyle::SE_CheckBoxIndicator, &box, option.widget);
    box.rect = QStyle::alignedRect(option.direction, Qt::AlignCenter, indicator.size(), option.rect);
    box.state = (enabled ? QStyle::State_Enabled : QStyle::State_None) | (ticked ? QStyle::State_On : QStyle::State_Off);
    return box;
}

} // namespace

bool CheckColumnDelegate::isTicked(const QModelIndex &index)
{
    const QVariant raw = index.data(DataGridModel::ValueRole);
    return !raw.isNull() && raw.toLongLong() != 0;
}

void CheckColumnDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    // The background and the focus frame as any cell, the tick in place of the text.
    cell.text.clear();
    const QStyle *style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, option.widget);
    const QStyleOptionButton box = checkOption(option, isTicked(index), index.flags() & Qt::ItemIsEditable);
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, option.widget);
}

bool CheckColumnDelegate::editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                                      const QModelIndex &index)
{
    Q_UNUSED(model);
    if (!(index.flags() & Qt::ItemIsEditable))
        return false;
    bool toggle = false;
    if (event->type() == QEvent::MouseButtonRelease) {
        toggle = static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton
                 && option.rect.contains(static_cast<QMouseEvent *>(event)->position().toPoint());
    } else if (event->type() == QEvent::MouseButtonDblClick) {
        // The second click of a double click is a click of its own.
        return true;
    } else if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        toggle = key == Qt::Key_Space || key == Qt::Key_Select;
    }
    if (!toggle)
        return false;
    emit toggled(index, !isTicked(index));
    return true;
}

QWidget *PickListDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    Q_UNUSED(option);
    Q_UNUSED(index);
    auto *box = new QComboBox(parent);
    box->setEditable(false);
    // The empty entry clears the value.
    box->addItem(QString());
    box->addItems(m_items);
    return box;
}

void PickListDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *box = static_cast<QComboBox *>(editor);
    const QString value = index.data(Qt::EditRole).toString();
    int at = box->findText(value);
    if (at < 0) {
        // A value no longer in the list (a branch renamed since) stays choosable as it is.
        box->addItem(value);
        at = box->count() - 1;
    }
    box->setCurrentIndex(at);
}

void PickListDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    const QString chosen = static_cast<QComboBox *>(editor)->currentText();
    if (chosen != index.data(Qt::EditRole).toString())
        model->setData(index, chosen, Qt::EditRole);
}

QWidget *PasswordDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    Q_UNUSED(option);
    Q_UNUSED(index);
    auto *box = new QLineEdit(parent);
    box->setEchoMode(QLineEdit::Password);
    box->setMaxLength(m_maxLength);
    return box;
}

void PasswordDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    Q_UNUSED(index);
    // Never the stored value: typing replaces the password.
    static_cast<QLineEdit *>(editor)->clear();
}

void PasswordDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    auto *box = static_cast<QLineEdit *>(editor);
    // Leaving the box without typing keeps the password.
    if (box->isModified())
        model->setData(index, box->text(), Qt::EditRole);
}

} // namespace brel
