#include "ui/main/frmPlorn.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/words/WindowWords.h"

#include <QAction>

void frmPlorn::OpenWhereLeftOff()
{
    txtPlorn->loadText(QString());
    ShowEntry(persons_.LoadAllWhereLeft());
    if (const std::optional<int> caret = persons_.CaretWhereLeft(); caret && persons_.shown())
        txtPlorn->moveCaretTo(*caret);
    bool valid = false;
    const int zoom = persons_.Recall(Persons::Remembered::Zoom).value_or(QString()).toInt(&valid);
    if (valid)
        txtPlorn->setZoom(zoom);
}

void frmPlorn::RememberWhereLeftOff()
{
    persons_.RememberWhereLeft(txtPlorn->caretPlace());
    persons_.Remember(Persons::Remembered::Zoom, QString::number(txtPlorn->zoom()));
}

void frmPlorn::BuildZoomCommands()
{
    const auto command = [this](const QString& text, const QList<QKeySequence>& keys, auto zoomTo) {
        auto* action = new QAction(text, this);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, zoomTo] { txtPlorn->setZoom(zoomTo(txtPlorn->zoom())); });
        addAction(action);
        return action;
    };
    // Ctrl with "=" too: on many keyboards "+" needs Shift.
    txtPlorn->addMenuCommands({
        command(ZoomInCommand, {QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)},
                [](int zoom) { return zoom + 1; }),
        command(ZoomOutCommand, {QKeySequence::ZoomOut}, [](int zoom) { return zoom - 1; }),
        command(ZoomResetCommand, {QKeySequence(Qt::CTRL | Qt::Key_0)}, [](int) { return 0; }),
    });
}
