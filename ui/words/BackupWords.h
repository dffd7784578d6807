#pragma once

#include "ledger/LedgerBackup.h"
#include "ledger/LedgerError.h"

#include <QString>

// The daily backup's texts.

// A failed step of the backup: what failed, naming the file, with the reason in parentheses.
QString DescribeBackupFailure(const LedgerError& failure);
// What the outcome has to say: why it failed, or what the proof found, or the older backups that could not be
// removed; empty when there is nothing to say.
QString BackupReason(const BackupOutcome& outcome);
// The older backups removed to make room for the day's one; empty when none was.
QString RoomNotice(const BackupOutcome& outcome);
// The message of a backup that failed: the ledger itself is unchanged, then why.
QString BackupFailedMessage(const BackupOutcome& outcome);
