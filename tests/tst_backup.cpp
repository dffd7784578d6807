#include "ledger/BackupGenerations.h"
#include "ledger/FileSync.h"
#include "ledger/Ledger.h"
#include "ledger/LedgerBackup.h"
#include "ledger/LedgerError.h"
#include "ledger/LedgerRestore.h"
#include "support/FaultVfs.h"
#include "support/LedgerTestAccess.h"
#include "support/TempLedger.h"
#include "ui/words/BackupWords.h"
#include "ui/words/FailureWords.h"
#include "ui/words/Reasons.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <functional>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <utility>

using Result = BackupOutcome::Result;

namespace {

const QDate Day = QDate(2026, 12, 7);
const QString Lucienne = QStringLiteral("Lucienne Février");
const QString LucienneNotes =
    QStringLiteral("12/03 : prêté 40\u00A0€ pour « l'essence ».\r\n20/03 : rendu 15\u00A0€.\r\n");

// A ledger as a user has it: the reserved entry and a few persons, one with notes of several pages.
void FillLedger(const QString& path)
{
    Ledger ledger = OpenLedgerFile(path);
    ledger.AddPerson(QStringLiteral("Anne"), PagesOfNotes(QStringLiteral("Anne"), 50000));
    ledger.AddPerson(QStringLiteral("Bob"), QStringLiteral("doit 5 €"));
    ledger.AddPerson(QStringLiteral("Chloé d'Arvor"), QString());
    ledger.AddPerson(Lucienne, LucienneNotes);
}

LedgerContents ContentsOf(const QString& path)
{
    Ledger ledger = OpenLedgerFile(path);
    return ReadAll(ledger);
}

QString BackupOf(const TempLedger& file, QDate day = Day)
{
    return BackupPathFor(file.path(), day);
}

QString BackupFolder(const TempLedger& file)
{
    return BackupFolderFor(file.path());
}

QStringList FolderEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QDate D(const QString& iso)
{
    return QDate::fromString(iso, Qt::ISODate);
}

QDate D(const char* iso)
{
    return D(QString::fromLatin1(iso));
}

// Every day from `first` to `last`, both included.
QList<QDate> Days(QDate first, QDate last)
{
    QList<QDate> days;
    for (QDate day = first; day <= last; day = day.addDays(1))
        days << day;
    return days;
}

// The disk is full for the syncs of the day's copy, the first `times` of them.
class DiskFullWatcher : public FileChangeWatcher {
public:
    explicit DiskFullWatcher(int times) : left_(times) { previous_ = SetFileChangeWatcher(this); }
    ~DiskFullWatcher() override { SetFileChangeWatcher(previous_); }
    int syncFailure(const QString& path) override
    {
        const bool draft = QFileInfo(path).fileName().startsWith(QStringLiteral(".BDPLORN-2026-12-07.mdb-"));
        return draft && left_-- > 0 ? ENOSPC : 0;
    }

private:
    int left_;
    FileChangeWatcher* previous_ = nullptr;
};

// Eight bytes damaged in the middle page of the file: one of Anne's notes' pages, in a ledger filled by
// FillLedger, whose HMAC no longer matches.
void DamageMiddlePage(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        qFatal("cannot open %s", qPrintable(path));
    const qint64 offset = file.size() / 2 / 1024 * 1024 + 200;
    file.seek(offset);
    QByteArray bytes = file.read(8);
    for (char& byte : bytes)
        byte = static_cast<char>(~byte);
    file.seek(offset);
    file.write(bytes);
}

// Whether another process can take the write lock of the ledger at once.
bool AnotherProcessCanWrite(const QString& path)
{
    QProcess cli;
    cli.start(QStringLiteral("sqlcipher"), {QStringLiteral("-batch"), QStringLiteral("-bail"), path});
    if (!cli.waitForStarted())
        qFatal("the sqlcipher command-line tool is missing");
    cli.write("PRAGMA key = '" + LedgerPassword.toUtf8() + "';\nBEGIN IMMEDIATE;\nROLLBACK;\n");
    cli.closeWriteChannel();
    cli.waitForFinished(60000);
    return cli.exitStatus() == QProcess::NormalExit && cli.exitCode() == 0;
}

// The engine's shell in another process, holding a write transaction with uncommitted changes until told.
class ShellWriter {
public:
    explicit ShellWriter(const QString& path)
    {
        shell_.start(QStringLiteral("sqlcipher"), {QStringLiteral("-batch"), path});
        if (!shell_.waitForStarted())
            qFatal("the sqlcipher command-line tool is missing");
        shell_.write("PRAGMA key = '" + LedgerPassword.toUtf8() +
                     "';\nBEGIN IMMEDIATE;\n"
                     "UPDATE tblPlorn SET LesPlorns = 'pas encore validé' WHERE NomPers = 'Anne';\n"
                     "INSERT INTO tblPlorn (NomPers, LesPlorns) VALUES ('Zoé', 'pas encore validée');\n"
                     "DELETE FROM tblPlorn WHERE NomPers = 'Bob';\n"
                     "SELECT 'held';\n");
        QByteArray out;
        while (!(out += shell_.readAllStandardOutput()).contains("held"))
            if (!shell_.waitForReadyRead(10000))
                qFatal("the shell did not take the lock: %s", shell_.readAllStandardError().constData());
    }
    ~ShellWriter()
    {
        if (shell_.state() != QProcess::NotRunning) {
            shell_.kill();
            shell_.waitForFinished();
        }
    }
    bool commit()
    {
        shell_.write("COMMIT;\n.quit\n");
        return shell_.waitForFinished(10000) && shell_.exitCode() == 0;
    }

private:
    QProcess shell_;
};

// The engine's default file layer, with a call of `duringCopy` at the first read of the main database longer
// than a page: the backup's copy, not one of the engine's own reads. The default layer while it lives.
class CopyReadHook {
public:
    explicit CopyReadHook(std::function<void()> duringCopy)
    {
        hook_ = std::move(duringCopy);
        real_ = sqlite3_vfs_find(nullptr);
        vfs_ = *real_;
        vfs_.zName = "copy-read-hook";
        vfs_.xOpen = &Open;
        sqlite3_vfs_register(&vfs_, 1);
    }
    ~CopyReadHook()
    {
        sqlite3_vfs_unregister(&vfs_);
        hook_ = nullptr;
    }
    CopyReadHook(const CopyReadHook&) = delete;
    CopyReadHook& operator=(const CopyReadHook&) = delete;

private:
    static int Open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags)
    {
        const int result = real_->xOpen(real_, name, file, flags, outFlags);
        if (result == SQLITE_OK && file->pMethods && (flags & SQLITE_OPEN_MAIN_DB)) {
            realMethods_ = file->pMethods;
            methods_ = *file->pMethods;
            methods_.xRead = &Read;
            file->pMethods = &methods_;
        }
        return result;
    }
    static int Read(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset)
    {
        if (amount > 4096 && hook_)
            std::exchange(hook_, nullptr)();
        return realMethods_->xRead(file, buffer, amount, offset);
    }

