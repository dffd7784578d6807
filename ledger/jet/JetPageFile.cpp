#include "ledger/jet/JetPageFile.h"

#include "ledger/jet/JetReadError.h"
#include "ledger/jet/Rc4.h"

#include <QFile>
#include <QtEndian>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The low bits of a row's offset; above them, a row's flags.
constexpr quint16 RowOffsetMask = 0x1FFF;
constexpr quint16 RowDeleted = 0x4000;

} // namespace

JetPageFile::JetPageFile(const QString& path, const JetPageFormat& format, quint32 pageKey)
    : format_(format), pageKey_(pageKey), fd_(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC))
{
    struct stat status {};
    if (fd_ < 0 || ::fstat(fd_, &status) != 0)
        throw JetReadError::System(errno);
    const qint64 size = status.st_size;
    if (size <= 0 || size % format_.pageSize != 0)
        throw JetReadError(JetReadProblem::Truncated);
    // Jet numbers pages with 24 bits (page << 8 | row): a longer file is no Jet file.
    if (size / format_.pageSize > 0xFFFFFF)
        throw JetReadError(JetReadProblem::TooLargeForJet);
    pageCount_ = static_cast<quint32>(size / format_.pageSize);
}

JetPageFile::~JetPageFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

QByteArrayView JetPageFile::page(quint32 number)
{
    if (!holds(number))
        throw JetReadError(JetReadProblem::PageOutsideFile, number);
    if (number == cachedNumber_)
        return cached_;
    cachedNumber_ = 0;
    cached_.resize(format_.pageSize);
    const off_t at = static_cast<off_t>(number) * format_.pageSize;
    for (qsizetype done = 0; done < cached_.size();) {
        const ssize_t got = ::pread(fd_, cached_.data() + done, static_cast<size_t>(cached_.size() - done), at + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw JetReadError::System(errno);
        if (got == 0)
            throw JetReadError(JetReadProblem::Truncated);
        done += got;
    }
    if (pageKey_ != 0) {
        char key[4];
        qToLittleEndian(pageKey_ ^ number, key);
        cached_ = Rc4(QByteArrayView(key, 4), cached_);
    }
    cachedNumber_ = number;
    return cached_;
}

std::optional<JetPageRow> RowOfPage(QByteArrayView page, const JetPageFormat& format, int row)
{
    const qsizetype countAt = format.rowCountOffset;
    if (row < 0 || page.size() != format.pageSize || countAt + 2 > page.size())
        return std::nullopt;
    const int rowCount = qFromLittleEndian<quint16>(page.data() + countAt);
    const qsizetype tableEnd = countAt + 2 + 2 * static_cast<qsizetype>(rowCount);
    if (row >= rowCount || tableEnd > page.size())
        return std::nullopt;
    const auto offsetOf = [&](int index) {
        return qFromLittleEndian<quint16>(page.data() + countAt + 2 + 2 * index);
    };
    const quint16 entry = offsetOf(row);
    const qsizetype start = entry & RowOffsetMask;
    const qsizetype end = row == 0 ? page.size() : (offsetOf(row - 1) & RowOffsetMask);
    if (start < tableEnd || start > end || end > page.size())
        return std::nullopt;
    return JetPageRow{page.sliced(start, end - start), (entry & RowDeleted) != 0};
}
