#pragma once

#include "components/widgets/DataBoxes.h"
#include "datastore/DataSet.h"
#include "datastore/Money.h"
#include "shell/DesktopChildForm.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QStringList>

class QAbstractButton;
class QLabel;
class QMenu;
class QPushButton;

namespace brel {

/// Editable drop-down that can hide its value behind "*" characters, as the
/// contact boxes do (the property certificate is offered from a list).
class DbMaskPickBox : public DbPickBox {
    Q_OBJECT
public:
    explicit DbMaskPickBox(QWidget *parent = nullptr);
    void setMasked(bool masked);
    bool isMasked() const { return m_masked; }

private:
    void applyMask();
    bool m_masked = false;
};

/// A data-bound check box as forms make it (with its parent only).
class DbFormCheckBox : public DbCheckBox {
    Q_OBJECT
public:
    explicit DbFormCheckBox(QWidget *parent = nullptr) : DbCheckBox(QString(), parent) {}
};

/// What the four register windows (houses for rent and for sale, requests
/// to rent and to buy) share: one row of their table shown as a form whose
/// rows the main window's record buttons drive.
///
/// A window builds its form, then calls BindBoxes (every data-aware box with
/// a "dataField" property is bound, named in messages by its buddy label,
/// and a numeric box gets the numeric key filter), names its checks,
/// sections, state commands and masked boxes, and opens its query with
/// OpenRecords. From then on the base gives each new row its defaults, runs
/// the checks before a row is saved, keeps the approximate address, applies
/// the rights and masking of the current row, enables the sections by the
/// row's state, opens on the row the main window handed over (Tag) and
/// saves or discards the row being edited on closing.
class TManageChildFm : public TDesktopChildFm {
    Q_OBJECT
public:
    /// table: the register table the window writes (e.g. "TbRental").
    TManageChildFm(const QString &table, QWidget *parent = nullptr);
    ~TManageChildFm() override;

    DataSet *NavigatorDataSet() const override { return m_query; }
    /// Narrows the main window's add, edit and delete commands for the
    /// current row, makes the boxes read-only when the row may not be
    /// modified, enables the print button and the state commands, and masks
    /// the contact boxes. Changes nothing when the window has no rights group
    /// but the picture button's count.
    void RefreshRecordRights() override;

    /// One check before a row is saved: the field's value is checked under
    /// the caption; on failure the focus goes to box.
    struct RecordCheck {
        enum Kind { NotEmpty, ReceiptUnique, Money, Integer, Date };
        Kind kind;
        QString field;
        QString caption;
        QWidget *box = nullptr;
    };

    /// Boxes enabled only in some states of the row (ZTW codes).
    struct Section {
        QList<QWidget *> boxes;
        QStringList enabledIn; ///< e.g. {"01"}; empty = always disabled
    };

    /// Whether the user may modify the current row (or the row is being
    /// inserted), as the rights hook last found.
    bool RowEditable() const { return m_rowEditable; }
    /// The rate in percent the commissions are computed with.
    Money CommissionRate;
    /// Commission for a typed agreed price at CommissionRate, in cents (half to even).
    Money CommissionFor(Money amount) const;
    /// The print button's menu: the main window's sheets of this register.
    QMenu *pmPrint = nullptr;

