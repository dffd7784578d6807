#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <vector>

// Text folded the way a French reader compares it when looking for something: without case or accents unless
// asked, the ligatures œ and æ as "oe" and "ae", ß as "ss". A text and what is looked for are folded the same way,
// then compared as they are: "eric" is found in "Éric", "oe" in "Œdipe".
struct MatchOptions {
    bool matchCase = false;
    bool matchAccents = false;
};

QString FoldedForMatching(QStringView text, MatchOptions options = {});
// The same, with the place in `text` each folded character comes from, and the text's size last: a match at
// [begin, end) of the folded text is [sources[begin], sources[end]) of `text`.
QString FoldedForMatching(QStringView text, MatchOptions options, std::vector<qsizetype>& sources);
// UTF-8 folded into UTF-8 at the end of `out`, the way the same text as a QString is folded; ASCII costs a table
// look-up per byte. Bytes that are not UTF-8 are copied as they are.
void AppendFoldedUtf8(QByteArrayView utf8, MatchOptions options, QByteArray& out);
