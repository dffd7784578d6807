#include "ui/find/FindWindow.h"

#include "persons/NotesSearch.h"
#include "ui/find/FoundPersons.h"
#include "ui/find/NotesBoxMatches.h"
#include "ui/toolkit/HandlerGuard.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/words/FindWords.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <chrono>

namespace {

constexpr std::chrono::milliseconds SearchEveryoneAfterTyping{300};

template <typename Control> Control* Announced(Control* control, const Announcement& announced)
{
    control->setAccessibleName(announced.name);
    control->setAccessibleDescription(announced.description);
    return control;
}

} // namespace

FindWindow::FindWindow(QWidget& mainWindow, NotesBox& notes, HandlerGuard& guard, std::function<QString()> ledgerPath)
    : QWidget(&mainWindow, Qt::Tool), guard_(guard), notes_(notes), ledgerPath_(std::move(ledgerPath))
{
    setWindowTitle(FindTitle);
    matches_ = new NotesBoxMatches(notes_, guard_, this);
    search_ = new NotesSearch(this);
    found_ = new FoundPersons(this);
    searchEveryoneSoon_.setSingleShot(true);
    searchEveryoneSoon_.setInterval(SearchEveryoneAfterTyping);
    BuildControls();
    ConnectHandlers();
    // The main window closing closes this one first: no search reads the ledger past its closing.
    mainWindow.installEventFilter(this);
}

FindWindow::~FindWindow() = default;

void FindWindow::BuildControls()
{
    auto* lookForCaption = new QLabel(LookForCaption, this);
    lookFor_ = Announced(new QLineEdit(this), LookForAnnounced);
    lookForCaption->setBuddy(lookFor_);
    matchCase_ = new QCheckBox(MatchCaseCaption, this);
    matchAccents_ = new QCheckBox(MatchAccentsCaption, this);
    everyone_ = new QCheckBox(EveryoneCaption, this);
    previous_ = new QPushButton(PreviousCaption, this);
    next_ = new QPushButton(NextCaption, this);
    stop_ = new QPushButton(StopCaption, this);
    whereInNotes_ = new QLabel(this);
    searchState_ = Announced(new QLabel(this), StatusAnnounced);
    foundList_ = Announced(new QListView(this), FoundPersonsAnnounced);
    foundList_->setModel(found_);
    // A million persons found stay quick to lay out.
    foundList_->setUniformItemSizes(true);
    foundList_->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* lookForRow = new QHBoxLayout;
    lookForRow->addWidget(lookForCaption);
    lookForRow->addWidget(lookFor_, 1);
    auto* options = new QHBoxLayout;
    options->addWidget(matchCase_);
    options->addWidget(matchAccents_);
    options->addWidget(everyone_);
    options->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(previous_);
    buttons->addWidget(next_);
    buttons->addWidget(whereInNotes_, 1);
    buttons->addWidget(stop_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lookForRow);
    layout->addLayout(options);
    layout->addLayout(buttons);
    layout->addWidget(searchState_);
    layout->addWidget(foundList_, 1);
    showEveryoneSearched(false);
}

void FindWindow::ConnectHandlers()
{
    connect(lookFor_, &QLineEdit::textChanged, this, guard_.guarded([this] {
        lookForInNotes();
        if (everyone_->isChecked())
            searchEveryoneSoon_.start();
    }));
    connect(lookFor_, &QLineEdit::returnPressed, this, guard_.guarded([this] {
        if (everyone_->isChecked())
            searchEveryone();
        else
            selectNextMatch();
    }));
    for (QCheckBox* option : {matchCase_, matchAccents_})
        connect(option, &QCheckBox::toggled, this, guard_.guarded([this] {
            lookForInNotes();
            if (everyone_->isChecked())
                searchEveryone();
        }));
    connect(everyone_, &QCheckBox::toggled, this, guard_.guarded([this] {
        showEveryoneSearched(everyone_->isChecked());
        if (everyone_->isChecked())
            searchEveryone();
    }));
    connect(&searchEveryoneSoon_, &QTimer::timeout, this, guard_.guarded([this] { searchEveryone(); }));
    connect(next_, &QPushButton::clicked, this, guard_.guarded([this] { selectNextMatch(); }));
    connect(previous_, &QPushButton::clicked, this, guard_.guarded([this] { selectPreviousMatch(); }));
    connect(stop_, &QPushButton::clicked, this, guard_.guarded([this] {
        stopped_ = search_->isRunning();
        search_->stop();
        showSearchState();
    }));
    connect(matches_, &NotesBoxMatches::changed, this, guard_.guarded([this] { showWhereInNotes(); }));
    connect(search_, &NotesSearch::found, this, [this](const QList<FoundPerson>& persons) {
        guard_.run([&] {
            found_->append(persons);
            showSearchState();
        });
    });
    connect(search_, &NotesSearch::finished, this, guard_.guarded([this] { showSearchState(); }));
    connect(search_, &NotesSearch::failed, this,
            [this](const LedgerError& failure) { guard_.run([&] { searchFailed(failure); }); });
    connect(foundList_, &QListView::activated, this,
            [this](const QModelIndex& index) { guard_.run([&] { pickRow(index.row()); }); });
}

