#include "ledger/Ledger.h"
#include "ledger/LedgerError.h"
#include "ledger/LedgerFile.h"
#include "ledger/jet/ConvertedPersons.h"
#include "ledger/jet/JetConversion.h"
#include "ledger/jet/JetHeader.h"
#include "ledger/jet/JetReader.h"
#include "ledger/jet/JetText.h"
#include "support/FaultVfs.h"
#include "support/JetLedgers.h"
#include "support/TempLedger.h"

#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

const QString Name = QStringLiteral("NomPers");
const QString Notes = QStringLiteral("LesPlorns");
const QString KeptName = QStringLiteral("BDPLORN.jet.mdb");

struct Person {
    QJsonValue name;
    QJsonValue notes;
};

QJsonArray JsonRows(const QList<Person>& persons)
{
    QJsonArray rows;
    for (const Person& person : persons)
        rows.append(QJsonObject{{Name, person.name}, {Notes, person.notes}});
    return rows;
}

QStringList FolderFiles(const QString& folder)
{
    return FolderSnapshot(folder).keys();
}

mode_t FileMode(const QString& path)
{
    struct stat status {};
    ::stat(QFile::encodeName(path).constData(), &status);
    return status.st_mode & 07777;
}

QString Lines(const QString& line, int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("%1 %2").arg(i, 5, 10, QLatin1Char('0')).arg(line);
    return lines.join(QStringLiteral("\r\n"));
}

// What the converted ledger must hold for the generator's fixture: every row as it was, the first of the two
// "Dup" renamed, the null notes empty.
QList<StoredRow> ConvertedFixtureRows(const QString& expectFile)
{
    QList<StoredRow> rows = ReadExpectedRows(expectFile);
    for (StoredRow& row : rows)
        row.notesNull = false;
    rows[5].name = "Dup (2)";
    return rows;
}

} // namespace

Q_DECLARE_METATYPE(Person)

