#pragma once

#include "ledger/Ledger.h"
#include "ledger/LedgerStatements.h"
#include "ledger/SqliteHandles.h"

#include <QFile>
#include <optional>

// A connection of the test's own to a ledger file, opened as the program opens its own, beside the program's:
// another copy of the program, or another tool, that writes with the program's statements inside transactions
// the test begins and ends with Execute(get(), ...): batches, locks held on purpose, changes not yet committed.
class OtherConnection {
public:
    explicit OtherConnection(const QString& path, int busyTimeoutMs = DefaultBusyTimeoutMs)
        : db_(OpenKeyedConnection(path, LedgerPassword, busyTimeoutMs))
    {
    }

    sqlite3* get() const { return db_.get(); }

    void SaveNotes(const PersonName& name, const QString& notes)
    {
        Statement(get(), SaveNotesSql).bind(notes).bind(name.stored()).run();
    }
    void AddPerson(const PersonName& name, const QString& notes)
    {
        Statement(get(), AddPersonSql).bind(name.stored()).bind(notes).run();
    }
    void DeletePerson(const PersonName& name) { Statement(get(), DeletePersonSql).bind(name.stored()).run(); }
    // The notes of the last row with that name, as this connection sees them; nothing when there is none.
    std::optional<QString> ReadNotes(const PersonName& name)
    {
        Statement read(get(), ReadNotesSql);
        read.bind(name.stored());
        std::optional<QString> notes;
        while (read.step())
            notes = read.text(1);
        return notes;
    }

private:
    Connection db_;
};

// Whether another connection takes the write lock of the ledger at `path` at once, as it does unless a
// transaction left open holds it (the program's always take it). It goes to the engine's own file layer, past
// any fault shim, and takes the lock for a moment only.
inline bool WriteLockIsFree(const QString& path)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, "unix");
    const Connection db(raw);
    const QByteArray key = LedgerPassword.toUtf8();
    const bool taken = sqlite3_key(raw, key.constData(), static_cast<int>(key.size())) == SQLITE_OK &&
                       sqlite3_exec(raw, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_exec(raw, "ROLLBACK", nullptr, nullptr, nullptr);
    return taken;
}

// The texts of the names a ledger lists, for comparisons.
inline QStringList NamesOf(const QList<PersonName>& names)
{
    QStringList texts;
    for (const PersonName& name : names)
        texts.append(name.text());
    return texts;
}
