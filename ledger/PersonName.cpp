#include "ledger/PersonName.h"

#include "ledger/LedgerFile.h"

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

namespace {

// Line and paragraph separators break a name as a line feed does.
bool IsControlOrFormat(char32_t character)
{
    const QChar::Category category = QChar::category(character);
    return category == QChar::Other_Control || category == QChar::Other_Format || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph;
}

} // namespace

NewNameProblem ProblemWithNewName(const QString& name)
{
    bool visible = false;
    bool invisible = false;
    for (const char32_t character : name.toUcs4()) {
        if (IsControlOrFormat(character))
            invisible = true;
        else if (!QChar::isSpace(character))
            visible = true;
    }
    if (!visible)
        return NewNameProblem::Empty;
    return invisible ? NewNameProblem::Invisible : NewNameProblem::None;
}

QString ComposedName(const QString& name)
{
    return name.normalized(QString::NormalizationForm_C);
}

bool LooksLikeReservedName(const QString& name)
{
    return ComposedName(name).compare(ReservedPersonName, Qt::CaseInsensitive) == 0;
}
