#include "ui/about/frmAbout.h"

#include "ProgramIdentity.h"
#include "ui/about/LinkLabel.h"
#include "ui/about/Maker.h"
#include "ui/about/UserGuide.h"
#include "ui/toolkit/Activation.h"
#include "ui/toolkit/HandlerGuard.h"
#include "ui/toolkit/Look.h"
#include "ui/toolkit/ShellOpen.h"
#include "ui/words/WindowWords.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

void ShowAboutWindow(HandlerGuard& guard)
{
    // A window already closed but not yet destroyed does not count.
    for (QWidget* shown : QApplication::topLevelWidgets()) {
        if (qobject_cast<frmAbout*>(shown) && !shown->isHidden()) {
            shown->raise();
            shown->activateWindow();
            return;
        }
    }
    auto* window = new frmAbout(guard);
    window->Form_Load();
    window->show();
    CentreOnScreen(window);
}

frmAbout::frmAbout(HandlerGuard& guard, QWidget* parent) : QWidget(parent), guard_(guard)
{
    setAttribute(Qt::WA_DeleteOnClose);
    BuildControls();
    ConnectHandlers();
    // Coming back from here to the main window counts as activating it.
    ActivationWatcher::markAsForm(this);
}

frmAbout::~frmAbout() = default;

void frmAbout::ConnectHandlers()
{
    connect(cmdQuit, &QPushButton::clicked, this, guard_.guarded([this] { cmdQuit_Click(); }));
    connect(lblSite, &LinkLabel::clicked, this, guard_.guarded([this] { lblSite_Click(); }));
    connect(lblVarnokel, &LinkLabel::clicked, this, guard_.guarded([this] { lblVarnokel_Click(); }));
    AddUserGuideShortcut(this, guard_);
}

void frmAbout::Form_Load()
{
    const QString name = ProgramBaseName();
    const QString version = ProgramVersionText();
    setWindowTitle(AboutTitlePrefix + name + QLatin1Char(' ') + version);
    txtProg->setText(name);
    txtVersion->setText(version);
    // A long name shows its beginning, as the comments do.
    txtProg->setCursorPosition(0);
    txtVersion->setCursorPosition(0);
    txtComments->setPlainText(ProgramComments());
}

void frmAbout::cmdQuit_Click()
{
    close();
}

void frmAbout::lblSite_Click()
{
    ShellOpen(MakerSiteUrl());
}

void frmAbout::lblVarnokel_Click()
{
    lblSite_Click();
}
