#include "ledger/Ledger.h"
#include "ledger/LedgerError.h"
#include "support/FaultVfs.h"
#include "support/LedgerTestAccess.h"
#include "support/TempLedger.h"

#include <QTest>

namespace {

// Texts that have broken statements or lost characters in programs of this kind.
const QList<std::pair<const char*, QString>> Troublesome = {
    {"apostrophes", QStringLiteral("l'ami d'Anne ''")},
    {"double quotes", QStringLiteral("\"Jean\" a dit \"\"")},
    {"backslashes", QStringLiteral("C:\\dettes\\ \\' \\")},
    {"percent and underscore", QStringLiteral("100% _a_ %_")},
    {"SQL", QStringLiteral("x'); DROP TABLE tblPlorn; --")},
    {"non-breaking spaces", QStringLiteral("20\u00A0€ « oui »\u202F!")},
    {"tabs and controls", QStringLiteral("a\tb\u0001c\u001Fd\u007Fe\u0085")},
    {"NUL", QString(QStringLiteral("avant%1après")).arg(QChar(0))},
    {"CR LF", QStringLiteral("ligne 1\r\nligne 2\r\n\r\n")},
    {"emoji and other planes", QStringLiteral("😀 𝄞 𠜎 👨‍👩‍👧")},
    {"right to left", QStringLiteral("\u200Fשלום عليكم\u200E")},
    {"combining accents", QStringLiteral("e\u0301le\u0300ve")},
    {"spaces only", QStringLiteral("   ")},
};

QString LongNotes(qsizetype size)
{
    QString notes;
    notes.reserve(size);
    const QString line = QStringLiteral("Prêté 20\u00A0€ à l'ami « Zoé » 😀\r\n");
    while (notes.size() < size)
        notes += line;
    notes.truncate(size);
    return notes;
}

} // namespace

