// The main window's statement of the notes shown: printed, or exported as a PDF.

#include "ui/main/frmPlorn.h"
#include "ui/print/PrintDialogs.h"
#include "ui/print/StatementFile.h"
#include "ui/print/StatementJob.h"
#include "ui/toolkit/Clock.h"
#include "ui/toolkit/HandlerGuard.h"
#include "ui/toolkit/Look.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/words/PrintWords.h"
#include "ui/words/Titles.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QStandardPaths>

namespace {

// The notes' size on paper: the box's 12 points bold read heavy over pages.
constexpr qreal StatementPoints = 11;

// The statement of `person`'s notes, dated `day`.
Statement StatementOf(const QString& person, QDate day, const QString& notes)
{
    return {person, StatementHeading(day), notes, ProgramFont(StatementPoints, false)};
}

} // namespace

void frmPlorn::BuildPrintCommands()
{
    printCommand_ = Named(new QAction(PrintCommand, this), "actPrint");
    printCommand_->setShortcut(QKeySequence::Print);
    printCommand_->setShortcutContext(Qt::WindowShortcut);
    pdfCommand_ = Named(new QAction(PdfCommand, this), "actPdf");
    // In the window too, so that Ctrl+P works wherever the focus is.
    addAction(printCommand_);
    txtPlorn->addMenuCommands({printCommand_, pdfCommand_});
    connect(printCommand_, &QAction::triggered, this, guard_.guarded([this] { PrintNotes(); }));
    connect(pdfCommand_, &QAction::triggered, this, guard_.guarded([this] { ExportNotesToPdf(); }));
}

void frmPlorn::PrintNotes()
{
    if (!persons_.shown())
        return;
    const QString person = persons_.shown()->text();
    const QDate today = CurrentDateTime().date();
    QPrinter printer(QPrinter::HighResolution);
    UseStatementPageLayout(printer);
    printer.setDocName(StatementFileName(person, today));
    if (!AskPrinter(this, printer))
        return;
    PaintedPages painted;
    const auto print = [&](const QString& notes, const PaintProgress& progress) {
        painted = PaintStatement(printer, StatementOf(person, today, notes), [&](double done) {
            if (progress(done))
                return true;
            // Before the painting ends, which would hand the pages done so far to the printer.
            printer.abort();
            return false;
        });
    };
    if (!RunStatementJob(this, PrintTitle, PrintingProgress(person), *txtPlorn->document(), print))
        return;
    if (painted.outcome == PaintedPages::Outcome::CannotPaint || printer.printerState() == QPrinter::Error)
        ShowMessage(this, PrintFailure(printer.printerName()), ErrorTitle, MessageIcon::Error);
}

void frmPlorn::ExportNotesToPdf()
{
    if (!persons_.shown())
        return;
    const QString person = persons_.shown()->text();
    const QDate today = CurrentDateTime().date();
    const std::optional<QString> path =
        AskPdfPath(this, PdfTitle, QDir(PdfFolder()).filePath(StatementFileName(person, today)), PdfFilter);
    if (!path)
        return;
    WrittenStatement written;
    const auto write = [&](const QString& notes, const PaintProgress& progress) {
        written = WriteStatementPdf(*path, StatementOf(person, today, notes), progress);
    };
    if (!RunStatementJob(this, PdfTitle, ExportProgress(person, *path), *txtPlorn->document(), write))
        return;
    if (written.outcome == WrittenStatement::Outcome::Failed)
        ShowMessage(this, PdfFailure(*path, written.error), ErrorTitle, MessageIcon::Error);
    else if (written.outcome == WrittenStatement::Outcome::Written)
        persons_.Remember(Persons::Remembered::ExportFolder, QFileInfo(*path).absolutePath());
}

QString frmPlorn::PdfFolder()
{
    if (const std::optional<QString> last = persons_.Recall(Persons::Remembered::ExportFolder);
        last && QFileInfo(*last).isDir())
        return *last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}
