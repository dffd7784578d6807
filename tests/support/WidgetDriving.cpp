#include "support/WidgetDriving.h"

#include "ui/toolkit/PersonList.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

void TypeText(QWidget* widget, const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        i += length - 1;
        if (character == QStringLiteral("\n")) {
            QTest::keyClick(widget, Qt::Key_Return);
            continue;
        }
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, character);
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}

void AnswerNextModalBox(QObject* scope, std::function<void(QMessageBox*)> answer)
{
    auto* poll = new QTimer(scope);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer = std::move(answer)] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll->stop();
        poll->deleteLater();
        answer(box);
    });
    poll->start();
}

QStringList EntriesOf(PersonList& list)
{
    QStringList entries;
    list.requireEveryEntry();
    for (int i = 0; i < list.count(); ++i)
        entries << list.entryAt(i);
    return entries;
}
