#include "ui/words/FailureWords.h"

#include "ledger/jet/JetConversionError.h"
#include "ui/words/BackupWords.h"
#include "ui/words/ConversionWords.h"
#include "ui/words/Reasons.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString NotReplaced(const QString& path)
{
    return QStringLiteral("Le fichier %1 existe déjà : il n'est pas remplacé.").arg(ShownPath(path));
}

// Where the user finds a good copy of the ledger.
const QString LatestBackup =
    QStringLiteral("la plus récente sauvegarde du dossier BDPLORN-sauvegardes, à côté du registre");

QString PutBackALedger()
{
    return QStringLiteral("Quentaril fermé, remettez le bon registre à cette place, par exemple ") + LatestBackup +
           QLatin1Char('.');
}

// What happened, with %1 for the file, then what the user can do.
QString Situation(LedgerFailure kind)
{
    switch (kind) {
    case LedgerFailure::Missing:
        return QStringLiteral("Le registre %1 est introuvable.\r\nS'il a été déplacé ou renommé, remettez-le à "
                              "cette place sous le nom BDPLORN.mdb, ou copiez-y ") +
               LatestBackup +
               QStringLiteral(".\r\nPour créer un nouveau registre, vide, depuis le dossier des sources de "
                              "Quentaril :\r\nbuild/tools/quentaril-newledger \"%1\"");
    case LedgerFailure::NotARegularFile:
        return QStringLiteral("%1 n'est pas un fichier ordinaire (c'est un dossier, un tube ou un périphérique) : "
                              "ce n'est pas un registre.\r\n") +
               PutBackALedger();
    case LedgerFailure::EmptyFile:
        return QStringLiteral("Le fichier %1 est vide : ce n'est pas un registre.\r\n") + PutBackALedger();
    case LedgerFailure::Unencrypted:
        return QStringLiteral("Le fichier %1 n'est pas protégé par un mot de passe : ce n'est pas un registre.\r\n") +
               PutBackALedger();
    case LedgerFailure::AccessFormat:
        return QStringLiteral("Le fichier %1 est au format Access (Jet), que ce programme ne lit pas.\r\n") +
               PutBackALedger();
    case LedgerFailure::NoLedgerTable:
        return QStringLiteral("Le fichier %1 ne contient pas la table tblPlorn avec les champs NomPers et LesPlorns : "
                              "ce n'est pas un registre de Quentaril.\r\n") +
               PutBackALedger();
    case LedgerFailure::CannotOpen:
        return QStringLiteral("Le registre %1 ne peut pas être ouvert, ou le journal qui l'accompagne pendant un "
                              "enregistrement ne peut pas être créé à côté de lui.\r\nVérifiez que vous avez le "
                              "droit de lire et de modifier ce fichier et son dossier.");
    case LedgerFailure::NotALedger:
        // The engine cannot tell a foreign file, another key and a damaged first page apart.
        return QStringLiteral("Le fichier %1 n'est pas un registre de Quentaril, ou il a été chiffré avec un "
                              "autre mot de passe, ou son début est endommagé.\r\n") +
               PutBackALedger();
    case LedgerFailure::Damaged:
        return QStringLiteral("Le registre %1 est endommagé : une partie ne peut plus être lue.\r\nQuentaril "
                              "fermé, gardez ce fichier sous un autre nom, sans le modifier, et remettez à sa "
                              "place ") +
               LatestBackup + QLatin1Char('.');
    case LedgerFailure::Busy:
        return QStringLiteral("Le registre %1 est occupé par un autre programme (une autre copie de Quentaril, "
                              "un outil de synchronisation ou de sauvegarde...).\r\nFermez cet autre programme, "
                              "puis réessayez.");
    case LedgerFailure::DiskFull:
        return QStringLiteral("Le disque du registre %1 est plein.\r\nLibérez de la place sur ce disque, puis "
                              "réessayez.");
    case LedgerFailure::InputOutput:
        return QStringLiteral("Le registre %1 n'a pas pu être lu ou écrit : le disque a signalé une erreur.\r\n"
                              "Vérifiez que le disque (ou la clé, ou le partage réseau) est toujours branché et "
                              "en état, puis réessayez. Si l'erreur revient, copiez les sauvegardes du "
                              "dossier BDPLORN-sauvegardes sur un autre disque.");
    case LedgerFailure::ReadOnly:
        return QStringLiteral("Le registre %1 ne peut pas être modifié : le fichier ou son dossier est en lecture "
                              "seule.\r\nDonnez-vous le droit d'écrire dans ce fichier et dans son dossier, ou "
                              "placez le programme et son registre dans un dossier à vous, puis réessayez.");
    case LedgerFailure::Replaced:
        return QStringLiteral("Le registre %1 a été déplacé, supprimé ou remplacé par un autre fichier pendant que "
                              "Quentaril l'utilisait.\r\nFermez puis relancez Quentaril pour ouvrir le fichier qui se "
                              "trouve maintenant à cette place.");
    case LedgerFailure::OutOfMemory:
        return QStringLiteral("La mémoire manque pour travailler sur le registre %1.\r\nFermez d'autres "
                              "programmes, puis réessayez.");
    case LedgerFailure::EmptyPassword:
    case LedgerFailure::AlreadyExists:
    case LedgerFailure::WalMode:
    case LedgerFailure::Other:
        break;
    }
    return QStringLiteral("Le registre %1 a rencontré une erreur inattendue.\r\nRelancez Quentaril. Si l'erreur "
                          "revient, remettez à sa place, Quentaril fermé, ") +
           LatestBackup + QLatin1Char('.');
}

