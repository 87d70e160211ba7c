#pragma once

#include "datastore/Money.h"

#include <QDate>
#include <QString>
#include <array>

namespace brel {

/// One rights group of the logged-in user (TbRes row).
struct ResRecord {
    QString ZYMC; ///< group name: "房屋出租", "房屋出售", "求租求购"
    bool LLQX = false; ///< browse
    bool XZQX = false; ///< add
    bool XGQX = false; ///< modify
    bool SCQX = false; ///< delete
    bool DYQX = false; ///< print
    bool DHQX = false; ///< see telephone and address
    bool GLQX = false; ///< manage the records of others
};

struct UserRecord {
    int Id = 0;        ///< 1 = administrator, 0 before the first login
    QString YHXM;      ///< login name
    QString YHMM;      ///< password as typed
    QString SSFD;      ///< branch
    /// Res[1..3]; Res[0] is unused so group numbers index directly.
    std::array<ResRecord, 4> Res;
};

struct SysOptionsRecord {
    bool ZDSJH = false; ///< automatic receipt numbers
    bool XSLJ = false;  ///< show the working file in the caption
    bool CZRZ = false;  ///< keep the operation log
};

extern UserRecord CurrentUser;
/// Folder of the program file, without a trailing separator.
extern QString AppDir;
extern QString WorkingFile;
extern SysOptionsRecord SysOptions;

/// Clears the text globals at program end.
void ClearGlobals();

// Input checks. Each takes the caption of the box (without a colon) and its
// text; on failure it shows the error box naming the caption and returns false.

bool CheckNotEmpty(const QString &caption, const QString &text);
// The three below pass exactly the non-empty texts a data set stores in a
// field of that type (toFieldValue).

/// A 32-bit integer, surrounding spaces allowed.
bool CheckInteger(const QString &caption, const QString &text);
/// A decimal amount as Money::parse reads it, within what is stored exactly.
bool CheckMoney(const QString &caption, const QString &text);
/// A real day as dateFromText reads it ("2024-01-05", "2024-1-5", with a time).
bool CheckDate(const QString &caption, const QString &text);

/// The messages of the checks, for windows that word their own checks alike.
QString NotEmptyMessage(const QString &caption);
QString IncorrectMessage(const QString &caption);
QString IncorrectDateMessage(const QString &caption);
QString ReceiptNoExistsMessage(const QString &receiptNo);

/// True (after the error box) when another row of table than id holds the
/// receipt number; id 0 stands for a row not yet saved. table must be one of
/// the schema's tables. Engine errors pass on.
bool ReceiptNoExists(qint64 id, const QString &receiptNo, const QString &table);
/// number with leading zeros to 8 digits; longer numbers in full.
QString FormatReceiptNo(qint64 number);
/// "0" followed by number: 0 → "00" (a choice index as a ZTW code).
QString StateCode(int number);
/// Days of month (1..12) in year; 0 for another month number.
int MonthDays(int year, int month);
/// Rate (percent) of TbFee row id; 0 when missing, unreadable or on any failure.
Money GetFeeRate(int id);
/// Commission on amount at ratePercent (a TbFee rate): amount × rate / 100,
/// half to even at decimals. The deal commands store four decimals; a typed
/// agreed price gives two. Amounts stay in their own unit (a sale price in
/// 万元 gives a commission in 万元).
Money Commission(Money amount, Money ratePercent, int decimals = 4);
/// Earliest entry date LRRQ of a register table; today when there is none
/// or on any failure.
QDate EarliestEntryDate(const QString &table);

/// Key filter of numeric boxes: true when key (the typed key text) may go
/// into a box holding text. Digits, backspace and delete pass; a decimal point
/// only when the box holds none. A key without text (arrows, function keys)
/// is not a character and passes.
bool NumericKeyFilter(const QString &text, const QString &key);

/// Length of text in its GBK form: characters below 0x80 take one byte,
/// every other character two.
int GbkByteLength(const QString &text);
/// The approximate address DGDZ of a full address: about two thirds of its
/// GBK bytes, cut at an even byte count and never inside a character.
QString MakeRoughAddress(const QString &address);

/// Folder of the floor-plan pictures: AppDir + "/Picture".
QString PictureDir();
/// How many names of a comma list name an existing file in PictureDir().
int CountPictures(const QString &list);
/// The name with ".~" in place of its first dot (Temp.mdb → Temp.~mdb; no
/// dot: ".~" + name). A folder part in front is kept as it is.
QString BackupName(const QString &fileName);

/// SysOptions from the options row TbSetings, by a statement of its own (Q1
/// and Q2 stay as they are). Engine errors pass on.
void LoadSysOptions();
/// Writes SysOptions into the options row (making it when missing).
void SaveSysOptions();

} // namespace brel
