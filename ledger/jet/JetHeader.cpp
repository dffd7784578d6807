#include "ledger/jet/JetHeader.h"

#include "ledger/jet/JetText.h"
#include "ledger/jet/Rc4.h"

#include <QtEndian>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr char HeaderKey[] = {'\xC7', '\xDA', '\x39', '\x6B'};
constexpr int FormatNameOffset = 4;
constexpr int VersionOffset = 0x14;
// Offsets of the unmasked header.
constexpr int CodePageOffset = 0x3C;
constexpr int PasswordOffset = 0x42;
constexpr int CreationDateOffset = 0x72;

int MaskedLength(JetFormat format)
{
    return format == JetFormat::Jet3 ? 126 : 128;
}

JetFormat FormatOf(const QByteArray& bytes)
{
    if (bytes.size() <= VersionOffset)
        return JetFormat::Unknown;
    const QByteArray name = bytes.mid(FormatNameOffset, 16);
    if (name == QByteArrayView("Standard ACE DB\0", 16))
        return JetFormat::Ace;
    if (name != QByteArrayView("Standard Jet DB\0", 16))
        return JetFormat::Unknown;
    switch (bytes.at(VersionOffset)) {
    case 0:
        return JetFormat::Jet3;
    case 1:
        return JetFormat::Jet4;
    default:
        return JetFormat::Unknown;
    }
}

// Jet 4 masks its password once more, with the four bytes of the creation date's whole part.
QByteArray Jet4PasswordMask(const QByteArray& header)
{
    double created = 0;
    std::memcpy(&created, header.constData() + CreationDateOffset, sizeof created);
    created = qFromLittleEndian(created);
    qint32 days = 0;
    if (std::isfinite(created) && std::abs(created) < std::numeric_limits<qint32>::max())
        days = static_cast<qint32>(created);
    QByteArray mask(4, Qt::Uninitialized);
    qToLittleEndian(days, mask.data());
    return mask;
}

QString Jet4Password(const QByteArray& header)
{
    const QByteArray mask = Jet4PasswordMask(header);
    QString password;
    for (int i = 0; i < 40; i += 2) {
        const auto low = static_cast<unsigned char>(header.at(PasswordOffset + i) ^ mask.at(i % 4));
        const auto high = static_cast<unsigned char>(header.at(PasswordOffset + i + 1) ^ mask.at((i + 1) % 4));
        const char16_t unit = static_cast<char16_t>(low | high << 8);
        if (unit == 0)
            break;
        password.append(QChar(unit));
    }
    return password;
}

QString Jet3Password(const QByteArray& header, int codePage)
{
    QByteArray stored = header.mid(PasswordOffset, 20);
    if (const qsizetype end = stored.indexOf('\0'); end >= 0)
        stored.truncate(end);
    if (stored.isEmpty())
        return {};
    JetTextDecoder decoder(codePage);
    // A password in a code page this program cannot read matches none.
    const std::optional<QString> password = decoder.isValid() ? decoder.decode(stored) : std::nullopt;
    return password.value_or(QStringLiteral("\uFFFD"));
}

} // namespace

JetHeader ParseJetHeader(const QByteArray& firstBytes)
{
    JetHeader parsed;
    parsed.format = FormatOf(firstBytes);
    if (parsed.format != JetFormat::Jet3 && parsed.format != JetFormat::Jet4)
        return parsed;
    const int masked = MaskedLength(parsed.format);
    if (firstBytes.size() < JetHeaderMaskedOffset + masked) {
        parsed.format = JetFormat::Unknown;
        return parsed;
    }
    QByteArray header = firstBytes.first(JetHeaderMaskedOffset + masked);
    header.replace(JetHeaderMaskedOffset, masked,
                   Rc4(QByteArrayView(HeaderKey, sizeof HeaderKey), header.sliced(JetHeaderMaskedOffset)));
    parsed.codePage = qFromLittleEndian<quint16>(header.constData() + CodePageOffset);
    parsed.password = parsed.format == JetFormat::Jet4 ? Jet4Password(header) : Jet3Password(header, parsed.codePage);
    return parsed;
}
