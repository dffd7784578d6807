#pragma once

#include "persons/SortedNames.h"

#include <QAbstractListModel>
#include <atomic>
#include <functional>
#include <future>
#include <memory>

// The persons' names in French alphabetical order, as the list shows them: one row per name, its text decoded
// only when a row is drawn or asked for. A row's key (Qt::UserRole) is the name's stored bytes.
//
// A long list is sorted on a thread of its own while its first row is already there to be shown: anything that
// needs every row waits for the sort and puts the other rows in place. (Not through canFetchMore: the list's
// view would fetch at once, and the window would wait for the sort before its first drawing.)
class NameList : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int KeyRole = Qt::UserRole;
    // From this many names on, the first row is shown before the others are sorted.
    static constexpr qsizetype SortAfterShowingFrom = 20'000;

    explicit NameList(QObject* parent = nullptr);
    ~NameList() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Replaces every row with the names `source` hands over, and returns the row of `preferred` (the first row when
    // no name has those bytes, -1 when there is none). In a long list that row is there before the others are
    // sorted, so that it can be shown at once.
    qsizetype fill(const SortedNames::NameSource& source, QByteArrayView preferred = {});
    void clear();
    // Every name, those still being sorted included.
    qsizetype count() const { return sortUnfinished() ? sortingCount_ : names_.size(); }
    // The stored bytes of the name in that row, empty outside the list.
    QByteArray keyAt(qsizetype row);
    // The first row of that name, or -1.
    qsizetype indexOf(QByteArrayView stored);
    // The first row of a name a reader cannot tell from that one, or -1.
    qsizetype indexOfLookAlike(QByteArrayView stored);
    // Puts the name at its sorted place and returns that row.
    qsizetype insert(QByteArrayView stored);
    // Removes every row of that name.
    void removeAll(QByteArrayView stored);

    // Starts the sort of a long list on its own thread, if not yet started: once the list has been drawn with its
    // first row, so as not to slow the window's first drawing down, or soon in any case.
    void startSorting();
    // Waits for the sort of a long list and puts every row in place.
    void finishSorting();

Q_SIGNALS:
    // The sort has ended on its thread: finishSorting() puts the rows in place without waiting.
    void sorted();

private:
    bool sortUnfinished() const { return sorting_.valid() || unstartedSort_ != nullptr; }
    void abandonSorting();

    SortedNames names_;
    // The rows the model shows, names_.size() but while the sorted rows are put in place around the first one.
    qsizetype rowsShown_ = 0;
    std::function<SortedNames()> unstartedSort_;
    std::future<SortedNames> sorting_;
    std::shared_ptr<std::atomic<bool>> sortingAbandoned_;
    qsizetype sortingCount_ = 0;
};
