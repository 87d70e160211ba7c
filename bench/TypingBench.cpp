#include "Benchmarks.h"

#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "datastore/Rights.h"
#include "datastore/Schema.h"
#include "listings/RentalManageForm.h"
#include "shell/MainForm.h"
#include "shell/SettingObjects.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>

namespace brel::bench {

namespace {

/// What a clerk types into the address box, one key at a time.
const QString TypedAddress = QStringLiteral("洛阳市涧西区景华路332号天香苑25号楼4单元203室");
constexpr int Rounds = 200;

} // namespace

void runTypingBenchmark(QTextStream &out)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("typing.mdb"));
    {
        Database db;
        db.create(file, TDM::Password);
        Schema::createAll(db);
        Schema::fillBlankContent(db);
    }
    TDM dm;
    TSettings settings(dir.filePath(QStringLiteral("settings.ini")));
    settings.WriteBeginer(1);
    settings.WriteDefaultDb(file);
    dm.hooks.login = [] {
        CurrentUser.Id = 1;
        CurrentUser.YHXM = QStringLiteral("admin");
        LoadRights(1);
        return true;
    };
    TMainFm::RegisterChild(QStringLiteral("atRentalManage"), [](QWidget *parent) { return new TRentalManageFm(parent); });
    auto *form = new TMainFm;
    form->show();
    // The first show opens the working file and then the rental window.
    QElapsedTimer wait;
    wait.start();
    while (!dynamic_cast<TRentalManageFm *>(form->CurrentChild()) && wait.elapsed() < 10000)
        QApplication::processEvents();
    if (!form->CurrentChild()) {
        out << "typing: the rental window did not open" << Qt::endl;
        delete form;
        return;
    }
    form->PressNavigator(DataNavigator::Insert);
    auto *address = form->CurrentChild()->findChild<QLineEdit *>(QStringLiteral("edFWDZ"));
    auto *rough = form->CurrentChild()->findChild<QLineEdit *>(QStringLiteral("edDGDZ"));
    address->setFocus();

    // App: a key press in the address box until the rough address shows the
    // new text (all of it happens inside the key's handling).
    qint64 appNs = 0;
    int keys = 0;
    QString last;
    for (int r = 0; r < Rounds; ++r) {
        address->clear();
        for (QChar c : TypedAddress) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QElapsedTimer t;
            t.start();
            QApplication::sendEvent(address, &press);
            last = rough->text();
            appNs += t.nsecsElapsed();
            ++keys;
        }
    }
    // Bare: the rough address worked out for the same texts alone.
    qint64 bareNs = 0;
    QString bareLast;
    for (int r = 0; r < Rounds; ++r) {
        for (int n = 1; n <= TypedAddress.size(); ++n) {
            const QString text = TypedAddress.left(n);
            QElapsedTimer t;
            t.start();
            bareLast = MakeRoughAddress(text);
            bareNs += t.nsecsElapsed();
        }
    }
    if (last != bareLast)
        out << "typing: the rough address differs: " << last << " / " << bareLast << Qt::endl;
    printRatio(out, QStringLiteral("typing_address_key"), appNs / 1e6 / keys, bareNs / 1e6 / keys);
    out << "typing_address_key_ms: " << QString::number(appNs / 1e6 / keys, 'f', 3)
        << " per key (a frame is 16 ms); the rough address alone " << QString::number(bareNs / 1e3 / keys, 'f', 2)
        << " us" << Qt::endl;
    form->PressNavigator(DataNavigator::Cancel);
    CurrentUser = UserRecord();
    delete form;
    TMainFm::ClearRegistrations();
}

} // namespace brel::bench
