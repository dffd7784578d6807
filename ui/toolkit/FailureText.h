#pragma once

#include "ledger/LedgerError.h"

#include <QString>

// What the user is told of a ledger failure: in French, naming the file with its full path, saying what they
// can do, and ending with the engine's own message in parentheses for whoever helps them, when the engine had
// a word. A refusal the program worded itself is told as it stands.
QString DescribeFailure(const LedgerError& failure);
