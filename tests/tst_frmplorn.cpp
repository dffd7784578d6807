#include "ProgramIdentity.h"
#include "app/ProgramLife.h"
#include "ledger/LedgerBackup.h"
#include "ledger/LedgerError.h"
#include "ledger/SqliteHandles.h"
#include "support/FaultVfs.h"
#include "support/LedgerTestAccess.h"
#include "support/MainWindowFixture.h"
#include "support/RecordedFailures.h"
#include "support/TempLedger.h"
#include "ui/main/frmPlorn.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/toolkit/NameBox.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"
#include "ui/toolkit/TerminationSignals.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString Alice = QStringLiteral("alice");
const QString Bob = QStringLiteral("Bob");

QList<std::pair<QString, QString>> TwoPersons()
{
    return {{Bob, QStringLiteral("Bob doit 5 €")}, {Alice, QStringLiteral("Alice doit 10 €")}};
}

// What another program does to the ledger while the window is open.
void RunElsewhere(const TempLedger& file, const char* sql)
{
    OtherConnection other(file.path());
    Execute(other.get(), sql);
}

// A name that is not UTF-8, as another tool may store it: "Ren", a lone 0xE9 (é in Latin-1), "e".
const QByteArray Latin1Name("Ren\xE9"
                            "e");

} // namespace

