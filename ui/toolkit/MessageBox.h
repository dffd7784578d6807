#pragma once

#include "ui/toolkit/ScopedSeam.h"

#include <QString>
#include <QWidget>
#include <deque>
#include <vector>

// Modal message boxes with plain text (a name like "<b>Léa" shows as typed). CR LF in the text is a
// line break. On a Yes/No box, Yes is the default and Escape or the close box answer No.
enum class MessageIcon { Error, Information };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

MessageAnswer ShowMessage(QWidget* parent, const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons buttons = MessageButtons::Ok);
// The same, with the button Enter presses on a Yes/No box chosen (No for a question whose Yes loses data).
MessageAnswer ShowMessage(QWidget* parent, const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons buttons, MessageAnswer defaultAnswer);

// Test seam: while one is alive, no box is shown; each box is recorded and answered from the queue
// (Ok for an Ok box; for a Yes/No box the next queued answer, or No when the queue is empty).
class MessageBoxSeam : public ScopedSeam<MessageBoxSeam> {
public:
    struct Shown {
        QString text;
        QString title;
        MessageIcon icon;
        MessageButtons buttons;
        MessageAnswer defaultAnswer = MessageAnswer::Ok;
    };

    void queueAnswer(MessageAnswer answer) { answers_.push_back(answer); }
    const std::vector<Shown>& shown() const { return shown_; }
    void clear() { shown_.clear(); }

private:
    friend MessageAnswer ShowMessage(QWidget*, const QString&, const QString&, MessageIcon, MessageButtons,
                                     MessageAnswer);
    std::deque<MessageAnswer> answers_;
    std::vector<Shown> shown_;
};

// While one is alive the program is ending and no one is left to answer: each box takes its safe answer at once
// (OK, or No on a question) and its text goes to standard error, as does the text of a box the end closed. The
// handler guard makes one when the end is asked for.
class NobodyToAnswer : public ScopedSeam<NobodyToAnswer> {};
