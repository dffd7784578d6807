#pragma once

#include "persons/FrenchCollation.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

// Persons' names in French alphabetical order, each known by its stored bytes and shown as those bytes decoded.
// Each name's sort key is computed once, when it comes in, and kept beside its bytes in large blocks, with no
// object of its own per name. Names whose keys are equal are ordered by their texts, then by their bytes, so the
// order never depends on the order they came in.
class SortedNames {
public:
    // Hands each name (its stored bytes, valid during the call) to the function it is given.
    using NameSource = std::function<void(const std::function<void(QByteArrayView)>&)>;

    SortedNames();
    ~SortedNames();
    SortedNames(SortedNames&&) noexcept;
    SortedNames& operator=(SortedNames&&) noexcept;

    // Every name that `source` hands over, sorted once.
    static SortedNames fromSource(const NameSource& source);
    // The order of two names whose keys are equal: by their texts, then by their bytes.
    static int compareTies(QByteArrayView left, QByteArrayView right);

    qsizetype size() const { return static_cast<qsizetype>(rows_.size()); }
    QByteArrayView stored(qsizetype index) const;
    QString text(qsizetype index) const;

    // The first place of that name, or -1.
    qsizetype indexOf(QByteArrayView stored) const;
    // The first place of a name a reader cannot tell from that one (the same text composed otherwise), or -1.
    qsizetype indexOfLookAlike(QByteArrayView stored) const;
    // The place insert() puts that name at: after every entry that orders before it or equal to it.
    qsizetype placeFor(QByteArrayView stored) const;
    // Puts the name at its sorted place and returns that place.
    qsizetype insert(QByteArrayView stored);
    // The places [first, first + count) of every entry with those bytes; count 0 when there is none.
    std::pair<qsizetype, qsizetype> rangeOf(QByteArrayView stored) const;
    void remove(qsizetype first, qsizetype count);

private:
    struct Row {
        // The stored bytes, then the sort key, in one of the blocks.
        const char* bytes;
        qint32 storedSize;
        qint32 keySize;
    };
    struct Comes;
    class Blocks;

    Row add(QByteArrayView stored);
    // The name and its key in a buffer of its own, for looking up without keeping anything.
    QByteArray probeBytes(QByteArrayView stored, Row& probe) const;

    std::unique_ptr<FrenchCollation> collation_;
    std::unique_ptr<Blocks> blocks_;
    std::vector<Row> rows_;
};
