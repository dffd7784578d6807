#include "ledger/jet/JetConversion.h"

#include "ledger/FileSync.h"
#include "ledger/LedgerDraft.h"
#include "ledger/LedgerError.h"
#include "ledger/LedgerFile.h"
#include "ledger/jet/JetHeader.h"
#include "ledger/jet/JetReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <future>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int KeptNameAttempts = 1000;

[[noreturn]] void Refuse(const QString& path, const QString& reason, int engineCode = 0)
{
    throw LedgerError(QStringLiteral("Le fichier %1 n'a pas été converti : %2.\r\nIl n'a pas été modifié.")
                          .arg(ShownPath(path), reason),
                      engineCode);
}

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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Refuse(path, QStringLiteral("il ne peut pas être lu (%1)").arg(file.errorString()));
    return ParseJetHeader(file.read(256));
}

void RequireConvertible(const QString& path, const JetHeader& header)
{
    switch (header.format) {
    case JetFormat::Ace:
        Refuse(path, QStringLiteral("il est au format Access 2007 ou plus récent (.accdb), que ce programme ne sait "
                                    "pas convertir"));
    case JetFormat::Unknown:
        Refuse(path, QStringLiteral("ce n'est pas une base Access au format Jet 3 ou Jet 4"));
    case JetFormat::Jet3:
    case JetFormat::Jet4:
        break;
    }
    // The engine would open a file without a password, and only with the right one otherwise.
    if (!header.password.isEmpty() && header.password != LedgerPassword)
        Refuse(path, QStringLiteral("son mot de passe n'est pas celui du registre"));
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
        if (LinkFile(path, kept) == 0)
            return kept;
        if (errno != EEXIST)
            throw LedgerError(QStringLiteral("l'original n'a pas pu être gardé sous le nom %1 (%2)")
                                  .arg(ShownPath(kept), LastSystemError()));
    }
    throw LedgerError(QStringLiteral("aucun nom n'est libre pour garder l'original"));
}

// The kept original holds every note in clear (its password is only masked in its header): its owner's alone.
// Until the new ledger takes the place, the kept name and BDPLORN.mdb are one file, which changes with it.
class PrivateOriginal {
public:
    explicit PrivateOriginal(const QString& kept) : kept_(QFile::encodeName(kept))
    {
        struct stat status {};
        if (::stat(kept_.constData(), &status) != 0 || ::chmod(kept_.constData(), S_IRUSR | S_IWUSR) != 0)
            throw LedgerError(
                QStringLiteral("l'original n'a pas pu être réservé à son propriétaire (%1)").arg(LastSystemError()));
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
        Refuse(path, QStringLiteral("le nouveau registre n'a pas pu être écrit (%1)").arg(failure.message()),
               failure.engineCode());
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
        Refuse(path, failure.reason());
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
    QString kept;
    try {
        kept = keptBefore ? *keptBefore : KeepOriginal(path);
    } catch (const LedgerError& failure) {
        Refuse(path, failure.message());
    }
    const auto forgetKept = [&] {
        // The link of an earlier, stopped conversion is left as it was found.
        if (!keptBefore)
            RemoveFile(kept);
    };
    // Another program may have put a file there since it was read: that one must not be replaced.
    if (IdentityOf(kept) != identity) {
        forgetKept();
        Refuse(path, QStringLiteral("le nouveau registre n'a pas pu prendre sa place (il a changé pendant la "
                                    "conversion)"));
    }
    std::optional<PrivateOriginal> privateOriginal;
    try {
        privateOriginal.emplace(kept);
    } catch (const LedgerError& failure) {
        forgetKept();
        Refuse(path, failure.message());
    }
    try {
        draft->renameOver(path);
    } catch (const LedgerError& failure) {
        privateOriginal->restore();
        forgetKept();
        Refuse(path, QStringLiteral("le nouveau registre n'a pas pu prendre sa place (%1)").arg(failure.message()),
               failure.engineCode());
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
