#pragma once

#include "shell/EnterForm.h"

#include <QPointer>
#include <QStringList>

class QListWidget;
class QListWidgetItem;

namespace brel {

class DbPopupEdit;

/// Which base-data list a multi-choice box offers.
enum class ChoiceKind {
    Surroundings = 0, ///< ZWHJ from TbAmbience
    Facilities = 1,   ///< FWSS from TbEquip
};

/// The drop-down panel of the multi-choice boxes (surroundings, facilities):
/// a two-column check list of a base-data table. Ticking or unticking an
/// entry rewrites the served box's text at once as the ticked entries in list
/// order joined with ","; the box writes its field when the drop-down closes.
/// One instance serves both boxes of the open register window.
class TPopupDlg : public TEnterFm {
    Q_OBJECT
public:
    explicit TPopupDlg(QWidget *parent = nullptr);
    ~TPopupDlg() override;

    /// Makes box the target and fills the list with the kind's entries,
    /// ticking each entry that occurs in the box's text.
    void ShowChoicePopup(DbPopupEdit *box, ChoiceKind kind);
    /// The same for any base-data table of one text column (TbAmbience,
    /// TbEquip, ...); false when table is not such a table.
    bool ShowChoicePopup(DbPopupEdit *box, const QString &table);

    DbPopupEdit *target() const { return m_target; }
    QListWidget *checkList() const { return m_list; }
    /// Entries in list order, and the ticked ones.
    QStringList entries() const;
    QStringList tickedEntries() const;

    /// The box's value for the ticked entries: joined with ",", none → empty.
    static QString joinChoices(const QStringList &ticked);

private:
    void itemChanged(QListWidgetItem *item);
    void layoutColumns();
    bool targetWritable() const;

    QPointer<DbPopupEdit> m_target;
    QListWidget *m_list = nullptr;
    bool m_filling = false;

protected:
    void resizeEvent(QResizeEvent *event) override;
};

/// The one instance, made when there is none.
TPopupDlg *GetPopupDlg();
/// Destroys the instance when there is one; the next GetPopupDlg makes a new one.
void FreePopupDlg();

/// The base-data table of a kind ("TbAmbience", "TbEquip").
QString ChoiceTable(ChoiceKind kind);

/// Makes box a multi-choice box over the base-data table (e.g. "TbAmbience"):
/// the shared panel drops down from it and is filled from table each time it
/// opens. A read-only box does not open it, so it never changes the field.
/// False (nothing changed) when table is not a one-text-column base-data table.
bool AttachMultiChoice(DbPopupEdit *box, const QString &table);
bool AttachMultiChoice(DbPopupEdit *box, ChoiceKind kind);

} // namespace brel
