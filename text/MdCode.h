#pragma once

#include <QString>

// The two string operations the windows share.

// The path with one backslash appended unless its last character already is one.
QString EnsureTrailingBackslash(const QString& path);

// Every occurrence of `search` in `text` replaced by `replacement`, in one left-to-right pass over
// non-overlapping matches: a replacement is never searched again, so the call always ends, in linear
// time. An empty `search` returns the text unchanged.
QString ReplaceAll(const QString& text, const QString& search, const QString& replacement);
