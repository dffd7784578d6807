#pragma once

#include "ledger/jet/JetReadError.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What the program asks of its reading process: the rows of `table`, values of `columns`, in the Jet file at
// `path`, within `cpuSeconds` of processor time.
struct JetReadingRequest {
    QString path;
    QString table;
    QStringList columns;
    int cpuSeconds = 0;
};

QByteArray EncodeJetReadingRequest(const JetReadingRequest& request);
// Nothing when the bytes are not a whole request.
std::optional<JetReadingRequest> DecodeJetReadingRequest(const QByteArray& bytes);

// The reading process's answer, in frames the program checks before it believes a byte of them (all numbers
// little-endian):
//   "QJETROWS", u32 columns, u64 rows, u64 text bytes in all, then per value: u8 0 (null) or 1 (text),
//   u32 byte length, the UTF-16 bytes; then the end frame "QJETEND!".
// or, when the file could not be read:
//   "QJETFAIL", u32 byte length of what follows up to the end frame: u32 problem, i64 number, i64 other number,
//   i32 system error, the table (u32 byte length, UTF-16 bytes), u32 columns and each as the table, the own
//   words as the table; then the end frame.
QByteArray EncodeJetRows(const QList<QStringList>& rows, qsizetype columns);
QByteArray EncodeJetReadFailure(const JetReadError& failure);

// The rows of an answer to a request for `columns` columns of a file of `fileSize` bytes. Throws JetReadError:
// the reading process's own, or AnswerIncoherent for anything malformed or larger than such a file can hold.
QList<QStringList> DecodeJetRows(const QByteArray& answer, qsizetype columns, qint64 fileSize);

// The most bytes a well-formed answer about a file of `fileSize` bytes can take: whatever says more is damage.
qint64 LargestJetAnswer(qsizetype columns, qint64 fileSize);
