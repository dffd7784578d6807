#pragma once

#include "persons/NameList.h"

#include <QByteArray>
#include <QObject>
#include <QStringView>
#include <vector>

// Finds the rows of a NameList whose name contains a text, folded as a French reader compares (MatchFolding): those
// that start with it first, then the others, each group in the list's order.
//
// Every name is folded once, at the first search, into one buffer in the list's order, a line break after each;
// afterwards a name added or removed is folded or cut out alone. A search is one pass over the buffer.
class NameFinder : public QObject {
    Q_OBJECT
public:
    explicit NameFinder(NameList& names, QObject* parent = nullptr);

    std::vector<int> find(QStringView typed);
    // Folds every name now, if not done yet: the first search need not.
    void prepare();
    // The folded names, a line break after each, for whoever measures a pass over them.
    const QByteArray& foldedNames() const { return folded_; }

private:
    void namesInserted(int first, int last);
    void namesRemoved(int first, int last);
    void forget();
    // The name of that row folded, then the separator, at the end of `out`.
    void appendFolded(int row, QByteArray& out) const;

    NameList& names_;
    bool built_ = false;
    QByteArray folded_;
    // Where each row's name starts in folded_, then folded_'s size.
    std::vector<qsizetype> starts_;
};
