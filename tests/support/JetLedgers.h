#pragma once

#include "ledger/LedgerFile.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

// What tests/jet/make_jet_ledger.py is asked to write: its options, under the same names.
struct JetLedgerSpec {
    int jet = 4;
    // [[value, ...], ...] in `columns` order, or [{"NomPers": ..., "LesPlorns": ...}, ...]. A value is null, a
    // string, or an object that also chooses how it is stored ({"text": ..., "store": "lval"}, see the script).
    QJsonArray rows;
    QString password = LedgerPassword;
    // The creation date (ISO 8601), which masks a Jet 4 password; empty for the writer's own.
    QString created;
    QString table = QStringLiteral("tblPlorn");
    QString columns = QStringLiteral("NomPers:text,LesPlorns:memo");
    // "shorter" (as Access does) or "always": Jet 4 text in the compressed Unicode form; empty: never.
    QString compressedText;
    // The Windows code page of Jet 3 text; 0 for the writer's default, 1252.
    int codePage = 0;
    // Encodes every page after the header with RC4 under this key, as Access does for an "encrypted" file.
    std::optional<quint32> pageKey;
    // Writes the header of an Access 2007 (ACE) file instead.
    bool ace = false;
};

// Jet ledgers made at test time by the project's writer, tests/jet/make_jet_ledger.py (run with the python3 CMake
// found), in a temporary folder that goes with this object.
class JetLedgers {
public:
    JetLedgers();

    // Why no ledger can be made here (no python3, no writer), or an empty string when one can.
    static QString unavailable();

    // Writes a ledger and returns its path; on failure returns an empty path, and error() says why.
    QString generate(const JetLedgerSpec& spec);
    // A ledger of tblPlorn (NomPers, LesPlorns), rows as [{"NomPers": ..., "LesPlorns": ...}, ...].
    QString generate(int jetVersion, const QJsonArray& rows, const QString& password = LedgerPassword,
                     const QString& created = QString());
    // The standard fixture (StandardFixture below) in Jet 3 or Jet 4.
    QString standardFixture(int jetVersion);

    // What went where in a ledger this object wrote (the writer's --layout map: page size, pages, and for each
    // row the places of its fields and of its Memo's long-value rows).
    QJsonObject layout(const QString& ledger) const;
    QString error() const { return error_; }

private:
    QTemporaryDir work_;
    int generated_ = 0;
    QString error_;
};

// A ledger JetLedgers wrote, with the writer's map of it, to damage on purpose. Offsets are the map's: those of
// the bytes before any RC4 encoding, so only a ledger written without encoded pages is damaged this way.
struct WrittenJetLedger {
    QByteArray bytes;
    QJsonObject layout;

    explicit WrittenJetLedger(const JetLedgers& jet, const QString& path);

    qsizetype pageSize() const { return layout[QStringLiteral("page_size")].toInteger(); }
    // The field `column` of row `row` of the table, as the map places it.
    QJsonObject field(int row, const QString& column) const;
    // Piece `piece` of that field's Memo: its long-value row, or the first of its chain.
    QJsonObject longValueRow(int row, const QString& column, int piece) const;
    // How a field or a row points at a long-value row: its page << 8 | its row.
    static quint32 placeOf(const QJsonObject& row);

    quint32 uint32At(qsizetype offset) const;
    void setUInt32(qsizetype offset, quint32 value);
    quint16 uint16At(qsizetype offset) const;
    void setUInt16(qsizetype offset, quint16 value);
    void zeroPage(qsizetype page);
    // Page `onto` becomes a copy of page `from`, as a misdirected write leaves it.
    void copyPage(qsizetype from, qsizetype onto);
};

// Skips the running test when no Jet ledger can be made here.
#define QUENTARIL_REQUIRE_JET_WRITER()                                                                                 \
    do {                                                                                                               \
        if (const QString why = JetLedgers::unavailable(); !why.isEmpty())                                             \
            QSKIP(qPrintable(why));                                                                                    \
    } while (false)

// The data of a test run on both Jet versions: the column "jetVersion", with the rows "Jet 4" and "Jet 3".
void AddJetVersionRows();

// Fails the running test when `path`, just made by `jet`, is empty.
#define QUENTARIL_VERIFY_JET_LEDGER(jet, path) QVERIFY2(!(path).isEmpty(), qPrintable((jet).error()))

// A row of tblPlorn as stored, text as its UTF-8 bytes.
struct StoredRow {
    QByteArray name;
    QByteArray notes;
    bool notesNull = false;
    bool operator==(const StoredRow&) const = default;
};

// For test failure messages.
char* toString(const StoredRow& row);

// The rows of the standard fixture, in their order: Varnokel ("Bienvenue" CR LF "ligne 2"), Émile ("Prêt de 20 €
// à l"ami"), alice (20,000 characters, 60-character lines joined by CR LF, on a chain of long-value pages), Zoé
// (an empty text), Bob (NULL notes), then two Dup with different notes, the first in its row, the second in a
// long-value row of its own.
QList<StoredRow> StandardFixtureRows();
// The standard fixture: those rows in tblPlorn, with the password KQZTRWX; tests may change the rest.
JetLedgerSpec StandardFixture(int jetVersion);

// The rows of the ledger of this program at `path`, in the order they were written.
QList<StoredRow> ReadLedgerRows(const QString& path);

// Every file of a folder, hidden ones included, with its bytes: equal snapshots mean nothing changed.
QMap<QString, QByteArray> FolderSnapshot(const QString& folder);

// Copies `source` into `folder` as BDPLORN.mdb.
void PlaceAsLedger(const QString& source, const QString& folder);
