#include "ledger/jet/JetConversion.h"

#include "ledger/FileSync.h"
#include "ledger/LedgerDraft.h"
#include "ledger/LedgerError.h"
#include "ledger/LedgerFile.h"
#include "ledger/jet/JetConversionError.h"
#include "ledger/jet/JetHeader.h"
#include "ledger/jet/JetReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <fcntl.h>
#include <future>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int KeptNameAttempts = 1000;

// Tells whether the file at a name is still the one that was read.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    bool operator==(const FileIdentity& other) const
    {
        return device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
    }
};

std::optional<FileIdentity> IdentityOf(const QString& path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino, status.st_size, status.st_mtim};
}

JetHeader ReadHeader(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw JetConversionError(path, JetReadError::System(errno));
    QByteArray header(256, '\0');
    ssize_t got = -1;
    do
        got = ::read(fd, header.data(), static_cast<size_t>(header.size()));
    while (got < 0 && errno == EINTR);
    const int error = errno;
    ::close(fd);
    if (got < 0)
        throw JetConversionError(path, JetReadError::System(error));
    header.truncate(got);
    return ParseJetHeader(header);
}

void RequireConvertible(const QString& path, const JetHeader& header)
{
    switch (header.format) {
    case JetFormat::Ace:
        throw JetConversionError(path, ConversionStop::NewerAccessFormat);
    case JetFormat::Unknown:
        throw JetConversionError(path, ConversionStop::NotJet3Or4);
    case JetFormat::Jet3:
    case JetFormat::Jet4:
        break;
    }
    // The engine would open a file without a password, and only with the right one otherwise.
    if (!header.password.isEmpty() && header.password != LedgerPassword)
        throw JetConversionError(path, ConversionStop::OtherPassword);
}

bool SameFile(const struct stat& one, const struct stat& other)
{
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

// A name this program keeps an original under: BDPLORN.jet.mdb, BDPLORN.jet-2.mdb ...
QString KeptName(const QString& base, int attempt)
{
    return attempt == 1 ? QStringLiteral("%1.jet.mdb").arg(base)
                        : QStringLiteral("%1.jet-%2.mdb").arg(base, QString::number(attempt));
}

// The kept name of an earlier conversion stopped before its new ledger took the place: a hard link is the only
// way a kept name and the ledger are one file (same device and inode), and this program makes such a link
// only for the file it is converting. Another file under a kept name, an earlier original, is not this one.
// Every kept name is looked at, not only up to the first free one: the user may have deleted an earlier one.
std::optional<QString> EarlierKeptLink(const QString& path)
{
    struct stat ledger {};
    if (::stat(QFile::encodeName(path).constData(), &ledger) != 0)
        return std::nullopt;
    const QFileInfo info(path);
    const QString base = info.completeBaseName();
    const QRegularExpression keptName(
        QStringLiteral("^%1\\.jet(-[0-9]+)?\\.mdb$").arg(QRegularExpression::escape(base)));
    const QDir folder = info.dir();
    for (const QString& name :
         folder.entryList({base + QStringLiteral(".jet*.mdb")},
                          QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks, QDir::Name)) {
        struct stat candidate {};
        const QString kept = folder.filePath(name);
        if (keptName.match(name).hasMatch() && ::lstat(QFile::encodeName(kept).constData(), &candidate) == 0 &&
            S_ISREG(candidate.st_mode) && SameFile(candidate, ledger))
            return kept;
    }
    return std::nullopt;
}

// Links the old ledger under a name of its own, taking the first free one: an earlier kept file stays.
QString KeepOriginal(const QString& path)
{
    const QFileInfo ledger(path);
    for (int attempt = 1; attempt <= KeptNameAttempts; ++attempt) {
        const QString kept = ledger.dir().filePath(KeptName(ledger.completeBaseName(), attempt));
        const int error = LinkFile(path, kept);
        if (error == 0)
            return kept;
        if (error != EEXIST)
            throw JetConversionError(path, ConversionStop::OriginalNotKept, kept, error);
    }
    throw JetConversionError(path, ConversionStop::NoFreeKeptName);
}

// The kept original holds every note in clear (its password is only masked in its header): its owner's alone.
// Until the new ledger takes the place, the kept name and BDPLORN.mdb are one file, which changes with it.
class PrivateOriginal {
public:
    PrivateOriginal(const QString& path, const QString& kept) : kept_(QFile::encodeName(kept))
    {
        struct stat status {};
        if (::stat(kept_.constData(), &status) != 0 || ::chmod(kept_.constData(), S_IRUSR | S_IWUSR) != 0)
            throw JetConversionError(path, ConversionStop::OriginalNotPrivate, kept, errno);
        formerMode_ = status.st_mode & 07777;
    }

    // Gives the file its former mode back, when the conversion stops before the new ledger is in place.
    void restore() const { ::chmod(kept_.constData(), formerMode_); }

private:
    QByteArray kept_;
    mode_t formerMode_ = 0;
};

} // namespace

