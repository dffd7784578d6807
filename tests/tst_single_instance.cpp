// One program per ledger: LedgerGuard between processes, and the real program started twice.
//
// The other programs are this test executable started again with one of the child modes below (see main), so
// that every holder is a real process: a later start blocks while it waits for the holder's answer, which a
// holder in the same thread could never give.

#include "app/LedgerGuard.h"
#include "app/ProgramLife.h"
#include "ui/toolkit/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <csignal>
#include <cstdio>
#include <memory>
#include <pwd.h>
#include <stdexcept>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

// What a knocking child's exit status says.
constexpr int KnockHandedOver = 0;
constexpr int KnockUnreachable = 1;
constexpr int KnockFirst = 2;

// Enough for a start, far more than a knock takes; a child that takes longer has hung.
constexpr int ChildTimeoutMs = 20000;

QString Self()
{
    return QCoreApplication::applicationFilePath();
}

void Say(const char* line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

[[noreturn]] void SleepForever()
{
    for (;;)
        QThread::sleep(60);
}

// The child modes: `--MODE PATH`.
//   --hold LEDGER      takes the guard, says "first", says "raise" at each knock, runs until killed; or says
//                      "handed over" and ends when another holds it
//   --knock LEDGER     takes the guard as a second start would; exit status KnockHandedOver, KnockUnreachable
//                      (the message it would show on stdout) or KnockFirst
//   --lock-only LOCK   holds that lock file and listens on nothing, says "held", sleeps until killed
//   --mute LEDGER      takes the guard, says "first", then never runs its event loop: it does not answer
//   --fail LEDGER      holds the ledger as the program does, says "first", then a handler fails (std::_Exit)
const QStringList ChildModes = {QStringLiteral("--hold"), QStringLiteral("--knock"), QStringLiteral("--lock-only"),
                                QStringLiteral("--mute"), QStringLiteral("--fail")};

int RunChild(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString mode = QString::fromLocal8Bit(argv[1]);
    const QString path = QString::fromLocal8Bit(argv[2]);

    if (mode == QLatin1String("--lock-only")) {
        QLockFile lock(path);
        lock.setStaleLockTime(0);
        if (!lock.tryLock(0))
            return 3;
        Say("held");
        SleepForever();
    }

    MessageBoxSeam boxes;
    if (mode == QLatin1String("--fail")) {
        ProgramLife life;
        if (life.holdLedger(path) != LedgerGuard::Outcome::First)
            return KnockUnreachable;
        Say("first");
        life.guard().run([] { throw std::runtime_error("Une panne voulue par le test."); });
        return 0;
    }
    LedgerGuard guard;
    const LedgerGuard::Outcome outcome = guard.acquire(path);
    if (mode == QLatin1String("--knock")) {
        for (const MessageBoxSeam::Shown& shown : boxes.shown())
            std::printf("%s\n", qUtf8Printable(shown.text));
        switch (outcome) {
        case LedgerGuard::Outcome::HandedOver:
            return KnockHandedOver;
        case LedgerGuard::Outcome::Unreachable:
            return KnockUnreachable;
        case LedgerGuard::Outcome::First:
            return KnockFirst;
        }
    }
    if (outcome == LedgerGuard::Outcome::HandedOver) {
        Say("handed over");
        return KnockHandedOver;
    }
    if (outcome == LedgerGuard::Outcome::Unreachable)
        return KnockUnreachable;
    QObject::connect(&guard, &LedgerGuard::raiseRequested, [] { Say("raise"); });
    Say("first");
    if (mode == QLatin1String("--mute"))
        SleepForever();
    return app.exec();
}

std::unique_ptr<QProcess> StartChild(const QString& mode, const QString& path)
{
    auto child = std::make_unique<QProcess>();
    child->start(Self(), {mode, path});
    return child;
}

// The child's next line of output, or a note of what went wrong.
QByteArray NextLine(QProcess& child)
{
    while (!child.canReadLine()) {
        if (!child.waitForReadyRead(ChildTimeoutMs))
            return "(no line: " + child.readAllStandardError() + ")";
    }
    return child.readLine().trimmed();
}

// Runs a second start on `path` in a child while this process's event loop runs, so that a guard held here
// can answer it. Returns the child's exit status, -1 when it did not end.
int KnockFromChild(const QString& path, const QString& workingFolder = {})
{
    QProcess child;
    if (!workingFolder.isEmpty())
        child.setWorkingDirectory(workingFolder);
    QSignalSpy finished(&child, &QProcess::finished);
    child.start(Self(), {QStringLiteral("--knock"), path});
    if (!finished.wait(ChildTimeoutMs))
        return -1;
    if (child.exitStatus() != QProcess::NormalExit)
        return -1;
    return child.exitCode();
}

// Root, which runs the tests, can give a file to another user, as if that user had made it.
constexpr uint AnotherUser = 65534;

// A file standing for a ledger: the guard looks at the file's identity, never at its contents.
void MakeFile(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("registre");
}

bool AllExist(const QStringList& paths)
{
    return std::all_of(paths.begin(), paths.end(), [](const QString& path) { return QFile::exists(path); });
}

bool HeldBy(const QStringList& lockFiles, qint64 pid)
{
    return std::all_of(lockFiles.begin(), lockFiles.end(), [pid](const QString& path) {
        qint64 holder = 0;
        return QLockFile(path).getLockInfo(&holder, nullptr, nullptr) && holder == pid;
    });
}

// Whatever the guard keeps in its folder for these lock files: the lock files themselves and their sockets.
QStringList LeftInGuardFolder(const QStringList& lockFiles)
{
    QStringList left;
    for (const QString& lockFile : lockFiles) {
        const QFileInfo info(lockFile);
        const QString stem = info.completeBaseName();
        for (const QString& entry : QDir(info.absolutePath()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden))
            if (entry.startsWith(stem))
                left << entry;
    }
    return left;
}

} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT

    // The guard's folder for the whole test, so that the user's own runtime folder is left alone.
    QTemporaryDir runtime_;
    QTemporaryDir scratch_;
    QString ledger_;
    int ledgerCount_ = 0;

