#pragma once

#include <QComboBox>

class QItemSelectionModel;

// The drop-down list of persons: a click event on every selection (by the user or by code, the same entry
// included, never for "no selection"), and a drop-down event when the list part opens. The user picks entries
// but cannot type.
//
// The entries are the rows of a model given once, in the order it keeps; an entry is known by its key, the
// model's Qt::UserRole. A change of the model's rows raises no click, and leaves nothing selected when nothing
// was, or when the selected entry went. The model may hold only some of the entries at first: `everyEntryNeeded`
// asks for the others whenever they are needed (the list part opening, a key, the wheel), and `drawn` says when
// the list has been drawn.
//
// The list part is drawn first and the drop-down event raised right after it reached the screen, so that
// a save made there never keeps the list from appearing; whatever the user does in the list part (a click,
// a key) waits until the event has been raised, so no entry can be chosen before it.
//
// Typing on the list finds persons: the first character typed opens the list part, which then shows the rows of
// the model given to setFoundEntries in place of every entry, each standing for the entry given under
// FoundEntryRole. searchTextChanged asks for those rows; Backspace takes a character back, Escape or any other
// closing gives every entry back with the selection as it was, and a pick (Enter, a click) selects the entry as a
// pick from the list part does. Space opens the closed list, as it always did, and is typed text afterwards.
class PersonList : public QComboBox {
    Q_OBJECT
public:
    static constexpr int FoundEntryRole = Qt::UserRole + 1;

    explicit PersonList(QWidget* parent = nullptr);

    // The entries shown; the model must outlive the list's use of it.
    void setEntries(QAbstractItemModel* entries);
    QString entryAt(int index);
    // Raises everyEntryNeeded, for whoever reads every entry.
    void requireEveryEntry() { emit everyEntryNeeded(); }
    QByteArray keyAt(int index);
    // Selects the entry and raises listClick, nested, even when it was already selected.
    void selectIndex(int index);

    void showPopup() override;
    void hidePopup() override;
    // The selection being reported was made on the closed list, by a key or the wheel: the user is browsing.
    bool browsingClosedList() const { return browsingClosedList_; }

    // An opening whose drop-down event has not been raised yet is treated as if that event had been handled.
    void forgetPendingDropDown() { dropDownPending_ = false; }

    // The rows shown while a text is typed; the model must outlive the list's use of it. Without them, a letter typed
    // selects the next entry starting with it.
    void setFoundEntries(QAbstractItemModel* found) { found_ = found; }
    const QString& searchText() const { return searchText_; }
    // While a text is typed: the face shows `caption` in place of the entry; those who do not see the list hear it,
    // then `help`.
    void showSearchOutcome(const QString& caption, const QString& help);

Q_SIGNALS:
    void listClick();
    void dropDown();
    // Enter or Return on the closed list: the user has chosen the person shown.
    void chosenWithEnter();
    // Every entry must be in the model when this returns.
    void everyEntryNeeded();
    // Raised once the window the list is in has been drawn.
    void drawn();
    // The text typed on the list changed; empty once it is no longer searched. The found rows must be in place when
    // this returns.
    void searchTextChanged(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void raiseUserClick(int index);
    void raisePendingDropDown();
    // Around each change of the model's rows: the combo box would select an entry by itself.
    void entriesChanging();
    void entriesChanged();

    // Text typed on the closed list or the list part: the list part opens and shows what has it.
    void typeOnList(const QString& text);
    // What the user does in the list part while a text is typed; true when it was for the search.
    bool searchEvent(QObject* watched, QEvent* event);
    void setSearchText(const QString& text);
    void showFound(bool found);
    void pickFound(const QModelIndex& found);

    // Set while selectIndex changes the index, which raises its own click.
    bool selectingByCode_ = false;
    bool browsingClosedList_ = false;
    // Set from the opening of the list part until its drop-down event is raised.
    bool dropDownPending_ = false;
    // The selection when the rows began to change, and whether it was among the rows removed.
    int selectedBeforeChange_ = -1;
    bool selectedRemoved_ = false;
    bool signalsBlockedBeforeChange_ = false;

    QAbstractItemModel* found_ = nullptr;
    QString searchText_;
    QString searchCaption_;
    // The list part's own selection of the entries, put back with them: the combo box listens to it.
    QItemSelectionModel* entriesSelection_ = nullptr;
};
