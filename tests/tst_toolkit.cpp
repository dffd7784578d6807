#include "app/ProgramLife.h"
#include "ledger/LedgerError.h"
#include "support/RecordedFailures.h"
#include "support/WidgetDriving.h"
#include "ui/toolkit/Activation.h"
#include "ui/toolkit/Look.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/toolkit/NameBox.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"
#include "ui/toolkit/ShellOpen.h"
#include "ui/toolkit/Translations.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCollator>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <cstdlib>
#include <new>
#include <sqlite3.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void ShowAndActivate(QWidget& window)
{
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

// Written to by an exit handler, which an orderly exit would run and an immediate one does not.
int orderlyExitMarker = -1;
void MarkOrderlyExit()
{
    if (orderlyExitMarker >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(orderlyExitMarker, "x", 1);
    }
}

// Names as the program gives them: keyed by their UTF-8 bytes.
const QList<QByteArray> People = {QStringLiteral("Zoé").toUtf8(), QStringLiteral("émile").toUtf8(),
                                  QByteArrayLiteral("Bob"), QByteArrayLiteral("alice")};

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    PaintCounter(QWidget* widget, int& count) : count_(count) { widget->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count_;
        return QObject::eventFilter(watched, event);
    }

private:
    int& count_;
};

// WCAG's contrast ratio of two colours.
double ContrastRatio(const QColor& first, const QColor& second)
{
    const auto luminance = [](const QColor& colour) {
        const auto linear = [](double channel) {
            return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
    };
    const double lighter = std::max(luminance(first), luminance(second));
    const double darker = std::min(luminance(first), luminance(second));
    return (lighter + 0.05) / (darker + 0.05);
}

// The pixels of `control` that taking the keyboard focus (from `elsewhere`) changes by 3:1 or more, as painted:
// the focus indicator, where it stands out from the colours it covers.
int PixelsTheFocusMarks(QWidget* control, QWidget* elsewhere)
{
    elsewhere->setFocus();
    QCoreApplication::processEvents();
    const QImage unfocused = control->grab().toImage();
    control->setFocus();
    QCoreApplication::processEvents();
    if (!control->hasFocus())
        return 0;
    const QImage focused = control->grab().toImage();
    int marked = 0;
    for (int y = 0; y < focused.height(); ++y) {
        for (int x = 0; x < focused.width(); ++x)
            marked += ContrastRatio(focused.pixelColor(x, y), unfocused.pixelColor(x, y)) >= 3;
    }
    return marked;
}

} // namespace

