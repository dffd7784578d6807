#include "persons/MatchFolding.h"

#include <array>
#include <memory>

namespace {

// Characters below this are folded through a table; the scripts a French ledger meets (Latin, Greek, Cyrillic)
// all lie below it. Above, only the case is folded.
constexpr char32_t TableEnd = 0x3000;

struct Fold {
    // Up to two characters: "oe" for œ; length 0 drops the character (a combining accent).
    std::array<char16_t, 2> chars{};
    quint8 length = 1;
};

bool IsCombiningMark(char32_t c)
{
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) || (c >= 0x1DC0 && c <= 0x1DFF) ||
           (c >= 0x20D0 && c <= 0x20FF);
}

char16_t CaseAsAsked(char32_t c, MatchOptions options)
{
    return static_cast<char16_t>(options.matchCase ? c : QChar::toCaseFolded(c));
}

Fold Ligature(char16_t first, char16_t second, MatchOptions options)
{
    return {{CaseAsAsked(first, options), CaseAsAsked(second, options)}, 2};
}

Fold FoldOne(char32_t c, MatchOptions options)
{
    if (!options.matchAccents && IsCombiningMark(c))
        return {{}, 0};
    char32_t base = c;
    if (!options.matchAccents) {
        // Only canonical decompositions: they add an accent to a letter. Compatibility ones (½, ﬁ) change more.
        const QChar qc(static_cast<char16_t>(c));
        if (qc.decompositionTag() == QChar::Canonical) {
            const QString decomposed = QString(qc).normalized(QString::NormalizationForm_D);
            if (!decomposed.isEmpty())
                base = decomposed.at(0).unicode();
        }
        // Letters with a stroke or a ligature have no decomposition.
        switch (base) {
        case u'Œ':
            return Ligature(u'O', u'E', options);
        case u'œ':
            return Ligature(u'o', u'e', options);
        case u'Æ':
            return Ligature(u'A', u'E', options);
        case u'æ':
            return Ligature(u'a', u'e', options);
        case u'ß':
            return Ligature(u's', u's', options);
        case u'Ø':
            base = u'O';
            break;
        case u'ø':
            base = u'o';
            break;
        case u'Đ':
            base = u'D';
            break;
        case u'đ':
            base = u'd';
            break;
        case u'Ł':
            base = u'L';
            break;
        case u'ł':
            base = u'l';
            break;
        default:
            break;
        }
    }
    return {{CaseAsAsked(base, options), 0}, 1};
}

using FoldTable = std::array<Fold, TableEnd>;

const FoldTable& TableFor(MatchOptions options)
{
    static const auto tables = [] {
        std::array<std::unique_ptr<FoldTable>, 4> built;
        for (int which = 0; which < 4; ++which) {
            built[which] = std::make_unique<FoldTable>();
            const MatchOptions made{(which & 1) != 0, (which & 2) != 0};
            for (char32_t c = 0; c < TableEnd; ++c)
                (*built[which])[c] = FoldOne(c, made);
        }
        return built;
    }();
    return *tables[(options.matchCase ? 1 : 0) | (options.matchAccents ? 2 : 0)];
}

template <typename Sink> void FoldCodePoint(char32_t c, const FoldTable& table, MatchOptions options, Sink sink)
{
    if (c < TableEnd) {
        const Fold& fold = table[c];
        for (int i = 0; i < fold.length; ++i)
            sink(fold.chars[i]);
        return;
    }
    sink(options.matchCase ? c : QChar::toCaseFolded(c));
}

QString FoldText(QStringView text, MatchOptions options, std::vector<qsizetype>* sources)
{
    const FoldTable& table = TableFor(options);
    QString folded;
    folded.reserve(text.size());
    if (sources) {
        sources->clear();
        sources->reserve(text.size() + 1);
    }
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size;) {
        const qsizetype from = i;
        char32_t c = text[i++].unicode();
        if (QChar::isHighSurrogate(c) && i < size && text[i].isLowSurrogate())
            c = QChar::surrogateToUcs4(static_cast<char16_t>(c), text[i++].unicode());
        FoldCodePoint(c, table, options, [&](char32_t out) {
            if (QChar::requiresSurrogates(out)) {
                folded += QChar(QChar::highSurrogate(out));
                folded += QChar(QChar::lowSurrogate(out));
                if (sources)
                    sources->insert(sources->end(), 2, from);
            } else {
                folded += QChar(static_cast<char16_t>(out));
                if (sources)
                    sources->push_back(from);
            }
        });
    }
    if (sources)
        sources->push_back(size);
    return folded;
}

// Writes `c` as UTF-8 at `out` and returns the place after it.
char* WriteUtf8(char32_t c, char* out)
{
    if (c < 0x80) {
        *out++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (c >> 18));
        *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// ASCII folded to ASCII, one byte for one, for each set of options: the bulk of most notes.
using AsciiTable = std::array<char, 0x80>;

const AsciiTable& AsciiTableFor(MatchOptions options)
{
    static const auto tables = [] {
        std::array<AsciiTable, 4> built{};
        for (int which = 0; which < 4; ++which) {
            const FoldTable& table = TableFor({(which & 1) != 0, (which & 2) != 0});
            for (int c = 0; c < 0x80; ++c)
                built[which][c] = static_cast<char>(table[c].chars[0]);
        }
        return built;
    }();
    return tables[(options.matchCase ? 1 : 0) | (options.matchAccents ? 2 : 0)];
}

// The code point starting at `at` and its length in bytes; length 0 for bytes that are not UTF-8.
std::pair<char32_t, int> DecodeUtf8(const unsigned char* at, qsizetype left)
{
    const unsigned char lead = at[0];
    int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || length > left || lead >= 0xF8)
        return {0, 0};
    char32_t c = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if ((at[i] & 0xC0) != 0x80)
            return {0, 0};
        c = (c << 6) | (at[i] & 0x3F);
    }
    return {c, length};
}

} // namespace

QString FoldedForMatching(QStringView text, MatchOptions options)
{
    return FoldText(text, options, nullptr);
}

QString FoldedForMatching(QStringView text, MatchOptions options, std::vector<qsizetype>& sources)
{
    return FoldText(text, options, &sources);
}

void AppendFoldedUtf8(QByteArrayView utf8, MatchOptions options, QByteArray& out)
{
    const FoldTable& table = TableFor(options);
    const AsciiTable& ascii = AsciiTableFor(options);
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    const qsizetype size = utf8.size();
    // Written in place rather than appended a byte at a time: a character grows at most threefold when folded (a
    // two-byte letter into two three-byte ones).
    const qsizetype start = out.size();
    out.resize(start + 3 * size);
    char* const begin = out.data();
    char* at = begin + start;
    for (qsizetype i = 0; i < size;) {
        if (bytes[i] < 0x80) {
            *at++ = ascii[bytes[i]];
            ++i;
            continue;
        }
        const auto [c, length] = DecodeUtf8(bytes + i, size - i);
        if (length == 0) {
            *at++ = static_cast<char>(bytes[i]);
            ++i;
            continue;
        }
        FoldCodePoint(c, table, options, [&at](char32_t folded) { at = WriteUtf8(folded, at); });
        i += length;
    }
    out.resize(at - begin);
}
