#include "ui/main/frmPlorn.h"

#include "ProgramIdentity.h"
#include "ui/about/UserGuide.h"
#include "ui/about/frmAbout.h"
#include "ui/find/FindWindow.h"
#include "ui/toolkit/Activation.h"
#include "ui/toolkit/HandlerGuard.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/toolkit/NameBox.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"
#include "ui/words/FailureWords.h"
#include "ui/words/PersonWords.h"
#include "ui/words/Titles.h"

#include <QCloseEvent>
#include <QPushButton>
#include <QScopedValueRollback>

frmPlorn::frmPlorn(const QString& ledgerFolder, HandlerGuard& guard, QWidget* parent)
    : QWidget(parent), guard_(guard), persons_(ledgerFolder)
{
    BuildControls();
    cmbPers->setEntries(&persons_.names());
    cmbPers->setFoundEntries(&foundNames_);
    ConnectHandlers();
    // In the notes box's menu in this order: finding, then the statement, then the text's size.
    BuildFindCommands();
    BuildPrintCommands();
    BuildZoomCommands();
    AddUserGuideShortcut(this, guard_);
}

frmPlorn::~frmPlorn()
{
    // The list goes before the names it shows, which go with the persons before the window's children.
    delete cmbPers;
    // The find window watches the notes box, which would otherwise go first; its search is stopped and waited for.
    delete findWindow_;
}

void frmPlorn::ConnectHandlers()
{
    connect(cmbPers, &PersonList::listClick, this, guard_.guarded([this] { cmbPers_Click(); }));
    connect(cmbPers, &PersonList::dropDown, this, guard_.guarded([this] { cmbPers_DropDown(); }));
    connect(cmbPers, &PersonList::chosenWithEnter, this, guard_.guarded([this] { TakeTheFocusToTheNotes(); }));
    connect(cmbPers, &PersonList::searchTextChanged, this,
            [this](const QString& typed) { guard_.run([&] { cmbPers_Search(typed); }); });
    // The names of a long ledger are sorted once the window is drawn, and waited for when all are needed.
    connect(cmbPers, &PersonList::drawn, &persons_.names(), &NameList::startSorting);
    connect(cmbPers, &PersonList::everyEntryNeeded, &persons_.names(), &NameList::finishSorting);
    connect(&persons_.names(), &NameList::sorted, this, guard_.guarded([this] { persons_.names().finishSorting(); }));
    connect(cmdAbout, &QPushButton::clicked, this, guard_.guarded([this] { cmdAbout_Click(); }));
    connect(cmdDate, &QPushButton::clicked, this, guard_.guarded([this] { cmdDate_Click(); }));
    connect(cmdAdd, &QPushButton::clicked, this, guard_.guarded([this] { cmdAdd_Click(); }));
    connect(cmdKill, &QPushButton::clicked, this, guard_.guarded([this] { cmdKill_Click(); }));
    txtName->setKeyPressHook([this](QString& character) { guard_.run([&] { txtName_KeyPress(character); }); });
    txtName->setKeyDownHook([this](int& keyCode) { guard_.run([&] { txtName_KeyDown(keyCode); }); });
    auto* activation = new ActivationWatcher(this);
    connect(activation, &ActivationWatcher::activated, this, guard_.guarded([this] { Form_Activate(); }));
}

void frmPlorn::Form_Load()
{
    // The person shown is selected once, with its notes read once: at 10 MB a read costs a third of a second.
    try {
        persons_.Open();
        OpenWhereLeftOff();
    } catch (const LedgerError& error) {
        if (!RestoreIfDamaged(error))
            throw;
    }
    setWindowTitle(ProgramTitle + QLatin1Char(' ') + ProgramVersionText());
}

void frmPlorn::LoadAllUser()
{
    // Rebuilding the list is not a switch: notes on screen (a deleted person's) are dropped, not saved.
    txtPlorn->loadText(QString());
    persons_.LoadAll();
    ShowEntry(0);
}

void frmPlorn::ShowEntry(qsizetype row)
{
    if (persons_.names().count() > 0)
        cmbPers->selectIndex(static_cast<int>(row));
    ShowWhetherAnyoneIsThere();
}

