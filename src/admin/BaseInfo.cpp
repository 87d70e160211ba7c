#include "admin/BaseInfo.h"

#include "base/Messages.h"
#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "datastore/PasswordHash.h"
#include "datastore/Rights.h"

namespace brel {

namespace {

BaseInfoPage gridPage(const QString &caption, const char *table, const char *grid, const GridColumns &columns,
                      const char *orderBy = "")
{
    return {BaseInfoPage::Grid, caption, QString::fromLatin1(table), QString::fromLatin1(grid), columns,
            QString::fromLatin1(orderBy)};
}

GridColumn column(const QString &caption, const char *field, int width = 200, const QString &format = {})
{
    return {caption, QString::fromLatin1(field), 1, width, format, true};
}

} // namespace

const QVector<BaseInfoPage> &BaseInfoPages::all()
{
    static const QVector<BaseInfoPage> pages = {
        {BaseInfoPage::Users, tr("登录用户"), QStringLiteral("TbUser"), QStringLiteral("dgUser"), {}, {}},
        gridPage(tr("佣金比例"), "TbFee", "dgFee",
                 // The rate is a currency value shown as a plain number: 5 reads 5.00.
                 {column(tr("参数名称"), "CSMC", 220), column(tr("参数值(%)"), "CSZ", 120, QStringLiteral("#0.00"))}),
        {BaseInfoPage::Company, tr("企业信息"), QStringLiteral("TbCompanyInfo"), {}, {}, QStringLiteral("ID")},
        gridPage(tr("房型"), "TbStyle", "dgStyle", {column(tr("房型"), "FX")}),
        gridPage(tr("房屋朝向"), "TbDirection", "dgDirection", {column(tr("朝向"), "CX")}),
        gridPage(tr("区域"), "TbArea", "dgArea", {column(tr("区域"), "QY")}),
        gridPage(tr("装修情况"), "TbFitment", "dgFitment", {column(tr("装修情况"), "ZXQK", 300)}),
        gridPage(tr("房屋设施"), "TbEquip", "dgEquip", {column(tr("房屋设施"), "FWSS", 260)}),
        gridPage(tr("周围环境"), "TbAmbience", "dgAmbience", {column(tr("周围环境"), "ZWHJ", 260)}),
        gridPage(tr("贷款银行登记"), "TbBank", "dgBank", {column(tr("银行名称"), "YHMC", 260)}),
        gridPage(tr("产权证头"), "TbPropertyId", "dgPropertyId", {column(tr("产权证号"), "CQZH", 260)}),
        gridPage(tr("付款方式"), "TbPayMode", "dgPayMode", {column(tr("付款方式"), "FKFS", 260)}, "FKFS ASC"),
        gridPage(tr("产别"), "TbPropertyType", "dgPropertyType", {column(tr("产权类别"), "CB")}),
        {BaseInfoPage::Options, tr("项目设置"), QStringLiteral("TbSetings"), {}, {}, {}},
        gridPage(tr("分店设置"), "TbBranch", "dgBranch",
                 {column(tr("分店名称"), "FDMC", 200), column(tr("分店电话"), "FDDH", 160),
                  column(tr("分店地址"), "FDDZ", 360)}),
    };
    return pages;
}

Sql BaseInfoPages::pageSql(const BaseInfoPage &page)
{
    // The table names are the program's own constants above.
    const Sql sql(QStringLiteral("SELECT * FROM %1").arg(page.table));
    return page.orderBy.isEmpty() ? sql : sql.withOrderBy(page.orderBy);
}

bool BaseInfoPages::checkRow(const BaseInfoPage &page, const DataSet &row)
{
    if (page.columns.isEmpty())
        return true;
    const GridColumn &first = page.columns.first();
    if (!CheckNotEmpty(first.caption, row.asText(first.field).trimmed()))
        return false;
    if (page.table == QLatin1String("TbFee")) {
        const GridColumn &rate = page.columns.at(1);
        const Money value = row.asMoney(rate.field);
        // A commission rate is a share of the price.
        if (row.isNull(rate.field) || value < Money() || value > Money::fromInt(100)) {
            Messages::error(IncorrectMessage(rate.caption));
            return false;
        }
    }
    return true;
}

TUserAccounts::TUserAccounts(Database *db, QObject *parent)
    : QObject(parent)
{
    QUser = new DataSet(db, this);
    QUser->setObjectName(QStringLiteral("QUser"));
    QUser->setSql(userSql());
    QRes = new DataSet(db, this);
    QRes->setObjectName(QStringLiteral("QRes"));
    QRes->setSql(rightsSql());
    QRes->setMaster(QUser);

    connect(QUser, &DataSet::beforePost, this, &TUserAccounts::beforeUserPost);
    // Inside the transaction of the new user's row: the user never exists without its rights.
    connect(QUser, &DataSet::rowWritten, this, [](qint64 id, bool inserted) {
        if (inserted)
            CreateDefaultRights(int(id));
    });
    // Inside the transaction of the delete: the rights go with the user or stay with it.
    connect(QUser, &DataSet::aboutToDelete, this, [db](qint64 id) {
        db->execute(Sql(QStringLiteral("DELETE FROM TbRes WHERE YHID=?"), {id}));
    });
}

Sql TUserAccounts::userSql()
{
    // The administrator is kept out of reach: nobody renames or deletes it here.
    return Sql(QStringLiteral("SELECT * FROM TbUser WHERE Id<>1"));
}

Sql TUserAccounts::rightsSql()
{
    return Sql(QStringLiteral("SELECT * FROM TbRes WHERE YHID=:Id ORDER BY Sort"));
}

QStringList TUserAccounts::rightsFields()
{
    return {QStringLiteral("LLQX"), QStringLiteral("XZQX"), QStringLiteral("XGQX"), QStringLiteral("SCQX"),
            QStringLiteral("DYQX"), QStringLiteral("DHQX"), QStringLiteral("GLQX")};
}

void TUserAccounts::open()
{
    QUser->open();
    QRes->open();
}

void TUserAccounts::close()
{
    QRes->close();
    QUser->close();
}

QStringList TUserAccounts::branchNames()
{
    QStringList names;
    DM()->FillPickList(names, Sql(QStringLiteral("SELECT FDMC AS TXT FROM TbBranch ORDER BY ID")));
    names.removeAll(QString());
    names.removeDuplicates();
    return names;
}

void TUserAccounts::setRight(const QString &field, bool granted)
{
    if (!QRes->isActive() || QRes->isEmpty() || !rightsFields().contains(field))
        return;
    QRes->setValue(field, granted ? 1 : 0);
    // A tick is a whole change of its own: saved at once, nothing waits for a move.
    QRes->post();
}

void TUserAccounts::beforeUserPost(DataSet::PostVeto *veto)
{
    const QString nameField = QStringLiteral("YHXM");
    const QString name = QUser->asText(nameField).trimmed();
    if (!CheckNotEmpty(tr("用户登录名"), name)) {
        veto->abandon = true;
        return;
    }
    // The login dialog lists users by name: two of one name could not be told apart.
    if (DM()->HasRows(Sql(QStringLiteral("SELECT ID FROM TbUser WHERE YHXM=? AND ID<>?"), {name, QUser->currentId()}))) {
        Messages::error(tr("用户登录名“%1”已经存在，请换一个。").arg(name));
        veto->abandon = true;
        return;
    }
    if (name != QUser->asText(nameField))
        QUser->setValue(nameField, name);
    // What was typed is stored as the login stores it; a stored hash stays as it is.
    const QString passwordField = QStringLiteral("YHMM");
    const QString password = QUser->asText(passwordField);
    if (!PasswordHash::isHashed(password))
        QUser->setValue(passwordField, PasswordHash::hash(password));
}

} // namespace brel
