#include "ui/words/FindWords.h"

#include "ui/words/FailureWords.h"

namespace {

QString Persons(qsizetype count)
{
    return count == 0   ? QStringLiteral("aucune personne trouvée")
           : count == 1 ? QStringLiteral("1 personne trouvée")
                        : QStringLiteral("%1 personnes trouvées").arg(count);
}

QString Capitalised(const QString& text)
{
    return text.left(1).toUpper() + text.mid(1);
}

} // namespace

QString MatchInNotes(qsizetype current, qsizetype count)
{
    return QStringLiteral("Occurrence %1 sur %2 dans ces notes").arg(current).arg(count);
}

QString NotFoundInNotes()
{
    return QStringLiteral("Introuvable dans ces notes");
}

QString SearchRunning(qsizetype found)
{
    return QStringLiteral("Recherche en cours… ") + Persons(found);
}

QString PersonsFound(qsizetype found)
{
    return Capitalised(Persons(found));
}

QString SearchStopped(qsizetype found)
{
    return QStringLiteral("Recherche arrêtée : ") + Persons(found);
}

QString SearchFailed(const LedgerError& failure)
{
    return QStringLiteral("La recherche a échoué. ") + DescribeFailure(failure);
}

QString FoundPersonEntry(const QString& name, const QString& line)
{
    return name + QStringLiteral(" — ") + line;
}
