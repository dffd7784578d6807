#include "text/MdCode.h"

namespace {

constexpr qsizetype BlockSize = 32;

void ReplaceInBlock(const char16_t* __restrict in, char16_t* __restrict out, qsizetype size, char16_t from, char16_t to)
{
    for (qsizetype i = 0; i < size; ++i)
        out[i] = in[i] == from ? to : in[i];
}

QString ReplaceOneCharacter(const QString& text, char16_t from, char16_t to)
{
    QString result(text.size(), Qt::Uninitialized);
    const auto* in = reinterpret_cast<const char16_t*>(text.constData());
    auto* out = reinterpret_cast<char16_t*>(result.data());
    const qsizetype whole = text.size() - text.size() % BlockSize;
    for (qsizetype at = 0; at < whole; at += BlockSize)
        ReplaceInBlock(in + at, out + at, BlockSize, from, to);
    ReplaceInBlock(in + whole, out + whole, text.size() - whole, from, to);
    return result;
}

} // namespace

QString EnsureTrailingBackslash(const QString& path)
{
    if (path.endsWith(QLatin1Char('\\')))
        return path;
    return path + QLatin1Char('\\');
}

QString ReplaceAll(const QString& text, const QString& search, const QString& replacement)
{
    if (search.isEmpty())
        return text;

    qsizetype match = text.indexOf(search);
    if (match < 0)
        return text;

    // One character for another is the program's only call (apostrophe to double quote): a branch-free
    // pass in fixed blocks, which the compiler turns into vector code, costs about as much as a copy.
    if (search.size() == 1 && replacement.size() == 1)
        return ReplaceOneCharacter(text, search.front().unicode(), replacement.front().unicode());

    QString result;
    result.reserve(text.size() + qMax<qsizetype>(0, replacement.size() - search.size()) * 16);
    qsizetype copiedUpTo = 0;
    const QStringView whole(text);
    while (match >= 0) {
        result.append(whole.sliced(copiedUpTo, match - copiedUpTo));
        result.append(replacement);
        copiedUpTo = match + search.size();
        match = text.indexOf(search, copiedUpTo);
    }
    result.append(whole.sliced(copiedUpTo));
    return result;
}
