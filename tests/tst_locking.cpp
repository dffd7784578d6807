#include "ledger/Ledger.h"
#include "ledger/LedgerError.h"
#include "support/LedgerTestAccess.h"
#include "support/TempLedger.h"

#include <QProcess>
#include <QSemaphore>
#include <QTest>
#include <atomic>
#include <thread>

namespace {

const QString Anne = QStringLiteral("Anne");
const QString Theirs = QStringLiteral("écrit par l'autre programme");
const QString Ours = QStringLiteral("écrit par Quentaril");

// Another connection, on a thread of its own, that takes the write lock with `begin`, writes without
// committing, and holds the lock for `holdMs` or until released (-1); then it commits.
class WriteLockHolder {
public:
    WriteLockHolder(const QString& path, const char* begin, int holdMs)
        : thread_([this, path, begin, holdMs] { hold(path, begin, holdMs); })
    {
    }
    ~WriteLockHolder()
    {
        release();
        thread_.join();
    }
    WriteLockHolder(const WriteLockHolder&) = delete;
    WriteLockHolder& operator=(const WriteLockHolder&) = delete;

    // Blocks until the lock is held; false when the other connection failed.
    bool waitUntilHeld()
    {
        held_.acquire();
        return failure_.isEmpty();
    }
    void release() { released_.release(); }
    bool letGo() const { return letGo_; }
    QString failure() const { return failure_; }

private:
    void hold(const QString& path, const char* begin, int holdMs)
    {
        try {
            OtherConnection ledger(path);
            Execute(ledger.get(), begin);
            ledger.SaveNotes(Anne, Theirs);
            ledger.AddPerson(QStringLiteral("Bob"), Theirs);
            held_.release();
            if (holdMs < 0)
                released_.acquire();
            else
                released_.tryAcquire(1, holdMs);
            // Set before the commit: a save that returns before this was never held up.
            letGo_ = true;
            Execute(ledger.get(), "COMMIT");
        } catch (const LedgerError& error) {
            failure_ = error.message();
            held_.release();
        }
    }

    QSemaphore held_;
    QSemaphore released_;
    std::atomic<bool> letGo_ = false;
    QString failure_;
    std::thread thread_;
};

} // namespace

