#pragma once

#include <QDialog>

namespace brel {

/// Base of the program's dialogs and child windows: it sees every key before
/// its controls, and Enter (or Return) moves the focus to the next control in
/// tab order, as Tab would. The key still reaches the control afterwards.
class TEnterFm : public QDialog {
    Q_OBJECT
public:
    explicit TEnterFm(QWidget *parent = nullptr);
    ~TEnterFm() override;

    /// Application-wide message hook; the main window installs the current
    /// child's. Nothing happens here.
    virtual void AppMessage(QEvent *event);

protected:
    /// Called after Enter moved the focus on from control (which still gets
    /// the key next). Subclasses add their own Enter behaviour here.
    virtual void enterPressed(QWidget *control);

    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace brel
