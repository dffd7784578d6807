#pragma once

#include "persons/NotesSearch.h"

#include <QAbstractListModel>

// The persons a search of every person's notes has found so far, in the order they came: each shown with the line
// where the text is.
class FoundPersons : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    void append(const QList<FoundPerson>& found);
    void clear();
    const FoundPerson& at(int row) const { return found_.at(row); }

private:
    QList<FoundPerson> found_;
};
