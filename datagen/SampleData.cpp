#include "SampleData.h"

#include "datastore/Engine.h"
#include "datastore/Globalvar.h"
#include "datastore/Money.h"
#include "datastore/Schema.h"

#include <QRandomGenerator>
#include <QVector>

#include <algorithm>
#include <stdexcept>

namespace brel::datagen {

namespace {

using Row = QList<QPair<QString, QVariant>>;

QString s(const char *utf8) { return QString::fromUtf8(utf8); }

QStringList list(std::initializer_list<const char *> items)
{
    QStringList out;
    for (const char *i : items)
        out << QString::fromUtf8(i);
    return out;
}

QVariant money(double v) { return QVariant::fromValue(Money::fromDouble(v)); }

/// The sale commission rate (TbFee row 2) of the sample office, in percent.
const Money SaleRate = Money::fromInt(2);

/// INSERT with every value bound; the column names are this file's constants,
/// checked against the data dictionary so a typo fails the build.
void insert(Database &db, const QString &table, const Row &row)
{
    QStringList cols, marks;
    QVariantList values;
    for (const auto &[col, value] : row) {
        if (!Schema::column(table, col))
            throw std::runtime_error(QStringLiteral("unknown column %1.%2").arg(table, col).toStdString());
        cols << col;
        marks << QStringLiteral("?");
        values << value;
    }
    db.execute(Sql(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, cols.join(QLatin1Char(',')),
                                                                          marks.join(QLatin1Char(','))),
                   values));
}

void fillLookup(Database &db, const char *table, const char *column, const QStringList &values)
{
    for (const QString &v : values)
        insert(db, QString::fromLatin1(table), {{QString::fromLatin1(column), v}});
}

struct User {
    int id;
    QString code;
    QString login;
    QString branch;
    // Rights per group (房屋出租, 房屋出售, 求租求购): LLQX XZQX XGQX SCQX DYQX DHQX GLQX.
    std::array<std::array<int, 7>, 3> rights;
};

struct District {
    QString name;
    QStringList roads;
};

class Generator {
public:
    Generator(Database &db, const QStringList &pictures, const QDate &today, quint32 seed, int rows)
        : m_db(db), m_pictures(pictures), m_today(today), m_rng(seed), m_rows(rows)
    {
    }

    void run();

private:
    int between(int lo, int hi) { return int(m_rng.bounded(lo, hi + 1)); } // both included
    bool chance(int percent) { return between(1, 100) <= percent; }
    template <typename T> const T &pick(const QList<T> &items) { return items.at(between(0, int(items.size()) - 1)); }
    QString pickSome(const QStringList &items, int lo, int hi);
    QDate daysAgo(int lo, int hi) { return m_today.addDays(-between(lo, hi)); }

    int rowsOr(int sampleCount) const { return m_rows > 0 ? m_rows : sampleCount; }
    QString personName();
    QString phone();
    QString idCard();
    QString roughAddress(const QString &address) const;
    QString address(QString *district, int *floor, int *floors);
    QString pictureList();
    QString receiptNo(int n) const { return QStringLiteral("%1").arg(n, 8, 10, QLatin1Char('0')); }
    const User &clerk() { return m_users.at(between(1, int(m_users.size()) - 1)); }

    void lookups();
    void company();
    void users();
    void rentals();
    void sales();
    void rentRequests();
    void buyRequests();

