#include "ui/toolkit/Look.h"

#include <QFrame>
#include <QPainter>
#include <QPalette>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionFrame>

namespace {

void SetPaletteColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

// Thickness of the focus ring, in logical pixels.
constexpr int FocusRingWidth = 2;

// Paints the focus ring inside `outer`.
void PaintFocusRing(QPainter* painter, const QRect& outer)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    const QRect inner = outer.adjusted(FocusRingWidth, FocusRingWidth, -FocusRingWidth, -FocusRingWidth);
    painter->setClipRegion(QRegion(outer).subtracted(inner), Qt::IntersectClip);
    painter->fillRect(outer, FocusBlue);
    painter->restore();
}

class FocusRingStyle : public QProxyStyle {
public:
    explicit FocusRingStyle(int coveredEdge) : coveredEdge_(coveredEdge) {}

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        const bool focused = option->state & State_HasFocus;
        const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
        if (element == CE_ShapedFrame && frame && frame->frameShape == QFrame::Box) {
            painter->fillRect(option->rect, option->palette.color(QPalette::Base));
            if (focused)
                PaintFocusRing(painter, option->rect.adjusted(1 + coveredEdge_, 1 + coveredEdge_, -1 - coveredEdge_,
                                                              -1 - coveredEdge_));
            painter->save();
            painter->setPen(option->palette.color(QPalette::WindowText));
            painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
            painter->restore();
            return;
        }
        if (element == CE_ShapedFrame && frame && frame->frameShape == QFrame::StyledPanel) {
            // A text area keeps the style's frame, as wide as the ring, which covers it when focused.
            QProxyStyle::drawControl(element, option, painter, widget);
            if (focused)
                PaintFocusRing(painter, option->rect);
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
        // Inside the style's own outline, which stays as it is.
        if (element == CE_PushButton && focused)
            PaintFocusRing(painter, option->rect.adjusted(1, 1, -1, -1));
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        // A single-line box: the ring lies inside the style's outline, the text over it.
        if ((element == PE_PanelLineEdit || element == PE_FrameLineEdit) && (option->state & State_HasFocus))
            PaintFocusRing(painter, option->rect.adjusted(1, 1, -1, -1));
    }

private:
    int coveredEdge_;
};

} // namespace

QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
}

void PlaceInTwips(QWidget* widget, int left, int top, int width, int height)
{
    widget->setGeometry(TwipsRect(left, top, width, height));
}

QFont ProgramFont(qreal points, bool bold, bool underline)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setUnderline(underline);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
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
    ShowFocusRing(button);
    return button;
}

void MakePlainBox(QWidget* lineEdit)
{
    // The frame and its padding are as thick focused as not.
    lineEdit->setStyleSheet(QStringLiteral("QLineEdit { background: white; color: black; border: 1px solid black; "
                                           "padding: %1px; } "
                                           "QLineEdit:focus { border: %2px solid %3; padding: 0px; }")
                                .arg(FocusRingWidth)
                                .arg(1 + FocusRingWidth)
                                .arg(FocusBlue.name()));
}

void ShowFocusRing(QWidget* control, int coveredEdge)
{
    auto* style = new FocusRingStyle(coveredEdge);
    // The control owns its style; nothing else uses it.
    style->setParent(control);
    control->setStyle(style);
    if (auto* frame = qobject_cast<QFrame*>(control); frame && frame->frameShape() == QFrame::Box)
        frame->setLineWidth(1 + coveredEdge + FocusRingWidth);
}

QIcon ProgramIcon()
{
    // Qt picks the size each place needs; at a scale of 2 the 32 and 64 serve the 16 and the 32.
    QIcon icon;
    icon.addFile(QStringLiteral(":/assets/main-icon-64.png"));
    icon.addFile(QStringLiteral(":/assets/main-icon-32.png"));
    icon.addFile(QStringLiteral(":/assets/main-icon-16.png"));
    return icon;
}
