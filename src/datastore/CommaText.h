#pragma once

#include <QString>
#include <QStringList>

namespace brel {

/// Reads a comma text (the picture list of the FXT columns): names separated
/// by commas and blanks, a name in double quotes may hold either, a doubled
/// quote inside quotes stands for one. Never fails: whatever the text holds
/// gives a definite list (an unterminated quote runs to the end of the text).
QStringList readCommaText(const QString &text);

/// Writes names as a comma text that readCommaText turns back into the same
/// list. A name holding a blank, a control character, a quote or a comma is
/// quoted; a list of one empty name is `""`; an empty list is empty text.
QString writeCommaText(const QStringList &names);

} // namespace brel
