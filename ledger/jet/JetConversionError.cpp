#include "ledger/jet/JetConversionError.h"

JetConversionError::JetConversionError(const QString& path, ConversionStop stop)
    : LedgerError(LedgerError::Failed(LedgerStep::Converting, path)), stop_(stop)
{
}

JetConversionError::JetConversionError(const QString& path, const JetReadError& unread)
    : LedgerError(LedgerError::Failed(LedgerStep::Converting, path)), stop_(ConversionStop::Unreadable), unread_(unread)
{
}

JetConversionError::JetConversionError(const QString& path, ConversionStop stop, const LedgerError& cause)
    : LedgerError(LedgerError::During(LedgerStep::Converting, path, cause)), stop_(stop), cause_(cause)
{
}

JetConversionError::JetConversionError(const QString& path, ConversionStop stop, const QString& keptPath, int error)
    : LedgerError(LedgerError::System(LedgerStep::Converting, path, error)), stop_(stop), keptPath_(keptPath)
{
}
