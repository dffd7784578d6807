#include "ui/words/ListSearchWords.h"

#include <QLocale>

QString PersonsFound(const QString& typed, int found)
{
    return found == 1 ? QStringLiteral("« %1 » : 1 personne").arg(typed)
                      : QStringLiteral("« %1 » : %2 personnes").arg(typed, QLocale().toString(found));
}

QString PersonsFoundHelp(int found)
{
    if (found == 0)
        return QStringLiteral("Effacement arrière pour corriger, Échap pour revenir à la personne affichée.");
    return found == 1 ? QStringLiteral("Entrée pour l'afficher, Échap pour revenir à la personne affichée.")
                      : QStringLiteral("Flèches pour choisir, Entrée pour l'afficher, Échap pour revenir à la "
                                       "personne affichée.");
}

QString NoPersonFound(const QString& typed)
{
    // Short enough for the list's face, as the count is.
    return QStringLiteral("« %1 » : aucune personne").arg(typed);
}
