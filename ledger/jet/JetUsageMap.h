#pragma once

#include "ledger/jet/JetPageFile.h"

#include <QList>

// The pages a table's usage map names, from the table's definition page: either a bitmap of the pages after a
// first one, kept in the map's row, or a list of usage-map pages (type 0x05), each a bitmap of its own stretch of
// the file. The library walks this map to find the table's rows and trusts it blindly; here the definition, the
// map and every page it names must lie inside the file, or JetReadError is thrown.
QList<quint32> UsageMapPages(JetPageFile& pages, quint32 definitionPage);
