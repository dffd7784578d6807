#include "support/MainWindowFixture.h"

#include "app/FailureReport.h"
#include "ui/about/frmAbout.h"
#include "ui/toolkit/NameBox.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <sys/stat.h>

namespace {

// The guard of About windows opened without a main window: a failure ends the run, as it ends the program.
class EndTheRun final : public GuardPolicy {
public:
    void handlerFailed(std::exception_ptr failure) override { qFatal("%s", qUtf8Printable(TellFailure(failure))); }
    void endWithUnsavedNotes(const QString&) override {}
};

HandlerGuard& AboutGuard()
{
    static EndTheRun policy;
    static auto* guard = new HandlerGuard(policy, qApp);
    return *guard;
}

// The device and inode of the file at `path`; empty when there is none.
QByteArray FileIdentity(const QString& path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return QByteArray::number(quint64(status.st_dev)) + ':' + QByteArray::number(quint64(status.st_ino));
}

} // namespace

frmAbout* OpenAboutWindow()
{
    ShowAboutWindow(AboutGuard());
    const QList<frmAbout*> windows = AboutWindows();
    if (windows.size() != 1 || !QTest::qWaitForWindowActive(windows.first()))
        return nullptr;
    return windows.first();
}

QList<frmAbout*> AboutWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QList<frmAbout*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* about = qobject_cast<frmAbout*>(widget))
            windows.append(about);
    }
    return windows;
}

void CloseEveryWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        widget->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

Fixture::Fixture(const QList<std::pair<QString, QString>>& persons)
    : reader_(file.open()), readerFile_(FileIdentity(file.path()))
{
    for (const auto& [person, personNotes] : persons)
        reader_.AddPerson(person, personNotes);
}

Ledger& Fixture::reader() const
{
    if (const QByteArray now = FileIdentity(file.path()); now != readerFile_ || now.isEmpty()) {
        reader_ = file.open();
        readerFile_ = now;
    }
    return reader_;
}

void Fixture::start()
{
    window = std::make_unique<frmPlorn>(file.folder(), failures.guard());
    window->Form_Load();
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    list = window->findChild<PersonList*>(QStringLiteral("cmbPers"));
    notes = window->findChild<NotesBox*>(QStringLiteral("txtPlorn"));
    name = window->findChild<NameBox*>(QStringLiteral("txtName"));
    dateButton = window->findChild<QPushButton*>(QStringLiteral("cmdDate"));
    addButton = window->findChild<QPushButton*>(QStringLiteral("cmdAdd"));
    deleteButton = window->findChild<QPushButton*>(QStringLiteral("cmdKill"));
    QVERIFY(list && notes && name && dateButton && addButton && deleteButton);
}

QStringList Fixture::entries() const
{
    return EntriesOf(*list);
}

void Fixture::type(const QString& text)
{
    notes->setFocus();
    notes->moveCaretToEnd();
    TypeText(notes, text);
}

void Fixture::openAndCloseTheList()
{
    list->showPopup();
    list->hidePopup();
}
