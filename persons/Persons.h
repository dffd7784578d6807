#pragma once

#include "ledger/Ledger.h"
#include "ledger/LedgerError.h"
#include "persons/NameList.h"
#include "persons/TextRules.h"

#include <QDateTime>
#include <functional>
#include <optional>

// The ledger's persons as the main window works with them: the open ledger, the names in the list's order, the
// person whose notes are shown, and the ledger's rules. Notes are written at the save points, only when they
// changed, never over the reserved entry except when a person is added, the apostrophe rule applied; a person
// another program removed is added back with them. Operations say what happened and show nothing; a failure of
// the ledger they do not answer for is thrown (LedgerError).
class Persons {
public:
    // `ledgerFolder` holds BDPLORN.mdb.
    explicit Persons(const QString& ledgerFolder);

    void Open();
    bool isOpen() const { return ledger_.has_value(); }
    // The ledger file, for whoever reads it on a connection of its own.
    QString ledgerPath() const;
    void Close();
    // Reads every name again, no one shown.
    void LoadAll();
    // The same at the start, and returns the row of the person shown when the program last closed (the first row
    // when that person is gone or none was remembered; -1 for an empty ledger).
    qsizetype LoadAllWhereLeft();
    // The caret's place in the notes of that person when the program last closed, or nothing.
    std::optional<int> CaretWhereLeft();
    // Remembers the person shown and the caret's place for the next start; not a save of the notes.
    void RememberWhereLeft(int caret);
    NameList& names() { return names_; }
    const std::optional<PersonName>& shown() const { return shown_; }
    static bool IsReserved(const PersonName& person);

    // The notes of `person`, who is shown from then on; nothing when no row has that name any more, and then no one
    // is shown.
    std::optional<QString> Show(const PersonName& person);
    void ShowNoOne() { shown_.reset(); }

    // When the notes shown are written.
    enum class SavePoint { ListOpening, Closing, AddingPerson };
    struct SaveResult {
        enum class Outcome {
            NotNeeded,
            Saved,
            // No row had that name any more: the person was added back with the notes.
            AddedBack,
            Failed
        } outcome = Outcome::NotNeeded;
        // The notes once the apostrophe rule changed them: what the box shows from now on, saved or not.
        std::optional<QString> rewritten;
        // Why they could not be written.
        std::optional<LedgerError> failure;
    };
    // The notes the box holds, read only when they are to be written: taking 50 MB out of the box takes a second.
    using NotesShown = std::function<QString()>;
    // Writes the notes shown (`changed` since shown or saved) under the person shown.
    SaveResult SaveShownNotes(const NotesShown& notes, bool changed, SavePoint point);
    // The same when the user moves to `next` without opening the list: nothing when the person stays.
    SaveResult SaveBeforeSwitch(const PersonName& next, const NotesShown& notes, bool changed);

    enum class NameRefusal { None, Empty, Invisible, Taken };
    struct NewName {
        NameRefusal refusal = NameRefusal::None;
        // As it will be stored: the apostrophe rule applied.
        QString name;
    };
    // Whether the name typed can be added: compared as it will be stored, and as a reader sees it, so that no two
    // entries ever look alike.
    NewName CheckNewName(const QString& typed);
    // Adds a checked name with `notes`; it is shown, at the row returned.
    qsizetype Add(const QString& name, const QString& notes);

    enum class DeleteOutcome { Deleted, Reserved };
    // Deletes every row of that name; no one is shown afterwards.
    DeleteOutcome Delete(const PersonName& person);

    // Putting back the newest good backup once the ledger is found damaged.
    std::optional<QString> LatestGoodBackup(QDate today) const;
    struct Restored {
        QString keptAside;
        // The person whose notes were saved into the backup put back.
        std::optional<PersonName> notesSavedOf;
        // That person's row, or the first when they are not in the backup, -1 when no one is.
        qsizetype row = -1;
    };
    // Puts the backup in the ledger's place, the damaged file kept aside, then saves the notes shown into it
    // (but the reserved entry's) and reads every name again. When putting it back fails, the ledger is left closed
    // where it was, to be opened again.
    Restored RestoreBackup(const QString& backup, const QString& notesShown, const QDateTime& now);

    // What the program remembers between runs, in the ledger itself. Remembering is a comfort, not a save of the
    // notes: a failure to recall is nothing remembered, a failure to remember is only answered false.
    enum class Remembered { LastPerson, Caret, Zoom, ExportFolder };
    std::optional<QString> Recall(Remembered what);
    bool Remember(Remembered what, const QString& value);

private:
    SaveResult Save(const NotesShown& notes, bool changed, bool overReserved);

    QString ledgerFolder_;
    std::optional<Ledger> ledger_;
    NameList names_;
    std::optional<PersonName> shown_;
};
