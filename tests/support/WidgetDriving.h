#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class PersonList;
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