class TestLedger : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aNewLedgerHoldsTheReservedEntry()
    {
        TempLedger file;
        Ledger ledger = file.open();
        QCOMPARE(NamesOf(ledger.ListPersons()), QStringList{ReservedPersonName});
        QVERIFY(!ledger.ReadNotes(ReservedPersonName).value_or(QString()).isEmpty());
    }

    void textsComeBackExactly_data()
    {
        QTest::addColumn<QString>("text");
        for (const auto& [label, text] : Troublesome)
            QTest::newRow(label) << text;
    }
    void textsComeBackExactly()
    {
        QFETCH(QString, text);
        TempLedger file;
        {
            Ledger ledger = file.open();
            const QString name = text + QStringLiteral(" nom");
            ledger.AddPerson(name, text);
            QCOMPARE(ledger.ReadNotes(name), std::optional<QString>(text));
            ledger.SaveNotes(name, text + text);
            QVERIFY(NamesOf(ledger.ListPersons()).contains(name));
            ledger.Close();
        }
        // On a fresh connection, so nothing comes from a cache.
        Ledger reopened = file.open();
        const QString name = text + QStringLiteral(" nom");
        QCOMPARE(reopened.ReadNotes(name), std::optional<QString>(text + text));
        reopened.DeletePerson(name);
        QCOMPARE(NamesOf(reopened.ListPersons()), QStringList{ReservedPersonName});
    }

    void tenMegabytesOfNotes()
    {
        TempLedger file;
        const QString notes = LongNotes(10 * 1024 * 1024);
        {
            Ledger ledger = file.open();
            ledger.AddPerson(QStringLiteral("Zoé"), QStringLiteral("x"));
            ledger.SaveNotes(QStringLiteral("Zoé"), notes);
        }
        QCOMPARE(file.open().ReadNotes(QStringLiteral("Zoé")), std::optional<QString>(notes));
    }

    void namesMatchExactly()
    {
        TempLedger file;
        Ledger ledger = file.open();
        ledger.AddPerson(QStringLiteral("a%"), QStringLiteral("pourcent"));
        ledger.AddPerson(QStringLiteral("ab"), QStringLiteral("ab"));
        ledger.AddPerson(QStringLiteral("AB"), QStringLiteral("majuscules"));
        ledger.AddPerson(QStringLiteral("Zoé"), QStringLiteral("composé"));
        ledger.AddPerson(QStringLiteral("Zoe\u0301"), QStringLiteral("décomposé"));

        QCOMPARE(ledger.ReadNotes(QStringLiteral("AB")), std::optional<QString>(QStringLiteral("majuscules")));
        QCOMPARE(ledger.ReadNotes(QStringLiteral("Zoe\u0301")), std::optional<QString>(QStringLiteral("décomposé")));
        QCOMPARE(ledger.ReadNotes(QStringLiteral("a_")), std::nullopt);
        QCOMPARE(ledger.ReadNotes(QStringLiteral("ab ")), std::nullopt);

        ledger.DeletePerson(QStringLiteral("a%"));
        ledger.SaveNotes(QStringLiteral("personne"), QStringLiteral("rien"));
        ledger.DeletePerson(QStringLiteral("personne"));
        QStringList names = NamesOf(ledger.ListPersons());
        names.sort();
        QCOMPARE(names, (QStringList{QStringLiteral("AB"), ReservedPersonName, QStringLiteral("Zoe\u0301"),
                                     QStringLiteral("Zoé"), QStringLiteral("ab")}));
        QCOMPARE(ledger.ReadNotes(QStringLiteral("ab")), std::optional<QString>(QStringLiteral("ab")));
    }

    // A ledger written by another tool: no constraints, two rows with one name, nulls.
    void aFileFromElsewhere()
    {
        TempLedger file;
        QFile::remove(file.path());
        RunSqlcipherCli(file.path(), LedgerPassword,
                        QStringLiteral("CREATE TABLE tblPlorn (NomPers TEXT, LesPlorns TEXT);"
                                       "INSERT INTO tblPlorn VALUES ('Anne', 'premier');"
                                       "INSERT INTO tblPlorn VALUES ('Bob', NULL);"
                                       "INSERT INTO tblPlorn VALUES (NULL, 'sans nom');"
                                       "INSERT INTO tblPlorn VALUES ('', 'nom vide');"
                                       "INSERT INTO tblPlorn VALUES ('Anne', 'second');"
                                       "INSERT INTO tblPlorn VALUES ('l''ami', 'apostrophe');"));
        Ledger ledger = file.open();
        QCOMPARE(NamesOf(ledger.ListPersons()), (QStringList{QString(), QStringLiteral("Anne"), QStringLiteral("Anne"),
                                                             QStringLiteral("Bob"), QStringLiteral("l'ami")}));
        QCOMPARE(ledger.ReadNotes(QString()), std::optional<QString>(QStringLiteral("nom vide")));
        QCOMPARE(ledger.ReadNotes(QStringLiteral("Anne")), std::optional<QString>(QStringLiteral("second")));
        QCOMPARE(ledger.ReadNotes(QStringLiteral("Bob")), std::optional<QString>(QString()));
        QCOMPARE(ledger.ReadNotes(QStringLiteral("l'ami")), std::optional<QString>(QStringLiteral("apostrophe")));

        ledger.SaveNotes(QStringLiteral("Anne"), QStringLiteral("les deux"));
        QCOMPARE(RunSqlcipherCli(file.path(), LedgerPassword,
                                 QStringLiteral("SELECT LesPlorns FROM tblPlorn WHERE NomPers = 'Anne';")),
                 QByteArray("les deux\nles deux\n"));
        ledger.DeletePerson(QStringLiteral("Anne"));
        ledger.DeletePerson(QStringLiteral("l'ami"));
        ledger.DeletePerson(QString());
        QCOMPARE(NamesOf(ledger.ListPersons()), QStringList{QStringLiteral("Bob")});
    }

    void theUniqueConstraintOfANewLedgerHolds()
    {
        TempLedger file;
        Ledger ledger = file.open();
        ledger.AddPerson(QStringLiteral("Anne"), QStringLiteral("a"));
        QVERIFY_THROWS_EXCEPTION(LedgerError, ledger.AddPerson(QStringLiteral("Anne"), QStringLiteral("b")));
        QCOMPARE(ledger.ReadNotes(QStringLiteral("Anne")), std::optional<QString>(QStringLiteral("a")));
    }

    // A refused write reports the engine's message and leaves the last committed content.
    void aRefusedWriteKeepsTheCommittedContent()
    {
        TempLedger file;
        FaultVfs faults;
        Ledger ledger = file.open();
        ledger.AddPerson(QStringLiteral("Anne"), QStringLiteral("avant"));
        faults.failWrites(SQLITE_FULL);
        try {
            ledger.SaveNotes(QStringLiteral("Anne"), LongNotes(100000));
            QFAIL("a write on a full disk went through");
        } catch (const LedgerError& error) {
            QCOMPARE(error.engineCode(), SQLITE_FULL);
            QCOMPARE(error.message(), QStringLiteral("database or disk is full"));
        }
        QVERIFY_THROWS_EXCEPTION(LedgerError, ledger.AddPerson(QStringLiteral("Bob"), QStringLiteral("b")));
        QVERIFY_THROWS_EXCEPTION(LedgerError, ledger.DeletePerson(QStringLiteral("Anne")));
        faults.failWrites(0);
        ledger.Close();

        Ledger reopened = file.open();
        QCOMPARE(reopened.ReadNotes(QStringLiteral("Anne")), std::optional<QString>(QStringLiteral("avant")));
        QCOMPARE(NamesOf(reopened.ListPersons()).size(), 2);
        QCOMPARE(RunSqlcipherCli(file.path(), LedgerPassword, QStringLiteral("PRAGMA integrity_check;")),
                 QByteArray("ok\n"));
    }

    void closingTwiceIsHarmless()
    {
        TempLedger file;
        Ledger ledger = file.open();
        CloseLedger(ledger);
        CloseLedger(ledger);
        // Nothing runs against a closed ledger.
        QVERIFY_THROWS_EXCEPTION(LedgerError, NamesOf(ledger.ListPersons()));
        QCOMPARE(NamesOf(file.open().ListPersons()), QStringList{ReservedPersonName});
    }
};

QTEST_GUILESS_MAIN(TestLedger)
#include "tst_ledger.moc"
