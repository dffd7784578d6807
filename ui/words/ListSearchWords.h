#pragma once

#include <QString>

// What the person list says while the user types on it to find a person.

// On the list's face, above the persons found: what was typed and how many persons have it in their name.
QString PersonsFound(const QString& typed, int found);
// Told to those who do not see the list: how to go on, whether any person was found or none.
QString PersonsFoundHelp(int found);
QString NoPersonFound(const QString& typed);
