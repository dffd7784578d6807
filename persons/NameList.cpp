#include "persons/NameList.h"

#include "persons/GatheredNames.h"

#include <QTimer>
#include <chrono>

namespace {

constexpr std::chrono::milliseconds StartSortingAtTheLatest{500};

} // namespace

NameList::NameList(QObject* parent) : QAbstractListModel(parent) {}

NameList::~NameList()
{
    abandonSorting();
}

int NameList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(names_.size());
}

QVariant NameList::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= names_.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::AccessibleTextRole)
        return names_.text(index.row());
    if (role == KeyRole)
        return names_.stored(index.row()).toByteArray();
    return {};
}

void NameList::fill(const SortedNames::NameSource& source)
{
    clear();
    auto gathered = std::make_shared<GatheredNames>();
    source([&gathered](QByteArrayView stored) { gathered->add(stored); });
    SortedNames shown;
    if (gathered->size() < SortAfterShowingFrom) {
        shown = SortedNames::fromSource(gathered->source());
    } else {
        // Computing a million sort keys takes a second: the window shows the first person meanwhile.
        const QByteArrayView first = gathered->at(gathered->firstInOrder());
        shown = SortedNames::fromSource([first](const std::function<void(QByteArrayView)>& add) { add(first); });
        sortingCount_ = gathered->size();
        auto abandoned = std::make_shared<std::atomic<bool>>(false);
        sortingAbandoned_ = abandoned;
        unstartedSort_ = [this, gathered, abandoned] {
            SortedNames sorted = SortedNames::fromSource([&](const std::function<void(QByteArrayView)>& add) {
                for (qsizetype index = 0; index < gathered->size() && !abandoned->load(); ++index)
                    add(gathered->at(index));
            });
            if (!abandoned->load())
                QMetaObject::invokeMethod(this, &NameList::sorted, Qt::QueuedConnection);
            return sorted;
        };
        // A list that is hidden or covered may not be drawn for long.
        QTimer::singleShot(StartSortingAtTheLatest, this, &NameList::startSorting);
    }
    if (shown.size() == 0)
        return;
    beginInsertRows(QModelIndex(), 0, static_cast<int>(shown.size()) - 1);
    names_ = std::move(shown);
    endInsertRows();
}

void NameList::clear()
{
    abandonSorting();
    if (names_.size() == 0)
        return;
    beginRemoveRows(QModelIndex(), 0, static_cast<int>(names_.size()) - 1);
    names_ = SortedNames();
    endRemoveRows();
}

void NameList::startSorting()
{
    if (!unstartedSort_)
        return;
    sorting_ = std::async(std::launch::async, std::move(unstartedSort_));
    unstartedSort_ = nullptr;
}

void NameList::finishSorting()
{
    startSorting();
    if (!sorting_.valid())
        return;
    SortedNames sorted = sorting_.get();
    sorting_ = {};
    sortingAbandoned_.reset();
    sortingCount_ = 0;
    // The one row shown so far is the first of the sorted list: the others come after it.
    Q_ASSERT(names_.size() == 1 && sorted.size() >= 1 && sorted.stored(0) == names_.stored(0));
    if (sorted.size() == 1)
        return;
    beginInsertRows(QModelIndex(), 1, static_cast<int>(sorted.size()) - 1);
    names_ = std::move(sorted);
    endInsertRows();
}

void NameList::abandonSorting()
{
    unstartedSort_ = nullptr;
    if (sorting_.valid()) {
        sortingAbandoned_->store(true);
        sorting_.wait();
    }
    sorting_ = {};
    sortingAbandoned_.reset();
    sortingCount_ = 0;
}

QByteArray NameList::keyAt(qsizetype row)
{
    if (row >= names_.size())
        finishSorting();
    if (row < 0 || row >= names_.size())
        return {};
    return names_.stored(row).toByteArray();
}

qsizetype NameList::indexOf(QByteArrayView stored)
{
    finishSorting();
    return names_.indexOf(stored);
}

qsizetype NameList::indexOfLookAlike(QByteArrayView stored)
{
    finishSorting();
    return names_.indexOfLookAlike(stored);
}

qsizetype NameList::insert(QByteArrayView stored)
{
    finishSorting();
    const qsizetype place = names_.placeFor(stored);
    beginInsertRows(QModelIndex(), static_cast<int>(place), static_cast<int>(place));
    names_.insert(stored);
    endInsertRows();
    return place;
}

void NameList::removeAll(QByteArrayView stored)
{
    finishSorting();
    const auto [first, count] = names_.rangeOf(stored);
    if (count == 0)
        return;
    beginRemoveRows(QModelIndex(), static_cast<int>(first), static_cast<int>(first + count - 1));
    names_.remove(first, count);
    endRemoveRows();
}
