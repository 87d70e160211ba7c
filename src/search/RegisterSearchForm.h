#pragma once

#include "search/SearchChildForm.h"

namespace brel {

/// The search window of one register (houses for rent or for sale, requests
/// to rent or to buy): what it lists, how it matches the opposite register,
/// which windows and sheets its rows go to. The four windows differ only by
/// their Kind.
class TRegisterSearchFm : public TSearchChildFm {
    Q_OBJECT
public:
    struct Kind {
        QString caption;        ///< window caption
        QString hint;           ///< rights group name
        QString table;          ///< register searched
        QString matchTable;     ///< register matched
        QStringList areaItems;  ///< state range, "全部" first
        int areaDefault = 0;
        /// Fields in column order; "*" after a field gives it tag 1.
        QString searchColumns;
        QString matchColumns;
        QString searchKey;      ///< layout keys of the grids
        QString matchKey;
        int matchGroup = 0;     ///< rights group of the matched register
        QString matchOperator;  ///< numbers: ">=" for offers, "<=" for requests
        QString manage;         ///< management window of a search row
        QString matchManage;    ///< and of a match row
        QString sheets[3];      ///< notice, receipt, archive sheet commands ("" = none)
        RecordActivities activities;
    };

    /// The statement listing table: offers with their state text ZTW_TXT
    /// (openText, closedText, 已作废, anything else empty); requests as they are.
    static Sql ListStatement(const QString &table);
    /// The caption every window gives a field's column.
    static QString FieldCaption(const QString &field);
    /// Columns of a Kind's field list (see Kind::searchColumns).
    static GridColumns ColumnsOf(const QString &fields);

    const Kind &SearchKind() const { return m_kind; }

protected:
    TRegisterSearchFm(Kind kind, QWidget *parent);

private:
    Kind m_kind;
};

/// 房屋出租查询
class TRentalSearchFm : public TRegisterSearchFm {
    Q_OBJECT
public:
    explicit TRentalSearchFm(QWidget *parent = nullptr);
};

/// 房屋出售查询
class TSaleSearchFm : public TRegisterSearchFm {
    Q_OBJECT
public:
    explicit TSaleSearchFm(QWidget *parent = nullptr);
};

/// 房屋求租查询
class TQRentalSearchFm : public TRegisterSearchFm {
    Q_OBJECT
public:
    explicit TQRentalSearchFm(QWidget *parent = nullptr);
};

/// 房屋求购查询
class TQBuySearchFm : public TRegisterSearchFm {
    Q_OBJECT
public:
    explicit TQBuySearchFm(QWidget *parent = nullptr);
};

} // namespace brel
