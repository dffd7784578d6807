#include "ledger/jet/JetText.h"

#include <QByteArray>

namespace {

std::optional<QString> FromUtf16(QByteArrayView units)
{
    if (units.size() % 2 != 0)
        return std::nullopt;
    QString text(units.size() / 2, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(units[2 * i]) |
                                       static_cast<unsigned char>(units[2 * i + 1]) << 8);
    // A lone surrogate has no UTF-8 form: the ledger would get a replacement character instead.
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text.at(i);
        if (unit.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (unit.isSurrogate())
            return std::nullopt;
    }
    return text;
}

// The compressed form: single bytes are characters U+0001 to U+00FF; a zero byte switches modes.
std::optional<QByteArray> Uncompress(QByteArrayView stored)
{
    QByteArray units;
    units.reserve(stored.size() * 2);
    bool oneByte = true;
    for (qsizetype i = 0; i < stored.size();) {
        if (stored[i] == '\0') {
            oneByte = !oneByte;
            ++i;
        } else if (oneByte) {
            units.append(stored[i++]);
            units.append('\0');
        } else {
            if (i + 1 >= stored.size())
                return std::nullopt;
            units.append(stored[i]);
            units.append(stored[i + 1]);
            i += 2;
        }
    }
    return units;
}

} // namespace

JetTextDecoder::JetTextDecoder() : jet4_(true) {}

JetTextDecoder::JetTextDecoder(int codePage)
{
    const int page = codePage == 0 ? 1252 : codePage;
    // Windows names its own code pages windows-N and the DOS ones (437, 850 ...) cpN.
    for (const char* form : {"windows-%1", "cp%1"}) {
        codePage_ = QStringDecoder(QString::fromLatin1(form).arg(page).toLatin1().constData(),
                                   QStringConverter::Flag::Stateless);
        if (codePage_.isValid())
            return;
    }
}

std::optional<QString> JetTextDecoder::decode(QByteArrayView stored)
{
    if (stored.isEmpty())
        return QStringLiteral("");
    if (!jet4_) {
        QString text = codePage_.decode(stored);
        if (codePage_.hasError()) {
            codePage_.resetState();
            return std::nullopt;
        }
        return text;
    }
    if (stored.size() >= 2 && stored.startsWith("\xFF\xFE")) {
        const std::optional<QByteArray> units = Uncompress(stored.sliced(2));
        if (!units)
            return std::nullopt;
        return FromUtf16(*units);
    }
    return FromUtf16(stored);
}
