#include "app/LedgerGuard.h"

#include "ledger/FileSync.h"
#include "ledger/LedgerFile.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/words/StartWords.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What a later start says, and what the first answers once it has been asked to come to the front.
const QByteArray KnockLine = QByteArrayLiteral("Quentaril: au premier plan\n");
const QByteArray AnswerLine = QByteArrayLiteral("ok\n");
// Longer than either line: whatever says more is not a Quentaril.
constexpr qsizetype LongestLine = 64;
// Between two tries of a later start that found the ledger held but could not reach its holder yet.
constexpr int RetryPauseMs = 50;

// A folder (lstat: a symbolic link is none) of this user's that no one else may enter.
bool IsPrivateFolder(const struct stat& status)
{
    return S_ISDIR(status.st_mode) && status.st_uid == ::getuid() && (status.st_mode & 077) == 0;
}

// Where the lock files and sockets live; empty, with `refusal` saying why, when there is no such folder.
// Not beside the ledger: two hard links in two folders would then make two locks for one file, and a
// symbolic link's folder would not be the file's. One folder for every ledger makes one lock per file, named
// by the file's identity. It must be the user's alone: in a folder another user can write, or could make
// first, that user could plant a lock that keeps the ledger shut, or a socket that answers in the program's
// place. The runtime folder, emptied when the user's last session ends, fits a lock that only says "a program
// of this session has the ledger open", but only when it is the user's own and closed to others. Otherwise a
// folder of the user's cache: it outlives the session, which is harmless, since a lock whose program is gone
// no longer counts. Never the temporary folder, which every user shares.
QString GuardFolder(QString* refusal)
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat status {};
    if (runtime.startsWith('/') && ::lstat(runtime.constData(), &status) == 0 && IsPrivateFolder(status))
        return QFile::decodeName(runtime);

    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    const QString folder = cache + QStringLiteral("/quentaril");
    // A missing cache folder is made private, as the XDG base directory rules ask.
    for (const QString& made : {cache, folder}) {
        const int error = MakePrivateFolder(made);
        if (error != 0 && error != EEXIST) {
            *refusal = GuardFolderNotMade(made, error);
            return {};
        }
    }
    // Its parent is the user's own: no one else can put another file in its place between these calls.
    const QByteArray encoded = QFile::encodeName(folder);
    if (::lstat(encoded.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::getuid()) {
        *refusal = GuardFolderNotOwned(folder);
        return {};
    }
    // The user's own folder, opened to others since it was made: closed again.
    if (!IsPrivateFolder(status) && ::chmod(encoded.constData(), 0700) != 0) {
        *refusal = GuardFolderNotPrivate(folder, errno);
        return {};
    }
    return folder;
}

// The name of one of the ledger's identities. Hashed, so that a socket path stays well within the 108 bytes
// of sockaddr_un whatever the numbers, and with the machine's identity, so that a cache folder shared by
// several machines (a home folder on the network) never mixes up their files, whose numbers may coincide.
QString GuardName(const QByteArray& identity)
{
    const QByteArray hash =
        QCryptographicHash::hash(QSysInfo::machineUniqueId() + '\n' + identity, QCryptographicHash::Sha256);
    return QStringLiteral("quentaril-") + QString::fromLatin1(hash.toHex().left(16));
}

// The names the ledger goes by, each a lock and a socket: see LedgerGuard.h.
QStringList LedgerNames(const QString& ledgerPath)
{
    const QFileInfo given(ledgerPath);
    // Every symbolic link followed, in the path's folders and at its end.
    QString resolved = given.canonicalFilePath();
    if (resolved.isEmpty()) {
        // No such file (yet): the folder still says which ledger it would be.
        const QString folder = QFileInfo(given.absolutePath()).canonicalFilePath();
        if (folder.isEmpty())
            return {};
        resolved = folder + QLatin1Char('/') + given.fileName();
    }
    QStringList names;
    struct stat file {};
    if (::stat(QFile::encodeName(resolved).constData(), &file) == 0)
        names << GuardName(QByteArray("file ") + QByteArray::number(file.st_dev) + ' ' +
                           QByteArray::number(file.st_ino));
    struct stat folder {};
    const QFileInfo resolvedInfo(resolved);
    if (::stat(QFile::encodeName(resolvedInfo.absolutePath()).constData(), &folder) == 0)
        names << GuardName(QByteArray("entry ") + QByteArray::number(folder.st_dev) + ' ' +
                           QByteArray::number(folder.st_ino) + ' ' + QFile::encodeName(resolvedInfo.fileName()));
    return names;
}

QString LockFilePath(const QString& folder, const QString& name)
{
    return folder + QLatin1Char('/') + name + QStringLiteral(".lock");
}

// Always a full path: a bare name would put the socket in the temporary folder. A path too long for a socket
// fails to listen, said on stderr, and later starts report the ledger open.
QString ServerName(const QString& folder, const QString& name)
{
    return folder + QLatin1Char('/') + name + QStringLiteral(".socket");
}

int RemainingMs(const QDeadlineTimer& deadline)
{
    return int(qMax<qint64>(deadline.remainingTime(), 0));
}

// Knocks on the holder's socket; true once it has answered before the deadline.
bool Knock(const QString& serverName, const QDeadlineTimer& deadline)
{
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(RemainingMs(deadline)))
        return false;
    socket.write(KnockLine);
    socket.flush();
    QByteArray answer;
    while (!answer.contains('\n')) {
        if (!socket.waitForReadyRead(RemainingMs(deadline)))
            return false;
        answer += socket.readAll();
        if (answer.size() > LongestLine)
            return false;
    }
    return answer == AnswerLine;
}

} // namespace

