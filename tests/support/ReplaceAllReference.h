#pragma once

#include <QString>
#include <QStringView>

// What ReplaceAll must return, written the plain way for the tests to compare against: non-overlapping
// matches found left to right, each replaced once; an empty `search` leaves the text as it is.
inline QString ReplaceAllReference(const QString& text, const QString& search, const QString& replacement)
{
    if (search.isEmpty())
        return text;
    QString result;
    for (qsizetype at = 0; at < text.size();) {
        if (QStringView(text).sliced(at).startsWith(search)) {
            result += replacement;
            at += search.size();
        } else {
            result += text.at(at++);
        }
    }
    return result;
}
