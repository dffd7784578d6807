#pragma once

#include "ledger/LedgerError.h"
#include "ui/words/WindowWords.h"

#include <QString>

// The find window and its commands in the notes box's context menu.

inline const QString FindTitle = QStringLiteral("Rechercher");
inline const QString FindCommand = QStringLiteral("Rechercher…");
inline const QString FindNextCommand = QStringLiteral("Occurrence suivante");
inline const QString FindPreviousCommand = QStringLiteral("Occurrence précédente");

inline const QString LookForCaption = QStringLiteral("&Rechercher :");
inline const QString MatchCaseCaption = QStringLiteral("Respecter la &casse");
inline const QString MatchAccentsCaption = QStringLiteral("Respecter les &accents");
inline const QString EveryoneCaption = QStringLiteral("Dans &toutes les personnes");
inline const QString PreviousCaption = QStringLiteral("&Précédente");
inline const QString NextCaption = QStringLiteral("&Suivante");
inline const QString StopCaption = QStringLiteral("Arrêt&er");

inline const Announcement LookForAnnounced{QStringLiteral("Texte à rechercher"),
                                           QStringLiteral("F3 va à l'occurrence suivante, Maj+F3 à la précédente.")};
inline const Announcement FoundPersonsAnnounced{
    QStringLiteral("Personnes trouvées"),
    QStringLiteral("Les personnes dont les notes contiennent le texte, avec la ligne où il se trouve. Entrée ou un "
                   "double-clic affiche la personne.")};
inline const Announcement StatusAnnounced{QStringLiteral("État de la recherche"), QString()};

// The notes shown: where the match selected is among them.
QString MatchInNotes(qsizetype current, qsizetype count);
QString NotFoundInNotes();
// Every person's notes.
QString SearchRunning(qsizetype found);
QString PersonsFound(qsizetype found);
QString SearchStopped(qsizetype found);
QString SearchFailed(const LedgerError& failure);
// A person found and the line where the text is.
QString FoundPersonEntry(const QString& name, const QString& line);
