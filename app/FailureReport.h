#pragma once

#include <QString>
#include <exception>

// Tells the user of a failure no handler caught, in an error box over the active window, and returns what they
// were told: a ledger failure in the user's words, too little memory, or the failure's own text.
QString TellFailure(std::exception_ptr failure);
