#include "ui/find/FoundPersons.h"

#include "ui/words/FindWords.h"

int FoundPersons::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(found_.size());
}

QVariant FoundPersons::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= found_.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole || role == Qt::ToolTipRole) {
        const FoundPerson& found = found_.at(index.row());
        return FoundPersonEntry(found.person.text(), found.line);
    }
    return {};
}

void FoundPersons::append(const QList<FoundPerson>& found)
{
    if (found.isEmpty())
        return;
    beginInsertRows(QModelIndex(), int(found_.size()), int(found_.size() + found.size()) - 1);
    found_ += found;
    endInsertRows();
}

void FoundPersons::clear()
{
    beginResetModel();
    found_.clear();
    endResetModel();
}
