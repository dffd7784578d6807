#include "text/MdCode.h"

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

    // One character for another is the program's only call (apostrophe to double quote): done in place
    // on a single copy, it costs little more than the copy itself.
    if (search.size() == 1 && replacement.size() == 1) {
        QString result = text;
        result.replace(search.front(), replacement.front());
        return result;
    }

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
