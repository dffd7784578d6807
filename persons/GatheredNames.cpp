#include "persons/GatheredNames.h"

#include "ledger/PersonName.h"
#include "persons/FrenchCollation.h"

#include <QStringDecoder>

void GatheredNames::add(QByteArrayView stored)
{
    bytes_.append(stored.data(), stored.size());
    ends_.push_back(bytes_.size());
}

QByteArrayView GatheredNames::at(qsizetype index) const
{
    const qsizetype start = index == 0 ? 0 : ends_[static_cast<size_t>(index - 1)];
    return QByteArrayView(bytes_).sliced(start, ends_[static_cast<size_t>(index)] - start);
}

qsizetype GatheredNames::indexOf(QByteArrayView stored) const
{
    for (qsizetype index = 0; index < size(); ++index) {
        if (at(index) == stored)
            return index;
    }
    return -1;
}

qsizetype GatheredNames::firstInOrder() const
{
    if (size() == 0)
        return -1;
    const FrenchCollation collation;
    qsizetype first = 0;
    QString firstText = DecodeStoredText(at(0).data(), at(0).size());
    // Each name is decoded into one buffer, as DecodeStoredText decodes it (an initial byte order mark kept):
    // no string is made for each of a million names.
    QStringDecoder decode(QStringDecoder::Utf8,
                          QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString buffer;
    for (qsizetype index = 1; index < size(); ++index) {
        const QByteArrayView stored = at(index);
        if (buffer.size() < decode.requiredSpace(stored.size()))
            buffer.resize(decode.requiredSpace(stored.size()));
        const QStringView text(buffer.constData(), decode.appendToBuffer(buffer.data(), stored) - buffer.constData());
        // The same order as the sorted list's: keys, then its tie-break.
        const int order = collation.compare(text, firstText);
        if (order < 0 || (order == 0 && SortedNames::compareTies(stored, at(first)) < 0)) {
            first = index;
            firstText = text.toString();
        }
    }
    return first;
}

SortedNames::NameSource GatheredNames::source() const
{
    return [this](const std::function<void(QByteArrayView)>& add) {
        for (qsizetype index = 0; index < size(); ++index)
            add(at(index));
    };
}
