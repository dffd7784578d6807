#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>
#include <vector>

// One program per ledger. The first start on a ledger file holds it for as long as it runs; a later start on
// the same file, by whatever path (a symbolic or a hard link included), asks the first to come to the front
// and ends, so that two programs never write over each other's edits.
//
// The ledger goes by two names, each one a lock file (QLockFile, which decides who runs) and one local socket
// (QLocalServer, on which the holder listens for the knocks of later starts):
// - the file's device and inode, which every link to it shares;
// - its folder's device and inode with its file name, which stay when a new file takes the ledger's place
//   (as the conversion of an Access ledger does while the program runs).
// A start holds both names or neither. One that finds a name held connects to that name's socket, knocks,
// and waits a little for the answer.
//
// A lock whose program has ended in any way, killed included, no longer counts: its PID names no running
// Quentaril, and the next start takes it over. A lock is never stale by age, however long it is held.
class LedgerGuard : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        // This program holds the ledger (or found no private folder for its locks, or could not make a lock
        // at all, said on stderr, and runs unguarded); raiseRequested fires each time another start knocks.
        First,
        // Another program holds the ledger and has been asked to come to the front: end with status 0.
        HandedOver,
        // Another program holds the ledger but did not answer in time: the user has been told in an error box
        // that the ledger is already open. End with a failure status.
        Unreachable,
    };

    // How long a later start tries to reach the first: connecting, knocking and waiting for the answer.
    static constexpr std::chrono::milliseconds DefaultPatience{3000};

    explicit LedgerGuard(QObject* parent = nullptr);
    // Releases the ledger.
    ~LedgerGuard() override;
    LedgerGuard(const LedgerGuard&) = delete;
    LedgerGuard& operator=(const LedgerGuard&) = delete;

    // Once per guard, with the path the program opens the ledger by (the file need not exist). Returns
    // within about `patience`, plus the time the error box stays open.
    Outcome acquire(const QString& ledgerPath, std::chrono::milliseconds patience = DefaultPatience);

    // Lets the ledger go: the sockets close, then the lock files go. Also done when the guard is destroyed; a
    // failure ends the program without destructors, so the program calls it then. Never throws.
    void release();

    // The lock files that stand for the ledger at `ledgerPath` as it is now, in the order they are taken; none
    // when there is no private folder to hold them.
    static QStringList lockFilePaths(const QString& ledgerPath);
    // What the user is told when the ledger is open in a program that does not answer, in French.
    static QString alreadyOpenMessage(const QString& ledgerPath);

signals:
    // Another start on this ledger asks this program to bring its window to the front.
    void raiseRequested();

private:
    struct Claim;
    enum class HoldResult { Held, HeldElsewhere, CannotLock };

    HoldResult tryHold(const QStringList& names, QString* heldName);
    void listen();
    void answerKnocks(Claim& claim);
    void dropClaims();

    // Where the lock files and sockets are: see GuardFolder in LedgerGuard.cpp.
    QString folder_;
    std::chrono::milliseconds patience_ = DefaultPatience;
    std::vector<std::unique_ptr<Claim>> claims_;
};
