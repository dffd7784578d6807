#pragma once

#include "ledger/LedgerError.h"
#include "ledger/jet/JetReadError.h"

#include <QString>
#include <optional>

// Why an old ledger was not converted; the folder is left as it was.
enum class ConversionStop {
    Unreadable,         // unread() says why
    NewerAccessFormat,  // Access 2007 or later (.accdb)
    NotJet3Or4,         // the header is not that of a Jet 3 or Jet 4 database
    OtherPassword,      // its database password is not the ledger's
    NewLedgerUnwritten, // cause() says why
    OriginalNotKept,    // keptPath() could not be made (the system's error)
    NoFreeKeptName,
    ChangedMeanwhile,   // another file took the ledger's place while it was read
    OriginalNotPrivate, // the system's error
    NewLedgerNotPlaced  // cause() says why
};

// The old ledger at path() was not converted: stop() says why. The engine's or the system's reason, when there
// is one, is that of the failure behind it (cause()).
class JetConversionError : public LedgerError {
public:
    JetConversionError(const QString& path, ConversionStop stop);
    JetConversionError(const QString& path, const JetReadError& unread);
    JetConversionError(const QString& path, ConversionStop stop, const LedgerError& cause);
    // `keptPath`, for the original kept under a second name; `error`, the system's error number.
    JetConversionError(const QString& path, ConversionStop stop, const QString& keptPath, int error);

    ConversionStop stop() const { return stop_; }
    const std::optional<JetReadError>& unread() const { return unread_; }
    const std::optional<LedgerError>& cause() const { return cause_; }
    QString keptPath() const { return keptPath_; }

private:
    ConversionStop stop_;
    std::optional<JetReadError> unread_;
    std::optional<LedgerError> cause_;
    QString keptPath_;
};
