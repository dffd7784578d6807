// The real program, started from outside as a user starts it: what it leaves beside its ledger, what it
// refuses, and what a crash may leave.

#include "ledger/LedgerBackup.h"
#include "ledger/LedgerFile.h"
#include "support/JetLedgers.h"
#include "support/LedgerTestAccess.h"
#include "support/TempLedger.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int WaitMs = 20000;

QProcessEnvironment Offscreen()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

// A copy of the program in `folder` (given as bytes, which need not be UTF-8), with a new ledger beside it.
QByteArray PlaceProgram(const QByteArray& folder)
{
    const QByteArray program = folder + "/quentaril";
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST)
        qFatal("cannot make %s", folder.constData());
    const QByteArray built = QFile::encodeName(qEnvironmentVariable("QUENTARIL_PROGRAM"));
    const QByteArray copy = "cp '" + built + "' '" + program + "'";
    if (std::system(copy.constData()) != 0)
        qFatal("cannot copy the program");
    return program;
}

// A Jet 3 ledger that would make libmdb crash when it reads the table: the usage map of tblPlorn's data pages
// (the third row of page 1, where the writer puts the usage maps) cut to no byte at all. The library would walk
// a map it never allocated.
QByteArray JetLedgerThatCrashesTheLibrary()
{
    JetLedgers jet;
    const QString path = jet.standardFixture(3);
    QByteArray ledger = FileBytes(path);
    constexpr qsizetype PageSize = 2048;
    if (ledger.size() < 2 * PageSize)
        return {};
    // Page 1's row offsets; the third row ends where the second starts, so it starting there too leaves it empty.
    constexpr qsizetype RowOffsets = PageSize + 10;
    const quint16 secondRowStart = qFromLittleEndian<quint16>(ledger.constData() + RowOffsets + 2);
    qToLittleEndian<quint16>(secondRowStart & 0x1FFF, ledger.data() + RowOffsets + 4);
    return ledger;
}

QString ProcStatusLine(qint64 pid, const QString& file, const QString& start)
{
    QFile status(QStringLiteral("/proc/%1/%2").arg(pid).arg(file));
    if (!status.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(start.toUtf8()))
            return QString::fromUtf8(line).simplified();
    }
    return {};
}

} // namespace

