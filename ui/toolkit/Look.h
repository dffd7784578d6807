#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QRect>
#include <QWidget>

class QPushButton;

// Twips (1/1440 inch, 15 to a pixel at 96 dots per inch) to logical pixels.
constexpr int TwipsToPixels(int twips)
{
    return twips / 15;
}
QRect TwipsRect(int left, int top, int width, int height);
// Places a child at its position and size in twips.
void PlaceInTwips(QWidget* widget, int left, int top, int width, int height);

// The one font of every window: Liberation Sans, with Arial's metrics, stands in for both Arial and MS Sans Serif.
QFont ProgramFont(qreal points, bool bold, bool underline = false);

inline const QColor LightYellow(255, 255, 128);
// The keyboard focus: dark enough for 3:1 and more against white, light grey and light yellow.
inline const QColor FocusBlue(0x1A, 0x55, 0x8C);

// Background colour of the editable area of a text box, or of a whole widget.
void SetBaseColour(QWidget* widget, const QColor& colour);
void SetBackgroundColour(QWidget* widget, const QColor& colour);
void SetTextColour(QWidget* widget, const QColor& colour);
// Face of a closed drop-down list or of a button.
void SetFaceColour(QWidget* widget, const QColor& colour);

enum class WindowButtons { CloseOnly, MinimizeAndClose };
// A top-level window with a fixed client size (in twips), a single fixed border and no maximize button.
void MakeFixedWindow(QWidget* window, int widthTwips, int heightTwips, WindowButtons buttons);
// Centres the window's frame on its screen; call once it is shown, when the frame is known.
void CentreOnScreen(QWidget* window);

// The control with its object name, which tests and screenshots use to find it.
template <typename Control> Control* Named(Control* control, const char* name)
{
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

// What a screen reader announces: the name always, the description where the control's role does not say it.
void Announce(QWidget* control, const QString& name, const QString& description = {});

// Push button that presses on Enter and Space while it has the focus, as in a dialog, with a visible focus.
QPushButton* MakeButton(const QString& caption, QWidget* parent);

// Shows the keyboard focus of a push button, a single-line box or a text area framed by a plain box as a ring
// of focus blue two pixels wide inside it. The style's own focus marks are too faint to see against the
// windows' light colours. A plain box's frame grows to hold the ring, in the base colour while unfocused, and
// keeps it clear of `coveredEdge` pixels of its edge that other controls lie on.
void ShowFocusRing(QWidget* control, int coveredEdge = 0);
// A white single-line box with a plain black frame, whose focus shows as a ring of focus blue in place of the
// frame; the text stays where it is.
void MakePlainBox(QWidget* lineEdit);

// The program's icon, in the sizes its windows and the task bar take.
QIcon ProgramIcon();
