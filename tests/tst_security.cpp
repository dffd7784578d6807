#include "ledger/Ledger.h"
#include "ledger/LedgerError.h"
#include "ledger/NewLedger.h"
#include "support/FaultVfs.h"
#include "support/LedgerTestAccess.h"
#include "support/TempLedger.h"

#include <QFile>
#include <QTest>
#include <sys/stat.h>

namespace {

const QString Marker = QStringLiteral("PLAINTEXT-MARKER-Zoé");

// The marker as UTF-8 and as UTF-16 of either byte order: a hit in any is a leak.
QList<QByteArray> MarkerEncodings()
{
    QByteArray little(reinterpret_cast<const char*>(Marker.utf16()), Marker.size() * 2);
    QByteArray big = little;
    for (qsizetype i = 0; i + 1 < big.size(); i += 2)
        std::swap(big[i], big[i + 1]);
    return {Marker.toUtf8(), little, big};
}

bool Leaks(const QByteArray& bytes)
{
    for (const QByteArray& encoding : MarkerEncodings())
        if (bytes.contains(encoding))
            return true;
    return false;
}

QString MarkedNotes(int copies)
{
    QString notes;
    for (int i = 0; i < copies; ++i)
        notes += QStringLiteral("%1 n°%2 : 20\u00A0€\r\n").arg(Marker).arg(i);
    return notes;
}

} // namespace

