#include "ui/words/Reasons.h"

#include <QHash>
#include <cerrno>
#include <cstring>
#include <sqlite3.h>

namespace {

const QHash<int, QString>& EngineReasons()
{
    static const QHash<int, QString> reasons{
        {SQLITE_ERROR, QStringLiteral("erreur de la base de données")},
        {SQLITE_INTERNAL, QStringLiteral("erreur interne du moteur de la base de données")},
        {SQLITE_PERM, QStringLiteral("accès refusé")},
        {SQLITE_ABORT, QStringLiteral("opération abandonnée")},
        {SQLITE_BUSY, QStringLiteral("la base de données est verrouillée")},
        {SQLITE_LOCKED, QStringLiteral("une table de la base de données est verrouillée")},
        {SQLITE_NOMEM, QStringLiteral("mémoire insuffisante")},
        {SQLITE_READONLY, QStringLiteral("écriture dans une base de données en lecture seule")},
        {SQLITE_INTERRUPT, QStringLiteral("opération interrompue")},
        {SQLITE_IOERR, QStringLiteral("erreur de lecture ou d'écriture sur le disque")},
        {SQLITE_CORRUPT, QStringLiteral("la base de données est endommagée")},
        {SQLITE_NOTFOUND, QStringLiteral("opération inconnue")},
        {SQLITE_FULL, QStringLiteral("la base de données ou le disque est plein")},
        {SQLITE_CANTOPEN, QStringLiteral("impossible d'ouvrir le fichier de la base de données")},
        {SQLITE_PROTOCOL, QStringLiteral("erreur du protocole de verrouillage")},
        {SQLITE_EMPTY, QStringLiteral("la base de données est vide")},
        {SQLITE_SCHEMA, QStringLiteral("la structure de la base de données a changé")},
        {SQLITE_TOOBIG, QStringLiteral("texte ou donnée trop grand")},
        {SQLITE_CONSTRAINT, QStringLiteral("contrainte non respectée")},
        {SQLITE_MISMATCH, QStringLiteral("type de donnée inattendu")},
        {SQLITE_MISUSE, QStringLiteral("mauvaise utilisation du moteur de la base de données")},
        {SQLITE_NOLFS, QStringLiteral("les grands fichiers ne sont pas pris en charge")},
        {SQLITE_AUTH, QStringLiteral("autorisation refusée")},
        {SQLITE_FORMAT, QStringLiteral("format de la base de données incorrect")},
        {SQLITE_RANGE, QStringLiteral("numéro de paramètre hors limites")},
        {SQLITE_NOTADB, QStringLiteral("le fichier est chiffré ou n'est pas une base de données")},
    };
    return reasons;
}

const QHash<int, QString>& SystemReasons()
{
    static const QHash<int, QString> reasons{
        {ENOENT, QStringLiteral("fichier ou dossier introuvable")},
        {EACCES, QStringLiteral("permission refusée")},
        {EPERM, QStringLiteral("opération non permise")},
        {EROFS, QStringLiteral("disque en lecture seule")},
        {ENOSPC, QStringLiteral("plus de place sur le disque")},
        {EDQUOT, QStringLiteral("quota de disque dépassé")},
        {EIO, QStringLiteral("erreur de lecture ou d'écriture sur le disque")},
        {EISDIR, QStringLiteral("c'est un dossier")},
        {ENOTDIR, QStringLiteral("ce n'est pas un dossier")},
        {ELOOP, QStringLiteral("trop de liens symboliques")},
        {ENAMETOOLONG, QStringLiteral("nom de fichier trop long")},
        {EBUSY, QStringLiteral("périphérique ou ressource occupé")},
        {EEXIST, QStringLiteral("le fichier existe déjà")},
        {EMFILE, QStringLiteral("trop de fichiers ouverts")},
    };
    return reasons;
}

} // namespace

QString EngineReason(int extendedCode, const QString& ownWords)
{
    return EngineReasons().value(extendedCode & 0xff, ownWords);
}

QString SystemReason(int error)
{
    if (const auto found = SystemReasons().constFind(error); found != SystemReasons().cend())
        return *found;
    char buffer[256];
    return QString::fromLocal8Bit(strerror_r(error, buffer, sizeof buffer));
}

QString ReasonOf(const LedgerError& failure)
{
    if (failure.systemError() != 0)
        return SystemReason(failure.systemError());
    if (failure.extendedCode() != 0)
        return EngineReason(failure.extendedCode(), failure.message());
    if (failure.kind() == LedgerFailure::WalMode)
        return QStringLiteral("le registre est en mode WAL, dont une copie du seul fichier serait incomplète");
    return failure.message();
}