    static inline std::function<void()> hook_;
    static inline sqlite3_vfs* real_ = nullptr;
    static inline sqlite3_vfs vfs_{};
    static inline const sqlite3_io_methods* realMethods_ = nullptr;
    static inline sqlite3_io_methods methods_{};
};

// Something set up beside a ledger before a backup that must fail; returns the path the reason must name
// and the message the reason must give in parentheses.
struct FailureCase {
    const char* label;
    std::function<std::pair<QString, QString>(const TempLedger&)> setUp;
};

const QList<FailureCase> FailureCases = {
    {"backup folder name taken by a file",
     [](const TempLedger& file) {
         WriteFile(BackupFolder(file), "pas un dossier");
         return std::pair(BackupFolder(file), SystemReason(ENOTDIR));
     }},
    {"day's backup name taken by a folder",
     [](const TempLedger& file) {
         QDir().mkpath(BackupOf(file));
         return std::pair(BackupOf(file), SystemReason(EISDIR));
     }},
    {"ledger under another key",
     [](const TempLedger& file) {
         QFile::remove(file.path());
         RunSqlcipherCli(file.path(), QStringLiteral("autre"),
                         QStringLiteral("CREATE TABLE tblPlorn (NomPers TEXT NOT NULL UNIQUE, LesPlorns TEXT);"));
         return std::pair(file.path(), EngineReason(SQLITE_NOTADB, {}));
     }},
    {"ledger missing",
     [](const TempLedger& file) {
         QFile::remove(file.path());
         return std::pair(file.path(), EngineReason(SQLITE_CANTOPEN, {}));
     }},
    {"ledger in WAL mode",
     [](const TempLedger& file) {
         RunSqlcipherCli(file.path(), LedgerPassword, QStringLiteral("PRAGMA journal_mode = WAL;"));
         return std::pair(file.path(), QStringLiteral("le registre est en mode WAL"));
     }},
};

} // namespace

