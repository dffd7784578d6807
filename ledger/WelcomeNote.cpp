#include "ledger/WelcomeNote.h"

// The box opens with its caret at the end: what to do first comes last, where the newcomer sees it.
const QString WelcomeNote = QStringLiteral(
    "Bienvenue dans Quentaril !\r\n"
    "\r\n"
    "Un plorn, c’est une dette entre vous et un proche : ce que vous lui avez prêté, ce qu’il vous "
    "doit, ce qu’il vous a rendu. Quentaril en tient le compte, personne par personne.\r\n"
    "\r\n"
    "Cette page-ci, « Varnokel », est réservée : elle ne peut pas être supprimée, et ce que vous y "
    "tapez n’est pas enregistré quand vous changez de personne ou fermez Quentaril (seul l’ajout "
    "d’une personne l’enregistre).\r\n"
    "\r\n"
    "Vos plorns sont enregistrés, chiffrés, dans le fichier BDPLORN.mdb, à côté du programme. Chaque "
    "jour, Quentaril en garde une copie dans le dossier BDPLORN-sauvegardes, à côté de ce fichier "
    "(les 7 plus récentes, puis une par semaine sur 5 semaines et une par mois sur un an). Si le registre "
    "est un jour endommagé, Quentaril propose de remettre la plus récente sauvegarde en bon état.\r\n"
    "\r\n"
    "Pour commencer, inscrivez le nom d’une personne dans la case « Ajout : » en bas de la fenêtre, "
    "puis appuyez sur Entrée.\r\n"
    "Choisissez ensuite cette personne dans la liste et notez ses plorns ici. "
    "Le bouton « Date et l’heure » ajoute la date du jour.\r\n");
