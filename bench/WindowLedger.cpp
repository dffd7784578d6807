#include "bench/WindowLedger.h"

#include "bench/SampleText.h"
#include "ledger/Ledger.h"
#include "ledger/LedgerError.h"
#include "ledger/NewLedger.h"
#include "tests/support/LedgerTestAccess.h"

#include <QDir>
#include <QRandomGenerator>
#include <stdexcept>

namespace {

// No surname here sorts before "Abadie".
const QStringList Surnames = {QStringLiteral("Bertin"),   QStringLiteral("Dupré"),    QStringLiteral("Écuyer"),
                              QStringLiteral("Fontaine"), QStringLiteral("Guérin"),   QStringLiteral("Hébert"),
                              QStringLiteral("Lambert"),  QStringLiteral("Marchand"), QStringLiteral("Noël"),
                              QStringLiteral("Perrin"),   QStringLiteral("Rivière"),  QStringLiteral("Tessier")};
const QStringList GivenNames = {QStringLiteral("Agnès"),  QStringLiteral("Baptiste"), QStringLiteral("Cécile"),
                                QStringLiteral("Denis"),  QStringLiteral("Élodie"),   QStringLiteral("Félix"),
                                QStringLiteral("Gisèle"), QStringLiteral("Hervé"),    QStringLiteral("Inès"),
                                QStringLiteral("Joël")};

const QString& Pick(const QStringList& list, QRandomGenerator& random)
{
    return list.at(random.bounded(static_cast<int>(list.size())));
}

} // namespace

QString LargeNotes(qint64 megabytes, int owner)
{
    return FrenchLikeText(megabytes * CharactersPerMB, 2718 + static_cast<quint32>(owner));
}

QString MakeLedgerFolder(const QString& folder, qint64 persons, int largeOwners, qint64 megabytes)
{
    if (!QDir().mkpath(folder))
        throw std::runtime_error(QStringLiteral("cannot make the folder %1").arg(folder).toStdString());
    const QString path = LedgerPathIn(folder);
    CreateNewLedger(path);
    FillLedger(path, persons, largeOwners, megabytes);
    return path;
}

void FillLedger(const QString& path, qint64 persons, int largeOwners, qint64 megabytes)
{
    OtherConnection ledger(path);
    QRandomGenerator random(1871);
    const auto lineOfNotes = [&random] {
        return QStringLiteral("Prêté %1 € le %2 avril.\r\n").arg(random.bounded(5, 500)).arg(random.bounded(1, 31));
    };

    // One transaction: a commit per person would take minutes at 100,000.
    Execute(ledger.get(), "BEGIN");
    for (int owner = 0; owner < largeOwners; ++owner)
        ledger.AddPerson(LargeNotesOwners.at(owner), megabytes > 0 ? LargeNotes(megabytes, owner) : lineOfNotes());
    // Names in random order, so the index is built as a user's would be, not from sorted input.
    for (qint64 person = largeOwners; person < persons; ++person) {
        const QString name =
            QStringLiteral("%1 %2 (%3)").arg(Pick(Surnames, random), Pick(GivenNames, random)).arg(person);
        ledger.AddPerson(name, lineOfNotes());
    }
    Execute(ledger.get(), "COMMIT");
}
