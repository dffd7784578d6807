#pragma once

#include "ledger/LedgerError.h"

#include <QString>

// A path as the user is shown it in a message.
QString ShownPath(const QString& path);

// What the user is told of a failure of the ledger or of the program's work on its files: in French, naming the
// file with its path and, using the ledger, saying what they can do; the reason, in French, in parentheses or
// after a colon, when there is one.
QString DescribeFailure(const LedgerError& failure);
