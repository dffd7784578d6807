// Finding in the notes: the commands that open the find window and go from match to match, and the person picked
// among those found.

#include "ui/find/FindWindow.h"
#include "ui/main/frmPlorn.h"
#include "ui/toolkit/HandlerGuard.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"
#include "ui/words/FindWords.h"

#include <QAction>

void frmPlorn::BuildFindCommands()
{
    const auto command = [this](const QString& text, const QKeySequence& key, auto handler) {
        auto* action = new QAction(text, this);
        action->setShortcut(key);
        // The find window takes the same keys: it is given these actions too.
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, guard_.guarded(handler));
        addAction(action);
        return action;
    };
    // F3 before anything was looked for opens the window, as Ctrl+F does.
    const auto goToMatch = [this](void (FindWindow::*go)()) {
        return [this, go] {
            FindWindow& window = TheFindWindow();
            if (window.hasSomethingToFind())
                (window.*go)();
            else
                window.showWithTextSelected();
        };
    };
    findCommands_ = {
        command(FindCommand, QKeySequence::Find, [this] { TheFindWindow().showWithTextSelected(); }),
        command(FindNextCommand, QKeySequence(Qt::Key_F3), goToMatch(&FindWindow::selectNextMatch)),
        command(FindPreviousCommand, QKeySequence(Qt::SHIFT | Qt::Key_F3), goToMatch(&FindWindow::selectPreviousMatch)),
    };
    txtPlorn->addMenuCommands(findCommands_);
}

FindWindow& frmPlorn::TheFindWindow()
{
    if (!findWindow_) {
        findWindow_ = new FindWindow(*this, *txtPlorn, guard_, [this] { return persons_.ledgerPath(); });
        findWindow_->addActions(findCommands_);
        connect(findWindow_, &FindWindow::personPicked, this, [this](const PersonName& person) {
            guard_.run([&] {
                if (PickPerson(person))
                    findWindow_->selectFirstMatch();
            });
        });
    }
    return *findWindow_;
}

bool frmPlorn::PickPerson(const PersonName& person)
{
    if (!persons_.isOpen() || !SaveShownNotes(Persons::SavePoint::ListOpening))
        return false;
    const qsizetype row = persons_.names().indexOf(person.stored());
    if (row < 0) {
        PersonVanished(person);
        return false;
    }
    cmbPers->selectIndex(static_cast<int>(row));
    return persons_.shown() == person;
}
