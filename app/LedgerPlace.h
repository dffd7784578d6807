#pragma once

#include <QByteArray>
#include <QString>

// Where the ledger lives is decided by where the program is installed, not by who runs it. A program in a
// system folder (/usr or below, /usr/local included: where a package or a `cmake --install` for the whole
// system puts it) is shared by every user and is not theirs to write beside: each user, root included, keeps
// the ledger in their own data folder, $XDG_DATA_HOME/quentaril, or ~/.local/share/quentaril when
// XDG_DATA_HOME is unset or not an absolute path (the XDG base directory rules ignore a relative one).
// Anywhere else (a build, `make install-user`) the ledger stays beside the program.
struct LedgerPlace {
    // The folder of BDPLORN.mdb and its backups; empty when the user's data folder has no name the program can
    // use (neither variable an absolute path, or a name the system's encoding cannot give back unchanged).
    QString folder;
    // In the user's data folder: the folder is made when missing, and a missing ledger is made new.
    bool inUserData = false;
};

// `executableFolder` as /proc/self/exe names it (symbolic links resolved, so a link in /usr/bin to a build
// still counts as the build); `xdgDataHome` and `home` as the environment gives them.
LedgerPlace ChooseLedgerPlace(const QString& executableFolder, const QByteArray& xdgDataHome, const QByteArray& home);

// The same for this process: its environment, with the home folder of the password database when HOME is not
// an absolute path.
LedgerPlace LedgerPlaceFor(const QString& executableFolder);
