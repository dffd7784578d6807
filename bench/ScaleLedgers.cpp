#include "bench/ScaleLedgers.h"

#include "bench/WindowLedger.h"
#include "ledger/LedgerError.h"
#include "ledger/LedgerFile.h"

#include <QDir>
#include <QFile>
#include <stdexcept>

QString ScaleLedgerName(qint64 persons, qint64 firstNotesMB)
{
    return QStringLiteral("ledger-%1p-%2MB").arg(persons).arg(firstNotesMB);
}

QString CachedScaleLedger(const QString& cacheRoot, qint64 persons, qint64 firstNotesMB)
{
    const QString folder = QDir(cacheRoot).filePath(ScaleLedgerName(persons, firstNotesMB));
    if (QFile::exists(LedgerPathIn(folder)))
        return folder;
    // Made aside and renamed, so that an interrupted run never leaves half a ledger in the cache.
    const QString making = folder + QStringLiteral(".making");
    QDir(making).removeRecursively();
    MakeLedgerFolder(making, persons, 1, firstNotesMB);
    if (!QDir().rename(making, folder))
        throw std::runtime_error(QStringLiteral("cannot rename %1 to %2").arg(making, folder).toStdString());
    return folder;
}

void CopyLedgerFolder(const QString& from, const QString& to)
{
    if (!QDir().mkpath(to))
        throw std::runtime_error(QStringLiteral("cannot make the folder %1").arg(to).toStdString());
    QFile::remove(LedgerPathIn(to));
    if (!QFile::copy(LedgerPathIn(from), LedgerPathIn(to)))
        throw std::runtime_error(QStringLiteral("cannot copy %1 into %2").arg(LedgerPathIn(from), to).toStdString());
}
