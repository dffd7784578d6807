#include "bench/ScaleLedgers.h"

#include "bench/SampleText.h"
#include "bench/WindowLedger.h"
#include "ledger/LedgerError.h"
#include "ledger/LedgerFile.h"
#include "ledger/NewLedger.h"
#include "tests/support/LedgerTestAccess.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <stdexcept>

QString ScaleLedgerName(qint64 persons, qint64 firstNotesMB)
{
    return QStringLiteral("ledger-%1p-%2MB").arg(persons).arg(firstNotesMB);
}

QString CachedScaleLedger(const QString& cacheRoot, qint64 persons, qint64 firstNotesMB)
{
    const QString folder = QDir(cacheRoot).filePath(ScaleLedgerName(persons, firstNotesMB));
    if (QFile::exists(LedgerPathIn(folder)))
        return folder;
    // Made aside and renamed, so that an interrupted run never leaves half a ledger in the cache.
    const QString making = folder + QStringLiteral(".making");
    QDir(making).removeRecursively();
    MakeLedgerFolder(making, persons, 1, firstNotesMB);
    if (!QDir().rename(making, folder))
        throw std::runtime_error(QStringLiteral("cannot rename %1 to %2").arg(making, folder).toStdString());
    return folder;
}

QString CachedNotesLedger(const QString& cacheRoot, qint64 persons, qint64 notesMB)
{
    const QString folder = QDir(cacheRoot).filePath(QStringLiteral("notes-ledger-%1p-%2MB").arg(persons).arg(notesMB));
    if (QFile::exists(LedgerPathIn(folder)))
        return folder;
    const QString making = folder + QStringLiteral(".making");
    QDir(making).removeRecursively();
    if (!QDir().mkpath(making))
        throw std::runtime_error(QStringLiteral("cannot make the folder %1").arg(making).toStdString());
    CreateNewLedger(LedgerPathIn(making));
    {
        // Slices of one text at random places: a text of its own per person would take long to make.
        const QString text = FrenchLikeText(CharactersPerMB, 31);
        const qsizetype each = notesMB * CharactersPerMB / persons;
        QRandomGenerator random(4242);
        OtherConnection ledger(LedgerPathIn(making));
        Execute(ledger.get(), "BEGIN");
        for (qint64 person = 0; person < persons; ++person) {
            QString notes = text.mid(random.bounded(int(text.size() - each)), each);
            if (person % RareWordEvery == RareWordEvery / 2)
                notes.insert(notes.size() / 2, QLatin1Char(' ') + RareWord + QLatin1Char(' '));
            ledger.AddPerson(QStringLiteral("Personne %1").arg(person), notes);
        }
        Execute(ledger.get(), "COMMIT");
    }
    if (!QDir().rename(making, folder))
        throw std::runtime_error(QStringLiteral("cannot rename %1 to %2").arg(making, folder).toStdString());
    return folder;
}

void CopyLedgerFolder(const QString& from, const QString& to)
{
    if (!QDir().mkpath(to))
        throw std::runtime_error(QStringLiteral("cannot make the folder %1").arg(to).toStdString());
    QFile::remove(LedgerPathIn(to));
    if (!QFile::copy(LedgerPathIn(from), LedgerPathIn(to)))
        throw std::runtime_error(QStringLiteral("cannot copy %1 into %2").arg(LedgerPathIn(from), to).toStdString());
}