class TestBackup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theBackupPathCarriesTheDay()
    {
        const QString ledger = QStringLiteral("/home/léa/quentaril/BDPLORN.mdb");
        QCOMPARE(BackupFolderFor(ledger), QStringLiteral("/home/léa/quentaril/BDPLORN-sauvegardes"));
        QCOMPARE(BackupPathFor(ledger, Day),
                 QStringLiteral("/home/léa/quentaril/BDPLORN-sauvegardes/BDPLORN-2026-12-07.mdb"));
        QCOMPARE(BackupPathFor(ledger, QDate(2027, 1, 31)),
                 QStringLiteral("/home/léa/quentaril/BDPLORN-sauvegardes/BDPLORN-2027-01-31.mdb"));
    }

    // While the window's connection is open, as at start-up: the copy is the ledger byte for byte, and opens
    // with the key alone, through the program and through the engine's shell.
    void aBackupIsMadeAndOpensWithTheKeyAlone()
    {
        TempLedger file;
        FillLedger(file.path());
        Ledger ledger = file.open();
        const LedgerContents contents = ReadAll(ledger);

        const BackupOutcome outcome = MakeDailyBackup(file.path(), Day);
        QCOMPARE(outcome.result, Result::Made);
        QVERIFY2(BackupReason(outcome).isEmpty(), qPrintable(BackupReason(outcome)));
        QCOMPARE(outcome.path,
                 QDir(file.folder()).filePath(QStringLiteral("BDPLORN-sauvegardes/BDPLORN-2026-12-07.mdb")));
        QCOMPARE(FolderEntries(BackupFolder(file)), QStringList{QStringLiteral("BDPLORN-2026-12-07.mdb")});
        QCOMPARE(FileBytes(outcome.path), FileBytes(file.path()));
        QCOMPARE(SniffLedgerFile(outcome.path), LedgerFileKind::Other);
        QVERIFY(!FileBytes(outcome.path).contains("Lucienne"));

        Ledger copy = OpenLedgerFile(outcome.path);
        QCOMPARE(ReadAll(copy), contents);
        QVERIFY(IntegrityProblems(outcome.path).isEmpty());
        copy.Close();

        const QByteArray shell = RunSqlcipherCli(
            outcome.path, LedgerPassword,
            QStringLiteral("SELECT count(*) FROM tblPlorn; SELECT NomPers FROM tblPlorn ORDER BY NomPers;"
                           "SELECT length(LesPlorns) FROM tblPlorn WHERE NomPers = 'Anne'; PRAGMA integrity_check;"));
        QCOMPARE(QString::fromUtf8(shell).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                 (QStringList{QString::number(contents.size()), QStringLiteral("Anne"), QStringLiteral("Bob"),
                              QStringLiteral("Chloé d'Arvor"), Lucienne, ReservedPersonName,
                              QString::number(contents.value(QStringLiteral("Anne")).size()), QStringLiteral("ok")}));

        // The ledger still works as before.
        ledger.SaveNotes(QStringLiteral("Bob"), QStringLiteral("a tout rendu"));
        QCOMPARE(ledger.ReadNotes(QStringLiteral("Bob")), std::optional<QString>(QStringLiteral("a tout rendu")));
    }

    // A person deleted by mistake can be found again in that day's backup, and the backup copied over the
    // ledger brings them back, as the README says.
    void aPersonDeletedByMistakeIsInThatDaysBackup()
    {
        TempLedger file;
        FillLedger(file.path());
        Ledger ledger = file.open();
        QCOMPARE(MakeDailyBackup(file.path(), Day).result, Result::Made);

        ledger.DeletePerson(Lucienne);
        QVERIFY(!ledger.ListPersons().contains(Lucienne));
        QCOMPARE(MakeDailyBackup(file.path(), Day).result, Result::AlreadyThere);

        Ledger backup = OpenLedgerFile(BackupOf(file));
        QVERIFY(backup.ListPersons().contains(Lucienne));
        QCOMPARE(backup.ReadNotes(Lucienne), std::optional<QString>(LucienneNotes));
        backup.Close();

        ledger.Close();
        QVERIFY(QFile::remove(file.path()));
        QVERIFY(QFile::copy(BackupOf(file), file.path()));
        ledger = file.open();
        QCOMPARE(ledger.ReadNotes(Lucienne), std::optional<QString>(LucienneNotes));
    }

    // The day's backup stays as it was made: a second call that day changes nothing, the next day makes one.
    void aSecondCallTheSameDayDoesNothing()
    {
        TempLedger file;
        FillLedger(file.path());
        QCOMPARE(MakeDailyBackup(file.path(), Day).result, Result::Made);
        const QByteArray first = FileBytes(BackupOf(file));
        const QDateTime firstModified = QFileInfo(BackupOf(file)).lastModified();

        file.open().AddPerson(QStringLiteral("Denise"), QStringLiteral("ajoutée après la sauvegarde"));
        const BackupOutcome again = MakeDailyBackup(file.path(), Day);
        QCOMPARE(again.result, Result::AlreadyThere);
        QCOMPARE(again.path, BackupOf(file));
        QVERIFY(BackupReason(again).isEmpty());
        QCOMPARE(FileBytes(BackupOf(file)), first);
        QCOMPARE(QFileInfo(BackupOf(file)).lastModified(), firstModified);
        QCOMPARE(FolderEntries(BackupFolder(file)).size(), 1);

        QCOMPARE(MakeDailyBackup(file.path(), Day.addDays(1)).result, Result::Made);
        QVERIFY(OpenLedgerFile(BackupOf(file, Day.addDays(1))).ReadNotes(QStringLiteral("Denise")).has_value());
        QVERIFY(!OpenLedgerFile(BackupOf(file)).ReadNotes(QStringLiteral("Denise")).has_value());
    }

    // The ledger still opens and lists its persons, as the program does at start, but one person's notes are
    // damaged: no copy of it takes a backup's name, day after day, and the last good backup stays, named.
    void damagedNotesNeverPushTheLastGoodBackupOut()
    {
        TempLedger file;
        FillLedger(file.path());
        QCOMPARE(MakeDailyBackup(file.path(), Day).result, Result::Made);
        const QByteArray good = FileBytes(BackupOf(file));
        DamageMiddlePage(file.path());
        {
            Ledger damaged = file.open();
            QCOMPARE(damaged.ListPersons().size(), 5);
            QVERIFY_THROWS_EXCEPTION(LedgerError, damaged.ReadNotes(QStringLiteral("Anne")));
        }
        for (int later = 1; later <= 12; ++later) {
            const BackupOutcome outcome = MakeDailyBackup(file.path(), Day.addDays(later));
            QVERIFY2(outcome.result == Result::LedgerDamaged, qPrintable(BackupReason(outcome)));
            QCOMPARE(outcome.latestGoodBackup, BackupOf(file));
            QVERIFY2(BackupReason(outcome).contains(ShownPath(file.path())), qPrintable(BackupReason(outcome)));
        }
        QCOMPARE(FolderEntries(BackupFolder(file)), QStringList{QFileInfo(BackupOf(file)).fileName()});
        QCOMPARE(FileBytes(BackupOf(file)), good);
    }

    // Nine starts with the clock a year ahead, then the clock put right: each day's start keeps the day
    // before's backup, and the nine dated ahead stay until their dates come.
    void aClockSetAheadOnceLeavesTheDaysAfterAlone()
    {
        TempLedger file;
        for (int day = -9; day <= 0; ++day)
            QCOMPARE(MakeDailyBackup(file.path(), Day.addDays(day)).result, Result::Made);
        const QDate ahead = Day.addYears(1);
        for (int start = 1; start <= 9; ++start)
            QCOMPARE(MakeDailyBackup(file.path(), ahead.addDays(start)).result, Result::Made);
        for (int day = 1; day <= 10; ++day) {
            QCOMPARE(MakeDailyBackup(file.path(), Day.addDays(day)).result, Result::Made);
            QVERIFY2(QFileInfo::exists(BackupOf(file, Day.addDays(day - 1))),
                     qPrintable(Day.addDays(day - 1).toString()));
        }
        for (int start = 1; start <= 9; ++start)
            QVERIFY(QFileInfo::exists(BackupOf(file, ahead.addDays(start))));
    }

    // A backup cut short leaves its draft in the folder; the next one removes it, and only what has exactly
    // that name and is a file.
    void draftsOfABackupCutShortAreRemoved()
    {
        TempLedger file;
        const QDir folder(BackupFolder(file));
        QVERIFY(folder.mkpath(QStringLiteral(".")));
        const QStringList drafts = {QStringLiteral(".BDPLORN-2026-12-06.mdb-Ab12Cd"),
                                    QStringLiteral(".BDPLORN-2026-12-07.mdb-000000")};
        const QStringList foreign = {QStringLiteral(".BDPLORN-2026-12-06.mdb-Ab12C"),
                                     QStringLiteral(".BDPLORN-2026-12-06.mdb-Ab12Cd.x"),
                                     QStringLiteral(".BDPLORN-2026-12-06.mdb-Ab12C_"),
                                     QStringLiteral("BDPLORN-2026-12-06.mdb-Ab12Cd"),
                                     QStringLiteral(".bdplorn-2026-12-06.mdb-Ab12Cd"),
                                     QStringLiteral(".BDPLORN-2026-11-01.mdb"),
                                     QStringLiteral("BDPLORN-2026-11-01.mdb.old"),
                                     QStringLiteral("BDPLORN-2026-02-30.mdb"),
                                     QStringLiteral("notes.txt")};
        for (const QString& name : drafts + foreign)
            WriteFile(folder.filePath(name), name.toUtf8());
        QVERIFY(folder.mkdir(QStringLiteral(".BDPLORN-2026-12-05.mdb-dossie")));
        QVERIFY(QFile::link(folder.filePath(QStringLiteral("notes.txt")),
                            folder.filePath(QStringLiteral(".BDPLORN-2026-12-04.mdb-lienXY"))));

        QCOMPARE(MakeDailyBackup(file.path(), Day).result, Result::Made);
        QStringList expected = foreign;
        expected << QStringLiteral(".BDPLORN-2026-12-05.mdb-dossie") << QStringLiteral(".BDPLORN-2026-12-04.mdb-lienXY")
                 << QFileInfo(BackupOf(file)).fileName();
        expected.sort();
        QCOMPARE(FolderEntries(folder.path()), expected);
        for (const QString& name : foreign)
            QCOMPARE(FileBytes(folder.filePath(name)), name.toUtf8());
    }

    void generationsKeepDaysWeeksAndMonths_data()
    {
        QTest::addColumn<QList<QDate>>("backups");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QList<QDate>>("kept");
        const QList<QDate> lastYearsMonths = {D("2026-11-28"), D("2026-10-31"), D("2026-09-30"), D("2026-08-31"),
                                              D("2026-07-31"), D("2026-06-30"), D("2026-05-31"), D("2026-04-30"),
                                              D("2026-03-31"), D("2026-02-28"), D("2026-01-31"), D("2025-12-31")};
        // 2026-12-07 is the Monday of ISO week 50.
        QTest::newRow("a start every day for a year")
            << Days(D("2025-12-01"), D("2026-12-07")) << D("2026-12-07")
            << Days(D("2026-12-01"), D("2026-12-07")) +
                   QList{D("2026-11-30"), D("2026-11-29"), D("2026-11-22"), D("2026-11-15"), D("2026-11-08")} +
                   lastYearsMonths;
        const QList<QDate> rare = {D("2026-12-07"), D("2026-11-02"), D("2026-10-10"), D("2026-08-01"),
                                   D("2026-03-03"), D("2025-01-01"), D("2020-06-06"), D("2019-01-01")};
        QTest::newRow("starts months apart fill the days first") << rare << D("2026-12-07") << rare;
        const QList<QDate> ahead = Days(D("2027-12-08"), D("2027-12-16"));
        QTest::newRow("dated after today: neither counted nor removed")
            << Days(D("2026-11-23"), D("2026-12-08")) + ahead << D("2026-12-08")
            << Days(D("2026-11-29"), D("2026-12-08")) + ahead;
        QTest::newRow("none yet") << QList<QDate>{} << D("2026-12-07") << QList<QDate>{};
    }
    void generationsKeepDaysWeeksAndMonths()
    {
        QFETCH(QList<QDate>, backups);
        QFETCH(QDate, today);
        QFETCH(QList<QDate>, kept);
        std::set<QDate> expected(backups.begin(), backups.end());
        for (const QDate& day : kept)
            QVERIFY2(expected.erase(day) == 1, qPrintable(day.toString(Qt::ISODate)));
        std::reverse(backups.begin(), backups.end());
        QCOMPARE(BackupsToRemove(backups, today), expected);
    }

    void aFullDiskCostsOnlyTheOldestGenerations_data()
    {
        QTest::addColumn<int>("fullSyncs");
        QTest::addColumn<QStringList>("removed");
        QTest::addColumn<Result>("result");
        QTest::newRow("fits after two") << 2 << QStringList{QStringLiteral("2026-09-30"), QStringLiteral("2026-10-31")}
                                        << Result::Made;
        QTest::newRow("never fits") << 100
                                    << QStringList{QStringLiteral("2026-09-30"), QStringLiteral("2026-10-31"),
                                                   QStringLiteral("2026-11-22"), QStringLiteral("2026-11-29")}
                                    << Result::Failed;
    }
    // The copy's sync fails for want of room `fullSyncs` times: the oldest backups beyond the seven most recent
    // days go one at a time, and only they; the outcome says which.
    void aFullDiskCostsOnlyTheOldestGenerations()
    {
        QFETCH(int, fullSyncs);
        QFETCH(QStringList, removed);
        QFETCH(Result, result);
        TempLedger file;
        QVERIFY(QDir().mkpath(BackupFolder(file)));
        QList<QDate> days = Days(D("2026-11-30"), D("2026-12-06")) +
                            QList{D("2026-11-29"), D("2026-11-22"), D("2026-10-31"), D("2026-09-30"), D("2027-12-09")};
        for (const QDate& day : days)
            WriteFile(BackupOf(file, day), "sauvegarde");
        DiskFullWatcher full(fullSyncs);

        const BackupOutcome outcome = MakeDailyBackup(file.path(), Day);
        QCOMPARE(outcome.result, result);
        QStringList removedPaths;
        for (const QString& day : removed) {
            removedPaths << BackupOf(file, D(day));
            days.removeOne(D(day));
            QVERIFY2(RoomNotice(outcome).contains(QFileInfo(removedPaths.last()).fileName()),
                     qPrintable(RoomNotice(outcome)));
        }
        QCOMPARE(outcome.removedForRoom, removedPaths);
        if (result == Result::Made)
            days << Day;
        else
            QVERIFY2(BackupReason(outcome).contains(SystemReason(ENOSPC)), qPrintable(BackupReason(outcome)));
        QStringList expected;
        for (const QDate& day : days)
            expected << QFileInfo(BackupOf(file, day)).fileName();
        expected.sort();
        QCOMPARE(FolderEntries(BackupFolder(file)), expected);
    }

    // The damaged ledger, with a journal, is put back from the newest backup that passes the proof: a damaged
    // backup and one dated after today come after it. The damaged ledger and its journal stay, aside.
    void aDamagedLedgerIsPutBackFromTheLatestGoodBackup()
    {
        TempLedger file;
        FillLedger(file.path());
        const LedgerContents contents = ContentsOf(file.path());
        QCOMPARE(MakeDailyBackup(file.path(), Day.addDays(-2)).result, Result::Made);
        QCOMPARE(MakeDailyBackup(file.path(), Day.addYears(1)).result, Result::Made);
        DamageMiddlePage(file.path());
        QVERIFY(QFile::copy(file.path(), BackupOf(file, Day.addDays(-1))));
        QCOMPARE(LatestGoodBackup(file.path(), Day), std::optional(BackupOf(file, Day.addDays(-2))));
        QCOMPARE(LatestGoodBackup(file.path(), Day.addDays(-3)), std::optional(BackupOf(file, Day.addYears(1))));

        const QByteArray backup = FileBytes(BackupOf(file, Day.addDays(-2)));
        const QString journal = file.path() + QStringLiteral("-journal");
        const QDateTime now(Day, QTime(9, 30, 5));
        const QString aside = QDir(file.folder()).filePath(QStringLiteral("BDPLORN-endommage-2026-12-07-093005.mdb"));
        for (const QString& expectedAside : {aside, aside.chopped(4) + QStringLiteral("-2.mdb")}) {
            const QByteArray damaged = FileBytes(file.path());
            WriteFile(journal, "journal");
            QCOMPARE(RestoreBackup(file.path(), BackupOf(file, Day.addDays(-2)), now), expectedAside);
            QCOMPARE(FileBytes(expectedAside), damaged);
            QCOMPARE(FileBytes(expectedAside + QStringLiteral("-journal")), QByteArray("journal"));
            QVERIFY(!QFileInfo::exists(journal));
            QCOMPARE(FileBytes(file.path()), backup);
            QCOMPARE(FileMode(file.path()), mode_t(0600));
            QCOMPARE(ContentsOf(file.path()), contents);
        }
        QCOMPARE(FileBytes(BackupOf(file, Day.addDays(-2))), backup);

        // A backup that cannot be read changes nothing, and is named.
        const QStringList entries = FolderEntries(file.folder());
        const QString missing = BackupOf(file, Day.addDays(-5));
        try {
            RestoreBackup(file.path(), missing, now);
            QFAIL("a missing backup was restored");
        } catch (const LedgerError& error) {
            QVERIFY2(DescribeFailure(error).contains(ShownPath(missing)), qPrintable(DescribeFailure(error)));
        }
        QCOMPARE(FolderEntries(file.folder()), entries);
        QCOMPARE(FileBytes(file.path()), backup);
    }
    void folderAndFileArePrivateWhateverTheUmask_data()
    {
        QTest::addColumn<int>("mask");
        QTest::newRow("umask 0") << 0;
        QTest::newRow("umask 022") << 022;
        QTest::newRow("umask 0777") << 0777;
    }
    void folderAndFileArePrivateWhateverTheUmask()
    {
        QFETCH(int, mask);
        TempLedger file;
        BackupOutcome outcome;
        {
            Umask umask(static_cast<mode_t>(mask));
            outcome = MakeDailyBackup(file.path(), Day);
        }
        QCOMPARE(outcome.result, Result::Made);
        QCOMPARE(FileMode(BackupFolder(file)), mode_t(0700));
        QCOMPARE(FileMode(outcome.path), mode_t(0600));
    }

    void aFailureIsReportedAndLeavesTheLedgerAsItWas_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < FailureCases.size(); ++i)
            QTest::newRow(FailureCases.at(i).label) << i;
    }
    // The reason names the path and gives the system's or the engine's message in parentheses; the ledger
    // and whatever was there stay as they were, and no copy is left behind.
    void aFailureIsReportedAndLeavesTheLedgerAsItWas()
    {
        QFETCH(int, index);
        TempLedger file;
        FillLedger(file.path());
        const auto [named, message] = FailureCases.at(index).setUp(file);
        const QByteArray ledgerBefore = FileBytes(file.path());
        const QStringList folderBefore = FolderEntries(file.folder());
        const QStringList backupsBefore = FolderEntries(BackupFolder(file));

        const BackupOutcome outcome = MakeDailyBackup(file.path(), Day);
        QCOMPARE(outcome.result, Result::Failed);
        QVERIFY2(BackupReason(outcome).contains(ShownPath(named)), qPrintable(BackupReason(outcome)));
        QVERIFY2(BackupReason(outcome).contains(QStringLiteral("(") + message), qPrintable(BackupReason(outcome)));
        QVERIFY2(BackupReason(outcome).endsWith(QStringLiteral(").")), qPrintable(BackupReason(outcome)));

        QCOMPARE(FileBytes(file.path()), ledgerBefore);
        QCOMPARE(FolderEntries(file.folder()), folderBefore);
        QCOMPARE(FolderEntries(BackupFolder(file)), backupsBefore);
    }

    // The program closing while the copy is proved: the proof stops, and no backup nor draft is left.
    void aStopEndsTheProofWithoutABackup()
    {
        TempLedger file;
        FillLedger(file.path());
        const std::atomic<bool> stop = true;
        const BackupOutcome outcome = MakeDailyBackup(file.path(), Day, Ledger::DefaultBusyTimeoutMs, &stop);
        QCOMPARE(outcome.result, Result::Failed);
        QVERIFY2(BackupReason(outcome).contains(QStringLiteral("(opération interrompue)")),
                 qPrintable(BackupReason(outcome)));
        QCOMPARE(FolderEntries(BackupFolder(file)), QStringList());
    }

    void anInvalidDayMakesNothing()
    {
        TempLedger file;
        const BackupOutcome outcome = MakeDailyBackup(file.path(), QDate());
        QCOMPARE(outcome.result, Result::Failed);
        QVERIFY2(BackupReason(outcome).contains(ShownPath(file.path())), qPrintable(BackupReason(outcome)));
        QVERIFY(!QFileInfo::exists(BackupFolder(file)));
    }

    void everyFailingReadOfTheLedgerIsReported_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<int>("resultCode");
        QTest::newRow("open") << int(FaultVfs::Operation::Open) << SQLITE_CANTOPEN;
        QTest::newRow("read") << int(FaultVfs::Operation::Read) << SQLITE_IOERR_READ;
    }
    // Whichever opening or read of the ledger or of its copy fails, the backup reports the engine's message,
    // leaves no copy, and the ledger stays as it was; once nothing fails, the copy is whole.
    void everyFailingReadOfTheLedgerIsReported()
    {
        QFETCH(int, operation);
        QFETCH(int, resultCode);
        TempLedger file;
        FillLedger(file.path());
        // Over three reads of the copy.
        file.open().AddPerson(QStringLiteral("Grégoire"), PagesOfNotes(QStringLiteral("Grégoire"), 1'200'000));
        const QByteArray ledgerBefore = FileBytes(file.path());

        FaultVfs vfs;
        int failures = 0;
        // Every read of the ledger, then a few of the proof's many reads of its copy.
        bool inProof = false;
        for (int n = 1;; n = inProof ? n * 2 : n + 1) {
            vfs.failNth(static_cast<FaultVfs::Operation>(operation), n, resultCode);
            const BackupOutcome outcome = MakeDailyBackup(file.path(), Day);
            vfs.disarm();
            if (!vfs.fired()) {
                QCOMPARE(outcome.result, Result::Made);
                QCOMPARE(FileBytes(outcome.path), ledgerBefore);
                break;
            }
            const QByteArray where = QByteArrayLiteral("fault at call ") + QByteArray::number(n);
            if (outcome.result == Result::Made) {
                // A read of the proof that failed once: the second proof found the copy whole.
                QVERIFY2(FileBytes(outcome.path) == ledgerBefore, where);
                QVERIFY(QFile::remove(outcome.path));
                inProof = true;
                continue;
            }
            ++failures;
            inProof = inProof || BackupReason(outcome).contains(QStringLiteral("vérifiée"));
            QVERIFY2(outcome.result == Result::Failed, where);
            QVERIFY2(BackupReason(outcome).contains(ShownPath(file.path())), qPrintable(BackupReason(outcome)));
            // A failed read of the first page looks to the engine like a wrong key.
            const bool engineMessage =
                BackupReason(outcome).contains(QStringLiteral("(%1)").arg(EngineReason(resultCode, {}))) ||
                BackupReason(outcome).contains(QStringLiteral("(%1)").arg(EngineReason(SQLITE_NOTADB, {})));
            QVERIFY2(engineMessage, qPrintable(BackupReason(outcome)));
            QVERIFY2(FolderEntries(BackupFolder(file)).isEmpty(), where);
            QVERIFY2(FileBytes(file.path()) == ledgerBefore, where);
            QVERIFY2(!QFileInfo::exists(file.path() + QStringLiteral("-journal")), where);
        }
        QVERIFY(failures >= (operation == int(FaultVfs::Operation::Read) ? 4 : 1));
        qInfo("%d faults reported", failures);
    }

    // Another connection is in the middle of a write transaction: its write lock held, pages changed, nothing
    // committed. The copy holds the committed state only, and the writer keeps its lock throughout: another
    // process still cannot write after the backup, and the writer commits after it.
    void aCopyDuringAnotherWriteHoldsTheCommittedStateOnly_data()
    {
        QTest::addColumn<bool>("otherProcess");
        QTest::newRow("another connection of this process") << false;
        QTest::newRow("another process") << true;
    }
    void aCopyDuringAnotherWriteHoldsTheCommittedStateOnly()
    {
        QFETCH(bool, otherProcess);
        TempLedger file;
        FillLedger(file.path());
        Ledger window = file.open();
        const LedgerContents committed = ReadAll(window);
        const QString uncommitted = QStringLiteral("pas encore validé");

        std::optional<ShellWriter> shell;
        std::optional<OtherConnection> writer;
        if (otherProcess) {
            shell.emplace(file.path());
        } else {
            writer.emplace(file.path());
            Execute(writer->get(), "BEGIN IMMEDIATE");
            writer->SaveNotes(QStringLiteral("Anne"), uncommitted);
            writer->AddPerson(QStringLiteral("Zoé"), uncommitted);
            writer->DeletePerson(QStringLiteral("Bob"));
            QCOMPARE(writer->ReadNotes(QStringLiteral("Anne")), std::optional<QString>(uncommitted));
        }

        QVERIFY(!AnotherProcessCanWrite(file.path()));
        const BackupOutcome outcome = MakeDailyBackup(file.path(), Day);
        QCOMPARE(outcome.result, Result::Made);
        QVERIFY(!AnotherProcessCanWrite(file.path()));

        if (otherProcess)
            QVERIFY(shell->commit());
        else
            Execute(writer->get(), "COMMIT");
        LedgerContents changed = committed;
        changed[QStringLiteral("Anne")] = uncommitted;
        changed[QStringLiteral("Zoé")] = otherProcess ? QStringLiteral("pas encore validée") : uncommitted;
        changed.remove(QStringLiteral("Bob"));
        QCOMPARE(ReadAll(window), changed);

        Ledger copy = OpenLedgerFile(outcome.path);
        QCOMPARE(ReadAll(copy), committed);
        QVERIFY(IntegrityProblems(outcome.path).isEmpty());
    }

    // While the copy is read, another connection can write but not commit: the copy cannot take in half a
    // transaction. It commits once the backup is done.
    void writersCannotCommitWhileTheCopyIsRead()
    {
        TempLedger file;
        FillLedger(file.path());
        const LedgerContents committed = ContentsOf(file.path());
        OtherConnection writer(file.path(), 0);
        const QString later = QStringLiteral("écrit pendant la copie");
        int commitDuringCopy = -1;
        BackupOutcome outcome;
        {
            CopyReadHook hook([&] {
                Execute(writer.get(), "BEGIN IMMEDIATE");
                writer.SaveNotes(QStringLiteral("Anne"), later);
                writer.DeletePerson(QStringLiteral("Bob"));
                commitDuringCopy = sqlite3_exec(writer.get(), "COMMIT", nullptr, nullptr, nullptr);
            });
            outcome = MakeDailyBackup(file.path(), Day);
        }
        QCOMPARE(commitDuringCopy, SQLITE_BUSY);
        QCOMPARE(outcome.result, Result::Made);
        Execute(writer.get(), "COMMIT");
        QCOMPARE(writer.ReadNotes(QStringLiteral("Anne")), std::optional<QString>(later));
        QCOMPARE(ContentsOf(outcome.path), committed);
    }

    // A writer whose changes outgrew its cache has begun writing them into the file, under the exclusive
    // lock: the backup waits for it, then fails rather than copy a half-written ledger.
    void aWriterHalfwayThroughTheFileMakesTheBackupWaitThenFail()
    {
        TempLedger file;
        FillLedger(file.path());
        const LedgerContents committed = ContentsOf(file.path());
        const qint64 sizeBefore = QFileInfo(file.path()).size();
        OtherConnection writer(file.path());
        Execute(writer.get(), "BEGIN IMMEDIATE");
        writer.SaveNotes(QStringLiteral("Anne"), PagesOfNotes(QStringLiteral("gros"), 6'000'000));
        QVERIFY2(QFileInfo(file.path()).size() > sizeBefore + 4'000'000, "the writer kept its changes in its cache");

        QElapsedTimer waited;
        waited.start();
        const BackupOutcome outcome = MakeDailyBackup(file.path(), Day, 300);
        QVERIFY(waited.elapsed() >= 250);
        QCOMPARE(outcome.result, Result::Failed);
        QVERIFY2(BackupReason(outcome).contains(QStringLiteral("(la base de données est verrouillée)")),
                 qPrintable(BackupReason(outcome)));
        QVERIFY(FolderEntries(BackupFolder(file)).isEmpty());

        Execute(writer.get(), "ROLLBACK");
        QCOMPARE(ContentsOf(file.path()), committed);
        QCOMPARE(MakeDailyBackup(file.path(), Day).result, Result::Made);
        QCOMPARE(ContentsOf(BackupOf(file)), committed);
    }

    // From a worker thread, while the window's connection keeps saving two persons in one transaction at a
    // time: the copy holds both at the same save, whichever it is.
    void aBackupOnAWorkerThreadBesideSaves()
    {
        TempLedger file;
        FillLedger(file.path());
        OtherConnection window(file.path());
        const auto notes = [](int save) {
            return PagesOfNotes(QStringLiteral("save %1").arg(save), 300'000);
        };
        window.SaveNotes(QStringLiteral("Anne"), notes(0));
        window.SaveNotes(QStringLiteral("Bob"), notes(0));

        std::atomic<bool> done = false;
        BackupOutcome outcome;
        std::thread worker([&] {
            outcome = MakeDailyBackup(file.path(), Day);
            done = true;
        });
        int saves = 0;
        while (!done || saves < 3) {
            ++saves;
            Execute(window.get(), "BEGIN");
            window.SaveNotes(QStringLiteral("Anne"), notes(saves));
            window.SaveNotes(QStringLiteral("Bob"), notes(saves));
            Execute(window.get(), "COMMIT");
        }
        worker.join();
        QCOMPARE(outcome.result, Result::Made);
        qInfo("%d saves beside the backup", saves);

        Ledger copy = OpenLedgerFile(outcome.path);
        QVERIFY(IntegrityProblems(outcome.path).isEmpty());
        const std::optional<QString> anne = copy.ReadNotes(QStringLiteral("Anne"));
        QVERIFY(anne.has_value());
        QCOMPARE(copy.ReadNotes(QStringLiteral("Bob")), anne);
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
