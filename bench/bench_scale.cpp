// The main window at scale (10,000 to 1,000,000 persons, first person's notes up to 50 MB), driven through its
// controls as the user drives them: a name typed and Ajouter pressed, the boxes that follow answered; Supp
// pressed and Yes answered; a letter typed in the notes, then the list opened. Only the Qt classes of the
// controls are used, so that whatever person list stands behind cmbPers is measured the same way.
// Every row reports process CPU time beside wall time: on a busy machine the CPU time is what says whether
// a limit is met.
// QUENTARIL_BENCH_QUICK=1 leaves out the million persons and the 50 MB notes.

#include "bench/BareStatements.h"
#include "bench/LedgerWorkspace.h"
#include "bench/OffscreenPlatform.h"
#include "bench/ScaleLedgers.h"
#include "bench/StopOnFailure.h"
#include "persons/NameFinder.h"
#include "ui/main/frmPlorn.h"
#include "ui/toolkit/NotesBox.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCollator>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <numeric>
#include <optional>
#include <stdexcept>
#include <utility>

namespace {

// A main window on a copy of a cached scale ledger, opened and shown as the program opens it.
struct ScaleWindow {
    std::unique_ptr<frmPlorn> window;
    QComboBox* list = nullptr;
    NotesBox* notes = nullptr;
    QLineEdit* nameBox = nullptr;
    QPushButton* add = nullptr;
    QPushButton* kill = nullptr;
    Connection bare;
    qint64 persons = 0;
    int added = 0; // makes each added name new
};

// Delivers what the window has queued, the repaint included, and what that queues in turn (the notes left by an
// add are freed right after the repaint), until nothing is left.
void Settle()
{
    constexpr int AtMostMs = 10'000;
    QCoreApplication::processEvents(QEventLoop::AllEvents, AtMostMs);
}

template <typename Control> Control* Find(QWidget* window, const char* name)
{
    auto* control = window->findChild<Control*>(QString::fromLatin1(name));
    if (!control)
        throw std::runtime_error(std::string("the main window has no ") + name);
    return control;
}

class Workspace {
public:
    explicit Workspace(QString cacheRoot) : cacheRoot_(std::move(cacheRoot)) {}

