#include "app/LedgerGuard.h"

#include "ui/toolkit/FailureGuard.h"
#include "ui/toolkit/MessageBox.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
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
// A socket path must fit in sockaddr_un::sun_path (108 bytes on Linux, with its final NUL).
constexpr qsizetype LongestSocketPath = 100;

// Where the lock files and sockets live: the user's runtime folder, or the temporary folder when there is
// none. Not beside the ledger: two hard links in two folders would then make two locks for one file, and
// a symbolic link's folder would not be the file's. One folder for every ledger makes one lock per file,
// named by the file's identity. The runtime folder is the user's alone (mode 0700), on this machine, and
// emptied when the user's last session ends, which fits a lock that only says "a program of this session
// has the ledger open". In the temporary folder, shared by every user, the user id in each name keeps
// users apart and the sockets admit their owner only.
QString GuardFolder()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty() && QDir().mkpath(runtime))
        return runtime;
    return QDir::tempPath();
}

QString Hex(quint64 number)
{
    return QString::number(number, 16);
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
    const QString prefix = QStringLiteral("quentaril-%1-").arg(::getuid());
    QStringList names;
    struct stat file {};
    if (::stat(QFile::encodeName(resolved).constData(), &file) == 0)
        names << prefix + QStringLiteral("f%1-%2").arg(Hex(file.st_dev), Hex(file.st_ino));
    struct stat folder {};
    const QFileInfo resolvedInfo(resolved);
    if (::stat(QFile::encodeName(resolvedInfo.absolutePath()).constData(), &folder) == 0) {
        const QByteArray nameHash =
            QCryptographicHash::hash(resolvedInfo.fileName().toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
        names << prefix + QStringLiteral("d%1-%2-%3")
                              .arg(Hex(folder.st_dev), Hex(folder.st_ino), QString::fromLatin1(nameHash));
    }
    return names;
}

QString LockFilePath(const QString& folder, const QString& name)
{
    return folder + QLatin1Char('/') + name + QStringLiteral(".lock");
}

QString ServerName(const QString& folder, const QString& name)
{
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".socket");
    // Too long a folder: the bare name, which Qt places in the temporary folder.
    return QFile::encodeName(path).size() <= LongestSocketPath ? path : name + QStringLiteral(".socket");
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
    folder_ = GuardFolder();
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
            exitHook_ = std::make_unique<FailureExitHook>([this] { dropClaims(); });
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
            std::fputs(qUtf8Printable(QStringLiteral("Quentaril: %1 ne peut pas être créé ; le registre n'est pas "
                                                     "protégé contre un second lancement.\n")
                                          .arg(QDir::toNativeSeparators(LockFilePath(folder_, name)))),
                       stderr);
            return HoldResult::CannotLock;
        }
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
            std::fputs(qUtf8Printable(QStringLiteral("Quentaril: %1 : %2\n")
                                          .arg(QDir::toNativeSeparators(serverName), claim->server->errorString())),
                       stderr);
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
    exitHook_.reset();
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
    const QString folder = GuardFolder();
    QStringList paths;
    for (const QString& name : LedgerNames(ledgerPath))
        paths << LockFilePath(folder, name);
    return paths;
}

QString LedgerGuard::alreadyOpenMessage(const QString& ledgerPath)
{
    return QStringLiteral("Le registre %1 est déjà ouvert dans un autre Quentaril, qui ne répond pas.\r\n"
                          "Fermez cet autre Quentaril, puis relancez le programme.")
        .arg(QDir::toNativeSeparators(QFileInfo(ledgerPath).absoluteFilePath()));
}
