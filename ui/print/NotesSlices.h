#pragma once

#include <QPointer>
#include <QString>
#include <QTextBlock>
#include <chrono>

class QTextDocument;

// The text of a notes box taken out a slice at a time, so that the window answers its events in between: at ten
// megabytes, taking it whole holds the window up for a tenth of a second and more. The text comes out as the box's
// text() gives it, lines separated by CR LF. The box must not change meanwhile.
class NotesSlices {
public:
    explicit NotesSlices(const QTextDocument& notes);

    // Takes the next paragraphs for about `slice`; true once the whole text is out.
    bool takeFor(std::chrono::milliseconds slice);
    // False when the box's document went before the whole text was out.
    bool whole() const { return done_ && !lost_; }
    QString take() { return std::move(text_); }

private:
    QPointer<const QTextDocument> notes_;
    QTextBlock next_;
    QString text_;
    bool first_ = true;
    bool done_ = false;
    bool lost_ = false;
};
