#include "persons/NameFinder.h"

#include "persons/MatchFolding.h"

#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr char Separator = '\n';
// From this many rows inserted at once (the list filled, a long sort ended) the names are folded again, at the
// next search, rather than spliced in one by one.
constexpr int SpliceAtMost = 64;

// Where `needle` (two bytes or more) first comes in [from, end), or null. Sixteen places are tried at once on its first
// and last bytes: three times memmem's speed on short texts found in many names.
const char* FindNext(const char* from, const char* end, QByteArrayView needle)
{
    const auto size = static_cast<size_t>(needle.size());
#ifdef __SSE2__
    const __m128i first = _mm_set1_epi8(needle.front());
    const __m128i last = _mm_set1_epi8(needle.back());
    for (; end - from >= static_cast<qsizetype>(16 + size - 1); from += 16) {
        const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const __m128i ends = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + size - 1));
        for (auto candidates = static_cast<unsigned>(
                 _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(starts, first), _mm_cmpeq_epi8(ends, last))));
             candidates != 0; candidates &= candidates - 1) {
            const char* at = from + __builtin_ctz(candidates);
            if (std::memcmp(at + 1, needle.data() + 1, size - 2) == 0)
                return at;
        }
    }
#endif
    return static_cast<const char*>(memmem(from, static_cast<size_t>(end - from), needle.data(), size));
}

} // namespace

NameFinder::NameFinder(NameList& names, QObject* parent) : QObject(parent), names_(names)
{
    connect(&names_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { namesInserted(first, last); });
    connect(&names_, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int last) { namesRemoved(first, last); });
    connect(&names_, &QAbstractItemModel::modelReset, this, &NameFinder::forget);
    connect(&names_, &QAbstractItemModel::layoutChanged, this, &NameFinder::forget);
}

void NameFinder::appendFolded(int row, QByteArray& out) const
{
    const QByteArray stored = names_.keyAt(row);
    if (QByteArrayView(stored).isValidUtf8())
        AppendFoldedUtf8(stored, {}, out);
    else // Matched as the list shows it.
        out += FoldedForMatching(names_.data(names_.index(row), Qt::DisplayRole).toString()).toUtf8();
    out += Separator;
}

void NameFinder::prepare()
{
    if (built_)
        return;
    names_.finishSorting();
    const int rows = names_.rowCount();
    folded_.clear();
    starts_.clear();
    starts_.reserve(static_cast<size_t>(rows) + 1);
    for (int row = 0; row < rows; ++row) {
        starts_.push_back(folded_.size());
        appendFolded(row, folded_);
    }
    starts_.push_back(folded_.size());
    built_ = true;
}

void NameFinder::forget()
{
    built_ = false;
    folded_ = QByteArray();
    starts_ = {};
}

void NameFinder::namesInserted(int first, int last)
{
    if (!built_)
        return;
    if (last - first + 1 > SpliceAtMost) {
        forget();
        return;
    }
    QByteArray inserted;
    std::vector<qsizetype> insertedStarts;
    const qsizetype at = starts_[static_cast<size_t>(first)];
    for (int row = first; row <= last; ++row) {
        insertedStarts.push_back(at + inserted.size());
        appendFolded(row, inserted);
    }
    folded_.insert(at, inserted);
    for (auto start = starts_.begin() + first; start != starts_.end(); ++start)
        *start += inserted.size();
    starts_.insert(starts_.begin() + first, insertedStarts.begin(), insertedStarts.end());
}

void NameFinder::namesRemoved(int first, int last)
{
    if (!built_)
        return;
    const qsizetype from = starts_[static_cast<size_t>(first)];
    const qsizetype length = starts_[static_cast<size_t>(last) + 1] - from;
    folded_.remove(from, length);
    starts_.erase(starts_.begin() + first, starts_.begin() + last + 1);
    for (auto start = starts_.begin() + first; start != starts_.end(); ++start)
        *start -= length;
}

std::vector<int> NameFinder::find(QStringView typed)
{
    const QByteArray needle = FoldedForMatching(typed).toUtf8();
    // A line break would match across two names.
    if (needle.isEmpty() || needle.contains(Separator))
        return {};
    prepare();
    std::vector<int> starting;
    std::vector<int> containing;
    const char* const names = folded_.constData();
    const qsizetype size = folded_.size();
    size_t row = 0;
    for (qsizetype from = 0; from < size;) {
        const char* hit =
            needle.size() == 1
                ? static_cast<const char*>(std::memchr(names + from, needle.front(), static_cast<size_t>(size - from)))
                : FindNext(names + from, names + size, needle);
        if (!hit)
            break;
        const qsizetype at = hit - names;
        while (starts_[row + 1] <= at)
            ++row;
        (at == starts_[row] ? starting : containing).push_back(static_cast<int>(row));
        // One entry per person, however often the text comes in the name.
        from = starts_[row + 1];
    }
    starting.insert(starting.end(), containing.begin(), containing.end());
    return starting;
}