void FindWindow::placeBesideTheMainWindow()
{
    constexpr int Gap = 8;
    // Some window managers report a frame that does not hold the whole window; and until this window is shown its
    // frame is unknown, so that it is placed by its inside, the title bar coming above: the main window's tells how
    // high that is.
    const QWidget* mainWindow = parentWidget()->window();
    const QRect main = mainWindow->frameGeometry().united(mainWindow->geometry());
    const int titleBar = mainWindow->geometry().top() - mainWindow->frameGeometry().top();
    const QRect screen = parentWidget()->screen()->availableGeometry();
    const QSize size = sizeHint();
    QPoint at(main.right() + Gap, mainWindow->geometry().top());
    if (at.x() + size.width() > screen.right())
        at.setX(main.left() - Gap - size.width());
    if (at.x() < screen.left())
        at = QPoint(main.left(), main.bottom() + Gap + titleBar);
    move(std::clamp(at.x(), screen.left(), std::max(screen.left(), screen.right() - size.width())),
         std::clamp(at.y(), screen.top(), std::max(screen.top(), screen.bottom() - size.height())));
}

void FindWindow::showWithTextSelected()
{
    if (!placed_) {
        placeBesideTheMainWindow();
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
    lookFor_->setFocus();
    lookFor_->selectAll();
    // The notes may have changed while the window was closed.
    lookForInNotes();
}

bool FindWindow::hasSomethingToFind() const
{
    return isVisible() && !lookFor_->text().isEmpty();
}

void FindWindow::selectNextMatch()
{
    matches_->selectNext();
}

void FindWindow::selectPreviousMatch()
{
    matches_->selectPrevious();
}

void FindWindow::selectFirstMatch()
{
    matches_->selectFirst();
}

void FindWindow::closeEvent(QCloseEvent* event)
{
    search_->stop();
    searchEveryoneSoon_.stop();
    matches_->clear();
    QWidget::closeEvent(event);
    if (QWidget* mainWindow = notes_.window(); mainWindow->isVisible()) {
        mainWindow->activateWindow();
        notes_.setFocus();
    }
}

void FindWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool FindWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Close && isVisible())
        close();
    return QWidget::eventFilter(watched, event);
}

void FindWindow::lookForInNotes()
{
    matches_->lookFor(lookFor_->text(), {matchCase_->isChecked(), matchAccents_->isChecked()});
}

void FindWindow::showWhereInNotes()
{
    const qsizetype count = matches_->count();
    whereInNotes_->setText(lookFor_->text().isEmpty() ? QString()
                           : count == 0               ? NotFoundInNotes()
                                                      : MatchInNotes(matches_->current(), count));
}

void FindWindow::searchEveryone()
{
    searchEveryoneSoon_.stop();
    search_->stop();
    found_->clear();
    failure_.clear();
    stopped_ = false;
    if (!lookFor_->text().isEmpty())
        search_->start(ledgerPath_(), lookFor_->text(), {matchCase_->isChecked(), matchAccents_->isChecked()});
    showSearchState();
}

void FindWindow::showEveryoneSearched(bool everyoneChecked)
{
    if (!everyoneChecked) {
        search_->stop();
        searchEveryoneSoon_.stop();
        found_->clear();
        failure_.clear();
    }
    foundList_->setVisible(everyoneChecked);
    searchState_->setVisible(everyoneChecked);
    stop_->setVisible(everyoneChecked);
}

void FindWindow::showSearchState()
{
    const qsizetype count = found_->rowCount();
    stop_->setEnabled(search_->isRunning());
    searchState_->setText(!failure_.isEmpty()          ? failure_
                          : search_->isRunning()       ? SearchRunning(count)
                          : lookFor_->text().isEmpty() ? QString()
                          : stopped_                   ? SearchStopped(count)
                                                       : PersonsFound(count));
}

void FindWindow::searchFailed(const LedgerError& failure)
{
    failure_ = SearchFailed(failure);
    showSearchState();
}

void FindWindow::pickRow(int row)
{
    if (row < 0 || row >= found_->rowCount())
        return;
    emit personPicked(found_->at(row).person);
}
