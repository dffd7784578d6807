#include "ui/toolkit/Look.h"

#include <QPalette>
#include <QPushButton>
#include <QScreen>

namespace {

QFont LiberationSans(qreal points, bool bold, bool underline)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setUnderline(underline);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

void SetPaletteColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

} // namespace

QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
}

void PlaceInTwips(QWidget* widget, int left, int top, int width, int height)
{
    widget->setGeometry(TwipsRect(left, top, width, height));
}

QFont ArialFont(qreal points, bool bold, bool underline)
{
    return LiberationSans(points, bold, underline);
}

QFont SansSerifFont(qreal points, bool bold, bool underline)
{
    return LiberationSans(points, bold, underline);
}

void SetBaseColour(QWidget* widget, const QColor& colour)
{
    SetPaletteColour(widget, QPalette::Base, colour);
}

void SetBackgroundColour(QWidget* widget, const QColor& colour)
{
    SetPaletteColour(widget, QPalette::Window, colour);
    widget->setAutoFillBackground(true);
}

void SetTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

void SetFaceColour(QWidget* widget, const QColor& colour)
{
    SetPaletteColour(widget, QPalette::Button, colour);
}

void MakeFixedWindow(QWidget* window, int widthTwips, int heightTwips, WindowButtons buttons)
{
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint;
    if (buttons == WindowButtons::MinimizeAndClose)
        flags |= Qt::WindowMinimizeButtonHint;
    window->setWindowFlags(flags);
    window->setFixedSize(TwipsToPixels(widthTwips), TwipsToPixels(heightTwips));
}

void CentreOnScreen(QWidget* window)
{
    const QScreen* screen = window->screen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    // For a window, move() places the frame, not the client area.
    window->move(frame.topLeft());
}

void Announce(QWidget* control, const QString& name, const QString& description)
{
    control->setAccessibleName(name);
    control->setAccessibleDescription(description);
}

QPushButton* MakeButton(const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    // Outside a dialog a push button ignores Enter unless it is auto-default.
    button->setAutoDefault(true);
    return button;
}
