#pragma once

#include "persons/NameFinder.h"
#include "persons/NameList.h"

#include <QAbstractListModel>
#include <vector>

// The persons whose name contains the text searched, as the list shows them while the user types on it: each row
// stands for a row of the NameList (its text and KeyRole passed through, the NameList row under NameRowRole).
// Searched again whenever the names change.
class FoundNames : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int NameRowRole = Qt::UserRole + 1;

    explicit FoundNames(NameList& names, QObject* parent = nullptr);

    QModelIndex index(int row, int column = 0, const QModelIndex& parent = QModelIndex()) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Empty: nothing is searched, no row.
    void search(const QString& typed);
    const QString& searched() const { return searched_; }
    NameFinder& finder() { return finder_; }

private:
    void searchAgain();

    NameList& names_;
    // Declared, so connected to the names, before this model's own reaction to their changes.
    NameFinder finder_;
    QString searched_;
    std::vector<int> rows_;
};
