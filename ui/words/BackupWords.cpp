#include "ui/words/BackupWords.h"

#include "ui/words/FailureWords.h"
#include "ui/words/Reasons.h"

#include <QFileInfo>
#include <QStringList>

namespace {

// What the proof of the day's copy found, in the engine's words for the pages it checked.
QString DamageFound(const BackupProof& proof)
{
    if (proof.unreadable)
        return ReasonOf(*proof.unreadable);
    if (proof.integrityCheckSilent)
        return QStringLiteral("integrity_check n'a rien répondu");
    return proof.integrityProblems.join(QStringLiteral(" ; "));
}

} // namespace

QString DescribeBackupFailure(const LedgerError& failure)
{
    const QString path = ShownPath(failure.path());
    const QString reason = ReasonOf(failure);
    switch (failure.step()) {
    case LedgerStep::CheckingDate:
        return QStringLiteral("Le registre %1 n'est pas sauvegardé (la date donnée n'est pas valide).").arg(path);
    case LedgerStep::MakingBackupFolder:
        return QStringLiteral("Impossible de créer le dossier des sauvegardes %1 (%2).").arg(path, reason);
    case LedgerStep::MakingBackupFile:
        return QStringLiteral("Impossible de créer un fichier dans le dossier des sauvegardes %1 (%2).")
            .arg(path, reason);
    case LedgerStep::WritingBackup:
        return QStringLiteral("Impossible d'écrire la sauvegarde %1 (%2).").arg(path, reason);
    case LedgerStep::ReadingToBackUp:
        return QStringLiteral("Impossible de lire le registre %1 pour le sauvegarder (%2).").arg(path, reason);
    case LedgerStep::RemovingBackup:
        return QStringLiteral("L'ancienne sauvegarde %1 n'a pas pu être supprimée (%2).").arg(path, reason);
    case LedgerStep::ProvingBackup:
        return QStringLiteral("La sauvegarde du registre %1 n'a pas pu être vérifiée (%2).").arg(path, reason);
    default:
        break;
    }
    return QStringLiteral("La sauvegarde %1 n'a pas pu être faite (%2).")
        .arg(path, reason.isEmpty() ? QStringLiteral("erreur inconnue") : reason);
}

QString BackupReason(const BackupOutcome& outcome)
{
    switch (outcome.result) {
    case BackupOutcome::Result::Failed:
        return outcome.failure ? DescribeFailure(*outcome.failure) : QString();
    case BackupOutcome::Result::LedgerDamaged:
        return QStringLiteral("Le registre %1 est endommagé : sa copie du jour n'a pas passé la vérification (%2).")
            .arg(ShownPath(outcome.ledgerPath), DamageFound(outcome.damage));
    case BackupOutcome::Result::Made:
    case BackupOutcome::Result::AlreadyThere:
        break;
    }
    QStringList problems;
    for (const LedgerError& unremoved : outcome.unremoved)
        problems << DescribeFailure(unremoved);
    return problems.join(QLatin1Char(' '));
}

QString RoomNotice(const BackupOutcome& outcome)
{
    if (outcome.removedForRoom.isEmpty())
        return {};
    QStringList names;
    for (const QString& path : outcome.removedForRoom)
        names << QFileInfo(path).fileName();
    return QStringLiteral("Le disque était trop plein pour la sauvegarde du jour : pour lui faire de la place, "
                          "les plus anciennes sauvegardes ont été supprimées (%1). Libérez de la place sur le disque "
                          "pour garder vos sauvegardes.")
        .arg(names.join(QStringLiteral(", ")));
}

QString BackupFailedMessage(const BackupOutcome& outcome)
{
    const QString notice = RoomNotice(outcome);
    const QString reason = BackupReason(outcome);
    return QStringLiteral("La sauvegarde du jour n'a pas pu être faite ; le registre lui-même n'a pas changé et vous "
                          "pouvez continuer.\r\n%1")
        .arg(notice.isEmpty() ? reason : reason + QStringLiteral("\r\n") + notice);
}
