#include "app/JetReadingMode.h"
#include "app/StartUp.h"
#include "ledger/LedgerFile.h"
#include "support/JetLedgers.h"
#include "support/RecordedFailures.h"
#include "support/WidgetDriving.h"
#include "ui/main/frmPlorn.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"
#include "ui/toolkit/TerminationSignals.h"

#include <QApplication>
#include <QDir>
#include <QJsonObject>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>

namespace {

// The program's start: the window loads through the start-up step, then shows.
std::unique_ptr<frmPlorn> Start(const QString& folder, HandlerGuard& guard)
{
    std::unique_ptr<frmPlorn> window = OpenMainWindow(folder, guard);
    if (window)
        window->show();
    return window;
}

QStringList Entries(const frmPlorn& window)
{
    return EntriesOf(*window.findChild<PersonList*>(QStringLiteral("cmbPers")));
}

} // namespace

class TestJetWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void convertsOnceAtStart_data()
    {
        QUENTARIL_REQUIRE_JET_WRITER();
        AddJetVersionRows();
    }

    void convertsOnceAtStart()
    {
        QFETCH(int, jetVersion);
        JetLedgers jet;
        const QString fixture = jet.standardFixture(jetVersion);
        QUENTARIL_VERIFY_JET_LEDGER(jet, fixture);
        QTemporaryDir folder;
        PlaceAsLedger(fixture, folder.path());
        const QString kept = QDir(folder.path()).filePath(QStringLiteral("BDPLORN.jet.mdb"));
        MessageBoxSeam boxes;
        RecordedFailures failures;
        {
            const auto window = Start(folder.path(), failures.guard());
            QVERIFY2(!failures.failed(), qPrintable(failures.messages().join(QLatin1Char('\n'))));
            QCOMPARE(boxes.shown().size(), std::size_t(1));
            const MessageBoxSeam::Shown& box = boxes.shown().front();
            QCOMPARE(box.icon, MessageIcon::Information);
            QCOMPARE(box.buttons, MessageButtons::Ok);
            QCOMPARE(box.text, QStringLiteral("Le registre au format Access a été converti : 7 personnes ont été "
                                              "reprises.\r\nL'original est conservé tel quel sous le nom %1. Ce "
                                              "fichier n'a pas la protection du programme : tout ce qu'il contient "
                                              "peut être lu sans lui. Vous pourrez le supprimer une fois vos personnes "
                                              "vérifiées.\r\n\r\n"
                                              "Ces personnes ont reçu un nouveau nom, car plusieurs portaient le même "
                                              "nom, ou aucun :\r\n« Dup » → « Dup (2) »")
                                   .arg(QDir::toNativeSeparators(kept)));

            QCOMPARE(Entries(*window), (QStringList{"alice", "Bob", "Dup", "Dup (2)", "Émile", "Varnokel", "Zoé"}));
            const auto* list = window->findChild<PersonList*>(QStringLiteral("cmbPers"));
            const auto* notes = window->findChild<NotesBox*>(QStringLiteral("txtPlorn"));
            QCOMPARE(list->currentIndex(), 0);
            QCOMPARE(notes->text().toUtf8(), StandardFixtureRows()[2].notes);
            QVERIFY(window->close());
        }
        const auto afterFirstStart = FolderSnapshot(folder.path());
        QCOMPARE(afterFirstStart.keys(), (QStringList{QStringLiteral("BDPLORN.jet.mdb"), LedgerFileName}));

        // The second start opens the converted ledger as it is.
        boxes.clear();
        const auto window = Start(folder.path(), failures.guard());
        QVERIFY(!failures.failed());
        QVERIFY(boxes.shown().empty());
        QCOMPARE(Entries(*window).size(), 7);
        QVERIFY(window->close());
        QCOMPARE(FolderSnapshot(folder.path()), afterFirstStart);
    }

    // The conversion's message is shown before any window: it stands in the middle of the screen, not in a
    // corner.
    void theConversionMessageIsCentred()
    {
        JetLedgers jet;
        QTemporaryDir folder;
        PlaceAsLedger(jet.standardFixture(4), folder.path());
        RecordedFailures failures;
        QPoint boxCentre;
        QPoint screenCentre;
        AnswerNextModalBox(this, [&](QMessageBox* box) {
            boxCentre = box->frameGeometry().center();
            screenCentre = box->screen()->availableGeometry().center();
            box->accept();
        });
        const auto window = Start(folder.path(), failures.guard());
        QVERIFY(window);
        QVERIFY(!screenCentre.isNull());
        QVERIFY2((boxCentre - screenCentre).manhattanLength() <= 40,
                 qPrintable(QStringLiteral("box centred at %1,%2, screen at %3,%4")
                                .arg(boxCentre.x())
                                .arg(boxCentre.y())
                                .arg(screenCentre.x())
                                .arg(screenCentre.y())));
        QVERIFY(window->close());
    }

    // A termination signal while the conversion's message is open: the box closes, the start-up finishes its
    // work, and the program knows it must end rather than show its window.
    void aTerminationSignalDuringTheConversionMessage()
    {
        JetLedgers jet;
        QTemporaryDir folder;
        PlaceAsLedger(jet.standardFixture(4), folder.path());
        RecordedFailures failures;
        TerminationSignals termination(failures.guard());
        AnswerNextModalBox(this, [](QMessageBox*) { ::raise(SIGTERM); });
        const std::unique_ptr<frmPlorn> window = OpenMainWindow(folder.path(), failures.guard());
        QVERIFY(window);
        QVERIFY(failures.guard().endRequested());
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(!failures.failed());
        QCOMPARE(Entries(*window).size(), 7);
    }

    void aWrongPasswordEndsTheProgram()
    {
        QUENTARIL_REQUIRE_JET_WRITER();
        JetLedgers jet;
        QTemporaryDir folder;
        const QJsonArray rows{QJsonObject{{QStringLiteral("NomPers"), QStringLiteral("Léa")},
                                          {QStringLiteral("LesPlorns"), QStringLiteral("5 €")}}};
        const QString ledger = jet.generate(4, rows, QStringLiteral("secret"));
        QUENTARIL_VERIFY_JET_LEDGER(jet, ledger);
        PlaceAsLedger(ledger, folder.path());
        const auto before = FolderSnapshot(folder.path());
        MessageBoxSeam boxes;
        RecordedFailures failures;
        Start(folder.path(), failures.guard());
        QCOMPARE(failures.messages().size(), 1);
        QVERIFY2(failures.messages().front().contains(QStringLiteral("son mot de passe n'est pas celui du registre")),
                 qPrintable(failures.messages().front()));
        QCOMPARE(boxes.shown().size(), std::size_t(1));
        QCOMPARE(boxes.shown().front().icon, MessageIcon::Error);
        QCOMPARE(FolderSnapshot(folder.path()), before);
    }
};

// The start-up reads the Access file in a second copy of this executable, as the program does.
int main(int argc, char* argv[])
{
    RunJetReadingModeIfAsked(argc, argv);
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestJetWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_jet_window.moc"
