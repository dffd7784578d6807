// Names and notes full of characters that trip up text handling (quotes, markup, invisible marks, NUL,
// huge texts) go in through the real window and must come back from the file exactly, the apostrophe
// rule aside.

#include "support/FaultVfs.h"
#include "support/MainWindowFixture.h"
#include "support/RecordedFailures.h"
#include "ui/toolkit/NameBox.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

namespace {

const QString Anne = QStringLiteral("Anne");

QString Stored(const QString& typed)
{
    return QString(typed).replace(u'\'', u'"');
}

QString AddedText(const QString& name)
{
    return QStringLiteral("La personne : ") + name + QStringLiteral("\r\na été ajouté");
}

QString DeleteQuestion(const QString& name)
{
    return QStringLiteral("Êtes-vous sur de supprimer : \r\n") + name +
           QStringLiteral("\r\nAinsi que toutes ses plorns ?");
}

// Every troublesome class at once; "\n" is typed as the Enter key.
const QString TroublesomeNotes =
    QStringLiteral("L'addition : \"20\u00A0€\" \\ C:\\dossier\\\n<b>Léa</b> &amp; &lt;i&gt; <script>x</script>\n"
                   "Ame\u0301lie n\u0303 \u200F\u05E9\u05DC\u05D5\u05DD\u200E \u202Eà l'envers\u202C 😀🇫🇷𝄞 fin'");

void Paste(QWidget* widget, const QString& text)
{
    QApplication::clipboard()->setText(text);
    widget->setFocus();
    QTest::keyClick(widget, Qt::Key_V, Qt::ControlModifier);
}

void Restart(Fixture& f)
{
    f.window.reset();
    f.start();
}

} // namespace