void frmPlorn::cmbPers_Click()
{
    const PersonName person = CurrentPerson();
    // A switch without the list opened (arrow keys, wheel, a typed letter) would otherwise lose the edits.
    const Persons::SaveResult saved = persons_.SaveBeforeSwitch(person, NotesShown(), txtPlorn->isChanged());
    if (!ShowSaveResult(saved, nullptr)) {
        ReselectShownPerson();
        return;
    }
    // A backup put back meanwhile has shown the person whose notes were saved.
    if (CurrentPerson() != person)
        return;

    std::optional<QString> notes;
    try {
        notes = persons_.Show(person);
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
    // Fails harmlessly while the window is not shown yet. A user browsing the closed list keeps the focus there,
    // or the next key meant for the list would land in these notes.
    if (!cmbPers->browsingClosedList())
        txtPlorn->setFocus();
    txtPlorn->moveCaretToEnd();
}

void frmPlorn::TakeTheFocusToTheNotes()
{
    if (!persons_.shown())
        return;
    txtPlorn->setFocus();
    txtPlorn->moveCaretToEnd();
}

void frmPlorn::ShowWhetherAnyoneIsThere()
{
    // With no person in the ledger nothing typed could be kept: the box takes no typing and says how to begin.
    const bool noOne = persons_.names().count() == 0;
    txtPlorn->setReadOnly(noOne);
    txtPlorn->setPlaceholderText(noOne ? NoOneYetHint() : QString());
    printCommand_->setEnabled(!noOne);
    pdfCommand_->setEnabled(!noOne);
}

void frmPlorn::cmbPers_DropDown()
{
    SaveShownNotes(Persons::SavePoint::ListOpening);
}

void frmPlorn::Form_Activate()
{
    // With no one in the ledger, adding the first person is the only thing to do.
    if (ReservedEntryIsCurrent() || persons_.names().count() == 0)
        txtName->setFocus();
}

bool frmPlorn::Form_Unload()
{
    QString failure;
    if (!SaveShownNotes(Persons::SavePoint::Closing, &failure)) {
        // Ending from outside: there is no one to ask, and the notes cannot be kept anywhere else.
        if (guard_.endRequested()) {
            guard_.endWithUnsavedNotes(failure);
            return true;
        }
        if (ShowMessage(this, CloseWithoutSaving(failure), ErrorTitle, MessageIcon::Error, MessageButtons::YesNo,
                        MessageAnswer::No) != MessageAnswer::Yes)
            return false;
    } else {
        RememberWhereLeftOff();
    }
    persons_.Close();
    return true;
}

void frmPlorn::closeEvent(QCloseEvent* event)
{
    // The closing saves the notes shown, as a list still opening would have: once is enough.
    cmbPers->forgetPendingDropDown();
    bool close = true;
    guard_.run([this, &close] { close = !persons_.isOpen() || Form_Unload(); });
    event->setAccepted(close);
}

void frmPlorn::cmdAbout_Click()
{
    ShowAboutWindow(guard_);
}

bool frmPlorn::SaveShownNotes(Persons::SavePoint point, QString* failure)
{
    return ShowSaveResult(persons_.SaveShownNotes(NotesShown(), txtPlorn->isChanged(), point), failure);
}

Persons::NotesShown frmPlorn::NotesShown() const
{
    return [this] {
        return txtPlorn->text();
    };
}

bool frmPlorn::ShowSaveResult(const Persons::SaveResult& result, QString* failure)
{
    using Outcome = Persons::SaveResult::Outcome;
    if (result.rewritten)
        txtPlorn->replaceText(*result.rewritten);
    if (result.outcome == Outcome::NotNeeded)
        return true;
    if (result.outcome == Outcome::Failed) {
        if (RestoreIfDamaged(*result.failure))
            return true;
        const QString reason = SaveFailure(persons_.shown()->text(), *result.failure);
        if (failure)
            *failure = reason;
        else
            ShowMessage(this, reason, ErrorTitle, MessageIcon::Error);
        return false;
    }
    txtPlorn->setChanged(false);
    if (result.outcome == Outcome::AddedBack)
        ShowMessage(this, PersonAddedBack(persons_.shown()->text()), ProgramTitle, MessageIcon::Information);
    return true;
}

void frmPlorn::ReselectShownPerson()
{
    const QSignalBlocker quiet(cmbPers);
    if (const qsizetype entry = persons_.names().indexOf(persons_.shown()->stored()); entry >= 0)
        cmbPers->setCurrentIndex(static_cast<int>(entry));
}

void frmPlorn::PersonVanished(const PersonName& person)
{
    if (rereadingAfterVanishing_) {
        // The first person of a list just read is gone too: show no one rather than loop.
        txtPlorn->loadText(QString());
        return;
    }
    ShowMessage(this, ::PersonVanished(person.text()), ProgramTitle, MessageIcon::Information);
    const QScopedValueRollback<bool> rereading(rereadingAfterVanishing_, true);
    LoadAllUser();
}

bool frmPlorn::ReservedEntryIsCurrent() const
{
    return Persons::IsReserved(CurrentPerson());
}

PersonName frmPlorn::CurrentPerson() const
{
    return PersonName::fromStored(cmbPers->keyAt(cmbPers->currentIndex()));
}
