#pragma once

#include "ledger/jet/JetConversion.h"

#include <QString>

// What the user is told, in French, once an old Access ledger has been converted.
QString DescribeJetConversion(const JetConversionResult& result);