    Database &m_db;
    QStringList m_pictures;
    QDate m_today;
    QRandomGenerator m_rng;
    int m_rows; ///< rows per register, 0 for the sample office's own counts
    QList<User> m_users;
    QList<District> m_districts;
    QStringList m_styles, m_directions, m_fitments, m_equip, m_ambience, m_propertyIds, m_propertyTypes;
};

QString Generator::pickSome(const QStringList &items, int lo, int hi)
{
    // Keep list order, as the multi-choice popup writes it.
    const int wanted = between(lo, hi);
    QVector<bool> chosen(items.size(), false);
    for (int n = 0; n < wanted; ++n)
        chosen[between(0, int(items.size()) - 1)] = true;
    QStringList out;
    for (int i = 0; i < items.size(); ++i)
        if (chosen[i])
            out << items[i];
    return out.join(QLatin1Char(','));
}

QString Generator::personName()
{
    static const QStringList surnames = list({"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周", "徐", "孙",
                                              "马", "朱", "胡", "郭", "何", "高", "林", "罗", "郑", "梁", "谢", "宋"});
    static const QStringList given = list({"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳",
                                           "杰", "娟", "涛", "明", "超", "秀英", "华", "平", "建国", "海燕", "志强",
                                           "桂兰", "建华", "红梅", "晓东", "文博", "思远", "雨桐"});
    return pick(surnames) + pick(given);
}

QString Generator::phone()
{
    static const QStringList prefixes = list({"138", "139", "137", "135", "150", "151", "158", "186", "187", "189",
                                              "133", "177", "199"});
    return pick(prefixes) + QStringLiteral("%1").arg(between(0, 99999999), 8, 10, QLatin1Char('0'));
}

QString Generator::idCard()
{
    // Resident identity number with a valid ISO 7064 MOD 11-2 check digit.
    static const QStringList areas = list({"410302", "410303", "410304", "410305", "410311", "410381", "410322"});
    const QDate birth = QDate(1955, 1, 1).addDays(between(0, 45 * 365));
    QString body = pick(areas) + birth.toString(QStringLiteral("yyyyMMdd")) +
                   QStringLiteral("%1").arg(between(1, 999), 3, 10, QLatin1Char('0'));
    static const int weights[17] = {7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2};
    int sum = 0;
    for (int i = 0; i < 17; ++i)
        sum += body.at(i).digitValue() * weights[i];
    return body + QString::fromLatin1("10X98765432").at(sum % 11);
}

QString Generator::roughAddress(const QString &address) const
{
    // The approximate address printed on notices: about the first two thirds,
    // counted in GBK bytes (two per Chinese character), never half a character.
    int bytes = 0;
    for (QChar c : address)
        bytes += c.unicode() < 0x80 ? 1 : 2;
    if (bytes < 14)
        return address;
    int keep = int(std::lround(bytes * 2.0 / 3.0));
    if (keep % 2)
        --keep;
    QString out;
    int used = 0;
    for (QChar c : address) {
        const int w = c.unicode() < 0x80 ? 1 : 2;
        if (used + w > keep)
            break;
        used += w;
        out += c;
    }
    return out;
}

QString Generator::address(QString *district, int *floor, int *floors)
{
    static const QStringList estates = list({"丽景花园", "牡丹苑", "金水湾小区", "锦绣华庭", "翠湖名苑", "龙门雅居",
                                             "洛浦新村", "天香苑", "书香门第", "阳光城", "御景湾", "和平里小区",
                                             "纺织厂家属院", "铁路新村", "青年公寓", "滨河花园"});
    const District &d = pick(m_districts);
    *district = d.name;
    static const QList<int> heights = {6, 6, 7, 11, 18, 24, 32};
    *floors = pick(heights);
    *floor = between(1, *floors);
    return QStringLiteral("洛阳市%1%2%3号%4%5号楼%6单元%7%8室")
        .arg(d.name, pick(d.roads))
        .arg(between(1, 399))
        .arg(pick(estates))
        .arg(between(1, 28))
        .arg(between(1, 4))
        .arg(*floor)
        .arg(between(1, 4), 2, 10, QLatin1Char('0'));
}

QString Generator::pictureList()
{
    if (m_pictures.isEmpty() || chance(45))
        return {};
    const int n = between(1, std::min(3, int(m_pictures.size())));
    QStringList names;
    int start = between(0, int(m_pictures.size()) - 1);
    for (int i = 0; i < n; ++i)
        names << m_pictures.at((start + i) % m_pictures.size());
    return names.join(QLatin1Char(','));
}

void Generator::lookups()
{
    m_styles = list({"一室一厅", "两室一厅", "两室两厅", "三室一厅", "三室两厅", "四室两厅", "复式", "别墅",
                     "单间", "一室零厅"});
    m_directions = list({"南", "北", "东", "西", "南北", "东西", "东南", "西南", "东北", "西北"});
    m_fitments = list({"毛坯", "简装", "中等装修", "精装", "豪华装修"});
    m_equip = list({"水", "电", "燃气", "暖气", "有线电视", "宽带", "电话", "空调", "热水器", "冰箱", "洗衣机",
                    "家具", "电梯", "车位"});
    m_ambience = list({"学校", "幼儿园", "医院", "商场", "超市", "银行", "公园", "菜市场", "地铁站", "公交站",
                       "体育馆", "图书馆"});
    m_propertyIds = list({"洛房权证市字第", "洛房权证西字第", "洛房权证涧字第", "洛房权证洛龙字第",
                          "豫(2019)洛阳市不动产权第", "豫(2021)洛阳市不动产权第"});
    m_propertyTypes = list({"商品房", "房改房", "经济适用房", "私产房", "集资房", "公产房"});
    m_districts = {
        {s("老城区"), list({"中州东路", "西大街", "东大街", "唐宫路", "道北路"})},
        {s("西工区"), list({"中州中路", "凯旋东路", "纱厂路", "唐宫中路", "王城大道"})},
        {s("瀍河区"), list({"启明东路", "中州东路", "新街", "瀍河路"})},
        {s("涧西区"), list({"中州西路", "景华路", "天津路", "长安路", "南昌路", "青岛路"})},
        {s("洛龙区"), list({"开元大道", "古城路", "通济街", "太康路", "龙门大道"})},
        {s("吉利区"), list({"黄河大道", "吉祥路", "河阳路"})},
        {s("偃师区"), list({"商城路", "槐新路", "华夏路"})},
        {s("孟津区"), list({"会盟路", "黄河路", "官庄路"})},
    };
    QStringList districtNames;
    for (const District &d : m_districts)
        districtNames << d.name;

    fillLookup(m_db, "TbStyle", "FX", m_styles);
    fillLookup(m_db, "TbDirection", "CX", m_directions);
    fillLookup(m_db, "TbArea", "QY", districtNames);
    fillLookup(m_db, "TbFitment", "ZXQK", m_fitments);
    fillLookup(m_db, "TbEquip", "FWSS", m_equip);
    fillLookup(m_db, "TbAmbience", "ZWHJ", m_ambience);
    fillLookup(m_db, "TbPropertyId", "CQZH", m_propertyIds);
    fillLookup(m_db, "TbPropertyType", "CB", m_propertyTypes);
    fillLookup(m_db, "TbBank", "YHMC",
               list({"中国工商银行", "中国建设银行", "中国农业银行", "中国银行", "交通银行", "中国邮政储蓄银行",
                     "招商银行", "洛阳银行", "住房公积金管理中心"}));
    fillLookup(m_db, "TbPayMode", "FKFS",
               list({"一次性付款", "按揭贷款", "分期付款", "公积金贷款", "组合贷款"}));
}

void Generator::company()
{
    m_db.execute(Sql(QStringLiteral("UPDATE TbCompanyInfo SET QYMC=?, QYDZ=?, LXDH=?, WZ=?, DZYJ=? WHERE ID=1"),
                     {s("洛阳安居房产经纪有限公司"), s("洛阳市西工区中州中路218号安居大厦一楼"),
                      QStringLiteral("0379-63912345"), QStringLiteral("http://www.anju-fangchan.example.cn"),
                      QStringLiteral("service@anju-fangchan.example.cn")}));
    m_db.execute(Sql(QStringLiteral("UPDATE TbFee SET CSZ=? WHERE ID=2"), {QVariant::fromValue(SaleRate)}));
    m_db.execute(Sql(QStringLiteral("UPDATE TbFee SET CSZ=? WHERE ID=3"), {money(50.0)}));
    insert(m_db, QStringLiteral("TbBranch"),
           {{QStringLiteral("FDMC"), s("中州路总店")}, {QStringLiteral("FDDZ"), s("洛阳市西工区中州中路218号")},
            {QStringLiteral("FDDH"), QStringLiteral("0379-63912345")}});
    insert(m_db, QStringLiteral("TbBranch"),
           {{QStringLiteral("FDMC"), s("涧西分店")}, {QStringLiteral("FDDZ"), s("洛阳市涧西区景华路36号")},
            {QStringLiteral("FDDH"), QStringLiteral("0379-64221188")}});
    insert(m_db, QStringLiteral("TbBranch"),
           {{QStringLiteral("FDMC"), s("洛龙分店")}, {QStringLiteral("FDDZ"), s("洛阳市洛龙区开元大道99号")},
            {QStringLiteral("FDDH"), QStringLiteral("0379-65887766")}});
    // The options of a working office: numbering on, file in the caption, log kept.
    m_db.execute(Sql("UPDATE TbSetings SET ZDSJH=1, XSLJ=1, CZRZ=1"));
}

void Generator::users()
{
    using R = std::array<int, 7>;
    const R all = {1, 1, 1, 1, 1, 1, 1};
    const R clerk = {1, 1, 1, 0, 1, 1, 0};
    const R browse = {1, 0, 0, 0, 0, 0, 0};
    const R noPhone = {1, 1, 1, 0, 1, 0, 0};
    m_users = {
        {1, QStringLiteral("001"), QStringLiteral("admin"), s("中州路总店"), {all, all, all}},
        {2, QStringLiteral("002"), s("张丽"), s("中州路总店"), {all, all, all}},
        {3, QStringLiteral("003"), s("王强"), s("中州路总店"), {clerk, browse, clerk}},
        {4, QStringLiteral("004"), s("李娜"), s("涧西分店"), {clerk, clerk, clerk}},
        {5, QStringLiteral("005"), s("刘洋"), s("洛龙分店"), {noPhone, noPhone, browse}},
    };
    // The administrator row comes from the blank content; give it a branch.
    m_db.execute(Sql(QStringLiteral("UPDATE TbUser SET YHDM=?, SSFD=? WHERE ID=1"),
                     {m_users[0].code, m_users[0].branch}));
    const QStringList groups = list({"房屋出租", "房屋出售", "求租求购"});
    for (int u = 1; u < m_users.size(); ++u) {
        const User &user = m_users[u];
        // Plain-text passwords, the same as the login name, until passwords are hashed.
        insert(m_db, QStringLiteral("TbUser"),
               {{QStringLiteral("ID"), user.id}, {QStringLiteral("YHDM"), user.code},
                {QStringLiteral("YHXM"), user.login}, {QStringLiteral("YHMM"), user.login},
                {QStringLiteral("SSFD"), user.branch}});
        for (int g = 0; g < 3; ++g) {
            const auto &r = user.rights[size_t(g)];
            insert(m_db, QStringLiteral("TbRes"),
                   {{QStringLiteral("ZYMC"), groups[g]}, {QStringLiteral("LLQX"), r[0]}, {QStringLiteral("XZQX"), r[1]},
                    {QStringLiteral("XGQX"), r[2]}, {QStringLiteral("SCQX"), r[3]}, {QStringLiteral("DYQX"), r[4]},
                    {QStringLiteral("DHQX"), r[5]}, {QStringLiteral("GLQX"), r[6]}, {QStringLiteral("Sort"), g + 1},
                    {QStringLiteral("YHID"), user.id}});
        }
    }
}

namespace {

QString transport(QRandomGenerator &rng)
{
    QStringList lines;
    const int n = int(rng.bounded(1, 4));
    for (int i = 0; i < n; ++i)
        lines << QStringLiteral("%1路").arg(rng.bounded(1, 80));
    return QStringLiteral("%1公交车可到").arg(lines.join(QStringLiteral("、")));
}

// Floor area that suits a layout.
int areaFor(const QString &style, QRandomGenerator &rng)
{
    if (style.startsWith(QStringLiteral("一室")) || style == QStringLiteral("单间"))
        return int(rng.bounded(25, 60));
    if (style.startsWith(QStringLiteral("两室")))
        return int(rng.bounded(60, 95));
    if (style.startsWith(QStringLiteral("三室")))
        return int(rng.bounded(90, 140));
    if (style == QStringLiteral("别墅"))
        return int(rng.bounded(200, 400));
    return int(rng.bounded(130, 200));
}

// Every state is represented: mostly open offers, a good share closed, a few voided.
QString stateFor(int row)
{
    if (row % 10 < 6)
        return QStringLiteral("00");
    if (row % 10 < 9)
        return QStringLiteral("01");
    return QStringLiteral("02");
}

} // namespace

void Generator::rentals()
{
    const QStringList remarks = list({"房东好说话，可短租", "拎包入住", "押一付三", "不租给宠物饲养者", "",
                                      "看房需提前预约", "半年起租", "", "房东急租，价格可谈"});
    const QStringList tenantRemarks = list({"", "按季度交租", "已交押金", "公司租用，需开发票", ""});
    int alertsDue = 0;
    for (int i = 0; i < rowsOr(64); ++i) {
        const User &u = clerk();
        QString district;
        int floor = 0, floors = 0;
        const QString addr = address(&district, &floor, &floors);
        const QString style = pick(m_styles);
        const int rent = between(12, 90) * 50;
        QDate entered = daysAgo(3, 400);
        const QString state = stateFor(i);
        // Deal dates of let houses. The first few leases end soon, so their
        // follow-up alerts fall in the coming week; the others get an alert
        // two weeks before their lease ends when that is still ahead.
        QDate dealt, leaseEnd, alertDate;
        if (state == QStringLiteral("01")) {
            const int months = chance(60) ? 12 : 6;
            if (alertsDue < 5) {
                alertDate = m_today.addDays(alertsDue == 0 ? 0 : between(1, 7));
                leaseEnd = alertDate.addDays(between(10, 30));
                dealt = leaseEnd.addMonths(-months);
                entered = dealt.addDays(-between(1, 20));
                ++alertsDue;
            } else {
                dealt = std::min(entered.addDays(between(1, 20)), m_today);
                leaseEnd = dealt.addMonths(months);
                const QDate later = leaseEnd.addDays(-15);
                if (later > m_today.addDays(7) && chance(70))
                    alertDate = later;
            }
        }
        Row row = {
            {QStringLiteral("SJH"), receiptNo(i + 1)},
            {QStringLiteral("FWDZ"), addr},
            {QStringLiteral("DGDZ"), roughAddress(addr)},
            {QStringLiteral("JZMJ"), money(areaFor(style, m_rng) + between(0, 99) / 100.0)},
            {QStringLiteral("FX"), style},
            {QStringLiteral("CX"), pick(m_directions)},
            {QStringLiteral("LC"), floor},
            {QStringLiteral("ZLC"), floors},
            {QStringLiteral("ZJ"), money(rent)},
            {QStringLiteral("QY"), district},
            {QStringLiteral("JGRQ"), QDate(between(1988, 2022), between(1, 12), between(1, 28))},
            {QStringLiteral("CQZH"), pick(m_propertyIds) + QStringLiteral("%1号").arg(between(100000, 999999))},
            {QStringLiteral("FWSS"), pickSome(m_equip, 3, 8)},
            {QStringLiteral("ZXQK"), pick(m_fitments)},
            {QStringLiteral("JTQK"), transport(m_rng)},
            {QStringLiteral("JFRQ"), entered.addDays(between(0, 30))},
            {QStringLiteral("ZWHJ"), pickSome(m_ambience, 2, 5)},
            {QStringLiteral("LXR"), personName()},
            {QStringLiteral("LXRDH1"), phone()},
            {QStringLiteral("LXRSFZH"), idCard()},
            {QStringLiteral("CZFBZ1"), pick(remarks)},
            {QStringLiteral("GGFB"), chance(60)},
            {QStringLiteral("YS"), chance(35)},
            {QStringLiteral("SSFD"), u.branch},
            {QStringLiteral("FXT"), pictureList()},
            {QStringLiteral("LRR"), u.login},
            {QStringLiteral("LRRQ"), entered},
            {QStringLiteral("ZTW"), state},
        };
        if (state == QStringLiteral("01")) {
            const User &handler = clerk();
            const Money agreed = Money::fromInt(rent - (chance(40) ? 100 : 0));
            row << QPair<QString, QVariant>{QStringLiteral("CZRXM"), personName()}
                << QPair<QString, QVariant>{QStringLiteral("CZRLXDH"), phone()}
                << QPair<QString, QVariant>{QStringLiteral("CZRSFZH"), idCard()}
                << QPair<QString, QVariant>{QStringLiteral("CZJG"), QVariant::fromValue(agreed)}
                << QPair<QString, QVariant>{QStringLiteral("CZRQ"), dealt}
                << QPair<QString, QVariant>{QStringLiteral("CZJZRQ"), leaseEnd}
                << QPair<QString, QVariant>{QStringLiteral("CZFBZ2"), pick(tenantRemarks)}
                << QPair<QString, QVariant>{QStringLiteral("SLR"), handler.login}
                << QPair<QString, QVariant>{QStringLiteral("SLRQ"), dealt}
                << QPair<QString, QVariant>{QStringLiteral("HTH"),
                                            QStringLiteral("ZL%1%2").arg(dealt.year()).arg(i + 1, 4, 10, QLatin1Char('0'))}
                << QPair<QString, QVariant>{QStringLiteral("YJJE"),
                                            QVariant::fromValue(agreed.percentOf(Money::fromInt(50)))};
            row << QPair<QString, QVariant>{QStringLiteral("GZBJBZ"), alertDate.isValid()}
                << QPair<QString, QVariant>{QStringLiteral("GZBJRQ"),
                                            alertDate.isValid() ? QVariant(alertDate) : QVariant()};
        } else {
            row << QPair<QString, QVariant>{QStringLiteral("CZJG"), money(0)}
                << QPair<QString, QVariant>{QStringLiteral("YJJE"), money(0)};
        }
        insert(m_db, QStringLiteral("TbRental"), row);
    }
}

void Generator::sales()
{
    const QStringList remarks = list({"满五唯一，税费低", "学区房", "业主急售", "", "可按揭", "带车位出售", "",
                                      "采光好，视野开阔"});
    for (int i = 0; i < rowsOr(56); ++i) {
        const User &u = clerk();
        QString district;
        int floor = 0, floors = 0;
        const QString addr = address(&district, &floor, &floors);
        const QString style = pick(m_styles);
        const int area = areaFor(style, m_rng);
        // Asking price in units of 10,000 yuan, about 5,000-12,000 yuan per square metre.
        const Money price = Money::fromDouble(area * between(50, 120) / 100.0).rounded(1);
        const QDate built(between(1988, 2022), between(1, 12), between(1, 28));
        const QDate entered = daysAgo(3, 400);
        const QString state = stateFor(i + 3);
        Row row = {
            {QStringLiteral("SJH"), receiptNo(i + 1)},
            {QStringLiteral("FWDZ"), addr},
            {QStringLiteral("DGDZ"), roughAddress(addr)},
            {QStringLiteral("JZMJ"), money(area + between(0, 99) / 100.0)},
            {QStringLiteral("FX"), style},
            {QStringLiteral("CX"), pick(m_directions)},
            {QStringLiteral("LC"), floor},
            {QStringLiteral("ZLC"), floors},
            {QStringLiteral("CB"), pick(m_propertyTypes)},
            {QStringLiteral("SJ"), QVariant::fromValue(price)},
            {QStringLiteral("QY"), district},
            {QStringLiteral("JGRQ"), built},
            {QStringLiteral("SYNX"), money(70 - (m_today.year() - built.year()))},
            {QStringLiteral("CQZH"), pick(m_propertyIds) + QStringLiteral("%1号").arg(between(100000, 999999))},
            {QStringLiteral("FWSS"), pickSome(m_equip, 3, 8)},
            {QStringLiteral("ZXQK"), pick(m_fitments)},
            {QStringLiteral("JTQK"), transport(m_rng)},
            {QStringLiteral("JFRQ"), entered.addDays(between(30, 90))},
            {QStringLiteral("ZWHJ"), pickSome(m_ambience, 2, 5)},
            {QStringLiteral("LXR"), personName()},
            {QStringLiteral("LXRDH1"), phone()},
            {QStringLiteral("LXRSFZH"), idCard()},
            {QStringLiteral("CSFBZ"), pick(remarks)},
            {QStringLiteral("GGFB"), chance(60)},
            {QStringLiteral("YS"), chance(25)},
            {QStringLiteral("SSFD"), u.branch},
            {QStringLiteral("FXT"), pictureList()},
            {QStringLiteral("LRR"), u.login},
            {QStringLiteral("LRRQ"), entered},
            {QStringLiteral("ZTW"), state},
        };
        if (state == QStringLiteral("01")) {
            const User &handler = clerk();
            const QDate dealt = std::min(entered.addDays(between(5, 60)), m_today);
            // As the sale window records it: 房屋出售 copies the asking price and
            // takes the commission at four decimals; a price the buyer talked
            // down is typed over it, which gives the commission in cents.
            const bool talkedDown = chance(50);
            const Money paid = talkedDown ? price - Money::fromInt(2) : price;
            const Money commission = Commission(paid, SaleRate, talkedDown ? 2 : 4);
            row << QPair<QString, QVariant>{QStringLiteral("GMRXM"), personName()}
                << QPair<QString, QVariant>{QStringLiteral("GMRLXDH"), phone()}
                << QPair<QString, QVariant>{QStringLiteral("GMRSFZH"), idCard()}
                << QPair<QString, QVariant>{QStringLiteral("GMJG"), QVariant::fromValue(paid)}
                << QPair<QString, QVariant>{QStringLiteral("GMRQ"), dealt}
                << QPair<QString, QVariant>{QStringLiteral("GMFBZ"), chance(50) ? s("按揭贷款") : s("一次性付款")}
                << QPair<QString, QVariant>{QStringLiteral("SLR"), handler.login}
                << QPair<QString, QVariant>{QStringLiteral("SLRQ"), dealt}
                << QPair<QString, QVariant>{QStringLiteral("HTH"),
                                            QStringLiteral("MM%1%2").arg(dealt.year()).arg(i + 1, 4, 10, QLatin1Char('0'))}
                << QPair<QString, QVariant>{QStringLiteral("YJJE"),
                                            QVariant::fromValue(commission)};
        } else {
            row << QPair<QString, QVariant>{QStringLiteral("GMJG"), money(0)}
                << QPair<QString, QVariant>{QStringLiteral("YJJE"), money(0)};
        }
        insert(m_db, QStringLiteral("TbSale"), row);
    }
}

void Generator::rentRequests()
{
    const QStringList wishes = list({"附近", "一带", "周边，离地铁近", "附近，上班方便", "附近，孩子上学方便"});
    const QStringList remarks = list({"", "急租", "要求家电齐全", "两人合租", "可接受押一付三", "公司宿舍用"});
    for (int i = 0; i < rowsOr(48); ++i) {
        const User &u = clerk();
        const District &d = pick(m_districts);
        const QString where = d.name + pick(d.roads) + pick(wishes);
        const QString style = pick(m_styles);
        insert(m_db, QStringLiteral("TbQRental"),
               {{QStringLiteral("SJH"), receiptNo(i + 1)},
                {QStringLiteral("FWDZ"), where},
                {QStringLiteral("DGDZ"), roughAddress(where)},
                {QStringLiteral("JZMJ"), money(areaFor(style, m_rng))},
                {QStringLiteral("FX"), style},
                {QStringLiteral("CX"), pick(m_directions)},
                {QStringLiteral("LC"), between(1, 12)},
                {QStringLiteral("ZJ"), money(between(10, 80) * 50)},
                {QStringLiteral("QY"), d.name},
                {QStringLiteral("FWSS"), pickSome(m_equip, 2, 6)},
                {QStringLiteral("ZXQK"), pick(m_fitments)},
                {QStringLiteral("JTQK"), transport(m_rng)},
                {QStringLiteral("ZWHJ"), pickSome(m_ambience, 1, 3)},
                {QStringLiteral("LXR"), personName()},
                {QStringLiteral("LXRDH1"), phone()},
                {QStringLiteral("LXRSFZH"), idCard()},
                {QStringLiteral("BZ"), pick(remarks)},
                {QStringLiteral("LRR"), u.login},
                {QStringLiteral("LRRQ"), daysAgo(0, 300)},
                {QStringLiteral("SSFD"), u.branch}});
    }
}

void Generator::buyRequests()
{
    const QStringList wishes = list({"附近", "一带", "周边学区", "附近，近地铁", "附近，小区环境好"});
    const QStringList remarks = list({"", "首付三成，需贷款", "全款购买", "改善型需求", "要求满五唯一",
                                      "为孩子上学购房"});
    for (int i = 0; i < rowsOr(44); ++i) {
        const User &u = clerk();
        const District &d = pick(m_districts);
        const QString where = d.name + pick(d.roads) + pick(wishes);
        const QString style = pick(m_styles);
        const int area = areaFor(style, m_rng);
        insert(m_db, QStringLiteral("TbQBuy"),
               {{QStringLiteral("SJH"), receiptNo(i + 1)},
                {QStringLiteral("FWDZ"), where},
                {QStringLiteral("DGDZ"), roughAddress(where)},
                {QStringLiteral("JZMJ"), money(area)},
                {QStringLiteral("FX"), style},
                {QStringLiteral("CX"), pick(m_directions)},
                {QStringLiteral("LC"), between(1, 18)},
                {QStringLiteral("CB"), pick(m_propertyTypes)},
                {QStringLiteral("SJ"), QVariant::fromValue(Money::fromDouble(area * between(50, 110) / 100.0).rounded(0))},
                {QStringLiteral("QY"), d.name},
                {QStringLiteral("JGRQ"), QDate(between(2000, 2020), 1, 1)},
                {QStringLiteral("SYNX"), money(between(50, 70))},
                {QStringLiteral("FWSS"), pickSome(m_equip, 2, 5)},
                {QStringLiteral("ZXQK"), pick(m_fitments)},
                {QStringLiteral("JTQK"), transport(m_rng)},
                {QStringLiteral("ZWHJ"), pickSome(m_ambience, 1, 4)},
                {QStringLiteral("LXR"), personName()},
                {QStringLiteral("LXRDH1"), phone()},
                {QStringLiteral("LXRSFZH"), idCard()},
                {QStringLiteral("BZ"), pick(remarks)},
                {QStringLiteral("LRR"), u.login},
                {QStringLiteral("LRRQ"), daysAgo(0, 300)},
                {QStringLiteral("SSFD"), u.branch}});
    }
}

void Generator::run()
{
    Transaction tx(m_db);
    lookups();
    company();
    users();
    rentals();
    sales();
    rentRequests();
    buyRequests();
    tx.commit();
    m_db.execute(Sql("ANALYZE"));
}

} // namespace

void fillSampleOffice(Database &db, const QStringList &pictures, const QDate &today, quint32 seed, int rowsPerRegister)
{
    Generator(db, pictures, today, seed, rowsPerRegister).run();
}

} // namespace brel::datagen
