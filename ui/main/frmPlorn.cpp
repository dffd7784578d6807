#include "ui/main/frmPlorn.h"

#include "ProgramIdentity.h"
#include "ledger/LedgerError.h"
#include "text/MdCode.h"
#include "ui/about/frmAbout.h"
#include "ui/toolkit/Activation.h"
#include "ui/toolkit/FailureGuard.h"
#include "ui/toolkit/FailureText.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/toolkit/NameBox.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"
#include "ui/toolkit/ProgramEnd.h"

#include <QCloseEvent>
#include <QPushButton>
#include <QScopedValueRollback>

namespace {

const QString Apostrophe = QStringLiteral("'");
const QString DoubleQuote = QStringLiteral("\"");

QString NotEnoughMemoryToSave(const PersonName& person)
{
    return QStringLiteral("La mémoire manque pour enregistrer les notes de « %1 ». Elles sont toujours dans la "
                          "fenêtre, mais pas dans le registre.\r\nFermez d'autres programmes, puis réessayez.")
        .arg(person.text());
}

} // namespace

frmPlorn::frmPlorn(const QString& ledgerFolder, QWidget* parent) : QWidget(parent), ledgerFolder_(ledgerFolder)
{
    BuildControls();
    ConnectHandlers();
}

frmPlorn::~frmPlorn() = default;

void frmPlorn::ConnectHandlers()
{
    connect(cmbPers, &PersonList::listClick, this, Guarded([this] { cmbPers_Click(); }));
    connect(cmbPers, &PersonList::dropDown, this, Guarded([this] { cmbPers_DropDown(); }));
    connect(cmbPers, &PersonList::chosenWithEnter, this, Guarded([this] { TakeTheFocusToTheNotes(); }));
    connect(cmdAbout, &QPushButton::clicked, this, Guarded([this] { cmdAbout_Click(); }));
    connect(cmdDate, &QPushButton::clicked, this, Guarded([this] { cmdDate_Click(); }));
    connect(cmdAdd, &QPushButton::clicked, this, Guarded([this] { cmdAdd_Click(); }));
    connect(cmdKill, &QPushButton::clicked, this, Guarded([this] { cmdKill_Click(); }));
    txtName->setKeyPressHook([this](QString& character) { RunGuarded([&] { txtName_KeyPress(character); }); });
    txtName->setKeyDownHook([this](int& keyCode) { RunGuarded([&] { txtName_KeyDown(keyCode); }); });
    auto* activation = new ActivationWatcher(this);
    connect(activation, &ActivationWatcher::activated, this, Guarded([this] { Form_Activate(); }));
}

void frmPlorn::Form_Load()
{
    // LoadAllUser selects the first entry and shows its notes: selecting it once more would only read the same
    // notes again, which costs a third of a second at 10 MB.
    try {
        db = OpenLedger(ledgerFolder_);
        LoadAllUser();
    } catch (const LedgerError& error) {
        if (!RestoreIfDamaged(error))
            throw;
    }
    setWindowTitle(QStringLiteral("Quentaril ") + ProgramVersionText());
}

void frmPlorn::LoadAllUser()
{
    // Rebuilding the list is not a switch: notes on screen (a deleted person's) are dropped, not saved.
    cmbPers->clearEntries();
    txtPlorn->loadText(QString());
    shownPerson.reset();
    cmbPers->setEntries([this](const std::function<void(QByteArrayView)>& add) { db->ListPersons(add); });
    if (cmbPers->entryCount() > 0)
        cmbPers->selectIndex(0);
    ShowWhetherAnyoneIsThere();
}

void frmPlorn::cmbPers_Click()
{
    const PersonName person = CurrentPerson();
    // A switch without the list opened (arrow keys, wheel, a typed letter) would otherwise lose the edits.
    if (shownPerson && *shownPerson != person && txtPlorn->isChanged() &&
        *shownPerson != PersonName(ReservedPersonName)) {
        if (!SaveShownNotes()) {
            ReselectShownPerson();
            return;
        }
        // A backup put back meanwhile has shown the person whose notes were saved.
        if (CurrentPerson() != person)
            return;
    }

    std::optional<QString> notes;
    try {
        notes = db->ReadNotes(person);
    } catch (const LedgerError& error) {
        if (RestoreIfDamaged(error))
            return;
        throw;
    }
    if (!notes) {
        // Keeping the box as it was would show one person's notes under another's name.
        PersonVanished(person);
        return;
    }
    txtPlorn->loadText(*notes);
    shownPerson = person;
    // Fails harmlessly while the window is not shown yet. A user browsing the closed list keeps the focus there,
    // or the next key meant for the list would land in these notes.
    if (!cmbPers->browsingClosedList())
        txtPlorn->setFocus();
    txtPlorn->moveCaretToEnd();
}

void frmPlorn::TakeTheFocusToTheNotes()
{
    if (!shownPerson)
        return;
    txtPlorn->setFocus();
    txtPlorn->moveCaretToEnd();
}

