#pragma once

#include "shell/EnterForm.h"

#include <QColor>
#include <QPointer>

namespace brel {

/// Base of every window shown in the main window's client panel: no frame,
/// it fills its parent, and it finds its rights group by its hint text.
class TChildFm : public TEnterFm {
    Q_OBJECT
public:
    /// Background of every child window.
    static inline const QColor Background = QColor(208, 224, 239);

    explicit TChildFm(QWidget *parent = nullptr);

    /// Number (1..3) of the rights group this window belongs to; 0 for none.
    int RightsGroupIndex = 0;

    /// Names the rights group: "房屋出租", "房屋出售", "求租求购" or empty.
    QString hint() const { return m_hint; }
    void setHint(const QString &hint) { m_hint = hint; }

    /// Recomputes RightsGroupIndex from the hint; subclasses then enable their
    /// commands for the current record (calling this first).
    virtual void RefreshRecordRights();
    /// Lets a search window recolour or reword a grid cell. Nothing here.
    virtual void DrawGridCell(int groupIndex, int column, QColor &background, QString &text, int row);

    /// Lets the user type into every data-bound box of the window (text,
    /// date, pick, popup, check and memo boxes) when allowed, and makes each
    /// read-only otherwise: each box's read-only := !allowed. The management
    /// windows pass whether the user may modify the current row. The
    /// calculator box is left alone: its enabling governs it.
    void SetEditorsEditable(bool allowed);

    /// The control that gets the focus when the window is shown.
    void setFirstControl(QWidget *control) { m_firstControl = control; }

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    void followParent();

    QString m_hint;
    QPointer<QWidget> m_firstControl;
    QPointer<QWidget> m_watchedParent;
};

} // namespace brel
