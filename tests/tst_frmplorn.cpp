#include "ProgramIdentity.h"
#include "ledger/LedgerError.h"
#include "support/FaultVfs.h"
#include "support/MainWindowFixture.h"
#include "support/TempLedger.h"
#include "ui/main/frmPlorn.h"
#include "ui/toolkit/FailureGuard.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/toolkit/NameBox.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"
#include "ui/toolkit/TerminationSignals.h"

#include <QApplication>
#include <QTest>
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
        QCOMPARE(f.list->entryCount(), 1);
        QCOMPARE(f.notes->text(), f.stored(ReservedPersonName).value());
        QTRY_COMPARE(QApplication::focusWidget(), f.name);
    }

    void anEmptyTableOpens()
    {
        Fixture f;
        f.file.open().DeletePerson(ReservedPersonName);
        f.start();
        QCOMPARE(f.list->entryCount(), 0);
        QVERIFY(f.notes->text().isEmpty());
        f.type(QStringLiteral("personne"));
        f.openAndCloseTheList();
        f.window->close();
        QVERIFY(!f.window->isVisible());
        QVERIFY(!f.failures.failed());
        QVERIFY(f.file.open().ListPersons().isEmpty());
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

    void unchangedNotesAreNotWrittenBack()
    {
        Fixture f(TwoPersons());
        f.start();
        // Another program changes the row meanwhile: opening the list must not undo that.
        f.file.open().SaveNotes(Alice, QStringLiteral("changé ailleurs, l'ami"));
        f.openAndCloseTheList();
        f.window->close();
        QCOMPARE(f.stored(Alice), std::optional<QString>(QStringLiteral("changé ailleurs, l'ami")));
    }

    void theReservedEntryIsNeverSavedOver()
    {
        Fixture f;
        f.start();
        const std::optional<QString> welcome = f.stored(ReservedPersonName);
        f.type(QStringLiteral("l'ajout"));
        f.openAndCloseTheList();
        QVERIFY(f.notes->text().endsWith(QStringLiteral("l'ajout")));
        f.window->close();
        QCOMPARE(f.stored(ReservedPersonName), welcome);
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

    void aQuietSwitchAwayFromTheReservedEntryDropsItsEdits()
    {
        Fixture f({{QStringLiteral("Zoé"), QStringLiteral("z")}});
        f.start();
        f.list->selectIndex(0);
        QCOMPARE(f.list->currentText(), ReservedPersonName);
        const std::optional<QString> welcome = f.stored(ReservedPersonName);
        f.type(QStringLiteral("x"));
        f.list->setFocus();
        QTest::keyClick(f.list, Qt::Key_Down);
        QCOMPARE(f.list->currentText(), QStringLiteral("Zoé"));
        QCOMPARE(f.stored(ReservedPersonName), welcome);
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
        QCOMPARE(f.boxes.shown().back().text, QStringLiteral("database or disk is full"));
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
        QVERIFY(f.boxes.shown().back().text.startsWith(QStringLiteral("database or disk is full")));
        QCOMPARE(f.notes->text(), typed);
        QVERIFY(!f.failures.failed());

        // Room again: the next save point writes them.
        faults.failWrites(0);
        f.openAndCloseTheList();
        QCOMPARE(f.stored(Alice), std::optional<QString>(typed));
        QVERIFY(!f.notes->isChanged());
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
        TerminationSignals termination;
        f.start();
        f.type(QStringLiteral(" (rappel)"));
        ::raise(SIGTERM);
        QTRY_VERIFY(!f.window->isVisible());
        QVERIFY(termination.requested());
        QCOMPARE(f.stored(Alice), std::optional<QString>(QStringLiteral("Alice doit 10 € (rappel)")));
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
            FailureSeam failures;
            frmPlorn window(folder.path());
            RunGuarded([&window] { window.Form_Load(); });
            QCOMPARE(failures.messages(), QStringList{QStringLiteral("file is encrypted or is not a database")});
            QCOMPARE(boxes.shown().size(), size_t(1));
            QCOMPARE(boxes.shown().front().icon, MessageIcon::Error);
        }

        // Without the failure seam, the process ends with a failure status.
        const pid_t child = ::fork();
        if (child == 0) {
            MessageBoxSeam quiet;
            frmPlorn doomed(folder.path());
            RunGuarded([&doomed] { doomed.Form_Load(); });
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
