#include "support/MainWindowFixture.h"
#include "support/RecordedFailures.h"
#include "ui/about/LinkLabel.h"
#include "ui/about/UserGuide.h"
#include "ui/about/frmAbout.h"
#include "ui/main/frmPlorn.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/toolkit/ShellOpen.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

namespace {

// Set in a copy of this test run under another name: where that copy writes what its About window shows.
const char* const ShownReportVariable = "QUENTARIL_ABOUT_SHOWN_REPORT";
const QString Comments = QStringLiteral("Programme permetant de gerer ses plorns");

template <typename Control> Control* Find(QWidget* window, const char* name)
{
    return window->findChild<Control*>(QString::fromLatin1(name));
}

// The main window on a new ledger, closed as the user closes it (destroyed on closing, like the program's).
struct MainWindow {
    MainWindow()
    {
        window = new frmPlorn(file.folder(), failures.guard());
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->Form_Load();
        window->show();
    }
    ~MainWindow() { delete window.data(); }
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    void pressAbout() const { QTest::mouseClick(Find<QPushButton>(window, "cmdAbout"), Qt::LeftButton); }

    TempLedger file;
    MessageBoxSeam boxes;
    RecordedFailures failures;
    QPointer<frmPlorn> window;
};

// What the About window says of the program: its title, then its name, version and comments boxes.
QStringList ShownProgram(frmAbout* about)
{
    return {about->windowTitle(), Find<QLineEdit>(about, "txtProg")->text(),
            Find<QLineEdit>(about, "txtVersion")->text(), Find<QPlainTextEdit>(about, "txtComments")->toPlainText()};
}

// What it must say when the program's file has `baseName` for name, extension aside.
QStringList ExpectedProgram(const QString& baseName)
{
    return {QStringLiteral("A propos de ") + baseName + QStringLiteral(" 1.1.2"), baseName, QStringLiteral("1.1.2"),
            Comments};
}

} // namespace

