#include "support/MainWindowFixture.h"

#include "ui/about/frmAbout.h"
#include "ui/toolkit/NameBox.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>

frmAbout* OpenAboutWindow()
{
    ShowAboutWindow();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* about = qobject_cast<frmAbout*>(widget); about && about->isVisible())
            return about;
    }
    return nullptr;
}

Fixture::Fixture(const QList<std::pair<QString, QString>>& persons)
{
    Ledger ledger = file.open();
    for (const auto& [person, personNotes] : persons)
        ledger.AddPerson(person, personNotes);
}

void Fixture::start()
{
    window = std::make_unique<frmPlorn>(file.folder());
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
