#pragma once

#include "ledger/jet/JetReadError.h"

#include <QList>
#include <QString>
#include <QStringList>

// Reads every row of `table` in the Jet 3 or Jet 4 file at `path`, in the file's order: for each, the values of
// `columns`, which must be Text or Memo fields. A NULL value comes back as a null QString, and so does an empty
// Text value (the library reports both alike; an empty Memo is an empty QString).
//
// libmdb (mdbtools) reads the catalog, the table's definition and its rows. What the library would trust blindly
// is checked here first: the usage maps it walks to find the rows must lie inside the file, and every Memo is
// gathered here from its long-value rows and proved whole (see JetLongValues). The stored text is decoded here
// too, because the library's own conversion loses characters outside the Basic Multilingual Plane, cuts a text
// at U+0000, drops a leading U+FEFF and cuts Memos at its bind size without a word. A file whose table holds
// fewer rows than its definition counts is refused as damaged: the library skips unreadable pages silently.
// Throws JetReadError.
QList<QStringList> ReadJetTextColumns(const QString& path, const QString& table, const QStringList& columns);
