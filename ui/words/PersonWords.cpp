#include "ui/words/PersonWords.h"

#include "ledger/LedgerFile.h"
#include "ui/words/FailureWords.h"

namespace {

const QString CRLF = QStringLiteral("\r\n");

} // namespace

QString NoOneYetHint()
{
    return QStringLiteral("Aucune personne n'est encore inscrite.\nPour commencer, inscrivez un nom dans la case "
                          "« Ajout : » en bas de la fenêtre, puis appuyez sur Entrée.");
}

QString NoNameTyped()
{
    return QStringLiteral("Aucun nom n'a été inscrit.") + CRLF + QStringLiteral("Veuillez inscrire un nom.");
}

QString InvisibleCharacterInName()
{
    return QStringLiteral("Le nom inscrit contient un caractère invisible ou de contrôle (tabulation, saut de "
                          "ligne, marque de sens d'écriture...).") +
           CRLF + QStringLiteral("Veuillez inscrire le nom sans ce caractère.");
}

QString NameTaken()
{
    return QStringLiteral("Le nom inscrit existe déjà.") + CRLF + QStringLiteral("Veuillez inscrire un autre nom.");
}

QString PersonAdded(const QString& name)
{
    return QStringLiteral("La personne : ") + name + CRLF + QStringLiteral("a été ajouté");
}

QString CannotDeleteReserved()
{
    return QStringLiteral("Vous ne pouvez pas supprimer cette utilisateur Désoler.");
}

QString ConfirmDelete(const QString& name)
{
    return QStringLiteral("Êtes-vous sur de supprimer : ") + CRLF + name + CRLF +
           QStringLiteral("Ainsi que toutes ses plorns ?");
}

QString PersonAddedBack(const QString& name)
{
    return QStringLiteral("« %1 » n'était plus dans le registre : un autre programme l'a peut-être supprimée.\r\n"
                          "Cette personne y a été remise avec les notes affichées.")
        .arg(name);
}

QString PersonVanished(const QString& name)
{
    return QStringLiteral("« %1 » n'est plus dans le registre : un autre programme l'a peut-être supprimée.\r\n"
                          "La liste des personnes a été relue.")
        .arg(name);
}

QString SaveFailure(const QString& name, const LedgerError& failure)
{
    if (!failure.isOutOfMemory())
        return DescribeFailure(failure);
    return QStringLiteral("La mémoire manque pour enregistrer les notes de « %1 ». Elles sont toujours dans la "
                          "fenêtre, mais pas dans le registre.\r\nFermez d'autres programmes, puis réessayez.")
        .arg(name);
}

QString CloseWithoutSaving(const QString& failure)
{
    return failure + QStringLiteral("\r\n\r\nLes notes n'ont pas pu être enregistrées.\r\nFermer quand même et "
                                    "perdre les notes non enregistrées ?");
}

QString NoGoodBackup(const QString& found)
{
    return found + QStringLiteral("\r\nAucune sauvegarde en bon état n'a été trouvée.");
}

QString OfferRestore(const QString& found, const QString& backupPath)
{
    return found + QStringLiteral("\r\n\r\nLa plus récente sauvegarde en bon état est %1.\r\nLa remettre à la place "
                                  "du registre ? Le registre endommagé sera gardé à côté, sous un autre nom.")
                       .arg(ShownPath(backupPath));
}

QString BackupRestored(const QString& backupPath, const QString& keptAsidePath,
                       const std::optional<QString>& notesSavedOf)
{
    QString told = QStringLiteral("La sauvegarde %1 a été remise à la place du registre.\r\nLe registre endommagé "
                                  "est gardé sous le nom %2.")
                       .arg(ShownPath(backupPath), ShownPath(keptAsidePath));
    if (notesSavedOf)
        told +=
            QStringLiteral("\r\nLes notes de « %1 » qui étaient affichées y ont été enregistrées.").arg(*notesSavedOf);
    return told;
}
