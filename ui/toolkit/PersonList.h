#pragma once

#include "ui/toolkit/SortedNames.h"

#include <QComboBox>
#include <atomic>
#include <functional>
#include <future>
#include <memory>

class PersonListModel;

// The drop-down list of persons: entries kept in French alphabetical order, a click event on every
// selection (by the user or by code, the same entry included, never for "no selection"), and a
// drop-down event when the list part opens. The user picks entries but cannot type.
//
// An entry is known by its key, a name's exact stored bytes; its text is those bytes decoded.
//
// The list part is drawn first and the drop-down event raised right after it reached the screen, so that
// a save made there never keeps the list from appearing; whatever the user does in the list part (a click,
// a key) waits until the event has been raised, so no entry can be chosen before it.
class PersonList : public QComboBox {
    Q_OBJECT
public:
    explicit PersonList(QWidget* parent = nullptr);
    ~PersonList() override;

    // Replaces every entry with the names `source` hands over, sorted once, leaving nothing selected and
    // raising no click. A long list is sorted on a thread of its own while its first entry is already there to
    // be selected and shown; anything that needs the others waits for the sort (see finishSorting).
    void setEntries(const SortedNames::NameSource& source);
    void setEntries(const QList<QByteArray>& keys);
    // Removes every entry without raising a click.
    void clearEntries();
    // Puts one entry at its sorted place and returns its index, raising no click; the selected entry stays
    // selected.
    int insertEntry(QByteArrayView key);
    // Removes every entry with that key, raising no click; nothing is selected afterwards when the selected
    // entry was among them.
    void removeEntries(QByteArrayView key);

    int entryCount() const { return sortUnfinished() ? static_cast<int>(sortingCount_) : count(); }
    QString entryAt(int index);
    QByteArray keyAt(int index);
    // The first entry with that key, or -1.
    int indexOfKey(QByteArrayView key);
    // The first entry a reader cannot tell from that key's text, or -1.
    int indexOfLookAlike(QByteArrayView key);
    // Waits for the sort of a long list and puts every entry in place, raising no click.
    void finishSorting();
    // Selects the entry and raises listClick, nested, even when it was already selected.
    void selectIndex(int index);

    void showPopup() override;
    void hidePopup() override;
    // The selection being reported was made on the closed list, by a key or the wheel: the user is browsing.
    bool browsingClosedList() const { return browsingClosedList_; }

    // An opening whose drop-down event has not been raised yet is treated as if that event had been handled.
    void forgetPendingDropDown() { dropDownPending_ = false; }

    // From this many names on, the list shows its first entry before the others are sorted.
    static constexpr qsizetype SortAfterShowingFrom = 20'000;

Q_SIGNALS:
    void listClick();
    void dropDown();
    // Enter or Return on the closed list: the user has chosen the person shown.
    void chosenWithEnter();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void raiseUserClick(int index);
    void raisePendingDropDown();
    void startSorting();
    void abandonSorting();
    bool sortUnfinished() const { return sorting_.valid() || unstartedSort_ != nullptr; }

    PersonListModel* model_ = nullptr;
    // Set while selectIndex changes the index, which raises its own click.
    bool selectingByCode_ = false;
    bool browsingClosedList_ = false;
    // Set from the opening of the list part until its drop-down event is raised.
    bool dropDownPending_ = false;
    // The sort of a long list, from its filling until finishSorting; sortingCount_ names in all. It starts once
    // the list has been drawn with its first entry, so as not to slow the window's first drawing down.
    std::function<SortedNames()> unstartedSort_;
    std::future<SortedNames> sorting_;
    std::shared_ptr<std::atomic<bool>> sortingAbandoned_;
    qsizetype sortingCount_ = 0;
};
