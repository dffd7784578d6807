#pragma once

#include "ledger/jet/JetConversion.h"
#include "ledger/jet/JetConversionError.h"
#include "ledger/jet/JetReadError.h"

#include <QString>

// The one-time conversion of an old Access ledger.

// What the user is told once an old Access ledger has been converted.
QString DescribeJetConversion(const JetConversionResult& result);
// Why an old ledger was not converted, naming it, and that it was left as it was.
QString DescribeConversionFailure(const JetConversionError& failure);
// Why a Jet file could not be read, as a clause ("il est tronqué").
QString JetReadReason(const JetReadError& failure);
