#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The folder the running executable lies in, read from /proc/self/exe. Nothing when the program cannot name it
// exactly (a folder name that is not valid in the system's encoding would come back changed, and the files
// opened would be others): the program must then refuse, never fall back to another folder.
std::optional<QString> ExecutableFolder();

// The same decision for the bytes of an executable's path.
std::optional<QString> FolderOfExecutablePath(const QByteArray& executablePath);
