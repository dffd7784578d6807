#pragma once

#include <QFont>
#include <QString>
#include <functional>

class QPagedPaintDevice;

// A statement of one person's notes, as printed or exported: each page headed with the name and the heading
// line, the notes below in `font` with their line breaks (CR LF) kept and long lines wrapped, the page number at
// the foot.
struct Statement {
    QString person;
    QString heading;
    QString notes;
    QFont font;
};

// Told how far the painting is, from 0 to 1; answers false to stop it. Called from the painting thread, often.
using PaintProgress = std::function<bool(double done)>;

struct PaintedPages {
    enum class Outcome { Done, Stopped, CannotPaint } outcome = Outcome::CannotPaint;
    int pages = 0;
};

// A4 upright with margins: how every statement is laid out unless the printer's user chose otherwise.
void UseStatementPageLayout(QPagedPaintDevice& device);

// Paints `statement` onto `device`, which starts on its first page, from any one thread. The notes are laid out
// twice, once to count the pages and once to paint them, never held laid out whole: ten megabytes would take
// gigabytes.
PaintedPages PaintStatement(QPagedPaintDevice& device, const Statement& statement, const PaintProgress& progress);