private slots:
    void initTestCase()
    {
        QVERIFY(runtime_.isValid());
        QVERIFY(scratch_.isValid());
        cleanup();
    }

    // What a test may change in the environment, put back.
    void cleanup()
    {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(scratch_.filePath(QStringLiteral("cache"))));
        qunsetenv("TMPDIR");
    }

    // Each test on a ledger of its own, in a folder of its own.
    void init()
    {
        const QString folder = scratch_.filePath(QStringLiteral("registre-%1").arg(++ledgerCount_));
        QVERIFY(QDir().mkpath(folder));
        ledger_ = folder + QStringLiteral("/BDPLORN.mdb");
        MakeFile(ledger_);
    }

    void theFirstStartHoldsTheLedger()
    {
        LedgerGuard guard;
        QCOMPARE(guard.acquire(ledger_), LedgerGuard::Outcome::First);
        const QStringList lockFiles = LedgerGuard::lockFilePaths(ledger_);
        // The file's identity and its folder's entry, both in the user's runtime folder.
        QCOMPARE(lockFiles.size(), 2);
        for (const QString& lockFile : lockFiles)
            QCOMPARE(QFileInfo(lockFile).absolutePath(), runtime_.path());
        QVERIFY(HeldBy(lockFiles, QCoreApplication::applicationPid()));
    }

    // The locks never go where another user could have put a lock or a socket first: not in a runtime folder
    // that is not the user's alone, never in the temporary folder, where a file planted under the name the
    // ledger's stat once gave must not stop a start. A cache folder not the user's own leaves them unguarded.
    void theGuardKeepsToAPrivateFolder_data()
    {
        QTest::addColumn<QString>("runtime"); // XDG_RUNTIME_DIR, in the test's folder; none when empty
        QTest::addColumn<uint>("runtimeOwner");
        QTest::addColumn<uint>("runtimeMode");
        QTest::addColumn<uint>("cacheOwner");
        QTest::addColumn<uint>("cacheMode");
        const uint me = ::getuid();
        QTest::newRow("none, another user's runtime-<user> made first") << "" << me << 0700u << me << 0700u;
        QTest::newRow("another user's") << "runtime" << AnotherUser << 0700u << me << 0700u;
        QTest::newRow("world-writable") << "runtime" << me << 0777u << me << 0700u;
        QTest::newRow("a symbolic link to a private folder") << "lien" << me << 0700u << me << 0700u;
        QTest::newRow("the cache folder opened to others") << "" << me << 0700u << me << 0755u;
        QTest::newRow("the cache folder another user's") << "" << me << 0700u << AnotherUser << 0700u;
    }

    void theGuardKeepsToAPrivateFolder()
    {
        QFETCH(QString, runtime);
        QFETCH(uint, runtimeOwner);
        QFETCH(uint, runtimeMode);
        QFETCH(uint, cacheOwner);
        QFETCH(uint, cacheMode);
        const QString base = scratch_.filePath(QStringLiteral("env-%1").arg(ledgerCount_));
        const QString tmp = base + "/tmp", guardFolder = base + "/cache/quentaril";
        const QString madeFirst = tmp + "/runtime-" + ::getpwuid(::getuid())->pw_name;
        for (const QString& folder : {base, base + "/cache", tmp, base + "/runtime", guardFolder, madeFirst})
            QCOMPARE(::mkdir(QFile::encodeName(folder), 0700), 0);
        QVERIFY(QFile::link(base + "/runtime", base + "/lien"));
        struct stat ledger {};
        QCOMPARE(::stat(QFile::encodeName(ledger_), &ledger), 0);
        const QString planted = QString::asprintf("%s/quentaril-%u-f%lx-%lx.lock", qPrintable(tmp), ::getuid(),
                                                  ulong(ledger.st_dev), ulong(ledger.st_ino));
        MakeFile(planted);
        const std::tuple<QString, uint, uint> made[] = {{base + "/runtime", runtimeOwner, runtimeMode},
                                                        {guardFolder, cacheOwner, cacheMode},
                                                        {madeFirst, AnotherUser, 0700u},
                                                        {planted, AnotherUser, 0644u}};
        for (const auto& [path, owner, mode] : made)
            QVERIFY(::chown(QFile::encodeName(path), owner, owner) == 0 && ::chmod(QFile::encodeName(path), mode) == 0);
        const QStringList inTmp = QDir(tmp).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        qputenv("TMPDIR", QFile::encodeName(tmp));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(base + "/cache"));
        if (runtime.isEmpty())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(base + '/' + runtime));

        MessageBoxSeam boxes;
        LedgerGuard guard;
        QCOMPARE(guard.acquire(ledger_, 300ms), LedgerGuard::Outcome::First);
        QCOMPARE(QDir(tmp).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot), inTmp);
        const QStringList lockFiles = LedgerGuard::lockFilePaths(ledger_);
        QCOMPARE(lockFiles.size(), cacheOwner == AnotherUser ? 0 : 2);
        struct stat status {};
        for (const QString& lockFile : lockFiles) {
            QCOMPARE(QFileInfo(lockFile).absolutePath(), guardFolder);
            QVERIFY(::lstat(QFile::encodeName(lockFile), &status) == 0 && (status.st_mode & 0777) == 0600);
            QVERIFY(::lstat(QFile::encodeName(guardFolder), &status) == 0 && S_ISDIR(status.st_mode));
            QVERIFY(status.st_uid == ::getuid() && (status.st_mode & 0777) == 0700);
        }
        QCOMPARE(LeftInGuardFolder(lockFiles).size(), lockFiles.size() * 2); // with their sockets
    }

    void aSecondStartIsHandedOver_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("the same path") << "same";
        QTest::newRow("a relative path") << "relative";
        QTest::newRow("a symbolic link to the file, in another folder") << "symlink";
        QTest::newRow("a path through a symbolic link to the folder") << "folder symlink";
        QTest::newRow("a hard link in another folder") << "hard link";
        QTest::newRow("a new file put in the ledger's place, as a conversion does") << "replaced";
    }

    void aSecondStartIsHandedOver()
    {
        QFETCH(QString, how);
        LedgerGuard guard;
        QCOMPARE(guard.acquire(ledger_), LedgerGuard::Outcome::First);
        QSignalSpy raised(&guard, &LedgerGuard::raiseRequested);

        const QString folder = QFileInfo(ledger_).absolutePath();
        const QString elsewhere = scratch_.filePath(QStringLiteral("ailleurs-%1").arg(ledgerCount_));
        QVERIFY(QDir().mkpath(elsewhere));
        QString second = ledger_;
        QString workingFolder;
        if (how == QLatin1String("relative")) {
            second = QStringLiteral("BDPLORN.mdb");
            workingFolder = folder;
        } else if (how == QLatin1String("symlink")) {
            second = elsewhere + QStringLiteral("/BDPLORN.mdb");
            QVERIFY(QFile::link(ledger_, second));
        } else if (how == QLatin1String("folder symlink")) {
            const QString linkedFolder = elsewhere + QStringLiteral("/dossier");
            QVERIFY(QFile::link(folder, linkedFolder));
            second = linkedFolder + QStringLiteral("/BDPLORN.mdb");
        } else if (how == QLatin1String("hard link")) {
            second = elsewhere + QStringLiteral("/BDPLORN.mdb");
            QCOMPARE(::link(QFile::encodeName(ledger_).constData(), QFile::encodeName(second).constData()), 0);
        } else if (how == QLatin1String("replaced")) {
            const QString draft = folder + QStringLiteral("/.BDPLORN-new");
            MakeFile(draft);
            QCOMPARE(std::rename(QFile::encodeName(draft).constData(), QFile::encodeName(ledger_).constData()), 0);
        }

        QCOMPARE(KnockFromChild(second, workingFolder), KnockHandedOver);
        QTRY_COMPARE(raised.count(), 1);
        // And the holder keeps holding: the next start is handed over too.
        QCOMPARE(KnockFromChild(second, workingFolder), KnockHandedOver);
        QTRY_COMPARE(raised.count(), 2);
    }

    void otherLedgersAreFree_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("a copy in another folder") << "copy";
        QTest::newRow("another file in the same folder") << "sibling";
    }

    void otherLedgersAreFree()
    {
        QFETCH(QString, how);
        LedgerGuard guard;
        QCOMPARE(guard.acquire(ledger_), LedgerGuard::Outcome::First);
        QString other;
        if (how == QLatin1String("copy")) {
            const QString elsewhere = scratch_.filePath(QStringLiteral("copie-%1").arg(ledgerCount_));
            QVERIFY(QDir().mkpath(elsewhere));
            other = elsewhere + QStringLiteral("/BDPLORN.mdb");
            QVERIFY(QFile::copy(ledger_, other));
        } else {
            other = QFileInfo(ledger_).absolutePath() + QStringLiteral("/BDPLORN-2.mdb");
            MakeFile(other);
        }
        QCOMPARE(KnockFromChild(other), KnockFirst);
    }

    // A ledger stays open for hours: its lock is never stale by age (setStaleLockTime(0)).
    void aLockHeldForHoursStillHolds()
    {
        LedgerGuard guard;
        QCOMPARE(guard.acquire(ledger_), LedgerGuard::Outcome::First);
        QSignalSpy raised(&guard, &LedgerGuard::raiseRequested);
        const QDateTime hoursAgo = QDateTime::currentDateTime().addSecs(-10 * 3600);
        for (const QString& lockFile : LedgerGuard::lockFilePaths(ledger_)) {
            QFile file(lockFile);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(hoursAgo, QFileDevice::FileModificationTime));
        }
        QCOMPARE(KnockFromChild(ledger_), KnockHandedOver);
        QTRY_COMPARE(raised.count(), 1);
        QVERIFY(HeldBy(LedgerGuard::lockFilePaths(ledger_), QCoreApplication::applicationPid()));
    }

    void aReleasedGuardLetsTheNextIn()
    {
        const QStringList lockFiles = LedgerGuard::lockFilePaths(ledger_);
        {
            LedgerGuard guard;
            QCOMPARE(guard.acquire(ledger_), LedgerGuard::Outcome::First);
            QVERIFY(AllExist(lockFiles));
        }
        QCOMPARE(LeftInGuardFolder(lockFiles), QStringList());
        QCOMPARE(KnockFromChild(ledger_), KnockFirst);

        LedgerGuard again;
        QCOMPARE(again.acquire(ledger_), LedgerGuard::Outcome::First);
        again.release();
        QCOMPARE(LeftInGuardFolder(lockFiles), QStringList());
        QCOMPARE(KnockFromChild(ledger_), KnockFirst);
    }

    void aKilledHolderLeavesNoLockInTheWay()
    {
        const QStringList lockFiles = LedgerGuard::lockFilePaths(ledger_);
        auto holder = StartChild(QStringLiteral("--hold"), ledger_);
        QCOMPARE(NextLine(*holder), QByteArray("first"));
        QVERIFY(HeldBy(lockFiles, holder->processId()));
        holder->kill(); // SIGKILL: nothing of the holder runs any more.
        QVERIFY(holder->waitForFinished(ChildTimeoutMs));
        // What it leaves: its lock files, naming a process that is gone, and its sockets.
        QVERIFY(AllExist(lockFiles));
        QCOMPARE(LeftInGuardFolder(lockFiles).size(), 4);

        QElapsedTimer elapsed;
        elapsed.start();
        LedgerGuard guard;
        QCOMPARE(guard.acquire(ledger_), LedgerGuard::Outcome::First);
        QVERIFY2(elapsed.elapsed() < 1000, qPrintable(QStringLiteral("%1 ms").arg(elapsed.elapsed())));
        QVERIFY(HeldBy(lockFiles, QCoreApplication::applicationPid()));
        // The killed holder's socket names are listened on again: the next start reaches this one.
        QSignalSpy raised(&guard, &LedgerGuard::raiseRequested);
        QCOMPARE(KnockFromChild(ledger_), KnockHandedOver);
        QTRY_COMPARE(raised.count(), 1);
    }

    // The failure guard ends the program with std::_Exit, where no destructor runs: its hook releases.
    void aFailureReleasesTheLedger()
    {
        const QStringList lockFiles = LedgerGuard::lockFilePaths(ledger_);
        auto holder = StartChild(QStringLiteral("--fail"), ledger_);
        QCOMPARE(NextLine(*holder), QByteArray("first"));
        QVERIFY(holder->waitForFinished(ChildTimeoutMs));
        QCOMPARE(holder->exitStatus(), QProcess::NormalExit);
        QCOMPARE(holder->exitCode(), EXIT_FAILURE);
        QVERIFY(holder->readAllStandardError().contains("Une panne voulue par le test."));
        // Released, not merely left stale: neither lock files nor sockets remain.
        QCOMPARE(LeftInGuardFolder(lockFiles), QStringList());
        QCOMPARE(KnockFromChild(ledger_), KnockFirst);
    }

    void aHolderThatDoesNotAnswerIsReportedInFrench_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("the file's lock held, no socket") << "file lock";
        QTest::newRow("the folder entry's lock held, no socket") << "entry lock";
        QTest::newRow("held and listening, never answering") << "mute";
    }

    void aHolderThatDoesNotAnswerIsReportedInFrench()
    {
        QFETCH(QString, how);
        const QStringList lockFiles = LedgerGuard::lockFilePaths(ledger_);
        std::unique_ptr<QProcess> holder;
        if (how == QLatin1String("mute")) {
            holder = StartChild(QStringLiteral("--mute"), ledger_);
            QCOMPARE(NextLine(*holder), QByteArray("first"));
        } else {
            holder = StartChild(QStringLiteral("--lock-only"), lockFiles.at(how == QLatin1String("file lock") ? 0 : 1));
            QCOMPARE(NextLine(*holder), QByteArray("held"));
        }

        MessageBoxSeam boxes;
        LedgerGuard guard;
        QSignalSpy raised(&guard, &LedgerGuard::raiseRequested);
        QElapsedTimer elapsed;
        elapsed.start();
        QCOMPARE(guard.acquire(ledger_), LedgerGuard::Outcome::Unreachable);
        // Bounded: the patience, and no more than a little over it.
        const qint64 waited = elapsed.elapsed();
        QVERIFY2(waited >= LedgerGuard::DefaultPatience.count() - 100 &&
                     waited < LedgerGuard::DefaultPatience.count() + 2000,
                 qPrintable(QStringLiteral("waited %1 ms").arg(waited)));
        QCOMPARE(boxes.shown().size(), size_t(1));
        const MessageBoxSeam::Shown& shown = boxes.shown().front();
        QCOMPARE(shown.icon, MessageIcon::Error);
        QCOMPARE(shown.buttons, MessageButtons::Ok);
        QVERIFY2(shown.text.startsWith(QStringLiteral("Le registre %1 est déjà ouvert").arg(ledger_)),
                 qPrintable(shown.text));
        QCOMPARE(shown.text, LedgerGuard::alreadyOpenMessage(ledger_));
        QCOMPARE(raised.count(), 0);
        // Refused means holding nothing: the holder's lock is still the holder's alone.
        if (how == QLatin1String("mute"))
            QVERIFY(HeldBy(lockFiles, holder->processId()));
        QVERIFY(holder->state() == QProcess::Running);
        holder->kill();
        QVERIFY(holder->waitForFinished(ChildTimeoutMs));
    }

    // A double click on the launcher, and more: starts at the same moment, of which exactly one holds the
    // ledger and every other hands over to it.
    void startsAtOnceLeaveOneHolder()
    {
        constexpr int Starts = 6;
        std::vector<std::unique_ptr<QProcess>> starts;
        for (int i = 0; i < Starts; ++i)
            starts.push_back(StartChild(QStringLiteral("--hold"), ledger_));
        QProcess* holder = nullptr;
        for (const std::unique_ptr<QProcess>& start : starts) {
            const QByteArray said = NextLine(*start);
            if (said == "first") {
                QVERIFY2(!holder, "two starts hold the ledger");
                holder = start.get();
            } else {
                QCOMPARE(said, QByteArray("handed over"));
                QVERIFY(start->waitForFinished(ChildTimeoutMs));
                QCOMPARE(start->exitCode(), KnockHandedOver);
            }
        }
        QVERIFY(holder);
        for (int i = 1; i < Starts; ++i)
            QCOMPARE(NextLine(*holder), QByteArray("raise"));
        QVERIFY(HeldBy(LedgerGuard::lockFilePaths(ledger_), holder->processId()));
        holder->kill();
        QVERIFY(holder->waitForFinished(ChildTimeoutMs));
    }

    // Whatever else connects to the socket is let go without a raise, and the holder still answers.
    void aStrangerOnTheSocketIsIgnored()
    {
        LedgerGuard guard;
        QCOMPARE(guard.acquire(ledger_), LedgerGuard::Outcome::First);
        QSignalSpy raised(&guard, &LedgerGuard::raiseRequested);
        const QString socketPath = QString(LedgerGuard::lockFilePaths(ledger_).front())
                                       .replace(QStringLiteral(".lock"), QStringLiteral(".socket"));
        QLocalSocket stranger;
        stranger.connectToServer(socketPath);
        QVERIFY(stranger.waitForConnected(5000));
        stranger.write("bonjour\n");
        QTRY_COMPARE(stranger.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(raised.count(), 0);
        QCOMPARE(KnockFromChild(ledger_), KnockHandedOver);
        QTRY_COMPARE(raised.count(), 1);
    }

    // The real program, twice on one ledger: the second start ends with status 0 while the first runs on.
    void theProgramStartedTwice()
    {
        const QString program = qEnvironmentVariable("QUENTARIL_PROGRAM");
        const QString newLedger = qEnvironmentVariable("QUENTARIL_NEWLEDGER");
        QVERIFY2(!program.isEmpty() && !newLedger.isEmpty(), "run through CTest, which says where the programs are");
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString copy = folder.filePath(QStringLiteral("quentaril"));
        QVERIFY(QFile::copy(program, copy));
        const QString ledger = folder.filePath(QStringLiteral("BDPLORN.mdb"));
        QCOMPARE(QProcess::execute(newLedger, {ledger}), 0);
        const QStringList lockFiles = LedgerGuard::lockFilePaths(ledger);

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess first;
        first.setProcessEnvironment(environment);
        first.start(copy, {});
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(HeldBy(lockFiles, first.processId()), ChildTimeoutMs);

        QProcess second;
        second.setProcessEnvironment(environment);
        QElapsedTimer elapsed;
        elapsed.start();
        second.start(copy, {});
        QVERIFY2(second.waitForFinished(ChildTimeoutMs), "the second start did not end");
        QVERIFY2(elapsed.elapsed() < 5000, qPrintable(QStringLiteral("%1 ms").arg(elapsed.elapsed())));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QVERIFY2(second.exitCode() == 0, second.readAllStandardError().constData());

        QTest::qWait(300);
        QCOMPARE(first.state(), QProcess::Running);
        QVERIFY(HeldBy(lockFiles, first.processId()));

        QCOMPARE(::kill(pid_t(first.processId()), SIGTERM), 0);
        QVERIFY(first.waitForFinished(ChildTimeoutMs));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QVERIFY2(first.exitCode() == 0, first.readAllStandardError().constData());
        QCOMPARE(LeftInGuardFolder(lockFiles), QStringList());
    }
};

int main(int argc, char* argv[])
{
    if (argc == 3 && ChildModes.contains(QString::fromLocal8Bit(argv[1])))
        return RunChild(argc, argv);
    QApplication app(argc, argv);
    TestSingleInstance test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_single_instance.moc"
