// The main window driven as the user drives it, each action beside the bare work it wraps: the same names in a
// plain pop-up list, the same text in a plain QPlainTextEdit, the same UPDATE on a second connection to the
// ledger file. Filling the list at scale is in bench_scale.

#include "bench/BareStatements.h"
#include "bench/LedgerWorkspace.h"
#include "bench/OffscreenPlatform.h"
#include "bench/SampleText.h"
#include "bench/StopOnFailure.h"
#include "bench/WindowBenchmarkMain.h"
#include "bench/WindowLedger.h"
#include "ui/main/frmPlorn.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"

#include <QApplication>
#include <QEvent>
#include <QListView>
#include <QPlainTextEdit>
#include <QStringListModel>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>
#include <stdexcept>

namespace {

// A main window on a ledger of its own, opened and shown as the program opens it.
struct OpenWindow {
    std::unique_ptr<frmPlorn> window;
    PersonList* list = nullptr;
    NotesBox* notes = nullptr;
    // The baselines' connection to the same file, keyed already.
    Connection bare;
    int saves = 0; // alternates the notes the bare side writes
};

// Delivers what the window has queued (layout requests, then the repaint with the layout of the visible
// lines), as the event loop would before the user sees the change.
void Settle()
{
    QCoreApplication::processEvents();
}

// Everything the measurements make, kept for the whole run and destroyed before the QApplication.
class Workspace {
public:
    OpenWindow& window(const QString& name, qint64 persons, int largeOwners = 0, qint64 megabytes = 0)
    {
        auto& slot = windows_[name];
        if (slot)
            return *slot;
        if (!folder_.isValid())
            throw std::runtime_error("no temporary folder: " + folder_.errorString().toStdString());
        const QString ledgerFolder = folder_.filePath(name);
        const QString path = MakeLedgerFolder(ledgerFolder, persons, largeOwners, megabytes);
        slot = std::make_unique<OpenWindow>();
        slot->window = std::make_unique<frmPlorn>(ledgerFolder, failures_.guard());
        slot->window->Form_Load();
        slot->window->show();
        slot->list = slot->window->findChild<PersonList*>(QStringLiteral("cmbPers"));
        slot->notes = slot->window->findChild<NotesBox*>(QStringLiteral("txtPlorn"));
        if (!slot->list || !slot->notes)
            throw std::runtime_error("the main window has no cmbPers or no txtPlorn");
        slot->bare = BareOpenAndReadSchema(path);
        Settle();
        return *slot;
    }

    // LargeNotes, made once: ten megabytes take a while to generate, at every call of a measurement.
    const QString& notes(qint64 megabytes, int owner)
    {
        QString& made = notes_[{megabytes, owner}];
        if (made.isEmpty())
            made = LargeNotes(megabytes, owner);
        return made;
    }

    // Shown, with the font and size of the notes box it stands beside.
    QPlainTextEdit& plainEdit(const NotesBox& like)
    {
        if (!plainEdit_) {
            plainEdit_ = std::make_unique<QPlainTextEdit>();
            plainEdit_->setFont(like.font());
            plainEdit_->resize(like.size());
            plainEdit_->show();
            Settle();
        }
        return *plainEdit_;
    }

    // A pop-up list of `names` with the size, font and item settings of the list part of `like`.
    QListView& plainPopup(const PersonList& like, const QStringList& names, QSize size)
    {
        if (!plainPopup_) {
            plainPopup_ = std::make_unique<QListView>();
            plainPopup_->setWindowFlags(Qt::Popup);
            plainPopup_->setUniformItemSizes(true);
            plainPopup_->setFont(like.view()->font());
            plainPopup_->setModel(new QStringListModel(plainPopup_.get()));
            plainPopup_->resize(size);
        }
        static_cast<QStringListModel*>(plainPopup_->model())->setStringList(names);
        return *plainPopup_;
    }

private:
    // Declared first so that it goes last, after the connections to the files in it have closed.
    QTemporaryDir folder_;
    StopOnFailure failures_;
    std::map<QString, std::unique_ptr<OpenWindow>> windows_;
    std::map<std::pair<qint64, int>, QString> notes_;
    std::unique_ptr<QPlainTextEdit> plainEdit_;
    std::unique_ptr<QListView> plainPopup_;
};

Workspace* TheWorkspace = nullptr;

OpenWindow& WindowWithPersons(qint64 persons)
{
    return TheWorkspace->window(QStringLiteral("persons-%1").arg(persons), persons);
}

// Both LargeNotesOwners with notes of `megabytes` MB; `purpose` keeps a window that saves apart.
OpenWindow& WindowWithLargeNotes(const QString& purpose, qint64 megabytes)
{
    return TheWorkspace->window(QStringLiteral("%1-%2MB").arg(purpose).arg(megabytes), 2, 2, megabytes);
}

int IndexOf(PersonList& list, const QString& name)
{
    const int index = list.findText(name);
    if (index >= 0)
        return index;
    throw std::runtime_error("no such person in the list: " + name.toStdString());
}

// Counts the paint events of one widget, to check that a measurement really draws what it changed.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count() const { return count_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count_;
        return QObject::eventFilter(watched, event);
    }

