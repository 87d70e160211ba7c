#include "shell/widgets/MessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace brel {

Messages::Answer MessageBoxHandler::show(const Messages::Message &m)
{
    QMessageBox box(QApplication::activeWindow());
    switch (m.icon) {
    case Messages::Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Messages::Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Messages::Icon::Error: box.setIcon(QMessageBox::Critical); break;
    case Messages::Icon::Question: box.setIcon(QMessageBox::Question); break;
    }
    box.setWindowTitle(m.caption.isEmpty() ? QApplication::applicationDisplayName() : m.caption);
    box.setText(m.text);
    switch (m.buttons) {
    case Messages::Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Messages::Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case Messages::Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    }
    if (QAbstractButton *ok = box.button(QMessageBox::Ok))
        ok->setText(QApplication::translate("Messages", "确定"));
    if (QAbstractButton *cancel = box.button(QMessageBox::Cancel))
        cancel->setText(QApplication::translate("Messages", "取消"));
    if (QAbstractButton *yes = box.button(QMessageBox::Yes))
        yes->setText(QApplication::translate("Messages", "是"));
    if (QAbstractButton *no = box.button(QMessageBox::No))
        no->setText(QApplication::translate("Messages", "否"));
    switch (box.exec()) {
    case QMessageBox::Ok: return Messages::Answer::Ok;
    case QMessageBox::Yes: return Messages::Answer::Yes;
    case QMessageBox::No: return Messages::Answer::No;
    default: return Messages::Answer::Cancel;
    }
}

void installMessageBoxes()
{
    static MessageBoxHandler handler;
    Messages::setHandler(&handler);
}

} // namespace brel
