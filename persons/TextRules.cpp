#include "persons/TextRules.h"

#include "ledger/LedgerFile.h"
#include "text/MdCode.h"

#include <QList>

namespace {

// Line and paragraph separators break a name as a line feed does.
bool IsControlOrFormat(char32_t character)
{
    const QChar::Category category = QChar::category(character);
    return category == QChar::Other_Control || category == QChar::Other_Format || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph;
}

} // namespace

QString WithApostrophesReplaced(const QString& text)
{
    static const QString apostrophe = QStringLiteral("'");
    static const QString doubleQuote = QStringLiteral("\"");
    return text.contains(apostrophe) ? ReplaceAll(text, apostrophe, doubleQuote) : text;
}

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
