#include "bench/FloorWindow.h"

#include "ui/toolkit/Look.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

FloorWindow::FloorWindow()
{
    MakeFixedWindow(this, 5865, 4545, WindowButtons::MinimizeAndClose);
    SetBackgroundColour(this, Qt::white);
    setWindowTitle(QStringLiteral("Quentaril"));
    setWindowIcon(ProgramIcon());

    notes_ = new QPlainTextEdit(this);
    PlaceInTwips(notes_, 0, 360, 5895, 3855);
    notes_->setFont(ProgramFont(12, true));
    SetBaseColour(notes_, LightYellow);
    SetTextColour(notes_, Qt::black);
    notes_->setFrameStyle(QFrame::Box | QFrame::Plain);

    auto* name = new QLineEdit(this);
    PlaceInTwips(name, 720, 4200, 2775, 375);
    name->setFont(ProgramFont(12, true));
    name->setStyleSheet(QStringLiteral("QLineEdit { background: white; color: black; border: 1px solid black; }"));

    auto* label = new QLabel(QStringLiteral("Ajout :"), this);
    PlaceInTwips(label, 45, 4260, 735, 255);
    label->setFont(ProgramFont(9.75, true));

    list_ = new QComboBox(this);
    PlaceInTwips(list_, 0, 0, 3375, 405);
    list_->setFont(ProgramFont(12, true));
    SetBaseColour(list_, LightYellow);
    SetFaceColour(list_, LightYellow);
    SetTextColour(list_, Qt::black);

    const auto button = [this](const QString& caption, int left, int top, int width) {
        QPushButton* made = MakeButton(caption, this);
        PlaceInTwips(made, left, top, width, 375);
        made->setFont(ProgramFont(8.25, true));
    };
    button(QStringLiteral("&Supp"), 3360, 0, 855);
    button(QStringLiteral("&Date et l'heure"), 4200, 0, 1695);
    button(QStringLiteral("&Ajouter"), 3480, 4200, 975);
    button(QStringLiteral("À &propos de..."), 4440, 4200, 1455);
}

void FloorWindow::showFirstPerson(const QString& name, const QString& notes)
{
    list_->addItem(name);
    notes_->setPlainText(notes);
    notes_->moveCursor(QTextCursor::End);
    notes_->setFocus();
}
