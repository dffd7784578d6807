// The About window's controls: places and sizes in twips, fonts, colours, texts and tab order.

#include "ui/about/LinkLabel.h"
#include "ui/about/Maker.h"
#include "ui/about/frmAbout.h"
#include "ui/toolkit/Look.h"
#include "ui/words/WindowWords.h"

#include <QCursor>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QColor FrameColour(248, 248, 249);
// The banner's size in the window, whatever the scale: banner.jpg has exactly these pixels.
const QSize BannerSize(548, 86);
const QColor LinkBlue(0, 0, 255);

// The banner with the screen's pixels: the image made for that scale, or the 2x one smoothly resized to it,
// so it stays sharp however the screen is scaled.
QPixmap BannerFor(qreal ratio)
{
    // Read from an "@2x" name, the image carries its ratio of 2.
    QPixmap banner(ratio > 1 ? QStringLiteral(":/assets/banner@2x.jpg") : QStringLiteral(":/assets/banner.jpg"));
    if (banner.devicePixelRatio() != ratio) {
        banner = banner.scaled((QSizeF(BannerSize) * ratio).toSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        banner.setDevicePixelRatio(ratio);
    }
    return banner;
}

QLabel* MakeLabel(const char* name, const QString& text, const QFont& font, Qt::Alignment alignment, QWidget* parent)
{
    auto* label = Named(new QLabel(text, parent), name);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    label->setAlignment(alignment);
    return label;
}

LinkLabel* MakeLink(const char* name, const QString& text, const QFont& font, Qt::Alignment alignment,
                    const QCursor& cursor, QWidget* parent)
{
    auto* link = Named(new LinkLabel(text, parent), name);
    link->setFont(font);
    link->setAlignment(alignment);
    SetTextColour(link, LinkBlue);
    link->setCursor(cursor);
    return link;
}

QLineEdit* MakeReadOnlyLine(const char* name, QWidget* parent)
{
    auto* box = Named(new QLineEdit(parent), name);
    box->setReadOnly(true);
    box->setFont(ProgramFont(8.25, true));
    ShowFocusRing(box);
    return box;
}

} // namespace

