#pragma once

#include "ui/print/StatementPages.h"

#include <QString>

struct WrittenStatement {
    enum class Outcome { Written, Stopped, Failed } outcome = Outcome::Failed;
    // The system's error number of a failure; 0 when the layout itself failed.
    int error = 0;
    int pages = 0;
};

// Writes `statement` as a PDF file at `target`, from any one thread. It is written under a temporary name in the
// target's folder, readable by its owner only, synced, then renamed into place: the target's name never holds a
// half-written PDF, and a file already there is replaced only by a whole one. Stopped or failed, nothing is left.
WrittenStatement WriteStatementPdf(const QString& target, const Statement& statement, const PaintProgress& progress);
