#pragma once

#include "persons/NotesSearch.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <utility>
#include <vector>

class HandlerGuard;
class NotesBox;
class QTextDocument;

// What is looked for in the notes box: every match of its text (unsaved edits included) found, those on screen
// highlighted, the current one selected in the box. Only the matches in view are highlighted, so that many
// matches in megabytes of notes stay cheap; the text is searched again shortly after each edit.
class NotesBoxMatches : public QObject {
    Q_OBJECT
public:
    // Its timers and the box's signals run through `guard`, as every handler does.
    NotesBoxMatches(NotesBox& box, HandlerGuard& guard, QObject* parent = nullptr);

    // Looks for `needle` and selects the first match from the current one (or the caret) on.
    void lookFor(const QString& needle, MatchOptions options);
    // The next or previous match from the box's selection or caret, wrapping round; nothing when none.
    void selectNext();
    void selectPrevious();
    // The first match of the text, searched again now: the box has just been filled.
    void selectFirst();
    // No match any more: the highlights go, the selection stays.
    void clear();

    qsizetype count();
    // The match selected in the box, counted from 1; 0 when the selection is no match.
    qsizetype current() const;

Q_SIGNALS:
    // The matches or the match selected changed.
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void search();
    void searchIfStale();
    void textEdited();
    void select(qsizetype index);
    void highlightVisible();

    NotesBox& box_;
    HandlerGuard& guard_;
    QString needle_;
    MatchOptions options_;
    std::vector<TextMatch> matches_;
    // The document the matches were found in: the box may show another one after a switch.
    QPointer<QTextDocument> searched_;
    bool stale_ = false;
    // The matches highlighted, and the lines in view they were highlighted for.
    bool highlighted_ = false;
    std::pair<qsizetype, qsizetype> highlightedLines_;
    QTimer searchAgain_;
};
