#pragma once

#include "persons/NameList.h"
#include "ui/toolkit/PersonList.h"

#include <QString>
#include <QStringList>
#include <functional>

class QMessageBox;
class QObject;
class QWidget;

// Driving the toolkit's widgets as the user does, and reading back what they show.

// Types `text` into `widget` as key presses carrying their text, one character (code point) at a
// time, whatever the character: QTest's own typing takes only Latin-1. "\n" is the Enter key.
void TypeText(QWidget* widget, const QString& text);

// Gives `answer` the next real modal message box once it is up: the box runs its own event loop, so
// the answer comes from a timer. The timer is a child of `scope` and goes with it, answered or not.
void AnswerNextModalBox(QObject* scope, std::function<void(QMessageBox*)> answer);

// The entries of the list, in the order it shows them.
QStringList EntriesOf(PersonList& list);

// A person list with names of its own, as the main window gives it the ledger's.
class FilledList : public PersonList {
public:
    // Wired as the main window wires its list.
    explicit FilledList(QWidget* parent = nullptr) : PersonList(parent)
    {
        setEntries(&names_);
        connect(this, &PersonList::drawn, &names_, &NameList::startSorting);
        connect(this, &PersonList::everyEntryNeeded, &names_, &NameList::finishSorting);
        connect(&names_, &NameList::sorted, &names_, &NameList::finishSorting);
    }
    void fill(const QList<QByteArray>& keys)
    {
        names_.fill([&keys](const std::function<void(QByteArrayView)>& add) {
            for (const QByteArray& key : keys)
                add(key);
        });
    }
    NameList& names() { return names_; }

private:
    NameList names_;
};
