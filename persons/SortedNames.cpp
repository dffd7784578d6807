#include "persons/SortedNames.h"

#include "ledger/PersonName.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

int CompareBytes(const char* left, qsizetype leftSize, const char* right, qsizetype rightSize)
{
    const int common = std::memcmp(left, right, static_cast<size_t>(std::min(leftSize, rightSize)));
    if (common != 0)
        return common;
    return leftSize < rightSize ? -1 : (leftSize > rightSize ? 1 : 0);
}

constexpr qsizetype BlockSize = 1 << 20;

} // namespace

// Memory that never moves, filled one entry after the other: the rows point into it, and growing it copies
// nothing (a growing array would need twice its size for a moment).
class SortedNames::Blocks {
public:
    char* take(qsizetype size)
    {
        if (size > left_) {
            const qsizetype blockSize = std::max(size, BlockSize);
            blocks_.push_back(std::make_unique_for_overwrite<char[]>(static_cast<size_t>(blockSize)));
            next_ = blocks_.back().get();
            left_ = blockSize;
        }
        char* taken = next_;
        next_ += size;
        left_ -= size;
        return taken;
    }

private:
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* next_ = nullptr;
    qsizetype left_ = 0;
};

// The order of the rows: sort key byte for byte, then text, then stored bytes. A strict weak order, as
// sorting needs: each part is a total order on values the stored bytes alone decide.
struct SortedNames::Comes {
    static int compare(const Row& left, const Row& right)
    {
        const int byKey =
            CompareBytes(left.bytes + left.storedSize, left.keySize, right.bytes + right.storedSize, right.keySize);
        if (byKey != 0)
            return byKey;
        return compareTies({left.bytes, left.storedSize}, {right.bytes, right.storedSize});
    }
    bool operator()(const Row& left, const Row& right) const { return compare(left, right) < 0; }
};

int SortedNames::compareTies(QByteArrayView left, QByteArrayView right)
{
    // Equal keys are rare (the same text composed otherwise, or bytes that decode alike).
    const QString leftText = DecodeStoredText(left.data(), left.size());
    const QString rightText = DecodeStoredText(right.data(), right.size());
    if (leftText != rightText)
        return leftText < rightText ? -1 : 1;
    return CompareBytes(left.data(), left.size(), right.data(), right.size());
}

SortedNames::SortedNames() : collation_(std::make_unique<FrenchCollation>()), blocks_(std::make_unique<Blocks>()) {}
SortedNames::~SortedNames() = default;
SortedNames::SortedNames(SortedNames&&) noexcept = default;
SortedNames& SortedNames::operator=(SortedNames&&) noexcept = default;

SortedNames::Row SortedNames::add(QByteArrayView stored)
{
    const QString text = DecodeStoredText(stored.data(), stored.size());
    const auto key = collation_->sortKey(text);
    const qsizetype storedSize = std::min<qsizetype>(stored.size(), std::numeric_limits<qint32>::max());
    const qsizetype keySize =
        std::min<qsizetype>(static_cast<qsizetype>(key.size()), std::numeric_limits<qint32>::max());
    char* bytes = blocks_->take(storedSize + keySize);
    std::memcpy(bytes, stored.data(), static_cast<size_t>(storedSize));
    std::memcpy(bytes + storedSize, key.data(), static_cast<size_t>(keySize));
    return {bytes, static_cast<qint32>(storedSize), static_cast<qint32>(keySize)};
}

