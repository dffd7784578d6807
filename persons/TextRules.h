#pragma once

#include <QString>

// What the ledger takes of what the user types.

// Every apostrophe becomes a double quote in what is written: names and notes are stored that way.
QString WithApostrophesReplaced(const QString& text);

// What keeps a name the user typed from being added, whatever the other names.
enum class NewNameProblem {
    None,
    // Nothing a reader can see once spaces and invisible marks (U+200B and the like) are set aside.
    Empty,
    // A control or format character or a line break (tab, NUL, U+2028, a right-to-left override...), which would
    // show the name as another or not at all.
    Invisible
};
NewNameProblem ProblemWithNewName(const QString& name);

// The form names are compared in: composed (NFC), so that two names a reader cannot tell apart are one.
QString ComposedName(const QString& name);
// Whether `name` is the reserved entry's whatever its case, as a reader would take it.
bool LooksLikeReservedName(const QString& name);
