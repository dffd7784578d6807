#include "persons/FoundNames.h"

FoundNames::FoundNames(NameList& names, QObject* parent) : QAbstractListModel(parent), names_(names), finder_(names)
{
    // The rows held name NameList rows that have moved or gone.
    for (const auto changed : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(&names_, changed, this, &FoundNames::searchAgain);
    connect(&names_, &QAbstractItemModel::modelReset, this, &FoundNames::searchAgain);
}

// The list's view asks for every row's index each time it lays the rows out: without the checks through virtual
// calls of the default.
QModelIndex FoundNames::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || static_cast<size_t>(row) >= rows_.size() || column != 0 || parent.isValid())
        return {};
    return createIndex(row, column);
}

int FoundNames::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant FoundNames::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || static_cast<size_t>(index.row()) >= rows_.size())
        return {};
    const int nameRow = rows_[static_cast<size_t>(index.row())];
    if (role == NameRowRole)
        return nameRow;
    return names_.data(names_.index(nameRow), role);
}

void FoundNames::search(const QString& typed)
{
    // Folding may put the rows of a long list in place first, which must not happen inside the reset.
    if (!typed.isEmpty())
        finder_.prepare();
    beginResetModel();
    searched_ = typed;
    rows_ = typed.isEmpty() ? std::vector<int>() : finder_.find(typed);
    endResetModel();
}

void FoundNames::searchAgain()
{
    if (!searched_.isEmpty())
        search(searched_);
}
