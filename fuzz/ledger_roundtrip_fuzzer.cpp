// Every name and notes text a user can type, paste or import must come back from the ledger exactly,
// and the apostrophe rule must replace exactly what a naive replacement does.

#include "ledger/Ledger.h"
#include "ledger/LedgerError.h"
#include "ledger/NewLedger.h"
#include "ledger/WelcomeNote.h"
#include "tests/support/LedgerTestAccess.h"
#include "text/MdCode.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

[[noreturn]] void Mismatch(const char* what, const QString& subject)
{
    std::fprintf(stderr, "mismatch: %s (on a text of %lld UTF-16 units)\n", what,
                 static_cast<long long>(subject.size()));
    std::abort();
}

void Require(bool holds, const char* what, const QString& subject)
{
    if (!holds)
        Mismatch(what, subject);
}

// Left to right, non-overlapping, the replacement never searched again.
QString NaiveReplaceAll(const QString& text, const QString& search, const QString& replacement)
{
    if (search.isEmpty())
        return text;
    QString result;
    qsizetype at = 0;
    while (at < text.size()) {
        if (QStringView(text).sliced(at).startsWith(search)) {
            result += replacement;
            at += search.size();
        } else {
            result += text.at(at);
            ++at;
        }
    }
    return result;
}

// One ledger for the whole run: opening derives the key, which costs tens of milliseconds.
Ledger& SharedLedger()
{
    // In memory (tmpfs), where a sync costs nothing: durability is not under test here, and a sync of the disk
    // per operation would slow the run a hundredfold.
    static QTemporaryDir folder(QStringLiteral("/dev/shm/quentaril-fuzz-XXXXXX"));
    static Ledger ledger = [] {
        if (!folder.isValid())
            std::abort();
        CreateNewLedger(LedgerPathIn(folder.path()));
        return OpenLedger(folder.path());
    }();
    return ledger;
}

// A leading EF BB BF becomes U+FEFF like any other character: QString::fromUtf8 would drop it as a byte
// order mark, and the harness would then never store a text that begins with one.
QString Decoded(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
    return utf8.decode(bytes);
}

// The input's parts between 0xFF bytes, which never occur in UTF-8, so each part may still hold NUL
// and malformed sequences (they become U+FFFD, as anything Qt decodes does).
QList<QString> Parts(const uint8_t* data, size_t size)
{
    QList<QString> parts;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QByteArray& part : bytes.split('\xff'))
        parts.append(Decoded(part));
    while (parts.size() < 4)
        parts.append(QString());
    return parts;
}

void CheckReplaceAll(const QString& text, const QString& search, const QString& replacement)
{
    Require(ReplaceAll(text, search, replacement) == NaiveReplaceAll(text, search, replacement), "ReplaceAll", search);
    const QString apostrophe = QStringLiteral("'");
    const QString quote = QStringLiteral("\"");
    Require(ReplaceAll(text, apostrophe, quote) == NaiveReplaceAll(text, apostrophe, quote), "apostrophe rule", text);
}

void CheckRoundTrip(Ledger& ledger, const QString& name, const QString& notes, const QString& newNotes)
{
    if (name == ReservedPersonName) {
        bool refused = false;
        try {
            ledger.AddPerson(name, notes);
        } catch (const LedgerError&) {
            refused = true;
        }
        Require(refused, "a second entry with the reserved name", name);
        Require(ledger.ReadNotes(name) == WelcomeNote, "reserved entry after a refused addition", name);
        return;
    }

    ledger.AddPerson(name, notes);
    const std::optional<QString> added = ledger.ReadNotes(name);
    Require(added.has_value() && *added == notes && added->size() == notes.size(), "notes as added", name);
    const QStringList names = NamesOf(ledger.ListPersons());
    Require(names.size() == 2 && names.count(name) == 1 && names.contains(ReservedPersonName), "list after adding",
            name);

    ledger.SaveNotes(name, newNotes);
    const std::optional<QString> saved = ledger.ReadNotes(name);
    Require(saved.has_value() && *saved == newNotes && saved->size() == newNotes.size(), "notes as saved", name);

    // A name that differs by one character is another person: a save to it, missing, adds it back with the notes.
    const QString neighbour = name + QChar(u'\u00A0');
    Require(ledger.SaveNotes(neighbour, notes) == Ledger::SaveOutcome::AddedBack, "save to a missing person",
            neighbour);
    Require(ledger.ReadNotes(neighbour) == notes, "notes of a person added back", neighbour);
    Require(ledger.ReadNotes(name) == newNotes, "notes after a save to another name", name);
    ledger.DeletePerson(neighbour);

    ledger.DeletePerson(name);
    Require(ledger.ReadNotes(name) == std::nullopt, "notes after deleting", name);
    Require(NamesOf(ledger.ListPersons()) == QStringList{ReservedPersonName}, "list after deleting", name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QList<QString> parts = Parts(data, size);
    const QString& name = parts.at(0);
    const QString& notes = parts.at(1);
    CheckReplaceAll(notes, parts.at(2), parts.at(3));
    // The window saves notes with the apostrophe rule applied, and the name as typed.
    CheckRoundTrip(SharedLedger(), name, notes, ReplaceAll(notes, QStringLiteral("'"), QStringLiteral("\"")) + name);
    return 0;
}
