#pragma once

#include "persons/SortedNames.h"

#include <QByteArray>
#include <QByteArrayView>
#include <vector>

// Names as the ledger hands them over, kept in one buffer until they are sorted. The name the sorted list
// starts with is found without sorting, so that it can be shown before the others are in order.
class GatheredNames {
public:
    void add(QByteArrayView stored);
    qsizetype size() const { return static_cast<qsizetype>(ends_.size()); }
    QByteArrayView at(qsizetype index) const;
    // The index of the name that comes first in the list's order; size() 0 has none.
    qsizetype firstInOrder() const;
    // The index of the first name with those bytes, or -1.
    qsizetype indexOf(QByteArrayView stored) const;
    // Hands every name over in the order they came; the names must outlive the source.
    SortedNames::NameSource source() const;

private:
    QByteArray bytes_;
    std::vector<qsizetype> ends_;
};
