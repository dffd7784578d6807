#pragma once

#include <QComboBox>
#include <QStringList>

// The drop-down list of persons: entries kept in French alphabetical order, a click event on every
// selection (by the user or by code, the same entry included, never for "no selection"), and a
// drop-down event raised before the list part opens. The user picks entries but cannot type.
class PersonList : public QComboBox {
    Q_OBJECT
public:
    explicit PersonList(QWidget* parent = nullptr);

    // Replaces every entry at once (sorted here, one insertion), leaving nothing selected and raising
    // no click. Sorting once keeps 100,000 names fast.
    void setEntries(const QStringList& names);
    // Removes every entry without raising a click.
    void clearEntries();

    int entryCount() const { return count(); }
    QString entryAt(int index) const { return itemText(index); }
    // Selects the entry and raises listClick, nested, even when it was already selected.
    void selectIndex(int index);

    void showPopup() override;

    // French alphabetical order; names that collate equal are ordered exactly, so the order is stable.
    static void sortNames(QStringList& names);

Q_SIGNALS:
    void listClick();
    void dropDown();

private:
    void raiseUserClick(int index);
    // Set while selectIndex changes the index, which raises its own click.
    bool selectingByCode_ = false;
};