class TestLocking : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aShortWriteElsewhereHoldsTheSaveUp_data()
    {
        QTest::addColumn<QByteArray>("begin");
        QTest::addColumn<int>("busyTimeoutMs");
        QTest::addColumn<int>("holdMs");
        QTest::newRow("immediate, 0.3 s wait") << QByteArray("BEGIN IMMEDIATE") << 300 << 100;
        QTest::newRow("exclusive, 0.3 s wait") << QByteArray("BEGIN EXCLUSIVE") << 300 << 100;
        QTest::newRow("immediate, default wait")
            << QByteArray("BEGIN IMMEDIATE") << Ledger::DefaultBusyTimeoutMs << 1000;
    }
    // The save waits for the other program's write to end, then goes through after it.
    void aShortWriteElsewhereHoldsTheSaveUp()
    {
        QFETCH(QByteArray, begin);
        QFETCH(int, busyTimeoutMs);
        QFETCH(int, holdMs);
        TempLedger file;
        Ledger ledger = OpenLedgerFile(file.path(), LedgerPassword, busyTimeoutMs);
        ledger.AddPerson(Anne, QStringLiteral("avant"));
        {
            WriteLockHolder other(file.path(), begin.constData(), holdMs);
            QVERIFY2(other.waitUntilHeld(), qPrintable(other.failure()));
            ledger.SaveNotes(Anne, Ours);
            QVERIFY(other.letGo());
        }
        QCOMPARE(ledger.ReadNotes(Anne), std::optional<QString>(Ours));
        QCOMPARE(ledger.ReadNotes(QStringLiteral("Bob")), std::optional<QString>(Theirs));
    }

    // Held past the wait, the save fails with the engine's message and changes nothing; once the lock is
    // gone, saving works again.
    void aLongWriteElsewhereMakesTheSaveFail()
    {
        TempLedger file;
        Ledger ledger = OpenLedgerFile(file.path(), LedgerPassword, 300);
        ledger.AddPerson(Anne, QStringLiteral("avant"));
        {
            WriteLockHolder other(file.path(), "BEGIN IMMEDIATE", -1);
            QVERIFY2(other.waitUntilHeld(), qPrintable(other.failure()));
            try {
                ledger.SaveNotes(Anne, Ours);
                QFAIL("the save went through a write lock");
            } catch (const LedgerError& error) {
                QCOMPARE(error.engineCode(), SQLITE_BUSY);
                QCOMPARE(error.message(), QStringLiteral("database is locked"));
            }
            QVERIFY(!other.letGo());
        }
        QCOMPARE(ledger.ReadNotes(Anne), std::optional<QString>(Theirs));
        ledger.SaveNotes(Anne, Ours);
        QCOMPARE(file.open().ReadNotes(Anne), std::optional<QString>(Ours));
    }

    // A reader (a synchronisation tool) holding the file past the wait makes the save fail; the failure leaves no
    // transaction open, so the next save, add and delete reach the file, and no lock keeps others out.
    void aReaderHeldAcrossASaveLeavesNoTransactionOpen()
    {
        TempLedger file;
        Ledger ledger = OpenLedgerFile(file.path(), LedgerPassword, 300);
        ledger.AddPerson(Anne, QStringLiteral("avant"));
        ledger.AddPerson(QStringLiteral("Bob"), QStringLiteral("à supprimer"));
        {
            OtherConnection reader(file.path());
            Execute(reader.get(), "BEGIN");
            QVERIFY(reader.ReadNotes(Anne));
            QVERIFY_THROWS_EXCEPTION(LedgerError, ledger.SaveNotes(Anne, Theirs));
            QVERIFY(WriteLockIsFree(file.path()));
            // A third program can still read while the reader holds on.
            QCOMPARE(file.open().ReadNotes(Anne), std::optional<QString>(QStringLiteral("avant")));
            Execute(reader.get(), "COMMIT");
        }
        ledger.SaveNotes(Anne, Ours);
        ledger.AddPerson(QStringLiteral("Chloé"), Ours);
        ledger.DeletePerson(QStringLiteral("Bob"));
        QVERIFY(WriteLockIsFree(file.path()));
        Ledger elsewhere = file.open();
        QCOMPARE(NamesOf(elsewhere.ListPersons()), QStringList({Anne, QStringLiteral("Chloé"), ReservedPersonName}));
        QCOMPARE(elsewhere.ReadNotes(Anne), std::optional<QString>(Ours));
    }

    // The same across processes, where the engine relies on the system's file locks: another program
    // (the engine's own shell) holds the write lock until told to commit.
    void anotherProcessHoldingTheLock()
    {
        TempLedger file;
        Ledger ledger = OpenLedgerFile(file.path(), LedgerPassword, 300);
        ledger.AddPerson(Anne, QStringLiteral("avant"));

        QProcess shell;
        shell.start(QStringLiteral("sqlcipher"), {QStringLiteral("-batch"), file.path()});
        QVERIFY2(shell.waitForStarted(), "the sqlcipher command-line tool is missing");
        shell.write("PRAGMA key = '" + LedgerPassword.toUtf8() +
                    "';\n.timeout 5000\nBEGIN IMMEDIATE;\n"
                    "UPDATE tblPlorn SET LesPlorns = 'shell' WHERE NomPers = 'Anne';\nSELECT 'held';\n");
        while (!shell.readAllStandardOutput().contains("held"))
            QVERIFY2(shell.waitForReadyRead(10000), shell.readAllStandardError());

        QVERIFY_THROWS_EXCEPTION(LedgerError, ledger.SaveNotes(Anne, Ours));
        QCOMPARE(ledger.ReadNotes(Anne), std::optional<QString>(QStringLiteral("avant")));

        shell.write("COMMIT;\n.quit\n");
        QVERIFY(shell.waitForFinished(10000));
        QCOMPARE(shell.exitCode(), 0);
        QCOMPARE(ledger.ReadNotes(Anne), std::optional<QString>(QStringLiteral("shell")));
        ledger.SaveNotes(Anne, Ours);
        QCOMPARE(ledger.ReadNotes(Anne), std::optional<QString>(Ours));
    }
};

QTEST_GUILESS_MAIN(TestLocking)
#include "tst_locking.moc"
