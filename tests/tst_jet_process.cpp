// The old Access ledger read in a process of its own: what the conversion makes of a reading process that
// crashes, hangs, fails or answers nonsense, what that process holds and may do, and what a conversion stopped
// short leaves for the next start.

#include "app/JetReadingMode.h"
#include "app/JetReadingProcess.h"
#include "app/JetRowFrames.h"
#include "app/StartUp.h"
#include "ledger/LedgerError.h"
#include "ledger/LedgerFile.h"
#include "ledger/jet/JetConversion.h"
#include "ledger/jet/JetReader.h"
#include "support/JetLedgers.h"
#include "support/RecordedFailures.h"
#include "support/TempLedger.h"
#include "ui/main/frmPlorn.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/words/ConversionWords.h"
#include "ui/words/FailureWords.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QtEndian>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What this executable's reading process does, said by the test through its environment: "crash", "hang",
// "exit" (status 3 before answering), "descriptors" or "limits" (reported as the failure's own words),
// "endless" (answers without end), "answer:HEX" (answers these bytes), "answer-exit:HEX" (then ends with
// status 3). Unset, it reads the file as the program's own reading process does.
constexpr char Behaviour[] = "TST_JET_PROCESS_CHILD";
constexpr int FailureStatus = 3;

const QString Table = QStringLiteral("tblPlorn");
const QStringList Columns{QStringLiteral("NomPers"), QStringLiteral("LesPlorns")};
const QString KeptName = QStringLiteral("BDPLORN.jet.mdb");
// Long enough for a test binary to start on a busy machine, short enough for the hanging one.
const JetReadingTimeLimit TestTimeLimit{std::chrono::milliseconds(5000), std::chrono::milliseconds(0)};

void WriteOut(const QByteArray& bytes)
{
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t put = ::write(STDOUT_FILENO, bytes.constData() + written, size_t(bytes.size() - written));
        if (put <= 0)
            std::_Exit(FailureStatus);
        written += put;
    }
}

QString OpenDescriptors()
{
    QStringList open;
    DIR* listing = ::opendir("/proc/self/fd");
    if (!listing)
        return QStringLiteral("no /proc/self/fd");
    while (const dirent* entry = ::readdir(listing)) {
        const QString name = QString::fromLatin1(entry->d_name);
        if (!name.startsWith(QLatin1Char('.')) && name.toInt() != ::dirfd(listing))
            open << name;
    }
    ::closedir(listing);
    open.sort();
    return open.join(QLatin1Char(' '));
}

QString Limits()
{
    const auto limit = [](int resource) {
        rlimit value{};
        ::getrlimit(resource, &value);
        return value.rlim_cur == RLIM_INFINITY ? QStringLiteral("none") : QString::number(value.rlim_cur);
    };
    return QStringLiteral("core=%1 cpu=%2 as=%3 dumpable=%4")
        .arg(limit(RLIMIT_CORE), limit(RLIMIT_CPU), limit(RLIMIT_AS), QString::number(::prctl(PR_GET_DUMPABLE)));
}

QByteArray TestReading(const JetReadingRequest& request)
{
    const QByteArray behaviour = qgetenv(Behaviour);
    if (behaviour == "crash") {
        // A fault as the library's: the default action, which a sanitizer's handler would turn into an exit.
        std::signal(SIGSEGV, SIG_DFL);
        ::raise(SIGSEGV);
    }
    if (behaviour == "hang") {
        for (;;)
            ::pause();
    }
    if (behaviour == "exit")
        std::_Exit(FailureStatus);
    if (behaviour == "descriptors")
        return EncodeJetReadFailure(JetReadError::NotStarted(OpenDescriptors()));
    if (behaviour == "limits")
        return EncodeJetReadFailure(JetReadError::NotStarted(Limits()));
    if (behaviour == "endless") {
        const QByteArray block = QByteArrayLiteral("QJETROWS") + QByteArray(1 << 16, '\1');
        for (;;)
            WriteOut(block);
    }
    if (behaviour.startsWith("answer:"))
        return QByteArray::fromHex(behaviour.sliced(7));
    if (behaviour.startsWith("answer-exit:")) {
        WriteOut(QByteArray::fromHex(behaviour.sliced(12)));
        std::_Exit(FailureStatus);
    }
    try {
        return EncodeJetRows(ReadJetTextColumns(request.path, request.table, request.columns), request.columns.size());
    } catch (const JetReadError& failure) {
        return EncodeJetReadFailure(failure);
    }
}

