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
#include "ui/words/FailureWords.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <functional>
#include <sqlite3.h>
#include <tuple>

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

QString Lines(const QString& line, int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("%1 %2").arg(i, 5, 10, QLatin1Char('0')).arg(line);
    return lines.join(QStringLiteral("\r\n"));
}

// What the converted ledger must hold for the standard fixture: every row as it was, the first of the two "Dup"
// renamed, the null notes empty.
QList<StoredRow> ConvertedFixtureRows()
{
    QList<StoredRow> rows = StandardFixtureRows();
    for (StoredRow& row : rows)
        row.notesNull = false;
    rows[5].name = "Dup (2)";
    return rows;
}

QByteArray Utf16(const QString& text)
{
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

// A ledger of one table without a password (the format tests need no more).
JetLedgerSpec Table(int jetVersion, const QString& table, const QString& columns, const QList<QStringList>& rows)
{
    JetLedgerSpec spec;
    spec.jet = jetVersion;
    spec.password.clear();
    spec.table = table;
    spec.columns = columns;
    for (const QStringList& row : rows)
        spec.rows.append(QJsonArray::fromStringList(row));
    return spec;
}

JetLedgerSpec OneRow(int jetVersion, const QString& password)
{
    JetLedgerSpec spec;
    spec.jet = jetVersion;
    spec.password = password;
    spec.rows = JsonRows({{QStringLiteral("a"), QStringLiteral("b")}});
    return spec;
}

bool IsLongValuePage(const QByteArray& file, qsizetype pageSize, qsizetype page)
{
    return file.at(page * pageSize) == '\x01' && file.mid(page * pageSize + 4, 4) == "LVAL";
}

} // namespace

Q_DECLARE_METATYPE(Person)
Q_DECLARE_METATYPE(JetLedgerSpec)
Q_DECLARE_METATYPE(JetFormat)

