#pragma once

#include <QDate>
#include <QString>

// What the user reads when the notes shown are printed or exported as a PDF, and on the pages themselves.

inline const QString PrintCommand = QStringLiteral("&Imprimer…");
inline const QString PdfCommand = QStringLiteral("E&xporter en PDF…");
inline const QString PrintTitle = QStringLiteral("Imprimer le relevé");
inline const QString PdfTitle = QStringLiteral("Exporter le relevé en PDF");
inline const QString PdfFilter = QStringLiteral("PDF (*.pdf)");
inline const QString StopCaption = QStringLiteral("Arrêter");
inline const QString ProgressAnnounced = QStringLiteral("Avancement du relevé");

// The line under the person's name at the top of each page, e.g. "Relevé du mardi 8 décembre 2026".
QString StatementHeading(QDate day);
// At the foot of each page: "Page 2 sur 5".
QString PageNumber(int page, int pages);
// The file name first offered for the PDF of `person`'s statement on `day`, safe as a file name.
QString StatementFileName(const QString& person, QDate day);

QString PrintingProgress(const QString& person);
QString ExportProgress(const QString& person, const QString& path);

// The PDF at `path` could not be written, for the system's error number `error` (0: the page layout failed).
QString PdfFailure(const QString& path, int error);
// The statement could not be sent to the printer `printer`.
QString PrintFailure(const QString& printer);