    /// The window's query: every row of table with its state text ZTW_TXT
    /// ("00" and unknown codes openText, "01" closedText, "02" 已作废).
    static Sql StateTextSql(const QString &table, const QString &openText, const QString &closedText);
    /// The row's state code; an empty code, or a table without states, counts as "00".
    QString StateCode() const;
    /// The box bound to field, or nullptr.
    QWidget *BoxOf(const QString &field) const { return m_boxes.value(field); }

protected:
    /// Binds every data-aware box below root that carries a "dataField"
    /// property to the window's data set. A box may carry "displayFormat"
    /// (money pattern) too.
    void BindBoxes(QWidget *root);
    /// Offers the texts of sql (one column TXT) in box.
    void FillPickBox(DbPickBox *box, const Sql &sql);
    void SetChecks(const QList<RecordCheck> &checks) { m_checks = checks; }
    void SetSections(const QList<Section> &sections) { m_sections = sections; }
    /// Commands usable on a row on offer ("00") and on a closed row ("01", "02").
    void SetStateCommands(const QList<QWidget *> &onOffer, const QList<QWidget *> &onClosed);
    /// Boxes shown as "*" characters to a user who may not see the contacts.
    void SetMaskedBoxes(const QList<QWidget *> &boxes) { m_masked = boxes; }
    void SetPrintButton(QWidget *button) { m_print = button; }
    /// The commission field follows every valid change of the price box
    /// (checked under caption); an invalid text shows its message only.
    void SetAgreedPrice(DbEdit *priceBox, const QString &caption, const QString &commissionField);
    /// Opens the window's query and binds it for the record buttons.
    void OpenRecords(const Sql &sql);

    /// What the house registers (rent and sale) share, on a form set up in
    /// pnDesktop whose boxes carry the common field names: the window sized
    /// to the form, the boxes bound, the commission rate of TbFee row feeId
    /// read once and shown in rateLabel, the five lookup lists filled, the
    /// address, certificate, telephone and identity boxes masked, the
    /// multi-choice popups attached, the print button dropping down sheets
    /// and the picture button browsing the floor plans (its caption counts
    /// them).
    void SetUpHouseForm(int feeId, QLabel *rateLabel, QPushButton *picture, QPushButton *print, QMenu *sheets);
    /// The checks of the house registers, in order: receipt number present
    /// and unique, asking price, contact, agreed price, commission (YJJE).
    void SetHouseChecks(const QString &priceField, const QString &priceCaption, const QString &agreedField,
                        const QString &agreedCaption);
    /// The deal is recorded: dateField and the handling date today, the
    /// clerk as handler, the row closed ("01") with its sections switched,
    /// and the log line action with the receipt number. Not saved.
    void StampDeal(const QString &dateField, const QString &action);

    /// The window's own defaults of a new row, after the common ones.
    virtual void InitNewRecord() {}
    /// Runs the checks in order: the first that fails shows its message,
    /// takes the focus to its box and returns false.
    bool RunChecks();
    /// Enables the sections for a state code; other codes change nothing.
    void ApplySections(const QString &code);

    /// 房屋作废: after the question, the row is voided and saved at once; the
    /// log line is written only when the save went through.
    void VoidRecord();
    /// Puts the row into edit state unless it is already editing.
    void EnsureEditing();
    /// "收件号：" + the current receipt number.
    QString ReceiptDetails() const;
    /// 看房型图: with the main window's edit command enabled the row's picture
    /// list (FXT) is edited in the browser and the row saved at once (the
    /// checks apply; a failed check leaves the new list pending); otherwise
    /// the pictures are only shown.
    void BrowseFloorPlans();

    void showEvent(QShowEvent *event) override;
    /// A new row not yet saved is discarded; an edited row is saved, and
    /// the window stays open when that fails.
    void closeEvent(QCloseEvent *event) override;

    DataSet *m_query = nullptr;
    DataSource *m_source = nullptr;

private:
    void onNewRecord();
    void onBeforePost(DataSet::PostVeto *veto);
    void onDataChanged(int field);
    void onAgreedPriceText(const QString &text);
    void setMasked(bool masked);
    static void narrow(const char *command, bool allowed);

    QString m_table;
    QList<RecordCheck> m_checks;
    QList<Section> m_sections;
    QList<QWidget *> m_onOffer;
    QList<QWidget *> m_onClosed;
    QList<QWidget *> m_masked;
    QPointer<QWidget> m_print;
    QPointer<QPushButton> m_picture;
    QHash<QString, QWidget *> m_boxes;
    QPointer<DbEdit> m_priceBox;
    QString m_priceCaption;
    QString m_commissionField;
    bool m_rowEditable = false;
    qint64 m_shownTag = 0;
};

} // namespace brel
