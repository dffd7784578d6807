#include "app/JetRowFrames.h"

#include "ledger/jet/JetReadError.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>
#include <limits>

namespace {

const QByteArray RowsMagic = QByteArrayLiteral("QJETROWS");
const QByteArray FailureMagic = QByteArrayLiteral("QJETFAIL");
const QByteArray EndMagic = QByteArrayLiteral("QJETEND!");
constexpr quint32 RequestMagic = 0x514A5251; // "QJRQ"
constexpr qint64 ValueHeaderSize = 5;
constexpr qint64 RowsHeaderSize = 8 + 4 + 8 + 8;
// A failure names a table and its columns at most: a longer one is not from this program.
constexpr qint64 LongestFailureBytes = 4096;
constexpr quint8 NullValue = 0;
constexpr quint8 TextValue = 1;

// Every row of a Jet table takes at least its two-byte place in a data page's row table, and a stored character
// at least one byte (code-page text, compressed Unicode), which becomes one UTF-16 unit: an answer beyond these
// bounds did not come from the file.
qint64 MostRows(qint64 fileSize)
{
    return fileSize / 2;
}

qint64 MostTextBytes(qint64 fileSize)
{
    return fileSize * 2;
}

[[noreturn]] void Malformed()
{
    throw JetReadError(JetReadProblem::AnswerIncoherent);
}

template <typename Number> void Append(QByteArray& bytes, Number number)
{
    char little[sizeof(Number)];
    qToLittleEndian(number, little);
    bytes.append(little, sizeof(Number));
}

// The length, then the UTF-16 units in one copy: a unit at a time would take most of the reading process's work.
void AppendText(QByteArray& bytes, const QString& text)
{
    const qsizetype length = text.size() * 2;
    Append(bytes, static_cast<quint32>(length));
    const qsizetype at = bytes.size();
    bytes.resize(at + length);
    qToLittleEndian<quint16>(text.utf16(), text.size(), bytes.data() + at);
}

// Reads an answer front to back, every read checked against what is left.
class AnswerCursor {
public:
    explicit AnswerCursor(const QByteArray& answer) : answer_(answer) {}

    template <typename Number> Number take() { return qFromLittleEndian<Number>(takeBytes(sizeof(Number)).data()); }

    QByteArrayView takeBytes(qint64 size)
    {
        if (size < 0 || size > answer_.size() - at_)
            Malformed();
        const QByteArrayView bytes = QByteArrayView(answer_).sliced(at_, size);
        at_ += size;
        return bytes;
    }

    void expect(const QByteArray& magic)
    {
        if (takeBytes(magic.size()) != magic)
            Malformed();
    }

    bool atEnd() const { return at_ == answer_.size(); }
    qint64 left() const { return answer_.size() - at_; }

private:
    const QByteArray& answer_;
    qint64 at_ = 0;
};

// UTF-16 in an even number of bytes, no surrogate unpaired: anything else is damage.
QString TakeText(AnswerCursor& cursor, qint64 length)
{
    if (length % 2 != 0)
        Malformed();
    const QByteArrayView bytes = cursor.takeBytes(length);
    if (length == 0)
        return QStringLiteral("");
    QString text(length / 2, Qt::Uninitialized);
    qFromLittleEndian<quint16>(bytes.data(), text.size(), text.data());
    if (!QStringView(text).isValidUtf16())
        Malformed();
    return text;
}

// The reading process's failure, every part of it checked.
JetReadError TakeFailure(AnswerCursor& cursor)
{
    const auto problem = cursor.take<quint32>();
    if (problem > static_cast<quint32>(JetReadProblem::Last))
        Malformed();
    const auto number = cursor.take<qint64>();
    const auto otherNumber = cursor.take<qint64>();
    const auto systemError = cursor.take<qint32>();
    const QString table = TakeText(cursor, cursor.take<quint32>());
    QStringList columns;
    for (auto count = cursor.take<quint32>(); count > 0; --count)
        columns << TakeText(cursor, cursor.take<quint32>());
    const QString ownWords = TakeText(cursor, cursor.take<quint32>());
    if (!cursor.atEnd())
        Malformed();
    return JetReadError(static_cast<JetReadProblem>(problem), number, otherNumber, systemError, table, columns,
                        ownWords);
}

} // namespace

QByteArray EncodeJetReadingRequest(const JetReadingRequest& request)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << RequestMagic << request.path << request.table << request.columns << qint32(request.cpuSeconds);
    return bytes;
}

