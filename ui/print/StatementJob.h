#pragma once

#include "ui/print/StatementPages.h"

#include <QString>
#include <functional>

class QTextDocument;
class QWidget;

// Paints a statement of `notes` (the notes box's document, as it shows them) on a thread of its own and returns
// once done; meanwhile the calling thread goes on with its events, so the windows keep drawing. The text is taken
// out of the box a slice at a time between events, then handed to `work` on the other thread. A progress window
// over `parent`, titled `title` and saying `label`, shows only when the whole lasts; its "Arrêter" (or Escape) makes
// the progress `work` is handed answer false. Until the end, what the user does in the program's windows is
// dropped: the notes, and the ledger, stay as they are. False when `work` never ran: stopped while the text was
// being taken out.
bool RunStatementJob(QWidget* parent, const QString& title, const QString& label, const QTextDocument& notes,
                     const std::function<void(const QString& notes, const PaintProgress&)>& work);
