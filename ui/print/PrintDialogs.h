#pragma once

#include "ui/toolkit/ScopedSeam.h"

#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

class QPrinter;
class QWidget;

// The desktop's dialogs that choose where a statement goes.

// The file a PDF is saved as: the save dialog titled `title` opens on `proposed` (a folder and a file name) and
// offers `filter`; nothing when the user gives up.
std::optional<QString> AskPdfPath(QWidget* parent, const QString& title, const QString& proposed,
                                  const QString& filter);
// The printer and its settings, chosen in the print dialog; false when the user gives up.
bool AskPrinter(QWidget* parent, QPrinter& printer);

// Test seam: while one is alive, no dialog opens. Each save dialog is recorded and answered with the next queued
// path (or given up when none is queued); each print dialog is answered by the next queued choice, which sets
// the printer up (or gives up when none is queued).
class PrintDialogsSeam : public ScopedSeam<PrintDialogsSeam> {
public:
    struct Asked {
        QString title;
        QString proposed;
        QString filter;
    };
    void queuePath(const QString& path) { paths_.push_back(path); }
    void queuePrinter(std::function<void(QPrinter&)> choose) { printers_.push_back(std::move(choose)); }
    const std::vector<Asked>& asked() const { return asked_; }

private:
    friend std::optional<QString> AskPdfPath(QWidget*, const QString&, const QString&, const QString&);
    friend bool AskPrinter(QWidget*, QPrinter&);
    std::deque<QString> paths_;
    std::deque<std::function<void(QPrinter&)>> printers_;
    std::vector<Asked> asked_;
};
