#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

namespace brel::datagen {

/// Builds whose files can be made: those older than the current one.
QStringList OldBuilds();

/// Makes a data file of an older build at path: the tables and columns that
/// build had (the current schema with each later upgrade step undone), filled
/// with the sample office's rows as that build stored them (sale prices in
/// yuan and whole-number areas before Build1.01, rights in TbUser before
/// Build1.03, no branches before Build1.04). A few rows are deleted, the last
/// of every register among them, as in a file that has been worked with.
/// rowsPerRegister 0 gives the sample office's own counts.
void makeOldBuildFile(const QString &path, const QString &build, int rowsPerRegister, const QDate &today);

} // namespace brel::datagen
