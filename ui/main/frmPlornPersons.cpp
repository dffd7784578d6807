// The main window's stamp, adding and deleting persons, and the keys of the name box.

#include "ui/main/FormatStamp.h"
#include "ui/main/frmPlorn.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/toolkit/NameBox.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"
#include "ui/words/PersonWords.h"
#include "ui/words/Titles.h"

namespace {

const QString CRLF = QStringLiteral("\r\n");

} // namespace

void frmPlorn::cmdDate_Click()
{
    // A stamp for no one would go nowhere.
    if (persons_.names().count() == 0)
        return;
    txtPlorn->appendText(txtPlorn->isEmpty() ? FormatStamp() : CRLF + CRLF + FormatStamp());
    txtPlorn->moveCaretToEnd();
    txtPlorn->setFocus();
}

void frmPlorn::txtName_KeyPress(QString& character)
{
    if (!txtName->text().isEmpty() || character.isEmpty())
        return;
    // One character raised, a letter outside the first plane included; one without a one-letter
    // capital (ß) stays as typed.
    const char32_t first = character.at(0).isHighSurrogate() && character.size() > 1
                               ? QChar::surrogateToUcs4(character.at(0), character.at(1))
                               : character.at(0).unicode();
    const qsizetype firstLength = QChar::requiresSurrogates(first) ? 2 : 1;
    character = QString::fromUcs4(std::u32string(1, QChar::toUpper(first)).data(), 1) + character.mid(firstLength);
}

void frmPlorn::txtName_KeyDown(int& keyCode)
{
    if (keyCode != NameBox::EnterKeyCode)
        return;
    cmdAdd_Click();
    keyCode = 0;
}

void frmPlorn::cmdAdd_Click()
{
    const Persons::NewName checked = persons_.CheckNewName(txtName->text());
    if (checked.refusal != Persons::NameRefusal::None) {
        ShowMessage(this,
                    checked.refusal == Persons::NameRefusal::Empty       ? NoNameTyped()
                    : checked.refusal == Persons::NameRefusal::Invisible ? InvisibleCharacterInName()
                                                                         : NameTaken(),
                    ErrorTitle, MessageIcon::Error);
        txtName->setFocus();
        return;
    }

    // The notes shown are saved first, over the reserved entry too.
    if (!SaveShownNotes(Persons::SavePoint::AddingPerson))
        return;
    txtName->setText(checked.name);
    qsizetype row = -1;
    try {
        row = persons_.Add(checked.name, FormatStamp());
    } catch (const LedgerError& error) {
        if (RestoreIfDamaged(error))
            return;
        throw;
    }
    ShowMessage(this, PersonAdded(checked.name), AddedTitle, MessageIcon::Information);

    // What rebuilding the list shows, without reading the list again or the first person's notes, which
    // would be left at once: the new entry at its place, selected, its notes shown.
    persons_.ShowNoOne();
    cmbPers->selectIndex(static_cast<int>(row));
    ShowWhetherAnyoneIsThere();
    txtPlorn->setFocus();
    txtPlorn->moveCaretToEnd();
    txtName->clear();
}

void frmPlorn::cmdKill_Click()
{
    if (persons_.names().count() == 0)
        return;
    const PersonName person = CurrentPerson();
    if (Persons::IsReserved(person)) {
        ShowMessage(this, CannotDeleteReserved(), ErrorTitle, MessageIcon::Error);
        return;
    }
    // Only Yes deletes: No, Escape and the close box keep the person.
    if (ShowMessage(this, ConfirmDelete(person.text()), ConfirmDeleteTitle, MessageIcon::Error,
                    MessageButtons::YesNo) != MessageAnswer::Yes)
        return;
    try {
        persons_.Delete(person);
    } catch (const LedgerError& error) {
        if (RestoreIfDamaged(error))
            return;
        throw;
    }
    // What rebuilding the list shows, without reading the list again: the entry gone, the first entry
    // selected and its notes shown; the notes on screen are dropped, not saved.
    if (persons_.names().count() > 0)
        cmbPers->selectIndex(0);
    else
        txtPlorn->loadText(QString());
    ShowWhetherAnyoneIsThere();
}
