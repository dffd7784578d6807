#pragma once

#include "ledger/Connection.h"
#include "ledger/FileSync.h"

#include <QList>
#include <QString>

// One person of a ledger being written: a name and its notes.
struct LedgerPerson {
    QString name;
    QString notes;
};

// A ledger file built under a temporary name in the folder of its final place, readable by its owner only,
// so that it can then be linked or renamed into place whole. Removed when the draft goes, unless renamed.
class LedgerDraft {
public:
    // Throws LedgerError when no file can be made in `folder`.
    explicit LedgerDraft(const QString& folder);
    ~LedgerDraft() = default;
    LedgerDraft(const LedgerDraft&) = delete;
    LedgerDraft& operator=(const LedgerDraft&) = delete;

    QString path() const { return file_.path(); }

    // Opens the draft with the ledger's key, derives it and makes the table, then begins the transaction write()
    // ends: the key's derivation takes most of a small ledger's time, and a caller may run this on a thread of
    // its own while it does other work. Optional.
    void prepare();
    // Writes these persons in the transaction prepare() began, then syncs the file to the disk.
    void write(const QList<LedgerPerson>& persons);
    // Moves the draft over `target` (a rename, which replaces a file in one step); throws LedgerError.
    void renameOver(const QString& target);
    // Gives the draft the name `target` too, never replacing a file there; returns 0 or the system's error number.
    int linkAs(const QString& target);

private:
    // Before the connection, which must close first.
    PendingFile file_;
    Connection db_;
};

// Removes the drafts a conversion stopped short left in `folder` (a killed program runs no destructor): hidden
// files of the drafts' own name pattern, .BDPLORN-new- and six letters or digits, regular files only. To be
// called only while this program holds the ledger of `folder`, so that no draft still being written is there.
void RemoveLeftoverDrafts(const QString& folder);
