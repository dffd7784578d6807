#include "ui/toolkit/NotesBox.h"

#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace {

bool IsWidgetLineBreak(QChar c)
{
    return c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

} // namespace

NotesBox::NotesBox(QWidget* parent) : QPlainTextEdit(parent)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(true);
}

QString NotesBox::text() const
{
    // toPlainText() would turn every non-breaking space into a plain one.
    return fromWidgetText(document()->toRawText());
}

void NotesBox::loadText(const QString& text)
{
    // QTextCursor::insertText already breaks paragraphs at CR LF, lone CR and lone LF: no conversion pass
    // over megabytes of notes.
    setPlainText(text);
    document()->setModified(false);
}

void NotesBox::replaceText(const QString& text)
{
    const int caret = textCursor().position();
    const int scroll = verticalScrollBar()->value();

    QTextCursor everything(document());
    everything.select(QTextCursor::Document);
    everything.insertText(text);

    QTextCursor caretCursor(document());
    caretCursor.setPosition(std::min(caret, document()->characterCount() - 1));
    setTextCursor(caretCursor);
    verticalScrollBar()->setValue(scroll);
    document()->setModified(true);
}

void NotesBox::appendText(const QString& text)
{
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    document()->setModified(true);
}

bool NotesBox::isEmpty() const
{
    return document()->isEmpty();
}

void NotesBox::moveCaretToEnd()
{
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    setTextCursor(end);
    ensureCursorVisible();
}

bool NotesBox::isChanged() const
{
    return document()->isModified();
}

void NotesBox::setChanged(bool changed)
{
    document()->setModified(changed);
}

QString NotesBox::toWidgetText(const QString& text)
{
    const qsizetype size = text.size();
    const QChar* const chars = text.constData();
    QString result;
    qsizetype copiedUpTo = 0;
    for (qsizetype i = 0; i < size; ++i) {
        if (chars[i] != u'\r')
            continue;
        if (result.isNull())
            result.reserve(size);
        result.append(chars + copiedUpTo, i - copiedUpTo);
        result.append(u'\n');
        if (i + 1 < size && chars[i + 1] == u'\n')
            ++i;
        copiedUpTo = i + 1;
    }
    if (result.isNull())
        return text;
    result.append(chars + copiedUpTo, size - copiedUpTo);
    return result;
}

QString NotesBox::fromWidgetText(const QString& widgetText)
{
    const qsizetype size = widgetText.size();
    const QChar* const chars = widgetText.constData();
    QString result;
    qsizetype copiedUpTo = 0;
    for (qsizetype i = 0; i < size; ++i) {
        if (!IsWidgetLineBreak(chars[i]))
            continue;
        if (result.isNull())
            result.reserve(size + size / 16 + 2);
        result.append(chars + copiedUpTo, i - copiedUpTo);
        result.append(u"\r\n");
        copiedUpTo = i + 1;
    }
    if (result.isNull())
        return widgetText;
    result.append(chars + copiedUpTo, size - copiedUpTo);
    return result;
}
