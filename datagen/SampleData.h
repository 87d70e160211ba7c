#pragma once

#include <QDate>
#include <QStringList>

namespace brel {
class Database;
}

namespace brel::datagen {

/// Fills an open data file that already holds the blank content with the rows
/// of the sample office. The same seed gives the same rows; dates are counted
/// from `today` so the sample always has current entries and due alerts.
/// rowsPerRegister > 0 gives each register that many rows instead of the
/// sample office's own few dozen.
void fillSampleOffice(Database &db, const QStringList &pictures, const QDate &today, quint32 seed = 20050301,
                      int rowsPerRegister = 0);

} // namespace brel::datagen
