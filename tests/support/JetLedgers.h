#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QMap>
#include <QString>
#include <QTemporaryDir>

// The Jet test ledgers, their generator and the format samples, read from QUENTARIL_TESTDATA (shared/testdata,
// read-only): what the tests use is copied into temporary folders first.
class JetLedgers {
public:
    JetLedgers();

    // A copy of jet-ledgers/`name` (BDPLORN_jet4.mdb, BDPLORN.expect.bin ...).
    QString fixture(const QString& name) const;
    // A copy of jet/samples/`name`.
    QString sample(const QString& name) const;
    // A new ledger made by the generator: rows as [{"NomPers": ..., "LesPlorns": ...}, ...].
    QString generate(int jetVersion, const QJsonArray& rows, const QString& password = QStringLiteral("KQZTRWX"),
                     const QString& created = QString());

private:
    QTemporaryDir work_;
    int generated_ = 0;
};

// A row of tblPlorn as stored, text as its UTF-8 bytes.
struct StoredRow {
    QByteArray name;
    QByteArray notes;
    bool notesNull = false;
    bool operator==(const StoredRow&) const = default;
};

// For test failure messages.
char* toString(const StoredRow& row);

// The rows an expectation file of the generator lists (its format is in check_plorn.c).
QList<StoredRow> ReadExpectedRows(const QString& path);
// The rows of the ledger of this program at `path`, in the order they were written.
QList<StoredRow> ReadLedgerRows(const QString& path);

// Every file of a folder, hidden ones included, with its bytes: equal snapshots mean nothing changed.
QMap<QString, QByteArray> FolderSnapshot(const QString& folder);

// Copies `source` into `folder` as BDPLORN.mdb.
void PlaceAsLedger(const QString& source, const QString& folder);
void WriteFile(const QString& path, const QByteArray& bytes);

// Encodes every page after the header with RC4 under `databaseKey`, as Access does for an "encrypted" file.
QByteArray EncodeJetPages(const QByteArray& file, quint32 databaseKey);