class TestBadInput : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void typedNamesComeBackExactly_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("quotes and backslashes") << QStringLiteral("Jean \\ \"Le Grand\" d'Arc \\\\");
        QTest::newRow("markup and entities") << QStringLiteral("<b>Léa</b> &amp; <i>co</i> &lt;");
        QTest::newRow("non-breaking spaces") << QStringLiteral("Zoé\u00A0Ça\u202Fva\u00A0");
        QTest::newRow("combining accents") << QStringLiteral("Zoe\u0301 Ame\u0301lie n\u0303");
        QTest::newRow("right-to-left script") << QStringLiteral("Noa \u05E9\u05DC\u05D5\u05DD x");
        QTest::newRow("emoji") << QStringLiteral("😀 Léa 🇫🇷 👍🏽 𝄞");
        QString mixed;
        while (mixed.size() < 1000)
            mixed += QStringLiteral("A'é<b>\\\"\u00A0😀\u05E9&amp;");
        mixed.truncate(1000); // 62 whole patterns and "A'é<b>\\\"": no surrogate pair cut
        QTest::newRow("1000 characters of all of them") << mixed;
    }
    // The name shows in the list, the message boxes and the file as typed, apostrophes aside.
    void typedNamesComeBackExactly()
    {
        QFETCH(QString, typed);
        const QString name = Stored(typed);
        Fixture f({{Anne, QStringLiteral("a")}});
        f.start();
        f.name->setFocus();
        TypeText(f.name, typed);
        QCOMPARE(f.name->text(), typed);
        QTest::mouseClick(f.addButton, Qt::LeftButton);

        QVERIFY(!f.failures.failed());
        QCOMPARE(f.boxes.shown().size(), size_t(1));
        QCOMPARE(f.boxes.shown().back().text, AddedText(name));
        QCOMPARE(f.list->currentText(), name);
        QCOMPARE(f.storedNames().count(name), 1);
        QVERIFY(f.stored(name).has_value());

        f.boxes.queueAnswer(MessageAnswer::No);
        QTest::mouseClick(f.deleteButton, Qt::LeftButton);
        QCOMPARE(f.boxes.shown().back().text, DeleteQuestion(name));

        // Read back from the file by a new window, the name still finds its notes.
        f.type(QStringLiteral(" ok"));
        const QString notes = f.notes->text();
        f.window->close();
        Restart(f);
        const int index = int(f.entries().indexOf(name));
        QVERIFY(index >= 0);
        f.list->selectIndex(index);
        QCOMPARE(f.notes->text(), notes);
        QCOMPARE(f.stored(name), std::optional<QString>(notes));
    }

    // Typed notes come back as typed, apostrophes aside, also after a full disk refused them once.
    void typedNotesComeBackExactly()
    {
        Fixture f({{Anne, QString()}});
        FaultVfs faults;
        f.start();
        f.type(TroublesomeNotes);
        const QString expected =
            Stored(QString(TroublesomeNotes).replace(QStringLiteral("\n"), QStringLiteral("\r\n")));
        QCOMPARE(f.notes->text(), QString(TroublesomeNotes).replace(QStringLiteral("\n"), QStringLiteral("\r\n")));

        faults.failWrites(SQLITE_FULL);
        f.openAndCloseTheList();
        QCOMPARE(f.boxes.shown().size(), size_t(1));
        QVERIFY(f.boxes.shown().back().text.endsWith(QStringLiteral("(la base de données ou le disque est plein)")));
        QCOMPARE(f.notes->text(), expected);
        QVERIFY(f.notes->isChanged());

        faults.failWrites(0);
        f.openAndCloseTheList();
        QCOMPARE(f.stored(Anne), std::optional<QString>(expected));
        Restart(f);
        QCOMPARE(f.notes->text(), expected);
        QVERIFY(!f.notes->isChanged());
        f.window.reset();
    }

    // What only pasting brings: tabs and the two Unicode line breaks.
    void pastedTabsAndLineBreaks()
    {
        Fixture f({{Anne, QStringLiteral("début")}});
        f.start();
        f.notes->moveCaretToEnd();
        Paste(f.notes, QStringLiteral("\tcol1\tcol2\u2028ligne\u2029paragraphe\tfin"));
        f.openAndCloseTheList();
        QCOMPARE(f.stored(Anne),
                 std::optional<QString>(QStringLiteral("début\tcol1\tcol2\r\nligne\r\nparagraphe\tfin")));

        // A single-line box keeps them as they are, but a name holding them would not show as it is: refused.
        const QString pasted = QStringLiteral("Tab\tici\u2028ligne\u2029paragraphe");
        Paste(f.name, pasted);
        QCOMPARE(f.name->text(), pasted);
        QTest::mouseClick(f.addButton, Qt::LeftButton);
        QVERIFY(!f.failures.failed());
        QVERIFY(f.boxes.shown().back().text.startsWith(QStringLiteral("Le nom inscrit contient un caractère")));
        QCOMPARE(f.storedNames(), QStringList({Anne, ReservedPersonName}));
    }

    // Typing ten megabytes key by key would take hours: a typed start, the bulk pasted, a typed end.
    void tenMegabytesOfNotes()
    {
        Fixture f({{Anne, QString()}});
        f.start();
        f.type(QStringLiteral("Début l'été 😀\n"));
        const QString line = QStringLiteral("L'ami \"Zoé\" doit 20\u00A0€ <b>&amp;</b> \\ \u200F😀\r\n");
        QString bulk;
        bulk.reserve(10 * 1024 * 1024 + line.size());
        while (bulk.size() < 10 * 1024 * 1024)
            bulk += line;
        f.notes->moveCaretToEnd();
        Paste(f.notes, bulk);
        f.type(QStringLiteral("fin'"));

        const QString expected = Stored(QStringLiteral("Début l'été 😀\r\n") + bulk + QStringLiteral("fin'"));
        f.openAndCloseTheList();
        const std::optional<QString> stored = f.stored(Anne);
        QVERIFY(stored.has_value());
        QCOMPARE(stored->size(), expected.size());
        QVERIFY(*stored == expected);
        Restart(f);
        QVERIFY(f.notes->text() == expected);
    }

    // A NUL cannot be typed, but another tool may have written one.
    void nulWrittenByAnotherTool()
    {
        const QString name = QStringLiteral("Nul") + QChar(u'\0') + QStringLiteral("Nom");
        const QString notes = QStringLiteral("avant") + QChar(u'\0') + QStringLiteral("après\r\n");
        Fixture f({{name, notes}});
        // The first closing remembers where it was left; closing again at the same place writes nothing more.
        f.start();
        f.window->close();
        f.window.reset();
        {
            FaultVfs faults;
            f.start();
            QCOMPARE(f.list->currentText(), name);
            QCOMPARE(f.notes->text(), notes);

            // Unchanged, nothing is written back.
            faults.recordWrites(true);
            f.openAndCloseTheList();
            f.window->close();
            f.window.reset();
            QCOMPARE(faults.writtenFiles(), QStringList());
        }
        QCOMPARE(f.stored(name), std::optional<QString>(notes));

        Restart(f);
        f.type(QStringLiteral("suite"));
        f.openAndCloseTheList();
        QCOMPARE(f.stored(name), std::optional<QString>(notes + QStringLiteral("suite")));
        QVERIFY(!f.failures.failed());
    }

    // A real box, no seam: the name must show as typed, not as markup.
    void aRealMessageBoxShowsMarkupAsTyped()
    {
        TempLedger file;
        RecordedFailures failures;
        frmPlorn window(file.folder(), failures.guard());
        window.Form_Load();
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* name = window.findChild<NameBox*>(QStringLiteral("txtName"));
        auto* add = window.findChild<QPushButton*>(QStringLiteral("cmdAdd"));
        QVERIFY(name && add);
        name->setFocus();
        TypeText(name, QStringLiteral("<b>Léa</b>"));

        Qt::TextFormat boxFormat = Qt::RichText;
        Qt::TextFormat labelFormat = Qt::RichText;
        QString labelText;
        AnswerNextModalBox(&window, [&](QMessageBox* box) {
            boxFormat = box->textFormat();
            if (const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
                labelFormat = label->textFormat();
                labelText = label->text();
            }
            box->button(QMessageBox::Ok)->click();
        });
        QTest::mouseClick(add, Qt::LeftButton);

        QCOMPARE(boxFormat, Qt::PlainText);
        QCOMPARE(labelFormat, Qt::PlainText);
        QCOMPARE(labelText, QStringLiteral("La personne : <b>Léa</b>\na été ajouté"));
        QVERIFY(!failures.failed());
        QVERIFY(!QApplication::activeModalWidget());
    }
};

QTEST_MAIN(TestBadInput)
#include "tst_bad_input.moc"