    ScaleWindow& window(qint64 persons, qint64 firstNotesMB)
    {
        auto& slot = windows_[{persons, firstNotesMB}];
        if (slot)
            return *slot;
        if (!folder_.isValid())
            throw std::runtime_error("no temporary folder: " + folder_.errorString().toStdString());
        const QString source = CachedScaleLedger(cacheRoot_, persons, firstNotesMB);
        const QString ledgerFolder = folder_.filePath(ScaleLedgerName(persons, firstNotesMB));
        CopyLedgerFolder(source, ledgerFolder);
        slot = std::make_unique<ScaleWindow>();
        slot->persons = persons;
        slot->window = std::make_unique<frmPlorn>(ledgerFolder, failures_.guard());
        slot->window->Form_Load();
        slot->window->show();
        slot->list = Find<QComboBox>(slot->window.get(), "cmbPers");
        slot->notes = Find<NotesBox>(slot->window.get(), "txtPlorn");
        slot->nameBox = Find<QLineEdit>(slot->window.get(), "txtName");
        slot->add = Find<QPushButton>(slot->window.get(), "cmdAdd");
        slot->kill = Find<QPushButton>(slot->window.get(), "cmdKill");
        slot->bare = BareOpenAndReadSchema(LedgerPathIn(ledgerFolder));
        // A long list is sorted on a thread of its own after the window shows: the figures start from it sorted.
        while (slot->list->count() != persons + 1)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        Settle();
        return *slot;
    }

private:
    QString cacheRoot_;
    // Declared before the windows so that it goes last, after the connections to the files in it have closed.
    QTemporaryDir folder_;
    StopOnFailure failures_;
    std::map<std::pair<qint64, qint64>, std::unique_ptr<ScaleWindow>> windows_;
};

Workspace* TheWorkspace = nullptr;

// Stops the timing once a window has been drawn: its first repaint once `shows` holds is handled here, in full, and
// what comes after it (the save a list opening triggers, the freeing of the notes an add left) is left untimed.
class TimingEndsWithFirstDraw : public QObject {
public:
    TimingEndsWithFirstDraw(benchmark::State& state, QWidget* window, std::function<bool()> shows = {})
        : state_(state), window_(window), shows_(std::move(shows))
    {
        window_->installEventFilter(this);
    }
    ~TimingEndsWithFirstDraw() override { window_->removeEventFilter(this); }
    bool drawn() const { return drawn_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (drawn_ || watched != window_ || event->type() != QEvent::UpdateRequest || (shows_ && !shows_()))
            return false;
        static_cast<QObject*>(window_)->event(event);
        state_.PauseTiming();
        drawn_ = true;
        return true;
    }

private:
    benchmark::State& state_;
    QWidget* window_;
    std::function<bool()> shows_;
    bool drawn_ = false;
};

// While alive, answers every message box the moment it shows, as the user would: Yes to a question, else OK.
class AnsweredBoxes : public QObject {
public:
    // `beforeAnswer` runs right before each answer is given.
    explicit AnsweredBoxes(std::function<void()> beforeAnswer = {}) : beforeAnswer_(std::move(beforeAnswer))
    {
        qApp->installEventFilter(this);
    }
    ~AnsweredBoxes() override { qApp->removeEventFilter(this); }
    int count() const { return count_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto* box = qobject_cast<QMessageBox*>(watched)) {
                ++count_;
                QMetaObject::invokeMethod(
                    box,
                    [this, box] {
                        if (beforeAnswer_)
                            beforeAnswer_();
                        QAbstractButton* answer = box->button(QMessageBox::Yes);
                        (answer ? answer : box->button(QMessageBox::Ok))->click();
                    },
                    Qt::QueuedConnection);
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> beforeAnswer_;
    int count_ = 0;
};

// Types a name, presses Ajouter, answers the box; returns how many boxes showed (1 when all went well).
int AddThroughWindow(ScaleWindow& open, const QString& name)
{
    open.nameBox->setText(name);
    const AnsweredBoxes answered;
    open.add->click();
    Settle();
    return answered.count();
}

// Presses Supp on the person shown and answers Yes; returns how many boxes showed (1 when all went well).
int DeleteThroughWindow(ScaleWindow& open)
{
    const AnsweredBoxes answered;
    open.kill->click();
    Settle();
    return answered.count();
}

// After the name sorts after every generated one, so the list must place it, not append it.
QString NewName(ScaleWindow& open)
{
    return QStringLiteral("Vauquelin Zoé (%1)").arg(++open.added);
}

void SkipUnless(benchmark::State& state, bool done, const char* why)
{
    if (!done)
        state.SkipWithError(why);
}

// range(0) persons, range(1) MB of notes for the first person (the one shown after every rebuild of the list).
// Each iteration adds a person (timed), then deletes it (untimed) so that the ledger stays the same size.
void BenchAddPerson(benchmark::State& state)
{
    ScaleWindow& open = TheWorkspace->window(state.range(0), state.range(1));
    bool allWell = true;
    for (auto _ : state) {
        state.PauseTiming();
        const QString name = NewName(open);
        state.ResumeTiming();
        const int boxes = AddThroughWindow(open, name);
        state.PauseTiming();
        allWell = allWell && boxes == 1 && open.list->currentText() == name && open.list->count() == open.persons + 2;
        allWell = allWell && DeleteThroughWindow(open) == 1;
        state.ResumeTiming();
    }
    SkipUnless(state, allWell && open.list->count() == open.persons + 1,
               "the person added was not the one shown, or a box other than the confirmation showed");
}

// An add as the user sees it: from OK on the box that confirms it to the window drawn with the new person shown.
// What follows that drawing (the notes left behind freed, the delete that keeps the ledger's size) is untimed.
void BenchAddPersonUntilDrawn(benchmark::State& state)
{
    ScaleWindow& open = TheWorkspace->window(state.range(0), state.range(1));
    bool allWell = true;
    for (auto _ : state) {
        state.PauseTiming();
        const QString name = NewName(open);
        open.nameBox->setText(name);
        Settle();
        std::optional<TimingEndsWithFirstDraw> firstDraw;
        {
            const AnsweredBoxes answered([&] {
                // Repaints that the box's closing brings before the add has gone on do not count.
                firstDraw.emplace(state, open.window.get(), [&] { return open.list->currentText() == name; });
                state.ResumeTiming();
            });
            open.add->click();
            while (!firstDraw || !firstDraw->drawn())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            allWell = allWell && answered.count() == 1;
        }
        firstDraw.reset();
        Settle();
        allWell = allWell && open.list->currentText() == name && open.notes->text().isEmpty() == false;
        allWell = allWell && DeleteThroughWindow(open) == 1;
        state.ResumeTiming();
    }
    SkipUnless(state, allWell && open.list->count() == open.persons + 1,
               "the person added was not the one shown, or a box other than the confirmation showed");
}

// The same pair with the delete timed and the add not.
void BenchDeletePerson(benchmark::State& state)
{
    ScaleWindow& open = TheWorkspace->window(state.range(0), state.range(1));
    bool allWell = true;
    for (auto _ : state) {
        state.PauseTiming();
        const QString name = NewName(open);
        allWell = allWell && AddThroughWindow(open, name) == 1 && open.list->currentText() == name;
        state.ResumeTiming();
        const int boxes = DeleteThroughWindow(open);
        state.PauseTiming();
        allWell = allWell && boxes == 1 && open.list->count() == open.persons + 1 && open.list->currentIndex() == 0;
        state.ResumeTiming();
    }
    SkipUnless(state, allWell, "the person was not deleted, or a box other than the question showed");
}

// The list filled again from the ledger by the window's own method, up to every entry in place.
void BenchLoadAllUser(benchmark::State& state)
{
    ScaleWindow& open = TheWorkspace->window(state.range(0), 0);
    for (auto _ : state) {
        open.window->LoadAllUser();
        // A long list shows its first entry, then is sorted on a thread of its own: filled once every entry is in.
        while (open.list->count() != open.persons + 1)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        state.PauseTiming();
        Settle();
        state.ResumeTiming();
    }
    SkipUnless(state, open.list->count() == open.persons + 1 && open.list->currentIndex() == 0,
               "the list does not hold every person, or shows none");
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The floor of filling the list: the same names read by a bare statement and put in French order with the same
// collator into a plain QStringList. No widget.
QStringList SortedNames(sqlite3* db)
{
    const QStringList names = BareListPersons(db);
    const QCollator collator(QLocale(QLocale::French, QLocale::France));
    std::vector<QCollatorSortKey> keys;
    keys.reserve(names.size());
    for (const QString& name : names)
        keys.push_back(collator.sortKey(name));
    std::vector<qsizetype> order(names.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&keys](qsizetype left, qsizetype right) { return keys[left].compare(keys[right]) < 0; });
    QStringList sorted;
    sorted.reserve(names.size());
    for (const qsizetype index : order)
        sorted.append(names[index]);
    return sorted;
}

void BenchSortedNamesFloor(benchmark::State& state)
{
    ScaleWindow& open = TheWorkspace->window(state.range(0), 0);
    QStringList sorted;
    for (auto _ : state)
        sorted = SortedNames(open.bare.get());
    SkipUnless(state, sorted.size() == open.persons + 1 && sorted.front() == open.list->itemText(0),
               "the sorted names are not the list's");
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetLabel("bare SELECT + QCollator sort into a QStringList");
}

void TypeLetter(QWidget* into)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QCoreApplication::sendEvent(into, &press);
    QCoreApplication::sendEvent(into, &release);
}

// range(0) MB of notes shown (10,000 persons); range(1) 1: a letter typed at the end of the notes before each
// opening (untimed), so the opening saves them; 0: the same opening with nothing changed. Timed from the opening
// to the list drawn: the save comes right after, untimed, and must have reached the file at the end.
void BenchOpenListAfterEdit(benchmark::State& state)
{
    ScaleWindow& open = TheWorkspace->window(10'000, state.range(0));
    const bool edited = state.range(1) != 0;
    // The first save also turns the generated notes' own apostrophes into double quotes: not what is measured.
    TypeLetter(open.notes);
    Settle();
    open.list->showPopup();
    Settle();
    open.list->hidePopup();
    Settle();
    QWidget* popup = open.list->view()->window();
    for (auto _ : state) {
        state.PauseTiming();
        if (edited) {
            TypeLetter(open.notes);
            Settle();
        }
        TimingEndsWithFirstDraw firstDraw(state, popup);
        state.ResumeTiming();
        open.list->showPopup();
        while (!firstDraw.drawn())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        Settle();
        open.list->hidePopup();
        Settle();
        state.ResumeTiming();
    }
    const bool saved =
        !open.notes->isChanged() && BareReadNotes(open.bare.get(), open.list->currentText()) == open.notes->text();
    SkipUnless(state, saved && open.list->view()->isVisible() == false, "the notes shown are not in the file");
}

// The texts typed on the list of a million persons: one in nearly every name, one in some, one in none.
const std::array<const char*, 3> TypedTexts = {"e", "ne", "zqx"};

void TypeOnList(QWidget* into, const QString& text)
{
    for (const QChar letter : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(letter));
        QCoreApplication::sendEvent(into, &press);
    }
}

// range(0) persons; range(1) which of TypedTexts. The list part open, every letter of the text but the last typed
// untimed; timed: the last letter, from its key event to the list part showing the persons found. Backspaces
// (untimed) give the whole list back.
void BenchTypeOnList(benchmark::State& state)
{
    ScaleWindow& open = TheWorkspace->window(state.range(0), 0);
    const QString text = QString::fromLatin1(TypedTexts.at(static_cast<size_t>(state.range(1))));
    QAbstractItemView* popup = open.list->view();
    open.list->setFocus();
    open.list->showPopup();
    Settle();
    // The names are folded at the first search (BuildFoldedNames measures it): not what is measured here.
    TypeOnList(popup, text);
    QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    for (qsizetype i = 0; i < text.size(); ++i)
        QCoreApplication::sendEvent(popup, &backspace);
    int found = -1;
    for (auto _ : state) {
        state.PauseTiming();
        TypeOnList(popup, text.chopped(1));
        state.ResumeTiming();
        TypeOnList(popup, text.right(1));
        state.PauseTiming();
        found = popup->model()->rowCount();
        for (qsizetype i = 0; i < text.size(); ++i)
            QCoreApplication::sendEvent(popup, &backspace);
        state.ResumeTiming();
    }
    const bool whole = popup->model() == open.list->model();
    open.list->hidePopup();
    Settle();
    SkipUnless(state, found >= 0 && whole, "the list part did not show the persons found, then every person");
    state.counters["found"] = found;
    state.SetLabel(text.toStdString());
}

// The names of the ledger in the list's order, as the window holds them.
struct ListedNames {
    explicit ListedNames(sqlite3* db)
    {
        const QStringList listed = BareListPersons(db);
        names.fill([&listed](const std::function<void(QByteArrayView)>& add) {
            for (const QString& name : listed)
                add(name.toUtf8());
        });
        names.finishSorting();
    }
    NameList names;
};

// The one-time folding of every name, at the first letter typed on the list.
void BenchBuildFoldedNames(benchmark::State& state)
{
    ScaleWindow& open = TheWorkspace->window(state.range(0), 0);
    ListedNames listed(open.bare.get());
    qsizetype size = 0;
    for (auto _ : state) {
        NameFinder finder(listed.names);
        finder.prepare();
        size = finder.foldedNames().size();
    }
    SkipUnless(state, size > open.persons, "the names were not folded");
    state.counters["MB"] = static_cast<double>(size) / 1e6;
}

// The floor of a letter typed: one pass of memmem over the folded names, each occurrence counted. No model, no row.
void BenchFoldedPassFloor(benchmark::State& state)
{
    ScaleWindow& open = TheWorkspace->window(state.range(0), 0);
    ListedNames listed(open.bare.get());
    NameFinder finder(listed.names);
    finder.prepare();
    const QByteArray& folded = finder.foldedNames();
    const QByteArray needle(TypedTexts.at(static_cast<size_t>(state.range(1))));
    qsizetype hits = 0;
    for (auto _ : state) {
        hits = 0;
        for (const char* from = folded.constData(); from < folded.constEnd(); ++hits) {
            const auto* hit = static_cast<const char*>(memmem(from, static_cast<size_t>(folded.constEnd() - from),
                                                              needle.constData(), static_cast<size_t>(needle.size())));
            if (!hit)
                break;
            from = hit + needle.size();
        }
        benchmark::DoNotOptimize(hits);
    }
    state.counters["hits"] = static_cast<double>(hits);
    state.SetLabel(needle.toStdString());
}

void Timed(benchmark::internal::Benchmark* bench)
{
    bench->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
}

void Register(bool quick)
{
    std::vector<qint64> persons = {10'000, 100'000};
    std::vector<qint64> notesMB = {1, 10};
    if (!quick) {
        persons.push_back(1'000'000);
        notesMB.push_back(50);
    }
    using Function = void (*)(benchmark::State&);
    using Named = std::pair<const char*, Function>;
    for (const auto& [name, function] :
         {Named{"AddPerson", BenchAddPerson}, Named{"DeletePerson", BenchDeletePerson}}) {
        auto* bench = benchmark::RegisterBenchmark(name, function)->ArgNames({"persons", "firstMB"})->Apply(Timed);
        for (const qint64 count : persons)
            bench->Args({count, 0});
        for (const qint64 megabytes : notesMB)
            bench->Args({10'000, megabytes});
    }
    // Each add is followed by a delete that reads the first person's notes again, untimed but far longer than
    // the add: a set number of adds keeps the run short.
    auto* untilDrawn = benchmark::RegisterBenchmark("AddPersonUntilDrawn", BenchAddPersonUntilDrawn)
                           ->ArgNames({"persons", "firstMB"})
                           ->Iterations(30)
                           ->Apply(Timed);
    for (const qint64 megabytes : notesMB)
        untilDrawn->Args({10'000, megabytes});
    untilDrawn->Args({10'000, 0});
    for (const auto& [name, function] :
         {Named{"LoadAllUser", BenchLoadAllUser}, Named{"LoadAllUser_floor", BenchSortedNamesFloor}}) {
        auto* bench = benchmark::RegisterBenchmark(name, function)->ArgName("persons")->Apply(Timed);
        for (const qint64 count : persons)
            bench->Arg(count);
    }
    const qint64 most = persons.back();
    for (const auto& [name, function] :
         {Named{"TypeOnList", BenchTypeOnList}, Named{"TypeOnList_floor", BenchFoldedPassFloor}}) {
        auto* bench = benchmark::RegisterBenchmark(name, function)->ArgNames({"persons", "text"})->Apply(Timed);
        for (int text = 0; text < static_cast<int>(TypedTexts.size()); ++text)
            bench->Args({most, text});
    }
    benchmark::RegisterBenchmark("BuildFoldedNames", BenchBuildFoldedNames)
        ->ArgName("persons")
        ->Arg(most)
        ->Apply(Timed);
    // Each opening after an edit is followed by a save of the notes, untimed but far longer than the opening:
    // a set number of openings keeps the run short.
    for (const qint64 edited : {0, 1}) {
        auto* popup = benchmark::RegisterBenchmark("OpenListAfterEdit", BenchOpenListAfterEdit)
                          ->ArgNames({"MB", "edited"})
                          ->Iterations(20)
                          ->Apply(Timed);
        for (const qint64 megabytes : notesMB)
            popup->Args({megabytes, edited});
    }
}

} // namespace

int main(int argc, char** argv)
{
    UseQuietOffscreenPlatform();
    benchmark::Initialize(&argc, argv);
    QApplication app(argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    Register(qgetenv("QUENTARIL_BENCH_QUICK") == "1");
    try {
        Workspace workspace(QStringLiteral(QUENTARIL_BENCH_CACHE));
        TheWorkspace = &workspace;
        benchmark::RunSpecifiedBenchmarks();
        TheWorkspace = nullptr;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_scale: %s\n", error.what());
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}
