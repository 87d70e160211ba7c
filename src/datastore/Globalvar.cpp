#include "datastore/Globalvar.h"

#include "datastore/CommaText.h"
#include "base/Messages.h"
#include "datastore/FieldValue.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace brel {

UserRecord CurrentUser;
QString AppDir;
QString WorkingFile;
SysOptionsRecord SysOptions;

void ClearGlobals()
{
    CurrentUser = UserRecord();
    AppDir.clear();
    WorkingFile.clear();
    SysOptions = SysOptionsRecord();
}

namespace {

// The box's caption stands in Chinese quotes around straight double quotes.
QString quoted(const QString &caption)
{
    return QStringLiteral("“\"") + caption + QStringLiteral("\"”");
}

bool fail(const QString &message)
{
    Messages::error(message);
    return false;
}

} // namespace

QString NotEmptyMessage(const QString &caption)
{
    return quoted(caption) + QCoreApplication::translate("Globalvar", "输入不能为空，请输入。");
}

QString IncorrectMessage(const QString &caption)
{
    return quoted(caption) + QCoreApplication::translate("Globalvar", "输入不正确，请重新输入。");
}

QString IncorrectDateMessage(const QString &caption)
{
    return quoted(caption) + QCoreApplication::translate("Globalvar", "日期输入不正确，请重新输入。");
}

QString ReceiptNoExistsMessage(const QString &receiptNo)
{
    return quoted(receiptNo) + QCoreApplication::translate("Globalvar", "收件号已经存在，请重新输入。");
}

bool CheckNotEmpty(const QString &caption, const QString &text)
{
    return !text.trimmed().isEmpty() || fail(NotEmptyMessage(caption));
}

namespace {

// A check passes exactly the texts a data set stores in a field of the type,
// except the empty text, which a check refuses.
bool storable(const QString &caption, const QString &text, FieldType type)
{
    return !text.trimmed().isEmpty() && toFieldValue(text, type, caption).accepted();
}

} // namespace

bool CheckInteger(const QString &caption, const QString &text)
{
    return storable(caption, text, FieldType::Integer) || fail(IncorrectMessage(caption));
}

bool CheckMoney(const QString &caption, const QString &text)
{
    return storable(caption, text, FieldType::Money) || fail(IncorrectMessage(caption));
}

bool CheckDate(const QString &caption, const QString &text)
{
    return storable(caption, text, FieldType::Date) || fail(IncorrectDateMessage(caption));
}

QString FormatReceiptNo(qint64 number)
{
    return QStringLiteral("%1").arg(number, 8, 10, QLatin1Char('0'));
}

QString StateCode(int number)
{
    return QLatin1Char('0') + QString::number(number);
}

Money Commission(Money amount, Money ratePercent, int decimals)
{
    return amount.percentOf(ratePercent).rounded(decimals);
}

int MonthDays(int year, int month)
{
    static constexpr std::array<int, 12> days = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && QDate::isLeapYear(year) ? 29 : days[month - 1];
}

bool NumericKeyFilter(const QString &text, const QString &key)
{
    bool hasPoint = text.contains(QLatin1Char('.'));
    for (QChar c : key) {
        if (c == QLatin1Char('\b') || c.unicode() == 0x7f || (c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            continue;
        if (c == QLatin1Char('.') && !hasPoint) {
            hasPoint = true;
            continue;
        }
        return false;
    }
    return true;
}

namespace {

// Code points cannot be cut in half, so the address is walked by them.
int gbkWidth(char32_t codePoint)
{
    return codePoint < 0x80 ? 1 : 2;
}

} // namespace

int GbkByteLength(const QString &text)
{
    int bytes = 0;
    for (char32_t cp : text.toUcs4())
        bytes += gbkWidth(cp);
    return bytes;
}

QString MakeRoughAddress(const QString &address)
{
    const int n = GbkByteLength(address);
    if (n < 14)
        return address;
    // n * 2 / 3 never ends in .5, so plain rounding is exact here.
    const int a = (n * 2 + 1) / 3;
    const int b = a % 2 == 0 ? a : a - 1;
    QString out;
    int bytes = 0;
    for (char32_t cp : address.toUcs4()) {
        if (bytes + gbkWidth(cp) > b)
            break;
        bytes += gbkWidth(cp);
        out += QString::fromUcs4(&cp, 1);
    }
    return out;
}

QString PictureDir()
{
    return AppDir + QStringLiteral("/Picture");
}

int CountPictures(const QString &list)
{
    const QDir dir(PictureDir());
    int count = 0;
    for (const QString &name : readCommaText(list)) {
        if (!name.isEmpty() && QFileInfo(dir.filePath(name)).isFile())
            ++count;
    }
    return count;
}

QString BackupName(const QString &fileName)
{
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    const QString folder = fileName.left(slash + 1);
    const QString name = fileName.mid(slash + 1);
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return folder + QStringLiteral(".~") + name;
    return folder + name.left(dot) + QStringLiteral(".~") + name.mid(dot + 1);
}

} // namespace brel
