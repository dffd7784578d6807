#include "ledger/jet/JetReader.h"

#include "ledger/jet/JetText.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <cstring>
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

// A Memo field in the row: its length and where it lies, then (when inline) the value itself.
constexpr int MemoFieldSize = 12;
constexpr quint32 MemoInline = 0x80000000;
constexpr quint32 MemoOnOneRow = 0x40000000;
constexpr quint32 MemoLengthMask = 0x3FFFFFFF;
constexpr int RowOffsetMask = 0x1FFF;
constexpr unsigned char DataPage = 0x01;

[[noreturn]] void Damaged(const QString& what)
{
    throw JetReadError(QStringLiteral("il est endommagé (%1)").arg(what));
}

const MdbColumn* FindColumn(MdbTableDef* table, const QString& name)
{
    for (guint i = 0; i < table->columns->len; ++i) {
        const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(table->columns, i));
        if (QString::fromUtf8(column->name).compare(name, Qt::CaseInsensitive) == 0)
            return column;
    }
    return nullptr;
}

class TableScan {
public:
    TableScan(MdbHandle* mdb, qint64 filePages) : mdb_(mdb), filePages_(filePages) {}

    // The bytes of the current row's value in `column`, a Memo's gathered from its pages.
    QByteArray valueBytes(const MdbColumn* column) const
    {
        const QByteArrayView field = fieldBytes(column);
        return column->col_type == MDB_MEMO ? longValue(field) : field.toByteArray();
    }

private:
    QByteArrayView fieldBytes(const MdbColumn* column) const
    {
        const int start = column->cur_value_start;
        const int length = column->cur_value_len;
        if (start < 0 || length < 0 || start + length > mdb_->fmt->pg_size)
            Damaged(QStringLiteral("champ hors de sa page"));
        return QByteArrayView(reinterpret_cast<const char*>(mdb_->pg_buf) + start, length);
    }

    QByteArray longValue(QByteArrayView field) const
    {
        if (field.size() < MemoFieldSize)
            Damaged(QStringLiteral("champ Mémo trop court"));
        const auto head = qFromLittleEndian<quint32>(field.data());
        const qsizetype length = head & MemoLengthMask;
        if (head & MemoInline) {
            if (field.size() - MemoFieldSize < length)
                Damaged(QStringLiteral("Mémo coupé"));
            return field.sliced(MemoFieldSize, length).toByteArray();
        }
        quint32 next = qFromLittleEndian<quint32>(field.data() + 4);
        if (head & MemoOnOneRow) {
            const QByteArrayView row = longValueRow(next);
            if (row.size() < length)
                Damaged(QStringLiteral("Mémo coupé"));
            return row.first(length).toByteArray();
        }
        // A chain of rows, each starting with the place of the next.
        QByteArray value;
        value.reserve(length);
        for (qint64 pieces = 0; value.size() < length; ++pieces) {
            if (next == 0 || pieces > filePages_)
                Damaged(QStringLiteral("Mémo coupé"));
            const QByteArrayView row = longValueRow(next);
            if (row.size() < 4)
                Damaged(QStringLiteral("Mémo coupé"));
            next = qFromLittleEndian<quint32>(row.data());
            value.append(row.sliced(4).first(qMin(row.size() - 4, length - value.size())));
        }
        return value;
    }

