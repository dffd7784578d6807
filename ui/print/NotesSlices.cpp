#include "ui/print/NotesSlices.h"

#include "ui/toolkit/NotesBox.h"

#include <QElapsedTimer>
#include <QTextDocument>

namespace {

// Paragraphs taken between two looks at the clock.
constexpr int ParagraphsBetweenLooks = 256;

} // namespace

NotesSlices::NotesSlices(const QTextDocument& notes) : notes_(&notes), next_(notes.begin())
{
    text_.reserve(notes.characterCount() + notes.blockCount());
}

bool NotesSlices::takeFor(std::chrono::milliseconds slice)
{
    if (done_)
        return true;
    if (!notes_) {
        lost_ = done_ = true;
        return true;
    }
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < slice.count()) {
        for (int taken = 0; taken < ParagraphsBetweenLooks; ++taken) {
            if (!next_.isValid()) {
                done_ = true;
                return true;
            }
            if (!first_)
                text_ += u"\r\n";
            first_ = false;
            // Within a paragraph, Shift+Enter's line separator is a line break too.
            text_ += NotesBox::fromWidgetText(next_.text());
            next_ = next_.next();
        }
    }
    return false;
}
