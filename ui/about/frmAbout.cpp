#include "ui/about/frmAbout.h"

#include "ProgramIdentity.h"
#include "ui/about/LinkLabel.h"
#include "ui/about/Maker.h"
#include "ui/toolkit/Activation.h"
#include "ui/toolkit/FailureGuard.h"
#include "ui/toolkit/Look.h"
#include "ui/toolkit/ShellOpen.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

void ShowAboutWindow()
{
    // The one About window of the process; cleared by Qt when the window is destroyed on closing. A window
    // already closed but not yet destroyed does not count.
    static QPointer<frmAbout> window;
    if (window && !window->isHidden()) {
        window->raise();
        window->activateWindow();
        return;
    }
    window = new frmAbout;
    window->Form_Load();
    window->show();
    CentreOnScreen(window);
}

frmAbout::frmAbout(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    BuildControls();
    ConnectHandlers();
    // Coming back from here to the main window counts as activating it.
    ActivationWatcher::registerForm(this);
}

frmAbout::~frmAbout() = default;

void frmAbout::ConnectHandlers()
{
    connect(cmdQuit, &QPushButton::clicked, this, Guarded([this] { cmdQuit_Click(); }));
    connect(lblSite, &LinkLabel::clicked, this, Guarded([this] { lblSite_Click(); }));
    connect(lblVarnokel, &LinkLabel::clicked, this, Guarded([this] { lblVarnokel_Click(); }));
}

void frmAbout::Form_Load()
{
    const QString name = ProgramBaseName();
    const QString version = ProgramVersionText();
    setWindowTitle(QStringLiteral("A propos de ") + name + QLatin1Char(' ') + version);
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