private:
    int count_ = 0;
};

// A side that did less than the other would look fast: each checks its result once, outside the timing.
bool Fails(benchmark::State& state, bool failed, const char* why)
{
    if (failed)
        state.SkipWithError(why);
    return failed;
}

void SetNotesBytesProcessed(benchmark::State& state)
{
    state.SetBytesProcessed(state.iterations() * state.range(0) * CharactersPerMB * qint64(sizeof(QChar)));
}

void BenchShowPerson(benchmark::State& state)
{
    const qint64 megabytes = state.range(0);
    OpenWindow& open = WindowWithLargeNotes(QStringLiteral("show"), megabytes);
    const int owners[2] = {IndexOf(*open.list, LargeNotesOwners.at(0)), IndexOf(*open.list, LargeNotesOwners.at(1))};
    const PaintCounter painted(open.notes->viewport());
    int shown = 1;
    open.list->selectIndex(owners[shown]);
    Settle();
    const bool showsAll =
        open.notes->text() == TheWorkspace->notes(megabytes, shown) && open.notes->textCursor().atEnd();
    if (Fails(state, !showsAll || painted.count() == 0, "the notes box does not show the notes, caret at the end"))
        return;
    for (auto _ : state) {
        shown = 1 - shown;
        open.list->selectIndex(owners[shown]);
        Settle();
    }
    SetNotesBytesProcessed(state);
}

void BenchBareShowText(benchmark::State& state)
{
    const qint64 megabytes = state.range(0);
    QPlainTextEdit& edit = TheWorkspace->plainEdit(*WindowWithLargeNotes(QStringLiteral("show"), megabytes).notes);
    const QString texts[2] = {TheWorkspace->notes(megabytes, 0), TheWorkspace->notes(megabytes, 1)};
    const PaintCounter painted(edit.viewport());
    int shown = 0;
    edit.setPlainText(texts[shown]);
    Settle();
    if (Fails(state, painted.count() == 0, "the plain text box did not paint"))
        return;
    for (auto _ : state) {
        shown = 1 - shown;
        edit.setPlainText(texts[shown]);
        Settle();
    }
    SetNotesBytesProcessed(state);
    state.SetLabel("QPlainTextEdit::setPlainText + paint");
}