class TestProgram : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("QUENTARIL_PROGRAM") || qEnvironmentVariableIsEmpty("QUENTARIL_NEWLEDGER"))
            QSKIP("run through CTest, which says where the programs are");
    }

    // At start: the day's backup beside the ledger, no core file possible; SIGTERM ends it with status 0.
    void aStartMakesTheDaysBackupAndNoCoreFile()
    {
        QTemporaryDir folder;
        const QByteArray program = PlaceProgram(QFile::encodeName(folder.path()) + "/prog");
        const QString ledger = QFile::decodeName(program.first(program.size() - 10)) + QStringLiteral("/BDPLORN.mdb");
        QCOMPARE(QProcess::execute(qEnvironmentVariable("QUENTARIL_NEWLEDGER"), {ledger}), 0);

        QProcess running;
        running.setProcessEnvironment(Offscreen());
        running.start(QFile::decodeName(program), {});
        QVERIFY(running.waitForStarted());
        const QString backup = BackupPathFor(ledger, QDate::currentDate());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(backup), WaitMs);
        QCOMPARE(NamesOf(OpenLedgerFile(backup).ListPersons()), QStringList{ReservedPersonName});
        QCOMPARE(ProcStatusLine(running.processId(), QStringLiteral("limits"), QStringLiteral("Max core file size")),
                 QStringLiteral("Max core file size 0 0 bytes"));

        QCOMPARE(::kill(pid_t(running.processId()), SIGTERM), 0);
        QVERIFY(running.waitForFinished(WaitMs));
        QCOMPARE(running.exitStatus(), QProcess::NormalExit);
        QVERIFY2(running.exitCode() == 0, running.readAllStandardError().constData());
    }

    // Refused at once, in French, without opening anything elsewhere: a folder whose name is not UTF-8, a named
    // pipe in the ledger's place, no ledger at all, and an old Access ledger damaged where libmdb would crash (read
    // in the reading process: the program stays up to say so, and changes nothing).
    void refusalsAtStart_data()
    {
        QTest::addColumn<QByteArray>("folderName");
        QTest::addColumn<QString>("ledger");
        QTest::addColumn<QString>("expected");
        QTest::newRow("folder name not UTF-8")
            << QByteArray("R\xE9pertoire") << QString() << QStringLiteral("ne peut pas lire le nom du dossier");
        QTest::newRow("named pipe") << QByteArray("prog") << QStringLiteral("pipe")
                                    << QStringLiteral("pas un fichier ordinaire");
        QTest::newRow("no ledger") << QByteArray("prog") << QString() << QStringLiteral("quentaril-newledger");
        QTest::newRow("Access ledger that would crash libmdb")
            << QByteArray("prog") << QStringLiteral("crashing Jet")
            << QStringLiteral("n'a pas été converti : il est endommagé (table des pages illisible)");
    }
    void refusalsAtStart()
    {
        QFETCH(QByteArray, folderName);
        QFETCH(QString, ledger);
        QFETCH(QString, expected);
        QTemporaryDir folder;
        const QByteArray programFolder = QFile::encodeName(folder.path()) + "/" + folderName;
        const QByteArray program = PlaceProgram(programFolder);
        if (ledger == QStringLiteral("pipe"))
            QCOMPARE(::mkfifo((programFolder + "/BDPLORN.mdb").constData(), 0600), 0);
        if (ledger == QStringLiteral("crashing Jet")) {
            QUENTARIL_REQUIRE_JET_WRITER();
            const QByteArray crashing = JetLedgerThatCrashesTheLibrary();
            QVERIFY(!crashing.isEmpty());
            WriteFile(QFile::decodeName(programFolder + "/BDPLORN.mdb"), crashing);
        }
        // Every file of the program's folder but a named pipe, which reading would block on.
        const auto programFolderFiles = [&] {
            return ledger == QStringLiteral("pipe") ? QMap<QString, QByteArray>()
                                                    : FolderSnapshot(QFile::decodeName(programFolder));
        };
        const auto programFolderBefore = programFolderFiles();
        // A ledger in the folder the program is started from must never be the one it opens.
        QTemporaryDir current;
        const QString decoy = LedgerPathIn(current.path());
        QCOMPARE(QProcess::execute(qEnvironmentVariable("QUENTARIL_NEWLEDGER"), {decoy}), 0);
        const QByteArray decoyBytes = FileBytes(decoy);

        QProcess refused;
        refused.setProcessEnvironment(Offscreen());
        refused.setWorkingDirectory(current.path());
        // Through the shell and a pattern: QProcess names a program as text, which this folder's name is not.
        refused.start(QStringLiteral("/bin/sh"),
                      {QStringLiteral("-c"), QStringLiteral("exec \"$0\"/*/quentaril"), folder.path()});
        // The refusal waits in its message box for the user; a termination signal answers it.
        QVERIFY(refused.waitForStarted());
        QVERIFY(!refused.waitForFinished(1500));
        QCOMPARE(::kill(pid_t(refused.processId()), SIGTERM), 0);
        QVERIFY2(refused.waitForFinished(WaitMs), "the program did not end");
        QCOMPARE(refused.exitStatus(), QProcess::NormalExit);
        QVERIFY(refused.exitCode() != 0);
        const QString said = QString::fromUtf8(refused.readAllStandardError());
        QVERIFY2(said.contains(expected), qPrintable(said));
        QCOMPARE(FileBytes(decoy), decoyBytes);
        QVERIFY(!QFile::exists(BackupFolderFor(decoy)));
        QCOMPARE(programFolderFiles(), programFolderBefore);
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
