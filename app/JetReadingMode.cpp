#include "app/JetReadingMode.h"

#include "app/CoreDumps.h"
#include "ledger/jet/JetReader.h"
#include "ui/words/StartWords.h"

#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Exit statuses the program reads as "not read": only 0 with a whole answer is a reading.
constexpr int NotStartedByTheProgram = 64;
constexpr int ReadingFailed = 70;
constexpr int AnswerNotWritten = 74;

// A request is a path, a table and two column names: far less than this.
constexpr qsizetype LargestRequest = 1 << 16;
// Room for the executable, its libraries and their data, then for the rows: the file's bytes a few times over
// (its pages, the rows as text, the answer). A length in a damaged file that asks for more fails the
// allocation, which ends the reading process and only it.
constexpr rlim_t AddressSpaceRoom = rlim_t(512) << 20;
constexpr rlim_t AddressSpacePerFileByte = 8;

// What an unprivileged process may ask for by default (/proc/sys/fs/pipe-max-size).
constexpr qsizetype LargestPipe = 1 << 20;

bool IsPipe(int fd)
{
    struct stat status {};
    return ::fstat(fd, &status) == 0 && S_ISFIFO(status.st_mode);
}

[[noreturn]] void Refuse()
{
    std::fputs(qUtf8Printable(ReadingModeRefusal()), stderr);
    std::_Exit(NotStartedByTheProgram);
}

std::optional<QByteArray> ReadRequestBytes()
{
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got == 0)
            return bytes;
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 || bytes.size() + got > LargestRequest)
            return std::nullopt;
        bytes.append(buffer, got);
    }
}

#if !defined(__SANITIZE_ADDRESS__)
// The address space in use now, from /proc/self/statm (in pages); 0 when it cannot be read.
rlim_t AddressSpaceInUse()
{
    std::FILE* statm = std::fopen("/proc/self/statm", "re");
    if (!statm)
        return 0;
    unsigned long pages = 0;
    const bool read = std::fscanf(statm, "%lu", &pages) == 1;
    std::fclose(statm);
    return read ? rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) : 0;
}
#endif

void LimitResources(const JetReadingRequest& request)
{
    const auto cpu = static_cast<rlim_t>(request.cpuSeconds);
    // SIGXCPU at the soft limit, SIGKILL a second later: either way the program sees a reading that did not end.
    const rlimit cpuLimit{cpu, cpu + 1};
    ::setrlimit(RLIMIT_CPU, &cpuLimit);
    // It writes no file.
    const rlimit noFiles{0, 0};
    ::setrlimit(RLIMIT_FSIZE, &noFiles);
#if !defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer reserves terabytes of shadow memory up front: under it the limit would stop everything.
    const qint64 fileSize = qMax<qint64>(0, QFileInfo(request.path).size());
    const rlim_t room = AddressSpaceInUse() + AddressSpaceRoom + rlim_t(fileSize) * AddressSpacePerFileByte;
    const rlimit addressSpace{room, room};
    ::setrlimit(RLIMIT_AS, &addressSpace);
#endif
}

bool WriteAll(const QByteArray& bytes)
{
    // A pipe holds 64 KiB: a larger one lets the answer go in a few writes rather than one for every time the
    // program, busy preparing the new ledger, drains it. Best effort: the system may refuse the size.
    ::fcntl(STDOUT_FILENO, F_SETPIPE_SZ, static_cast<int>(qMin<qsizetype>(bytes.size(), LargestPipe)));
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t put = ::write(STDOUT_FILENO, bytes.constData() + written, size_t(bytes.size() - written));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        written += put;
    }
    return true;
}

QByteArray ReadTheFile(const JetReadingRequest& request)
{
    try {
        return EncodeJetRows(ReadJetTextColumns(request.path, request.table, request.columns), request.columns.size());
    } catch (const JetReadError& failure) {
        return EncodeJetReadFailure(failure);
    }
}

} // namespace

void RunJetReadingModeIfAsked(int argc, char* argv[])
{
    RunJetReadingModeIfAsked(argc, argv, ReadTheFile);
}

void RunJetReadingModeIfAsked(int argc, char* argv[], const JetReadingWork& work)
{
    if (argc < 2 || std::strcmp(argv[1], JetReadingModeArgument) != 0)
        return;
    // Before the first byte of the file is in memory.
    DisableCoreDumps();
    // Started by hand from a terminal, it would find no pipes: nothing is read then.
    if (argc != 2 || !IsPipe(STDIN_FILENO) || !IsPipe(STDOUT_FILENO))
        Refuse();
    const std::optional<QByteArray> requestBytes = ReadRequestBytes();
    const std::optional<JetReadingRequest> request =
        requestBytes ? DecodeJetReadingRequest(*requestBytes) : std::nullopt;
    if (!request)
        Refuse();
    LimitResources(*request);

    QByteArray answer;
    try {
        answer = work(*request);
    } catch (...) {
        // Out of memory under the limit, or any other failure: no answer, and the program says the file is
        // damaged.
        std::_Exit(ReadingFailed);
    }
    std::_Exit(WriteAll(answer) ? EXIT_SUCCESS : AnswerNotWritten);
}
