#include "persons/NotesSearch.h"

#include "ledger/NotesReader.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstring>
#include <exception>
#include <new>

namespace {

// The text is folded a piece at a time, each ending at a line break, so that the places kept for mapping back stay
// small for megabytes of notes.
constexpr qsizetype PieceCharacters = 1 << 16;

// A read batch: each holds the ledger's read lock, which a save waits for.
constexpr qsizetype BatchBytes = 256 * 1024;
constexpr int BatchMilliseconds = 4;
// The first persons found are handed over at once, then at most this often, so that a needle found everywhere
// does not flood the window with events.
constexpr qint64 HandOverMilliseconds = 50;
// The line shown for a person found is cut around the first match beyond this many characters.
constexpr qsizetype LineCharacters = 100;
constexpr qsizetype CharactersBeforeMatch = 30;

bool IsLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

// The end of the piece starting at `from`: after the first line break past PieceCharacters, or the text's end.
qsizetype PieceEnd(QStringView text, qsizetype from)
{
    qsizetype end = std::min(text.size(), from + PieceCharacters);
    while (end < text.size() && !IsLineBreak(text[end - 1]))
        ++end;
    return end;
}

void FindInPiece(QStringView piece, qsizetype offset, QStringView foldedNeedle, MatchOptions options,
                 std::vector<TextMatch>& matches)
{
    std::vector<qsizetype> sources;
    const QString folded = FoldedForMatching(piece, options, sources);
    for (qsizetype at = folded.indexOf(foldedNeedle); at >= 0; at = folded.indexOf(foldedNeedle, at)) {
        qsizetype end = at + foldedNeedle.size();
        // The rest of a character folded into two.
        while (end < folded.size() && sources[end] == sources[end - 1])
            ++end;
        matches.push_back({offset + sources[at], sources[end] - sources[at]});
        at = end;
    }
}

qsizetype LineIndexOf(QByteArrayView folded, qsizetype at)
{
    return std::count(folded.begin(), folded.begin() + at, '\n');
}

// The line of `notes` with that index: the folding keeps every line feed and makes none, so lines match one to one.
QByteArrayView NthLine(QByteArrayView notes, qsizetype index)
{
    qsizetype start = 0;
    for (; index > 0; --index)
        start = notes.indexOf('\n', start) + 1;
    qsizetype end = notes.indexOf('\n', start);
    if (end < 0)
        end = notes.size();
    if (end > start && notes[end - 1] == '\r')
        --end;
    return notes.sliced(start, end - start);
}

QString LineAround(QByteArrayView notes, QByteArrayView folded, qsizetype at, QStringView needle, MatchOptions options)
{
    const QByteArrayView stored = NthLine(notes, LineIndexOf(folded, at));
    const QString line = DecodeStoredText(stored.data(), stored.size()).trimmed();
    if (line.size() <= LineCharacters)
        return line;
    const std::vector<TextMatch> matches = FindAllMatches(line, needle, options);
    const qsizetype from = matches.empty() ? 0 : std::max<qsizetype>(0, matches.front().begin - CharactersBeforeMatch);
    const QChar ellipsis(0x2026);
    return (from > 0 ? QString(ellipsis) : QString()) + line.mid(from, LineCharacters) +
           (from + LineCharacters < line.size() ? QString(ellipsis) : QString());
}

qsizetype IndexIn(const QByteArray& folded, const QByteArray& needle)
{
    const void* found = memmem(folded.constData(), folded.size(), needle.constData(), needle.size());
    return found ? static_cast<const char*>(found) - folded.constData() : -1;
}

} // namespace

std::vector<TextMatch> FindAllMatches(QStringView text, QStringView needle, MatchOptions options)
{
    std::vector<TextMatch> matches;
    const QString foldedNeedle = FoldedForMatching(needle, options);
    if (foldedNeedle.isEmpty())
        return matches;
    for (qsizetype from = 0; from < text.size();) {
        const qsizetype end = PieceEnd(text, from);
        FindInPiece(text.sliced(from, end - from), from, foldedNeedle, options, matches);
        from = end;
    }
    return matches;
}

NotesSearch::NotesSearch(QObject* parent) : QObject(parent) {}

NotesSearch::~NotesSearch()
{
    stop();
}

void NotesSearch::start(const QString& ledgerPath, const QString& needle, MatchOptions options)
{
    stop();
    running_ = true;
    stopRequested_ = false;
    const quint64 generation = generation_;
    // Everything the thread hands over goes through the event loop, to be dropped when the search is over by then.
    const auto handOver = [this, generation](auto deliver) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, deliver = std::move(deliver)] {
                if (generation == generation_)
                    deliver();
            },
            Qt::QueuedConnection);
    };
    thread_ = std::thread([this, ledgerPath, needle, options, handOver] {
        try {
            QByteArray foldedNeedle;
            AppendFoldedUtf8(needle.toUtf8(), options, foldedNeedle);
            if (!foldedNeedle.isEmpty()) {
                NotesReader reader(ledgerPath);
                QByteArray folded;
                QList<FoundPerson> batch;
                QElapsedTimer sinceHandedOver;
                bool handedOverOnce = false;
                const auto search = [&](QByteArrayView name, QByteArrayView notes) {
                    // Emptied, not freed: the next notes are folded into the same memory.
                    folded.truncate(0);
                    AppendFoldedUtf8(notes, options, folded);
                    if (const qsizetype at = IndexIn(folded, foldedNeedle); at >= 0)
                        batch.append({PersonName::fromStored(name.toByteArray()),
                                      LineAround(notes, folded, at, needle, options)});
                };
                bool more = true;
                while (more && !stopRequested_.load(std::memory_order_relaxed)) {
                    more = reader.readBatch(search, BatchBytes, BatchMilliseconds);
                    if (!batch.isEmpty() &&
                        (!handedOverOnce || !more || sinceHandedOver.elapsed() >= HandOverMilliseconds)) {
                        handOver([this, persons = std::move(batch)] { emit found(persons); });
                        batch = {};
                        handedOverOnce = true;
                        sinceHandedOver.start();
                    }
                }
            }
            handOver([this] {
                ended();
                emit finished();
            });
        } catch (const LedgerError& failure) {
            handOver([this, failure] {
                ended();
                emit failed(failure);
            });
        } catch (const std::bad_alloc&) {
            handOver([this, path = ledgerPath] {
                ended();
                emit failed(LedgerError(LedgerFailure::OutOfMemory, path));
            });
        } catch (const std::exception& other) {
            handOver([this, path = ledgerPath, words = QString::fromLocal8Bit(other.what())] {
                ended();
                emit failed(LedgerError::Failed(LedgerStep::Using, path, words));
            });
        }
    });
}

void NotesSearch::stop()
{
    stopRequested_ = true;
    ended();
}

void NotesSearch::ended()
{
    if (thread_.joinable())
        thread_.join();
    ++generation_;
    running_ = false;
}