class TestJet : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The header names the format and keeps the password: Jet 4 masks it with the creation date, Jet 3 keeps
    // code-page text.
    void headers_data()
    {
        QUENTARIL_REQUIRE_JET_WRITER();
        QTest::addColumn<JetLedgerSpec>("spec");
        QTest::addColumn<JetFormat>("format");
        QTest::addColumn<QString>("password");
        QTest::newRow("Jet 4, password") << OneRow(4, QStringLiteral("password")) << JetFormat::Jet4
                                         << QStringLiteral("password");
        JetLedgerSpec encoded = OneRow(4, QString());
        encoded.pageKey = 0x5A3C91E7;
        QTest::newRow("Jet 4, RC4-encoded pages, no password") << encoded << JetFormat::Jet4 << QString();
        QTest::newRow("Jet 3, no password") << OneRow(3, QString()) << JetFormat::Jet3 << QString();
        QTest::newRow("standard fixture, Jet 4") << StandardFixture(4) << JetFormat::Jet4 << LedgerPassword;
        QTest::newRow("standard fixture, Jet 3") << StandardFixture(3) << JetFormat::Jet3 << LedgerPassword;
        // Another date, another mask; twenty characters fill the field.
        const QString longest = QStringLiteral("Clé€ΩЖ-vingt-signes!");
        JetLedgerSpec later = OneRow(4, longest);
        later.created = QStringLiteral("2023-11-05T17:45:00");
        QTest::newRow("Jet 4, longest password, another date") << later << JetFormat::Jet4 << longest;
        QTest::newRow("Jet 3, code page 1252")
            << OneRow(3, QStringLiteral("Clé€Œ")) << JetFormat::Jet3 << QStringLiteral("Clé€Œ");
        JetLedgerSpec cyrillic = OneRow(3, QStringLiteral("Жир-ёж"));
        cyrillic.codePage = 1251;
        QTest::newRow("Jet 3, code page 1251") << cyrillic << JetFormat::Jet3 << QStringLiteral("Жир-ёж");
        JetLedgerSpec ace = OneRow(4, QString());
        ace.ace = true;
        QTest::newRow("Access 2007") << ace << JetFormat::Ace << QString();
    }

    void headers()
    {
        QFETCH(JetLedgerSpec, spec);
        QFETCH(JetFormat, format);
        QFETCH(QString, password);
        JetLedgers jet;
        const QString path = jet.generate(spec);
        QUENTARIL_VERIFY_JET_LEDGER(jet, path);
        const QByteArray bytes = FileBytes(path);
        const JetHeader header = ParseJetHeader(bytes);
        QCOMPARE(header.format, format);
        QCOMPARE(header.password, password);
        if (format == JetFormat::Jet3)
            QCOMPARE(header.codePage, spec.codePage == 0 ? 1252 : spec.codePage);
        // The name and version alone say an Access 2007 file; a Jet header cut short says nothing.
        if (format != JetFormat::Ace)
            QCOMPARE(ParseJetHeader(bytes.first(100)).format, JetFormat::Unknown);
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

    // Jet 4 text in both forms, in a Text and a Memo column: plain UTF-16, or compressed (one byte a character, a
    // zero byte switching to two bytes and back), which Access uses when it saves room.
    void readsUnicodeText_data()
    {
        QUENTARIL_REQUIRE_JET_WRITER();
        QTest::addColumn<QString>("compressedText");
        QTest::newRow("plain") << QString();
        QTest::newRow("compressed where shorter") << QStringLiteral("shorter");
        QTest::newRow("compressed wherever it can be") << QStringLiteral("always");
    }

    void readsUnicodeText()
    {
        QFETCH(QString, compressedText);
        QString everyLatin1;
        for (char16_t c = 1; c <= 0xFF; ++c)
            everyLatin1.append(QChar(c));
        const QStringList texts{QStringLiteral("only ascii chars"),
                                QStringLiteral("ääkkösiä"),
                                QStringLiteral("Мир"),
                                QStringLiteral("ϰαὶ τ\u1F79τ' ἐγὼ Κ\u1F7Bϰλωπα"),
                                QStringLiteral("漢字仮名交じり文"),
                                QStringLiteral("3L9\u001D52\u0002_AB(¥\u0005!!V"),
                                QStringLiteral("ümlaut"),
                                everyLatin1};
        QList<QStringList> rows;
        for (const QString& text : texts)
            rows << QStringList{text, text};
        JetLedgerSpec spec = Table(4, QStringLiteral("Table"), QStringLiteral("Unicode:text:255,Long:memo"), rows);
        spec.compressedText = compressedText;
        JetLedgers jet;
        const QString path = jet.generate(spec);
        QUENTARIL_VERIFY_JET_LEDGER(jet, path);
        QCOMPARE(ReadJetTextColumns(path, QStringLiteral("Table"), {QStringLiteral("Unicode"), QStringLiteral("Long")}),
                 rows);

        // The file holds the form asked for: Cyrillic takes more room compressed, so only "always" does it.
        const QByteArray file = FileBytes(path);
        QCOMPARE(file.contains(Utf16(texts[0])), compressedText.isEmpty());
        QCOMPARE(file.contains("\xFF\xFE" + texts[0].toLatin1()), !compressedText.isEmpty());
        QCOMPARE(file.contains(QByteArray::fromHex("fffe001c0438044004")), compressedText == "always");
    }

    // Jet 3 text is in the file's Windows code page.
    void readsCodePageText_data()
    {
        QUENTARIL_REQUIRE_JET_WRITER();
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("1252") << 1252
                              << QList<QStringList>{{QStringLiteral("a"), QStringLiteral("b")},
                                                    {QStringLiteral("abcdefg"), QStringLiteral("hijklmnop")},
                                                    {QStringLiteral("€Œé"), QStringLiteral("„cité“ ÿ")}}
                              << QByteArray("\x80\x8C\xE9");
        QTest::newRow("1251") << 1251
                              << QList<QStringList>{{QStringLiteral("a"), QStringLiteral("b")},
                                                    {QStringLiteral("Жир"), QStringLiteral("Мир — ёж")}}
                              << QByteArray("\xC6\xE8\xF0");
    }

    void readsCodePageText()
    {
        QFETCH(int, codePage);
        QFETCH(QList<QStringList>, rows);
        QFETCH(QByteArray, stored);
        JetLedgerSpec spec = Table(3, QStringLiteral("Table1"), QStringLiteral("A:text,B:memo"), rows);
        spec.codePage = codePage;
        JetLedgers jet;
        const QString path = jet.generate(spec);
        QUENTARIL_VERIFY_JET_LEDGER(jet, path);
        QCOMPARE(ReadJetTextColumns(path, QStringLiteral("Table1"), {QStringLiteral("A"), QStringLiteral("B")}), rows);
        QVERIFY(FileBytes(path).contains(stored));
        // A column the table does not have.
        QVERIFY_THROWS_EXCEPTION(JetReadError,
                                 ReadJetTextColumns(path, QStringLiteral("Table1"), {QStringLiteral("C")}));
    }

    // Pages RC4-encoded as Access does for an "encrypted" file: every page after the header, under its own key.
    void readsEncodedPages_data()
    {
        QUENTARIL_REQUIRE_JET_WRITER();
        AddJetVersionRows();
    }

    void readsEncodedPages()
    {
        QFETCH(int, jetVersion);
        const QList<QStringList> rows{{QStringLiteral("hello")}, {QStringLiteral("world")}};
        JetLedgerSpec spec = Table(jetVersion, QStringLiteral("Table1"), QStringLiteral("col1:text"), rows);
        JetLedgers jet;
        const QString clearPath = jet.generate(spec);
        QUENTARIL_VERIFY_JET_LEDGER(jet, clearPath);
        spec.pageKey = 0x1F2E3D4C;
        const QString path = jet.generate(spec);
        QUENTARIL_VERIFY_JET_LEDGER(jet, path);
        QCOMPARE(ReadJetTextColumns(path, QStringLiteral("Table1"), {QStringLiteral("col1")}), rows);

        const QByteArray hello = jetVersion == 4 ? Utf16(QStringLiteral("hello")) : QByteArray("hello");
        QVERIFY(FileBytes(clearPath).contains(hello));
        QVERIFY(!FileBytes(path).contains(hello));
    }

    // The standard fixture holds what it says: alice's notes on a chain of long-value pages, the first Dup's in its
    // row, the second's in a long-value row, Bob's NULL, the data pages last.
    void theStandardFixture_data()
    {
        QUENTARIL_REQUIRE_JET_WRITER();
        AddJetVersionRows();
    }

    void theStandardFixture()
    {
        QFETCH(int, jetVersion);
        JetLedgers jet;
        const QString path = jet.standardFixture(jetVersion);
        QUENTARIL_VERIFY_JET_LEDGER(jet, path);
        const QByteArray file = FileBytes(path);
        const QJsonObject layout = jet.layout(path);
        const qsizetype pageSize = jetVersion == 4 ? 4096 : 2048;
        QCOMPARE(layout[QStringLiteral("page_size")].toInteger(), pageSize);
        QCOMPARE(file.size(), layout[QStringLiteral("page_count")].toInteger() * pageSize);

        const QJsonArray rows = layout[QStringLiteral("rows")].toArray();
        QCOMPARE(rows.size(), 7);
        const auto notes = [&](qsizetype row) {
            return rows[row][QStringLiteral("fields")][QStringLiteral("LesPlorns")].toObject();
        };
        const auto storage = [&](qsizetype row) {
            return notes(row)[QStringLiteral("storage")].toString();
        };
        QCOMPARE(storage(0), QStringLiteral("inline"));
        QCOMPARE(storage(2), QStringLiteral("chain"));
        QCOMPARE(storage(3), QStringLiteral("inline"));
        QVERIFY(notes(4)[QStringLiteral("null")].toBool());
        QCOMPARE(storage(5), QStringLiteral("inline"));
        QCOMPARE(storage(6), QStringLiteral("lval"));
        QVERIFY(IsLongValuePage(file, pageSize, notes(6)[QStringLiteral("chain")][0][QStringLiteral("page")].toInt()));

        const QJsonArray chain = notes(2)[QStringLiteral("chain")].toArray();
        QSet<int> chainPages;
        for (const QJsonValue& piece : chain) {
            const int page = piece[QStringLiteral("page")].toInt();
            QVERIFY(IsLongValuePage(file, pageSize, page));
            chainPages.insert(page);
        }
        QVERIFY2(chainPages.size() >= 5 && chainPages.size() == chain.size(),
                 qPrintable(QString::number(chain.size())));

        const QJsonArray dataPages = layout[QStringLiteral("table")][QStringLiteral("data_pages")].toArray();
        QVERIFY(!dataPages.isEmpty());
        QCOMPARE(dataPages.last().toInteger(), layout[QStringLiteral("page_count")].toInteger() - 1);
        for (const QJsonValue& page : dataPages)
            QCOMPARE(file.at(page.toInteger() * pageSize), '\x01');

        // Read back as the conversion reads it: NULL notes come back null, empty ones empty.
        QList<QStringList> expected;
        for (const StoredRow& row : StandardFixtureRows())
            expected << QStringList{QString::fromUtf8(row.name),
                                    row.notesNull ? QString() : QString::fromUtf8(row.notes)};
        const QList<QStringList> read = ReadJetTextColumns(path, QStringLiteral("tblPlorn"),
                                                           {QStringLiteral("NomPers"), QStringLiteral("LesPlorns")});
        QCOMPARE(read, expected);
        QVERIFY(read[4][1].isNull());
        QVERIFY(!read[3][1].isNull());
    }

    void convertsTheFixtures_data()
    {
        QUENTARIL_REQUIRE_JET_WRITER();
        QTest::addColumn<JetLedgerSpec>("spec");
        QTest::newRow("Jet 4") << StandardFixture(4);
        QTest::newRow("Jet 3") << StandardFixture(3);
        for (const int jetVersion : {4, 3}) {
            JetLedgerSpec encoded = StandardFixture(jetVersion);
            encoded.pageKey = 0x5A3C91E7;
            QTest::addRow("Jet %d, RC4-encoded pages", jetVersion) << encoded;
        }
        JetLedgerSpec compressed = StandardFixture(4);
        compressed.compressedText = QStringLiteral("shorter");
        QTest::newRow("Jet 4, compressed text") << compressed;
    }

    void convertsTheFixtures()
    {
        QFETCH(JetLedgerSpec, spec);
        JetLedgers jet;
        const QString fixture = jet.generate(spec);
        QUENTARIL_VERIFY_JET_LEDGER(jet, fixture);
        QTemporaryDir folder;
        const QByteArray original = FileBytes(fixture);
        WriteFile(LedgerPathIn(folder.path()), original);

        const JetConversionResult result = ConvertJetLedger(folder.path(), JetReadingInThisProcess());
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
        QCOMPARE(ReadLedgerRows(ledger), ConvertedFixtureRows());
        const QByteArray schema = RunSqlcipherCli(
            ledger, LedgerPassword, QStringLiteral("SELECT sql FROM sqlite_master WHERE name='tblPlorn';"));
        QVERIFY2(schema.contains("NomPers TEXT NOT NULL UNIQUE"), schema);
    }

    // Every character comes over as it was, those mdbtools' own text conversion gets wrong included.
    void keepsEveryCharacter_data()
    {
        QUENTARIL_REQUIRE_JET_WRITER();
        QTest::addColumn<int>("jetVersion");
        QTest::addColumn<QString>("compressedText");
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
        QTest::newRow("Jet 4") << 4 << QString() << LedgerPassword << persons << expected;
        QTest::newRow("Jet 4, compressed text")
            << 4 << QStringLiteral("always") << LedgerPassword << persons << expected;

        // Jet 3 holds code-page text: only what Windows-1252 can write. A file without a password opens too.
        QList<Person> westEuropean{
            {QStringLiteral("Œuvre ‰ ÿ"), QStringLiteral("€ „cité“ — Ÿ")},
            {QStringLiteral("Fins de ligne"), QStringLiteral("cr\rseul\nlf seul\r\n")},
            {QStringLiteral("Long"), Lines(QStringLiteral("prêt réglé à Noël, 12 € ; reste « 3 € »"), 3000)},
        };
        QList<StoredRow> westEuropeanRows;
        for (const Person& person : westEuropean)
            westEuropeanRows.append({person.name.toString().toUtf8(), person.notes.toString().toUtf8(), false});
        QTest::newRow("Jet 3, no password") << 3 << QString() << QString() << westEuropean << westEuropeanRows;
    }

    void keepsEveryCharacter()
    {
        QFETCH(int, jetVersion);
        QFETCH(QString, compressedText);
        QFETCH(QString, password);
        QFETCH(QList<Person>, persons);
        QFETCH(QList<StoredRow>, expected);
        JetLedgerSpec spec;
        spec.jet = jetVersion;
        spec.rows = JsonRows(persons);
        spec.password = password;
        spec.compressedText = compressedText;
        JetLedgers jet;
        const QString path = jet.generate(spec);
        QUENTARIL_VERIFY_JET_LEDGER(jet, path);
        QTemporaryDir folder;
        PlaceAsLedger(path, folder.path());
        ConvertJetLedger(folder.path(), JetReadingInThisProcess());
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
        QUENTARIL_REQUIRE_JET_WRITER();
        JetLedgers jet;
        const QString fixture = jet.standardFixture(4);
        QUENTARIL_VERIFY_JET_LEDGER(jet, fixture);
        QTemporaryDir folder;
        PlaceAsLedger(fixture, folder.path());
        const QString earlier = QDir(folder.path()).filePath(KeptName);
        WriteFile(earlier, "an earlier original");
        const JetConversionResult result = ConvertJetLedger(folder.path(), JetReadingInThisProcess());
        QCOMPARE(result.keptOriginalPath, QDir(folder.path()).filePath(QStringLiteral("BDPLORN.jet-2.mdb")));
        QCOMPARE(FileBytes(earlier), QByteArray("an earlier original"));
        QCOMPARE(FileBytes(result.keptOriginalPath), FileBytes(fixture));
    }

    // A refused file leaves the folder exactly as it was: no kept copy, no half-written ledger.
    void refusals_data()
    {
        QUENTARIL_REQUIRE_JET_WRITER();
        QTest::addColumn<QByteArray>("ledger");
        QTest::addColumn<QString>("reason");
        JetLedgers jet;
        const QString wrongPassword = QStringLiteral("son mot de passe n'est pas celui du registre");
        const QString noTable = QStringLiteral("il ne contient pas la table tblPlorn");
        JetLedgerSpec ace = OneRow(4, QString());
        ace.ace = true;
        JetLedgerSpec noNotes = OneRow(4, LedgerPassword);
        noNotes.columns = QStringLiteral("NomPers:text,Notes:memo");
        noNotes.rows = QJsonArray{QJsonArray{QStringLiteral("a"), QStringLiteral("b")}};
        const QList<std::tuple<const char*, JetLedgerSpec, QString>> made{
            {"another password", OneRow(4, QStringLiteral("Autre")), wrongPassword},
            {"another password, Jet 3", OneRow(3, QStringLiteral("kqztrwx")), wrongPassword},
            {"Access 2007", ace, QStringLiteral(".accdb")},
            {"no tblPlorn", Table(3, QStringLiteral("Table1"), QStringLiteral("A:text,B:memo"), {{"a", "b"}}), noTable},
            {"no LesPlorns column", noNotes, noTable},
        };
        for (const auto& [name, spec, reason] : made) {
            const QString path = jet.generate(spec);
            QUENTARIL_VERIFY_JET_LEDGER(jet, path);
            QTest::newRow(name) << FileBytes(path) << reason;
        }

        const QString jet4Path = jet.standardFixture(4);
        QUENTARIL_VERIFY_JET_LEDGER(jet, jet4Path);
        const QByteArray jet4 = FileBytes(jet4Path);
        QTest::newRow("half the file") << jet4.first(jet4.size() / 2 / 4096 * 4096) << QStringLiteral("endommagé");
        QByteArray laterJet = jet4;
        laterJet[0x14] = 2;
        QTest::newRow("unknown version") << laterJet << QStringLiteral("ce n'est pas une base Access au format Jet");

        // Damage where the writer's map says things are, on alice's notes (a chain of long-value rows), the second
        // Dup's (one long-value row), Émile's (in their row), the table's data and usage map.
        const QString damaged = QStringLiteral("il est endommagé (");
        for (const int jetVersion : {4, 3}) {
            const QString path = jet.standardFixture(jetVersion);
            QUENTARIL_VERIFY_JET_LEDGER(jet, path);
            const WrittenJetLedger fixture(jet, path);
            const auto row = [&](const char* name, const QByteArray& ledger, const QString& reason) {
                QTest::addRow("Jet %d, %s", jetVersion, name) << ledger << reason;
            };
            const auto piece = [&](int number) {
                return fixture.longValueRow(2, Notes, number);
            };
            const auto pageOf = [](const QJsonObject& place) {
                return place[QStringLiteral("page")].toInteger();
            };
            const auto offsetOf = [](const QJsonObject& place) {
                return place[QStringLiteral("offset")].toInteger();
            };
            const QJsonObject table = fixture.layout[QStringLiteral("table")].toObject();

            // A misdirected write: the page holds its neighbour's rows, the chain goes through them again or skips.
            WrittenJetLedger overwrittenByPrevious = fixture;
            overwrittenByPrevious.copyPage(pageOf(piece(1)), pageOf(piece(2)));
            row("a Memo page written over by the one before it", overwrittenByPrevious.bytes, damaged);
            WrittenJetLedger overwrittenByNext = fixture;
            overwrittenByNext.copyPage(pageOf(piece(3)), pageOf(piece(2)));
            row("a Memo page written over by the one after it", overwrittenByNext.bytes, damaged);
            WrittenJetLedger zeroedMemoPage = fixture;
            zeroedMemoPage.zeroPage(pageOf(piece(1)));
            row("a Memo page zeroed", zeroedMemoPage.bytes, damaged);
            WrittenJetLedger zeroedDataPage = fixture;
            zeroedDataPage.zeroPage(table[QStringLiteral("data_pages")][0].toInteger());
            row("a data page zeroed", zeroedDataPage.bytes, damaged);
            // Without its catalog or its usage maps, the file is damaged, not a file without the table.
            const QJsonObject catalog = fixture.layout[QStringLiteral("catalog")].toObject();
            WrittenJetLedger zeroedCatalog = fixture;
            zeroedCatalog.zeroPage(catalog[QStringLiteral("data_pages")][0].toInteger());
            row("the catalog's page zeroed", zeroedCatalog.bytes, damaged);
            WrittenJetLedger zeroedMaps = fixture;
            zeroedMaps.zeroPage(catalog[QStringLiteral("usage_map")][QStringLiteral("page")].toInteger());
            row("the usage maps' page zeroed", zeroedMaps.bytes, damaged);
            // The library walks a usage map of no bytes through a null pointer.
            WrittenJetLedger emptyMap = fixture;
            const qsizetype mapEntry = table[QStringLiteral("usage_map")][QStringLiteral("entry")].toInteger();
            emptyMap.setUInt16(mapEntry, emptyMap.uint16At(mapEntry - 2));
            row("the table's usage map emptied", emptyMap.bytes, damaged);
            WrittenJetLedger loop = fixture;
            loop.setUInt32(offsetOf(piece(3)), WrittenJetLedger::placeOf(piece(1)));
            row("a Memo chain that loops", loop.bytes, damaged);

            // Lengths that lie, by two bytes (a whole character in both versions) or past the end of the file.
            const auto withLength = [&](int person, const std::function<quint32(quint32)>& change) {
                WrittenJetLedger changed = fixture;
                const qsizetype at = offsetOf(changed.field(person, Notes));
                changed.setUInt32(at, change(changed.uint32At(at)));
                return changed.bytes;
            };
            row("a Memo chain longer than it says", withLength(2, [](quint32 head) { return head - 2; }), damaged);
            row("a Memo chain shorter than it says", withLength(2, [](quint32 head) { return head + 2; }), damaged);
            row("a Memo chain said longer than the file", withLength(2, [](quint32 head) { return head | 0x3FFFFFFF; }),
                damaged);
            row("a long-value row longer than it says", withLength(6, [](quint32 head) { return head - 2; }), damaged);
            row("a long-value row shorter than it says", withLength(6, [](quint32 head) { return head + 2; }), damaged);
            row("a Memo in its row longer than it says", withLength(1, [](quint32 head) { return head - 2; }), damaged);

            const qsizetype pageSize = fixture.pageSize();
            row("cut inside a page", fixture.bytes.first(fixture.bytes.size() - 1000),
                QStringLiteral("il est tronqué"));
            // The writer puts the data pages last: the usage map names pages the file no longer has.
            const qsizetype firstDataPage = table[QStringLiteral("data_pages")][0].toInteger();
            row("data pages cut off", fixture.bytes.first(firstDataPage * pageSize), QStringLiteral("hors du fichier"));
        }
    }

    void refusals()
    {
        QFETCH(QByteArray, ledger);
        QFETCH(QString, reason);
        QTemporaryDir folder;
        WriteFile(LedgerPathIn(folder.path()), ledger);
        const auto before = FolderSnapshot(folder.path());
        try {
            ConvertJetLedger(folder.path(), JetReadingInThisProcess());
            QFAIL("converted");
        } catch (const LedgerError& error) {
            const QString told = DescribeFailure(error);
            QVERIFY2(told.contains(reason), qPrintable(told));
            QVERIFY2(told.contains(QStringLiteral("n'a pas été modifié")), qPrintable(told));
        }
        QCOMPARE(FolderSnapshot(folder.path()), before);
    }

    void aFullDisk()
    {
        QUENTARIL_REQUIRE_JET_WRITER();
        JetLedgers jet;
        const QString fixture = jet.standardFixture(4);
        QUENTARIL_VERIFY_JET_LEDGER(jet, fixture);
        QTemporaryDir folder;
        PlaceAsLedger(fixture, folder.path());
        const auto before = FolderSnapshot(folder.path());
        {
            FaultVfs faults;
            faults.failWrites(SQLITE_FULL);
            try {
                ConvertJetLedger(folder.path(), JetReadingInThisProcess());
                QFAIL("converted");
            } catch (const LedgerError& error) {
                QCOMPARE(error.engineCode(), SQLITE_FULL);
                QVERIFY2(error.message().contains(QStringLiteral("database or disk is full")),
                         qPrintable(error.message()));
            }
        }
        QCOMPARE(FolderSnapshot(folder.path()), before);
        // Once there is room again, it goes through.
        QCOMPARE(ConvertJetLedger(folder.path(), JetReadingInThisProcess()).personCount, 7);
    }
};

QTEST_GUILESS_MAIN(TestJet)
#include "tst_jet.moc"