struct LedgerGuard::Claim {
    QString name;
    std::unique_ptr<QLockFile> lock;
    QLocalServer* server = nullptr;
};

LedgerGuard::LedgerGuard(QObject* parent) : QObject(parent) {}

LedgerGuard::~LedgerGuard()
{
    release();
}

LedgerGuard::Outcome LedgerGuard::acquire(const QString& ledgerPath, std::chrono::milliseconds patience)
{
    Q_ASSERT(claims_.empty());
    patience_ = patience;
    QString refusal;
    folder_ = GuardFolder(&refusal);
    if (folder_.isEmpty()) {
        // Anywhere else, another user could forge the lock or the answer. Unguarded, as when lock files cannot
        // be made: the risk is a second program on the ledger, where refusing would keep the user from it.
        std::fputs(qUtf8Printable(refusal), stderr);
        return Outcome::First;
    }
    const QStringList names = LedgerNames(ledgerPath);
    if (names.isEmpty()) {
        // Not even its folder is there: the ledger cannot be opened, and opening says why.
        return Outcome::First;
    }
    const QDeadlineTimer deadline(patience);
    for (;;) {
        QString heldName;
        switch (tryHold(names, &heldName)) {
        case HoldResult::Held:
            listen();
            return Outcome::First;
        case HoldResult::CannotLock:
            // A folder that refuses lock files must not keep the user from their ledger.
            return Outcome::First;
        case HoldResult::HeldElsewhere:
            if (Knock(ServerName(folder_, heldName), deadline))
                return Outcome::HandedOver;
            break;
        }
        // The holder may be starting (locked, not listening yet) or ending (its lock about to go): try again.
        if (deadline.hasExpired())
            break;
        QThread::msleep(RetryPauseMs);
    }
    const QString message = alreadyOpenMessage(ledgerPath);
    std::fputs(qUtf8Printable(message + QLatin1Char('\n')), stderr);
    ShowMessage(nullptr, message, QStringLiteral("Quentaril"), MessageIcon::Error);
    return Outcome::Unreachable;
}

LedgerGuard::HoldResult LedgerGuard::tryHold(const QStringList& names, QString* heldName)
{
    for (const QString& name : names) {
        auto claim = std::make_unique<Claim>();
        claim->name = name;
        claim->lock = std::make_unique<QLockFile>(LockFilePath(folder_, name));
        // Never stale by age: a ledger stays open for hours. A lock whose program is gone is still stale.
        claim->lock->setStaleLockTime(0);
        if (!claim->lock->tryLock(0)) {
            const QLockFile::LockError error = claim->lock->error();
            dropClaims();
            if (error == QLockFile::LockFailedError) {
                *heldName = name;
                return HoldResult::HeldElsewhere;
            }
            std::fputs(qUtf8Printable(LockNotMade(LockFilePath(folder_, name))), stderr);
            return HoldResult::CannotLock;
        }
        // QLockFile leaves its file's mode to the umask: private, as its folder is.
        QFile::setPermissions(LockFilePath(folder_, name), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        claims_.push_back(std::move(claim));
    }
    return HoldResult::Held;
}

void LedgerGuard::listen()
{
    for (const std::unique_ptr<Claim>& claim : claims_) {
        const QString serverName = ServerName(folder_, claim->name);
        // The socket left by a holder that was killed: ours to remove now that we hold its lock.
        QLocalServer::removeServer(serverName);
        claim->server = new QLocalServer(this);
        claim->server->setSocketOptions(QLocalServer::UserAccessOption);
        if (!claim->server->listen(serverName)) {
            // Later starts will not reach this one and will say the ledger is open: still no second program.
            std::fputs(qUtf8Printable(NotListening(serverName, claim->server->errorString())), stderr);
            continue;
        }
        answerKnocks(*claim);
    }
}

void LedgerGuard::answerKnocks(Claim& claim)
{
    QLocalServer* server = claim.server;
    connect(server, &QLocalServer::newConnection, this, [this, server] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            // A caller that never says anything is let go.
            QTimer::singleShot(patience_, socket, [socket] {
                socket->abort();
                socket->deleteLater();
            });
            const auto read = [this, socket] {
                if (!socket->canReadLine()) {
                    if (socket->bytesAvailable() > LongestLine) {
                        socket->abort();
                        socket->deleteLater();
                    }
                    return;
                }
                const bool knock = socket->readLine(LongestLine + 1) == KnockLine;
                if (!knock) {
                    socket->abort();
                    socket->deleteLater();
                    return;
                }
                socket->write(AnswerLine);
                socket->disconnectFromServer();
                emit raiseRequested();
            };
            connect(socket, &QLocalSocket::readyRead, this, read);
            if (socket->bytesAvailable() > 0)
                read();
        }
    });
}

void LedgerGuard::release()
{
    dropClaims();
}

void LedgerGuard::dropClaims()
{
    // Sockets first: closing one removes the socket file by its name, which, were its lock already gone,
    // could be the socket of the next holder.
    for (const std::unique_ptr<Claim>& claim : claims_) {
        if (claim->server) {
            claim->server->close();
            delete claim->server;
            claim->server = nullptr;
        }
    }
    claims_.clear();
}

QStringList LedgerGuard::lockFilePaths(const QString& ledgerPath)
{
    QString refusal;
    const QString folder = GuardFolder(&refusal);
    if (folder.isEmpty())
        return {};
    QStringList paths;
    for (const QString& name : LedgerNames(ledgerPath))
        paths << LockFilePath(folder, name);
    return paths;
}

QString LedgerGuard::alreadyOpenMessage(const QString& ledgerPath)
{
    return AlreadyOpenMessage(ledgerPath);
}
