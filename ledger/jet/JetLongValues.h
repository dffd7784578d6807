#pragma once

#include "ledger/jet/JetPageFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QSet>

// The Memo values of one table, each proved whole before it is handed out: every long-value row it names lies
// inside the file, on a long-value page, inside that page's row table, and is read once for the whole table (a
// second visit means a loop, or a page written over by another's copy); its pieces add up exactly to its stated
// length. Anything else throws JetReadError.
class JetLongValues {
public:
    explicit JetLongValues(JetPageFile& pages) : pages_(pages) {}

    // The stored bytes of the Memo whose field in its row is `field`: 12 bytes (the length and its flags, the
    // page and row of the first long-value row) and, for a value kept in the row, the value itself.
    QByteArray read(QByteArrayView field);

private:
    QByteArray chain(quint32 first, qsizetype length);
    // The bytes of a long-value row, valid until the next page is read.
    QByteArrayView row(quint32 pageAndRow);

    JetPageFile& pages_;
    QSet<quint32> visited_;
};
