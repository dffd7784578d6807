#include "ui/words/ConversionWords.h"

#include "ui/words/FailureWords.h"
#include "ui/words/Reasons.h"

namespace {

// How many renamings the message lists before summing up the rest.
constexpr int ListedRenamings = 20;

// What the file's damage is, as the reader found it.
QString DamageFound(const JetReadError& failure)
{
    const QString number = QString::number(failure.number());
    switch (failure.problem()) {
    case JetReadProblem::TooLargeForJet:
        return QStringLiteral("fichier trop grand pour une base Jet");
    case JetReadProblem::PageOutsideFile:
        return QStringLiteral("page %1 hors du fichier").arg(number);
    case JetReadProblem::CatalogUnreadable:
        return QStringLiteral("catalogue illisible");
    case JetReadProblem::TableDefinitionOutsideFile:
        return QStringLiteral("définition de la table hors du fichier");
    case JetReadProblem::TableDefinitionUnreadable:
        return QStringLiteral("définition de la table illisible");
    case JetReadProblem::PageMapUnreadable:
        return QStringLiteral("table des pages illisible");
    case JetReadProblem::PageMapOutsideFile:
        return QStringLiteral("la table des pages nomme la page %1, hors du fichier").arg(number);
    case JetReadProblem::FieldOutsidePage:
        return QStringLiteral("champ hors de sa page");
    case JetReadProblem::TextUnreadable:
        return QStringLiteral("texte illisible à la fiche n° %1").arg(number);
    case JetReadProblem::RowsMissing:
        return QStringLiteral("la table %1 compte %2 fiches, %3 ont pu être lues")
            .arg(failure.table(), number, QString::number(failure.otherNumber()));
    case JetReadProblem::MemoFieldTooShort:
        return QStringLiteral("champ Mémo trop court");
    case JetReadProblem::MemoFieldInconsistent:
        return QStringLiteral("champ Mémo incohérent");
    case JetReadProblem::MemoLengthWrong:
        return QStringLiteral("longueur de Mémo fausse");
    case JetReadProblem::MemoCut:
        return QStringLiteral("Mémo coupé");
    case JetReadProblem::MemoPageOutsideFile:
        return QStringLiteral("page de Mémo hors du fichier");
    case JetReadProblem::MemoPageReadTwice:
        return QStringLiteral("page de Mémo lue deux fois");
    case JetReadProblem::MemoPageUnreadable:
        return QStringLiteral("page de Mémo illisible");
    case JetReadProblem::AnswerIncoherent:
        return QStringLiteral("sa lecture a rendu des données incohérentes");
    case JetReadProblem::ReadingTooLong:
        return QStringLiteral("sa lecture ne s'est pas terminée à temps");
    case JetReadProblem::ReadingCrashed:
        return QStringLiteral("sa lecture a fait échouer le processus qui le lisait");
    case JetReadProblem::ReadingFailed:
        return QStringLiteral("sa lecture a échoué");
    default:
        return {};
    }
}

// A failure behind the conversion's: a reason of the engine's or the system's, or a whole sentence of the
// program's own step.
QString CauseWords(const LedgerError& cause)
{
    return cause.step() == LedgerStep::Using ? ReasonOf(cause) : DescribeFailure(cause);
}

QString StopReason(const JetConversionError& failure)
{
    switch (failure.stop()) {
    case ConversionStop::Unreadable:
        return failure.unread() ? JetReadReason(*failure.unread()) : QString();
    case ConversionStop::NewerAccessFormat:
        return QStringLiteral("il est au format Access 2007 ou plus récent (.accdb), que ce programme ne sait pas "
                              "convertir");
    case ConversionStop::NotJet3Or4:
        return QStringLiteral("ce n'est pas une base Access au format Jet 3 ou Jet 4");
    case ConversionStop::OtherPassword:
        return QStringLiteral("son mot de passe n'est pas celui du registre");
    case ConversionStop::NewLedgerUnwritten:
        return QStringLiteral("le nouveau registre n'a pas pu être écrit (%1)")
            .arg(failure.cause() ? CauseWords(*failure.cause()) : QString());
    case ConversionStop::OriginalNotKept:
        return QStringLiteral("l'original n'a pas pu être gardé sous le nom %1 (%2)")
            .arg(ShownPath(failure.keptPath()), ReasonOf(failure));
    case ConversionStop::NoFreeKeptName:
        return QStringLiteral("aucun nom n'est libre pour garder l'original");
    case ConversionStop::ChangedMeanwhile:
        return QStringLiteral("le nouveau registre n'a pas pu prendre sa place (il a changé pendant la conversion)");
    case ConversionStop::OriginalNotPrivate:
        return QStringLiteral("l'original n'a pas pu être réservé à son propriétaire (%1)").arg(ReasonOf(failure));
    case ConversionStop::NewLedgerNotPlaced:
        return QStringLiteral("le nouveau registre n'a pas pu prendre sa place (%1)")
            .arg(failure.cause() ? CauseWords(*failure.cause()) : QString());
    }
    return {};
}

} // namespace

