#include "ledger/Ledger.h"
#include "ledger/LedgerError.h"
#include "support/FaultVfs.h"
#include "support/LedgerTestAccess.h"
#include "support/TempLedger.h"
#include "ui/words/FailureWords.h"
#include "ui/words/Reasons.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <functional>
#include <sys/stat.h>

namespace {

// Opening `path` fails, told with `expected` in what the user reads, and leaves the folder exactly as it was.
void ExpectRefusal(const QString& path, const QString& expected, const QString& password = LedgerPassword,
                   int busyTimeoutMs = Ledger::DefaultBusyTimeoutMs)
{
    const QDir folder = QFileInfo(path).absoluteDir();
    const QStringList filesBefore = folder.entryList(QDir::Files | QDir::Hidden);
    const QByteArray bytesBefore = FileBytes(path);
    try {
        OpenLedgerFile(path, password, busyTimeoutMs);
        QFAIL("the ledger opened");
    } catch (const LedgerError& error) {
        const QString told = DescribeFailure(error);
        QVERIFY2(told.contains(expected), qPrintable(told));
        // Only a refusal made before any file was looked at leaves the file unnamed.
        QVERIFY2(error.kind() == LedgerFailure::EmptyPassword || told.contains(ShownPath(path)), qPrintable(told));
    }
    QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden), filesBefore);
    QCOMPARE(FileBytes(path), bytesBefore);
}

// One way for the ledger to fail as a user may meet it, at start-up or while the window works on it.
struct FailureSituation {
    const char* label;
    std::function<void(const TempLedger&)> meet; // throws the LedgerError
    LedgerFailure kind;
    QString engineMessage;
    QString advice; // a word of what the user is told to do
};

void DamagePage(const QString& path, int page)
{
    QByteArray bytes = FileBytes(path);
    // Past the salt, inside the page: its authentication code no longer matches.
    const int start = (page - 1) * 1024 + 200;
    for (int i = start; i < start + 60; ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    WriteFile(path, bytes);
}

const QList<FailureSituation> Situations = {
    {"ledger missing",
     [](const TempLedger& file) {
         QFile::remove(file.path());
         file.open();
     },
     LedgerFailure::Missing, "unable to open database file", "quentaril-newledger"},
    {"another key", [](const TempLedger& file) { OpenLedgerFile(file.path(), QStringLiteral("kqztrwx")); },
     LedgerFailure::NotALedger, "file is encrypted or is not a database", "mot de passe"},
    {"not a ledger",
     [](const TempLedger& file) {
         WriteFile(file.path(), QByteArray("Jean doit 20 euros\n").repeated(200));
         file.open();
     },
     LedgerFailure::NotALedger, "file is encrypted or is not a database", "sauvegarde"},
    {"damaged page read while browsing",
     [](const TempLedger& file) {
         DamagePage(file.path(), 3);
         file.open().ListPersons();
     },
     LedgerFailure::Damaged, "database disk image is malformed", "sauvegarde"},
    {"held by another program",
     [](const TempLedger& file) {
         OtherConnection other(file.path());
         Execute(other.get(), "BEGIN EXCLUSIVE");
         Execute(other.get(), "UPDATE tblPlorn SET LesPlorns = 'en cours'");
         OpenLedgerFile(file.path(), LedgerPassword, 200);
     },
     LedgerFailure::Busy, "database is locked", "Fermez cet autre programme"},
    {"disk full at start-up",
     [](const TempLedger& file) {
         FaultVfs faults;
         faults.failWrites(SQLITE_FULL);
         file.open();
     },
     LedgerFailure::DiskFull, "database or disk is full", "place"},
    {"disk full while saving",
     [](const TempLedger& file) {
         FaultVfs faults;
         Ledger ledger = file.open();
         faults.failWrites(SQLITE_FULL);
         ledger.SaveNotes(ReservedPersonName, PagesOfNotes(QStringLiteral("plein"), 20000));
     },
     LedgerFailure::DiskFull, "database or disk is full", "place"},
    {"input/output error",
     [](const TempLedger& file) {
         FaultVfs faults;
         faults.failNth(FaultVfs::Operation::Read, 1, SQLITE_IOERR_READ);
         file.open();
     },
     LedgerFailure::InputOutput, "disk I/O error", "disque"},
    {"out of memory",
     [](const TempLedger& file) {
         FaultVfs faults;
         faults.failNth(FaultVfs::Operation::Read, 1, SQLITE_IOERR_NOMEM);
         file.open();
     },
     LedgerFailure::OutOfMemory, "out of memory", "Fermez d'autres programmes"},
    {"read-only file",
     [](const TempLedger& file) {
         FaultVfs faults;
         faults.openReadOnly(file.path());
         file.open();
     },
     LedgerFailure::ReadOnly, "attempt to write a readonly database", "droit d'écrire"},
    {"read-only folder",
     [](const TempLedger& file) {
         FaultVfs faults;
         faults.refuseJournals(true);
         file.open();
     },
     LedgerFailure::ReadOnly, "unable to open database file", "droit d'écrire"},
    {"replaced while open",
     [](const TempLedger& file) {
         Ledger ledger = file.open();
         const TempLedger other;
         QVERIFY(::rename(QFile::encodeName(other.path()).constData(), QFile::encodeName(file.path()).constData()) ==
                 0);
         ledger.SaveNotes(ReservedPersonName, QStringLiteral("perdu ?"));
     },
     LedgerFailure::Replaced, "attempt to write a readonly database", "relancez"},
};

} // namespace

