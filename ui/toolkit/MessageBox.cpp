#include "ui/toolkit/MessageBox.h"

#include <QMessageBox>
#include <cstdio>

namespace {

// A box the program's end closed, or never showed, was not read: its text goes where it still can be.
void WhenEndedUnread(const QString& title, const QString& text)
{
    if (NobodyToAnswer::live())
        std::fputs(qUtf8Printable(title + QStringLiteral(" : ") + text + QLatin1Char('\n')), stderr);
}

MessageAnswer AnswerFromSeam(std::deque<MessageAnswer>& answers, MessageButtons buttons)
{
    if (buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    if (answers.empty())
        return MessageAnswer::No;
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

} // namespace

MessageAnswer ShowMessage(QWidget* parent, const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons buttons)
{
    return ShowMessage(parent, text, title, icon, buttons, MessageAnswer::Yes);
}

MessageAnswer ShowMessage(QWidget* parent, const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons buttons, MessageAnswer defaultAnswer)
{
    const bool question = buttons == MessageButtons::YesNo;
    const bool defaultIsNo = question && defaultAnswer == MessageAnswer::No;
    // Nobody is left to answer: the safe answer, and the text where it can still be read.
    if (NobodyToAnswer::live()) {
        WhenEndedUnread(title, text);
        return question ? MessageAnswer::No : MessageAnswer::Ok;
    }
    if (MessageBoxSeam* liveSeam = MessageBoxSeam::live()) {
        const MessageAnswer shownDefault =
            !question ? MessageAnswer::Ok : (defaultIsNo ? MessageAnswer::No : MessageAnswer::Yes);
        liveSeam->shown_.push_back({text, title, icon, buttons, shownDefault});
        return AnswerFromSeam(liveSeam->answers_, buttons);
    }

    QMessageBox box(parent);
    // Qt would guess rich text from a name like "<b>Léa".
    box.setTextFormat(Qt::PlainText);
    box.setIcon(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Information);
    box.setWindowTitle(title);
    box.setText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    if (!question) {
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
        box.exec();
        WhenEndedUnread(title, text);
        return MessageAnswer::Ok;
    }
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(defaultIsNo ? QMessageBox::No : QMessageBox::Yes);
    // Escape and the close box both go through the escape button.
    box.setEscapeButton(QMessageBox::No);
    const bool yes = box.exec() == QMessageBox::Yes;
    WhenEndedUnread(title, text);
    return yes ? MessageAnswer::Yes : MessageAnswer::No;
}
