#pragma once

#include <QString>
#include <stdexcept>

// What went wrong with the ledger, as far as the user can act on it. The windows word each kind in French.
enum class LedgerFailure {
    Refused, // the program's own refusal, already worded in French by message()
    Missing, // no file at the ledger's place
    // What the program refuses to take for a ledger, before or after the engine has opened it.
    NotARegularFile, // a folder, a named pipe, a socket or a device
    EmptyFile,
    Unencrypted,  // a database without a password
    AccessFormat, // an Access (Jet) database
    NoLedgerTable,
    // The engine's failures.
    CannotOpen,  // the file, or the journal beside it, cannot be opened
    NotALedger,  // not a ledger, or one with another key
    Damaged,     // a page that fails its check
    Busy,        // another program holds the file
    DiskFull,    // no room left to write
    InputOutput, // the disk reported an error
    ReadOnly,    // the file or its folder cannot be written
    Replaced,    // moved, deleted or replaced by another file while open
    OutOfMemory,
    Other
};

// A failure of the ledger: an engine failure (its kind, the file, the engine's own message and code), or a
// refusal made by the program, with a French message for the user.
class LedgerError : public std::runtime_error {
public:
    // A refusal, told by `message` as it stands; engineCode is the engine's result code behind it, or 0.
    LedgerError(const QString& message, int engineCode = 0);
    // A failure of the engine on the file at `path`; extendedCode is the engine's extended result code.
    LedgerError(LedgerFailure kind, const QString& path, const QString& engineMessage, int extendedCode);
    // The file at `path` refused by the program, without the engine's word.
    LedgerError(LedgerFailure kind, const QString& path);

    // The kind of an engine failure from its extended result code.
    static LedgerFailure KindOf(int extendedCode);

    LedgerFailure kind() const { return kind_; }
    // The file that failed; empty for a refusal.
    QString path() const { return path_; }
    // A refusal's French text, or the engine's own message (empty for a file the program refused itself).
    QString message() const { return message_; }
    // The engine's primary result code, or 0 for a refusal made without the engine.
    int engineCode() const { return extendedCode_ & 0xff; }
    int extendedCode() const { return extendedCode_; }
    // The engine ran out of memory.
    bool isOutOfMemory() const;

private:
    LedgerFailure kind_;
    QString path_;
    QString message_;
    int extendedCode_;
};