class TestFrmAbout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        CloseEveryWindow();
        QVERIFY(AboutWindows().isEmpty());
    }

    void showsTheRunningProgram()
    {
        frmAbout* about = OpenAboutWindow();
        QVERIFY(about);
        QCOMPARE(ShownProgram(about), ExpectedProgram(QStringLiteral("tst_frmabout")));
    }

    void showsTheNameOfARenamedExecutable_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("baseName");
        QTest::newRow("with an extension") << QStringLiteral("MesPlorns.exe") << QStringLiteral("MesPlorns");
        QTest::newRow("without one") << QStringLiteral("carnet-de-plorns") << QStringLiteral("carnet-de-plorns");
    }

    void showsTheNameOfARenamedExecutable()
    {
        if (const QString report = qEnvironmentVariable(ShownReportVariable); !report.isEmpty()) {
            // This is the renamed copy: it says what it shows, and the test that started it checks.
            frmAbout* about = OpenAboutWindow();
            QVERIFY(about);
            WriteFile(report, ShownProgram(about).join(QLatin1Char('\n')).toUtf8());
            return;
        }

        QFETCH(QString, fileName);
        QFETCH(QString, baseName);
        QTemporaryDir dir;
        const QString copy = dir.filePath(fileName);
        const QString report = dir.filePath(QStringLiteral("shown.txt"));
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), copy));
        QProcess run;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(ShownReportVariable), report);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        run.setProcessEnvironment(environment);
        run.setProcessChannelMode(QProcess::MergedChannels);
        run.start(copy,
                  {QStringLiteral("showsTheNameOfARenamedExecutable:") + QString::fromUtf8(QTest::currentDataTag())});
        QVERIFY(run.waitForFinished(120000));
        const QByteArray output = run.readAll();
        QVERIFY2(run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0, output.constData());
        QCOMPARE(QString::fromUtf8(FileBytes(report)).split(QLatin1Char('\n')), ExpectedProgram(baseName));
    }

    void theAboutButtonKeepsOneWindow()
    {
        MainWindow main;
        QVERIFY(QTest::qWaitForWindowActive(main.window));
        main.pressAbout();
        QCOMPARE(AboutWindows().size(), 1);
        QPointer<frmAbout> first = AboutWindows().first();
        QVERIFY(QTest::qWaitForWindowActive(first));
        QVERIFY(first->isVisible());

        // A second press brings the same window to the front, as it was left.
        auto* shownName = Find<QLineEdit>(first, "txtProg");
        shownName->setText(QStringLiteral("laissé tel quel"));
        first->move(first->pos() + QPoint(40, 30));
        main.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main.window));
        main.pressAbout();
        QCOMPARE(AboutWindows(), QList<frmAbout*>{first});
        QVERIFY(QTest::qWaitForWindowActive(first));
        QCOMPARE(shownName->text(), QStringLiteral("laissé tel quel"));

        // Closed, it is gone; the next press makes a new one, filled and centred again.
        first->close();
        QVERIFY(AboutWindows().isEmpty());
        QVERIFY(!first);
        main.pressAbout();
        QCOMPARE(AboutWindows().size(), 1);
        frmAbout* second = AboutWindows().first();
        QCOMPARE(Find<QLineEdit>(second, "txtProg")->text(), QStringLiteral("tst_frmabout"));
        QTRY_COMPARE(second->frameGeometry().center(), second->screen()->availableGeometry().center());
        QVERIFY(!main.failures.failed());
    }

    void theAboutWindowOutlivesTheMainWindow()
    {
        MainWindow main;
        QVERIFY(QTest::qWaitForWindowActive(main.window));
        main.pressAbout();
        QCOMPARE(AboutWindows().size(), 1);
        QPointer<frmAbout> about = AboutWindows().first();

        // The process ends when its last window closes: watch for that while the user closes the main
        // window first, then the About window.
        QStringList events;
        QObject watch;
        connect(qApp, &QGuiApplication::lastWindowClosed, &watch, [&] { events << QStringLiteral("last closed"); });
        QTimer::singleShot(0, &watch, [&] {
            main.window->close();
            events << QStringLiteral("main closed");
            QTimer::singleShot(50, &watch, [&] {
                events << (about && about->isVisible() ? QStringLiteral("about open") : QStringLiteral("about gone"));
                events << QStringLiteral("closing about");
                if (about)
                    about->close();
            });
        });
        QTimer::singleShot(20000, &watch, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);

        QCOMPARE(events, (QStringList{QStringLiteral("main closed"), QStringLiteral("about open"),
                                      QStringLiteral("closing about"), QStringLiteral("last closed")}));
        QVERIFY(!main.window);
    }

    void bothLinksOpenTheMakersSite()
    {
        frmAbout* about = OpenAboutWindow();
        QVERIFY(about);
        auto* site = Find<LinkLabel>(about, "lblSite");
        auto* maker = Find<LinkLabel>(about, "lblVarnokel");
        QVERIFY(site && maker);
        QCOMPARE(maker->text(), QStringLiteral("Varnokel"));
        const QString title = about->windowTitle();

        ShellOpenSeam shell;
        QTest::mouseClick(site, Qt::LeftButton);
        QTest::mouseClick(maker, Qt::LeftButton);
        QCOMPARE(shell.opened().size(), std::size_t(2));
        QCOMPARE(shell.opened()[0], shell.opened()[1]);
        // What the link shows is where it leads.
        QCOMPARE(shell.opened()[0].host(), site->text());
        QVERIFY(shell.opened()[0].isValid());
        QVERIFY(about->isVisible());
        QCOMPARE(about->windowTitle(), title);
        QCOMPARE(AboutWindows().size(), 1);

        // A press that leaves the link before the button comes up is not a click.
        QTest::mousePress(site, Qt::LeftButton);
        QTest::mouseRelease(site, Qt::LeftButton, {}, QPoint(site->width() + 20, 5));
        QCOMPARE(shell.opened().size(), std::size_t(2));

        for (LinkLabel* link : {site, maker}) {
            QCOMPARE(link->cursor().shape(), Qt::BitmapCursor);
            QCOMPARE(link->cursor().hotSpot(), QPoint(12, 1));
            QCOMPARE(link->cursor().pixmap().size(), QSize(32, 32));
        }
        QCOMPARE(site->toolTip(), QStringLiteral("Aller Sur Le Site Web"));
        QVERIFY(maker->toolTip().isEmpty());
    }

    void f1OpensTheGuideFromEitherWindow_data()
    {
        QTest::addColumn<bool>("fromAbout");
        QTest::addColumn<bool>("guideBuilt");
        QTest::addColumn<bool>("browserStarts");
        for (const bool fromAbout : {false, true}) {
            const char* window = fromAbout ? "about" : "main";
            QTest::addRow("%s window, browser", window) << fromAbout << true << true;
            QTest::addRow("%s window, no browser", window) << fromAbout << true << false;
            QTest::addRow("%s window, guide missing", window) << fromAbout << false << true;
        }
    }

    void f1OpensTheGuideFromEitherWindow()
    {
        QFETCH(bool, fromAbout);
        QFETCH(bool, guideBuilt);
        QFETCH(bool, browserStarts);
        QTemporaryDir emptyFolder;
        // The build puts the guide beside the program, in the build's top folder.
        ProgramFolderSeam programFolder(guideBuilt ? QStringLiteral(QUENTARIL_BUILD_FOLDER) : emptyFolder.path());
        const QString guide = UserGuidePlaces(programFolder.folder()).constFirst();

        MainWindow main;
        QWidget* window = main.window;
        if (fromAbout)
            window = OpenAboutWindow();
        QVERIFY(window && QTest::qWaitForWindowActive(window));
        const QString title = window->windowTitle();
        ShellOpenSeam shell;
        if (!browserStarts)
            shell.answerNoBrowser();
        QTest::keyClick(window->windowHandle(), Qt::Key_F1);

        if (!guideBuilt) {
            QCOMPARE(shell.opened().size(), std::size_t(0));
            QCOMPARE(main.boxes.shown().size(), std::size_t(1));
            QVERIFY(main.boxes.shown()[0].text.contains(guide));
            QCOMPARE(main.boxes.shown()[0].icon, MessageIcon::Error);
            return;
        }
        QCOMPARE(shell.opened().size(), std::size_t(1));
        const QUrl opened = shell.opened()[0];
        QVERIFY(opened.isLocalFile());
        QCOMPARE(opened.toLocalFile(), guide);
        QVERIFY(QFileInfo(guide).size() > 0);
        if (browserStarts) {
            QCOMPARE(main.boxes.shown().size(), std::size_t(0));
        } else {
            QCOMPARE(main.boxes.shown().size(), std::size_t(1));
            QVERIFY(main.boxes.shown()[0].text.contains(QStringLiteral("navigateur")));
            QVERIFY(main.boxes.shown()[0].text.contains(guide));
        }
        QCOMPARE(window->windowTitle(), title);
        QVERIFY(!main.failures.failed());
    }

    void keysCloseItOnlyThroughTheButton()
    {
        frmAbout* about = OpenAboutWindow();
        QVERIFY(about);
        QCOMPARE(QApplication::focusWidget(), Find<QPushButton>(about, "cmdQuit"));
        QPointer<frmAbout> watched = about;

        QTest::keyClick(about->windowHandle(), Qt::Key_Escape);
        Find<QPlainTextEdit>(about, "txtComments")->setFocus();
        QTest::keyClick(about->windowHandle(), Qt::Key_Escape);
        QVERIFY(watched && watched->isVisible());

        // An access key presses the button the way a click does, after a short push-down.
        QTest::keyClick(about->windowHandle(), Qt::Key_F, Qt::AltModifier);
        QTRY_VERIFY(AboutWindows().isEmpty());
        QVERIFY(!watched);

        // Enter presses "Fermer", which has the focus as soon as the window opens.
        about = OpenAboutWindow();
        QVERIFY(about);
        watched = about;
        QTest::keyClick(about->windowHandle(), Qt::Key_Return);
        QVERIFY(AboutWindows().isEmpty());
        QVERIFY(!watched);
    }

    void tabVisitsTheButtonAndTheThreeBoxes()
    {
        frmAbout* about = OpenAboutWindow();
        QVERIFY(about);
        const QList<QWidget*> cycle{Find<QPushButton>(about, "cmdQuit"), Find<QLineEdit>(about, "txtProg"),
                                    Find<QLineEdit>(about, "txtVersion"), Find<QPlainTextEdit>(about, "txtComments"),
                                    Find<QPushButton>(about, "cmdQuit")};
        QCOMPARE(QApplication::focusWidget(), cycle.first());
        for (qsizetype step = 1; step < cycle.size(); ++step) {
            QTest::keyClick(about->windowHandle(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), cycle[step]);
        }
    }

    void theBoxesCanBeCopiedButNotChanged()
    {
        frmAbout* about = OpenAboutWindow();
        QVERIFY(about);
        const QList<QWidget*> boxes{Find<QLineEdit>(about, "txtProg"), Find<QLineEdit>(about, "txtVersion"),
                                    Find<QPlainTextEdit>(about, "txtComments")};
        const auto textOf = [](QWidget* box) {
            if (auto* line = qobject_cast<QLineEdit*>(box))
                return line->text();
            return qobject_cast<QPlainTextEdit*>(box)->toPlainText();
        };
        QWindow* window = about->windowHandle();
        for (QWidget* box : boxes) {
            const QString before = textOf(box);
            box->setFocus();
            for (const char typed : {'x', 'y', 'z'})
                QTest::keyClick(window, typed);
            QTest::keyClick(window, Qt::Key_Backspace);
            QTest::keyClick(window, Qt::Key_Home);
            QTest::keyClick(window, Qt::Key_Delete);
            QTest::keyClick(window, Qt::Key_Return);
            QGuiApplication::clipboard()->setText(QStringLiteral("collé"));
            QTest::keyClick(window, Qt::Key_V, Qt::ControlModifier);
            QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(window, Qt::Key_X, Qt::ControlModifier);
            QCOMPARE(textOf(box), before);
            QVERIFY(about->isVisible());

            QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(window, Qt::Key_C, Qt::ControlModifier);
            QCOMPARE(QGuiApplication::clipboard()->text(), before);
        }
    }

    void theCommentsWrapAndTheCaretBringsHiddenLinesIntoView()
    {
        frmAbout* about = OpenAboutWindow();
        QVERIFY(about);
        auto* comments = Find<QPlainTextEdit>(about, "txtComments");
        QVERIFY(comments->document()->firstBlock().layout()->lineCount() > 1);
        QCOMPARE(comments->horizontalScrollBar()->maximum(), 0);

        QStringList lines;
        for (int line = 1; line <= 20; ++line)
            lines << QStringLiteral("ligne %1").arg(line);
        comments->setPlainText(lines.join(QLatin1Char('\n')));
        comments->setFocus();
        QCOMPARE(comments->verticalScrollBar()->value(), 0);
        for (int line = 1; line < 20; ++line)
            QTest::keyClick(about->windowHandle(), Qt::Key_Down);
        QCOMPARE(comments->textCursor().blockNumber(), 19);
        QVERIFY(comments->verticalScrollBar()->value() > 0);
        QVERIFY(comments->viewport()->rect().contains(comments->cursorRect()));
        QVERIFY(!comments->verticalScrollBar()->isVisible());
        QVERIFY(!comments->horizontalScrollBar()->isVisible());
    }

    void textsFitTheirPlaces()
    {
        frmAbout* about = OpenAboutWindow();
        QVERIFY(about);
        for (QLabel* label : about->findChildren<QLabel*>()) {
            if (label->text().isEmpty())
                continue; // the banner
            const QFontMetrics metrics(label->font());
            const QRect needed = metrics.boundingRect(QRect(0, 0, label->width(), 10000),
                                                      label->alignment().toInt() | Qt::TextWordWrap, label->text());
            QVERIFY2(needed.height() <= label->height() && needed.width() <= label->width(),
                     qPrintable(label->objectName()));
            if (!label->wordWrap())
                QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->width(), qPrintable(label->objectName()));
        }
    }

    void theImagesAreBuiltIn()
    {
        const QImage banner(QStringLiteral(":/assets/banner.jpg"));
        QCOMPARE(banner.size(), QSize(548, 86));
        QVERIFY(!banner.isGrayscale());
        for (const QString& icon : {QStringLiteral("main"), QStringLiteral("about")}) {
            for (const int size : {32, 16}) {
                const QImage image(QStringLiteral(":/assets/%1-icon-%2.png").arg(icon).arg(size));
                QCOMPARE(image.size(), QSize(size, size));
                QVERIFY(image.colorCount() > 0 && image.colorCount() <= 16);
            }
        }
        QCOMPARE(QImage(QStringLiteral(":/assets/link-cursor.png")).size(), QSize(32, 32));

        frmAbout* about = OpenAboutWindow();
        QVERIFY(about);
        QCOMPARE(Find<QLabel>(about, "Image2")->pixmap().size(), QSize(548, 86));
        const QList<QSize> iconSizes = about->windowIcon().availableSizes();
        QVERIFY(iconSizes.contains(QSize(32, 32)) && iconSizes.contains(QSize(16, 16)));
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
