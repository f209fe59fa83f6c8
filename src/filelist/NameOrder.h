#pragma once

// The one total order of file names: locale-aware and case-insensitive, with an exact comparison
// deciding between names that differ only in case or in what the collation ignores. Linux lets
// "a.jpg" and "A.JPG" sit side by side, so every sort and merge of names uses this order.
// GUI thread (or any one thread per instance).

#include <QCollator>
#include <QString>

namespace pixmarl {

class TNameOrder {
public:
    TNameOrder();

    // < 0, 0 or > 0 as a sorts before, equal to or after b; 0 only for identical names.
    int Compare(const QString& a, const QString& b) const;

    // A precomputed key: comparing two keys with CompareKeys gives the same answer as Compare on
    // their names, at a fraction of the cost when the same name takes part in many comparisons.
    struct TKey {
        QCollatorSortKey collation;
        const QString* name;
    };
    TKey Key(const QString& name) const;
    static int CompareKeys(const TKey& a, const TKey& b);

private:
    QCollator collator_;
};

}  // namespace pixmarl
