#pragma once

#include <QString>

// The ledgers of the scale measurements: "Abadie Amélie" first, whose notes are `firstNotesMB` MB (0: a line),
// then generated persons up to `persons`. Each is made once in the build's bench-cache folder and kept there
// (scripts/run-startup-bench.sh makes them the same way with quentaril-newledger); measurements that write
// work on a copy. Delete the folder to make them again.

// The folder name, shared with the start-up script: ledger-<persons>p-<MB>MB.
QString ScaleLedgerName(qint64 persons, qint64 firstNotesMB);
// The cached folder holding that BDPLORN.mdb, made first when missing.
QString CachedScaleLedger(const QString& cacheRoot, qint64 persons, qint64 firstNotesMB);
// A ledger of `persons` generated persons whose notes add up to about `notesMB` MB, a slice of French-looking text
// each; the notes of every RareWordEvery-th person hold RareWord. Made once in the cache folder, as above.
inline const QString RareWord = QStringLiteral("Quimperlé");
constexpr qint64 RareWordEvery = 1000;
QString CachedNotesLedger(const QString& cacheRoot, qint64 persons, qint64 notesMB);
// Copies the ledger of folder `from` into folder `to` (made when missing); throws LedgerError on failure.
void CopyLedgerFolder(const QString& from, const QString& to);
