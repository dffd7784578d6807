// The ledger's rules without a window: save points, the reserved entry, a vanished person, the apostrophe rule,
// the names that may be added, and the list of names after adds and deletes.

#include "persons/MatchFolding.h"
#include "persons/Persons.h"
#include "support/FaultVfs.h"
#include "support/TempLedger.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

const QString Alice = QStringLiteral("Alice");
const QString Bob = QStringLiteral("Bob");

using Outcome = Persons::SaveResult::Outcome;
using Refusal = Persons::NameRefusal;

// A ledger holding Alice, Bob and the reserved entry, opened with every name read.
struct Opened {
    Opened()
    {
        Ledger ledger = file.open();
        ledger.AddPerson(Alice, QStringLiteral("Alice doit 10 €"));
        ledger.AddPerson(Bob, QStringLiteral("Bob doit 5 €"));
        ledger.Close();
        persons.Open();
        persons.LoadAll();
    }
    std::optional<QString> stored(const QString& name) const { return file.open().ReadNotes(name); }

    TempLedger file;
    Persons persons{file.folder()};
};

// The names in the list's order, as texts and stored bytes.
QList<std::pair<QString, QByteArray>> Rows(NameList& names)
{
    names.finishSorting();
    QList<std::pair<QString, QByteArray>> rows;
    for (int row = 0; row < names.rowCount(); ++row)
        rows.append({names.index(row).data().toString(), names.keyAt(row)});
    return rows;
}

} // namespace

class TestRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    // When the notes shown are written: only changed, never over the reserved entry but for an add, never when the
    // user stays on the same person; the apostrophe rule applied to what is written and shown.
    void savePoints_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("changed");
        // A save point, or "switch" to Bob, or "stay" on the person shown.
        QTest::addColumn<QString>("when");
        QTest::addColumn<bool>("written");
        QTest::newRow("list opening") << Alice << true << "list opening" << true;
        QTest::newRow("closing") << Alice << true << "closing" << true;
        QTest::newRow("adding") << Alice << true << "adding" << true;
        QTest::newRow("switch") << Alice << true << "switch" << true;
        QTest::newRow("unchanged") << Alice << false << "list opening" << false;
        QTest::newRow("unchanged switch") << Alice << false << "switch" << false;
        QTest::newRow("staying on the person") << Alice << true << "stay" << false;
        QTest::newRow("reserved, list opening") << ReservedPersonName << true << "list opening" << false;
        QTest::newRow("reserved, closing") << ReservedPersonName << true << "closing" << false;
        QTest::newRow("reserved, switch") << ReservedPersonName << true << "switch" << false;
        QTest::newRow("reserved, adding") << ReservedPersonName << true << "adding" << true;
    }
    void savePoints()
    {
        QFETCH(QString, shown);
        QFETCH(bool, changed);
        QFETCH(QString, when);
        QFETCH(bool, written);
        Opened o;
        const std::optional<QString> before = o.stored(shown);
        QVERIFY(o.persons.Show(shown));
        const auto typed = [] {
            return QStringLiteral("l'ami d'Anne");
        };
        const QString rewritten = QStringLiteral("l\"ami d\"Anne");
        static const QMap<QString, Persons::SavePoint> points{{"list opening", Persons::SavePoint::ListOpening},
                                                              {"closing", Persons::SavePoint::Closing},
                                                              {"adding", Persons::SavePoint::AddingPerson}};
        const Persons::SaveResult result = when == "switch" ? o.persons.SaveBeforeSwitch(Bob, typed, changed)
                                           : when == "stay"
                                               ? o.persons.SaveBeforeSwitch(shown, typed, changed)
                                               : o.persons.SaveShownNotes(typed, changed, points.value(when));
        QCOMPARE(result.outcome, written ? Outcome::Saved : Outcome::NotNeeded);
        QCOMPARE(o.stored(shown), written ? std::optional<QString>(rewritten) : before);
        QCOMPARE(result.rewritten, written ? std::optional<QString>(rewritten) : std::nullopt);
        QVERIFY(!result.failure);
    }

    // Another program removed the person: reading finds no one, saving adds them back with the notes.
    void aPersonRemovedElsewhere()
    {
        Opened o;
        QVERIFY(o.persons.Show(Alice));
        o.file.open().DeletePerson(Alice);
        const Persons::SaveResult result = o.persons.SaveShownNotes([] { return QStringLiteral("gardé"); }, true, {});
        QCOMPARE(result.outcome, Outcome::AddedBack);
        QCOMPARE(o.stored(Alice), std::optional<QString>(QStringLiteral("gardé")));

        o.file.open().DeletePerson(Bob);
        QCOMPARE(o.persons.Show(Bob), std::nullopt);
        QCOMPARE(o.persons.shown(), std::nullopt);
        QCOMPARE(o.persons.SaveShownNotes([] { return QStringLiteral("perdu ?"); }, true, {}).outcome,
                 Outcome::NotNeeded);
    }

    // A write that fails keeps nothing half done and says why: the engine's failure, or too little memory.
    void aFailedSaveSaysWhy_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<LedgerFailure>("kind");
        QTest::newRow("disk full") << int(SQLITE_FULL) << LedgerFailure::DiskFull;
        QTest::newRow("input/output") << int(SQLITE_IOERR_WRITE) << LedgerFailure::InputOutput;
        QTest::newRow("out of memory") << int(SQLITE_NOMEM) << LedgerFailure::OutOfMemory;
    }
    void aFailedSaveSaysWhy()
    {
        QFETCH(int, fault);
        QFETCH(LedgerFailure, kind);
        FaultVfs faults;
        Opened o;
        QVERIFY(o.persons.Show(Alice));
        faults.failWrites(fault);
        const Persons::SaveResult result = o.persons.SaveShownNotes([] { return QStringLiteral("l'ajout"); }, true, {});
        faults.failWrites(0);
        QCOMPARE(result.outcome, Outcome::Failed);
        QVERIFY(result.failure);
        QCOMPARE(result.failure->kind() == LedgerFailure::OutOfMemory ? LedgerFailure::OutOfMemory
                                                                      : result.failure->kind(),
                 kind);
        QCOMPARE(result.rewritten, std::optional<QString>(QStringLiteral("l\"ajout")));
        QCOMPARE(o.stored(Alice), std::optional<QString>(QStringLiteral("Alice doit 10 €")));
        o.persons.Close();
    }

    // A name is refused when nothing of it can be seen, when it hides a mark that changes how it shows, or when a
    // reader could not tell it from a name there (the reserved entry's included), compared as it will be stored.
    void newNames_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Refusal>("refusal");
        QTest::addColumn<QString>("stored");
        QTest::newRow("empty") << QString() << Refusal::Empty << QString();
        QTest::newRow("spaces only") << QStringLiteral("   ") << Refusal::Empty << QString();
        QTest::newRow("zero-width space only") << QStringLiteral(" \u200B ") << Refusal::Empty << QString();
        QTest::newRow("right-to-left override") << QStringLiteral("Anne\u202Eenna") << Refusal::Invisible << QString();
        QTest::newRow("tab") << QStringLiteral("Anne\tB") << Refusal::Invisible << QString();
        QTest::newRow("NUL") << QStringLiteral("Anne") + QChar(0) + QStringLiteral("B") << Refusal::Invisible
                             << QString();
        QTest::newRow("line separator") << QStringLiteral("Anne\u2028B") << Refusal::Invisible << QString();
        QTest::newRow("there") << Bob << Refusal::Taken << Bob;
        QTest::newRow("there, decomposed")
            << QStringLiteral("E\u0301lodie") << Refusal::Taken << QStringLiteral("E\u0301lodie");
        QTest::newRow("there once stored") << QStringLiteral("L'ami") << Refusal::Taken << QStringLiteral("L\"ami");
        QTest::newRow("reserved, other case")
            << QStringLiteral("VARNOKEL") << Refusal::Taken << QStringLiteral("VARNOKEL");
        QTest::newRow("case differs") << QStringLiteral("BOB") << Refusal::None << QStringLiteral("BOB");
        QTest::newRow("apostrophes") << QStringLiteral("D'Artagnan l'ami") << Refusal::None
                                     << QStringLiteral("D\"Artagnan l\"ami");
        QTest::newRow("emoji") << QStringLiteral("Zoé 😀") << Refusal::None << QStringLiteral("Zoé 😀");
    }
    void newNames()
    {
        QFETCH(QString, typed);
        QFETCH(Refusal, refusal);
        QFETCH(QString, stored);
        Opened o;
        o.persons.Add(QStringLiteral("\u00C9lodie"), QString());
        o.persons.Add(QStringLiteral("L\"ami"), QString());
        const Persons::NewName checked = o.persons.CheckNewName(typed);
        QCOMPARE(checked.refusal, refusal);
        if (refusal == Refusal::None || refusal == Refusal::Taken)
            QCOMPARE(checked.name, stored);
    }

    // Adding and deleting change one row of the names, and leave them as reading the whole ledger again would:
    // same texts, same stored bytes, same order. Names come from a small pool so that they meet again.
    void addsAndDeletesLeaveTheNamesAsARebuildWould()
    {
        bool given = false;
        const quint32 seed = qEnvironmentVariable("QUENTARIL_PROPERTY_SEED").toUInt(&given);
        QRandomGenerator random(given ? seed : 1789u);
        const QStringList pool{
            QStringLiteral("Émile"),      QStringLiteral("E\u0301mile"), QStringLiteral("Emile"),
            QStringLiteral("EMILE"),      QStringLiteral("Élodie"),      QStringLiteral("Zoé"),
            QStringLiteral("ZOÉ"),        QStringLiteral("Œdipe"),       QStringLiteral("Oedipe"),
            QStringLiteral("L'ami"),      QStringLiteral("L\"ami"),      QStringLiteral("Anne-Marie"),
            QStringLiteral("Anne Marie"), QStringLiteral("Ångström"),    QStringLiteral("Straße"),
            QStringLiteral("Strasse"),    QStringLiteral("李"),          QStringLiteral("😀"),
            QStringLiteral("Anne "),      QStringLiteral("Varnokel2")};
        Opened o;
        // Opened once: it sees each change the persons commit.
        Ledger ledger = o.file.open();
        for (int step = 0; step < 120; ++step) {
            const QString context = QStringLiteral("step %1").arg(step);
            if (o.persons.names().count() <= 1 || random.bounded(3) != 0) {
                const Persons::NewName checked =
                    o.persons.CheckNewName(pool.at(random.bounded(static_cast<int>(pool.size()))));
                if (checked.refusal == Refusal::None) {
                    const qsizetype row = o.persons.Add(checked.name, QStringLiteral("notes"));
                    QCOMPARE(o.persons.names().keyAt(row), checked.name.toUtf8());
                    QCOMPARE(o.persons.shown(), std::optional<PersonName>(checked.name));
                }
            } else {
                const auto row = random.bounded(static_cast<int>(o.persons.names().count()));
                const PersonName person = PersonName::fromStored(o.persons.names().keyAt(row));
                const bool reserved = Persons::IsReserved(person);
                QCOMPARE(o.persons.Delete(person),
                         reserved ? Persons::DeleteOutcome::Reserved : Persons::DeleteOutcome::Deleted);
                QCOMPARE(ledger.ReadNotes(person).has_value(), reserved);
            }
            NameList rebuilt;
            rebuilt.fill([&ledger](const std::function<void(QByteArrayView)>& add) { ledger.ListPersons(add); });
            QVERIFY2(Rows(o.persons.names()) == Rows(rebuilt), qPrintable(context));
        }
    }

    // A long list shows the preferred name at once, alone, then puts the sorted names around it: a selection of it
    // stays on it, and the rows end as a plain fill leaves them.
    void aLongListShowsThePreferredNameFirst()
    {
        QByteArrayList names;
        for (qsizetype i = NameList::SortAfterShowingFrom; i > 0; --i)
            names.append("Nom " + QByteArray::number(i));
        const auto source = [&names](const std::function<void(QByteArrayView)>& add) {
            for (const QByteArray& name : names)
                add(name);
        };
        for (const QByteArray& preferred : {QByteArray("Nom 5000"), QByteArray("Nom 1"), QByteArray("Absent")}) {
            NameList list;
            QCOMPARE(list.fill(source, preferred), 0);
            QCOMPARE(list.rowCount(), 1);
            const QByteArray shown = list.keyAt(0);
            QCOMPARE(shown, preferred == "Absent" ? QByteArray("Nom 1") : preferred);
            const QPersistentModelIndex selected = list.index(0);
            list.finishSorting();
            QCOMPARE(list.keyAt(selected.row()), shown);
            NameList plain;
            plain.fill(source);
            QVERIFY(Rows(list) == Rows(plain));
        }
    }

    // What a search finds, folded on both sides; the UTF-8 folding agrees with the QString one, and each folded
    // character leads back to where it came from.
    void foldingForMatching_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("matchAccents");
        QTest::addColumn<QString>("folded");
        QTest::newRow("case and accents") << QStringLiteral("Éric ÇA") << false << false << QStringLiteral("eric ca");
        QTest::newRow("ligatures") << QStringLiteral("Œdipe Æther Straße") << false << false
                                   << QStringLiteral("oedipe aether strasse");
        QTest::newRow("decomposed accent") << QStringLiteral("E\u0301ric") << false << false << QStringLiteral("eric");
        QTest::newRow("case kept") << QStringLiteral("Éric") << true << false << QStringLiteral("Eric");
        QTest::newRow("accents kept") << QStringLiteral("Éric") << false << true << QStringLiteral("éric");
        QTest::newRow("both kept") << QStringLiteral("Éric œ") << true << true << QStringLiteral("Éric œ");
        QTest::newRow("beyond the table") << QStringLiteral("李😀ΣΑΣ") << false << false << QStringLiteral("李😀σασ");
    }
    void foldingForMatching()
    {
        QFETCH(QString, text);
        QFETCH(bool, matchCase);
        QFETCH(bool, matchAccents);
        QFETCH(QString, folded);
        const MatchOptions options{matchCase, matchAccents};
        std::vector<qsizetype> sources;
        QCOMPARE(FoldedForMatching(text, options, sources), folded);
        QCOMPARE(qsizetype(sources.size()), folded.size() + 1);
        QCOMPARE(sources.back(), text.size());
        QVERIFY(std::is_sorted(sources.begin(), sources.end()));
        QByteArray utf8 = "kept ";
        AppendFoldedUtf8(text.toUtf8(), options, utf8);
        QCOMPARE(utf8, "kept " + folded.toUtf8());
    }

    // Remembered things outlive the program and stay out of the persons' table; a ledger that never remembered
    // anything recalls nothing.
    void rememberedBetweenRuns()
    {
        Opened o;
        QCOMPARE(o.persons.Recall(Persons::Remembered::LastPerson), std::nullopt);
        QVERIFY(o.persons.Remember(Persons::Remembered::LastPerson, Bob));
        QVERIFY(o.persons.Remember(Persons::Remembered::Zoom, QStringLiteral("3")));
        QVERIFY(o.persons.Remember(Persons::Remembered::LastPerson, Alice));
        o.persons.Close();
        Persons again(o.file.folder());
        again.Open();
        QCOMPARE(again.Recall(Persons::Remembered::LastPerson), Alice);
        QCOMPARE(again.Recall(Persons::Remembered::Zoom), QStringLiteral("3"));
        QCOMPARE(again.Recall(Persons::Remembered::ExportFolder), std::nullopt);
        QCOMPARE(o.file.open().ListPersons().size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestRules)
#include "tst_rules.moc"
