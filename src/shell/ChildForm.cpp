#include "shell/ChildForm.h"

#include "components/widgets/DataBoxes.h"
#include "datastore/Rights.h"

#include <QEvent>
#include <QKeyEvent>
#include <QVariant>

namespace brel {

TChildFm::TChildFm(QWidget *parent)
    : TEnterFm(parent)
{
    setWindowFlags(Qt::Widget);
    setAttribute(Qt::WA_DeleteOnClose);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Background);
    setPalette(pal);
    followParent();
}

void TChildFm::RefreshRecordRights()
{
    if (m_hint.trimmed().isEmpty())
        return;
    RightsGroupIndex = LoadedRightsGroup(m_hint);
}

void TChildFm::DrawGridCell(int groupIndex, int column, QColor &background, QString &text, int row)
{
    Q_UNUSED(groupIndex);
    Q_UNUSED(column);
    Q_UNUSED(background);
    Q_UNUSED(text);
    Q_UNUSED(row);
}

void TChildFm::SetEditorsEditable(bool allowed)
{
    for (QWidget *w : findChildren<QWidget *>()) {
        // The commission calculator box follows its own enabling alone.
        if (qobject_cast<DbCalcEdit *>(w))
            continue;
        if (auto *box = dynamic_cast<DataAware *>(w))
            box->setDataReadOnly(!allowed);
    }
}

void TChildFm::showEvent(QShowEvent *event)
{
    TEnterFm::showEvent(event);
    if (m_firstControl)
        m_firstControl->setFocus(Qt::OtherFocusReason);
}

void TChildFm::keyPressEvent(QKeyEvent *event)
{
    // A child window is not a dialog to its user: Escape must not hide it and
    // Enter must not press a button. Skip QDialog's handling of both.
    QWidget::keyPressEvent(event);
}

bool TChildFm::event(QEvent *event)
{
    if (event->type() == QEvent::ParentChange)
        followParent();
    return TEnterFm::event(event);
}

bool TChildFm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_watchedParent && event->type() == QEvent::Resize)
        setGeometry(m_watchedParent->rect());
    return TEnterFm::eventFilter(watched, event);
}

// The window covers its parent (the client panel) whatever size that takes.
void TChildFm::followParent()
{
    if (m_watchedParent)
        m_watchedParent->removeEventFilter(this);
    m_watchedParent = parentWidget();
    if (m_watchedParent) {
        m_watchedParent->installEventFilter(this);
        setGeometry(m_watchedParent->rect());
    }
}

} // namespace brel
