#pragma once

#include "ui/toolkit/SortedNames.h"

#include <QAbstractListModel>

// The person list's entries as the combo box and its list part see them: one row per name of the sorted array,
// its text decoded only when a row is drawn or asked for. A QStandardItemModel would hold an item object per name.
class PersonListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    const SortedNames& names() const { return names_; }
    // Replaces every row: removed, then the new ones inserted at once.
    void assign(SortedNames names);
    void clear();
    // Puts the rows after the first in place, once the whole list is sorted: `names` starts with the one row
    // shown so far.
    void completeWith(SortedNames names);
    int insert(QByteArrayView stored);
    // Removes every row with those bytes.
    void removeAll(QByteArrayView stored);

private:
    SortedNames names_;
};
