#include "ledger/FileSync.h"
#include "ledger/LedgerBackup.h"
#include "ledger/LedgerError.h"
#include "ledger/NewLedger.h"
#include "ledger/WelcomeNote.h"
#include "ledger/jet/JetConversion.h"
#include "support/JetLedgers.h"
#include "support/PowerCut.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <functional>
#include <optional>

namespace {

// A step of a ledger: what it holds, or nothing when it is not there yet.
using Step = std::optional<LedgerContents>;

// Notes over tens of pages, so that each call journals and writes many: each write is a point to cut at.
const QString AnneBefore = PagesOfNotes(QStringLiteral("Anne"), 30000);
const QString AnneSaved = PagesOfNotes(QStringLiteral("neuf"), 50000);
const QString DeniseAdded = PagesOfNotes(QStringLiteral("Denise"), 40000);
const QString Anne = QStringLiteral("Anne");
const QString Bob = QStringLiteral("Bob");

// The ledger at `path` in the state is the step of the last reported call or of the next one (which may be on the
// disk before it returns); otherwise says what it is.
QString HoldsStep(const PowerCutState& state, const QString& path, const QList<Step>& steps, int reported)
{
    const auto ledger = state.ledgers.constFind(path);
    if (ledger != state.ledgers.cend() && !ledger->damage.isEmpty())
        return {}; // counted as damaged
    const Step held = ledger == state.ledgers.cend() ? Step() : Step(ledger->contents);
    const qsizetype last = std::min<qsizetype>(reported + 1, steps.size() - 1);
    for (qsizetype step = reported; step <= last; ++step)
        if (held == steps.at(step))
            return {};
    const qsizetype earlier = steps.indexOf(held);
    if (earlier >= 0 && earlier < reported)
        return QStringLiteral("%1 is as it was before call %2 returned").arg(path).arg(earlier + 1);
    return QStringLiteral("%1 is at none of its steps").arg(path);
}

LedgerContents MakeLedger(const QString& path)
{
    CreateNewLedger(path);
    Ledger ledger = OpenLedgerFile(path);
    ledger.AddPerson(Anne, AnneBefore);
    ledger.AddPerson(Bob, PagesOfNotes(Bob, 30000));
    const LedgerContents contents = ReadAll(ledger);
    ledger.Close();
    return contents;
}

PowerCutCounts LedgerCalls(const QString& folder)
{
    const QString path = LedgerPathIn(folder);
    QList<Step> steps{MakeLedger(path)};
    const auto next = [&steps](const std::function<void(LedgerContents&)>& change) {
        LedgerContents contents = *steps.last();
        change(contents);
        steps.append(contents);
    };
    next([](LedgerContents& contents) { contents[Anne] = AnneSaved; });
    next([](LedgerContents& contents) { contents[QStringLiteral("Denise")] = DeniseAdded; });
    next([](LedgerContents& contents) { contents.remove(Bob); });
    next([](LedgerContents&) {});

    PowerCutRecorder recorder(folder);
    Ledger ledger = OpenLedgerFile(path);
    ledger.SaveNotes(Anne, AnneSaved);
    recorder.reported();
    ledger.AddPerson(QStringLiteral("Denise"), DeniseAdded);
    recorder.reported();
    ledger.DeletePerson(Bob);
    recorder.reported();
    ledger.Close();
    recorder.reported();
    return recorder.replay([steps](const PowerCutState& state, int reported) {
        return HoldsStep(state, LedgerFileName, steps, reported);
    });
}

PowerCutCounts JetConversion(const QString& folder)
{
    JetLedgers jet;
    const QString source = jet.standardFixture(4);
    if (source.isEmpty())
        return PowerCutCounts::failed(jet.error());
    PlaceAsLedger(source, folder);
    const QByteArray original = PowerCutState::digest(FileBytes(source));

    PowerCutRecorder recorder(folder);
    const JetConversionResult result = ConvertJetLedger(folder, JetReadingInThisProcess());
    recorder.reported();
    const QByteArray converted = PowerCutState::digest(FileBytes(LedgerPathIn(folder)));
    const QString kept = QFileInfo(result.keptOriginalPath).fileName();
    return recorder.replay([=](const PowerCutState& state, int reported) {
        const QByteArray atLedger = state.files.value(LedgerFileName);
        const bool keptThere = state.files.value(kept) == original;
        if (reported == 0 ? atLedger == original || atLedger == converted || keptThere
                          : atLedger == converted && keptThere)
            return QString();
        return QStringLiteral("neither the Jet ledger nor the converted one is where it must be");
    });
}

PowerCutCounts NewLedger(const QString& folder)
{
    PowerCutRecorder recorder(folder);
    CreateNewLedger(LedgerPathIn(folder));
    recorder.reported();
    const QList<Step> steps{Step(), LedgerContents{{ReservedPersonName, WelcomeNote}}};
    return recorder.replay([steps](const PowerCutState& state, int reported) {
        return HoldsStep(state, LedgerFileName, steps, reported);
    });
}

PowerCutCounts DailyBackup(const QString& folder)
{
    const QString path = LedgerPathIn(folder);
    const LedgerContents contents = MakeLedger(path);
    PowerCutRecorder recorder(folder);
    const BackupOutcome outcome = MakeDailyBackup(path, QDate(2026, 12, 7));
    recorder.reported();
    if (outcome.result != BackupOutcome::Result::Made)
        return PowerCutCounts::failed(outcome.failure ? QString::fromUtf8(outcome.failure->what()) : QString());
    const QString backup = QDir(folder).relativeFilePath(outcome.path);
    return recorder.replay([=](const PowerCutState& state, int reported) {
        // The backup only reads the ledger.
        return HoldsStep(state, LedgerFileName, {contents}, 0) + HoldsStep(state, backup, {Step(), contents}, reported);
    });
}

struct Traced {
    const char* label;
    PowerCutCounts (*run)(const QString& folder);
    bool needsJetWriter;
};

const Traced Operations[] = {
    {"save, add, delete, close", LedgerCalls, false},
    {"Jet conversion", JetConversion, true},
    {"new ledger", NewLedger, false},
    {"daily backup", DailyBackup, false},
};

// Makes every sync of a ledger draft fail, as a dying disk would; watches while it lives.
class FailingDraftSync : public FileChangeWatcher {
public:
    FailingDraftSync() : former_(SetFileChangeWatcher(this)) {}
    ~FailingDraftSync() override { SetFileChangeWatcher(former_); }
    FailingDraftSync(const FailingDraftSync&) = delete;
    FailingDraftSync& operator=(const FailingDraftSync&) = delete;

