#include "ui/main/frmPlorn.h"

#include "ProgramIdentity.h"
#include "ledger/LedgerError.h"
#include "text/MdCode.h"
#include "ui/about/frmAbout.h"
#include "ui/toolkit/Activation.h"
#include "ui/toolkit/FailureGuard.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/toolkit/NameBox.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"

#include <QCloseEvent>
#include <QPushButton>

namespace {

const QString Apostrophe = QStringLiteral("'");
const QString DoubleQuote = QStringLiteral("\"");

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
    db = OpenLedger(ledgerFolder_);
    // LoadAllUser selects the first entry and shows its notes: selecting it once more would only read the same
    // notes again, which costs a third of a second at 10 MB.
    LoadAllUser();
    setWindowTitle(QStringLiteral("Quentaril ") + ProgramVersionText());
}

void frmPlorn::LoadAllUser()
{
    // Rebuilding the list is not a switch: notes on screen (a deleted person's) are dropped, not saved.
    cmbPers->clearEntries();
    txtPlorn->loadText(QString());
    shownPerson.reset();
    cmbPers->setEntries(db->ListPersons());
    if (cmbPers->entryCount() > 0)
        cmbPers->selectIndex(0);
}

void frmPlorn::cmbPers_Click()
{
    const QString person = CurrentPerson();
    // A switch without the list opened (arrow keys, wheel, a typed letter) would otherwise lose the edits.
    if (shownPerson && *shownPerson != person && txtPlorn->isChanged() && *shownPerson != ReservedPersonName) {
        if (!SaveShownNotes()) {
            ReselectShownPerson();
            return;
        }
    }

    if (const std::optional<QString> notes = db->ReadNotes(person)) {
        txtPlorn->loadText(*notes);
        shownPerson = person;
    }
    // Fails harmlessly while the window is not shown yet.
    txtPlorn->setFocus();
    txtPlorn->moveCaretToEnd();
}

void frmPlorn::cmbPers_DropDown()
{
    if (ReservedEntryIsCurrent())
        return;
    SaveShownNotes();
}

void frmPlorn::Form_Activate()
{
    if (ReservedEntryIsCurrent())
        txtName->setFocus();
}

bool frmPlorn::Form_Unload()
{
    // With the reserved entry current nothing is written, and the ledger closes with the process.
    if (ReservedEntryIsCurrent())
        return true;
    QString failure;
    if (!SaveShownNotes(&failure)) {
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
    QString notes = txtPlorn->text();
    if (notes.contains(Apostrophe)) {
        notes = ReplaceAll(notes, Apostrophe, DoubleQuote);
        txtPlorn->replaceText(notes);
    }
    try {
        db->SaveNotes(*shownPerson, notes);
    } catch (const LedgerError& error) {
        if (failure)
            *failure = error.message();
        else
            ShowMessage(this, error.message(), QStringLiteral("Erreur"), MessageIcon::Error);
        return false;
    }
    txtPlorn->setChanged(false);
    return true;
}

void frmPlorn::ReselectShownPerson()
{
    const QSignalBlocker quiet(cmbPers);
    for (int i = 0; i < cmbPers->entryCount(); ++i) {
        if (cmbPers->entryAt(i) == *shownPerson) {
            cmbPers->setCurrentIndex(i);
            return;
        }
    }
}

bool frmPlorn::ReservedEntryIsCurrent() const
{
    return CurrentPerson() == ReservedPersonName;
}

QString frmPlorn::CurrentPerson() const
{
    return cmbPers->currentText();
}
