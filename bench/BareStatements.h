#pragma once

#include "ledger/SqliteHandles.h"

#include <QString>
#include <QStringList>

// The ledger's work done by bare engine calls on a second connection: the baselines of the measurements.

QStringList BareListPersons(sqlite3* db);
QString BareReadNotes(sqlite3* db, const QString& name);
void BareSaveNotes(sqlite3* db, const QString& name, const QString& notes);
// Opens and keys the file, and reads it once so that the key is derived.
Connection BareOpenAndReadSchema(const QString& path);
