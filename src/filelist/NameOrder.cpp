#include "NameOrder.h"

namespace pixmarl {

TNameOrder::TNameOrder()
{
    // The C locale has no collation of its own (Qt then compares code points and its sort keys
    // ignore case); users with LANG=C still expect a dictionary order.
    if (QLocale().language() == QLocale::C)
        collator_.setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
}

int TNameOrder::Compare(const QString& a, const QString& b) const
{
    const int c = collator_.compare(a, b);
    return c != 0 ? c : a.compare(b);
}

TNameOrder::TKey TNameOrder::Key(const QString& name) const
{
    return TKey{collator_.sortKey(name), &name};
}

int TNameOrder::CompareKeys(const TKey& a, const TKey& b)
{
    const int c = a.collation.compare(b.collation);
    return c != 0 ? c : a.name->compare(*b.name);
}

}  // namespace pixmarl
