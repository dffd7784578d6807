#include "persons/Persons.h"

#include "ledger/LedgerFile.h"
#include "ledger/LedgerRestore.h"

#include <new>

Persons::Persons(const QString& ledgerFolder) : ledgerFolder_(ledgerFolder) {}

void Persons::Open()
{
    ledger_ = OpenLedger(ledgerFolder_);
}

QString Persons::ledgerPath() const
{
    return LedgerPathIn(ledgerFolder_);
}

void Persons::Close()
{
    if (ledger_)
        CloseLedger(*ledger_);
}

void Persons::LoadAll()
{
    shown_.reset();
    names_.fill([this](const std::function<void(QByteArrayView)>& add) { ledger_->ListPersons(add); });
}

qsizetype Persons::LoadAllWhereLeft()
{
    shown_.reset();
    const std::optional<QString> last = Recall(Remembered::LastPerson);
    const QByteArray preferred = last ? last->toUtf8() : QByteArray();
    return names_.fill([this](const std::function<void(QByteArrayView)>& add) { ledger_->ListPersons(add); },
                       preferred);
}

std::optional<int> Persons::CaretWhereLeft()
{
    bool valid = false;
    const int caret = Recall(Remembered::Caret).value_or(QString()).toInt(&valid);
    if (!valid || caret < 0)
        return std::nullopt;
    return caret;
}

void Persons::RememberWhereLeft(int caret)
{
    if (!shown_)
        return;
    Remember(Remembered::LastPerson, shown_->text());
    Remember(Remembered::Caret, QString::number(caret));
}

bool Persons::IsReserved(const PersonName& person)
{
    return person == PersonName(ReservedPersonName);
}

std::optional<QString> Persons::Show(const PersonName& person)
{
    std::optional<QString> notes = ledger_->ReadNotes(person);
    if (notes)
        shown_ = person;
    else
        shown_.reset();
    return notes;
}

Persons::SaveResult Persons::SaveShownNotes(const NotesShown& notes, bool changed, SavePoint point)
{
    return Save(notes, changed, point == SavePoint::AddingPerson);
}

Persons::SaveResult Persons::SaveBeforeSwitch(const PersonName& next, const NotesShown& notes, bool changed)
{
    if (shown_ == next)
        return {};
    return Save(notes, changed, false);
}

Persons::SaveResult Persons::Save(const NotesShown& notes, bool changed, bool overReserved)
{
    SaveResult result;
    if (!shown_ || !changed || (IsReserved(*shown_) && !overReserved))
        return result;
    try {
        const QString shown = notes();
        const QString written = WithApostrophesReplaced(shown);
        if (written != shown)
            result.rewritten = written;
        result.outcome = ledger_->SaveNotes(*shown_, written) == Ledger::SaveOutcome::AddedBack
                             ? SaveResult::Outcome::AddedBack
                             : SaveResult::Outcome::Saved;
    } catch (const LedgerError& error) {
        result.outcome = SaveResult::Outcome::Failed;
        result.failure = error;
    } catch (const std::bad_alloc&) {
        result.outcome = SaveResult::Outcome::Failed;
        result.failure = LedgerError(LedgerFailure::OutOfMemory, LedgerPathIn(ledgerFolder_));
    }
    return result;
}

Persons::NewName Persons::CheckNewName(const QString& typed)
{
    switch (ProblemWithNewName(typed)) {
    case NewNameProblem::Empty:
        return {NameRefusal::Empty, typed};
    case NewNameProblem::Invisible:
        return {NameRefusal::Invisible, typed};
    case NewNameProblem::None:
        break;
    }
    const QString name = WithApostrophesReplaced(typed);
    if (LooksLikeReservedName(name) || names_.indexOfLookAlike(PersonName(name).stored()) >= 0)
        return {NameRefusal::Taken, name};
    return {NameRefusal::None, name};
}

qsizetype Persons::Add(const QString& name, const QString& notes)
{
    ledger_->AddPerson(name, notes);
    // What reading the list again would show, without reading it: the new row at its place.
    shown_ = PersonName(name);
    return names_.insert(shown_->stored());
}

Persons::DeleteOutcome Persons::Delete(const PersonName& person)
{
    if (IsReserved(person))
        return DeleteOutcome::Reserved;
    ledger_->DeletePerson(person);
    shown_.reset();
    names_.removeAll(person.stored());
    return DeleteOutcome::Deleted;
}

std::optional<QString> Persons::LatestGoodBackup(QDate today) const
{
    return ::LatestGoodBackup(LedgerPathIn(ledgerFolder_), today);
}

Persons::Restored Persons::RestoreBackup(const QString& backup, const QString& notesShown, const QDateTime& now)
{
    const std::optional<PersonName> person = shown_;
    const QString notes = WithApostrophesReplaced(notesShown);
    ledger_.reset();
    Restored restored;
    restored.keptAside = ::RestoreBackup(LedgerPathIn(ledgerFolder_), backup, now);
    Open();
    if (person && !IsReserved(*person)) {
        ledger_->SaveNotes(*person, notes);
        restored.notesSavedOf = person;
    }
    LoadAll();
    if (names_.count() > 0)
        restored.row = person ? std::max<qsizetype>(names_.indexOf(person->stored()), 0) : 0;
    return restored;
}

namespace {

QString MemoryKey(Persons::Remembered what)
{
    switch (what) {
    case Persons::Remembered::LastPerson:
        return QStringLiteral("DernierePersonne");
    case Persons::Remembered::Caret:
        return QStringLiteral("Curseur");
    case Persons::Remembered::Zoom:
        return QStringLiteral("Zoom");
    case Persons::Remembered::ExportFolder:
        return QStringLiteral("DossierExport");
    }
    return {};
}

} // namespace

std::optional<QString> Persons::Recall(Remembered what)
{
    if (!ledger_)
        return std::nullopt;
    try {
        return ledger_->Recall(MemoryKey(what));
    } catch (const LedgerError&) {
        return std::nullopt;
    }
}

bool Persons::Remember(Remembered what, const QString& value)
{
    if (!ledger_)
        return false;
    // Writing what is already there would change the file for nothing, and the day's backup with it.
    if (Recall(what) == value)
        return true;
    try {
        ledger_->Remember(MemoryKey(what), value);
        return true;
    } catch (const LedgerError&) {
        return false;
    }
}
