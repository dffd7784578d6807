#pragma once

#include <QString>

// Syncs a file or a folder to the disk: after a link or a rename, the folder holds the new name.
void SyncToDisk(const QString& path);
