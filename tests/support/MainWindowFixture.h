#pragma once

#include "support/LedgerTestAccess.h"
#include "support/RecordedFailures.h"
#include "support/TempLedger.h"
#include "support/WidgetDriving.h"
#include "ui/main/frmPlorn.h"
#include "ui/toolkit/MessageBox.h"

#include <QByteArray>
#include <QList>
#include <memory>
#include <optional>
#include <utility>

class frmAbout;
class NameBox;
class NotesBox;
class PersonList;
class QPushButton;

// Opens the About window as the About button does and waits until the user could type into it; null
// unless exactly one About window is then open. A failure of its handlers ends the run, as in the program.
frmAbout* OpenAboutWindow();
// Every About window not yet destroyed; closed ones that destroy themselves are destroyed first.
QList<frmAbout*> AboutWindows();

// Closes every window and destroys those that go on closing, so that no test finds another's windows.
void CloseEveryWindow();

// A ledger with a few persons, and the main window on it, loaded and shown as at start-up. Message
// boxes go through their seam; failures are recorded.
struct Fixture {
    explicit Fixture(const QList<std::pair<QString, QString>>& persons = {});

    // Loads and shows the window, and finds its controls; call with QVERIFY-style checks after it.
    void start();

    // What the file holds now, read through the fixture's own connection.
    std::optional<QString> stored(const QString& person) const { return reader().ReadNotes(person); }
    QStringList storedNames() const { return NamesOf(reader().ListPersons()); }
    QStringList entries() const;

    // Types at the end of the notes, as the user does.
    void type(const QString& text);
    void openAndCloseTheList();

    TempLedger file;
    MessageBoxSeam boxes;
    RecordedFailures failures;
    std::unique_ptr<frmPlorn> window;
    PersonList* list = nullptr;
    NotesBox* notes = nullptr;
    NameBox* name = nullptr;
    QPushButton* dateButton = nullptr;
    QPushButton* addButton = nullptr;
    QPushButton* deleteButton = nullptr;

private:
    Ledger& reader() const;

    // Opened with the fixture, before any fault shim a test sets up, and kept: opening derives the key anew
    // each time. It holds no lock between checks, so the window writes as if it were not there.
    mutable Ledger reader_;
    // The file it was opened on (device and inode): a file put in the ledger's place is opened afresh.
    mutable QByteArray readerFile_;
};