class TestToolkit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { InstallFrenchTranslations(*QCoreApplication::instance()); }
    void cleanup()
    {
        const QWidgetList left = QApplication::topLevelWidgets();
        QVERIFY(std::none_of(left.begin(), left.end(), [](QWidget* w) { return w->isVisible(); }));
    }

    void personListKeepsFrenchOrder()
    {
        FilledList list;
        list.fill(People);
        const QStringList expected{"alice", "Bob", "émile", "Zoé"};
        QCOMPARE(EntriesOf(list), expected);
        // Each key follows its text.
        for (int i = 0; i < 4; ++i)
            QCOMPARE(list.keyAt(i), expected.at(i).toUtf8());

        // Names that collate equal keep one order whatever the input order; so do equal texts of other keys.
        const QString composed = QStringLiteral("\u00e9mile");
        const QString decomposed = QStringLiteral("e\u0301mile");
        QCOMPARE(QCollator(QLocale(QLocale::French, QLocale::France)).compare(composed, decomposed), 0);
        // Shown alike, as U+FFFD.
        const QByteArray shownAlike("\xFF");
        const QByteArray shownAlikeToo("\xFE");
        for (const auto& input :
             {QList<QByteArray>{composed.toUtf8(), decomposed.toUtf8(), shownAlike, shownAlikeToo},
              QList<QByteArray>{shownAlikeToo, shownAlike, decomposed.toUtf8(), composed.toUtf8()}}) {
            FilledList equal;
            equal.fill(input);
            QCOMPARE(equal.entryAt(0), decomposed);
            QCOMPARE(equal.entryAt(1), composed);
            QCOMPARE(equal.keyAt(2), QByteArray("\xFE"));
            QCOMPARE(equal.keyAt(3), QByteArray("\xFF"));
        }

        // The order of QCollator itself, on names that try its rules: case, accents, ligatures, punctuation,
        // digits, spaces, marks that weigh nothing, other scripts, the empty name.
        const QStringList tricky{QStringLiteral("Œuvre"),
                                 QStringLiteral("oeuvre"),
                                 QStringLiteral("Ødegaard"),
                                 QStringLiteral("Strauß"),
                                 QStringLiteral("Strauss"),
                                 QStringLiteral("côte"),
                                 QStringLiteral("coté"),
                                 QStringLiteral("Côté"),
                                 QStringLiteral("cote"),
                                 QStringLiteral("D\"Artagnan"),
                                 QStringLiteral("d-artagnan"),
                                 QStringLiteral("Dartagnan"),
                                 QStringLiteral("Jean 10"),
                                 QStringLiteral("Jean 9"),
                                 QStringLiteral("Jean  9"),
                                 QStringLiteral("Zo\u200Be"),
                                 QStringLiteral("Zoe"),
                                 QStringLiteral("Zo\u00ADe"),
                                 QStringLiteral("Ωmega"),
                                 QStringLiteral("omega"),
                                 QStringLiteral("李"),
                                 QStringLiteral("😀 Ami"),
                                 QStringLiteral("ami"),
                                 QStringLiteral("AMI"),
                                 QString(),
                                 QStringLiteral(" "),
                                 QStringLiteral("æther"),
                                 QStringLiteral("Aether")};
        QList<QByteArray> keys;
        for (const QString& name : tricky)
            keys.append(name.toUtf8());
        FilledList ordered;
        ordered.fill(keys);
        const QCollator collator(QLocale(QLocale::French, QLocale::France));
        for (int i = 1; i < ordered.names().count(); ++i) {
            const QString before = ordered.entryAt(i - 1);
            const QString after = ordered.entryAt(i);
            const int byCollator = collator.compare(before, after);
            QVERIFY2(byCollator < 0 || (byCollator == 0 && before <= after),
                     qPrintable(QStringLiteral("%1 before %2").arg(before, after)));
        }
        // No item object per name: the combo box's own item model is gone.
        QVERIFY(list.findChildren<QStandardItemModel*>().isEmpty());
        QVERIFY(!qobject_cast<QStandardItemModel*>(list.model()));
    }

    // A long list shows its first entry at once and puts the others in place once sorted on its own thread:
    // the same entries in the same order, the selection kept, no click raised. Each row's names sort before the
    // others; the one expected first must be shown first, before the sort and after it.
    void personListShowsItsFirstEntryBeforeALongSort_data()
    {
        QTest::addColumn<QList<QByteArray>>("leading");
        QTest::addColumn<QByteArray>("first");
        const QByteArray decomposed = QStringLiteral("e\u0301mile").toUtf8();
        // Equal under the collation, and ordered once the tie is broken.
        QTest::newRow("composed and decomposed")
            << QList<QByteArray>{QStringLiteral("\u00e9mile").toUtf8(), decomposed} << decomposed;
        // Written by other programs: a byte order mark, bytes that are not UTF-8, each shown as decoded.
        // The mark weighs nothing, and the text that keeps it comes after the one without.
        const QByteArray smiling = QStringLiteral("😀 Abel").toUtf8();
        QTest::newRow("byte order mark") << QList<QByteArray>{"\xEF\xBB\xBF" + smiling, smiling} << smiling;
        QTest::newRow("bytes that are not UTF-8")
            << QList<QByteArray>{"Abel\x80\x80", "Abel\xEF\xBF\xBD", "Abel\xC3"} << QByteArray("Abel\xC3");
    }
    void personListShowsItsFirstEntryBeforeALongSort()
    {
        QFETCH(QList<QByteArray>, leading);
        QFETCH(QByteArray, first);
        QList<QByteArray> keys;
        const int others = static_cast<int>(NameList::SortAfterShowingFrom);
        for (int i = 0; i < others; ++i)
            keys.append(QStringLiteral("Nom %1").arg((i * 7919) % others).toUtf8());
        keys.insert(0, leading.first());
        keys.append(leading.mid(1));

        FilledList list;
        list.fill(keys);
        QCOMPARE(list.names().count(), keys.size());
        QCOMPARE(list.count(), 1);
        QCOMPARE(list.keyAt(0), first);
        QSignalSpy clicks(&list, &PersonList::listClick);
        list.selectIndex(0);
        QCOMPARE(clicks.size(), 1);
        QTRY_COMPARE(list.count(), keys.size());
        QCOMPARE(list.currentIndex(), 0);
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(list.keyAt(0), first);
        const QCollator collator(QLocale(QLocale::French, QLocale::France));
        for (int i = int(leading.size()) + 1; i < list.names().count(); ++i)
            QVERIFY(collator.compare(list.entryAt(i - 1), list.entryAt(i)) < 0);

        // The sort waits for the list to be drawn, so as not to slow the window's first drawing down.
        FilledList undrawn;
        undrawn.fill(keys);
        QTest::qWait(100);
        QCOMPARE(undrawn.count(), 1);
        undrawn.show();
        QTRY_COMPARE(undrawn.count(), keys.size());
        QCOMPARE(undrawn.keyAt(0), first);

        // Adding before the sort has ended waits for it.
        FilledList early;
        early.fill(keys);
        const int aaron = static_cast<int>(early.names().insert("Aaron"));
        QCOMPARE(early.count(), keys.size() + 1);
        QCOMPARE(early.keyAt(aaron), QByteArray("Aaron"));
        QCOMPARE(early.keyAt(aaron == 0 ? 1 : 0), first);
    }

    // The opened list says when more persons exist than rows fit: a scroll bar.
    void personListShowsAScrollBarWhenNotAllFit()
    {
        QList<QByteArray> many;
        for (int i = 0; i < 40; ++i)
            many.append(QStringLiteral("Personne %1").arg(i, 2, 10, QLatin1Char('0')).toUtf8());
        FilledList list;
        list.fill(many);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        list.showPopup();
        QTRY_VERIFY(list.view()->isVisible());
        QVERIFY(list.view()->verticalScrollBar()->isVisible());
        list.hidePopup();

        list.fill(People);
        list.showPopup();
        QTRY_VERIFY(list.view()->isVisible());
        QVERIFY(!list.view()->verticalScrollBar()->isVisible());
        list.hidePopup();
    }

    // The closed list's face is the flat light yellow of the notes box, not a shaded one.
    void personListFaceIsFlat()
    {
        FilledList list;
        SetFaceColour(&list, LightYellow);
        list.fill(People);
        list.selectIndex(0);
        list.resize(225, 27);
        const QImage face = list.grab().toImage();
        const int x = 3; // left of the text, right of the frame
        for (int y = 2; y < face.height() - 2; ++y)
            QCOMPARE(face.pixelColor(x, y), LightYellow);
    }

    // The selected row of the opened list is readable: its text against its background at 4.5:1 at least, as
    // painted.
    void personListSelectedRowContrast()
    {
        FilledList list;
        SetFaceColour(&list, LightYellow);
        list.fill(People);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        list.showPopup();
        QTRY_VERIFY(list.view()->isVisible());
        list.view()->setCurrentIndex(list.model()->index(1, 0));
        const QRect row = list.view()->visualRect(list.model()->index(1, 0));
        const QImage painted = list.view()->viewport()->grab(row).toImage();
        list.hidePopup();
        const QColor background = painted.pixelColor(1, painted.height() / 2);
        double best = 1;
        for (int y = 0; y < painted.height(); ++y) {
            for (int x = 0; x < painted.width(); ++x)
                best = std::max(best, ContrastRatio(painted.pixelColor(x, y), background));
        }
        QVERIFY2(best >= 4.5, qPrintable(QStringLiteral("%1:1 on %2").arg(best).arg(background.name())));
    }

    // The keyboard focus of each control is seen: at least a ring of one pixel all around it, at 3:1 at least
    // against the colours it replaces, on the windows' white and the boxes' light yellow.
    void focusIsVisible_data()
    {
        QTest::addColumn<QString>("control");
        QTest::newRow("push button") << "button";
        QTest::newRow("notes box") << "notes";
        QTest::newRow("person list") << "list";
        QTest::newRow("name box") << "name";
        QTest::newRow("read-only line") << "line";
        QTest::newRow("read-only text area") << "area";
    }
    void focusIsVisible()
    {
        QFETCH(QString, control);
        QWidget window;
        SetBackgroundColour(&window, Qt::white);
        window.resize(400, 300);
        QPushButton* other = MakeButton(QStringLiteral("&Autre"), &window);
        other->setGeometry(300, 260, 90, 25);
        QWidget* focusable = nullptr;
        if (control == QLatin1String("button")) {
            focusable = MakeButton(QStringLiteral("&Date et l'heure"), &window);
            focusable->setGeometry(10, 10, 113, 25);
        } else if (control == QLatin1String("notes")) {
            auto* notes = new NotesBox(&window);
            notes->setGeometry(10, 10, 300, 200);
            SetBaseColour(notes, LightYellow);
            SetTextColour(notes, Qt::black);
            notes->setFrameStyle(QFrame::Box | QFrame::Plain);
            ShowFocusRing(notes);
            notes->setPlainText(QStringLiteral("Jean doit 20 €"));
            focusable = notes;
        } else if (control == QLatin1String("line")) {
            auto* line = new QLineEdit(QStringLiteral("quentaril"), &window);
            line->setGeometry(10, 10, 145, 19);
            line->setReadOnly(true);
            ShowFocusRing(line);
            focusable = line;
        } else if (control == QLatin1String("area")) {
            auto* area = new QPlainTextEdit(QStringLiteral("Programme permetant de gerer ses plorns"), &window);
            area->setGeometry(10, 10, 145, 67);
            area->setReadOnly(true);
            area->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
            area->setFocusPolicy(Qt::StrongFocus);
            ShowFocusRing(area);
            focusable = area;
        } else if (control == QLatin1String("name")) {
            auto* name = new NameBox(&window);
            name->setGeometry(10, 10, 185, 25);
            MakePlainBox(name);
            name->setText(QStringLiteral("Léa"));
            focusable = name;
        } else {
            auto* list = new FilledList(&window);
            list->setGeometry(10, 10, 225, 27);
            SetBaseColour(list, LightYellow);
            SetFaceColour(list, LightYellow);
            list->fill(People);
            list->selectIndex(0);
            focusable = list;
        }
        ShowAndActivate(window);
        // One pixel wide, inside the outline the style draws at the edge.
        const int ring = 2 * (focusable->width() - 2 + focusable->height() - 2) - 4;
        const int marked = PixelsTheFocusMarks(focusable, other);
        QVERIFY2(marked >= ring, qPrintable(QStringLiteral("%1 pixels marked, a ring is %2").arg(marked).arg(ring)));
    }

    void personListClicksOnlyOnSelection()
    {
        FilledList list;
        QList<int> clicks; // the index as the handler sees it
        connect(&list, &PersonList::listClick, this, [&] { clicks << list.currentIndex(); });
        list.fill(People);
        QCOMPARE(list.currentIndex(), -1);
        list.selectIndex(2);
        list.selectIndex(2);
        QCOMPARE(clicks, (QList<int>{2, 2}));

        list.fill(People);
        QCOMPARE(list.currentIndex(), -1);
        list.selectIndex(0);
        list.names().clear();
        QCOMPARE(clicks, (QList<int>{2, 2, 0}));
    }

    void personListUserChangesAndDropDown()
    {
        FilledList list;
        list.fill(People);
        list.selectIndex(0);
        QSignalSpy clicks(&list, &PersonList::listClick);
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(list.currentIndex(), 1);
        QCOMPARE(clicks.count(), 1);
        QTest::keyClick(&list, Qt::Key_Z);
        QTest::keyClick(&list, Qt::Key_Down); // already last: no change, no click
        QCOMPARE(list.currentText(), QStringLiteral("Zoé"));
        QCOMPARE(clicks.count(), 2);
        QWheelEvent wheelUp(QPointF(5, 5), list.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120), Qt::NoButton,
                            Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&list, &wheelUp);
        QCOMPARE(list.currentIndex(), 2);
        QCOMPARE(clicks.count(), 3);
    }

    // The list part is drawn before the drop-down event, and nothing done in it is handled before that event:
    // whether the user waits for the list or acts at once, the event comes first, once.
    void personListDropDownAfterThePaintAndBeforeAnyChoice_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("paintedFirst");
        QTest::newRow("click once drawn") << "click"
                                          << "Bob" << true;
        QTest::newRow("click at once") << "click"
                                       << "Bob" << false;
        QTest::newRow("Enter at once") << "enter"
                                       << "Bob" << false;
        QTest::newRow("Escape at once") << "escape"
                                        << "alice" << false;
        QTest::newRow("closed by code at once") << "hide"
                                                << "alice" << false;
    }
    void personListDropDownAfterThePaintAndBeforeAnyChoice()
    {
        QFETCH(QString, action);
        QFETCH(QString, chosen);
        QFETCH(bool, paintedFirst);
        FilledList list;
        list.fill(People);
        list.selectIndex(0);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QStringList events;
        connect(&list, &PersonList::dropDown, this, [&] {
            events << (list.view()->isVisible() ? QStringLiteral("drop-down, list open")
                                                : QStringLiteral("drop-down, list closed"));
        });
        connect(&list, &PersonList::listClick, this, [&] { events << QStringLiteral("click ") + list.currentText(); });
        int paints = 0;
        int paintsAtDropDown = -1;
        PaintCounter counter(list.view()->viewport(), paints);
        connect(&list, &PersonList::dropDown, this, [&] { paintsAtDropDown = paints; });

        list.showPopup();
        QAbstractItemView* popup = list.view();
        QVERIFY(popup->isVisible());
        QVERIFY(events.isEmpty());
        if (paintedFirst) {
            QTRY_COMPARE(events, QStringList{QStringLiteral("drop-down, list open")});
            QVERIFY(paintsAtDropDown > 0);
        }
        if (action == QStringLiteral("click")) {
            popup->setCurrentIndex(popup->model()->index(1, 0));
            QTest::mouseClick(popup->viewport(), Qt::LeftButton, {},
                              popup->visualRect(popup->model()->index(1, 0)).center());
        } else if (action == QStringLiteral("enter")) {
            popup->setCurrentIndex(popup->model()->index(1, 0));
            QTest::keyClick(popup, Qt::Key_Return);
        } else if (action == QStringLiteral("escape")) {
            QTest::keyClick(popup, Qt::Key_Escape);
        } else {
            list.hidePopup();
        }
        QTRY_VERIFY(!popup->isVisible());
        QStringList expected{QStringLiteral("drop-down, list open")};
        if (chosen != QStringLiteral("alice"))
            expected << QStringLiteral("click ") + chosen;
        QCOMPARE(events, expected);
        QCOMPARE(list.currentText(), chosen);
        // Nothing left to raise later.
        QTest::qWait(20);
        QCOMPARE(events, expected);
    }

    void notesBoxRoundTrip_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* name, const QString& stored, const QString& shown) {
            QTest::newRow(name) << stored << shown;
        };
        const QString exact = QStringLiteral("un\r\ndeux\r\n\r\n20\u00a0€ « oui\u202f» 😀\tfin\r\n");
        row("exact", exact, exact);
        row("empty", QString(), QString());
        row("lone CR", "a\rb", "a\r\nb");
        row("lone LF", "a\nb\n", "a\r\nb\r\n");
        row("LF CR", "a\n\rb", "a\r\n\r\nb");
        row("CR CR LF", "a\r\r\nb", "a\r\n\r\nb");
        row("line separator", "a\u2028b", "a\r\nb");
    }
    void notesBoxRoundTrip()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        NotesBox notes;
        notes.loadText(stored);
        QCOMPARE(notes.text(), shown);
        QCOMPARE(notes.isEmpty(), shown.isEmpty());
        // What is saved comes back as it was.
        notes.loadText(shown);
        QCOMPARE(notes.text(), shown);
    }

    void notesBoxChangedFlag()
    {
        NotesBox notes;
        notes.loadText(QStringLiteral("début\r\n"));
        QVERIFY(!notes.isChanged());
        notes.moveCaretToEnd();
        QTest::keyClicks(&notes, QStringLiteral("x"));
        QVERIFY(notes.isChanged());
        QCOMPARE(notes.text(), QStringLiteral("début\r\nx"));

        notes.loadText(QStringLiteral("début\r\n"));
        QVERIFY(!notes.isChanged());
        notes.appendText(QStringLiteral("12/03 14:05\nsuite"));
        QVERIFY(notes.isChanged());
        QCOMPARE(notes.text(), QStringLiteral("début\r\n12/03 14:05\r\nsuite"));

        notes.setChanged(false);
        notes.replaceText(QStringLiteral("autre"));
        QVERIFY(notes.isChanged());
    }

    // Small notes shown after large ones go into a fresh document: the box must show and behave exactly as when
    // they follow small notes, and the large document must be gone once the box has been drawn.
    void notesBoxShowsSmallNotesAfterLargeOnesAsAfterSmallOnes_data()
    {
        QTest::addColumn<bool>("shown");
        QTest::newRow("box on screen") << true;
        QTest::newRow("box hidden") << false;
    }
    void notesBoxShowsSmallNotesAfterLargeOnesAsAfterSmallOnes()
    {
        QFETCH(bool, shown);
        const QString large = QStringLiteral("ligne de notes assez longue\r\n").repeated(20'000);
        const QString small = QStringLiteral("court\r\n20\u00a0€\tfin");
        NotesBox afterSmall;
        NotesBox afterLarge;
        for (NotesBox* notes : {&afterSmall, &afterLarge}) {
            notes->setFont(QFont(QStringLiteral("Liberation Mono"), 13));
            notes->setCursorWidth(3);
            notes->setTabStopDistance(55);
            notes->resize(300, 200);
            if (shown)
                notes->show();
        }
        afterSmall.loadText(QStringLiteral("avant"));
        afterLarge.loadText(large);
        QPointer<QTextDocument> largeDocument = afterLarge.document();
        afterSmall.loadText(small);
        afterLarge.loadText(small);

        for (NotesBox* notes : {&afterSmall, &afterLarge}) {
            QCOMPARE(notes->text(), small);
            QVERIFY(!notes->isChanged());
            QVERIFY(!notes->document()->isUndoAvailable());
            QCOMPARE(notes->textCursor().position(), 0);
        }
        QCOMPARE(afterLarge.document()->defaultFont(), afterSmall.document()->defaultFont());
        QCOMPARE(afterLarge.document()->defaultTextOption().tabStopDistance(), 55.0);
        QCOMPARE(afterLarge.document()->defaultTextOption().wrapMode(),
                 afterSmall.document()->defaultTextOption().wrapMode());
        QCOMPARE(afterLarge.cursorWidth(), 3);
        QCOMPARE(afterLarge.verticalScrollBar()->maximum(), afterSmall.verticalScrollBar()->maximum());
        if (shown)
            QCOMPARE(afterLarge.grab().toImage(), afterSmall.grab().toImage());
        // No document holds the large notes any more.
        QTRY_VERIFY(largeDocument.isNull() || largeDocument->characterCount() < small.size() + 1);

        // Typing and undoing work on the new document, and never bring the large notes back.
        afterLarge.moveCaretToEnd();
        QTest::keyClicks(&afterLarge, QStringLiteral("x"));
        QVERIFY(afterLarge.isChanged());
        afterLarge.undo();
        afterLarge.undo();
        QCOMPARE(afterLarge.text(), small);
        afterLarge.loadText(large);
        QCOMPARE(afterLarge.text(), large);
    }

    void notesBoxReplaceKeepsCaretAndScroll()
    {
        NotesBox notes;
        notes.resize(300, 200);
        notes.show();
        QStringList lines;
        for (int i = 0; i < 300; ++i)
            lines << QStringLiteral("ligne %1").arg(i);
        notes.loadText(lines.join("\r\n"));
        QTextCursor caret = notes.textCursor();
        caret.setPosition(1500);
        notes.setTextCursor(caret);
        notes.verticalScrollBar()->setValue(100);

        notes.replaceText(lines.join("\r\n").toUpper());
        QCOMPARE(notes.textCursor().position(), 1500);
        QCOMPARE(notes.verticalScrollBar()->value(), 100);
        QVERIFY(notes.text().startsWith(QStringLiteral("LIGNE 0\r\n")));

        notes.replaceText(QStringLiteral("court"));
        QCOMPARE(notes.textCursor().position(), 5);
        QCOMPARE(notes.verticalScrollBar()->value(), 0);
        notes.hide();
    }

    // Only the differing span is replaced: the edges of that span must never cut a character or a break.
    void notesBoxReplaceGivesExactlyTheNewText_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("one apostrophe") << "l'ami\r\nd'Anne"
                                        << "l\"ami\r\nd\"Anne";
        QTest::newRow("longer, same start") << "aa"
                                            << "aaa";
        QTest::newRow("shorter, same end") << "aaa"
                                           << "aa";
        QTest::newRow("from empty") << QString() << "x\r\ny";
        QTest::newRow("to empty") << "x\r\ny" << QString();
        QTest::newRow("emoji sharing a high surrogate") << "a😀b"
                                                        << "a😁b";
        QTest::newRow("a break added") << "ab"
                                       << "a\r\nb";
        QTest::newRow("a break removed") << "a\r\n\r\nb"
                                         << "a\r\nb";
        QTest::newRow("non-breaking space kept") << "20\u00A0€ '"
                                                 << "20\u00A0€ \"";
    }
    void notesBoxReplaceGivesExactlyTheNewText()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        NotesBox notes;
        notes.loadText(before);
        notes.replaceText(after);
        QCOMPARE(notes.text(), after);
        QVERIFY(notes.isChanged());
    }

    void notesBoxTabMovesFocus()
    {
        QWidget window;
        auto* notes = new NotesBox(&window);
        auto* next = new QLineEdit(&window);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(notes);
        layout->addWidget(next);
        ShowAndActivate(window);
        notes->setFocus();
        QTRY_VERIFY(notes->hasFocus());
        QTest::keyClick(notes, Qt::Key_Tab);
        QTRY_VERIFY(next->hasFocus());
        QVERIFY(notes->isEmpty());
    }

    // A keyboard without a Menu key still reaches the commands offered only there (the PDF export).
    void notesBoxMenuOpensWithShiftF10()
    {
        NotesBox notes;
        auto* command = new QAction(QStringLiteral("Exporter"), &notes);
        notes.addMenuCommands({command});
        ShowAndActivate(notes);
        bool offered = false;
        QTimer::singleShot(0, &notes, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            offered = menu && menu->actions().contains(command);
            if (menu)
                menu->close();
        });
        QTest::keyClick(&notes, Qt::Key_F10, Qt::ShiftModifier);
        QVERIFY(offered);
        QVERIFY(notes.isEmpty());
    }

    // Qt reports success once xdg-open has started; only xdg-open's status says whether a browser took the address.
    void shellOpenTellsWhenNoBrowserTookTheAddress_data()
    {
        QTest::addColumn<QString>("openerStatus");
        QTest::addColumn<bool>("told");
        QTest::addRow("a browser took it") << QStringLiteral("0") << false;
        QTest::addRow("no method available") << QStringLiteral("3") << true;
        QTest::addRow("the method failed") << QStringLiteral("4") << true;
        // Under the offscreen platform Qt has no other opener.
        QTest::addRow("no xdg-open") << QString() << true;
    }

    void shellOpenTellsWhenNoBrowserTookTheAddress()
    {
        QFETCH(QString, openerStatus);
        QFETCH(bool, told);
        QTemporaryDir bin;
        const QString ran = bin.filePath(QStringLiteral("ran"));
        if (!openerStatus.isEmpty()) {
            QFile opener(bin.filePath(QStringLiteral("xdg-open")));
            QVERIFY(opener.open(QIODevice::WriteOnly));
            opener.write(QStringLiteral("#!/bin/sh\n: > '%1'\nexit %2\n").arg(ran, openerStatus).toUtf8());
            opener.close();
            opener.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()));
        const auto restorePath = qScopeGuard([&] { qputenv("PATH", path); });

        if (openerStatus.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("openDocument")));
        QObject context;
        bool notOpened = false;
        ShellOpen(QUrl::fromLocalFile(QStringLiteral("/nowhere/guide/index.html")), &context,
                  [&] { notOpened = true; });
        if (!openerStatus.isEmpty())
            QTRY_VERIFY(QFile::exists(ran));
        QTRY_COMPARE(notOpened, told);
        QTest::qWait(100);
        QCOMPARE(notOpened, told);
    }

    void nameBoxKeyDownSeesCodesAndSwallowsEnter()
    {
        NameBox name;
        QList<int> codes;
        name.setKeyDownHook([&](int& code) {
            codes << code;
            if (code == NameBox::EnterKeyCode)
                code = 0;
        });
        QSignalSpy returns(&name, &QLineEdit::returnPressed);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QApplication::sendEvent(&name, &enter);
        QVERIFY(enter.isAccepted());
        QTest::keyClick(&name, Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(&name, Qt::Key_A);
        QTest::keyClick(&name, Qt::Key_Delete);
        QCOMPARE(codes, (QList<int>{13, 13, Qt::Key_A, Qt::Key_Delete}));
        QCOMPARE(returns.count(), 0);
        QCOMPARE(name.text(), QStringLiteral("a"));
    }

    void nameBoxKeyPressHook()
    {
        NameBox name;
        QStringList seen;
        name.setKeyPressHook([&](QString& character) {
            seen << character;
            if (character == "x")
                character.clear();
            else if (name.cursorPosition() == 0)
                character = character.toUpper();
        });
        TypeText(&name, QStringLiteral("léxa"));
        QCOMPARE(name.text(), QStringLiteral("Léa"));
        QTest::keyClick(&name, Qt::Key_Backspace);
        QCOMPARE(name.text(), QStringLiteral("Lé"));
        QCOMPARE(seen, (QStringList{"l", "é", "x", "a"}));

        // A dead key's "ê" arrives as an input method commit.
        name.clear();
        seen.clear();
        QInputMethodEvent deadKey;
        deadKey.setCommitString(QStringLiteral("ê"));
        QApplication::sendEvent(&name, &deadKey);
        QCOMPARE(name.text(), QStringLiteral("Ê"));

        QGuiApplication::clipboard()->setText(QStringLiteral("ve"));
        QTest::keyClick(&name, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(name.text(), QStringLiteral("Êve"));
        QCOMPARE(seen, QStringList{"ê"}); // the paste passed no hook
    }

    void messageSeamRecordsAndAnswers()
    {
        MessageBoxSeam seam;
        QCOMPARE(ShowMessage(nullptr, "Nom\r\nvide", "Plorn", MessageIcon::Information), MessageAnswer::Ok);
        seam.queueAnswer(MessageAnswer::Yes);
        QCOMPARE(ShowMessage(nullptr, "Supprimer ?", "Plorn", MessageIcon::Error, MessageButtons::YesNo),
                 MessageAnswer::Yes);
        QCOMPARE(ShowMessage(nullptr, "Encore ?", "Plorn", MessageIcon::Error, MessageButtons::YesNo),
                 MessageAnswer::No);
        QCOMPARE(seam.shown().size(), 3u);
        const MessageBoxSeam::Shown& first = seam.shown().front();
        QVERIFY(first.text == "Nom\r\nvide" && first.title == "Plorn" && first.icon == MessageIcon::Information &&
                first.buttons == MessageButtons::Ok);
        QVERIFY(seam.shown().back().buttons == MessageButtons::YesNo &&
                seam.shown().back().defaultAnswer == MessageAnswer::Yes);

        {
            MessageBoxSeam inner;
            ShowMessage(nullptr, "Perdre ?", "Erreur", MessageIcon::Error, MessageButtons::YesNo, MessageAnswer::No);
            QCOMPARE(inner.shown().back().defaultAnswer, MessageAnswer::No);
        }
        // The outer seam answers again once the inner one is gone.
        bool shownForReal = false;
        QObject scope;
        AnswerNextModalBox(&scope, [&](QMessageBox* box) {
            shownForReal = true;
            box->close();
        });
        ShowMessage(nullptr, "Après", "Plorn", MessageIcon::Information);
        QVERIFY(!shownForReal);
        QCOMPARE(seam.shown().size(), 4u);
    }

    void realMessageBoxInFrench_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<MessageAnswer>("defaultAnswer");
        QTest::addColumn<MessageAnswer>("answer");
        QTest::newRow("Escape") << int(Qt::Key_Escape) << MessageAnswer::Yes << MessageAnswer::No;
        QTest::newRow("Enter") << int(Qt::Key_Return) << MessageAnswer::Yes << MessageAnswer::Yes;
        QTest::newRow("Enter, No default") << int(Qt::Key_Return) << MessageAnswer::No << MessageAnswer::No;
        QTest::newRow("close box") << 0 << MessageAnswer::Yes << MessageAnswer::No;
    }
    void realMessageBoxInFrench()
    {
        QFETCH(int, key);
        QFETCH(MessageAnswer, defaultAnswer);
        QFETCH(MessageAnswer, answer);
        QString yes, no, shownText;
        Qt::TextFormat format = Qt::AutoText;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QObject scope;
        AnswerNextModalBox(&scope, [&](QMessageBox* box) {
            yes = box->button(QMessageBox::Yes)->text();
            no = box->button(QMessageBox::No)->text();
            shownText = box->text();
            format = box->textFormat();
            icon = box->icon();
            if (key)
                QTest::keyClick(box, Qt::Key(key));
            else
                box->close();
        });
        const MessageAnswer given = ShowMessage(nullptr, "<b>Léa\r\nsupprimer ?", "Plorn", MessageIcon::Information,
                                                MessageButtons::YesNo, defaultAnswer);
        QCOMPARE(given, answer);
        QCOMPARE(yes, QStringLiteral("&Oui"));
        QCOMPARE(no, QStringLiteral("&Non"));
        QCOMPARE(shownText, QStringLiteral("<b>Léa\nsupprimer ?"));
        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(icon, QMessageBox::Information);
    }

    void failureGuardReportsUnderSeam()
    {
        MessageBoxSeam boxes;
        RecordedFailures failures;
        HandlerGuard& guard = failures.guard();
        QVERIFY(guard.run([] {}));
        QVERIFY(!failures.failed());
        QVERIFY(!guard.run([] { throw std::runtime_error("Fichier verrouillé"); }));
        guard.run([] { throw 42; });
        // The ledger's failures in the user's words; too little memory told as such, not as its C++ name.
        guard.run([] {
            throw LedgerError(LedgerFailure::DiskFull, QStringLiteral("/home/léa/BDPLORN.mdb"),
                              QStringLiteral("database or disk is full"), SQLITE_FULL);
        });
        guard.run([] { throw std::bad_alloc(); });
        QCOMPARE(failures.messages().size(), 4);
        QCOMPARE(failures.messages().front(), QStringLiteral("Fichier verrouillé"));
        QVERIFY(!failures.messages().at(1).isEmpty());
        const QString diskFull = failures.messages().at(2);
        QVERIFY2(diskFull.contains(QStringLiteral("/home/léa/BDPLORN.mdb")) &&
                     diskFull.contains(QStringLiteral("place")) &&
                     diskFull.endsWith(QStringLiteral("(la base de données ou le disque est plein)")),
                 qPrintable(diskFull));
        QVERIFY2(failures.messages().back().startsWith(QStringLiteral("La mémoire manque")),
                 qPrintable(failures.messages().back()));
        QCOMPARE(boxes.shown().size(), 4u);
        const MessageBoxSeam::Shown& box = boxes.shown().front();
        QVERIFY(box.text == "Fichier verrouillé" && box.title == "Erreur" && box.icon == MessageIcon::Error &&
                box.buttons == MessageButtons::Ok);
    }

    void failureEndsProcessAtOnce()
    {
        int marker[2];
        QCOMPARE(::pipe(marker), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(marker[0]);
            orderlyExitMarker = marker[1];
            std::atexit(MarkOrderlyExit);
            MessageBoxSeam quiet;
            ProgramLife life;
            life.guard().run([] { throw std::runtime_error("disque plein"); });
            ::_exit(0);
        }
        ::close(marker[1]);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), EXIT_FAILURE);
        char byte = 0;
        QCOMPARE(::read(marker[0], &byte, 1), ssize_t(0)); // no exit handler ran
        ::close(marker[0]);
    }

    // An end asked for inside nested handlers closes the windows once the outermost has returned; from then on
    // no box waits for an answer.
    void anEndAskedInAHandlerWaitsForTheOutermost()
    {
        MessageBoxSeam boxes;
        boxes.queueAnswer(MessageAnswer::Yes);
        RecordedFailures failures;
        HandlerGuard& guard = failures.guard();
        QWidget window;
        ShowAndActivate(window);
        bool openAfterInner = false;
        guard.run([&] {
            guard.run([&] { guard.requestEnd(); });
            QCoreApplication::processEvents();
            openAfterInner = window.isVisible();
        });
        QVERIFY(openAfterInner);
        QVERIFY(guard.endRequested());
        QTRY_VERIFY(!window.isVisible());
        QCOMPARE(ShowMessage(nullptr, QStringLiteral("Supprimer ?"), QStringLiteral("Plorn"), MessageIcon::Information,
                             MessageButtons::YesNo),
                 MessageAnswer::No);
        QVERIFY(boxes.shown().empty());
    }

    void activationOnlyFromShowOrAnotherForm()
    {
        QWidget form;
        ActivationWatcher watcher(&form);
        QSignalSpy activations(&watcher, &ActivationWatcher::activated);
        ShowAndActivate(form);
        QTRY_COMPARE(activations.count(), 1);

        QWidget stranger; // a message box, say
        ShowAndActivate(stranger);
        ShowAndActivate(form);
        QCoreApplication::processEvents();
        QCOMPARE(activations.count(), 1);

        auto* about = new QWidget;
        ActivationWatcher::markAsForm(about);
        ShowAndActivate(*about);
        ShowAndActivate(form);
        QTRY_COMPARE(activations.count(), 2);

        // The About window may be gone before the focus comes back.
        ShowAndActivate(*about);
        delete about;
        ShowAndActivate(form);
        QTRY_COMPARE(activations.count(), 3);
    }
};

QTEST_MAIN(TestToolkit)
#include "tst_toolkit.moc"