    int syncFailure(const QString& path) override
    {
        if (!QFileInfo(path).fileName().startsWith(QStringLiteral(".BDPLORN-new-")))
            return 0;
        failed = path;
        return EIO;
    }

    QString failed;

private:
    FileChangeWatcher* former_;
};

} // namespace

class TestPowerCut : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanupTestCase() { qInfo("all operations: %s", qPrintable(total_.said())); }

    void everyReportedCallSurvivesAPowerCut_data()
    {
        QTest::addColumn<int>("operation");
        for (int index = 0; index < int(std::size(Operations)); ++index)
            QTest::newRow(Operations[index].label) << index;
    }

    void everyReportedCallSurvivesAPowerCut()
    {
        QFETCH(int, operation);
        if (Operations[operation].needsJetWriter)
            QUENTARIL_REQUIRE_JET_WRITER();
        const QTemporaryDir folder;
        const PowerCutCounts counts = Operations[operation].run(folder.path());
        qInfo("%s: %s", Operations[operation].label, qPrintable(counts.said()));
        total_ += counts;
        QVERIFY2(counts.problems.isEmpty(), qPrintable(counts.problems.join(QLatin1Char('\n'))));
        QVERIFY(counts.opened > 0);
    }

    void failedDraftSyncStopsTheNewLedger_data()
    {
        QTest::addColumn<bool>("conversion");
        QTest::newRow("new ledger") << false;
        QTest::newRow("Jet conversion") << true;
    }

    // A draft whose sync failed may not be on the disk: it must never take the ledger's place.
    void failedDraftSyncStopsTheNewLedger()
    {
        QFETCH(bool, conversion);
        const QTemporaryDir folder;
        const QString path = LedgerPathIn(folder.path());
        JetLedgers jet;
        if (conversion) {
            QUENTARIL_REQUIRE_JET_WRITER();
            const QString source = jet.standardFixture(3);
            QUENTARIL_VERIFY_JET_LEDGER(jet, source);
            PlaceAsLedger(source, folder.path());
        }
        const QMap<QString, QByteArray> before = FolderSnapshot(folder.path());

        std::optional<LedgerError> failure;
        FailingDraftSync disk;
        try {
            if (conversion)
                ConvertJetLedger(folder.path(), JetReadingInThisProcess());
            else
                CreateNewLedger(path);
        } catch (const LedgerError& error) {
            failure = error;
        }
        QVERIFY2(failure, "went on as if the draft were on the disk");
        QVERIFY(!disk.failed.isEmpty());
        // Both tell of the ledger they were making.
        QVERIFY2(failure->path() == path, qPrintable(failure->path() + QLatin1Char(' ') + failure->message()));
        QCOMPARE(FolderSnapshot(folder.path()), before);
    }

private:
    PowerCutCounts total_;
};

QTEST_GUILESS_MAIN(TestPowerCut)
#include "tst_powercut.moc"