    // One row of a long-value page; valid until the next page is read.
    QByteArrayView longValueRow(quint32 pageAndRow) const
    {
        void* buffer = nullptr;
        int start = 0;
        size_t size = 0;
        const auto pageSize = static_cast<size_t>(mdb_->fmt->pg_size);
        const int row = static_cast<int>(pageAndRow & 0xFF);
        if ((pageAndRow >> 8) == 0 || mdb_find_pg_row(mdb_, static_cast<int>(pageAndRow), &buffer, &start, &size) != 0)
            Damaged(QStringLiteral("page de Mémo illisible"));
        const auto* page = static_cast<const unsigned char*>(buffer);
        const int rowCount = qFromLittleEndian<quint16>(page + mdb_->fmt->row_count_offset);
        start &= RowOffsetMask;
        if (page[0] != DataPage || std::memcmp(page + 4, "LVAL", 4) != 0 || row >= rowCount || size > pageSize ||
            static_cast<size_t>(start) + size > pageSize)
            Damaged(QStringLiteral("page de Mémo illisible"));
        return QByteArrayView(reinterpret_cast<const char*>(page) + start, static_cast<qsizetype>(size));
    }

    MdbHandle* mdb_;
    qint64 filePages_;
};

} // namespace

JetReadError::JetReadError(const QString& reason) : std::runtime_error(reason.toStdString()), reason_(reason) {}

QList<QStringList> ReadJetTextColumns(const QString& path, const QString& tableName, const QStringList& columnNames)
{
    Handle mdb(mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS));
    if (!mdb)
        throw JetReadError(QStringLiteral("il ne peut pas être ouvert comme base Access"));
    const qint64 fileSize = QFileInfo(path).size();
    const qint64 pageSize = mdb->fmt->pg_size;
    if (fileSize <= 0 || fileSize % pageSize != 0)
        throw JetReadError(QStringLiteral("il est tronqué"));

    if (mdb->f->jet_version != MDB_VER_JET3 && mdb->f->jet_version != MDB_VER_JET4)
        throw JetReadError(QStringLiteral("ce n'est pas une base au format Jet 3 ou Jet 4"));
    JetTextDecoder decoder = mdb->f->jet_version == MDB_VER_JET4 ? JetTextDecoder() : JetTextDecoder(mdb->f->code_page);
    if (!decoder.isValid())
        throw JetReadError(QStringLiteral("sa page de codes (%1) est inconnue").arg(mdb->f->code_page));

    const QString missingTable = QStringLiteral("il ne contient pas la table %1 avec les champs %2")
                                     .arg(tableName, columnNames.join(QStringLiteral(", ")));
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        Damaged(QStringLiteral("catalogue illisible"));
    MdbCatalogEntry* entry = mdb_get_catalogentry_by_name(mdb.get(), tableName.toUtf8().constData());
    if (!entry || entry->object_type != MDB_TABLE)
        throw JetReadError(missingTable);
    Table table(mdb_read_table(entry));
    if (!table)
        Damaged(QStringLiteral("définition de la table illisible"));
    if (!mdb_read_columns(table.get()))
        Damaged(QStringLiteral("définition de la table illisible"));

    std::vector<const MdbColumn*> columns;
    for (const QString& columnName : columnNames) {
        const MdbColumn* column = FindColumn(table.get(), columnName);
        if (!column || (column->col_type != MDB_TEXT && column->col_type != MDB_MEMO))
            throw JetReadError(missingTable);
        columns.push_back(column);
    }

    QList<QStringList> rows;
    const TableScan scan(mdb.get(), fileSize / pageSize);
    mdb_rewind_table(table.get());
    while (mdb_fetch_row(table.get())) {
        QStringList values;
        for (const MdbColumn* column : columns) {
            // The library sets no value length for a NULL; a Memo has its field even when empty.
            if (column->cur_value_len == 0) {
                values.append(QString());
                continue;
            }
            std::optional<QString> text = decoder.decode(scan.valueBytes(column));
            if (!text)
                Damaged(QStringLiteral("texte illisible à la fiche n° %1").arg(rows.size() + 1));
            values.append(std::move(*text));
        }
        rows.append(std::move(values));
    }
    if (rows.size() != static_cast<qsizetype>(table->num_rows))
        Damaged(QStringLiteral("la table %1 compte %2 fiches, %3 ont pu être lues")
                    .arg(tableName, QString::number(table->num_rows), QString::number(rows.size())));
    return rows;
}