class TestLedgerOpen : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The reason at the end of a failure is French from the program's own table, whatever the desktop's language;
    // the engine's or the system's own words only for a code the table lacks.
    void reasonsAreFrench_data()
    {
        QTest::addColumn<bool>("system");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("listed");
        for (const int code : {SQLITE_ERROR,     SQLITE_INTERNAL, SQLITE_PERM,        SQLITE_ABORT,
                               SQLITE_BUSY,      SQLITE_LOCKED,   SQLITE_NOMEM,       SQLITE_READONLY,
                               SQLITE_INTERRUPT, SQLITE_IOERR,    SQLITE_CORRUPT,     SQLITE_NOTFOUND,
                               SQLITE_FULL,      SQLITE_CANTOPEN, SQLITE_PROTOCOL,    SQLITE_EMPTY,
                               SQLITE_SCHEMA,    SQLITE_TOOBIG,   SQLITE_CONSTRAINT,  SQLITE_MISMATCH,
                               SQLITE_MISUSE,    SQLITE_NOLFS,    SQLITE_AUTH,        SQLITE_FORMAT,
                               SQLITE_RANGE,     SQLITE_NOTADB,   SQLITE_IOERR_FSYNC, SQLITE_READONLY_DBMOVED})
            QTest::addRow("engine %d", code) << false << code << true;
        QTest::addRow("engine notice") << false << SQLITE_NOTICE << false;
        for (const int error : {ENOENT, EACCES, EPERM, EROFS, ENOSPC, EDQUOT, EIO, EISDIR, ENOTDIR, ELOOP, ENAMETOOLONG,
                                EBUSY, EEXIST, EMFILE})
            QTest::addRow("errno %d", error) << true << error << true;
        QTest::addRow("errno EXDEV") << true << EXDEV << false;
    }
    void reasonsAreFrench()
    {
        QFETCH(bool, system);
        QFETCH(int, code);
        QFETCH(bool, listed);
        const QString own =
            system ? QString::fromLocal8Bit(std::strerror(code)) : QString::fromUtf8(sqlite3_errstr(code));
        const LedgerError failure =
            system ? LedgerError::System(LedgerStep::KeepingDamaged, QStringLiteral("/r/BDPLORN.mdb"), code)
                   : LedgerError(LedgerFailure::Other, QStringLiteral("/r/BDPLORN.mdb"), own, code);
        const QString reason = ReasonOf(failure);
        QVERIFY(!reason.isEmpty());
        QCOMPARE(reason == own, !listed);
        QVERIFY2(DescribeFailure(failure).contains(QStringLiteral("(%1)").arg(reason)), qPrintable(reason));
    }

    void theLedgerBesideTheProgram()
    {
        TempLedger file;
        QCOMPARE(file.path(), file.folder() + QStringLiteral("/BDPLORN.mdb"));
        QCOMPARE(NamesOf(OpenLedger(file.folder()).ListPersons()), QStringList{ReservedPersonName});
    }

    // Each failure a user can meet is told in French: the file with its full path, what to do, and the engine's
    // reason in parentheses at the end, in French too.
    void failuresAreToldInFrench_data()
    {
        QTest::addColumn<int>("situation");
        for (int i = 0; i < Situations.size(); ++i)
            QTest::newRow(Situations.at(i).label) << i;
    }
    void failuresAreToldInFrench()
    {
        QFETCH(int, situation);
        const FailureSituation& met = Situations.at(situation);
        const TempLedger file;
        try {
            met.meet(file);
            QFAIL("nothing failed");
        } catch (const LedgerError& error) {
            const QString told = DescribeFailure(error);
            QVERIFY2(error.kind() == met.kind, qPrintable(told));
            QCOMPARE(error.message(), met.engineMessage);
            QVERIFY2(told.contains(ShownPath(file.path())), qPrintable(told));
            QVERIFY2(told.endsWith(QStringLiteral("(%1)").arg(EngineReason(error.extendedCode(), {}))) &&
                         !told.contains(met.engineMessage),
                     qPrintable(told));
            QVERIFY2(told.contains(met.advice), qPrintable(told));
        }
    }

    void aMissingLedgerIsNotCreated()
    {
        QTemporaryDir folder;
        const QString path = LedgerPathIn(folder.path());
        ExpectRefusal(path, QStringLiteral("(impossible d'ouvrir le fichier de la base de données)"));
        QVERIFY(!QFile::exists(path));
    }

    void keys()
    {
        TempLedger file;
        ExpectRefusal(file.path(), QStringLiteral("(le fichier est chiffré ou n'est pas une base de données)"),
                      QStringLiteral("kqztrwx"));
        ExpectRefusal(file.path(), QStringLiteral("mot de passe"), QString());
    }

    void filesThatAreNotLedgers_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero bytes") << QByteArray() << QStringLiteral("est vide");
        QTest::newRow("text") << QByteArray("Jean doit 20 euros\n").repeated(200)
                              << QStringLiteral("(le fichier est chiffré ou n'est pas une base de données)");
        // Shorter than a page, the engine takes it for an empty database.
        QTest::newRow("one byte") << QByteArray("x") << QStringLiteral("tblPlorn");
        QTest::newRow("Jet header") << QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20).leftJustified(4096, '\0')
                                    << QStringLiteral("Access");
    }
    void filesThatAreNotLedgers()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QTemporaryDir folder;
        const QString path = LedgerPathIn(folder.path());
        WriteFile(path, bytes);
        ExpectRefusal(path, expected);
    }

    // Opening a named pipe would wait for a writer: only a regular file is a ledger, refused at once.
    void onlyARegularFileIsALedger_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("folder") << QStringLiteral("folder");
        QTest::newRow("named pipe") << QStringLiteral("fifo");
        QTest::newRow("socket") << QStringLiteral("socket");
        QTest::newRow("device") << QStringLiteral("device");
    }
    void onlyARegularFileIsALedger()
    {
        QFETCH(QString, kind);
        QTemporaryDir folder;
        const QString path = LedgerPathIn(folder.path());
        const QByteArray bytes = QFile::encodeName(path);
        if (kind == QStringLiteral("folder"))
            QVERIFY(QDir().mkdir(path));
        else if (kind == QStringLiteral("fifo"))
            QCOMPARE(::mkfifo(bytes.constData(), 0600), 0);
        else if (kind == QStringLiteral("device"))
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        QLocalServer socket;
        if (kind == QStringLiteral("socket")) {
            socket.setSocketOptions(QLocalServer::UserAccessOption);
            QVERIFY(socket.listen(path));
        }
        try {
            OpenLedgerFile(path);
            QFAIL("the ledger opened");
        } catch (const LedgerError& error) {
            const QString told = DescribeFailure(error);
            QVERIFY2(told.contains(QStringLiteral("n'est pas un fichier ordinaire")) && told.contains(ShownPath(path)),
                     qPrintable(told));
        }
        QCOMPARE(SniffLedgerFile(path), LedgerFileKind::NotRegular);
    }

    void aSymbolicLinkToALedgerOpens()
    {
        TempLedger file;
        QTemporaryDir elsewhere;
        const QString link = LedgerPathIn(elsewhere.path());
        QVERIFY(QFile::link(file.path(), link));
        QCOMPARE(NamesOf(OpenLedgerFile(link).ListPersons()), QStringList{ReservedPersonName});
    }

    void anUnencryptedDatabase()
    {
        QTemporaryDir folder;
        const QString path = LedgerPathIn(folder.path());
        RunSqlcipherCli(path, QString(),
                        QStringLiteral("CREATE TABLE tblPlorn (NomPers TEXT, LesPlorns TEXT);"
                                       "INSERT INTO tblPlorn VALUES ('Varnokel', 'en clair');"));
        ExpectRefusal(path, QStringLiteral("pas protégé par un mot de passe"));
    }

    void aLedgerWithoutItsTable_data()
    {
        QTest::addColumn<QString>("schema");
        QTest::newRow("no table") << QStringLiteral("CREATE TABLE autre (NomPers TEXT, LesPlorns TEXT);");
        QTest::newRow("no notes field") << QStringLiteral("CREATE TABLE tblPlorn (NomPers TEXT, Notes TEXT);");
        QTest::newRow("no name field") << QStringLiteral("CREATE TABLE tblPlorn (Nom TEXT, LesPlorns TEXT);");
    }
    void aLedgerWithoutItsTable()
    {
        QFETCH(QString, schema);
        QTemporaryDir folder;
        const QString path = LedgerPathIn(folder.path());
        RunSqlcipherCli(path, LedgerPassword, schema);
        ExpectRefusal(path, QStringLiteral("tblPlorn"));
    }

    void aDamagedLedger_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("expectedCode");
        QTest::newRow("first page") << 1 << SQLITE_NOTADB;
        QTest::newRow("the table's page") << 2 << SQLITE_CORRUPT;
        QTest::newRow("the names' index") << 3 << SQLITE_CORRUPT;
    }
    void aDamagedLedger()
    {
        QFETCH(int, page);
        QFETCH(int, expectedCode);
        TempLedger file;
        DamagePage(file.path(), page);
        const QByteArray bytes = FileBytes(file.path());
        try {
            // A page the open does not read is found damaged when the window first reads it.
            Ledger ledger = OpenLedgerFile(file.path());
            NamesOf(ledger.ListPersons());
            ledger.ReadNotes(ReservedPersonName);
            QFAIL("a damaged ledger was read");
        } catch (const LedgerError& error) {
            QCOMPARE(error.engineCode(), expectedCode);
        }
        QCOMPARE(FileBytes(file.path()), bytes);
    }

    void aLedgerLockedByAnotherProgram()
    {
        TempLedger file;
        OtherConnection other(file.path());
        Execute(other.get(), "BEGIN EXCLUSIVE");
        Execute(other.get(), "UPDATE tblPlorn SET LesPlorns = 'en cours'");
        ExpectRefusal(file.path(), QStringLiteral("(la base de données est verrouillée)"), LedgerPassword, 200);
        Execute(other.get(), "ROLLBACK");
        file.open();
    }

    // Root ignores file modes, so the engine is made to see a write-protected file and folder.
    void aLedgerThatCannotBeWritten()
    {
        TempLedger file;
        {
            FaultVfs faults;
            faults.openReadOnly(file.path());
            ExpectRefusal(file.path(), QStringLiteral("(écriture dans une base de données en lecture seule)"));
        }
        {
            FaultVfs faults;
            faults.refuseJournals(true);
            ExpectRefusal(file.path(), QStringLiteral("(impossible d'ouvrir"));
        }
        file.open();
    }
};

QTEST_GUILESS_MAIN(TestLedgerOpen)
#include "tst_ledger_open.moc"
