#pragma once

#include <QString>
#include <QTextStream>

namespace brel {
class DataGrid;
}

namespace brel::bench {

/// Asks the grid's model for every cell the view shows, as painting does;
/// the number of rows shown.
int layOutVisibleRows(DataGrid &grid);

/// Every figure is printed as "name: R x bare (app A ms, bare B ms)".
void printRatio(QTextStream &out, const QString &name, double appMs, double bareMs);

/// A value from /proc/self/status in kB ("VmRSS", "VmHWM").
qint64 statusKb(const char *key);
/// Resets the peak (VmHWM) to the current size, so the file making does not count.
void resetPeak();

/// Data-set figures over the million-row rental file (opening, count, locate).
void runDataSetBenchmarks(const QString &dataFile, QTextStream &out);
/// The upgrade of a Build1.00 file with 100,000 rows per register
/// (BRELVANTO_BENCH_ONLY=upgrade).
void runUpgradeBenchmark(QTextStream &out);
/// Grid and export figures over the same file.
void runGridBenchmarks(const QString &dataFile, QTextStream &out);

/// Backup and compaction of the million-row file against cp of the same
/// file in the same run (BRELVANTO_BENCH_ONLY=datafiles).
void runDataFileBenchmarks(const QString &dataFile, QTextStream &out);

/// Floor-plan browser figures: 20 pictures of 4000x3000 until every thumbnail
/// is shown, against bare libjpeg at 1/8 (BRELVANTO_BENCH_ONLY=pictures).
void runPictureBenchmarks(QTextStream &out);

/// The search window figures over a file of a million rentals and 200,000
/// requests to rent (BRELVANTO_BENCH_ONLY=search): the default search, a
/// re-sort, the footer count, 末条, a match, the return to the window.
void runSearchBenchmarks(const QString &dataFile, QTextStream &out);

/// The rental search's advanced search with three conditions and a state,
/// its first screen and footer count, over the search file
/// (BRELVANTO_BENCH_ONLY=advance).
void runAdvanceSearchBenchmark(const QString &dataFile, QTextStream &out);

/// Typing into the rental window's address box: a key press until the rough
/// address is updated, against MakeRoughAddress alone (BRELVANTO_BENCH_ONLY=typing).
void runTypingBenchmark(QTextStream &out);

/// 1,000 rental notices (500 pages) laid out and written to PDF, against the
/// same texts and rectangles drawn with a bare painter (BRELVANTO_BENCH_ONLY=reports).
void runReportBenchmark(QTextStream &out);
/// The replica exchange of two files of 100,000 rentals with 10,000 rows
/// changed on each side, against copying both files (BRELVANTO_BENCH_ONLY=sync).
void runReplicaBenchmark(QTextStream &out);

} // namespace brel::bench
