#pragma once

#include <QString>

// The notes of the reserved entry in a new ledger: data written into the file, in the user's language.
extern const QString WelcomeNote;
