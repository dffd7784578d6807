#include "ledger/Ledger.h"
#include "ledger/LedgerError.h"
#include "ledger/NewLedger.h"
#include "support/CrashScript.h"
#include "support/TempLedger.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <random>

namespace {

using Contents = LedgerContents;

constexpr int Kills = 200;

quint32 Seed()
{
    bool given = false;
    const quint32 seed = qEnvironmentVariable("QUENTARIL_CRASH_SEED").toUInt(&given);
    return given ? seed : 20240611u;
}

// What the ledger holds once `step` is done, as the program's statements define it.
void Apply(const CrashStep& step, Contents& contents)
{
    switch (step.kind) {
    case CrashStep::Kind::Save:
        if (contents.contains(step.name))
            contents[step.name] = CrashNotes(step.name, step.generation, step.notesSize);
        break;
    case CrashStep::Kind::Add:
        contents.insert(step.name, CrashNotes(step.name, step.generation, step.notesSize));
        break;
    case CrashStep::Kind::Delete:
        contents.remove(step.name);
        break;
    }
}

QString Summary(const std::optional<QString>& notes)
{
    if (!notes)
        return QStringLiteral("(absent)");
    return QStringLiteral("%1 units, begins «%2»").arg(notes->size()).arg(notes->left(40).simplified());
}

// The first row where `actual` differs from both contents it may hold.
QString FirstDifference(const Contents& actual, const Contents& before, const Contents& after)
{
    QStringList names = actual.keys() + before.keys() + after.keys();
    names.removeDuplicates();
    const auto at = [](const Contents& contents, const QString& name) {
        return contents.contains(name) ? std::optional<QString>(contents.value(name)) : std::nullopt;
    };
    for (const QString& name : names) {
        const auto found = at(actual, name);
        if (found != at(before, name) && found != at(after, name))
            return QStringLiteral("%1: holds %2; before the step %3; after it %4")
                .arg(name, Summary(found), Summary(at(before, name)), Summary(at(after, name)));
    }
    return QStringLiteral("the rows are each right but not all from the same moment");
}

// The steps the writer reported done, which must be the generations from `first` on, in order.
qint64 StepsDone(const QByteArray& output, qint64 first)
{
    qint64 done = 0;
    for (const QByteArray& line : output.split('\n')) {
        if (line.isEmpty() || line == "ready")
            continue;
        if (line.toLongLong() != first + done)
            qFatal("the writer reported %s after %lld steps", line.constData(), done);
        ++done;
    }
    return done;
}

// A new ledger with the persons the writer saves to; returns what it holds.
Contents MakeLedgerForTheWriter(const QString& path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
    CreateNewLedger(path);
    Ledger ledger = OpenLedgerFile(path);
    for (const QString& name : CrashKeptPersons)
        ledger.AddPerson(name, CrashNotes(name, 0, CrashSmallNotes));
    return ReadAll(ledger);
}

} // namespace

class TestCrash : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Killed at any moment, the writer leaves a ledger that opens, is whole, and holds each row as it was
    // just before or just after the step under way: never part of a text, never a step half done.
    void killedAtRandomMomentsTheLedgerStaysWhole()
    {
        const QString writerPath = qEnvironmentVariable("QUENTARIL_CRASH_WRITER");
        QVERIFY2(QFileInfo(writerPath).isExecutable(), "QUENTARIL_CRASH_WRITER names no program");
        const quint32 seed = Seed();
        qInfo("seed %u (QUENTARIL_CRASH_SEED)", seed);
        std::mt19937 random(seed);

        TempLedger file;
        const QString path = file.path();
        Contents known = MakeLedgerForTheWriter(path);

        int damaged = 0;
        int journalsLeft = 0;
        int stepsCommittedUnreported = 0;
        int killedDuringOpen = 0;
        qint64 stepsDone = 0;
        QElapsedTimer elapsed;
        elapsed.start();
        for (int kill = 1; kill <= Kills; ++kill) {
            const qint64 first = kill * qint64(1000000);
            QProcess writer;
            writer.start(writerPath, {path, QString::number(first)});
            QVERIFY2(writer.waitForStarted(), qPrintable(writer.errorString()));
            // Most kills come while it writes; some while it opens the ledger and probes that it can write.
            const bool whileOpening = random() % 8 == 0;
            if (!whileOpening) {
                while (!writer.peek(6).startsWith("ready\n") && writer.state() == QProcess::Running)
                    writer.waitForReadyRead(10000);
            }
            QThread::msleep(std::uniform_int_distribution<int>(whileOpening ? 1 : 2, 100)(random));
            writer.kill();
            writer.waitForFinished();
            QVERIFY2(writer.exitStatus() == QProcess::CrashExit,
                     qPrintable(QStringLiteral("the writer stopped by itself: ") + writer.readAllStandardError()));

            const QByteArray output = writer.readAllStandardOutput();
            killedDuringOpen += !output.startsWith("ready\n");
            const qint64 done = StepsDone(output, first);
            stepsDone += done;
            journalsLeft += QFileInfo(path + QStringLiteral("-journal")).size() > 0;

            Contents before = known;
            for (qint64 generation = first; generation < first + done; ++generation)
                Apply(CrashStepAt(generation), before);
            Contents after = before;
            Apply(CrashStepAt(first + done), after);

            QString damage;
            Contents actual;
            try {
                Ledger ledger = OpenLedgerFile(path);
                const QStringList problems = IntegrityProblems(path);
                if (!problems.isEmpty())
                    damage = QStringLiteral("integrity check: ") + problems.join(QStringLiteral("; "));
                else
                    actual = ReadAll(ledger);
                ledger.Close();
            } catch (const LedgerError& error) {
                damage = QStringLiteral("cannot be read: ") + error.message();
            }
            if (damage.isEmpty() && actual != before && actual != after)
                damage = FirstDifference(actual, before, after);
            if (damage.isEmpty()) {
                stepsCommittedUnreported += actual == after && actual != before;
                known = actual;
                continue;
            }
            ++damaged;
            qWarning("kill %d, after %lld steps: %s", kill, done, qPrintable(damage));
            known = MakeLedgerForTheWriter(path);
        }
        qInfo("%d kills (%d while opening), %lld steps reported done, %d steps done but not yet reported, %d hot "
              "journals left and rolled back, %d damaged ledgers, %lld ms",
              Kills, killedDuringOpen, stepsDone, stepsCommittedUnreported, journalsLeft, damaged, elapsed.elapsed());
        QCOMPARE(damaged, 0);
    }
};

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
