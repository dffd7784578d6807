#pragma once

#include "ledger/LedgerError.h"

#include <QString>
#include <optional>

// What the main window tells the user about persons, their notes and the ledger's backups.

inline const QString AddedTitle = QStringLiteral("Ajouter");
inline const QString ConfirmDeleteTitle = QStringLiteral("T'es Sur ?");

// The notes box while the ledger holds no one.
QString NoOneYetHint();

QString NoNameTyped();
QString InvisibleCharacterInName();
QString NameTaken();
QString PersonAdded(const QString& name);
QString CannotDeleteReserved();
QString ConfirmDelete(const QString& name);

QString PersonAddedBack(const QString& name);
QString PersonVanished(const QString& name);
// Why the notes of `name` could not be saved: too little memory, or the ledger's failure.
QString SaveFailure(const QString& name, const LedgerError& failure);
// `failure` says why the notes shown could not be saved; the user is asked whether to close anyway.
QString CloseWithoutSaving(const QString& failure);

// `found` says how the ledger was found damaged.
QString NoGoodBackup(const QString& found);
QString OfferRestore(const QString& found, const QString& backupPath);
// `notesSavedOf` names the person whose notes were saved into the backup put back, if any.
QString BackupRestored(const QString& backupPath, const QString& keptAsidePath,
                       const std::optional<QString>& notesSavedOf);
