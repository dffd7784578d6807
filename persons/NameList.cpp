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
    return parent.isValid() ? 0 : static_cast<int>(rowsShown_);
}

QVariant NameList::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowsShown_)
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::AccessibleTextRole)
        return names_.text(index.row());
    if (role == KeyRole)
        return names_.stored(index.row()).toByteArray();
    return {};
}

qsizetype NameList::fill(const SortedNames::NameSource& source, QByteArrayView preferred)
{
    clear();
    auto gathered = std::make_shared<GatheredNames>();
    source([&gathered](QByteArrayView stored) { gathered->add(stored); });
    SortedNames shown;
    qsizetype preferredRow = 0;
    if (gathered->size() < SortAfterShowingFrom) {
        shown = SortedNames::fromSource(gathered->source());
        if (!preferred.isEmpty())
            preferredRow = std::max<qsizetype>(shown.indexOf(preferred), 0);
    } else {
        // Computing a million sort keys takes a second: the window shows one person meanwhile.
        const qsizetype preferredIndex = preferred.isEmpty() ? -1 : gathered->indexOf(preferred);
        const QByteArrayView first = gathered->at(preferredIndex >= 0 ? preferredIndex : gathered->firstInOrder());
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
        return -1;
    beginInsertRows(QModelIndex(), 0, static_cast<int>(shown.size()) - 1);
    names_ = std::move(shown);
    rowsShown_ = names_.size();
    endInsertRows();
    return preferredRow;
}

void NameList::clear()
{
    abandonSorting();
    if (names_.size() == 0)
        return;
    beginRemoveRows(QModelIndex(), 0, static_cast<int>(names_.size()) - 1);
    names_ = SortedNames();
    rowsShown_ = 0;
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
    // The one row shown so far keeps its place among the sorted rows: those before it come in above it, the others
    // below, so that a selection of it stays on it.
    Q_ASSERT(names_.size() == 1 && sorted.size() >= 1);
    const qsizetype place = sorted.indexOf(names_.stored(0));
    Q_ASSERT(place >= 0);
    if (place > 0) {
        beginInsertRows(QModelIndex(), 0, static_cast<int>(place) - 1);
        names_ = std::move(sorted);
        rowsShown_ = place + 1;
        endInsertRows();
    } else {
        names_ = std::move(sorted);
    }
    if (names_.size() > place + 1) {
        beginInsertRows(QModelIndex(), static_cast<int>(place) + 1, static_cast<int>(names_.size()) - 1);
        rowsShown_ = names_.size();
        endInsertRows();
    }
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
    rowsShown_ = names_.size();
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
    rowsShown_ = names_.size();
    endRemoveRows();
}
