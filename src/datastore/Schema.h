#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace brel {

class Database;

enum class ColType { Counter, Integer, Money, Date, Bit, Text, Memo };

struct ColumnDef {
    QString name;
    ColType type;
    int size = 0;        ///< declared size of Text columns; 0 otherwise
    bool notNull = false;
};

struct TableDef {
    QString name;
    std::vector<ColumnDef> columns;
    QStringList indexed; ///< columns searched often enough to index; "A,B" is one index over both

    const ColumnDef *column(const QString &name) const; ///< case-insensitive
};

/// The data dictionary of the current build: the one source for creating
/// files, typing result fields and limiting edit boxes.
namespace Schema {

inline const QString CurrentBuild = QStringLiteral("Build1.05");

const std::vector<TableDef> &tables();
const TableDef *table(const QString &name);              ///< case-insensitive
const ColumnDef *column(const QString &table, const QString &column);
/// Declared size of a text column, 0 when unbounded or unknown.
int textSize(const QString &table, const QString &column);

QString declaredType(const ColumnDef &col); ///< e.g. "TEXT(20)", "MONEY"
QString createTableSql(const TableDef &table);
QStringList createIndexSql(const TableDef &table);

/// Creates every table and index in an empty, open database.
void createAll(Database &db);
/// Writes what a blank data file must hold (version, options, administrator
/// with rights, company row, fee rows).
void fillBlankContent(Database &db);

/// The four register tables.
QStringList registerTables();

} // namespace Schema
} // namespace brel