JetConversionResult ConvertJetLedger(const QString& folder, const JetRowReader& read)
{
    const QString path = LedgerPathIn(folder);
    const std::optional<FileIdentity> identity = IdentityOf(path);
    RequireConvertible(path, ReadHeader(path));

    const auto refuseUnwritten = [&](const LedgerError& failure) {
        throw JetConversionError(path, ConversionStop::NewLedgerUnwritten, failure);
    };
    QList<QStringList> rows;
    std::optional<LedgerDraft> draft;
    std::optional<LedgerError> unprepared;
    try {
        const JetRowsWhenRead rowsWhenRead =
            read(path, QStringLiteral("tblPlorn"), {QStringLiteral("NomPers"), QStringLiteral("LesPlorns")});
        // The new ledger's key is derived on a thread of its own while this one takes the rows in: a reading
        // process whose answer is not drained stops at a full pipe.
        std::future<void> prepared;
        try {
            draft.emplace(folder);
            prepared = std::async(std::launch::async, [&draft] { draft->prepare(); });
        } catch (const LedgerError& failure) {
            unprepared = failure;
        }
        const auto awaitPrepared = [&] {
            if (!prepared.valid())
                return;
            try {
                prepared.get();
            } catch (const LedgerError& failure) {
                unprepared = failure;
            }
        };
        try {
            rows = rowsWhenRead();
        } catch (const JetReadError&) {
            awaitPrepared();
            throw;
        }
        awaitPrepared();
    } catch (const JetReadError& failure) {
        // The file's own fault first: it is what the user must see to.
        throw JetConversionError(path, failure);
    }
    if (unprepared)
        refuseUnwritten(*unprepared);
    ConvertedPersons converted = ConvertPersons(rows);
    try {
        draft->write(converted.persons);
    } catch (const LedgerError& failure) {
        refuseUnwritten(failure);
    }

    const std::optional<QString> keptBefore = EarlierKeptLink(path);
    const QString kept = keptBefore ? *keptBefore : KeepOriginal(path);
    const auto forgetKept = [&] {
        // The link of an earlier, stopped conversion is left as it was found.
        if (!keptBefore)
            RemoveFile(kept);
    };
    // Another program may have put a file there since it was read: that one must not be replaced.
    if (IdentityOf(kept) != identity) {
        forgetKept();
        throw JetConversionError(path, ConversionStop::ChangedMeanwhile);
    }
    std::optional<PrivateOriginal> privateOriginal;
    try {
        privateOriginal.emplace(path, kept);
    } catch (const LedgerError&) {
        forgetKept();
        throw;
    }
    try {
        draft->renameOver(path);
    } catch (const LedgerError& failure) {
        privateOriginal->restore();
        forgetKept();
        throw JetConversionError(path, ConversionStop::NewLedgerNotPlaced, failure);
    }
    SyncToDisk(folder);
    return {converted.persons.size(), kept, converted.renamed};
}

JetRowReader JetReadingInThisProcess()
{
    return [](const QString& path, const QString& table, const QStringList& columns) -> JetRowsWhenRead {
        // Read at once; a failure is told when the rows are asked for, as from a reading process.
        try {
            return [rows = ReadJetTextColumns(path, table, columns)] {
                return rows;
            };
        } catch (const JetReadError& failure) {
            return [failure]() -> QList<QStringList> {
                throw failure;
            };
        }
    };
}
