#include "ledger/jet/JetReader.h"

#include "ledger/jet/JetLongValues.h"
#include "ledger/jet/JetPageFile.h"
#include "ledger/jet/JetText.h"
#include "ledger/jet/JetUsageMap.h"

#include <QByteArray>
#include <QFile>
#include <memory>
#include <optional>
#include <vector>

// glib first: mdbtools.h uses its types without including it.
#include <glib.h>
#include <mdbtools.h>

namespace {

struct HandleCloser {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
using Handle = std::unique_ptr<MdbHandle, HandleCloser>;

struct TableFreer {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using Table = std::unique_ptr<MdbTableDef, TableFreer>;

// Where the library starts: the definition of the catalog, MSysObjects, which lists itself among the tables.
constexpr quint32 CatalogDefinitionPage = 2;
const char* const CatalogName = "MSysObjects";

const MdbColumn* FindColumn(MdbTableDef* table, const QString& name)
{
    for (guint i = 0; i < table->columns->len; ++i) {
        const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(table->columns, i));
        if (QString::fromUtf8(column->name).compare(name, Qt::CaseInsensitive) == 0)
            return column;
    }
    return nullptr;
}

// The bytes of the current row's value in `column`, as the library found them in its page.
QByteArrayView FieldBytes(const MdbHandle* mdb, const MdbColumn* column)
{
    const int start = column->cur_value_start;
    const int length = column->cur_value_len;
    if (start < 0 || length < 0 || start > mdb->fmt->pg_size - length)
        throw JetReadError(JetReadProblem::FieldOutsidePage);
    return QByteArrayView(reinterpret_cast<const char*>(mdb->pg_buf) + start, length);
}

} // namespace

QList<QStringList> ReadJetTextColumns(const QString& path, const QString& tableName, const QStringList& columnNames)
{
    Handle mdb(mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS));
    if (!mdb)
        throw JetReadError(JetReadProblem::NotAccess);
    if (mdb->f->jet_version != MDB_VER_JET3 && mdb->f->jet_version != MDB_VER_JET4)
        throw JetReadError(JetReadProblem::NotJet3Or4);
    const bool jet4 = mdb->f->jet_version == MDB_VER_JET4;
    JetPageFile pages(path, jet4 ? JetPageFormat::jet4() : JetPageFormat::jet3(), mdb->f->db_key);
    if (mdb->fmt->pg_size != pages.format().pageSize)
        throw JetReadError(JetReadProblem::NotJet3Or4);
    JetTextDecoder decoder = jet4 ? JetTextDecoder() : JetTextDecoder(mdb->f->code_page);
    if (!decoder.isValid())
        throw JetReadError(JetReadProblem::UnknownCodePage, mdb->f->code_page);

    // The library dies on a usage map it cannot walk: each is checked before the library walks it.
    UsageMapPages(pages, CatalogDefinitionPage);
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE) || !mdb_get_catalogentry_by_name(mdb.get(), CatalogName))
        throw JetReadError(JetReadProblem::CatalogUnreadable);
    const JetReadError missingTable = JetReadError::MissingTable(tableName, columnNames);
    MdbCatalogEntry* entry = mdb_get_catalogentry_by_name(mdb.get(), tableName.toUtf8().constData());
    if (!entry || entry->object_type != MDB_TABLE)
        throw missingTable;
    if (entry->table_pg > 0xFFFFFF || !pages.holds(static_cast<quint32>(entry->table_pg)))
        throw JetReadError(JetReadProblem::TableDefinitionOutsideFile);
    UsageMapPages(pages, static_cast<quint32>(entry->table_pg));
    Table table(mdb_read_table(entry));
    if (!table || !mdb_read_columns(table.get()))
        throw JetReadError(JetReadProblem::TableDefinitionUnreadable);

    std::vector<const MdbColumn*> columns;
    for (const QString& columnName : columnNames) {
        const MdbColumn* column = FindColumn(table.get(), columnName);
        if (!column || (column->col_type != MDB_TEXT && column->col_type != MDB_MEMO))
            throw missingTable;
        columns.push_back(column);
    }

    QList<QStringList> rows;
    JetLongValues longValues(pages);
    mdb_rewind_table(table.get());
    while (mdb_fetch_row(table.get())) {
        QStringList values;
        for (const MdbColumn* column : columns) {
            // The library sets no value length for a NULL; a Memo has its field even when empty.
            if (column->cur_value_len == 0) {
                values.append(QString());
                continue;
            }
            const QByteArrayView field = FieldBytes(mdb.get(), column);
            std::optional<QString> text =
                column->col_type == MDB_MEMO ? decoder.decode(longValues.read(field)) : decoder.decode(field);
            if (!text)
                throw JetReadError(JetReadProblem::TextUnreadable, rows.size() + 1);
            values.append(std::move(*text));
        }
        rows.append(std::move(values));
    }
    if (rows.size() != static_cast<qsizetype>(table->num_rows))
        throw JetReadError::RowsMissing(tableName, table->num_rows, rows.size());
    return rows;
}
