#include "ui/toolkit/NotesBox.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextDocumentLayout>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <chrono>

namespace {

// Emptying a document of this many characters or more, its text, paragraphs and line layouts, takes milliseconds
// of freeing memory, most of it handing pages back to the system.
constexpr int LargeDocumentCharacters = 1 << 16;
constexpr std::chrono::milliseconds FreeRetiredAtTheLatest{500};

bool IsWidgetLineBreak(QChar c)
{
    return c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

// The text as the document holds it once inserted: QTextCursor::insertText starts a new paragraph at
// CR LF, lone CR, lone LF, a paragraph separator and the two frame marks.
QString DocumentForm(const QString& text)
{
    QString result(text.size(), Qt::Uninitialized);
    QChar* out = result.data();
    const QChar* const chars = text.constData();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = chars[i];
        if (c == u'\r' && i + 1 < size && chars[i + 1] == u'\n')
            ++i;
        const bool breaks =
            c == u'\r' || c == u'\n' || c == QChar::ParagraphSeparator || c == QChar(0xfdd0) || c == QChar(0xfdd1);
        *out++ = breaks ? QChar(QChar::ParagraphSeparator) : c;
    }
    result.truncate(out - result.constData());
    return result;
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
    // Small notes shown in place of large ones go into a fresh document, and the large one is freed once the box
    // has been drawn with them: the user does not wait for the freeing. Large notes replace large ones in place,
    // so that two large documents are never held at once.
    if (document()->characterCount() >= LargeDocumentCharacters && text.size() < LargeDocumentCharacters)
        retireShownDocument();
    // QTextCursor::insertText already breaks paragraphs at CR LF, lone CR and lone LF: no conversion pass
    // over megabytes of notes.
    setPlainText(text);
    document()->setModified(false);
}

void NotesBox::replaceText(const QString& text)
{
    const int caret = textCursor().position();
    const int scroll = verticalScrollBar()->value();

    // Only the part that differs is replaced: re-inserting megabytes of notes to change one character
    // would lay out and keep for undo the whole text again.
    const QString current = document()->toRawText();
    const QString replacement = DocumentForm(text);
    const qsizetype shorter = std::min(current.size(), replacement.size());
    qsizetype prefix =
        std::mismatch(current.cbegin(), current.cbegin() + shorter, replacement.cbegin()).first - current.cbegin();
    qsizetype suffix =
        std::mismatch(current.crbegin(), current.crbegin() + (shorter - prefix), replacement.crbegin()).first -
        current.crbegin();
    // Never split a surrogate pair between the kept and the replaced parts.
    if (prefix > 0 && current.at(prefix - 1).isHighSurrogate())
        --prefix;
    if (suffix > 0 && current.at(current.size() - suffix).isLowSurrogate())
        --suffix;
    if (prefix + suffix < current.size() || prefix + suffix < replacement.size()) {
        QTextCursor changed(document());
        changed.setPosition(int(prefix));
        changed.setPosition(int(current.size() - suffix), QTextCursor::KeepAnchor);
        changed.insertText(replacement.mid(prefix, replacement.size() - suffix - prefix));
    }

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

int NotesBox::caretPlace() const
{
    return textCursor().position();
}

void NotesBox::moveCaretTo(int place)
{
    QTextCursor caret(document());
    caret.setPosition(std::clamp(place, 0, document()->characterCount() - 1));
    setTextCursor(caret);
    ensureCursorVisible();
}

void NotesBox::setZoom(int points)
{
    points = std::clamp(points, MinZoom, MaxZoom);
    if (points == zoom_)
        return;
    zoomInF(static_cast<float>(points - zoom_));
    zoom_ = points;
    emit zoomChanged(zoom_);
}

void NotesBox::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QPlainTextEdit::wheelEvent(event);
        return;
    }
    constexpr int Notch = 120;
    zoomWheelLeft_ += event->angleDelta().y();
    const int notches = zoomWheelLeft_ / Notch;
    zoomWheelLeft_ -= notches * Notch;
    setZoom(zoom_ + notches);
    event->accept();
}

bool NotesBox::isChanged() const
{
    return document()->isModified();
}

void NotesBox::setChanged(bool changed)
{
    document()->setModified(changed);
}

void NotesBox::retireShownDocument()
{
    QTextDocument* shown = document();
    auto* fresh = new QTextDocument(this);
    auto* layout = new QPlainTextDocumentLayout(fresh);
    layout->setCursorWidth(qobject_cast<QPlainTextDocumentLayout*>(shown->documentLayout())->cursorWidth());
    fresh->setDocumentLayout(layout);
    fresh->setDefaultFont(shown->defaultFont());
    fresh->setDefaultTextOption(shown->defaultTextOption());
    fresh->setDocumentMargin(shown->documentMargin());
    fresh->setUndoRedoEnabled(shown->isUndoRedoEnabled());
    fresh->setUseDesignMetrics(shown->useDesignMetrics());
    // Taken from its owner first: the box deletes a replaced document at once when it owns it.
    shown->setParent(nullptr);
    retired_.emplace_back(shown);
    setDocument(fresh);
    // After the next drawing, or soon in any case: a box hidden or covered may not be drawn for long.
    freeAfterPaint_ = isVisible();
    QTimer::singleShot(freeAfterPaint_ ? FreeRetiredAtTheLatest : std::chrono::milliseconds(0), this,
                       &NotesBox::freeRetiredDocuments);
}

void NotesBox::freeRetiredDocuments()
{
    freeAfterPaint_ = false;
    retired_.clear();
}

void NotesBox::paintEvent(QPaintEvent* event)
{
    QPlainTextEdit::paintEvent(event);
    if (freeAfterPaint_) {
        freeAfterPaint_ = false;
        QTimer::singleShot(0, this, &NotesBox::freeRetiredDocuments);
    }
}

void NotesBox::keyPressEvent(QKeyEvent* event)
{
    // Keyboards without a Menu key open the menu with Shift+F10, as elsewhere on the desktop; Qt maps only the
    // Menu key.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        const QPoint caret = cursorRect().center();
        QContextMenuEvent atCaret(QContextMenuEvent::Keyboard, caret, viewport()->mapToGlobal(caret));
        contextMenuEvent(&atCaret);
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void NotesBox::contextMenuEvent(QContextMenuEvent* event)
{
    std::unique_ptr<QMenu> menu(createStandardContextMenu(event->pos()));
    for (const QList<QAction*>& group : menuGroups_) {
        menu->addSeparator();
        menu->addActions(group);
    }
    menu->exec(event->globalPos());
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
