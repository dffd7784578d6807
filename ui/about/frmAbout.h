#pragma once

#include <QWidget>

class HandlerGuard;
class LinkLabel;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Shows the one About window beside the other windows, not modal and without an owner. When none is open
// it is made, filled and centred on the screen; when one is open it is brought to the front as it is. Its handlers
// run through `guard`, which outlives it.
void ShowAboutWindow(HandlerGuard& guard);

// The About window: banner, a short presentation, the program's name, version and comments, the maker's
// name and a link to the maker's web site. Destroyed when it closes; it does not close with the main
// window, and Escape does nothing (it is not a dialog).
class frmAbout : public QWidget {
    Q_OBJECT
public:
    explicit frmAbout(HandlerGuard& guard, QWidget* parent = nullptr);
    ~frmAbout() override;

    // Sets the title and fills the three boxes from the running program.
    void Form_Load();

private:
    void BuildControls();
    void ConnectHandlers();

    void cmdQuit_Click();
    void lblSite_Click();
    void lblVarnokel_Click();

    HandlerGuard& guard_;

    QFrame* Frame1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* txtProg = nullptr;
    QLineEdit* txtVersion = nullptr;
    QPlainTextEdit* txtComments = nullptr;
    LinkLabel* lblSite = nullptr;
    LinkLabel* lblVarnokel = nullptr;
    QPushButton* cmdQuit = nullptr;
};