class TestJet : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void headers()
    {
        JetLedgers jet;
        const QList<std::tuple<QString, JetFormat, QString>> samples{
            {QStringLiteral("V2000_with-password.mdb"), JetFormat::Jet4, QStringLiteral("password")},
            {QStringLiteral("db-enc.mdb"), JetFormat::Jet4, QString()},
            {QStringLiteral("testV1997.mdb"), JetFormat::Jet3, QString()},
            {QStringLiteral("db2007-enc.accdb"), JetFormat::Ace, QString()}};
        for (const auto& [name, format, password] : samples) {
            const JetHeader header = ParseJetHeader(FileBytes(jet.sample(name)));
            QCOMPARE(header.format, format);
            QCOMPARE(header.password, password);
        }
        const auto passwordOf = [](const QString& path) {
            return ParseJetHeader(FileBytes(path)).password;
        };
        QCOMPARE(passwordOf(jet.fixture(QStringLiteral("BDPLORN_jet4.mdb"))), LedgerPassword);
        QCOMPARE(passwordOf(jet.fixture(QStringLiteral("BDPLORN_jet3.mdb"))), LedgerPassword);
        // Jet 4 masks its password with the creation date: another date, another mask.
        const QJsonArray one = JsonRows({{QStringLiteral("a"), QStringLiteral("b")}});
        const QString longest = QStringLiteral("Clé€ΩЖ-vingt-signes!");
        QCOMPARE(passwordOf(jet.generate(4, one, longest, QStringLiteral("2023-11-05T17:45:00"))), longest);
        QCOMPARE(passwordOf(jet.generate(3, one, QStringLiteral("Clé€Œ"))), QStringLiteral("Clé€Œ"));

        QCOMPARE(ParseJetHeader(FileBytes(jet.fixture(QStringLiteral("BDPLORN_jet4.mdb"))).first(100)).format,
                 JetFormat::Unknown);
    }

    void textForms()
    {
        const auto decode = [](JetTextDecoder decoder, const char* hex) {
            return decoder.decode(QByteArray::fromHex(hex));
        };
        // Compressed: one byte per character, a zero byte switching to two bytes and back (so a character whose
        // low byte is zero is never written in that form).
        QCOMPARE(decode({}, "fffe 6162 00 0101 3dd801de 00 63"), std::optional(QStringLiteral("ab\u0101\U0001F601c")));
        QCOMPARE(decode({}, "fffe 61 00 01"), std::nullopt);
        QCOMPARE(decode({}, "6100 62"), std::nullopt);
        QCOMPARE(decode({}, "3dd8 6100"), std::nullopt);

        QCOMPARE(decode(JetTextDecoder(1252), "808ce981"), std::optional(QStringLiteral("€Œé\u0081")));
        QCOMPARE(decode(JetTextDecoder(1251), "c6e8f0"), std::optional(QStringLiteral("Жир")));
        QCOMPARE(decode(JetTextDecoder(850), "82"), std::optional(QStringLiteral("é")));
        QVERIFY(!JetTextDecoder(4321).isValid());
    }

    // Files made by Access itself: compressed Unicode, code-page text, RC4-encoded pages.
    void readsAccessFiles()
    {
        JetLedgers jet;
        const QList<QStringList> unicode = ReadJetTextColumns(jet.sample(QStringLiteral("testUnicodeCompV2003.mdb")),
                                                              QStringLiteral("Table"), {QStringLiteral("Unicode")});
        QString everyLatin1;
        for (char16_t c = 1; c <= 0xFF; ++c)
            everyLatin1.append(QChar(c));
        QCOMPARE(unicode, (QList<QStringList>{{QStringLiteral("only ascii chars")},
                                              {QStringLiteral("ääkkösiä")},
                                              {QStringLiteral("Мир")},
                                              {QStringLiteral("ϰαὶ τ\u1F79τ' ἐγὼ Κ\u1F7Bϰλωπα")},
                                              {QStringLiteral("漢字仮名交じり文")},
                                              {QStringLiteral("3L9\u001D52\u0002_AB(¥\u0005!!V")},
                                              {QStringLiteral("ümlaut")},
                                              {everyLatin1}}));

        const QStringList columns{QStringLiteral("A"), QStringLiteral("B")};
        QCOMPARE(ReadJetTextColumns(jet.sample(QStringLiteral("testV1997.mdb")), QStringLiteral("Table1"), columns),
                 (QList<QStringList>{{QStringLiteral("a"), QStringLiteral("b")},
                                     {QStringLiteral("abcdefg"), QStringLiteral("hijklmnop")}}));
        const QList<QStringList> helloWorld{{QStringLiteral("hello")}, {QStringLiteral("world")}};
        for (const QString& encoded : {QStringLiteral("db-enc.mdb"), QStringLiteral("db97-enc.mdb")})
            QCOMPARE(ReadJetTextColumns(jet.sample(encoded), QStringLiteral("Table1"), {QStringLiteral("col1")}),
                     helloWorld);
        QVERIFY_THROWS_EXCEPTION(JetReadError, ReadJetTextColumns(jet.sample(QStringLiteral("testV1997.mdb")),
                                                                  QStringLiteral("Table1"), {QStringLiteral("C")}));
    }

    void convertsTheFixtures_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<bool>("encodedPages");
        QTest::newRow("Jet 4") << QStringLiteral("BDPLORN_jet4.mdb") << false;
        QTest::newRow("Jet 3") << QStringLiteral("BDPLORN_jet3.mdb") << false;
        QTest::newRow("Jet 4, RC4-encoded pages") << QStringLiteral("BDPLORN_jet4.mdb") << true;
        QTest::newRow("Jet 3, RC4-encoded pages") << QStringLiteral("BDPLORN_jet3.mdb") << true;
    }

    void convertsTheFixtures()
    {
        QFETCH(QString, fixture);
        QFETCH(bool, encodedPages);
        JetLedgers jet;
        QTemporaryDir folder;
        QByteArray original = FileBytes(jet.fixture(fixture));
        if (encodedPages)
            original = EncodeJetPages(original, 0x5A3C91E7);
        WriteFile(LedgerPathIn(folder.path()), original);

        const JetConversionResult result = ConvertJetLedger(folder.path());
        QCOMPARE(result.personCount, 7);
        QCOMPARE(result.keptOriginalPath, QDir(folder.path()).filePath(KeptName));
        QCOMPARE(result.renamed.size(), 1);
        QCOMPARE(result.renamed[0].from, QStringLiteral("Dup"));
        QCOMPARE(result.renamed[0].to, QStringLiteral("Dup (2)"));

        QCOMPARE(FolderFiles(folder.path()), (QStringList{KeptName, LedgerFileName}));
        QCOMPARE(FileBytes(result.keptOriginalPath), original);
        const QString ledger = LedgerPathIn(folder.path());
        QCOMPARE(SniffLedgerFile(ledger), LedgerFileKind::Other);
        QCOMPARE(FileMode(ledger), mode_t(0600));
        QCOMPARE(ReadLedgerRows(ledger), ConvertedFixtureRows(jet.fixture(QStringLiteral("BDPLORN.expect.bin"))));
        const QByteArray schema = RunSqlcipherCli(
            ledger, LedgerPassword, QStringLiteral("SELECT sql FROM sqlite_master WHERE name='tblPlorn';"));
        QVERIFY2(schema.contains("NomPers TEXT NOT NULL UNIQUE"), schema);
    }

    // Every character comes over as it was, those mdbtools' own text conversion gets wrong included.
    void keepsEveryCharacter_data()
    {
        QTest::addColumn<int>("jetVersion");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QList<Person>>("persons");
        QTest::addColumn<QList<StoredRow>>("expected");

        const QString longNotes = Lines(QStringLiteral("prêt réglé à Noël, 12 € 😀 ; reste « 3 € »"), 12000);
        QList<Person> persons{
            {QStringLiteral("Émoji 😀"), QStringLiteral("souris 😀\r\nfin")},
            {QStringLiteral("Nul"), QStringLiteral("avant\u0000après")},
            {QStringLiteral("Bom"), QStringLiteral("\uFEFFdébut marqué")},
            {QStringLiteral("Ā ā"), QStringLiteral("Āā\u00A0« oui »")},
            {QStringLiteral("Fins de ligne"), QStringLiteral("cr\rseul\nlf seul\r\n")},
            {QStringLiteral("Long"), longNotes},
            {QJsonValue::Null, QStringLiteral("sans nom")},
            {QStringLiteral(""), QJsonValue::Null},
        };
        QList<StoredRow> expected;
        for (const Person& person : persons)
            expected.append({person.name.toString().toUtf8(), person.notes.toString().toUtf8(), false});
        expected[6].name = "Sans nom";
        expected[7].name = "Sans nom (2)";
        QTest::newRow("Jet 4") << 4 << LedgerPassword << persons << expected;

        // Jet 3 holds code-page text: only what Windows-1252 can write. A file without a password opens too.
        QList<Person> westEuropean{
            {QStringLiteral("Œuvre ‰ ÿ"), QStringLiteral("€ „cité“ — Ÿ")},
            {QStringLiteral("Fins de ligne"), QStringLiteral("cr\rseul\nlf seul\r\n")},
            {QStringLiteral("Long"), Lines(QStringLiteral("prêt réglé à Noël, 12 € ; reste « 3 € »"), 3000)},
        };
        QList<StoredRow> westEuropeanRows;
        for (const Person& person : westEuropean)
            westEuropeanRows.append({person.name.toString().toUtf8(), person.notes.toString().toUtf8(), false});
        QTest::newRow("Jet 3, no password") << 3 << QString() << westEuropean << westEuropeanRows;
    }

    void keepsEveryCharacter()
    {
        QFETCH(int, jetVersion);
        QFETCH(QString, password);
        QFETCH(QList<Person>, persons);
        QFETCH(QList<StoredRow>, expected);
        JetLedgers jet;
        QTemporaryDir folder;
        PlaceAsLedger(jet.generate(jetVersion, JsonRows(persons), password), folder.path());
        ConvertJetLedger(folder.path());
        QCOMPARE(ReadLedgerRows(LedgerPathIn(folder.path())), expected);
    }

    void namesEveryPersonOnce()
    {
        const QList<QStringList> rows{
            {QStringLiteral("A"), QStringLiteral("1")},     {QStringLiteral("B"), QString()},
            {QStringLiteral("A"), QStringLiteral("3")},     {QStringLiteral("A (2)"), QStringLiteral("4")},
            {QStringLiteral("A"), QStringLiteral("5")},     {QString(), QStringLiteral("6")},
            {QStringLiteral(""), QStringLiteral("7")},      {QStringLiteral("Sans nom"), QStringLiteral("8")},
            {QStringLiteral("%1 %2"), QStringLiteral("9")}, {QStringLiteral("%1 %2"), QStringLiteral("")}};
        const ConvertedPersons converted = ConvertPersons(rows);
        QStringList names;
        QStringList notes;
        for (const LedgerPerson& person : converted.persons) {
            names << person.name;
            notes << person.notes;
            QVERIFY(!person.notes.isNull());
        }
        QCOMPARE(names, (QStringList{"A (3)", "B", "A (4)", "A (2)", "A", "Sans nom (2)", "Sans nom (3)", "Sans nom",
                                     "%1 %2 (2)", "%1 %2"}));
        QCOMPARE(notes, (QStringList{"1", "", "3", "4", "5", "6", "7", "8", "9", ""}));
        QStringList renamed;
        for (const RenamedPerson& person : converted.renamed)
            renamed << person.from + QStringLiteral(" -> ") + person.to;
        QCOMPARE(renamed, (QStringList{"A -> A (3)", "A -> A (4)", " -> Sans nom (2)", " -> Sans nom (3)",
                                       "%1 %2 -> %1 %2 (2)"}));
    }

    void keepsAnEarlierOriginal()
    {
        JetLedgers jet;
        QTemporaryDir folder;
        PlaceAsLedger(jet.fixture(QStringLiteral("BDPLORN_jet4.mdb")), folder.path());
        const QString earlier = QDir(folder.path()).filePath(KeptName);
        WriteFile(earlier, "an earlier original");
        const JetConversionResult result = ConvertJetLedger(folder.path());
        QCOMPARE(result.keptOriginalPath, QDir(folder.path()).filePath(QStringLiteral("BDPLORN.jet-2.mdb")));
        QCOMPARE(FileBytes(earlier), QByteArray("an earlier original"));
        QCOMPARE(FileBytes(result.keptOriginalPath), FileBytes(jet.fixture(QStringLiteral("BDPLORN_jet4.mdb"))));
    }

    // A refused file leaves the folder exactly as it was: no kept copy, no half-written ledger.
    void refusals_data()
    {
        QTest::addColumn<QByteArray>("ledger");
        QTest::addColumn<QString>("reason");
        JetLedgers jet;
        const QByteArray jet4 = FileBytes(jet.fixture(QStringLiteral("BDPLORN_jet4.mdb")));
        const QByteArray jet3 = FileBytes(jet.fixture(QStringLiteral("BDPLORN_jet3.mdb")));
        const QJsonArray rows = JsonRows({{QStringLiteral("a"), QStringLiteral("b")}});
        QTest::newRow("another password") << FileBytes(jet.generate(4, rows, QStringLiteral("Autre")))
                                          << QStringLiteral("son mot de passe n'est pas celui du registre");
        QTest::newRow("another password, Jet 3") << FileBytes(jet.generate(3, rows, QStringLiteral("kqztrwx")))
                                                 << QStringLiteral("son mot de passe n'est pas celui du registre");
        QTest::newRow("cut inside a page") << jet4.first(jet4.size() - 1000) << QStringLiteral("il est tronqué");
        // The generator writes the data pages last: without them the library finds no row and says nothing.
        QTest::newRow("data pages cut off")
            << jet4.first(jet4.size() - 4096) << QStringLiteral("la table tblPlorn compte 7 fiches, ");
        QTest::newRow("Jet 3 data pages cut off")
            << jet3.first(jet3.size() - 2048) << QStringLiteral("la table tblPlorn compte 7 fiches, ");
        QTest::newRow("half the file") << jet4.first(jet4.size() / 2 / 4096 * 4096) << QStringLiteral("endommagé");
        QTest::newRow("Access 2007") << FileBytes(jet.sample(QStringLiteral("db2007-enc.accdb")))
                                     << QStringLiteral(".accdb");
        QTest::newRow("no tblPlorn") << FileBytes(jet.sample(QStringLiteral("testV1997.mdb")))
                                     << QStringLiteral("il ne contient pas la table tblPlorn");
        QByteArray laterJet = jet4;
        laterJet[0x14] = 2;
        QTest::newRow("unknown version") << laterJet << QStringLiteral("ce n'est pas une base Access au format Jet");
    }

    void refusals()
    {
        QFETCH(QByteArray, ledger);
        QFETCH(QString, reason);
        QTemporaryDir folder;
        WriteFile(LedgerPathIn(folder.path()), ledger);
        const auto before = FolderSnapshot(folder.path());
        try {
            ConvertJetLedger(folder.path());
            QFAIL("converted");
        } catch (const LedgerError& error) {
            QVERIFY2(error.message().contains(reason), qPrintable(error.message()));
            QVERIFY2(error.message().contains(QStringLiteral("n'a pas été modifié")), qPrintable(error.message()));
        }
        QCOMPARE(FolderSnapshot(folder.path()), before);
    }

    void aFullDisk()
    {
        JetLedgers jet;
        QTemporaryDir folder;
        PlaceAsLedger(jet.fixture(QStringLiteral("BDPLORN_jet4.mdb")), folder.path());
        const auto before = FolderSnapshot(folder.path());
        {
            FaultVfs faults;
            faults.failWrites(SQLITE_FULL);
            try {
                ConvertJetLedger(folder.path());
                QFAIL("converted");
            } catch (const LedgerError& error) {
                QCOMPARE(error.engineCode(), SQLITE_FULL);
                QVERIFY2(error.message().contains(QStringLiteral("database or disk is full")),
                         qPrintable(error.message()));
            }
        }
        QCOMPARE(FolderSnapshot(folder.path()), before);
        // Once there is room again, it goes through.
        QCOMPARE(ConvertJetLedger(folder.path()).personCount, 7);
    }
};

QTEST_GUILESS_MAIN(TestJet)
#include "tst_jet.moc"
