#pragma once

#include <QList>
#include <QString>
#include <QTemporaryFile>

// One person of a ledger being written: a name and its notes.
struct LedgerPerson {
    QString name;
    QString notes;
};

// A ledger file built under a temporary name in the folder of its final place, readable by its owner only,
// so that it can then be linked or renamed into place whole. Removed when the draft goes, unless placed.
class LedgerDraft {
public:
    // Throws LedgerError when no file can be made in `folder`.
    explicit LedgerDraft(const QString& folder);

    QString path() const { return file_.fileName(); }

    // Writes the table and these persons in one transaction, then syncs the file to the disk.
    void write(const QList<LedgerPerson>& persons);
    // Moves the draft over `target` (a rename, which replaces a file in one step); throws LedgerError.
    void renameOver(const QString& target);

private:
    QTemporaryFile file_;
};