std::optional<JetReadingRequest> DecodeJetReadingRequest(const QByteArray& bytes)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0;
    qint32 cpuSeconds = 0;
    JetReadingRequest request;
    in >> magic >> request.path >> request.table >> request.columns >> cpuSeconds;
    if (in.status() != QDataStream::Ok || !in.atEnd() || magic != RequestMagic || cpuSeconds <= 0)
        return std::nullopt;
    request.cpuSeconds = cpuSeconds;
    return request;
}

QByteArray EncodeJetRows(const QList<QStringList>& rows, qsizetype columns)
{
    quint64 textBytes = 0;
    for (const QStringList& row : rows) {
        for (const QString& value : row)
            textBytes += static_cast<quint64>(value.size()) * 2;
    }
    QByteArray bytes;
    bytes.reserve(RowsHeaderSize + rows.size() * columns * ValueHeaderSize + static_cast<qint64>(textBytes) +
                  EndMagic.size());
    bytes += RowsMagic;
    Append(bytes, static_cast<quint32>(columns));
    Append(bytes, static_cast<quint64>(rows.size()));
    Append(bytes, textBytes);
    for (const QStringList& row : rows) {
        for (const QString& value : row) {
            Append(bytes, value.isNull() ? NullValue : TextValue);
            AppendText(bytes, value);
        }
    }
    return bytes + EndMagic;
}

QByteArray EncodeJetReadFailure(const JetReadError& failure)
{
    QByteArray details;
    Append(details, static_cast<quint32>(failure.problem()));
    Append(details, failure.number());
    Append(details, failure.otherNumber());
    Append(details, static_cast<qint32>(failure.systemError()));
    AppendText(details, failure.table());
    Append(details, static_cast<quint32>(failure.columns().size()));
    for (const QString& column : failure.columns())
        AppendText(details, column);
    AppendText(details, failure.ownWords());
    QByteArray bytes = FailureMagic;
    Append(bytes, static_cast<quint32>(details.size()));
    return bytes + details + EndMagic;
}

qint64 LargestJetAnswer(qsizetype columns, qint64 fileSize)
{
    return RowsHeaderSize + MostRows(fileSize) * columns * ValueHeaderSize + MostTextBytes(fileSize) + EndMagic.size() +
           LongestFailureBytes;
}

QList<QStringList> DecodeJetRows(const QByteArray& answer, qsizetype columns, qint64 fileSize)
{
    AnswerCursor cursor(answer);
    const QByteArrayView magic = cursor.takeBytes(RowsMagic.size());
    if (magic == FailureMagic) {
        const auto length = cursor.take<quint32>();
        if (length > LongestFailureBytes)
            Malformed();
        const QByteArray details = cursor.takeBytes(length).toByteArray();
        AnswerCursor detailsCursor(details);
        const JetReadError failure = TakeFailure(detailsCursor);
        cursor.expect(EndMagic);
        if (!cursor.atEnd())
            Malformed();
        throw failure;
    }
    if (magic != RowsMagic)
        Malformed();
    const auto announcedColumns = cursor.take<quint32>();
    const auto rowCount = cursor.take<quint64>();
    const auto announcedText = cursor.take<quint64>();
    if (announcedColumns != static_cast<quint64>(columns) || rowCount > static_cast<quint64>(MostRows(fileSize)) ||
        announcedText > static_cast<quint64>(MostTextBytes(fileSize)))
        Malformed();
    // Nothing is set aside for rows the answer does not hold: each value takes its kind and length at least.
    if (rowCount * static_cast<quint64>(qMax<qsizetype>(1, columns) * ValueHeaderSize) >
        static_cast<quint64>(cursor.left()))
        Malformed();

    qint64 textLeft = static_cast<qint64>(announcedText);
    QList<QStringList> rows;
    rows.reserve(static_cast<qsizetype>(rowCount));
    for (quint64 row = 0; row < rowCount; ++row) {
        QStringList values;
        values.reserve(columns);
        for (qsizetype column = 0; column < columns; ++column) {
            const auto kind = cursor.take<quint8>();
            const auto length = static_cast<qint64>(cursor.take<quint32>());
            if (length > textLeft || (kind == NullValue && length != 0) || (kind != NullValue && kind != TextValue))
                Malformed();
            textLeft -= length;
            values.append(kind == NullValue ? QString() : TakeText(cursor, length));
        }
        rows.append(std::move(values));
    }
    cursor.expect(EndMagic);
    if (textLeft != 0 || !cursor.atEnd())
        Malformed();
    return rows;
}
