#include "ledger/PersonName.h"

#include <QList>

PersonName PersonName::fromStored(QByteArray stored)
{
    PersonName name;
    name.stored_ = std::move(stored);
    return name;
}

QString PersonName::text() const
{
    return DecodeStoredText(stored_.constData(), stored_.size());
}

QString DecodeStoredText(const char* bytes, qsizetype size)
{
    if (!bytes)
        return QString();
    if (size == 0)
        return QStringLiteral("");
    QString text = QString::fromUtf8(bytes, size);
    if (size >= 3 && QByteArrayView(bytes, 3) == QByteArrayView("\xEF\xBB\xBF"))
        text.prepend(QChar(0xFEFF));
    return text;
}
