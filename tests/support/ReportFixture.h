#pragma once

// The main window on a small office file for the report tests: the agency's
// details, houses for rent and for sale in each state, requests, and three
// clerks. The report windows' commands are bound as the program binds them.

#include "components/GoldenFile.h"
#include "datastore/DataModule.h"
#include "reports/PieceStatForm.h"
#include "reports/SheetForm.h"
#include "support/FileDialogRecorder.h"
#include "support/MainWindowFixture.h"
#include "support/PdfFiles.h"

#include <QPushButton>

namespace brel::test {

class ReportFixture : public MainWindowFixture {
protected:
    void startReports()
    {
        startMainWindow();
        RegisterSheetCommands();
        TMainFm::RegisterChild(QStringLiteral("atPieceStat"),
                               [](QWidget *parent) { return new TQPieceStatFm(parent); });
        m_dialogs = std::make_unique<FileDialogRecorder>();
        exec("UPDATE TbCompanyInfo SET QYMC='安居房产经纪', LXDH='010-88886666' WHERE ID=1");
        exec("INSERT INTO TbUser (ID, YHDM, YHXM, YHMM) VALUES (2, 'zhang', '张三', '')");
        exec("INSERT INTO TbUser (ID, YHDM, YHXM, YHMM) VALUES (3, 'li', '李\"四', '')");
        const QString ambience = QStringLiteral("小区环境优美，绿化率高，周边有大型超市、菜市场、银行、医院和重点小学，"
                                                "生活十分方便，步行五分钟可到公交总站，十分钟到地铁站。");
        addRental(101, "00000101", "00", ambience);
        addRental(102, "00000102", "00", "近公园");
        addRental(103, "00000103", "00", QString());
        addRental(104, "00000104", "01", "安静");
        addRental(105, "00000105", "02", QString());
        exec("UPDATE TbRental SET CZRXM='王五', CZRLXDH='13900000000', CZRSFZH='110101199001011234', CZJG=1800, "
             "CZRQ='2003-01-10', CZJZRQ='2004-01-09', CZFBZ2='押一付三', HTH='HT-2003-01', YJJE=900, SLR='张三', "
             "SLRQ='2003-01-10' WHERE ID=104");
        exec("INSERT INTO TbSale (ID, SJH, FWDZ, DGDZ, JZMJ, FX, CX, LC, ZLC, CB, SJ, QY, JGRQ, SYNX, CQZH, FWSS, "
             "ZXQK, JTQK, ZWHJ, CSFBZ, LXR, LXRDH1, LXRSFZH, LRR, LRRQ, ZTW) VALUES (201, '00000201', "
             "'海淀区中关村大街1号3单元502', '海淀区中关村大街', 120.5, '三室二厅', '南北', 5, 18, '商品房', 260, "
             "'海淀区', '1998-06-01', 70, '京房权证海字第01号', '暖气、燃气', '精装修', '地铁4号线', '近大学', "
             "'急售', '赵六', '13800000001', '110101197001011111', '张三', '2003-01-05', '00')");
        exec("INSERT INTO TbSale (ID, SJH, FWDZ, DGDZ, JZMJ, FX, CX, LC, ZLC, CB, SJ, QY, JGRQ, SYNX, CQZH, LXR, "
             "LXRDH1, LRR, LRRQ, ZTW, GMRXM, GMRLXDH, GMRSFZH, GMJG, GMRQ, GMFBZ, HTH, YJJE, SLR, SLRQ) VALUES (202, "
             "'00000202', '朝阳区建国路8号', '朝阳区建国路', 88, '二室一厅', '东', 12, 20, '商品房', 180, '朝阳区', "
             "'2001-01-01', 70, '京房权证朝字第02号', '钱七', '13800000002', '李\"四', '2002-12-20', '01', '孙八', "
             "'13700000003', '110101198001012222', 178, '2003-01-31 10:00:00', '全款', 'HT-2003-02', 1.335, "
             "'李\"四', '2003-01-31 10:00:00')");
        exec("INSERT INTO TbQRental (ID, SJH, FWDZ, DGDZ, JZMJ, FX, CX, LC, ZJ, QY, FWSS, ZXQK, JTQK, ZWHJ, BZ, LXR, "
             "LXRDH1, LXRSFZH, LRR, LRRQ) VALUES (301, '00000301', '西城区', '西城区', 60, '一室一厅', '南', 3, 2000, "
             "'西城区', '空调', '简装', '公交', '近学校', '尽快', '周九', '13600000004', '110101199501013333', '张三', "
             "'2003-01-15')");
        exec("INSERT INTO TbQBuy (ID, SJH, FWDZ, DGDZ, JZMJ, FX, CX, LC, CB, SJ, QY, JGRQ, SYNX, FWSS, ZXQK, JTQK, "
             "ZWHJ, BZ, LXR, LXRDH1, LXRSFZH, LRR, LRRQ) VALUES (401, '00000401', '东城区', '东城区', 90, '二室一厅', "
             "'南北', 6, '商品房', 150, '东城区', '2000-01-01', 70, '电梯', '精装修', '地铁', '安静', '贷款', '吴十', "
             "'13500000005', '110101198501014444', '李\"四', '2003-01-31 23:30:00')");
    }

    void stopReports()
    {
        m_dialogs.reset();
        stopMainWindow();
    }

    void exec(const char *sql, const QVariantList &values = {})
    {
        m_dm->DbBase->execute(Sql(QString::fromUtf8(sql), values));
    }

    void addRental(int id, const char *receipt, const char *state, const QString &ambience)
    {
        exec("INSERT INTO TbRental (ID, SJH, FWDZ, DGDZ, JZMJ, FX, CX, LC, ZLC, ZJ, QY, JGRQ, FWSS, ZXQK, JTQK, ZWHJ, "
             "CZFBZ1, LXR, LXRDH1, LXRSFZH, CQZH, LRR, LRRQ, ZTW) VALUES (?, ?, '朝阳区望京西园三区312号楼1单元801', "
             "'朝阳区望京西园', 85.5, '二室一厅', '南', 8, 18, 3500, '朝阳区', '2000-05-01', '空调、冰箱、洗衣机', "
             "'精装修', '地铁13号线望京西站', ?, '家电齐全，拎包入住', '刘先生', '13911112222', "
             "'110105197501015555', '京房权证朝字第123号', '张三', '2003-01-02', ?)",
             {id, QString::fromLatin1(receipt), ambience, QString::fromLatin1(state)});
    }

    /// The report window's pages as a PDF through 导出PDF; empty when none was written.
    QString exportPdf(TQChildFm *form, const QString &name)
    {
        const QString path = m_dir->filePath(name);
        m_dialogs->setNextFileName(path);
        form->btnPdf->click();
        return QFileInfo::exists(path) ? path : QString();
    }

    /// The PDF's text against the reference file name; BRELVANTO_SCREENSHOT
    /// keeps a picture of its first page beside the screenshots.
    QString checkPdf(const QString &pdf, const QString &reference)
    {
        if (const QString png = qEnvironmentVariable("BRELVANTO_SCREENSHOT"); !png.isEmpty())
            renderPage(pdf, 1, QString(png).replace(QLatin1String(".png"), QLatin1Char('-') + reference));
        return compareWithGolden(reference + QStringLiteral(".txt"), pdfText(pdf));
    }

    std::unique_ptr<FileDialogRecorder> m_dialogs;
};

} // namespace brel::test
