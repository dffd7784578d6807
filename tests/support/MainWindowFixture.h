#pragma once

#include "support/TempLedger.h"
#include "support/WidgetDriving.h"
#include "ui/main/frmPlorn.h"
#include "ui/toolkit/FailureGuard.h"
#include "ui/toolkit/MessageBox.h"

#include <QList>
#include <memory>
#include <optional>
#include <utility>

class frmAbout;
class NameBox;
class NotesBox;
class PersonList;
class QPushButton;

// Presses the About button's way in and returns the About window shown.
frmAbout* OpenAboutWindow();

// A ledger with a few persons, and the main window on it, loaded and shown as at start-up. Message
// boxes and failures go through their seams.
struct Fixture {
    explicit Fixture(const QList<std::pair<QString, QString>>& persons = {});

    // Loads and shows the window, and finds its controls; call with QVERIFY-style checks after it.
    void start();

    std::optional<QString> stored(const QString& person) const { return file.open().ReadNotes(person); }
    QStringList storedNames() const { return file.open().ListPersons(); }
    QStringList entries() const;

    // Types at the end of the notes, as the user does.
    void type(const QString& text);
    void openAndCloseTheList();

    TempLedger file;
    MessageBoxSeam boxes;
    FailureSeam failures;
    std::unique_ptr<frmPlorn> window;
    PersonList* list = nullptr;
    NotesBox* notes = nullptr;
    NameBox* name = nullptr;
    QPushButton* dateButton = nullptr;
    QPushButton* addButton = nullptr;
    QPushButton* deleteButton = nullptr;
};