// The reading process misbehaves as told while this lives.
class ChildBehaviour {
public:
    explicit ChildBehaviour(const QByteArray& behaviour) { qputenv(Behaviour, behaviour); }
    ~ChildBehaviour() { qunsetenv(Behaviour); }
    ChildBehaviour(const ChildBehaviour&) = delete;
    ChildBehaviour& operator=(const ChildBehaviour&) = delete;
};

// Answers written by hand, after the frames' own description, not through the program's encoder.
template <typename Number> QByteArray Little(Number number)
{
    QByteArray bytes(sizeof(Number), '\0');
    qToLittleEndian(number, bytes.data());
    return bytes;
}

QByteArray Utf16Of(const QString& text)
{
    QByteArray bytes;
    for (const QChar unit : text)
        bytes += Little(unit.unicode());
    return bytes;
}

QByteArray Header(quint32 columns, quint64 rows, quint64 textBytes)
{
    return QByteArrayLiteral("QJETROWS") + Little(columns) + Little(rows) + Little(textBytes);
}

QByteArray Value(quint8 kind, const QByteArray& bytes)
{
    return Little(kind) + Little(quint32(bytes.size())) + bytes;
}

QByteArray Text(const QString& text)
{
    return Value(1, Utf16Of(text));
}

const QByteArray End = QByteArrayLiteral("QJETEND!");

// One person, "a" with the notes "bc": six bytes of text.
const QByteArray WellFormed = Header(2, 1, 6) + Text(QStringLiteral("a")) + Text(QStringLiteral("bc")) + End;

QByteArray Answer(const QByteArray& bytes)
{
    return "answer:" + bytes.toHex();
}

// Rows or the reason they could not be read, with null values told from empty ones.
struct Reading {
    QList<QStringList> rows;
    QList<QList<bool>> nulls;
    QString failure;
    bool operator==(const Reading&) const = default;
};

char* toString(const Reading& reading)
{
    return qstrdup(qPrintable(QStringLiteral("%1 rows, failure \"%2\"").arg(reading.rows.size()).arg(reading.failure)));
}

Reading ReadWith(const JetRowReader& read, const QString& path, const QString& table)
{
    Reading reading;
    try {
        reading.rows = read(path, table, Columns)();
    } catch (const JetReadError& failure) {
        reading.failure = JetReadReason(failure);
    }
    for (const QStringList& row : reading.rows) {
        QList<bool> nulls;
        for (const QString& value : row)
            nulls << value.isNull();
        reading.nulls << nulls;
    }
    return reading;
}

// What the conversion says when it refuses, or an empty text when it converted.
QString ConversionRefusal(const QString& folder, const JetRowReader& read)
{
    try {
        ConvertJetLedger(folder, read);
        return {};
    } catch (const LedgerError& refusal) {
        return DescribeFailure(refusal);
    }
}

QString Hidden(const QString& folder, const QString& name)
{
    return QDir(folder).filePath(name);
}

} // namespace

Q_DECLARE_METATYPE(JetLedgerSpec)