void frmPlorn::ShowWhetherAnyoneIsThere()
{
    // With no person in the ledger nothing typed could be kept: the box takes no typing and says how to begin.
    const bool noOne = cmbPers->entryCount() == 0;
    txtPlorn->setReadOnly(noOne);
    txtPlorn->setPlaceholderText(noOne ? QStringLiteral("Aucune personne n'est encore inscrite.\nPour commencer, "
                                                        "inscrivez un nom dans la case « Ajout : » en bas de la "
                                                        "fenêtre, puis appuyez sur Entrée.")
                                       : QString());
}

void frmPlorn::cmbPers_DropDown()
{
    if (ReservedEntryIsCurrent())
        return;
    SaveShownNotes();
}

void frmPlorn::Form_Activate()
{
    // With no one in the ledger, adding the first person is the only thing to do.
    if (ReservedEntryIsCurrent() || cmbPers->entryCount() == 0)
        txtName->setFocus();
}

bool frmPlorn::Form_Unload()
{
    // With the reserved entry current nothing is written, and the ledger closes with the process.
    if (ReservedEntryIsCurrent())
        return true;
    QString failure;
    if (!SaveShownNotes(&failure)) {
        // Ending from outside: there is no one to ask, and the notes cannot be kept anywhere else.
        if (ProgramEndRequested()) {
            EndWithUnsavedNotes(failure);
            return true;
        }
        const QString question = failure + QStringLiteral("\r\n\r\nLes notes n'ont pas pu être enregistrées.\r\n"
                                                          "Fermer quand même et perdre les notes non enregistrées ?");
        if (ShowMessage(this, question, QStringLiteral("Erreur"), MessageIcon::Error, MessageButtons::YesNo,
                        MessageAnswer::No) != MessageAnswer::Yes)
            return false;
    }
    CloseLedger(*db);
    return true;
}

void frmPlorn::closeEvent(QCloseEvent* event)
{
    // The closing saves the notes shown, as a list still opening would have: once is enough.
    cmbPers->forgetPendingDropDown();
    bool close = true;
    RunGuarded([this, &close] { close = !db || Form_Unload(); });
    event->setAccepted(close);
}

void frmPlorn::cmdAbout_Click()
{
    ShowAboutWindow();
}

bool frmPlorn::SaveShownNotes(QString* failure)
{
    if (!shownPerson || !txtPlorn->isChanged())
        return true;
    QString reason;
    Ledger::SaveOutcome outcome = Ledger::SaveOutcome::Saved;
    try {
        QString notes = txtPlorn->text();
        if (notes.contains(Apostrophe)) {
            notes = ReplaceAll(notes, Apostrophe, DoubleQuote);
            txtPlorn->replaceText(notes);
        }
        outcome = db->SaveNotes(*shownPerson, notes);
    } catch (const LedgerError& error) {
        if (RestoreIfDamaged(error))
            return true;
        reason = error.isOutOfMemory() ? NotEnoughMemoryToSave(*shownPerson) : DescribeFailure(error);
    } catch (const std::bad_alloc&) {
        reason = NotEnoughMemoryToSave(*shownPerson);
    }
    if (!reason.isEmpty()) {
        if (failure)
            *failure = reason;
        else
            ShowMessage(this, reason, QStringLiteral("Erreur"), MessageIcon::Error);
        return false;
    }
    txtPlorn->setChanged(false);
    if (outcome == Ledger::SaveOutcome::AddedBack)
        ShowMessage(this,
                    QStringLiteral("« %1 » n'était plus dans le registre : un autre programme l'a peut-être "
                                   "supprimée.\r\nCette personne y a été remise avec les notes affichées.")
                        .arg(shownPerson->text()),
                    QStringLiteral("Quentaril"), MessageIcon::Information);
    return true;
}

void frmPlorn::ReselectShownPerson()
{
    const QSignalBlocker quiet(cmbPers);
    if (const int entry = EntryOf(*shownPerson); entry >= 0)
        cmbPers->setCurrentIndex(entry);
}

void frmPlorn::PersonVanished(const PersonName& person)
{
    if (rereadingAfterVanishing_) {
        // The first person of a list just read is gone too: show no one rather than loop.
        txtPlorn->loadText(QString());
        shownPerson.reset();
        return;
    }
    ShowMessage(this,
                QStringLiteral("« %1 » n'est plus dans le registre : un autre programme l'a peut-être supprimée."
                               "\r\nLa liste des personnes a été relue.")
                    .arg(person.text()),
                QStringLiteral("Quentaril"), MessageIcon::Information);
    const QScopedValueRollback<bool> rereading(rereadingAfterVanishing_, true);
    LoadAllUser();
}

bool frmPlorn::ReservedEntryIsCurrent() const
{
    return CurrentPerson() == PersonName(ReservedPersonName);
}

PersonName frmPlorn::CurrentPerson() const
{
    return PersonName::fromStored(cmbPers->keyAt(cmbPers->currentIndex()));
}

int frmPlorn::EntryOf(const PersonName& person) const
{
    return cmbPers->indexOfKey(person.stored());
}
