#pragma once

#include "ledger/jet/JetConversion.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>

// How long the reading process may take: a fixed part, and more for every megabyte of the file.
struct JetReadingTimeLimit {
    std::chrono::milliseconds base{15000};
    std::chrono::milliseconds perMegabyte{2000};

    std::chrono::milliseconds forFile(qint64 fileSize) const;
};

// Starts reading the rows of `table` (values of `columns`) in the Jet file at `path` in a process of its own: a
// second copy of this executable, whose main() calls RunJetReadingModeIfAsked first, so that a fault of libmdb on
// a damaged file takes down that process and not the program with the user's notes. The rows come when asked
// for; the answer is checked whole before it is believed. Throws JetReadError: the reading process's own, when
// the process cannot be started, or damage when it crashed, did not end in time, failed, or answered anything
// malformed.
JetRowsWhenRead StartJetReadingProcess(const QString& path, const QString& table, const QStringList& columns,
                                       const JetReadingTimeLimit& limit = {});

// That reading, as the conversion takes it.
JetRowReader JetReadingProcessReader(const JetReadingTimeLimit& limit = {});
