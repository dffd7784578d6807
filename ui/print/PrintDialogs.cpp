#include "ui/print/PrintDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>

std::optional<QString> AskPdfPath(QWidget* parent, const QString& title, const QString& proposed, const QString& filter)
{
    if (PrintDialogsSeam* seam = PrintDialogsSeam::live()) {
        seam->asked_.push_back({title, proposed, filter});
        if (seam->paths_.empty())
            return std::nullopt;
        const QString path = seam->paths_.front();
        seam->paths_.pop_front();
        return path;
    }
    const QFileInfo place(proposed);
    QFileDialog dialog(parent, title, place.absolutePath(), filter);
    dialog.selectFile(place.fileName());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without the extension still makes a file the desktop opens as a PDF, asked about when taken.
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

bool AskPrinter(QWidget* parent, QPrinter& printer)
{
    if (PrintDialogsSeam* seam = PrintDialogsSeam::live()) {
        if (seam->printers_.empty())
            return false;
        seam->printers_.front()(printer);
        seam->printers_.pop_front();
        return true;
    }
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}
