#pragma once

#include <QString>
#include <QVector>

namespace brel {

struct UsageTip {
    QString title;
    QString text;
};

/// The seven usage tips, in the order they are shown; the last names the
/// product and the maker's web and e-mail addresses.
QVector<UsageTip> UsageTips();

} // namespace brel
