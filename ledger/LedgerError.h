#pragma once

#include <QString>
#include <stdexcept>

// What went wrong with the ledger, as far as the user can act on it. The windows word each kind in French.
enum class LedgerFailure {
    Missing, // no file at the ledger's place
    // What the program refuses to take for a ledger, before or after the engine has opened it.
    NotARegularFile, // a folder, a named pipe, a socket or a device
    EmptyFile,
    Unencrypted,  // a database without a password
    AccessFormat, // an Access (Jet) database
    NoLedgerTable,
    EmptyPassword, // the key would leave the file unencrypted
    AlreadyExists, // a new ledger's place is taken
    WalMode,       // a ledger in WAL mode, of which a copy of the file alone would be incomplete
    // The engine's failures, and the system's of the program's own file work.
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

// What the program was doing with path() when it failed. Using the ledger, the kind says what went wrong; in the
// other steps, the step says it and the reason (engine or system) says why.
enum class LedgerStep {
    Using,          // opening, reading or writing the ledger
    CreatingLedger, // a new ledger at path
    MakingDraft,    // a file under a temporary name in the folder path
    PlacingDraft,   // the draft renamed over path
    CopyingBackup,  // the backup path copied beside the ledger, to take its place
    PuttingBack,    // that copy renamed over the ledger path
    KeepingDamaged, // the damaged ledger (or its journal) at path kept under a second name
    SyncingFolder,  // the folder path synced to the disk
    CheckingDate,   // the ledger path's backup asked for a day that is no date
    MakingBackupFolder,
    MakingBackupFile, // a file in the backup folder path
    WritingBackup,    // the backup path
    ReadingToBackUp,  // the ledger path read for its backup
    RemovingBackup,   // the old backup path
    ProvingBackup,    // the backup of the ledger path
    BackingUp,        // the backup path, any other failure
    Converting        // the old ledger path converted (JetConversionError says why not)
};

// A failure of the ledger or of the program's work on its files: what it was doing (step, path), the kind of
// failure, and why in the terms of whoever found out: the engine's extended result code with its own message, or
// the system's error number. A failure the program found itself has neither.
class LedgerError : public std::runtime_error {
public:
    // A failure of the engine on the file at `path`; extendedCode is the engine's extended result code.
    LedgerError(LedgerFailure kind, const QString& path, const QString& engineMessage, int extendedCode);
    // The file at `path` refused by the program, without the engine's word.
    LedgerError(LedgerFailure kind, const QString& path);
    // The step on `path` failed with the system's error number `error` (errno).
    static LedgerError System(LedgerStep step, const QString& path, int error);
    // The step on `path` failed for the reason `cause` failed.
    static LedgerError During(LedgerStep step, const QString& path, const LedgerError& cause);
    // The step on `path` failed otherwise, told by the failure's own words (none when it had none).
    static LedgerError Failed(LedgerStep step, const QString& path, const QString& ownWords = {});

    // The kind of an engine failure from its extended result code.
    static LedgerFailure KindOf(int extendedCode);

    LedgerFailure kind() const { return kind_; }
    LedgerStep step() const { return step_; }
    // The file or folder that failed; empty for a failure that concerns none.
    QString path() const { return path_; }
    // The engine's own message, or another failure's own words (empty for a system error, whose number says it).
    QString message() const { return message_; }
    // The engine's primary result code, or 0 when the engine had no part.
    int engineCode() const { return extendedCode_ & 0xff; }
    int extendedCode() const { return extendedCode_; }
    // The system's error number, or 0 when the system had no part.
    int systemError() const { return systemError_; }
    // The engine ran out of memory.
    bool isOutOfMemory() const;

private:
    LedgerError(LedgerFailure kind, LedgerStep step, const QString& path, const QString& message, int extendedCode,
                int systemError);

    LedgerFailure kind_;
    LedgerStep step_;
    QString path_;
    QString message_;
    int extendedCode_;
    int systemError_;
};
