#pragma once

#include "datastore/Engine.h"
#include "datastore/Schema.h"

#include <QString>
#include <QTemporaryDir>

namespace brel::test {

/// The fixed key of every data file.
inline const QString DataPassword = QStringLiteral("381957");

/// Makes a blank, keyed data file at path (the same content the build's
/// template holds) and returns it closed.
inline void makeBlankFile(const QString &path, const QString &password = DataPassword)
{
    Database db;
    db.create(path, password);
    Schema::createAll(db);
    Schema::fillBlankContent(db);
    db.close();
}

} // namespace brel::test
