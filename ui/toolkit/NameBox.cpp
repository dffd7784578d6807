#include "ui/toolkit/NameBox.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <algorithm>

namespace {

// A key that types text, as opposed to an editing key (Backspace, Enter) or a shortcut (Ctrl+V). Ctrl with
// Alt stays typing: that is AltGr on some keyboards.
bool TypesText(const QKeyEvent& event)
{
    const QString text = event.text();
    if (text.isEmpty())
        return false;
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::ControlModifier || modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
        return false;
    return std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

} // namespace

NameBox::NameBox(QWidget* parent) : QLineEdit(parent) {}

void NameBox::keyPressEvent(QKeyEvent* event)
{
    if (keyDown_) {
        int keyCode = event->key();
        if (keyCode == Qt::Key_Return || keyCode == Qt::Key_Enter)
            keyCode = EnterKeyCode;
        keyDown_(keyCode);
        if (keyCode == 0) {
            event->accept();
            return;
        }
    }
    if (keyPress_ && TypesText(*event)) {
        const QString typed = event->text();
        QString character = typed;
        keyPress_(character);
        if (character.isEmpty()) {
            event->accept();
            return;
        }
        if (character != typed) {
            insert(character);
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void NameBox::inputMethodEvent(QInputMethodEvent* event)
{
    if (!keyPress_ || event->commitString().isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QString committed = event->commitString();
    keyPress_(committed);
    if (committed == event->commitString()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent replaced(event->preeditString(), event->attributes());
    replaced.setCommitString(committed, event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&replaced);
    event->setAccepted(replaced.isAccepted());
}