QString JetReadReason(const JetReadError& failure)
{
    if (failure.isDamage())
        return QStringLiteral("il est endommagé (%1)").arg(DamageFound(failure));
    switch (failure.problem()) {
    case JetReadProblem::CannotRead:
        return QStringLiteral("il ne peut pas être lu (%1)").arg(SystemReason(failure.systemError()));
    case JetReadProblem::Truncated:
        return QStringLiteral("il est tronqué");
    case JetReadProblem::NotAccess:
        return QStringLiteral("il ne peut pas être ouvert comme base Access");
    case JetReadProblem::NotJet3Or4:
        return QStringLiteral("ce n'est pas une base au format Jet 3 ou Jet 4");
    case JetReadProblem::UnknownCodePage:
        return QStringLiteral("sa page de codes (%1) est inconnue").arg(failure.number());
    case JetReadProblem::MissingTable:
        return QStringLiteral("il ne contient pas la table %1 avec les champs %2")
            .arg(failure.table(), failure.columns().join(QStringLiteral(", ")));
    case JetReadProblem::ReadingNotStarted:
        return QStringLiteral("il n'a pas pu être lu (%1)").arg(failure.ownWords());
    default:
        return {};
    }
}

QString DescribeConversionFailure(const JetConversionError& failure)
{
    return QStringLiteral("Le fichier %1 n'a pas été converti : %2.\r\nIl n'a pas été modifié.")
        .arg(ShownPath(failure.path()), StopReason(failure));
}

QString DescribeJetConversion(const JetConversionResult& result)
{
    QString text = result.personCount == 1
                       ? QStringLiteral("Le registre au format Access a été converti : 1 personne a été reprise.")
                       : QStringLiteral("Le registre au format Access a été converti : %1 personnes ont été reprises.")
                             .arg(result.personCount);
    text += QStringLiteral("\r\nL'original est conservé tel quel sous le nom %1. Ce fichier n'a pas la protection "
                           "du programme : tout ce qu'il contient peut être lu sans lui. Vous pourrez le supprimer "
                           "une fois vos personnes vérifiées.")
                .arg(ShownPath(result.keptOriginalPath));
    if (result.renamed.isEmpty())
        return text;
    text += QStringLiteral("\r\n\r\nCes personnes ont reçu un nouveau nom, car plusieurs portaient le même nom, "
                           "ou aucun :");
    for (const RenamedPerson& renamed : result.renamed.first(qMin(result.renamed.size(), ListedRenamings))) {
        const QString from =
            renamed.from.isEmpty() ? QStringLiteral("(sans nom)") : QStringLiteral("« %1 »").arg(renamed.from);
        text += QStringLiteral("\r\n%1 → « %2 »").arg(from, renamed.to);
    }
    if (result.renamed.size() > ListedRenamings)
        text += QStringLiteral("\r\net %1 autres.").arg(result.renamed.size() - ListedRenamings);
    return text;
}
