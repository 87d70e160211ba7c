#pragma once

#include "listings/ManageChildForm.h"

#include <functional>

class QMenu;

namespace brel {

/// What customers are looking for: the common window of the rent requests
/// (TbQRental) and the buy requests (TbQBuy). A request has no state, no
/// commission and no floor plans; it is entered, edited, printed and
/// deleted. The two windows differ only by their form and by the Kind below.
class TRequestManageFm : public TManageChildFm {
    Q_OBJECT
public:
    /// How one request window differs from the other.
    struct Kind {
        QString table;               ///< TbQRental or TbQBuy
        QString caption;             ///< the window's caption
        RecordActivities activities; ///< the main window's log lines
        QString priceField;          ///< the amount the request names (checked as money)
        QString priceCaption;        ///< its label in the messages
        QStringList printActions;    ///< the main window's sheets of these requests
        /// Drop-down lists of this window only: box name and query.
        QList<QPair<QString, QString>> ownPickLists;
    };

    ~TRequestManageFm() override;

    RecordActivities LogActivities() const override { return m_kind.activities; }
    const Kind &RequestKind() const { return m_kind; }

protected:
    /// setupForm lays the window's Designer form into the desktop panel; the
    /// boxes are then found by their names.
    TRequestManageFm(Kind kind, const std::function<void(QWidget *)> &setupForm, QWidget *parent);

private:
    template<typename T>
    T *formBox(const QString &name) const;

    Kind m_kind;
};

/// 房屋求租管理: people who want to rent a house.
class TQRentalManageFm : public TRequestManageFm {
    Q_OBJECT
public:
    explicit TQRentalManageFm(QWidget *parent = nullptr);
};

/// 房屋求购管理: people who want to buy a house; the form adds the property
/// type, years of use and completion date.
class TQBuyManageFm : public TRequestManageFm {
    Q_OBJECT
public:
    explicit TQBuyManageFm(QWidget *parent = nullptr);
};

} // namespace brel
