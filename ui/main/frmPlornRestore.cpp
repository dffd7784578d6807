// The main window when the ledger is found damaged: putting back the most recent good backup, the notes shown kept.

#include "ledger/LedgerError.h"
#include "ledger/LedgerFile.h"
#include "ledger/LedgerRestore.h"
#include "text/MdCode.h"
#include "ui/main/frmPlorn.h"
#include "ui/toolkit/Clock.h"
#include "ui/toolkit/FailureText.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"

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
        ShowMessage(this, found + QStringLiteral("\r\nAucune sauvegarde en bon état n'a été trouvée."),
                    QStringLiteral("Erreur"), MessageIcon::Error);
    else
        OfferRestore(found, latestGoodBackup);
}

bool frmPlorn::OfferRestore(const QString& found, std::optional<QString> latestGoodBackup)
{
    const QString ledgerPath = LedgerPathIn(ledgerFolder_);
    if (!latestGoodBackup)
        latestGoodBackup = LatestGoodBackup(ledgerPath, CurrentDateTime().date());
    if (!latestGoodBackup || latestGoodBackup->isEmpty())
        return false;
    const QString question =
        found + QStringLiteral("\r\n\r\nLa plus récente sauvegarde en bon état est %1.\r\nLa remettre à la place du "
                               "registre ? Le registre endommagé sera gardé à côté, sous un autre nom.")
                    .arg(ShownPath(*latestGoodBackup));
    if (ShowMessage(this, question, QStringLiteral("Erreur"), MessageIcon::Error, MessageButtons::YesNo) !=
        MessageAnswer::Yes)
        return false;

    // What the box shows is kept whatever the backup holds.
    const std::optional<PersonName> person = shownPerson;
    const QString notes = ReplaceAll(txtPlorn->text(), QStringLiteral("'"), QStringLiteral("\""));
    db.reset();
    QString keptAside;
    try {
        keptAside = RestoreBackup(ledgerPath, *latestGoodBackup, CurrentDateTime());
    } catch (const LedgerError& failure) {
        ShowMessage(this, DescribeFailure(failure), QStringLiteral("Erreur"), MessageIcon::Error);
        db = OpenLedger(ledgerFolder_);
        return false;
    }
    restoredOnce_ = true;
    db = OpenLedger(ledgerFolder_);
    const bool reserved = person && *person == PersonName(ReservedPersonName);
    if (person && !reserved)
        db->SaveNotes(*person, notes);
    LoadAllUser();
    if (const int entry = person ? EntryOf(*person) : -1; entry >= 0 && entry != cmbPers->currentIndex())
        cmbPers->selectIndex(entry);
    // The reserved entry's notes are written only when a person is added: they stay in the box, unsaved.
    if (reserved)
        txtPlorn->replaceText(notes);

    QString told = QStringLiteral("La sauvegarde %1 a été remise à la place du registre.\r\nLe registre endommagé "
                                  "est gardé sous le nom %2.")
                       .arg(ShownPath(*latestGoodBackup), ShownPath(keptAside));
    if (person && !reserved)
        told +=
            QStringLiteral("\r\nLes notes de « %1 » qui étaient affichées y ont été enregistrées.").arg(person->text());
    ShowMessage(this, told, QStringLiteral("Quentaril"), MessageIcon::Information);
    return true;
}