// range(1) = 1: the list was filled again (untimed) before each opening, as right after start-up or after
// a person was deleted; 0: the same list opened again.
void BenchOpenList(benchmark::State& state)
{
    OpenWindow& open = WindowWithPersons(state.range(0));
    open.list->showPopup();
    Settle();
    const bool opened = open.list->view()->isVisible();
    open.list->hidePopup();
    Settle();
    if (Fails(state, !opened || open.list->view()->isVisible(), "the list part did not open and close"))
        return;
    const PaintCounter painted(open.list->view()->viewport());
    for (auto _ : state) {
        if (state.range(1) != 0) {
            state.PauseTiming();
            open.window->LoadAllUser();
            Settle();
            state.ResumeTiming();
        }
        open.list->showPopup();
        Settle();
        open.list->hidePopup();
        Settle();
    }
    Fails(state, painted.count() < state.iterations(), "the list part did not paint");
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BenchBareOpenList(benchmark::State& state)
{
    OpenWindow& open = WindowWithPersons(state.range(0));
    // The program's list part, measured open, gives the plain one its size.
    open.list->showPopup();
    Settle();
    const QSize popupSize = open.list->view()->window()->size();
    open.list->hidePopup();
    Settle();
    QStringList names;
    for (int i = 0; i < open.list->count(); ++i)
        names.append(open.list->entryAt(i));
    QListView& popup = TheWorkspace->plainPopup(*open.list, names, popupSize);
    const PaintCounter painted(popup.viewport());
    for (auto _ : state) {
        if (state.range(1) != 0) {
            state.PauseTiming();
            TheWorkspace->plainPopup(*open.list, names, popupSize);
            Settle();
            state.ResumeTiming();
        }
        popup.show();
        Settle();
        popup.hide();
        Settle();
    }
    Fails(state, painted.count() < state.iterations(), "the plain list did not paint");
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetLabel("QListView pop-up over a QStringListModel");
}

// range(1) chooses the character typed before each save point: a letter, or an apostrophe, which the
// save point turns into a double quote in the box as well as in the file.
void BenchSavePoint(benchmark::State& state)
{
    const qint64 megabytes = state.range(0);
    OpenWindow& open = WindowWithLargeNotes(QStringLiteral("save"), megabytes);
    const QString typed = state.range(1) != 0 ? QStringLiteral("'") : QStringLiteral("x");
    const auto savePoint = [&open, &typed] {
        open.notes->appendText(typed);
        emit open.list->dropDown();
        Settle();
    };
    // The first save point also turns the generated notes' own apostrophes into double quotes.
    savePoint();
    for (auto _ : state)
        savePoint();
    const QString owner = open.list->currentText();
    Fails(state, open.notes->isChanged() || BareReadNotes(open.bare.get(), owner) != open.notes->text(),
          "the file does not hold the notes shown");
    SetNotesBytesProcessed(state);
}

void BenchBareSaveNotes(benchmark::State& state)
{
    const qint64 megabytes = state.range(0);
    OpenWindow& open = WindowWithLargeNotes(QStringLiteral("save"), megabytes);
    const QString owner = LargeNotesOwners.at(0);
    const QString texts[2] = {TheWorkspace->notes(megabytes, 0), TheWorkspace->notes(megabytes, 1)};
    // Two texts in turn, so that every UPDATE really changes the file.
    for (auto _ : state)
        BareSaveNotes(open.bare.get(), owner, texts[++open.saves % 2]);
    Fails(state, BareReadNotes(open.bare.get(), owner) != texts[open.saves % 2],
          "the file does not hold the notes last saved");
    SetNotesBytesProcessed(state);
    state.SetLabel("bare SQLCipher UPDATE");
}

// Wall time is what the user waits for; every measurement here touches the file or the screen. The process's
// CPU time beside it is what a busy machine changes least.
void AsWaited(benchmark::internal::Benchmark* bench)
{
    bench->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
}

} // namespace

// Refilling 100,000 names (untimed) takes far longer than an opening: a few openings are enough.
BENCHMARK(BenchOpenList)->Name("OpenList")->ArgNames({"persons", "refilled"})->Args({100'000, 0})->Apply(AsWaited);
BENCHMARK(BenchOpenList)
    ->Name("OpenList")
    ->ArgNames({"persons", "refilled"})
    ->Args({100'000, 1})
    ->Iterations(10)
    ->Apply(AsWaited);
BENCHMARK(BenchBareOpenList)
    ->Name("OpenList_baseline")
    ->ArgNames({"persons", "refilled"})
    ->Args({100'000, 0})
    ->Apply(AsWaited);
BENCHMARK(BenchBareOpenList)
    ->Name("OpenList_baseline")
    ->ArgNames({"persons", "refilled"})
    ->Args({100'000, 1})
    ->Iterations(10)
    ->Apply(AsWaited);
BENCHMARK(BenchShowPerson)->Name("ShowPerson")->ArgName("MB")->Arg(1)->Arg(10)->Apply(AsWaited);
BENCHMARK(BenchBareShowText)->Name("ShowPerson_baseline")->ArgName("MB")->Arg(1)->Arg(10)->Apply(AsWaited);
BENCHMARK(BenchSavePoint)
    ->Name("SavePoint")
    ->ArgNames({"MB", "apostrophe"})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Apply(AsWaited);
// The bare UPDATE is the same whatever was typed; it is registered under both so each save point has a pair.
BENCHMARK(BenchBareSaveNotes)
    ->Name("SavePoint_baseline")
    ->ArgNames({"MB", "apostrophe"})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Apply(AsWaited);

int main(int argc, char** argv)
{
    return RunWindowBenchmarks(argc, argv, TheWorkspace);
}
