#include "support/MainWindowFixture.h"
#include "support/TempLedger.h"
#include "ui/print/NotesSlices.h"
#include "ui/print/PrintDialogs.h"
#include "ui/toolkit/Clock.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"
#include "ui/words/PrintWords.h"

#include <QAction>
#include <QDir>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <cerrno>

namespace {

const QString Alice = QStringLiteral("Alice");
const QString AliceNotes = QStringLiteral("Alice doit 10 €");

// The page count a PDF declares in its page tree; 0 when it is no PDF of ours.
int PdfPages(const QString& path)
{
    const QByteArray bytes = FileBytes(path);
    if (!bytes.startsWith("%PDF"))
        return 0;
    const QRegularExpressionMatch count =
        QRegularExpression(QStringLiteral("/Type /Pages\\s*/Kids\\s*\\[[^\\]]*\\]\\s*/Count (\\d+)"))
            .match(QString::fromLatin1(bytes));
    return count.hasMatch() ? count.captured(1).toInt() : 0;
}

QAction* Command(Fixture& f, const char* name)
{
    return f.window->findChild<QAction*>(QString::fromLatin1(name));
}

} // namespace

class TestPrint : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }
    void cleanup() { CloseEveryWindow(); }

    // The PDF holds what the box shows, unsaved edits included, and is no save: the ledger keeps its notes and the
    // box stays changed. It is private whatever the umask, leaves no temporary file, and its folder is offered next.
    void exportWritesTheNotesShown()
    {
        const Umask usual(022);
        const ClockSeam clock(QDateTime(QDate(2026, 12, 8), QTime(9, 30)));
        Fixture f({{Alice, AliceNotes}});
        PrintDialogsSeam dialogs;
        f.start();
        QTemporaryDir folder;
        const QString shortPdf = folder.filePath(QStringLiteral("court.pdf"));
        const QString longPdf = folder.filePath(QStringLiteral("long.pdf"));
        dialogs.queuePath(shortPdf);
        Command(f, "actPdf")->trigger();
        f.notes->replaceText(PagesOfNotes(QStringLiteral("Alice"), 200'000));
        dialogs.queuePath(longPdf);
        Command(f, "actPdf")->trigger();

        QVERIFY(f.boxes.shown().empty());
        QVERIFY(!f.failures.failed());
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"court.pdf", "long.pdf"}));
        QCOMPARE(PdfPages(shortPdf), 1);
        QVERIFY2(PdfPages(longPdf) > 20, qPrintable(QString::number(PdfPages(longPdf))));
        QCOMPARE(FileMode(shortPdf), mode_t(0600));
        QCOMPARE(FileMode(longPdf), mode_t(0600));
        QCOMPARE(f.stored(Alice), AliceNotes);
        QVERIFY(f.notes->isChanged());
        QCOMPARE(dialogs.asked().size(), size_t(2));
        QCOMPARE(dialogs.asked()[0].filter, PdfFilter);
        QCOMPARE(QFileInfo(dialogs.asked()[0].proposed).fileName(), QStringLiteral("Relevé Alice 2026-12-08.pdf"));
        QCOMPARE(QFileInfo(dialogs.asked()[1].proposed).absolutePath(), QFileInfo(folder.path()).absoluteFilePath());
    }

    // Stopped midway, nothing is left: no temporary file, and a file already under the chosen name stays whole.
    void stoppingLeavesNothing()
    {
        Fixture f({{Alice, AliceNotes}});
        PrintDialogsSeam dialogs;
        f.start();
        QTemporaryDir folder;
        const QString pdf = folder.filePath(QStringLiteral("relevé.pdf"));
        WriteFile(pdf, "gardé");
        f.notes->replaceText(PagesOfNotes(QStringLiteral("Alice"), 2'000'000));
        dialogs.queuePath(pdf);
        // Stopped once the PDF is being written under its temporary name.
        bool stopped = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            auto* progress = f.window->findChild<QProgressDialog*>();
            auto* stop = progress ? progress->findChild<QPushButton*>() : nullptr;
            if (stopped || !stop || QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size() < 2)
                return;
            QCOMPARE(stop->text(), StopCaption);
            stop->click();
            stopped = true;
        });
        watch.start(1);
        Command(f, "actPdf")->trigger();
        QVERIFY(stopped);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"relevé.pdf"});
        QCOMPARE(FileBytes(pdf), QByteArray("gardé"));
        QVERIFY(f.boxes.shown().empty());
    }

    void aFolderThatCannotBeWrittenIsTold_data()
    {
        QTest::addColumn<QString>("inFolder");
        QTest::addColumn<int>("error");
        QTest::newRow("missing folder") << "manquant" << ENOENT;
        QTest::newRow("a file, not a folder") << "fichier" << ENOTDIR;
    }
    void aFolderThatCannotBeWrittenIsTold()
    {
        QFETCH(QString, inFolder);
        QFETCH(int, error);
        Fixture f({{Alice, AliceNotes}});
        PrintDialogsSeam dialogs;
        f.start();
        QTemporaryDir folder;
        WriteFile(folder.filePath(QStringLiteral("fichier")), "x");
        const QString pdf = folder.filePath(inFolder + QStringLiteral("/relevé.pdf"));
        dialogs.queuePath(pdf);
        Command(f, "actPdf")->trigger();
        QCOMPARE(f.boxes.shown().size(), size_t(1));
        QCOMPARE(f.boxes.shown()[0].text, PdfFailure(pdf, error));
        QVERIFY(f.boxes.shown()[0].text.contains(pdf));
        QCOMPARE(f.boxes.shown()[0].icon, MessageIcon::Error);
        QVERIFY(!QFileInfo::exists(pdf));
        // Only a written PDF's folder is offered again.
        dialogs.queuePath(folder.filePath(QStringLiteral("ok.pdf")));
        Command(f, "actPdf")->trigger();
        QVERIFY(!dialogs.asked()[1].proposed.startsWith(folder.path()));
    }

    void theNotesTakenInSlicesAreTheBoxText_data()
    {
        QTest::addColumn<QString>("notes");
        QTest::newRow("empty") << QString();
        QTest::newRow("empty lines, last one too") << "a\r\n\r\nb\r\n";
        QTest::newRow("non-breaking spaces") << "20\u00A0€, « oui »";
        QTest::newRow("line separator") << "avant\u2028après";
        QTest::newRow("many slices") << PagesOfNotes(QStringLiteral("Zoé"), 300'000);
    }
    void theNotesTakenInSlicesAreTheBoxText()
    {
        QFETCH(QString, notes);
        NotesBox box;
        box.loadText(QStringLiteral("x"));
        // Put in as typed: a line separator stays one inside its paragraph.
        QTextCursor(box.document()).insertText(notes);
        NotesSlices slices(*box.document());
        while (!slices.takeFor(std::chrono::milliseconds(1))) {
        }
        QVERIFY(slices.whole());
        QCOMPARE(slices.take(), box.text());
    }

    // Ctrl+P prints from anywhere in the window, the same pages as the PDF; with no one in the ledger, neither
    // command can be used.
    void printingFromAnywhereAndOnlyForSomeone()
    {
        Fixture f({{Alice, AliceNotes}});
        PrintDialogsSeam dialogs;
        f.start();
        f.notes->replaceText(PagesOfNotes(QStringLiteral("Alice"), 50'000));
        QTemporaryDir folder;
        const QString printed = folder.filePath(QStringLiteral("imprimé.pdf"));
        const QString exported = folder.filePath(QStringLiteral("exporté.pdf"));
        dialogs.queuePrinter([&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(printed);
        });
        f.list->setFocus();
        QTest::keyClick(f.list, Qt::Key_P, Qt::ControlModifier);
        dialogs.queuePath(exported);
        Command(f, "actPdf")->trigger();
        QVERIFY(PdfPages(printed) > 1);
        QCOMPARE(PdfPages(printed), PdfPages(exported));
        QCOMPARE(f.stored(Alice), AliceNotes);

        Fixture empty;
        empty.file.open().DeletePerson(ReservedPersonName);
        empty.start();
        QVERIFY(!Command(empty, "actPrint")->isEnabled());
        QVERIFY(!Command(empty, "actPdf")->isEnabled());
    }
};

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
