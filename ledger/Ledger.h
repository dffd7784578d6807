#pragma once

#include "ledger/Connection.h"
#include "ledger/LedgerFile.h"
#include "ledger/PersonName.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

// The open ledger: one encrypted database file holding the table tblPlorn (NomPers, LesPlorns).
// Every operation either does its whole work or throws LedgerError with the engine's message.
class Ledger {
public:
    static constexpr int DefaultBusyTimeoutMs = ::DefaultBusyTimeoutMs;

    Ledger(Ledger&&) noexcept = default;
    Ledger& operator=(Ledger&&) noexcept = default;

    // Every name, in the engine's order; rows without a name are left out.
    QList<PersonName> ListPersons();
    // The same names handed one by one to `take`, as stored bytes valid during the call: no copy is made
    // of a million names that the caller keeps its own way.
    void ListPersons(const std::function<void(QByteArrayView)>& take);
    // The notes of the person so named: of the last such row when there are several, an empty text for
    // notes that are null, nothing when no row has that name.
    std::optional<QString> ReadNotes(const PersonName& name);

    enum class SaveOutcome {
        Saved,
        // No row had that name any more (another program removed it): the person was added back with the
        // notes, so that they are not lost.
        AddedBack
    };
    // Writes the notes of every row with that name, in one transaction with the adding back.
    SaveOutcome SaveNotes(const PersonName& name, const QString& notes);
    void AddPerson(const PersonName& name, const QString& notes);
    // Removes every row with that name.
    void DeletePerson(const PersonName& name);
    void Close();

    // What the program remembers between runs under `key` (the person shown, the zoom...): nothing when it was never
    // remembered. Kept apart from the persons, in a table made at the first Remember.
    std::optional<QString> Recall(const QString& key);
    void Remember(const QString& key, const QString& value);

private:
    Ledger(Connection db, const QString& path, const QString& password, int busyTimeoutMs);
    friend Ledger OpenLedgerFile(const QString& path, const QString& password, int busyTimeoutMs);

    // The connection, opened again when a failure left it closed.
    sqlite3* connection();
    // Runs `change` in a transaction of its own. Whatever fails, the connection is back in autocommit when this
    // returns: a transaction left open would swallow every later change and be rolled back at closing.
    template <typename Change> auto InTransaction(Change change);
    void EndFailedTransaction() noexcept;

    Connection db_;
    QString path_;
    QString password_;
    int busyTimeoutMs_ = DefaultBusyTimeoutMs;
    // Closed by Close(), for good; a connection closed after a failure is opened again instead.
    bool closed_ = false;
};

// Opens BDPLORN.mdb in `folder`, the executable's folder.
Ledger OpenLedger(const QString& folder);

// Opens the ledger file at `path`, checking the key, the table and that the file can be written. Refuses,
// without creating or changing anything, a missing, empty, unencrypted, foreign or read-only file.
Ledger OpenLedgerFile(const QString& path, const QString& password = LedgerPassword,
                      int busyTimeoutMs = Ledger::DefaultBusyTimeoutMs);

void CloseLedger(Ledger& ledger);
