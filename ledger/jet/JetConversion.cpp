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
#include <cerrno>
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

// Links the old ledger under a name of its own, taking the first free one: an earlier kept file stays.
QString KeepOriginal(const QString& path)
{
    const QFileInfo ledger(path);
    const QString base = ledger.completeBaseName();
    for (int attempt = 1; attempt <= KeptNameAttempts; ++attempt) {
        const QString name = attempt == 1 ? QStringLiteral("%1.jet.mdb").arg(base)
                                          : QStringLiteral("%1.jet-%2.mdb").arg(base, QString::number(attempt));
        const QString kept = ledger.dir().filePath(name);
        if (::link(QFile::encodeName(path).constData(), QFile::encodeName(kept).constData()) == 0)
            return kept;
        if (errno != EEXIST)
            throw LedgerError(QStringLiteral("l'original n'a pas pu être gardé sous le nom %1 (%2)")
                                  .arg(ShownPath(kept), LastSystemError()));
    }
    throw LedgerError(QStringLiteral("aucun nom n'est libre pour garder l'original"));
}

} // namespace

JetConversionResult ConvertJetLedger(const QString& folder)
{
    const QString path = LedgerPathIn(folder);
    const std::optional<FileIdentity> read = IdentityOf(path);
    RequireConvertible(path, ReadHeader(path));

    QList<QStringList> rows;
    try {
        rows = ReadJetTextColumns(path, QStringLiteral("tblPlorn"),
                                  {QStringLiteral("NomPers"), QStringLiteral("LesPlorns")});
    } catch (const JetReadError& failure) {
        Refuse(path, failure.reason());
    }
    ConvertedPersons converted = ConvertPersons(rows);

    std::optional<LedgerDraft> draft;
    try {
        draft.emplace(folder);
        draft->write(converted.persons);
    } catch (const LedgerError& failure) {
        Refuse(path, QStringLiteral("le nouveau registre n'a pas pu être écrit (%1)").arg(failure.message()),
               failure.engineCode());
    }

    QString kept;
    try {
        kept = KeepOriginal(path);
    } catch (const LedgerError& failure) {
        Refuse(path, failure.message());
    }
    try {
        // Another program may have put a file there since it was read: that one must not be replaced.
        if (IdentityOf(kept) != read)
            throw LedgerError(QStringLiteral("il a changé pendant la conversion"));
        draft->renameOver(path);
    } catch (const LedgerError& failure) {
        ::unlink(QFile::encodeName(kept).constData());
        Refuse(path, QStringLiteral("le nouveau registre n'a pas pu prendre sa place (%1)").arg(failure.message()),
               failure.engineCode());
    }
    SyncToDisk(folder);
    return {converted.persons.size(), kept, converted.renamed};
}
