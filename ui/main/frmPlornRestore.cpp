// The main window when the ledger is found damaged: putting back the most recent good backup, the notes shown kept.

#include "ledger/LedgerError.h"
#include "ui/main/frmPlorn.h"
#include "ui/toolkit/Clock.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"
#include "ui/words/FailureWords.h"
#include "ui/words/PersonWords.h"
#include "ui/words/Titles.h"

namespace {

bool IsDamage(const LedgerError& error)
{
    // A damaged first page cannot be told from a foreign file: either way, a good backup is what the user needs.
    return error.kind() == LedgerFailure::Damaged || error.kind() == LedgerFailure::NotALedger;
}

} // namespace

bool frmPlorn::RestoreIfDamaged(const LedgerError& error)
{
    return IsDamage(error) && OfferRestore(DescribeFailure(error), std::nullopt);
}

void frmPlorn::BackupFoundDamage(const QString& found, const QString& latestGoodBackup)
{
    // A copy made before a restore found the file now kept aside.
    if (restoredOnce_)
        return;
    if (latestGoodBackup.isEmpty())
        ShowMessage(this, NoGoodBackup(found), ErrorTitle, MessageIcon::Error);
    else
        OfferRestore(found, latestGoodBackup);
}

bool frmPlorn::OfferRestore(const QString& found, std::optional<QString> latestGoodBackup)
{
    if (!latestGoodBackup)
        latestGoodBackup = persons_.LatestGoodBackup(CurrentDateTime().date());
    if (!latestGoodBackup || latestGoodBackup->isEmpty())
        return false;
    if (ShowMessage(this, ::OfferRestore(found, *latestGoodBackup), ErrorTitle, MessageIcon::Error,
                    MessageButtons::YesNo) != MessageAnswer::Yes)
        return false;

    // What the box shows is kept whatever the backup holds.
    const QString notes = txtPlorn->text();
    const bool reservedShown = persons_.shown() && Persons::IsReserved(*persons_.shown());
    Persons::Restored restored;
    try {
        restored = persons_.RestoreBackup(*latestGoodBackup, notes, CurrentDateTime());
    } catch (const LedgerError& failure) {
        ShowMessage(this, DescribeFailure(failure), ErrorTitle, MessageIcon::Error);
        persons_.Open();
        return false;
    }
    restoredOnce_ = true;
    txtPlorn->loadText(QString());
    if (restored.row >= 0)
        cmbPers->selectIndex(static_cast<int>(restored.row));
    ShowWhetherAnyoneIsThere();
    // The reserved entry's notes are written only when a person is added: they stay in the box, unsaved.
    if (reservedShown)
        txtPlorn->replaceText(WithApostrophesReplaced(notes));

    std::optional<QString> savedOf;
    if (restored.notesSavedOf)
        savedOf = restored.notesSavedOf->text();
    ShowMessage(this, BackupRestored(*latestGoodBackup, restored.keptAside, savedOf), ProgramTitle,
                MessageIcon::Information);
    return true;
}
