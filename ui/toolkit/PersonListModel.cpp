#include "ui/toolkit/PersonListModel.h"

int PersonListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(names_.size());
}

QVariant PersonListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= names_.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::AccessibleTextRole)
        return names_.text(index.row());
    return {};
}

void PersonListModel::assign(SortedNames names)
{
    clear();
    if (names.size() == 0)
        return;
    beginInsertRows(QModelIndex(), 0, static_cast<int>(names.size()) - 1);
    names_ = std::move(names);
    endInsertRows();
}

void PersonListModel::completeWith(SortedNames names)
{
    Q_ASSERT(names_.size() == 1 && names.size() >= 1 && names.stored(0) == names_.stored(0));
    if (names.size() == 1)
        return;
    beginInsertRows(QModelIndex(), 1, static_cast<int>(names.size()) - 1);
    names_ = std::move(names);
    endInsertRows();
}

void PersonListModel::clear()
{
    if (names_.size() == 0)
        return;
    beginRemoveRows(QModelIndex(), 0, static_cast<int>(names_.size()) - 1);
    names_ = SortedNames();
    endRemoveRows();
}

int PersonListModel::insert(QByteArrayView stored)
{
    const int place = static_cast<int>(names_.placeFor(stored));
    beginInsertRows(QModelIndex(), place, place);
    names_.insert(stored);
    endInsertRows();
    return place;
}

void PersonListModel::removeAll(QByteArrayView stored)
{
    const auto [first, count] = names_.rangeOf(stored);
    if (count == 0)
        return;
    beginRemoveRows(QModelIndex(), static_cast<int>(first), static_cast<int>(first + count - 1));
    names_.remove(first, count);
    endRemoveRows();
}
