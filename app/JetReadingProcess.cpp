#include "app/JetReadingProcess.h"

#include "app/JetReadingMode.h"
#include "app/JetRowFrames.h"
#include "ledger/jet/JetReadError.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <cerrno>
#include <fcntl.h>
#include <linux/close_range.h>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr qint64 Megabyte = 1 << 20;
constexpr int EndWaitMs = 5000;

// Runs in the child between fork and exec: only async-signal-safe calls. Every descriptor but the three pipes
// is marked close-on-exec (QProcess's own pipe to report a failed exec already is), so the reading process
// never holds the ledger's lock, the guard's socket or the ledger itself.
void CloseInheritedDescriptorsOnExec()
{
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0)
        return;
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) != 0)
        return;
    const int last = files.rlim_cur == RLIM_INFINITY ? 65536 : static_cast<int>(qMin<rlim_t>(files.rlim_cur, 65536));
    for (int fd = 3; fd < last; ++fd) {
        const int flags = ::fcntl(fd, F_GETFD);
        if (flags >= 0)
            ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
    }
}

// Gathers the answer until the process ends, the time is up or the answer is larger than the file allows.
QByteArray GatherAnswer(QProcess& reading, const QDeadlineTimer& deadline, qint64 largest)
{
    QByteArray answer;
    for (;;) {
        const bool more = reading.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
        answer += reading.readAllStandardOutput();
        if (answer.size() > largest) {
            reading.kill();
            reading.waitForFinished(EndWaitMs);
            throw JetReadError(JetReadProblem::AnswerIncoherent);
        }
        if (!more && reading.state() == QProcess::NotRunning)
            return answer;
        if (deadline.hasExpired()) {
            reading.kill();
            reading.waitForFinished(EndWaitMs);
            throw JetReadError(JetReadProblem::ReadingTooLong);
        }
    }
}

} // namespace

std::chrono::milliseconds JetReadingTimeLimit::forFile(qint64 fileSize) const
{
    return base + perMegabyte * ((qMax<qint64>(0, fileSize) + Megabyte - 1) / Megabyte);
}

JetRowsWhenRead StartJetReadingProcess(const QString& path, const QString& table, const QStringList& columns,
                                       const JetReadingTimeLimit& limit)
{
    const qint64 fileSize = QFileInfo(path).size();
    const std::chrono::milliseconds timeLimit = limit.forFile(fileSize);
    const QDeadlineTimer deadline(timeLimit);
    const auto remainingMs = [deadline] {
        return static_cast<int>(qMax<qint64>(1, deadline.remainingTime()));
    };

    // QProcess rather than posix_spawn: it gives the pipes, the wait with a time limit, the kill and the exit
    // status in a few calls, and its child modifier leaves no descriptor to the reading process. Going, it kills
    // a reading process that is still there.
    auto reading = std::make_shared<QProcess>();
    reading->setProgram(QStringLiteral("/proc/self/exe"));
    reading->setArguments({QString::fromLatin1(JetReadingModeArgument)});
    reading->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    reading->setChildProcessModifier(CloseInheritedDescriptorsOnExec);
    reading->start();
    if (!reading->waitForStarted(remainingMs()))
        throw JetReadError::NotStarted(reading->errorString());
    const auto cpuSeconds = static_cast<int>(std::chrono::ceil<std::chrono::seconds>(timeLimit).count());
    reading->write(EncodeJetReadingRequest({path, table, columns, cpuSeconds}));
    // Sent now, not at the next wait: the reading goes on while the caller does other work.
    reading->waitForBytesWritten(remainingMs());
    reading->closeWriteChannel();

    return [reading, deadline, fileSize, columnCount = columns.size()] {
        const QByteArray answer = GatherAnswer(*reading, deadline, LargestJetAnswer(columnCount, fileSize));
        reading->waitForFinished(EndWaitMs);
        if (reading->exitStatus() != QProcess::NormalExit)
            throw JetReadError(JetReadProblem::ReadingCrashed);
        if (reading->exitCode() != 0)
            throw JetReadError(JetReadProblem::ReadingFailed);
        return DecodeJetRows(answer, columnCount, fileSize);
    };
}

JetRowReader JetReadingProcessReader(const JetReadingTimeLimit& limit)
{
    return [limit](const QString& path, const QString& table, const QStringList& columns) {
        return StartJetReadingProcess(path, table, columns, limit);
    };
}