class TestSecurity : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Names and notes reach the disk only encrypted: in the ledger, in its journal, in any file the engine
    // writes, from the making of the ledger to the last deletion.
    void nothingReachesTheDiskInClear()
    {
        QTemporaryDir folder;
        const QString path = LedgerPathIn(folder.path());
        FaultVfs vfs;
        vfs.recordWrites(true);
        CreateNewLedger(path);
        {
            Ledger ledger = OpenLedgerFile(path);
            ledger.AddPerson(Marker, MarkedNotes(3));
            ledger.AddPerson(Marker + QStringLiteral(" bis"), QStringLiteral("à effacer"));
            // Over many pages, so the old notes go to the journal and the new ones to fresh pages.
            ledger.SaveNotes(Marker, MarkedNotes(400));
            ledger.SaveNotes(ReservedPersonName, MarkedNotes(2));
            ledger.DeletePerson(Marker + QStringLiteral(" bis"));
            QCOMPARE(ledger.ReadNotes(Marker), std::optional<QString>(MarkedNotes(400)));
            ledger.Close();
        }
        vfs.recordWrites(false);

        QVERIFY(!Leaks(FileBytes(path)));
        QVERIFY(!FileBytes(path).contains("Bienvenue"));
        QVERIFY(vfs.writtenBytes().size() > 3 * MarkedNotes(400).toUtf8().size());
        QVERIFY(!Leaks(vfs.writtenBytes()));
        QVERIFY(!vfs.writtenBytes().contains("Bienvenue"));
        QStringList written = vfs.writtenFiles();
        QVERIFY2(written.contains(path + QStringLiteral("-journal")), qPrintable(written.join(QLatin1Char(' '))));
        // The new ledger is made under a temporary name beside its final place.
        written.removeIf(
            [&](const QString& file) { return file.startsWith(folder.path() + QStringLiteral("/.BDPLORN")); });
        written.removeAll(path);
        written.removeAll(path + QStringLiteral("-journal"));
        QVERIFY2(written.isEmpty(), qPrintable(written.join(QLatin1Char(' '))));
    }

    // Sorting the names of a large ledger without an index would spill to temporary files; the engine
    // keeps that work in memory, so no name reaches the disk in clear through them either.
    void sortingALargeLedgerWritesNoTemporaryFile()
    {
        TempLedger file;
        QFile::remove(file.path());
        RunSqlcipherCli(file.path(), LedgerPassword,
                        QStringLiteral("CREATE TABLE tblPlorn (NomPers TEXT, LesPlorns TEXT);"));
        const QString padding(2000, QLatin1Char('x'));
        {
            OtherConnection ledger(file.path());
            Execute(ledger.get(), "BEGIN");
            for (int i = 0; i < 3000; ++i)
                ledger.AddPerson(QStringLiteral("%1 %2 %3").arg(Marker).arg(3000 - i).arg(padding), QString());
            Execute(ledger.get(), "COMMIT");
        }
        FaultVfs vfs;
        Ledger ledger = file.open();
        vfs.resetCounts();
        vfs.recordWrites(true);
        QCOMPARE(NamesOf(ledger.ListPersons()).size(), 3000);
        QCOMPARE(vfs.count(FaultVfs::Operation::Open), 0);
        QCOMPARE(vfs.writtenBytes().size(), 0);
        ledger.Close();
    }

    // A new ledger is its owner's alone whatever the umask, and the program's writes keep it so; the
    // journal, which holds pages of the ledger, is made the same.
    void theLedgerStaysPrivate()
    {
        Umask everyoneMayRead(0);
        QTemporaryDir folder;
        const QString path = LedgerPathIn(folder.path());
        CreateNewLedger(path);
        QCOMPARE(FileMode(path), mode_t(0600));

        Ledger ledger = OpenLedgerFile(path);
        OtherConnection other(path);
        Execute(other.get(), "BEGIN");
        other.AddPerson(QStringLiteral("Anne"), MarkedNotes(100));
        other.SaveNotes(ReservedPersonName, MarkedNotes(100));
        QCOMPARE(FileMode(path + QStringLiteral("-journal")), mode_t(0600));
        Execute(other.get(), "COMMIT");
        ledger.SaveNotes(QStringLiteral("Anne"), QStringLiteral("rien"));
        ledger.DeletePerson(QStringLiteral("Anne"));
        ledger.Close();
        QCOMPARE(FileMode(path), mode_t(0600));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{LedgerFileName});
    }

    void refusedFilesAreNeverWritten_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("keyOfAnotherProgram");
        QTest::addColumn<int>("opensExpected");
        // Refused from their first bytes: the engine never opens them.
        QTest::newRow("empty") << QByteArray() << QString() << 0;
        QTest::newRow("unencrypted") << QByteArray("SQLite format 3\0", 16).leftJustified(4096, '\0') << QString() << 0;
        QTest::newRow("Jet") << QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20).leftJustified(4096, '\0')
                             << QString() << 0;
        // Only a read of the first page tells these from a ledger: the engine opens the file itself and
        // nothing else (no journal), and writes nothing.
        QTest::newRow("noise") << QByteArray(8192, '\x5A') << QString() << 1;
        QTest::newRow("another program's database") << QByteArray() << QStringLiteral("autre clé") << 1;
    }
    void refusedFilesAreNeverWritten()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, keyOfAnotherProgram);
        QFETCH(int, opensExpected);
        QTemporaryDir folder;
        const QString path = LedgerPathIn(folder.path());
        if (keyOfAnotherProgram.isEmpty())
            WriteFile(path, bytes);
        else
            RunSqlcipherCli(path, keyOfAnotherProgram,
                            QStringLiteral("CREATE TABLE tblPlorn (NomPers TEXT, LesPlorns TEXT);"
                                           "INSERT INTO tblPlorn VALUES ('Anne', 'à lui');"));

        FaultVfs vfs;
        QVERIFY_THROWS_EXCEPTION(LedgerError, OpenLedgerFile(path));
        QCOMPARE(vfs.count(FaultVfs::Operation::Open), opensExpected);
        QCOMPARE(vfs.count(FaultVfs::Operation::Write), 0);
        QCOMPARE(vfs.count(FaultVfs::Operation::Sync), 0);
    }
};

QTEST_GUILESS_MAIN(TestSecurity)
#include "tst_security.moc"
