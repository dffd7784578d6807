#pragma once

#include <QString>

// Text that looks like a user's notes: French words with accents, CRLF line ends, and one apostrophe
// (an elided article) in every hundred characters, spread evenly. The same seed gives the same text.
QString FrenchLikeText(qsizetype characters, quint32 seed);

// The sizes the measurements speak of: one MB is 2^20 characters.
constexpr qsizetype CharactersPerMB = qsizetype(1) << 20;
