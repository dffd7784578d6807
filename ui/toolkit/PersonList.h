#pragma once

#include <QComboBox>
#include <QStringList>

// The drop-down list of persons: entries kept in French alphabetical order, a click event on every
// selection (by the user or by code, the same entry included, never for "no selection"), and a
// drop-down event raised before the list part opens. The user picks entries but cannot type.
class PersonList : public QComboBox {
    Q_OBJECT
public:
    // An entry: the text shown, and the key that the program knows it by (a name's exact stored bytes).
    struct Entry {
        QString text;
        QByteArray key;
    };

    explicit PersonList(QWidget* parent = nullptr);

    // Replaces every entry at once (sorted here by their texts, one insertion), leaving nothing selected and
    // raising no click. Sorting once keeps 100,000 names fast.
    void setEntries(const QList<Entry>& entries);
    // Removes every entry without raising a click.
    void clearEntries();

    int entryCount() const { return count(); }
    QString entryAt(int index) const { return itemText(index); }
    QByteArray keyAt(int index) const { return keys_.value(index); }
    // Selects the entry and raises listClick, nested, even when it was already selected.
    void selectIndex(int index);

    void showPopup() override;

Q_SIGNALS:
    void listClick();
    void dropDown();

private:
    void raiseUserClick(int index);
    // Set while selectIndex changes the index, which raises its own click.
    bool selectingByCode_ = false;
    // The entries' keys, in the list's order.
    QList<QByteArray> keys_;
};
