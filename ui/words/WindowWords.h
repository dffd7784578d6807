#pragma once

#include <QString>

// The two windows' captions, and what a screen reader is told of each control.

struct Announcement {
    QString name;
    QString description;
};

// The main window.
inline const QString AddCaption = QStringLiteral("Ajout :");
inline const QString DeleteButtonCaption = QStringLiteral("&Supp");
inline const QString DateButtonCaption = QStringLiteral("&Date et l'heure");
inline const QString AddButtonCaption = QStringLiteral("&Ajouter");
inline const QString AboutButtonCaption = QStringLiteral("À &propos de...");
inline const QString PersonListCaption = QStringLiteral("Liste des personnes");

inline const Announcement PersonListAnnounced{PersonListCaption,
                                              QStringLiteral("Choisissez une personne pour afficher ses notes.")};
inline const Announcement NotesAnnounced{
    QStringLiteral("Notes de la personne"),
    QStringLiteral("Les plorns de la personne choisie dans la liste, en texte libre.")};
inline const Announcement AddCaptionAnnounced{QStringLiteral("Ajout"), QString()};
inline const Announcement NameBoxAnnounced{QStringLiteral("Nom de la personne à ajouter"),
                                           QStringLiteral("Inscrivez un nom puis appuyez sur Entrée ou sur Ajouter.")};
inline const Announcement DeleteButtonAnnounced{
    QStringLiteral("Supprimer la personne"),
    QStringLiteral("Supprime la personne choisie et toutes ses notes, après confirmation.")};
inline const Announcement DateButtonAnnounced{QStringLiteral("Date et l'heure"),
                                              QStringLiteral("Ajoute la date et l'heure à la fin des notes.")};
inline const Announcement AddButtonAnnounced{QStringLiteral("Ajouter la personne"), QString()};
inline const Announcement AboutButtonAnnounced{QStringLiteral("À propos de Quentaril"), QString()};

// The notes box's context menu: the size of the notes' text.
inline const QString ZoomInCommand = QStringLiteral("Agrandir le texte");
inline const QString ZoomOutCommand = QStringLiteral("Réduire le texte");
inline const QString ZoomResetCommand = QStringLiteral("Taille normale du texte");

// The About window; its title is this, the program's name and its version.
inline const QString AboutTitlePrefix = QStringLiteral("A propos de ");
inline const QString AboutText = QStringLiteral("Ce programme a été conçu à l'origine pour mon utilisation personnel. "
                                                "Suite au multiple demande, il est maintenant disponible pour vous "
                                                "tous !! Consulter notre site internet ");
inline const QString NameCaption = QStringLiteral("Nom :");
inline const QString VersionCaption = QStringLiteral("Version :");
inline const QString CommentsCaption = QStringLiteral("Commentaire :");
inline const QString SiteLinkTip = QStringLiteral("Aller Sur Le Site Web");
inline const QString CloseButtonCaption = QStringLiteral("&Fermer");

inline const Announcement AboutFrameAnnounced{QStringLiteral("À propos de Quentaril"), QString()};
inline const Announcement BannerAnnounced{QStringLiteral("Bannière de Quentaril"),
                                          QStringLiteral("Le nom du programme et un carnet de comptes ouvert.")};
inline const Announcement NameCaptionAnnounced{QStringLiteral("Nom"), QString()};
inline const Announcement NameBoxOfAboutAnnounced{QStringLiteral("Nom du programme"), QString()};
inline const Announcement VersionCaptionAnnounced{QStringLiteral("Version"), QString()};
inline const Announcement VersionBoxAnnounced{QStringLiteral("Version du programme"), QString()};
inline const Announcement CommentsCaptionAnnounced{QStringLiteral("Commentaire"), QString()};
inline const Announcement CommentsBoxAnnounced{
    QStringLiteral("Commentaire sur le programme"),
    QStringLiteral("Texte en lecture seule ; les flèches font défiler les lignes cachées.")};
inline const Announcement CloseButtonAnnounced{QStringLiteral("Fermer la fenêtre À propos"), QString()};

// The two links, which name the site and its maker.
inline const QString SiteLinkName = QStringLiteral("Site web de Varnokel");
QString SiteLinkDescription(const QString& siteAddress);
QString MakerLinkName(const QString& makerName);
inline const QString MakerLinkDescription = QStringLiteral("Lien : ouvre le site de l'auteur dans le navigateur.");
