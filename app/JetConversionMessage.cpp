#include "app/JetConversionMessage.h"

#include "ledger/LedgerFile.h"

namespace {

// How many renamings the message lists before summing up the rest.
constexpr int ListedRenamings = 20;

} // namespace

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
