#pragma once

#include "ledger/PersonName.h"

#include <QTimer>
#include <QWidget>
#include <functional>

class FoundPersons;
class HandlerGuard;
class NotesBox;
class NotesBoxMatches;
class NotesSearch;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class LedgerError;

// The find window, a tool window of the main window: finds what is typed in the notes shown, every match
// highlighted and the current one selected; or, asked to, lists the persons whose notes hold it, as they are found.
// Closing it removes the highlights and gives the focus back to the notes.
class FindWindow : public QWidget {
    Q_OBJECT
public:
    // `ledgerPath` gives the ledger file that the search of every person's notes reads on a connection of its own.
    FindWindow(QWidget& mainWindow, NotesBox& notes, HandlerGuard& guard, std::function<QString()> ledgerPath);
    ~FindWindow() override;

    // Shows the window in front, the text to look for selected.
    void showWithTextSelected();
    bool hasSomethingToFind() const;
    void selectNextMatch();
    void selectPreviousMatch();
    // The notes box shows a person just picked: its first match is selected.
    void selectFirstMatch();

Q_SIGNALS:
    // The user picked a person found (Enter, double-click).
    void personPicked(const PersonName& person);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Beside the main window rather than over the notes whose matches it highlights.
    void placeBesideTheMainWindow();
    void BuildControls();
    void ConnectHandlers();
    void lookForInNotes();
    void showWhereInNotes();
    void searchEveryone();
    void showEveryoneSearched(bool everyoneChecked);
    void showSearchState();
    void searchFailed(const LedgerError& failure);
    void pickRow(int row);

    HandlerGuard& guard_;
    NotesBox& notes_;
    std::function<QString()> ledgerPath_;
    NotesBoxMatches* matches_ = nullptr;
    NotesSearch* search_ = nullptr;
    FoundPersons* found_ = nullptr;
    // Typing waits for a pause before every person's notes are searched again.
    QTimer searchEveryoneSoon_;
    QString failure_;
    // The user stopped the last search before its end.
    bool stopped_ = false;

    QLineEdit* lookFor_ = nullptr;
    QCheckBox* matchCase_ = nullptr;
    QCheckBox* matchAccents_ = nullptr;
    QCheckBox* everyone_ = nullptr;
    QPushButton* previous_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* stop_ = nullptr;
    QLabel* whereInNotes_ = nullptr;
    QLabel* searchState_ = nullptr;
    QListView* foundList_ = nullptr;
    bool placed_ = false;
};
