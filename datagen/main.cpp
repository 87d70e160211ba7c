// Makes the data files the program folder is delivered with: the blank
// template Data/Blank, the sample office Data/例子数据文件.mdb and the floor
// plans in Picture/ that the sample rows name. With --build it makes a data
// file of an older build instead, for the upgrade's tests and benchmark.

#include "FloorPlans.h"
#include "OldBuilds.h"
#include "SampleData.h"

#include "datastore/Engine.h"
#include "datastore/Schema.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>
#include <exception>

using namespace brel;

namespace {

const QString Password = QStringLiteral("381957");

/// Builds the file under a temporary name and moves it into place, so an
/// interrupted build never leaves a half-written data file behind.
template <typename Fill> void makeDataFile(const QString &path, Fill fill)
{
    const QString tmp = path + QStringLiteral(".part");
    QFile::remove(tmp);
    {
        Database db;
        db.create(tmp, Password);
        Schema::createAll(db);
        Schema::fillBlankContent(db);
        fill(db);
        db.close();
    }
    QFile::remove(path);
    if (!QFile::rename(tmp, path))
        throw EngineError(QStringLiteral("无法写入“%1”。").arg(path));
}

} // namespace

int main(int argc, char *argv[])
{
    // Drawing text needs the font database, which needs a GUI application;
    // nothing is shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 4 && args.at(1) == QLatin1String("--build")) {
        try {
            const int rows = args.size() > 4 ? args.at(4).toInt() : 0;
            datagen::makeOldBuildFile(args.at(3), args.at(2), rows, QDate::currentDate());
        } catch (const EngineError &e) {
            std::fprintf(stderr, "brelvanto-datagen: %s\n", qPrintable(e.message()));
            return 1;
        } catch (const std::exception &e) {
            std::fprintf(stderr, "brelvanto-datagen: %s\n", e.what());
            return 1;
        }
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: brelvanto-datagen <program folder>\n"
                             "       brelvanto-datagen --build <Build1.00..Build1.04> <file> [rows per register]\n");
        return 2;
    }
    const QString appDir = QString::fromLocal8Bit(argv[1]);
    try {
        QDir().mkpath(appDir + QStringLiteral("/Data"));
        const QStringList pictures = datagen::writeFloorPlans(appDir + QStringLiteral("/Picture"), 6);
        makeDataFile(appDir + QStringLiteral("/Data/Blank"), [](Database &) {});
        const QDate today = QDate::currentDate();
        makeDataFile(appDir + QStringLiteral("/Data/例子数据文件.mdb"),
                     [&](Database &db) { datagen::fillSampleOffice(db, pictures, today); });
    } catch (const EngineError &e) {
        std::fprintf(stderr, "brelvanto-datagen: %s\n", qPrintable(e.message()));
        return 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "brelvanto-datagen: %s\n", e.what());
        return 1;
    }
    return 0;
}
