#pragma once

#include "ledger/LedgerError.h"

#include <QString>

// The reason a failure ends with, in French whatever the desktop's language: from the program's own table for the
// engine's result codes and the system's error numbers, in the engine's or the system's own words only for a code
// the table lacks.

// The engine's extended result code `extendedCode` (its primary code decides); `ownWords` when the table lacks it.
QString EngineReason(int extendedCode, const QString& ownWords);
// The system's error number `error` (errno); the system's own message when the table lacks it.
QString SystemReason(int error);
// Why `failure` happened: its system error, else its engine code, else what its kind or its own words say.
QString ReasonOf(const LedgerError& failure);
