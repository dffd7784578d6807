#pragma once

#include <QString>
#include <exception>

// What the user is told when the program must end.

// A failure no handler caught: a ledger failure in the user's words, too little memory, or the failure's own text.
QString DescribeEndingFailure(std::exception_ptr failure);
// A line for standard error: the closing could not save the notes, for `reason`, and no one was there to ask.
QString UnsavedAtTheEnd(const QString& reason);
