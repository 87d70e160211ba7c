#pragma once

#include "components/Report.h"
#include "datastore/Engine.h"

#include <QDate>
#include <QString>
#include <QVector>

#include <optional>

namespace brel {

/// The ten listing sheets: notices, registration receipts and archives.
enum class Sheet {
    RentalRelease,
    RentalReturn,
    RentalSave,
    SaleRelease,
    SaleReturn,
    SaleSave,
    QQRentalRelease,
    QQRentalReturn,
    QBuyRelease,
    QBuyReturn
};

struct SheetInfo {
    Sheet sheet;
    QString command;         ///< the main window's command, e.g. "atRentalRelease"
    QString windowClass;     ///< object name of its window, e.g. "TQRentalReleaseFm"
    QString caption;         ///< window caption
    QString title;           ///< printed title
    QString noRecordMessage; ///< shown when the statement returns no record
    double detailHeight;     ///< mm
};

/// Every sheet, in the order of the table above.
const QVector<SheetInfo> &Sheets();
const SheetInfo &SheetOf(Sheet sheet);
/// The sheet a main-window command prints; none for another command.
std::optional<Sheet> SheetOfCommand(const QString &command);
/// The sheet's statement (its register in its state) without an Id filter.
Sql SheetStatement(Sheet sheet);
/// The detail band of one record of sheet (its lines, frames and labels).
void BuildSheetLayout(Report &report, Sheet sheet);

/// The staff statistics' statement for user over the whole days from..to
/// (a stamp with a time on the last day counts): rows SLR, BJ, SJS, YJXJ.
/// Without a user it reports every user, ordered by user.
Sql PieceStatStatement(const std::optional<QString> &user, const QDate &from, const QDate &to);
/// Its group header, detail, group footer (lbTotal1, lbSum1) and summary
/// (lbTotal2, lbSum2) bands, grouped by SLR; the title band is the caller's.
void BuildPieceStatLayout(Report &report);

} // namespace brel
