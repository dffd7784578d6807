#pragma once

#include "ledger/LedgerError.h"
#include "persons/FoundNames.h"
#include "persons/Persons.h"

#include <QPointer>
#include <QWidget>
#include <optional>

class FindWindow;
class HandlerGuard;
class NameBox;
class NotesBox;
class PersonList;
class QAction;
class QLabel;
class QPushButton;

// The main window: the person list, the notes of the person shown, and the buttons that stamp the
// notes, add and delete persons and show the About window. Each handler asks the ledger's rules (Persons) and
// shows what they answer.
class frmPlorn : public QWidget {
    Q_OBJECT
public:
    // `ledgerFolder` holds BDPLORN.mdb: the executable's folder for the program, a temporary one in tests. Every
    // handler runs through `guard`, which outlives the window.
    frmPlorn(const QString& ledgerFolder, HandlerGuard& guard, QWidget* parent = nullptr);
    ~frmPlorn() override;

    // Opens the ledger and fills the window; throws LedgerError when the ledger cannot be used.
    void Form_Load();
    // Fills the list from the ledger and shows its first person.
    void LoadAllUser();
    // The day's backup found the ledger damaged, as `found` says: the user is offered the most recent good backup.
    void BackupFoundDamage(const QString& found, const QString& latestGoodBackup);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void ConnectHandlers();

    void cmbPers_Click();
    void cmbPers_DropDown();
    // Text typed on the list: the persons found are those whose name has it.
    void cmbPers_Search(const QString& typed);
    void Form_Activate();
    // Returns false when the closing must not go ahead.
    bool Form_Unload();
    void cmdAbout_Click();
    void cmdDate_Click();
    void cmdAdd_Click();
    void cmdKill_Click();
    void txtName_KeyPress(QString& character);
    void txtName_KeyDown(int& keyCode);

    // Saves the notes shown at that save point. A person added back is told; on a failed write the reason is
    // shown (or put in `failure` when asked for) and the notes stay in the box, still changed: then false.
    bool SaveShownNotes(Persons::SavePoint point, QString* failure = nullptr);
    bool ShowSaveResult(const Persons::SaveResult& result, QString* failure);
    Persons::NotesShown NotesShown() const;
    // Enter on the closed list: the person shown is the one the user wants to write for.
    void TakeTheFocusToTheNotes();
    // The notes box takes typing only while someone is there to keep it.
    void ShowWhetherAnyoneIsThere();
    // When `error` tells of a damaged ledger, offers to put back the most recent good backup; true once it is back,
    // the notes shown saved into it.
    bool RestoreIfDamaged(const LedgerError& error);
    // Tells what was `found`, asks whether to restore the backup (the most recent good one when none is given) and
    // restores it: the damaged ledger kept aside, the notes shown saved, the user told. False when nothing changed.
    bool OfferRestore(const QString& found, std::optional<QString> latestGoodBackup);
    // Puts the list back on the person shown, after a switch whose save failed.
    void ReselectShownPerson();
    // The person picked has no row any more: the user is told and the list read again.
    void PersonVanished(const PersonName& person);
    bool ReservedEntryIsCurrent() const;
    // Selects that entry, which shows its notes.
    void ShowEntry(qsizetype row);

    // The start opens on the person shown when the program last closed, the caret and the zoom where they were.
    void OpenWhereLeftOff();
    void RememberWhereLeftOff();
    void BuildZoomCommands();
    PersonName CurrentPerson() const;

    // Finding in the notes (frmPlornFind.cpp): Ctrl+F opens the find window, F3 and Shift+F3 go from match to match.
    void BuildFindCommands();
    FindWindow& TheFindWindow();
    // Shows `person` picked among those found: the notes shown saved first, as when the list opens. False when the
    // save failed (the person shown stays) or the person is gone.
    bool PickPerson(const PersonName& person);
    QPointer<FindWindow> findWindow_;
    QList<QAction*> findCommands_;

    // The ledger, its names (the list's entries) and the person whose notes the box holds: Qt has already moved
    // the list when it reports a switch.
    HandlerGuard& guard_;
    Persons persons_;
    // The persons the list shows while the user types on it; goes before the names it finds among.
    FoundNames foundNames_{persons_.names()};
    // Set while the list is read again after a person vanished, so that a second vanishing cannot loop.
    bool rereadingAfterVanishing_ = false;
    // A backup has been put back since the program started.
    bool restoredOnce_ = false;

    PersonList* cmbPers = nullptr;
    QPushButton* cmdKill = nullptr;
    QPushButton* cmdDate = nullptr;
    NotesBox* txtPlorn = nullptr;
    QLabel* lblAjout = nullptr;
    NameBox* txtName = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdAbout = nullptr;

    // Printing the notes shown, or exporting them as a PDF, as the box shows them, unsaved edits included: neither
    // is a save (frmPlornPrint.cpp). The commands are in the notes box's menu and Ctrl+P works anywhere.
    void BuildPrintCommands();
    void PrintNotes();
    void ExportNotesToPdf();
    // Where the save dialog opens: the folder of the last export, else the user's documents.
    QString PdfFolder();
    QAction* printCommand_ = nullptr;
    QAction* pdfCommand_ = nullptr;
};
