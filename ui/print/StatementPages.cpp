#include "ui/print/StatementPages.h"

#include "ui/words/PrintWords.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>

namespace {

// A paragraph longer than this is laid out in parts cut at a space: one laid out whole could take hundreds of
// megabytes and could not be stopped.
constexpr qsizetype LongestPiece = 4096;
// Of the whole work, the share of counting the pages (the rest is painting them): 2 s of 8 on 10 MB of notes.
constexpr double CountingShare = 0.25;
constexpr qreal MarginMillimetres = 20;

// The notes, one line of text after another: the paragraphs between line breaks, a long one in pieces.
class Pieces {
public:
    explicit Pieces(QStringView notes) : notes_(notes) {}

    bool next(QStringView& piece)
    {
        if (done_)
            return false;
        const QChar* const begin = notes_.data() + position_;
        const QChar* const end = notes_.data() + notes_.size();
        const QChar* const lineBreak = std::find_if(begin, end, [](QChar c) { return c == u'\r' || c == u'\n'; });
        const qsizetype length = lineBreak - begin;
        if (length > LongestPiece) {
            const qsizetype cut = CutAt(notes_.mid(position_, LongestPiece));
            piece = notes_.mid(position_, cut);
            position_ += cut;
            return true;
        }
        piece = notes_.mid(position_, length);
        position_ += length;
        if (lineBreak == end)
            done_ = true;
        else
            position_ += (*lineBreak == u'\r' && lineBreak + 1 < end && lineBreak[1] == u'\n') ? 2 : 1;
        return true;
    }

    qsizetype position() const { return position_; }

private:
    // After the last space of the second half, or else where no character is split.
    static qsizetype CutAt(QStringView longest)
    {
        const qsizetype space = longest.lastIndexOf(u' ');
        if (space >= longest.size() / 2)
            return space + 1;
        return longest.back().isHighSurrogate() ? longest.size() - 1 : longest.size();
    }

    QStringView notes_;
    qsizetype position_ = 0;
    bool done_ = false;
};

// Where things go on every page, in the device's pixels.
struct PageFrame {
    PageFrame(const QPagedPaintDevice& device, const QFont& notesFont)
        : nameFont(notesFont), headingFont(notesFont), footFont(notesFont)
    {
        nameFont.setBold(true);
        nameFont.setPointSizeF(notesFont.pointSizeF() * 1.25);
        footFont.setPointSizeF(notesFont.pointSizeF() * 0.8);
        const qreal nameHeight = QFontMetricsF(nameFont, &device).lineSpacing();
        const qreal headingHeight = QFontMetricsF(headingFont, &device).lineSpacing();
        const qreal notesLine = QFontMetricsF(notesFont, &device).lineSpacing();
        const qreal footHeight = QFontMetricsF(footFont, &device).lineSpacing();
        width = device.width();
        nameBox = QRectF(0, 0, width, nameHeight);
        headingBox = QRectF(0, nameHeight, width, headingHeight);
        ruleY = nameHeight + headingHeight + notesLine / 4;
        bodyTop = ruleY + notesLine / 2;
        footBox = QRectF(0, device.height() - footHeight, width, footHeight);
        bodyBottom = footBox.top() - notesLine / 2;
    }

    QFont nameFont;
    QFont headingFont;
    QFont footFont;
    qreal width = 0;
    QRectF nameBox;
    QRectF headingBox;
    qreal ruleY = 0;
    qreal bodyTop = 0;
    qreal bodyBottom = 0;
    QRectF footBox;
};

// Lays the notes out line by line onto pages, the same way whether painting or counting: `line` is told of each
// line with where it goes, `pageEnds` of each page full. False once told to stop.
bool Flow(const QPagedPaintDevice& device, const Statement& statement, const PageFrame& frame,
          const std::function<bool(qsizetype laidOut)>& goOn, const std::function<void(const QTextLine&, qreal)>& line,
          const std::function<bool()>& pageEnds)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // The layout scales tab stops from the screen's resolution to the device's itself.
    option.setTabStopDistance(QFontMetricsF(statement.font).horizontalAdvance(u' ') * 8);
    Pieces pieces(statement.notes);
    QStringView piece;
    qreal y = frame.bodyTop;
    while (pieces.next(piece)) {
        if (!goOn(pieces.position()))
            return false;
        QTextLayout layout(piece.toString(), statement.font, &device);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine laid = layout.createLine(); laid.isValid(); laid = layout.createLine()) {
            laid.setLineWidth(frame.width);
            laid.setPosition(QPointF(0, 0));
            if (y + laid.height() > frame.bodyBottom && y > frame.bodyTop) {
                if (!pageEnds())
                    return false;
                y = frame.bodyTop;
            }
            line(laid, y);
            y += laid.height();
        }
        layout.endLayout();
    }
    return true;
}

void PaintFrame(QPainter& painter, const Statement& statement, const PageFrame& frame, int page, int pages)
{
    painter.setFont(frame.nameFont);
    painter.drawText(
        frame.nameBox, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetricsF(frame.nameFont, painter.device()).elidedText(statement.person, Qt::ElideRight, frame.width));
    painter.setFont(frame.headingFont);
    painter.drawText(frame.headingBox, Qt::AlignLeft | Qt::AlignVCenter, statement.heading);
    painter.drawLine(QPointF(0, frame.ruleY), QPointF(frame.width, frame.ruleY));
    painter.setFont(frame.footFont);
    painter.drawText(frame.footBox, Qt::AlignHCenter | Qt::AlignVCenter, PageNumber(page, pages));
}

} // namespace

void UseStatementPageLayout(QPagedPaintDevice& device)
{
    device.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                    QMarginsF(MarginMillimetres, MarginMillimetres, MarginMillimetres, MarginMillimetres),
                    QPageLayout::Millimeter));
}

PaintedPages PaintStatement(QPagedPaintDevice& device, const Statement& statement, const PaintProgress& progress)
{
    const PageFrame frame(device, statement.font);
    const double total = std::max<qsizetype>(statement.notes.size(), 1);
    const auto share = [&](double start, double part) {
        return [&progress, start, part, total](qsizetype laidOut) {
            return progress(start + part * laidOut / total);
        };
    };

    int pages = 1;
    const auto noLine = [](const QTextLine&, qreal) {
    };
    if (!Flow(device, statement, frame, share(0, CountingShare), noLine, [&pages] { return ++pages, true; }))
        return {PaintedPages::Outcome::Stopped, 0};

    QPainter painter;
    if (!painter.begin(&device))
        return {PaintedPages::Outcome::CannotPaint, 0};
    int page = 1;
    PaintFrame(painter, statement, frame, page, pages);
    bool cannotTurn = false;
    const auto paintLine = [&painter](const QTextLine& line, qreal y) {
        line.draw(&painter, QPointF(0, y));
    };
    const auto turnPage = [&] {
        if (!device.newPage())
            return !(cannotTurn = true);
        PaintFrame(painter, statement, frame, ++page, pages);
        return true;
    };
    if (!Flow(device, statement, frame, share(CountingShare, 1 - CountingShare), paintLine, turnPage))
        return {cannotTurn ? PaintedPages::Outcome::CannotPaint : PaintedPages::Outcome::Stopped, page};
    if (!painter.end())
        return {PaintedPages::Outcome::CannotPaint, page};
    progress(1);
    return {PaintedPages::Outcome::Done, page};
}