// Using the ledger: what happened to it, what the user can do, and the reason in parentheses.
QString UsingTheLedger(const LedgerError& failure)
{
    switch (failure.kind()) {
    case LedgerFailure::EmptyPassword:
        return QStringLiteral("Le mot de passe du registre est vide.");
    case LedgerFailure::AlreadyExists:
        return NotReplaced(failure.path());
    default:
        break;
    }
    const QString told = Situation(failure.kind()).arg(ShownPath(QFileInfo(failure.path()).absoluteFilePath()));
    const QString reason = ReasonOf(failure);
    // Refused by the program itself, the file has no reason of the engine's.
    if (reason.isEmpty())
        return told;
    return told + QStringLiteral("\r\n(") + reason + QLatin1Char(')');
}

} // namespace

QString ShownPath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString DescribeFailure(const LedgerError& failure)
{
    if (const auto* conversion = dynamic_cast<const JetConversionError*>(&failure))
        return DescribeConversionFailure(*conversion);
    const QString path = ShownPath(failure.path());
    switch (failure.step()) {
    case LedgerStep::Using:
        return UsingTheLedger(failure);
    case LedgerStep::CreatingLedger:
        if (failure.kind() == LedgerFailure::AlreadyExists)
            return NotReplaced(failure.path());
        return QStringLiteral("Impossible de créer %1 : %2").arg(path, ReasonOf(failure));
    case LedgerStep::MakingDraft:
        return QStringLiteral("Impossible de créer un fichier dans %1 : %2").arg(path, ReasonOf(failure));
    case LedgerStep::PlacingDraft:
        return QStringLiteral("Impossible de remplacer %1 : %2").arg(path, ReasonOf(failure));
    case LedgerStep::CopyingBackup:
        return QStringLiteral("Impossible de copier la sauvegarde %1 à la place du registre (%2).")
            .arg(path, ReasonOf(failure));
    case LedgerStep::PuttingBack:
        return QStringLiteral("Impossible de remettre la sauvegarde à la place du registre %1 (%2).")
            .arg(path, ReasonOf(failure));
    case LedgerStep::KeepingDamaged:
        return QStringLiteral("Impossible de mettre de côté le registre endommagé %1 (%2).")
            .arg(path, ReasonOf(failure));
    case LedgerStep::SyncingFolder:
        return QStringLiteral("Impossible d'enregistrer sur le disque le dossier %1 (%2).")
            .arg(path, ReasonOf(failure));
    case LedgerStep::CheckingDate:
    case LedgerStep::MakingBackupFolder:
    case LedgerStep::MakingBackupFile:
    case LedgerStep::WritingBackup:
    case LedgerStep::ReadingToBackUp:
    case LedgerStep::RemovingBackup:
    case LedgerStep::ProvingBackup:
    case LedgerStep::BackingUp:
        return DescribeBackupFailure(failure);
    case LedgerStep::Converting:
        break;
    }
    return UsingTheLedger(failure);
}
