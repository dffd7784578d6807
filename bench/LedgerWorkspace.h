#pragma once

#include "ledger/Ledger.h"
#include "ledger/SqliteHandles.h"

#include <QRandomGenerator>
#include <QString>

// The ledgers the measurements work on, made once per run in a temporary folder and kept open until
// the program ends.

// The person whose notes the notes measurements read and write.
inline const QString NotesOwner = QStringLiteral("Marguerite Duval");

// One ledger file open twice: through the program's Ledger, and through a bare connection with the
// same key for the baselines. Both have read the file once, so the key is derived before any timing.
struct LedgerPair {
    QString path;
    Ledger ledger;
    Connection bare;
    int saves = 0; // alternates the notes written, shared by both sides
};

// A ledger holding `count` persons besides the reserved entry.
// A person of a sample ledger: a French name made unique by `index`, and a line of notes.
struct SamplePerson {
    QString name;
    QString notes;
};
SamplePerson RandomPerson(QRandomGenerator& random, qint64 index);

LedgerPair& LedgerWithPersons(qint64 count);
// A ledger whose NotesOwner has NotesOfMB(megabytes, 0); `purpose` keeps a ledger that is written apart
// from one that is only read.
LedgerPair& LedgerWithNotes(const QString& purpose, qint64 megabytes);
// Two different texts (variant 0 or 1) of the same size.
const QString& NotesOfMB(qint64 megabytes, int variant);
// A new ledger holding only the reserved entry, closed.
const QString& SmallLedgerPath();

// The baselines' check: throws with the engine's message unless `resultCode` is a success.
void RequireBare(sqlite3* db, int resultCode);
