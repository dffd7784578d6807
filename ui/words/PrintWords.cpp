#include "ui/words/PrintWords.h"

#include "ui/words/FailureWords.h"
#include "ui/words/Reasons.h"

#include <QLocale>

namespace {

// Bytes a file name may take on the usual Linux file systems.
constexpr qsizetype LongestFileName = 255;

// Characters no file name should hold on any disk the file may be copied to (a USB key in FAT, a Windows share).
bool UnsafeInFileName(QChar c)
{
    return c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
           QStringView(u"/\\:*?\"<>|").contains(c);
}

} // namespace

QString StatementHeading(QDate day)
{
    return QStringLiteral("Relevé du ") + QLocale().toString(day, QStringLiteral("dddd d MMMM yyyy"));
}

QString PageNumber(int page, int pages)
{
    return QStringLiteral("Page %1 sur %2").arg(page).arg(pages);
}

QString StatementFileName(const QString& person, QDate day)
{
    QString safe;
    safe.reserve(person.size());
    for (const QChar c : person)
        safe += UnsafeInFileName(c) ? QChar(u'_') : c;
    // A leading dot would hide the file; a leading dash reads as an option to command-line tools.
    safe = safe.simplified();
    while (safe.startsWith(u'.') || safe.startsWith(u'-'))
        safe.remove(0, 1);
    const QString tail = QLatin1Char(' ') + day.toString(Qt::ISODate) + QStringLiteral(".pdf");
    QString name = QStringLiteral("Relevé ") + safe;
    while (name.toUtf8().size() + tail.toUtf8().size() > LongestFileName)
        name.chop(name.at(name.size() - 1).isLowSurrogate() ? 2 : 1);
    return name.trimmed() + tail;
}

QString PrintingProgress(const QString& person)
{
    return QStringLiteral("Impression du relevé de %1…").arg(person);
}

QString ExportProgress(const QString& person, const QString& path)
{
    return QStringLiteral("Relevé de %1 en cours d'écriture dans %2…").arg(person, ShownPath(path));
}

QString PdfFailure(const QString& path, int error)
{
    const QString reason = error != 0 ? SystemReason(error) : QStringLiteral("la mise en page a échoué");
    return QStringLiteral("Le relevé n'a pas pu être enregistré dans le fichier %1 (%2).\r\nChoisissez un autre "
                          "dossier, ou libérez de la place, puis réessayez.")
        .arg(ShownPath(path), reason);
}

QString PrintFailure(const QString& printer)
{
    return QStringLiteral("Le relevé n'a pas pu être envoyé à l'imprimante %1.\r\nVérifiez qu'elle est allumée et "
                          "branchée, puis réessayez.")
        .arg(printer);
}
