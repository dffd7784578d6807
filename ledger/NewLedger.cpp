#include "ledger/NewLedger.h"

#include "ledger/FileSync.h"
#include "ledger/LedgerDraft.h"
#include "ledger/LedgerError.h"
#include "ledger/LedgerFile.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <unistd.h>

const QString WelcomeNote =
    QStringLiteral("Bienvenue dans Quentaril !\r\n"
                   "\r\n"
                   "Pour commencer, inscrivez le nom d’une personne dans la case « Ajout : » en bas de la fenêtre, "
                   "puis appuyez sur Entrée.\r\n"
                   "Choisissez ensuite cette personne dans la liste et notez ses plorns ici. "
                   "Le bouton « Date et l’heure » ajoute la date du jour.\r\n");

namespace {

QString AlreadyThere(const QString& path)
{
    return QStringLiteral("Le fichier %1 existe déjà : il n'est pas remplacé.").arg(ShownPath(path));
}

} // namespace

void CreateNewLedger(const QString& path)
{
    const QFileInfo target(path);
    if (target.exists() || target.isSymLink())
        throw LedgerError(AlreadyThere(path));

    // Built under a temporary name beside the target, then linked into place: a link never replaces an
    // existing file, so a ledger that appeared meanwhile is safe too.
    LedgerDraft draft(target.absolutePath());
    draft.write({{ReservedPersonName, WelcomeNote}});

    if (::link(QFile::encodeName(draft.path()).constData(), QFile::encodeName(path).constData()) != 0) {
        if (errno == EEXIST)
            throw LedgerError(AlreadyThere(path));
        throw LedgerError(QStringLiteral("Impossible de créer %1 : %2").arg(ShownPath(path), LastSystemError()));
    }
    SyncToDisk(target.absolutePath());
}
