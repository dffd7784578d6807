#include "ledger/jet/JetPageFile.h"

#include "ledger/jet/JetReader.h"
#include "ledger/jet/Rc4.h"

#include <QtEndian>

namespace {

// The low bits of a row's offset; above them, a row's flags.
constexpr quint16 RowOffsetMask = 0x1FFF;
constexpr quint16 RowDeleted = 0x4000;

} // namespace

JetPageFile::JetPageFile(const QString& path, const JetPageFormat& format, quint32 pageKey)
    : format_(format), pageKey_(pageKey), file_(path)
{
    if (!file_.open(QIODevice::ReadOnly))
        throw JetReadError(QStringLiteral("il ne peut pas être lu (%1)").arg(file_.errorString()));
    const qint64 size = file_.size();
    if (size <= 0 || size % format_.pageSize != 0)
        throw JetReadError(QStringLiteral("il est tronqué"));
    // Jet numbers pages with 24 bits (page << 8 | row): a longer file is no Jet file.
    if (size / format_.pageSize > 0xFFFFFF)
        throw JetReadError::damaged(QStringLiteral("fichier trop grand pour une base Jet"));
    pageCount_ = static_cast<quint32>(size / format_.pageSize);
}

QByteArrayView JetPageFile::page(quint32 number)
{
    if (!holds(number))
        throw JetReadError::damaged(QStringLiteral("page %1 hors du fichier").arg(number));
    if (number == cachedNumber_)
        return cached_;
    cachedNumber_ = 0;
    if (!file_.seek(static_cast<qint64>(number) * format_.pageSize))
        throw JetReadError(QStringLiteral("il ne peut pas être lu (%1)").arg(file_.errorString()));
    cached_ = file_.read(format_.pageSize);
    if (cached_.size() != format_.pageSize)
        throw JetReadError(QStringLiteral("il ne peut pas être lu (%1)").arg(file_.errorString()));
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
