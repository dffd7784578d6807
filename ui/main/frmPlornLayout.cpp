// The main window's controls: places and sizes in twips, fonts, colours, captions and tab order.

#include "ui/main/frmPlorn.h"
#include "ui/toolkit/Look.h"
#include "ui/toolkit/NameBox.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"
#include "ui/words/Titles.h"
#include "ui/words/WindowWords.h"

#include <QLabel>
#include <QPushButton>

void frmPlorn::BuildControls()
{
    MakeFixedWindow(this, 5865, 4545, WindowButtons::MinimizeAndClose);
    SetBackgroundColour(this, Qt::white);
    setWindowTitle(ProgramTitle);
    setWindowIcon(ProgramIcon());

    // Created first so that the list and the buttons, which overlap it a little, lie on top.
    txtPlorn = Named(new NotesBox(this), "txtPlorn");
    PlaceInTwips(txtPlorn, 0, 360, 5895, 3855);
    txtPlorn->setFont(ProgramFont(12, true));
    SetBaseColour(txtPlorn, LightYellow);
    SetTextColour(txtPlorn, Qt::black);
    txtPlorn->setFrameStyle(QFrame::Box | QFrame::Plain);
    // The list and the name box lie on its edges, and its right edge is past the window's.
    ShowFocusRing(txtPlorn, 2);

    txtName = Named(new NameBox(this), "txtName");
    PlaceInTwips(txtName, 720, 4200, 2775, 375);
    txtName->setFont(ProgramFont(12, true));
    MakePlainBox(txtName);

    lblAjout = Named(new QLabel(AddCaption, this), "lblAjout");
    PlaceInTwips(lblAjout, 45, 4260, 735, 255);
    lblAjout->setFont(ProgramFont(9.75, true));

    cmbPers = Named(new PersonList(this), "cmbPers");
    PlaceInTwips(cmbPers, 0, 0, 3375, 405);
    cmbPers->setFont(ProgramFont(12, true));
    SetBaseColour(cmbPers, LightYellow);
    SetFaceColour(cmbPers, LightYellow);
    SetTextColour(cmbPers, Qt::black);

    const auto button = [this](const char* name, const QString& caption, int left, int top, int width) {
        QPushButton* made = Named(MakeButton(caption, this), name);
        PlaceInTwips(made, left, top, width, 375);
        made->setFont(ProgramFont(8.25, true));
        return made;
    };
    cmdKill = button("cmdKill", DeleteButtonCaption, 3360, 0, 855);
    cmdDate = button("cmdDate", DateButtonCaption, 4200, 0, 1695);
    cmdAdd = button("cmdAdd", AddButtonCaption, 3480, 4200, 975);
    cmdAbout = button("cmdAbout", AboutButtonCaption, 4440, 4200, 1455);

    Announce(cmbPers, PersonListAnnounced.name, PersonListAnnounced.description);
    Announce(txtPlorn, NotesAnnounced.name, NotesAnnounced.description);
    Announce(lblAjout, AddCaptionAnnounced.name, AddCaptionAnnounced.description);
    Announce(txtName, NameBoxAnnounced.name, NameBoxAnnounced.description);
    // The captions are short; the names say what the buttons act on.
    Announce(cmdKill, DeleteButtonAnnounced.name, DeleteButtonAnnounced.description);
    Announce(cmdDate, DateButtonAnnounced.name, DateButtonAnnounced.description);
    Announce(cmdAdd, AddButtonAnnounced.name, AddButtonAnnounced.description);
    Announce(cmdAbout, AboutButtonAnnounced.name, AboutButtonAnnounced.description);
    // On Linux, Qt hands a screen reader the chosen entry as the list's name and names the list by its label:
    // this one, kept out of sight, says what the list is.
    auto* lblPers = Named(new QLabel(PersonListCaption, this), "lblPers");
    PlaceInTwips(lblPers, 0, 0, 3375, 405);
    lblPers->setBuddy(cmbPers);
    lblPers->hide();
    // Ties the caption to its box for assistive technologies; the caption has no access key, so the
    // keyboard is unchanged.
    lblAjout->setBuddy(txtName);

    // Notes, Date, name, Add, list, Delete, About.
    setTabOrder(txtPlorn, cmdDate);
    setTabOrder(cmdDate, txtName);
    setTabOrder(txtName, cmdAdd);
    setTabOrder(cmdAdd, cmbPers);
    setTabOrder(cmbPers, cmdKill);
    setTabOrder(cmdKill, cmdAbout);
}