class TestJetProcess : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QUENTARIL_REQUIRE_JET_WRITER();
        jetLedger_ = FileBytes(jet_.standardFixture(4));
        QVERIFY2(!jetLedger_.isEmpty(), qPrintable(jet_.error()));
    }

    void init() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    // The reading process hands over exactly what reading in the program would give: every value, null ones told
    // from empty ones, and the reader's own French reason when it cannot read.
    void readsAsInTheProgram_data()
    {
        QTest::addColumn<JetLedgerSpec>("spec");
        QTest::addColumn<QString>("table");
        QTest::newRow("Jet 4") << StandardFixture(4) << Table;
        QTest::newRow("Jet 3") << StandardFixture(3) << Table;
        JetLedgerSpec characters = StandardFixture(4);
        characters.rows.append(QJsonObject{{Columns[0], QStringLiteral("Émoji 😀")},
                                           {Columns[1], QStringLiteral("avant\u0000après \uFEFF\U0001F601")}});
        QTest::newRow("characters beyond 16 bits, U+0000, U+FEFF") << characters << Table;
        QTest::newRow("no such table") << StandardFixture(4) << QStringLiteral("tblAbsente");
    }

    void readsAsInTheProgram()
    {
        QFETCH(JetLedgerSpec, spec);
        QFETCH(QString, table);
        const QString path = jet_.generate(spec);
        QUENTARIL_VERIFY_JET_LEDGER(jet_, path);
        const Reading inProcess = ReadWith(JetReadingInThisProcess(), path, table);
        QCOMPARE(ReadWith(JetReadingProcessReader(), path, table), inProcess);
        QCOMPARE(inProcess.failure.isEmpty(), table == Table);
    }

    // Whatever goes wrong in the reading process is the file's damage, said in French; the folder is left as it was.
    void misbehavingReadingProcesses_data()
    {
        QTest::addColumn<QByteArray>("behaviour");
        QTest::addColumn<QString>("clause");
        const QString malformed = QStringLiteral("il est endommagé (sa lecture a rendu des données incohérentes)");
        QTest::newRow("crashes") << QByteArray("crash")
                                 << QStringLiteral("il est endommagé (sa lecture a fait échouer le processus qui le "
                                                   "lisait)");
        QTest::newRow("hangs") << QByteArray("hang")
                               << QStringLiteral("il est endommagé (sa lecture ne s'est pas terminée à temps)");
        const QString failed = QStringLiteral("il est endommagé (sa lecture a échoué)");
        QTest::newRow("ends with a failure status") << QByteArray("exit") << failed;
        QTest::newRow("ends with a failure status after a whole answer")
            << "answer-exit:" + WellFormed.toHex() << failed;
        QTest::newRow("answers without end") << QByteArray("endless") << malformed;

        const QByteArray truncated = EncodeJetReadFailure(JetReadError(JetReadProblem::Truncated));
        const QByteArray a = Text(QStringLiteral("a"));
        const QByteArray bc = Text(QStringLiteral("bc"));
        const QList<std::pair<const char*, QByteArray>> answers{
            {"says nothing", {}},
            {"cut short", WellFormed.first(WellFormed.size() - 12)},
            {"no end frame", WellFormed.first(WellFormed.size() - End.size())},
            {"bytes after the end frame", WellFormed + "x"},
            {"another beginning", "QJETROWX" + WellFormed.sliced(8)},
            {"a value longer than announced", Header(2, 1, 4) + a + bc + End},
            {"less text than announced", Header(2, 1, 8) + a + bc + End},
            {"a length beyond the answer", Header(2, 1, 6) + a + Little(quint8(1)) + Little(quint32(0x7FFFFFF0)) + End},
            {"an odd length", Header(2, 1, 5) + Value(1, "a") + bc + End},
            {"an unpaired high surrogate", Header(2, 1, 6) + a + Text(QString(QChar(0xD83D)) + QLatin1Char('c')) + End},
            {"an unpaired low surrogate", Header(2, 1, 6) + a + Text(QLatin1Char('b') + QString(QChar(0xDE00))) + End},
            {"a row more than given", Header(2, 2, 6) + a + bc + End},
            {"a row fewer than given", Header(2, 0, 0) + a + bc + End},
            {"three columns", Header(3, 1, 6) + a + bc + Value(0, {}) + End},
            {"more rows than the file can hold", Header(2, quint64(1) << 40, 0) + End},
            {"more text than the file can hold", Header(2, 1, quint64(1) << 40) + a + bc + End},
            {"an unknown kind of value", Header(2, 1, 6) + a + Value(2, Utf16Of(QStringLiteral("bc"))) + End},
            {"a null with a length", Header(2, 1, 6) + a + Value(0, Utf16Of(QStringLiteral("bc"))) + End},
            {"a failure without its reason", "QJETFAIL" + Little(quint32(0)) + End},
            {"a failure of no known kind",
             truncated.first(12) + Little(quint32(JetReadProblem::Last) + 1) + truncated.sliced(16)},
        };
        for (const auto& [name, bytes] : answers)
            QTest::newRow(name) << Answer(bytes) << malformed;
    }

    void misbehavingReadingProcesses()
    {
        QFETCH(QByteArray, behaviour);
        QFETCH(QString, clause);
        QTemporaryDir folder;
        WriteFile(LedgerPathIn(folder.path()), jetLedger_);
        const auto before = FolderSnapshot(folder.path());
        const ChildBehaviour misbehaving(behaviour);
        const QString refusal = ConversionRefusal(folder.path(), JetReadingProcessReader(TestTimeLimit));
        QCOMPARE(refusal, QStringLiteral("Le fichier %1 n'a pas été converti : %2.\r\nIl n'a pas été modifié.")
                              .arg(QDir::toNativeSeparators(LedgerPathIn(folder.path())), clause));
        QCOMPARE(FolderSnapshot(folder.path()), before);
    }

    // The answer those checks refuse is believed once it is whole; a reason from the reading process comes back.
    void wellFormedAnswers()
    {
        QTemporaryDir folder;
        WriteFile(LedgerPathIn(folder.path()), jetLedger_);
        {
            const JetReadError rowsMissing = JetReadError::RowsMissing(QStringLiteral("tblPlorn"), 9, 7);
            const ChildBehaviour answering("answer:" + EncodeJetReadFailure(rowsMissing).toHex());
            QVERIFY(ConversionRefusal(folder.path(), JetReadingProcessReader(TestTimeLimit))
                        .contains(QStringLiteral("n'a pas été converti : il est endommagé (la table tblPlorn compte 9 "
                                                 "fiches, 7 ont pu être lues).")));
        }
        const ChildBehaviour answering(Answer(WellFormed));
        QCOMPARE(ConversionRefusal(folder.path(), JetReadingProcessReader(TestTimeLimit)), QString());
        QCOMPARE(ReadLedgerRows(LedgerPathIn(folder.path())), (QList<StoredRow>{{"a", "bc"}}));
    }

    // Started with the reserved argument other than by the program, it reads nothing and says why.
    void theReadingModeIsTheProgramsAlone_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("inputPipe");
        QTest::addColumn<QByteArray>("request");
        const QString reserved = QString::fromLatin1(JetReadingModeArgument);
        const QByteArray request = EncodeJetReadingRequest({QStringLiteral("/nonexistent.mdb"), Table, Columns, 5});
        QTest::newRow("from a terminal: no pipe") << QStringList{reserved} << false << request;
        QTest::newRow("another argument") << QStringList{reserved, QStringLiteral("x")} << true << request;
        QTest::newRow("no request") << QStringList{reserved} << true << QByteArray();
        QTest::newRow("half a request") << QStringList{reserved} << true << request.first(request.size() / 2);
    }

    void theReadingModeIsTheProgramsAlone()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, inputPipe);
        QFETCH(QByteArray, request);
        // Were the request read, this would crash the process.
        const ChildBehaviour crashing("crash");
        QProcess started;
        if (!inputPipe)
            started.setStandardInputFile(QProcess::nullDevice());
        started.start(QCoreApplication::applicationFilePath(), arguments);
        QVERIFY(started.waitForStarted());
        if (inputPipe) {
            started.write(request);
            started.closeWriteChannel();
        }
        QVERIFY(started.waitForFinished(20000));
        QCOMPARE(started.exitStatus(), QProcess::NormalExit);
        QCOMPARE(started.exitCode(), 64);
        QCOMPARE(started.readAllStandardOutput(), QByteArray());
        QVERIFY(QString::fromUtf8(started.readAllStandardError()).contains(QStringLiteral("réservé")));
    }

    // The reading process holds none of the program's files or sockets (the ledger's lock, the guard's socket),
    // even those opened without close-on-exec.
    void theReadingProcessInheritsNoDescriptor()
    {
        QTemporaryDir folder;
        WriteFile(LedgerPathIn(folder.path()), jetLedger_);
        const int inheritable = ::open(QFile::encodeName(LedgerPathIn(folder.path())).constData(), O_RDONLY);
        QVERIFY(inheritable >= 3);
        const ChildBehaviour listing("descriptors");
        const Reading reading = ReadWith(JetReadingProcessReader(), LedgerPathIn(folder.path()), Table);
        ::close(inheritable);
        QCOMPARE(reading.failure, JetReadReason(JetReadError::NotStarted(QStringLiteral("0 1 2"))));
    }

    // No core file, no debugger, and a bound on processor time (from the file's size) and memory.
    void theReadingProcessIsLimited()
    {
        QTemporaryDir folder;
        WriteFile(LedgerPathIn(folder.path()), jetLedger_);
        const ChildBehaviour reporting("limits");
        const Reading reading = ReadWith(JetReadingProcessReader(TestTimeLimit), LedgerPathIn(folder.path()), Table);
        QVERIFY2(reading.failure.contains(QStringLiteral("(core=0 cpu=5 as=")), qPrintable(reading.failure));
        QVERIFY2(reading.failure.endsWith(QStringLiteral(" dumpable=0)")), qPrintable(reading.failure));
#if !defined(__SANITIZE_ADDRESS__)
        QVERIFY2(!reading.failure.contains(QStringLiteral("as=none")), qPrintable(reading.failure));
#endif
    }

    // The kept original holds every note in clear: its owner's alone, whatever the umask and its mode before.
    void theKeptOriginalIsPrivate_data()
    {
        QTest::addColumn<int>("umask");
        QTest::addColumn<int>("mode");
        QTest::newRow("umask 022, 0644") << 022 << 0644;
        QTest::newRow("umask 000, 0666") << 0 << 0666;
        QTest::newRow("umask 027, 0640") << 027 << 0640;
    }

    void theKeptOriginalIsPrivate()
    {
        QFETCH(int, umask);
        QFETCH(int, mode);
        const Umask mask(static_cast<mode_t>(umask));
        QTemporaryDir folder;
        const QString ledger = LedgerPathIn(folder.path());
        WriteFile(ledger, jetLedger_);
        QCOMPARE(::chmod(QFile::encodeName(ledger).constData(), static_cast<mode_t>(mode)), 0);
        const JetConversionResult converted = ConvertJetLedger(folder.path(), JetReadingProcessReader());
        QCOMPARE(FileMode(converted.keptOriginalPath), mode_t(0600));
        QCOMPARE(FileBytes(converted.keptOriginalPath), jetLedger_);
        QCOMPARE(FileMode(ledger), mode_t(0600));
    }

    // A conversion killed at any moment: the next start removes its draft, keeps one original and converts
    // (or opens what is already converted). Only the drafts' own names go.
    void aStoppedConversionLeavesNothingBehind_data()
    {
        QTest::addColumn<QString>("stopped");
        QTest::newRow("before the original was kept") << QStringLiteral("before the link");
        QTest::newRow("original kept, not yet replaced") << QStringLiteral("before the rename");
        QTest::newRow("just after the replacing") << QStringLiteral("after the rename");
    }

    void aStoppedConversionLeavesNothingBehind()
    {
        QFETCH(QString, stopped);
        QTemporaryDir folder;
        const QString ledger = LedgerPathIn(folder.path());
        const QString kept = QDir(folder.path()).filePath(KeptName);
        WriteFile(ledger, jetLedger_);
        if (stopped == QStringLiteral("before the rename"))
            QCOMPARE(::link(QFile::encodeName(ledger).constData(), QFile::encodeName(kept).constData()), 0);
        if (stopped == QStringLiteral("after the rename"))
            ConvertJetLedger(folder.path(), JetReadingInThisProcess());

        // Drafts as a killed conversion leaves them, one named by QTemporaryFile itself.
        WriteFile(Hidden(folder.path(), QStringLiteral(".BDPLORN-new-Ab3xZ9")), "draft");
        QTemporaryFile madeByQt(Hidden(folder.path(), QStringLiteral(".BDPLORN-new-XXXXXX")));
        QVERIFY(madeByQt.open());
        madeByQt.setAutoRemove(false);
        madeByQt.write("draft");
        madeByQt.close();
        // Names that are not drafts, a folder and a link with a draft's name: all stay.
        const QStringList others{QStringLiteral(".BDPLORN-new-abc"), QStringLiteral(".BDPLORN-new-Ab3xZ9.bak"),
                                 QStringLiteral("BDPLORN-new-Ab3xZ9")};
        for (const QString& name : others)
            WriteFile(Hidden(folder.path(), name), "not a draft");
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral(".BDPLORN-new-F0LDER")));
        QTemporaryDir elsewhere;
        const QString target = QDir(elsewhere.path()).filePath(QStringLiteral("target"));
        WriteFile(target, "elsewhere");
        QVERIFY(QFile::link(target, Hidden(folder.path(), QStringLiteral(".BDPLORN-new-L1nk00"))));

        MessageBoxSeam boxes;
        RecordedFailures failures;
        const std::unique_ptr<frmPlorn> window = OpenMainWindow(folder.path(), failures.guard());
        QVERIFY2(!failures.failed(), qPrintable(failures.messages().join(QLatin1Char('\n'))));
        QVERIFY(window);
        QCOMPARE(boxes.shown().size(), std::size_t(stopped == QStringLiteral("after the rename") ? 0 : 1));
        QVERIFY(window->close());

        QStringList expected = others + QStringList{QStringLiteral(".BDPLORN-new-L1nk00"), KeptName, LedgerFileName};
        expected.sort();
        QCOMPARE(FolderSnapshot(folder.path()).keys(), expected);
        QVERIFY(QFileInfo(Hidden(folder.path(), QStringLiteral(".BDPLORN-new-F0LDER"))).isDir());
        QCOMPARE(FileBytes(target), QByteArray("elsewhere"));
        QCOMPARE(FileBytes(kept), jetLedger_);
        QCOMPARE(FileMode(kept), mode_t(0600));
        QCOMPARE(ReadLedgerRows(ledger).size(), 7);
    }

private:
    JetLedgers jet_;
    QByteArray jetLedger_;
};

// The conversion reads in a second copy of this executable: here, one that misbehaves when told to.
int main(int argc, char* argv[])
{
    RunJetReadingModeIfAsked(argc, argv, TestReading);
    QApplication app(argc, argv);
    TestJetProcess test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_jet_process.moc"
