#include "bench/LedgerWorkspace.h"

#include "bench/SampleText.h"
#include "ledger/LedgerFile.h"
#include "ledger/NewLedger.h"
#include "tests/support/LedgerTestAccess.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <stdexcept>

namespace {

// Destroyed in reverse order of the members: the connections close before the folder is removed.
struct Workspace {
    QTemporaryDir folder;
    std::map<QString, std::unique_ptr<LedgerPair>> ledgers;
    std::map<std::pair<qint64, int>, QString> notes;
    QString smallLedger;
};

Workspace& TheWorkspace()
{
    static Workspace workspace;
    if (!workspace.folder.isValid())
        throw std::runtime_error("no temporary folder: " + workspace.folder.errorString().toStdString());
    return workspace;
}

QString NewLedgerNamed(const QString& name)
{
    const QString path = TheWorkspace().folder.filePath(name + QStringLiteral(".mdb"));
    CreateNewLedger(path);
    return path;
}

LedgerPair& Opened(const QString& key, const QString& path)
{
    auto pair =
        std::make_unique<LedgerPair>(LedgerPair{path, OpenLedgerFile(path), OpenKeyedConnection(path, LedgerPassword)});
    sqlite3_stmt* statement = nullptr;
    RequireBare(pair->bare.get(),
                sqlite3_prepare_v2(pair->bare.get(), "SELECT count(*) FROM sqlite_master", -1, &statement, nullptr));
    const int stepped = sqlite3_step(statement);
    const int finalized = sqlite3_finalize(statement);
    RequireBare(pair->bare.get(), stepped == SQLITE_ROW ? finalized : stepped);
    return *(TheWorkspace().ledgers[key] = std::move(pair));
}

const QStringList LastNames = {QStringLiteral("Duval"),     QStringLiteral("Lefèvre"),  QStringLiteral("Moreau"),
                               QStringLiteral("Girard"),    QStringLiteral("Bonnet"),   QStringLiteral("Mercier"),
                               QStringLiteral("Chevalier"), QStringLiteral("Gauthier"), QStringLiteral("Rousseau"),
                               QStringLiteral("Leroy"),     QStringLiteral("Faure"),    QStringLiteral("Barbier")};
const QStringList FirstNames = {QStringLiteral("Amélie"),   QStringLiteral("Jérôme"), QStringLiteral("Camille"),
                                QStringLiteral("François"), QStringLiteral("Léa"),    QStringLiteral("Henri"),
                                QStringLiteral("Solène"),   QStringLiteral("Gaëtan"), QStringLiteral("Odile"),
                                QStringLiteral("Maël")};

} // namespace

SamplePerson RandomPerson(QRandomGenerator& random, qint64 index)
{
    const QString name = QStringLiteral("%1 %2 (%3)")
                             .arg(LastNames.at(random.bounded(int(LastNames.size()))),
                                  FirstNames.at(random.bounded(int(FirstNames.size()))))
                             .arg(index);
    return {name,
            QStringLiteral("Doit %1 € depuis le %2 mars.\r\n").arg(random.bounded(5, 500)).arg(random.bounded(1, 31))};
}

LedgerPair& LedgerWithPersons(qint64 count)
{
    const QString key = QStringLiteral("persons-%1").arg(count);
    if (const auto found = TheWorkspace().ledgers.find(key); found != TheWorkspace().ledgers.end())
        return *found->second;

    LedgerPair& pair = Opened(key, NewLedgerNamed(key));
    // Names in random order, so the index is built as a user's would be, not from sorted input.
    QRandomGenerator random(1848);
    OtherConnection filler(pair.path);
    Execute(filler.get(), "BEGIN");
    for (qint64 person = 0; person < count; ++person) {
        const SamplePerson sample = RandomPerson(random, person);
        filler.AddPerson(sample.name, sample.notes);
    }
    Execute(filler.get(), "COMMIT");
    return pair;
}

LedgerPair& LedgerWithNotes(const QString& purpose, qint64 megabytes)
{
    const QString key = QStringLiteral("%1-notes-%2MB").arg(purpose).arg(megabytes);
    if (const auto found = TheWorkspace().ledgers.find(key); found != TheWorkspace().ledgers.end())
        return *found->second;

    LedgerPair& pair = Opened(key, NewLedgerNamed(key));
    pair.ledger.AddPerson(NotesOwner, NotesOfMB(megabytes, 0));
    return pair;
}

const QString& NotesOfMB(qint64 megabytes, int variant)
{
    QString& notes = TheWorkspace().notes[{megabytes, variant}];
    if (notes.isEmpty())
        notes = FrenchLikeText(megabytes * CharactersPerMB, 1944 + variant);
    return notes;
}

const QString& SmallLedgerPath()
{
    QString& path = TheWorkspace().smallLedger;
    if (path.isEmpty())
        path = NewLedgerNamed(QStringLiteral("small"));
    return path;
}

void RequireBare(sqlite3* db, int resultCode)
{
    if (resultCode != SQLITE_OK && resultCode != SQLITE_ROW && resultCode != SQLITE_DONE)
        throw std::runtime_error(std::string("bare connection: ") +
                                 (db ? sqlite3_errmsg(db) : sqlite3_errstr(resultCode)));
}