class TestFrmPlorn : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void startUp()
    {
        Fixture f({{QStringLiteral("Zoé"), QStringLiteral("z")},
                   {QStringLiteral("émile"), QStringLiteral("é")},
                   {Bob, QStringLiteral("b")},
                   {Alice, QStringLiteral("Alice doit\r\n10 €")}});
        f.start();
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Quentaril ") + ProgramVersionText());
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Quentaril 1.1.2"));
        QCOMPARE(f.entries(),
                 (QStringList{Alice, Bob, QStringLiteral("émile"), ReservedPersonName, QStringLiteral("Zoé")}));
        QCOMPARE(f.list->currentText(), Alice);
        QCOMPARE(f.notes->text(), QStringLiteral("Alice doit\r\n10 €"));
        QCOMPARE(f.notes->textCursor().position(), f.notes->document()->characterCount() - 1);
        QVERIFY(!f.notes->textCursor().hasSelection());
        QTRY_COMPARE(QApplication::focusWidget(), f.notes);
        QVERIFY(!f.failures.failed());
        QVERIFY(f.boxes.shown().empty());
    }

    void startUpWithOnlyTheReservedEntry()
    {
        Fixture f;
        f.start();
        QCOMPARE(f.list->count(), 1);
        QCOMPARE(f.notes->text(), f.stored(ReservedPersonName).value());
        QTRY_COMPARE(QApplication::focusWidget(), f.name);
    }

    // With no one to write under, the notes box takes no typing and says how to add the first person.
    void anEmptyTableOpens()
    {
        Fixture f;
        f.file.open().DeletePerson(ReservedPersonName);
        f.start();
        QCOMPARE(f.list->count(), 0);
        QVERIFY(f.notes->isReadOnly());
        QVERIFY(f.notes->placeholderText().contains(QStringLiteral("Ajout")));
        QTRY_COMPARE(QApplication::focusWidget(), f.name);
        f.type(QStringLiteral("personne"));
        QVERIFY(f.notes->text().isEmpty());
        f.openAndCloseTheList();
        f.window->close();
        QVERIFY(!f.window->isVisible());
        QVERIFY(!f.failures.failed());
        QVERIFY(f.file.open().ListPersons().isEmpty());
    }

    void browsingTheClosedListNeverEditsNotes_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("keys");
        QTest::newRow("arrows") << QString() << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Up};
        QTest::newRow("end, home") << QString() << QList<int>{Qt::Key_End, Qt::Key_Home, Qt::Key_End};
    }
    // Each person passed over is shown, the focus stays on the list and no key lands in anyone's notes; Enter
    // takes the focus to the notes of the person shown.
    void browsingTheClosedListNeverEditsNotes()
    {
        QFETCH(QString, typed);
        QFETCH(QList<int>, keys);
        Fixture f({{QStringLiteral("Zoé"), QStringLiteral("z")}, {Bob, QStringLiteral("b")}});
        f.start();
        const QStringList before = f.storedNames();
        f.list->setFocus();
        // Each key goes where the user's would: to whatever has the focus by then.
        for (const QChar letter : typed)
            QTest::keyClicks(QApplication::focusWidget(), letter);
        for (const int key : keys)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QCOMPARE(QApplication::focusWidget(), f.list);
        QCOMPARE(f.notes->text(), f.stored(f.list->currentText()).value_or(QString()));
        QTest::keyClick(f.list, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), f.notes);
        f.window->close();
        for (const QString& name : before)
            QCOMPARE(f.stored(name), f.file.open().ReadNotes(name));
        QCOMPARE(f.stored(QStringLiteral("Zoé")), std::optional<QString>(QStringLiteral("z")));
        QCOMPARE(f.stored(Bob), std::optional<QString>(QStringLiteral("b")));
    }

    void aDamagedLedgerOffersTheLatestGoodBackup_data()
    {
        QTest::addColumn<bool>("restore");
        QTest::addColumn<bool>("foundByTheBackup");
        QTest::newRow("read, Oui") << true << false;
        QTest::newRow("read, Non") << false << false;
        QTest::newRow("the backup's proof, Oui") << true << true;
    }
    // Damage found when a person is read, or by the day's backup: Oui puts the backup back, the damaged file kept
    // aside, the backup as it was, the notes shown saved into it; Non leaves every file as it is.
    void aDamagedLedgerOffersTheLatestGoodBackup()
    {
        QFETCH(bool, restore);
        QFETCH(bool, foundByTheBackup);
        const QString zoeNotes = PagesOfNotes(QStringLiteral("Zoé"), 60000);
        Fixture f({{Alice, QStringLiteral("a")}, {QStringLiteral("Zoé"), zoeNotes}});
        const BackupOutcome backup = MakeDailyBackup(f.file.path(), QDate(2026, 12, 1));
        QCOMPARE(backup.result, BackupOutcome::Result::Made);
        const QByteArray backupBytes = FileBytes(backup.path);
        QByteArray damaged = FileBytes(f.file.path());
        damaged.replace(damaged.size() * 3 / 4, 8, QByteArray(8, '\x5A'));
        WriteFile(f.file.path(), damaged);
        f.start();
        f.type(QStringLiteral(" puis 5"));

        f.boxes.queueAnswer(restore ? MessageAnswer::Yes : MessageAnswer::No);
        if (foundByTheBackup)
            f.window->BackupFoundDamage(QStringLiteral("Le registre est endommagé."), backup.path);
        else
            f.list->selectIndex(f.list->findData(QByteArrayLiteral("Zo\xC3\xA9"), Qt::UserRole));
        QVERIFY(f.boxes.shown().front().text.contains(backup.path));
        const QStringList aside = QDir(f.file.folder()).entryList({QStringLiteral("BDPLORN-endommage-*.mdb")});
        QCOMPARE(FileBytes(backup.path), backupBytes);
        if (!restore) {
            QVERIFY(f.failures.failed());
            QVERIFY(aside.isEmpty());
            QCOMPARE(FileBytes(f.file.path()).mid(damaged.size() * 3 / 4, 8), QByteArray(8, '\x5A'));
            return;
        }
        QVERIFY(!f.failures.failed());
        QCOMPARE(aside.size(), 1);
        QCOMPARE(FileBytes(QDir(f.file.folder()).filePath(aside.front())).mid(damaged.size() * 3 / 4, 8),
                 QByteArray(8, '\x5A'));
        QCOMPARE(f.list->currentText(), Alice);
        QCOMPARE(f.notes->text(), QStringLiteral("a puis 5"));
        Ledger restored = f.file.open();
        QVERIFY(IntegrityProblems(f.file.path()).isEmpty());
        QCOMPARE(restored.ReadNotes(Alice), std::optional<QString>(QStringLiteral("a puis 5")));
        QCOMPARE(restored.ReadNotes(QStringLiteral("Zoé")), std::optional<QString>(zoeNotes));
        QVERIFY(f.boxes.shown().back().text.contains(aside.front()));
    }

    void editsAreSavedWhenTheListOpensAndWhenTheWindowCloses()
    {
        Fixture f(TwoPersons());
        f.start();
        f.type(QStringLiteral(" et l'ami"));
        QCOMPARE(f.stored(Alice), std::optional<QString>(QStringLiteral("Alice doit 10 €")));
        f.openAndCloseTheList();
        QCOMPARE(f.stored(Alice), std::optional<QString>(QStringLiteral("Alice doit 10 € et l\"ami")));
        QCOMPARE(f.notes->text(), QStringLiteral("Alice doit 10 € et l\"ami"));

        f.type(QStringLiteral("!"));
        f.window->close();
        QCOMPARE(f.stored(Alice), std::optional<QString>(QStringLiteral("Alice doit 10 € et l\"ami!")));
        QVERIFY(!f.failures.failed());
    }

    // The next start shows the person shown at closing, with the caret and the zoom where they were; remembering the
    // reserved entry writes none of its notes.
    void opensWhereLeftOff()
    {
        Fixture f(TwoPersons());
        f.start();
        f.list->setFocus();
        QTest::keyClick(f.list, Qt::Key_Down);
        QCOMPARE(f.list->currentText(), Bob);
        f.notes->moveCaretTo(3);
        QTest::keyClick(f.window.get(), Qt::Key_Plus, Qt::ControlModifier);
        QTest::keyClick(f.window.get(), Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(f.notes->zoom(), 2);
        const qreal zoomedSize = f.notes->font().pointSizeF();
        f.window->close();

        f.start();
        QCOMPARE(f.list->currentText(), Bob);
        QCOMPARE(f.notes->text(), QStringLiteral("Bob doit 5 €"));
        QCOMPARE(f.notes->caretPlace(), 3);
        QCOMPARE(f.notes->font().pointSizeF(), zoomedSize);
        QTest::keyClick(f.window.get(), Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(f.notes->zoom(), 0);

        f.list->selectIndex(static_cast<int>(f.entries().indexOf(ReservedPersonName)));
        f.type(QStringLiteral(" brouillon"));
        const std::optional<QString> reservedNotes = f.stored(ReservedPersonName);
        f.window->close();
        QCOMPARE(f.stored(ReservedPersonName), reservedNotes);
        f.start();
        QCOMPARE(f.list->currentText(), ReservedPersonName);
        QVERIFY(!f.failures.failed());
    }

    void aQuietSwitchKeepsTheEdits()
    {
        Fixture f(TwoPersons());
        f.start();
        f.type(QStringLiteral(" d'avance"));
        f.list->setFocus();
        QTest::keyClick(f.list, Qt::Key_Down);
        QCOMPARE(f.list->currentText(), Bob);
        QCOMPARE(f.notes->text(), QStringLiteral("Bob doit 5 €"));
        QCOMPARE(f.stored(Alice), std::optional<QString>(QStringLiteral("Alice doit 10 € d\"avance")));

        // Back with no edit: nothing written for Bob.
        f.file.open().SaveNotes(Bob, QStringLiteral("ailleurs"));
        QTest::keyClick(f.list, Qt::Key_Up);
        QCOMPARE(f.stored(Bob), std::optional<QString>(QStringLiteral("ailleurs")));
        QCOMPARE(f.notes->text(), QStringLiteral("Alice doit 10 € d\"avance"));
    }

    void aFailedSaveKeepsTheNotes()
    {
        Fixture f(TwoPersons());
        FaultVfs faults;
        f.start();
        f.type(QStringLiteral(" + 3"));
        const QString typed = f.notes->text();
        faults.failWrites(SQLITE_FULL);

        f.openAndCloseTheList();
        QCOMPARE(f.boxes.shown().size(), size_t(1));
        QVERIFY(f.boxes.shown().back().text.endsWith(QStringLiteral("(la base de données ou le disque est plein)")));
        QCOMPARE(f.boxes.shown().back().icon, MessageIcon::Error);
        QCOMPARE(f.notes->text(), typed);
        QVERIFY(f.notes->isChanged());

        // A quiet switch whose save fails stays on the person shown.
        f.list->setFocus();
        QTest::keyClick(f.list, Qt::Key_Down);
        QCOMPARE(f.list->currentText(), Alice);
        QCOMPARE(f.notes->text(), typed);
        QCOMPARE(f.boxes.shown().size(), size_t(2));

        // Closing asks; No keeps the window open with the notes.
        f.boxes.queueAnswer(MessageAnswer::No);
        f.window->close();
        QVERIFY(f.window->isVisible());
        QCOMPARE(f.boxes.shown().back().buttons, MessageButtons::YesNo);
        QVERIFY(f.boxes.shown().back().text.contains(QStringLiteral("(la base de données ou le disque est plein)")));
        QCOMPARE(f.notes->text(), typed);
        QVERIFY(!f.failures.failed());

        // Room again: the next save point writes them.
        faults.failWrites(0);
        f.openAndCloseTheList();
        QCOMPARE(f.stored(Alice), std::optional<QString>(typed));
        QVERIFY(!f.notes->isChanged());
        f.window.reset();
    }

    // The list appears before its save point runs, yet a person chosen in it, however fast, is shown only after
    // the notes were saved; a save that fails there is told, keeps the notes, and the choice cannot switch
    // away from them, as when the save ran before the list opened.
    void theListOpensFirstAndSavesBeforeAnyChoice_data()
    {
        QTest::addColumn<bool>("waitForTheList");
        QTest::addColumn<bool>("failing");
        QTest::newRow("choice at once") << false << false;
        QTest::newRow("choice once the list is drawn") << true << false;
        QTest::newRow("failed save, choice at once") << false << true;
        QTest::newRow("failed save, choice once the list is drawn") << true << true;
    }
    void theListOpensFirstAndSavesBeforeAnyChoice()
    {
        QFETCH(bool, waitForTheList);
        QFETCH(bool, failing);
        Fixture f(TwoPersons());
        FaultVfs faults;
        f.start();
        f.type(QStringLiteral(" d'abord"));
        const QString typed = f.notes->text();
        if (failing)
            faults.failWrites(SQLITE_FULL);

        f.list->showPopup();
        QAbstractItemView* popup = f.list->view();
        QVERIFY(popup->isVisible());
        if (waitForTheList) {
            if (failing)
                QTRY_COMPARE(f.boxes.shown().size(), size_t(1));
            else
                QTRY_COMPARE(f.stored(Alice), std::optional<QString>(QString(typed).replace(u'\'', u'"')));
            QVERIFY(popup->isVisible());
        } else {
            QCOMPARE(f.stored(Alice), std::optional<QString>(QStringLiteral("Alice doit 10 €")));
        }
        const QModelIndex bob = popup->model()->index(1, 0);
        popup->setCurrentIndex(bob);
        QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, popup->visualRect(bob).center());
        QTRY_VERIFY(!popup->isVisible());

        if (failing) {
            // Told at the list's save point, then again when the choice would have left the notes behind.
            QCOMPARE(f.boxes.shown().size(), size_t(2));
            QVERIFY(
                f.boxes.shown().front().text.endsWith(QStringLiteral("(la base de données ou le disque est plein)")));
            QCOMPARE(f.list->currentText(), Alice);
            QCOMPARE(f.notes->text(), QString(typed).replace(u'\'', u'"'));
            QVERIFY(f.notes->isChanged());
            faults.failWrites(0);
            QCOMPARE(f.stored(Alice), std::optional<QString>(QStringLiteral("Alice doit 10 €")));
        } else {
            QVERIFY(f.boxes.shown().empty());
            QCOMPARE(f.list->currentText(), Bob);
            QCOMPARE(f.notes->text(), QStringLiteral("Bob doit 5 €"));
            QCOMPARE(f.stored(Alice), std::optional<QString>(QString(typed).replace(u'\'', u'"')));
        }
        QVERIFY(!f.failures.failed());
        f.window.reset();
    }

    void closingAnywayAfterAFailedSave()
    {
        Fixture f(TwoPersons());
        FaultVfs faults;
        f.start();
        f.type(QStringLiteral("perdu"));
        faults.failWrites(SQLITE_IOERR_WRITE);
        f.boxes.queueAnswer(MessageAnswer::Yes);
        f.window->close();
        QVERIFY(!f.window->isVisible());
        faults.failWrites(0);
        QCOMPARE(f.stored(Alice), std::optional<QString>(QStringLiteral("Alice doit 10 €")));
        f.window.reset();
    }

    void terminationSignalsSave()
    {
        Fixture f(TwoPersons());
        TerminationSignals termination(f.failures.guard());
        f.start();
        f.type(QStringLiteral(" (rappel)"));
        ::raise(SIGTERM);
        QTRY_VERIFY(!f.window->isVisible());
        QVERIFY(f.failures.guard().endRequested());
        QCOMPARE(f.stored(Alice), std::optional<QString>(QStringLiteral("Alice doit 10 € (rappel)")));
    }

    // Another program removed the person picked: the user is told, the list read again, and never are one
    // person's notes shown or saved under another's name. The notes shown until then are saved first.
    void aPersonRemovedElsewhereIsNeverShownUnderAnotherName()
    {
        Fixture f(TwoPersons());
        f.start();
        f.type(QStringLiteral(" (rappel)"));
        RunElsewhere(f.file, "DELETE FROM tblPlorn WHERE NomPers = 'Bob'");
        QTest::keyClick(f.list, Qt::Key_Down); // a quiet switch from alice to Bob
        QCOMPARE(f.stored(Alice), std::optional<QString>(QStringLiteral("Alice doit 10 € (rappel)")));
        QCOMPARE(f.boxes.shown().size(), size_t(1));
        QCOMPARE(f.boxes.shown().back().text,
                 QStringLiteral("« Bob » n'est plus dans le registre : un autre programme l'a peut-être supprimée."
                                "\r\nLa liste des personnes a été relue."));
        QCOMPARE(f.entries(), (QStringList{Alice, ReservedPersonName}));
        QCOMPARE(f.list->currentText(), Alice);
        QCOMPARE(f.notes->text(), QStringLiteral("Alice doit 10 € (rappel)"));
        f.type(QStringLiteral("!"));
        f.openAndCloseTheList();
        QCOMPARE(f.stored(Alice), std::optional<QString>(QStringLiteral("Alice doit 10 € (rappel)!")));
        QCOMPARE(f.stored(Bob), std::nullopt);
    }

    // A save that matches no row keeps the notes: the person is added back with them, and the user told.
    void aSaveOfAPersonRemovedElsewhereAddsThemBack()
    {
        Fixture f(TwoPersons());
        f.start();
        f.type(QStringLiteral(" puis 2 €"));
        RunElsewhere(f.file, "DELETE FROM tblPlorn WHERE NomPers = 'alice'");
        f.openAndCloseTheList();
        QCOMPARE(f.stored(Alice), std::optional<QString>(QStringLiteral("Alice doit 10 € puis 2 €")));
        QCOMPARE(f.boxes.shown().size(), size_t(1));
        QCOMPARE(f.boxes.shown().back().text,
                 QStringLiteral("« alice » n'était plus dans le registre : un autre programme l'a peut-être "
                                "supprimée.\r\nCette personne y a été remise avec les notes affichées."));
        QVERIFY(!f.notes->isChanged());
    }

    // A name stored as bytes that are not UTF-8 is shown, read, saved and deleted by those very bytes.
    void aNameThatIsNotUtf8()
    {
        Fixture f(TwoPersons());
        RunElsewhere(f.file, "INSERT INTO tblPlorn VALUES (CAST(X'52656EE965' AS TEXT), 'à part')");
        f.start();
        QCOMPARE(f.entries(), (QStringList{Alice, Bob, QStringLiteral("Ren\uFFFDe"), ReservedPersonName}));
        f.list->selectIndex(2);
        QCOMPARE(f.notes->text(), QStringLiteral("à part"));
        QVERIFY(f.boxes.shown().empty());
        f.type(QStringLiteral(" et 3 €"));
        f.openAndCloseTheList();
        Ledger ledger = f.file.open();
        QCOMPARE(ledger.ReadNotes(PersonName::fromStored(Latin1Name)),
                 std::optional<QString>(QStringLiteral("à part et 3 €")));
        QCOMPARE(f.stored(Alice), std::optional<QString>(QStringLiteral("Alice doit 10 €")));

        f.boxes.queueAnswer(MessageAnswer::Yes);
        QTest::mouseClick(f.deleteButton, Qt::LeftButton);
        QCOMPARE(ledger.ReadNotes(PersonName::fromStored(Latin1Name)), std::nullopt);
        QCOMPARE(f.entries(), (QStringList{Alice, Bob, ReservedPersonName}));
    }

    // The engine out of memory in a save is a failed save like any other: told in French, notes kept, and the
    // closing asks.
    void aSaveWithoutMemoryKeepsTheNotes()
    {
        Fixture f(TwoPersons());
        FaultVfs faults;
        f.start();
        f.type(QStringLiteral(" puis 96 Mo"));
        faults.failWrites(SQLITE_NOMEM);
        f.openAndCloseTheList();
        QVERIFY(!f.failures.failed());
        QCOMPARE(f.boxes.shown().size(), size_t(1));
        QVERIFY2(f.boxes.shown().back().text.startsWith(QStringLiteral("La mémoire manque pour enregistrer les "
                                                                       "notes de « alice »")),
                 qPrintable(f.boxes.shown().back().text));
        QCOMPARE(f.notes->text(), QStringLiteral("Alice doit 10 € puis 96 Mo"));
        QVERIFY(f.notes->isChanged());
        f.window->close();
        QCOMPARE(f.boxes.shown().size(), size_t(2));
        QCOMPARE(f.boxes.shown().back().buttons, MessageButtons::YesNo);
        QVERIFY(f.window->isVisible());
        faults.failWrites(0);
        QVERIFY(f.window->close());
        QCOMPARE(f.stored(Alice), std::optional<QString>(QStringLiteral("Alice doit 10 € puis 96 Mo")));
    }

    // A termination signal while a real message box is open: the box takes its safe answer, the handler runs
    // to its end, then the window closes as its close box would, saving the notes. When that save fails too,
    // the program ends with a failure status.
    void aTerminationSignalDuringAMessageBox_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("expectedAlice");
        QTest::addColumn<QStringList>("expectedNames");
        QTest::addColumn<int>("expectedStatus");
        const QString saved = QStringLiteral("Alice doit 10 € (rappel)");
        const QStringList everyone{Alice, Bob, ReservedPersonName};
        QTest::newRow("person added") << "add Chloé" << saved
                                      << QStringList{Alice, Bob, QStringLiteral("Chloé"), ReservedPersonName} << 0;
        QTest::newRow("empty name") << "add" << saved << everyone << 0;
        QTest::newRow("name taken") << "add Bob" << saved << everyone << 0;
        QTest::newRow("delete question: No") << "delete" << saved << everyone << 0;
        QTest::newRow("person vanished") << "switch to a vanished Bob" << saved
                                         << QStringList{Alice, ReservedPersonName} << 0;
        QTest::newRow("person added back") << "save a vanished alice" << saved << everyone << 0;
        QTest::newRow("failed save") << "save failing" << QStringLiteral("Alice doit 10 €") << everyone
                                     << int(EXIT_FAILURE);
        QTest::newRow("closing question")
            << "close failing" << QStringLiteral("Alice doit 10 €") << everyone << int(EXIT_FAILURE);
    }
    void aTerminationSignalDuringAMessageBox()
    {
        QFETCH(QString, action);
        QFETCH(QString, expectedAlice);
        QFETCH(QStringList, expectedNames);
        QFETCH(int, expectedStatus);
        TempLedger file;
        {
            Ledger ledger = file.open();
            for (const auto& [person, notes] : TwoPersons())
                ledger.AddPerson(person, notes);
        }
        RecordedFailures failures;
        TerminationSignals termination(failures.guard());
        std::optional<FaultVfs> faults;
        if (action.endsWith(QStringLiteral("failing")))
            faults.emplace();
        auto* window = new frmPlorn(file.folder(), failures.guard());
        QPointer<frmPlorn> alive(window);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->Form_Load();
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
        auto* notes = window->findChild<NotesBox*>(QStringLiteral("txtPlorn"));
        auto* list = window->findChild<PersonList*>(QStringLiteral("cmbPers"));
        notes->setFocus();
        notes->moveCaretToEnd();
        TypeText(notes, QStringLiteral(" (rappel)"));

        int boxesSeen = 0;
        QTimer signalOnBox;
        connect(&signalOnBox, &QTimer::timeout, this, [&] {
            if (qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) && boxesSeen++ == 0)
                ::raise(SIGTERM);
        });
        signalOnBox.start(20);
        if (action.startsWith(QStringLiteral("add"))) {
            TypeText(window->findChild<NameBox*>(QStringLiteral("txtName")), action.mid(4));
            QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdAdd")), Qt::LeftButton);
        } else if (action == QStringLiteral("delete")) {
            QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdKill")), Qt::LeftButton);
        } else if (action == QStringLiteral("switch to a vanished Bob")) {
            RunElsewhere(file, "DELETE FROM tblPlorn WHERE NomPers = 'Bob'");
            list->setFocus();
            QTest::keyClick(list, Qt::Key_Down);
        } else if (action == QStringLiteral("save a vanished alice")) {
            RunElsewhere(file, "DELETE FROM tblPlorn WHERE NomPers = 'alice'");
            list->showPopup();
        } else if (action == QStringLiteral("save failing")) {
            faults->failWrites(SQLITE_IOERR_WRITE);
            list->showPopup();
        } else if (action == QStringLiteral("close failing")) {
            faults->failWrites(SQLITE_IOERR_WRITE);
            window->close();
        }
        QTRY_VERIFY_WITH_TIMEOUT(alive.isNull(), 10000);
        QCOMPARE(boxesSeen, 1);
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY2(!failures.failed(), qPrintable(failures.messages().join(QLatin1Char('\n'))));
        QCOMPARE(failures.endStatus(), expectedStatus);
        faults.reset();
        Ledger ledger = file.open();
        QCOMPARE(ledger.ReadNotes(Alice), std::optional<QString>(expectedAlice));
        QCOMPARE(NamesOf(ledger.ListPersons()).size(), expectedNames.size());
        for (const QString& name : expectedNames)
            QVERIFY2(ledger.ReadNotes(name), qPrintable(name));
    }

    void lineBreaksAndSpacesAreKeptByteForByte()
    {
        const QString stored = QStringLiteral("20\u00A0€\r\n« oui »\r\n\r\n\tfin 😀");
        Fixture f({{Alice, stored}});
        f.start();
        QCOMPARE(f.notes->text(), stored);
        f.type(QStringLiteral("\u00A0!"));
        QTest::keyClick(f.notes, Qt::Key_Return);
        f.type(QStringLiteral("suite"));
        f.openAndCloseTheList();
        QCOMPARE(f.stored(Alice), std::optional<QString>(stored + QStringLiteral("\u00A0!\r\nsuite")));
    }

    void aLedgerThatCannotBeOpened()
    {
        QTemporaryDir folder;
        QFile wrong(LedgerPathIn(folder.path()));
        QVERIFY(wrong.open(QIODevice::WriteOnly));
        wrong.write(QByteArray(4096, 'x'));
        wrong.close();

        {
            MessageBoxSeam boxes;
            RecordedFailures failures;
            frmPlorn window(folder.path(), failures.guard());
            failures.guard().run([&window] { window.Form_Load(); });
            QCOMPARE(failures.messages().size(), 1);
            QVERIFY(failures.messages().front().endsWith(
                QStringLiteral("(le fichier est chiffré ou n'est pas une base de données)")));
            QCOMPARE(boxes.shown().size(), size_t(1));
            QCOMPARE(boxes.shown().front().icon, MessageIcon::Error);
        }

        // Under the program's own guard, the process ends with a failure status.
        const pid_t child = ::fork();
        if (child == 0) {
            MessageBoxSeam quiet;
            ProgramLife life;
            frmPlorn doomed(folder.path(), life.guard());
            life.guard().run([&doomed] { doomed.Form_Load(); });
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), EXIT_FAILURE);
        QCOMPARE(FileBytes(wrong.fileName()), QByteArray(4096, 'x'));
    }
};

QTEST_MAIN(TestFrmPlorn)
#include "tst_frmplorn.moc"
