#include "ui/find/NotesBoxMatches.h"

#include "ui/toolkit/HandlerGuard.h"
#include "ui/toolkit/NotesBox.h"

#include <QEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>
#include <chrono>
#include <utility>

namespace {

// Typing in megabytes of notes searches them again only once the typing pauses.
constexpr std::chrono::milliseconds SearchAfterEdit{150};

bool StartsBefore(const TextMatch& match, qsizetype position)
{
    return match.begin < position;
}

} // namespace

NotesBoxMatches::NotesBoxMatches(NotesBox& box, HandlerGuard& guard, QObject* parent)
    : QObject(parent), box_(box), guard_(guard)
{
    searchAgain_.setSingleShot(true);
    searchAgain_.setInterval(SearchAfterEdit);
    connect(&searchAgain_, &QTimer::timeout, this, guard_.guarded([this] { searchIfStale(); }));
    connect(&box_, &QPlainTextEdit::textChanged, this, guard_.guarded([this] { textEdited(); }));
    // Scrolling, a new size or a new zoom: whatever changes the lines in view.
    connect(&box_, &QPlainTextEdit::updateRequest, this, guard_.guarded([this] { highlightVisible(); }));
    box_.viewport()->installEventFilter(this);
}

void NotesBoxMatches::lookFor(const QString& needle, MatchOptions options)
{
    needle_ = needle;
    options_ = options;
    search();
    const qsizetype from = box_.textCursor().selectionStart();
    const auto next = std::lower_bound(matches_.begin(), matches_.end(), from, StartsBefore);
    select(next == matches_.end() ? 0 : next - matches_.begin());
}

void NotesBoxMatches::selectNext()
{
    searchIfStale();
    const QTextCursor caret = box_.textCursor();
    // From the selection's start when a match is selected, so that the next one may begin within it.
    const qsizetype from = caret.hasSelection() ? caret.selectionStart() + 1 : caret.position();
    const auto next = std::lower_bound(matches_.begin(), matches_.end(), from, StartsBefore);
    select(next == matches_.end() ? 0 : next - matches_.begin());
}

void NotesBoxMatches::selectPrevious()
{
    searchIfStale();
    const qsizetype from = box_.textCursor().selectionStart();
    const auto next = std::lower_bound(matches_.begin(), matches_.end(), from, StartsBefore);
    select(next == matches_.begin() ? qsizetype(matches_.size()) - 1 : (next - matches_.begin()) - 1);
}

void NotesBoxMatches::selectFirst()
{
    search();
    select(0);
}

void NotesBoxMatches::clear()
{
    needle_.clear();
    matches_.clear();
    searchAgain_.stop();
    highlightVisible();
    emit changed();
}

qsizetype NotesBoxMatches::count()
{
    return qsizetype(matches_.size());
}

qsizetype NotesBoxMatches::current() const
{
    const QTextCursor caret = box_.textCursor();
    const auto at = std::lower_bound(matches_.begin(), matches_.end(), caret.selectionStart(), StartsBefore);
    if (at == matches_.end() || at->begin != caret.selectionStart() || at->begin + at->length != caret.selectionEnd())
        return 0;
    return (at - matches_.begin()) + 1;
}

bool NotesBoxMatches::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize)
        guard_.run([this] { highlightVisible(); });
    return QObject::eventFilter(watched, event);
}

void NotesBoxMatches::search()
{
    searchAgain_.stop();
    stale_ = false;
    searched_ = box_.document();
    matches_ =
        needle_.isEmpty() ? std::vector<TextMatch>{} : FindAllMatches(box_.document()->toRawText(), needle_, options_);
    // Other matches on the same lines.
    highlightedLines_ = {-1, -1};
    highlightVisible();
    emit changed();
}

void NotesBoxMatches::searchIfStale()
{
    if (stale_ || searched_ != box_.document())
        search();
}

void NotesBoxMatches::textEdited()
{
    if (needle_.isEmpty())
        return;
    // The places found no longer fit the text: highlighting them would mark the wrong characters.
    stale_ = true;
    matches_.clear();
    highlightVisible();
    searchAgain_.start();
}

void NotesBoxMatches::select(qsizetype index)
{
    if (index < 0 || index >= qsizetype(matches_.size())) {
        emit changed();
        return;
    }
    const TextMatch& match = matches_[index];
    QTextCursor selection(box_.document());
    selection.setPosition(int(match.begin));
    selection.setPosition(int(match.begin + match.length), QTextCursor::KeepAnchor);
    box_.setTextCursor(selection);
    box_.ensureCursorVisible();
    emit changed();
}

void NotesBoxMatches::highlightVisible()
{
    if (matches_.empty()) {
        // Cleared first: clearing asks for a drawing, which comes back here.
        if (std::exchange(highlighted_, false))
            box_.setExtraSelections({});
        return;
    }
    // Whole lines from the top of the view to its bottom: a match cut by an edge is still highlighted.
    const QRect view = box_.viewport()->rect();
    const QTextDocument* document = box_.document();
    const qsizetype top = document->findBlock(box_.cursorForPosition(view.topLeft()).position()).position();
    const QTextBlock bottomBlock = document->findBlock(box_.cursorForPosition(view.bottomRight()).position());
    const qsizetype bottom = bottomBlock.position() + bottomBlock.length();
    // Highlighting asks for a drawing, which comes back here: the same lines need nothing more.
    if (highlighted_ && highlightedLines_ == std::pair{top, bottom})
        return;
    highlighted_ = true;
    highlightedLines_ = {top, bottom};
    QTextCharFormat highlighted;
    highlighted.setBackground(QColor(255, 226, 110));
    highlighted.setForeground(Qt::black);
    QList<QTextEdit::ExtraSelection> selections;
    for (auto at = std::lower_bound(matches_.begin(), matches_.end(), top, StartsBefore);
         at != matches_.end() && at->begin < bottom; ++at) {
        QTextCursor cursor(box_.document());
        cursor.setPosition(int(at->begin));
        cursor.setPosition(int(at->begin + at->length), QTextCursor::KeepAnchor);
        selections.append({cursor, highlighted});
    }
    box_.setExtraSelections(selections);
}