SortedNames SortedNames::fromSource(const NameSource& source)
{
    SortedNames names;
    source([&names](QByteArrayView stored) { names.rows_.push_back(names.add(stored)); });

    // The ledger hands its names in the order of their bytes, which is already the alphabetical order over
    // long stretches: the stretches are found, then merged two by two, far fewer comparisons than sorting
    // from scratch, and as many as a merge sort when the names come in any order.
    std::vector<Row>& rows = names.rows_;
    std::vector<size_t> starts{0};
    const Comes comes;
    for (size_t i = 1; i < rows.size(); ++i) {
        if (comes(rows[i], rows[i - 1]))
            starts.push_back(i);
    }
    starts.push_back(rows.size());
    if (starts.size() > 2) {
        std::vector<Row> merged(rows.size());
        while (starts.size() > 2) {
            std::vector<size_t> next{0};
            size_t run = 0;
            for (; run + 2 < starts.size(); run += 2) {
                std::merge(rows.begin() + starts[run], rows.begin() + starts[run + 1], rows.begin() + starts[run + 1],
                           rows.begin() + starts[run + 2], merged.begin() + starts[run], comes);
                next.push_back(starts[run + 2]);
            }
            if (run + 1 < starts.size()) {
                // An odd stretch left over goes on as it is.
                std::copy(rows.begin() + starts[run], rows.begin() + starts[run + 1], merged.begin() + starts[run]);
                next.push_back(starts[run + 1]);
            }
            rows.swap(merged);
            starts.swap(next);
        }
    }
    return names;
}

QByteArrayView SortedNames::stored(qsizetype index) const
{
    const Row& row = rows_[static_cast<size_t>(index)];
    return {row.bytes, row.storedSize};
}

QString SortedNames::text(qsizetype index) const
{
    const Row& row = rows_[static_cast<size_t>(index)];
    return DecodeStoredText(row.bytes, row.storedSize);
}

QByteArray SortedNames::probeBytes(QByteArrayView stored, Row& probe) const
{
    const auto key = collation_->sortKey(DecodeStoredText(stored.data(), stored.size()));
    QByteArray bytes(stored.data(), stored.size());
    bytes.append(reinterpret_cast<const char*>(key.data()), static_cast<qsizetype>(key.size()));
    probe = {bytes.constData(), static_cast<qint32>(stored.size()), static_cast<qint32>(key.size())};
    return bytes;
}

std::pair<qsizetype, qsizetype> SortedNames::rangeOf(QByteArrayView stored) const
{
    Row probe{};
    const QByteArray kept = probeBytes(stored, probe);
    const auto [first, last] = std::equal_range(rows_.begin(), rows_.end(), probe, Comes());
    return {first - rows_.begin(), last - first};
}

qsizetype SortedNames::indexOf(QByteArrayView stored) const
{
    const auto [first, count] = rangeOf(stored);
    return count > 0 ? first : -1;
}

qsizetype SortedNames::indexOfLookAlike(QByteArrayView stored) const
{
    // Texts composed otherwise collate equal, and equal keys lie together.
    Row probe{};
    const QByteArray kept = probeBytes(stored, probe);
    const auto byKey = [](const Row& left, const Row& right) {
        return CompareBytes(left.bytes + left.storedSize, left.keySize, right.bytes + right.storedSize, right.keySize) <
               0;
    };
    const auto [first, last] = std::equal_range(rows_.begin(), rows_.end(), probe, byKey);
    const QString composed = DecodeStoredText(stored.data(), stored.size()).normalized(QString::NormalizationForm_C);
    for (auto row = first; row != last; ++row) {
        if (DecodeStoredText(row->bytes, row->storedSize).normalized(QString::NormalizationForm_C) == composed)
            return row - rows_.begin();
    }
    return -1;
}

qsizetype SortedNames::placeFor(QByteArrayView stored) const
{
    Row probe{};
    const QByteArray kept = probeBytes(stored, probe);
    return std::upper_bound(rows_.begin(), rows_.end(), probe, Comes()) - rows_.begin();
}

qsizetype SortedNames::insert(QByteArrayView stored)
{
    const Row row = add(stored);
    const auto place = std::upper_bound(rows_.begin(), rows_.end(), row, Comes());
    return rows_.insert(place, row) - rows_.begin();
}

void SortedNames::remove(qsizetype first, qsizetype count)
{
    // The bytes stay in their block until the list is filled again: a few bytes per deleted person.
    rows_.erase(rows_.begin() + first, rows_.begin() + first + count);
}
