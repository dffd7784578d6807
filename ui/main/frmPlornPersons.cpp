// The main window's stamp, adding and deleting persons, and the keys of the name box.

#include "ledger/LedgerError.h"
#include "text/MdCode.h"
#include "ui/main/FormatStamp.h"
#include "ui/main/frmPlorn.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/toolkit/NameBox.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"

namespace {

const QString CRLF = QStringLiteral("\r\n");
const QString ErrorTitle = QStringLiteral("Erreur");

} // namespace

void frmPlorn::cmdDate_Click()
{
    // A stamp for no one would go nowhere.
    if (cmbPers->entryCount() == 0)
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
    const NewNameProblem problem = ProblemWithNewName(txtName->text());
    if (problem != NewNameProblem::None) {
        ShowMessage(this,
                    problem == NewNameProblem::Empty
                        ? QStringLiteral("Aucun nom n'a été inscrit.") + CRLF +
                              QStringLiteral("Veuillez inscrire un nom.")
                        : QStringLiteral("Le nom inscrit contient un caractère invisible ou de contrôle (tabulation, "
                                         "saut de ligne, marque de sens d'écriture...).") +
                              CRLF + QStringLiteral("Veuillez inscrire le nom sans ce caractère."),
                    ErrorTitle, MessageIcon::Error);
        txtName->setFocus();
        return;
    }
    // Compared as it will be stored, and as a reader sees it, so that no two entries ever look alike.
    const QString name = ReplaceAll(txtName->text(), QStringLiteral("'"), QStringLiteral("\""));
    if (LooksLikeReservedName(name) || cmbPers->indexOfLookAlike(PersonName(name).stored()) >= 0) {
        ShowMessage(this,
                    QStringLiteral("Le nom inscrit existe déjà.") + CRLF +
                        QStringLiteral("Veuillez inscrire un autre nom."),
                    ErrorTitle, MessageIcon::Error);
        txtName->setFocus();
        return;
    }

    // The notes shown are saved first, over the reserved entry too.
    if (!SaveShownNotes())
        return;
    txtName->setText(name);
    try {
        db->AddPerson(name, FormatStamp());
    } catch (const LedgerError& error) {
        if (RestoreIfDamaged(error))
            return;
        throw;
    }
    ShowMessage(this, QStringLiteral("La personne : ") + name + CRLF + QStringLiteral("a été ajouté"),
                QStringLiteral("Ajouter"), MessageIcon::Information);

    // What rebuilding the list shows, without reading the list again or the first person's notes, which
    // would be left at once: the new entry at its place, selected, its notes shown.
    shownPerson.reset();
    cmbPers->selectIndex(cmbPers->insertEntry(PersonName(name).stored()));
    ShowWhetherAnyoneIsThere();
    txtPlorn->setFocus();
    txtPlorn->moveCaretToEnd();
    txtName->clear();
}

void frmPlorn::cmdKill_Click()
{
    if (cmbPers->entryCount() == 0)
        return;
    const PersonName person = CurrentPerson();
    if (person == PersonName(ReservedPersonName)) {
        ShowMessage(this, QStringLiteral("Vous ne pouvez pas supprimer cette utilisateur Désoler."), ErrorTitle,
                    MessageIcon::Error);
        return;
    }
    const QString question = QStringLiteral("Êtes-vous sur de supprimer : ") + CRLF + person.text() + CRLF +
                             QStringLiteral("Ainsi que toutes ses plorns ?");
    // Only Yes deletes: No, Escape and the close box keep the person.
    if (ShowMessage(this, question, QStringLiteral("T'es Sur ?"), MessageIcon::Error, MessageButtons::YesNo) !=
        MessageAnswer::Yes)
        return;
    try {
        db->DeletePerson(person);
    } catch (const LedgerError& error) {
        if (RestoreIfDamaged(error))
            return;
        throw;
    }
    // What rebuilding the list shows, without reading the list again: the entry gone, the first entry
    // selected and its notes shown; the notes on screen are dropped, not saved.
    shownPerson.reset();
    cmbPers->removeEntries(person.stored());
    if (cmbPers->entryCount() > 0)
        cmbPers->selectIndex(0);
    else
        txtPlorn->loadText(QString());
    ShowWhetherAnyoneIsThere();
}
