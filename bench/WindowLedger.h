#pragma once

#include <QString>
#include <QStringList>

// Ledgers as the main window finds them: a BDPLORN.mdb of their own in a folder, filled before the window
// opens it. Shared by the window benchmarks and the start-up probe.

// The persons whose notes are large. Their names sort before every generated one, so the first of them
// is the person the window shows when it opens.
inline const QStringList LargeNotesOwners = {QStringLiteral("Abadie Amélie"), QStringLiteral("Abadie Bérénice")};

// The notes of LargeNotesOwners[owner]: French-looking text of `megabytes` MB, a different one per owner.
QString LargeNotes(qint64 megabytes, int owner);

// Makes `folder` (when missing) and a new BDPLORN.mdb in it holding the reserved entry and `persons`
// persons: the first `largeOwners` of LargeNotesOwners with LargeNotes(megabytes, owner), then generated
// persons in random order with a line of notes each. Returns the ledger's path; throws LedgerError.
QString MakeLedgerFolder(const QString& folder, qint64 persons, int largeOwners = 0, qint64 megabytes = 0);
// The same contents written into an existing empty ledger (made by CreateNewLedger or quentaril-newledger). With
// `megabytes` 0 the large-notes owners get a line of notes like everyone else.
void FillLedger(const QString& path, qint64 persons, int largeOwners, qint64 megabytes);