void frmAbout::BuildControls()
{
    MakeFixedWindow(this, 8190, 3585, WindowButtons::CloseOnly);
    // Qt picks the size each place needs; at a scale of 2 the 32 and 64 serve the 16 and the 32.
    QIcon icon;
    icon.addFile(QStringLiteral(":/assets/about-icon-64.png"));
    icon.addFile(QStringLiteral(":/assets/about-icon-32.png"));
    icon.addFile(QStringLiteral(":/assets/about-icon-16.png"));
    setWindowIcon(icon);

    // Slightly larger than the client area, so only its left and top edges show.
    Frame1 = Named(new QFrame(this), "Frame1");
    PlaceInTwips(Frame1, 0, 0, 8220, 3615);
    Frame1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    SetBackgroundColour(Frame1, FrameColour);
    SetTextColour(Frame1, Qt::black);

    Image2 = Named(new QLabel(Frame1), "Image2");
    PlaceInTwips(Image2, 0, 0, 8220, 1290);
    Image2->setPixmap(BannerFor(Image2->devicePixelRatio()));
    Image2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Label1 = MakeLabel("Label1", AboutText, ProgramFont(12, true), Qt::AlignHCenter | Qt::AlignTop, Frame1);
    PlaceInTwips(Label1, 240, 1320, 3495, 1815);
    Label1->setWordWrap(true);

    // Centred on their height, the captions line up with the text of the boxes beside them.
    Label3 = MakeLabel("Label3", NameCaption, ProgramFont(8.25, true), Qt::AlignLeft | Qt::AlignVCenter, Frame1);
    PlaceInTwips(Label3, 3960, 1320, 1815, 255);
    txtProg = MakeReadOnlyLine("txtProg", Frame1);
    PlaceInTwips(txtProg, 5520, 1320, 2175, 285);

    Label4 = MakeLabel("Label4", VersionCaption, ProgramFont(8.25, true), Qt::AlignLeft | Qt::AlignVCenter, Frame1);
    PlaceInTwips(Label4, 3960, 1680, 1815, 255);
    txtVersion = MakeReadOnlyLine("txtVersion", Frame1);
    PlaceInTwips(txtVersion, 5520, 1680, 2175, 285);

    Label5 = MakeLabel("Label5", CommentsCaption, ProgramFont(8.25, true), Qt::AlignLeft | Qt::AlignVCenter, Frame1);
    PlaceInTwips(Label5, 3960, 2040, 1935, 255);
    txtComments = Named(new QPlainTextEdit(Frame1), "txtComments");
    PlaceInTwips(txtComments, 5520, 2040, 2175, 1005);
    txtComments->setFont(ProgramFont(8.25, true));
    txtComments->setReadOnly(true);
    // Read-only, yet with a caret: moving it down brings the lines below the edge into view.
    txtComments->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    txtComments->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    txtComments->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtComments->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtComments->setTabChangesFocus(true);
    ShowFocusRing(txtComments);
    // The same inset as the single-line boxes above it, so the three texts start on one line.
    txtComments->document()->setDocumentMargin(2);
    txtComments->setFocusPolicy(Qt::StrongFocus);

    // One pointer for both links, its hot spot on the tip of the finger.
    const QCursor linkCursor(QPixmap(QStringLiteral(":/assets/link-cursor.png")), 12, 1);
    lblSite = MakeLink("lblSite", MakerSiteAddress, ProgramFont(12.75, true, true), Qt::AlignLeft | Qt::AlignTop,
                       linkCursor, Frame1);
    PlaceInTwips(lblSite, 480, 3165, 2895, 300);
    lblSite->setToolTip(SiteLinkTip);

    lblVarnokel = MakeLink("lblVarnokel", MakerName, ProgramFont(9.75, true), Qt::AlignHCenter | Qt::AlignTop,
                           linkCursor, Frame1);
    PlaceInTwips(lblVarnokel, 3840, 3120, 1575, 255);

    Label2 = MakeLabel("Label2", RightsNotice, ProgramFont(8.25, false, true), Qt::AlignHCenter | Qt::AlignTop, Frame1);
    PlaceInTwips(Label2, 3900, 3360, 1455, 255);
    SetBackgroundColour(Label2, Qt::white);

    cmdQuit = Named(MakeButton(CloseButtonCaption, Frame1), "cmdQuit");
    PlaceInTwips(cmdQuit, 6360, 3120, 1335, 375);
    cmdQuit->setFont(ProgramFont(8.25, true));

    Announce(Frame1, AboutFrameAnnounced.name, AboutFrameAnnounced.description);
    Announce(Image2, BannerAnnounced.name, BannerAnnounced.description);
    // A caption is announced by what it says.
    Announce(Label1, Label1->text().trimmed());
    Announce(Label3, NameCaptionAnnounced.name, NameCaptionAnnounced.description);
    Announce(txtProg, NameBoxOfAboutAnnounced.name, NameBoxOfAboutAnnounced.description);
    Announce(Label4, VersionCaptionAnnounced.name, VersionCaptionAnnounced.description);
    Announce(txtVersion, VersionBoxAnnounced.name, VersionBoxAnnounced.description);
    Announce(Label5, CommentsCaptionAnnounced.name, CommentsCaptionAnnounced.description);
    Announce(txtComments, CommentsBoxAnnounced.name, CommentsBoxAnnounced.description);
    Announce(lblSite, SiteLinkName, SiteLinkDescription(MakerSiteAddress));
    Announce(lblVarnokel, MakerLinkName(MakerName), MakerLinkDescription);
    Announce(Label2, RightsNotice);
    Announce(cmdQuit, CloseButtonAnnounced.name, CloseButtonAnnounced.description);
    // The captions name their boxes for assistive technologies; none has an access key, so the keyboard
    // is unchanged.
    Label3->setBuddy(txtProg);
    Label4->setBuddy(txtVersion);
    Label5->setBuddy(txtComments);

    // Only the button and the three boxes take the focus; the button has it when the window opens.
    setTabOrder(cmdQuit, txtProg);
    setTabOrder(txtProg, txtVersion);
    setTabOrder(txtVersion, txtComments);
    cmdQuit->setFocus();
}
