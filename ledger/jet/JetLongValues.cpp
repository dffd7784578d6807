#include "ledger/jet/JetLongValues.h"

#include "ledger/jet/JetReadError.h"

#include <QtEndian>

namespace {

// The field: the stored length in its low 30 bits, where the value lies above them.
constexpr qsizetype MemoFieldSize = 12;
constexpr quint32 MemoInline = 0x80000000;
constexpr quint32 MemoOnOneRow = 0x40000000;
constexpr quint32 MemoLengthMask = 0x3FFFFFFF;
constexpr qsizetype NextPieceSize = 4;
constexpr char DataPage = 0x01;

} // namespace

QByteArray JetLongValues::read(QByteArrayView field)
{
    if (field.size() < MemoFieldSize)
        throw JetReadError(JetReadProblem::MemoFieldTooShort);
    const auto head = qFromLittleEndian<quint32>(field.data());
    const qsizetype length = head & MemoLengthMask;
    const auto first = qFromLittleEndian<quint32>(field.data() + 4);
    if ((head & MemoInline) && (head & MemoOnOneRow))
        throw JetReadError(JetReadProblem::MemoFieldInconsistent);
    if (head & MemoInline) {
        if (field.size() - MemoFieldSize != length)
            throw JetReadError(JetReadProblem::MemoLengthWrong);
        return field.sliced(MemoFieldSize).toByteArray();
    }
    // No value is longer than the file that holds it: a larger length is damage, never a reason to allocate.
    if (length > pages_.fileSize())
        throw JetReadError(JetReadProblem::MemoLengthWrong);
    if (head & MemoOnOneRow) {
        const QByteArrayView value = row(first);
        if (value.size() != length)
            throw JetReadError(JetReadProblem::MemoLengthWrong);
        return value.toByteArray();
    }
    return chain(first, length);
}

// A chain of rows, each starting with the page and row of the next, 0 in the last.
QByteArray JetLongValues::chain(quint32 first, qsizetype length)
{
    QByteArray value;
    value.reserve(length);
    for (quint32 next = first; next != 0;) {
        const QByteArrayView piece = row(next);
        if (piece.size() < NextPieceSize || piece.size() - NextPieceSize > length - value.size())
            throw JetReadError(JetReadProblem::MemoLengthWrong);
        next = qFromLittleEndian<quint32>(piece.data());
        value.append(piece.sliced(NextPieceSize));
    }
    if (value.size() != length)
        throw JetReadError(JetReadProblem::MemoCut);
    return value;
}

QByteArrayView JetLongValues::row(quint32 pageAndRow)
{
    const quint32 pageNumber = pageAndRow >> 8;
    const int rowNumber = static_cast<int>(pageAndRow & 0xFF);
    if (!pages_.holds(pageNumber))
        throw JetReadError(JetReadProblem::MemoPageOutsideFile);
    if (visited_.contains(pageAndRow))
        throw JetReadError(JetReadProblem::MemoPageReadTwice);
    visited_.insert(pageAndRow);
    const QByteArrayView page = pages_.page(pageNumber);
    if (page.at(0) != DataPage || page.sliced(4, 4) != "LVAL")
        throw JetReadError(JetReadProblem::MemoPageUnreadable);
    const std::optional<JetPageRow> found = RowOfPage(page, pages_.format(), rowNumber);
    if (!found || found->deleted)
        throw JetReadError(JetReadProblem::MemoPageUnreadable);
    return found->bytes;
}
