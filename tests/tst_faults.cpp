#include "ledger/Ledger.h"
#include "ledger/LedgerError.h"
#include "support/FaultVfs.h"
#include "support/LedgerTestAccess.h"
#include "support/TempLedger.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTest>
#include <functional>

namespace {

using Contents = LedgerContents;
using Operation = FaultVfs::Operation;

const QString SavedNotes = PagesOfNotes(QStringLiteral("neuf"), 12000);
const QString AddedNotes = PagesOfNotes(QStringLiteral("Denise"), 9000);

struct LedgerOperation {
    const char* label;
    std::function<void(Ledger&)> run;
    std::function<void(Contents&)> expect; // what it does to the contents when it goes through
};

const QList<LedgerOperation> Operations = {
    {"save", [](Ledger& ledger) { ledger.SaveNotes(QStringLiteral("Anne"), SavedNotes); },
     [](Contents& contents) {
         contents[QStringLiteral("Anne")] = SavedNotes;
     }},
    {"add", [](Ledger& ledger) { ledger.AddPerson(QStringLiteral("Denise"), AddedNotes); },
     [](Contents& contents) {
         contents[QStringLiteral("Denise")] = AddedNotes;
     }},
    {"delete", [](Ledger& ledger) { ledger.DeletePerson(QStringLiteral("Bob")); },
     [](Contents& contents) {
         contents.remove(QStringLiteral("Bob"));
     }},
};

struct Fault {
    const char* label;
    Operation operation;
    int resultCode;
    bool fromThenOn;    // the disk gives out rather than failing once
    LedgerFailure told; // what the user is told of it
};

const QList<Fault> Faults = {
    {"write", Operation::Write, SQLITE_IOERR_WRITE, false, LedgerFailure::InputOutput},
    {"sync", Operation::Sync, SQLITE_IOERR_FSYNC, false, LedgerFailure::InputOutput},
    {"open", Operation::Open, SQLITE_CANTOPEN, false, LedgerFailure::CannotOpen},
    {"every write from", Operation::Write, SQLITE_FULL, true, LedgerFailure::DiskFull},
    {"every sync from", Operation::Sync, SQLITE_IOERR_FSYNC, true, LedgerFailure::InputOutput},
};

} // namespace

class TestFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        Ledger ledger = file_.open();
        ledger.AddPerson(QStringLiteral("Anne"), PagesOfNotes(QStringLiteral("Anne"), 10000));
        ledger.AddPerson(QStringLiteral("Bob"), PagesOfNotes(QStringLiteral("Bob"), 7000));
        ledger.AddPerson(QStringLiteral("Chloé"), QStringLiteral("doit 5 €"));
        before_ = ReadAll(ledger);
        ledger.Close();
        pristine_ = FileBytes(file_.path());
    }

    void cleanupTestCase()
    {
        qInfo("%d faults injected, %d survived (the ledger whole and as before), %d left a journal that the next "
              "open rolled back",
              injected_, survived_, journalsLeft_);
    }

    void init() { QVERIFY(RestorePristine()); }

    void aFailedOperationLeavesTheLedgerAsBefore_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<int>("fault");
        for (int o = 0; o < Operations.size(); ++o)
            for (int f = 0; f < Faults.size(); ++f)
                QTest::addRow("%s, %s", Operations.at(o).label, Faults.at(f).label) << o << f;
    }
    // Whichever write, sync or file opening fails, the operation reports the engine's message, the file and the
    // kind of failure the user is told, and the ledger opened afterwards is whole and holds what it held before.
    void aFailedOperationLeavesTheLedgerAsBefore()
    {
        QFETCH(int, operation);
        QFETCH(int, fault);
        const LedgerOperation& run = Operations.at(operation);
        const Fault& failure = Faults.at(fault);
        FaultVfs vfs;
        Ledger ledger = file_.open();
        for (int n = 1;; ++n) {
            if (failure.fromThenOn)
                vfs.failFrom(failure.operation, n, failure.resultCode);
            else
                vfs.failNth(failure.operation, n, failure.resultCode);
            std::optional<LedgerError> error;
            try {
                run.run(ledger);
            } catch (const LedgerError& thrown) {
                error = thrown;
            }
            // No transaction is left open to swallow the next change.
            QVERIFY(WriteLockIsFree(file_.path()));
            // Closed as the program closes it on its way out, with the disk still failing.
            ledger.Close();
            vfs.disarm();

            if (!vfs.fired()) {
                QVERIFY2(!error, qPrintable(error ? error->message() : QString()));
                QVERIFY2(n > 1, "the operation never reached the file layer");
                Contents expected = before_;
                run.expect(expected);
                Ledger done = file_.open();
                QVERIFY(ReadAll(done) == expected);
                qInfo("calls 1 to %d failed in turn", n - 1);
                break;
            }

            ++injected_;
            const QByteArray where = QByteArrayLiteral("fault at call ") + QByteArray::number(n);
            QVERIFY2(error, where + " went unreported");
            QCOMPARE(error->engineCode(), failure.resultCode & 0xff);
            QCOMPARE(error->message(), QString::fromUtf8(sqlite3_errstr(error->engineCode())));
            QVERIFY2(error->kind() == failure.told, where);
            QCOMPARE(error->path(), QFileInfo(file_.path()).absoluteFilePath());
            journalsLeft_ += QFileInfo(file_.path() + QStringLiteral("-journal")).size() > 0;

            // A fresh connection, which rolls back a journal left behind; the next call fails on it.
            ledger = file_.open();
            QVERIFY2(IntegrityProblems(file_.path()).isEmpty(), where);
            QVERIFY2(ReadAll(ledger) == before_, where);
            ++survived_;
        }
    }

private:
    // Each case starts from the same bytes, whatever the one before left.
    bool RestorePristine()
    {
        QFile::remove(file_.path() + QStringLiteral("-journal"));
        QFile ledger(file_.path());
        return ledger.open(QIODevice::WriteOnly | QIODevice::Truncate) && ledger.write(pristine_) == pristine_.size();
    }

    TempLedger file_;
    Contents before_;
    QByteArray pristine_;
    int injected_ = 0;
    int survived_ = 0;
    int journalsLeft_ = 0;
};

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
