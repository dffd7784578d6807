#include "support/FaultVfs.h"
#include "support/MainWindowFixture.h"
#include "ui/toolkit/Clock.h"
#include "ui/toolkit/NameBox.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QPushButton>
#include <QTest>

namespace {

const QString Anne = QStringLiteral("Anne");
const QString Bob = QStringLiteral("Bob");

QList<std::pair<QString, QString>> TwoPersons()
{
    return {{Anne, QStringLiteral("Anne doit 10 €")}, {Bob, QStringLiteral("Bob doit 5 €")}};
}

QString AddedText(const QString& name)
{
    return QStringLiteral("La personne : ") + name + QStringLiteral("\r\na été ajouté");
}

void TypeName(Fixture& f, const QString& name)
{
    f.name->setFocus();
    TypeText(f.name, name);
}

} // namespace

class TestPersons : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void theFirstTypedCharacterIsRaised_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "anne"
                                << "Anne";
        QTest::newRow("accented") << "émile"
                                  << "Émile";
        QTest::newRow("sharp s stays") << "ßa"
                                       << "ßa";
        QTest::newRow("only the first") << "jean-luc"
                                        << "Jean-luc";
        QTest::newRow("digit") << "1a"
                               << "1a";
    }
    void theFirstTypedCharacterIsRaised()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        Fixture f;
        f.start();
        TypeName(f, typed);
        QCOMPARE(f.name->text(), shown);
    }

    void deadKeysAndPastes()
    {
        Fixture f;
        f.start();
        f.name->setFocus();
        QInputMethodEvent composed;
        composed.setCommitString(QStringLiteral("ê"));
        QApplication::sendEvent(f.name, &composed);
        QCOMPARE(f.name->text(), QStringLiteral("Ê"));

        f.name->clear();
        QApplication::clipboard()->setText(QStringLiteral("émile"));
        f.name->paste();
        QCOMPARE(f.name->text(), QStringLiteral("émile"));
    }

    void enterInTheNameBox()
    {
        Fixture f(TwoPersons());
        f.start();
        f.name->setFocus();
        QTest::keyClick(f.name, Qt::Key_Return);
        QCOMPARE(f.boxes.shown().size(), size_t(1));
        QCOMPARE(f.boxes.shown().back().text,
                 QStringLiteral("Aucun nom n'a été inscrit.\r\nVeuillez inscrire un nom."));
        QCOMPARE(f.boxes.shown().back().title, QStringLiteral("Erreur"));
        QCOMPARE(f.boxes.shown().back().icon, MessageIcon::Error);
        QCOMPARE(QApplication::focusWidget(), f.name);

        TypeName(f, QStringLiteral("zoé"));
        QTest::keyClick(f.name, Qt::Key_Enter);
        QCOMPARE(f.boxes.shown().back().text, AddedText(QStringLiteral("Zoé")));
        QCOMPARE(f.list->currentText(), QStringLiteral("Zoé"));
        QVERIFY(f.name->text().isEmpty());
    }

    // One refusal of each kind, as the window tells it; which names are refused is the rules' own test.
    void refusals_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << QString() << "Aucun nom n'a été inscrit.\r\nVeuillez inscrire un nom.";
        QTest::newRow("same name once stored") << "L'ami"
                                               << "Le nom inscrit existe déjà.\r\nVeuillez inscrire un autre nom.";
        QTest::newRow("tab") << QStringLiteral("Anne\tB")
                             << QStringLiteral("Le nom inscrit contient un caractère invisible ou de contrôle "
                                               "(tabulation, saut de ligne, marque de sens d'écriture...).\r\n"
                                               "Veuillez inscrire le nom sans ce caractère.");
    }
    void refusals()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        Fixture f({{Anne, QStringLiteral("a")},
                   {Bob, QStringLiteral("b")},
                   {QStringLiteral("L\"ami"), QString()},
                   {QStringLiteral("\u00C9lodie"), QString()}});
        f.start();
        f.type(QStringLiteral(" non enregistré"));
        const QStringList namesBefore = f.storedNames();
        // Pasted: typing drops what cannot be printed.
        f.name->setFocus();
        f.name->insert(typed);
        QTest::mouseClick(f.addButton, Qt::LeftButton);

        QCOMPARE(f.boxes.shown().size(), size_t(1));
        QCOMPARE(f.boxes.shown().back().text, message);
        QCOMPARE(QApplication::focusWidget(), f.name);
        QCOMPARE(f.name->text(), typed);
        QCOMPARE(f.storedNames(), namesBefore);
        QCOMPARE(f.stored(Anne), std::optional<QString>(QStringLiteral("a")));
        QCOMPARE(f.notes->text(), QStringLiteral("a non enregistré"));
        QCOMPARE(f.list->currentText(), Anne);
    }

    void namesThatAreNotDuplicates_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("apostrophes") << "D'Artagnan l'ami"
                                     << "D\"Artagnan l\"ami";
        QTest::newRow("double quotes and markup") << "<b>Léa \"la\"</b>"
                                                  << "<b>Léa \"la\"</b>";
    }
    void namesThatAreNotDuplicates()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        const ClockSeam clock(QDateTime(QDate(2009, 8, 22), QTime(5, 20)));
        Fixture f(TwoPersons());
        f.start();
        TypeName(f, typed);
        QTest::mouseClick(f.addButton, Qt::LeftButton);

        QCOMPARE(f.boxes.shown().size(), size_t(1));
        QCOMPARE(f.boxes.shown().back().title, QStringLiteral("Ajouter"));
        QCOMPARE(f.boxes.shown().back().icon, MessageIcon::Information);
        QCOMPARE(f.boxes.shown().back().text, AddedText(stored));
        QCOMPARE(f.list->currentText(), stored);
        QCOMPARE(f.notes->text(), QStringLiteral("samedi le 22 août 09 à 05:20\r\n"));
        QCOMPARE(f.stored(stored), std::optional<QString>(f.notes->text()));
        QCOMPARE(f.notes->textCursor().position(), f.notes->document()->characterCount() - 1);
        QCOMPARE(QApplication::focusWidget(), f.notes);
        QVERIFY(f.name->text().isEmpty());
        QCOMPARE(f.storedNames().count(stored), 1);
        QVERIFY(!f.failures.failed());
    }

    // The notes shown are written before the add, over the reserved entry too.
    void addingSavesTheNotesShown()
    {
        Fixture f;
        f.start();
        QCOMPARE(f.list->currentText(), ReservedPersonName);
        f.type(QStringLiteral(" l'essentiel"));
        const QString edited = f.notes->text();
        TypeName(f, QStringLiteral("Zed"));
        QTest::mouseClick(f.addButton, Qt::LeftButton);
        QCOMPARE(f.stored(ReservedPersonName), std::optional<QString>(QString(edited).replace(u'\'', u'"')));
        QCOMPARE(f.list->currentText(), QStringLiteral("Zed"));
    }

    void anEmptyListTakesAnAddButNoDelete()
    {
        Fixture f;
        f.file.open().DeletePerson(ReservedPersonName);
        f.start();
        QTest::mouseClick(f.deleteButton, Qt::LeftButton);
        QVERIFY(f.boxes.shown().empty());
        TypeName(f, QStringLiteral("anne"));
        QTest::keyClick(f.name, Qt::Key_Return);
        QCOMPARE(f.entries(), QStringList{Anne});
        QCOMPARE(f.list->currentText(), Anne);
        QVERIFY(!f.failures.failed());
    }

    void deleting()
    {
        Fixture f(TwoPersons());
        f.start();
        f.type(QStringLiteral(" modifié"));

        f.boxes.queueAnswer(MessageAnswer::No);
        QTest::mouseClick(f.deleteButton, Qt::LeftButton);
        const auto& question = f.boxes.shown().back();
        QCOMPARE(question.title, QStringLiteral("T'es Sur ?"));
        QCOMPARE(question.text,
                 QStringLiteral("Êtes-vous sur de supprimer : \r\nAnne\r\nAinsi que toutes ses plorns ?"));
        QCOMPARE(question.icon, MessageIcon::Error);
        QCOMPARE(question.buttons, MessageButtons::YesNo);
        QCOMPARE(question.defaultAnswer, MessageAnswer::Yes);
        QCOMPARE(f.storedNames().size(), 3);
        QCOMPARE(f.notes->text(), QStringLiteral("Anne doit 10 € modifié"));

        // Escape and the close box answer as no answer at all: nothing deleted.
        QTest::mouseClick(f.deleteButton, Qt::LeftButton);
        QCOMPARE(f.storedNames().size(), 3);

        f.boxes.queueAnswer(MessageAnswer::Yes);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(!f.storedNames().contains(Anne));
        QCOMPARE(f.entries(), (QStringList{Bob, ReservedPersonName}));
        QCOMPARE(f.list->currentText(), Bob);
        QCOMPARE(f.notes->text(), QStringLiteral("Bob doit 5 €"));
        QCOMPARE(f.stored(Bob), std::optional<QString>(QStringLiteral("Bob doit 5 €")));
    }

    void theReservedEntryCannotBeDeleted()
    {
        Fixture f;
        f.start();
        f.boxes.queueAnswer(MessageAnswer::Yes);
        QTest::mouseClick(f.deleteButton, Qt::LeftButton);
        QCOMPARE(f.boxes.shown().size(), size_t(1));
        QCOMPARE(f.boxes.shown().back().text,
                 QStringLiteral("Vous ne pouvez pas supprimer cette utilisateur Désoler."));
        QCOMPARE(f.boxes.shown().back().title, QStringLiteral("Erreur"));
        QCOMPARE(f.storedNames(), QStringList{ReservedPersonName});
    }

    void buttonsByKeyboard()
    {
        Fixture f(TwoPersons());
        f.start();
        TypeName(f, QStringLiteral("carl"));
        QTest::keyClick(f.name, Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(f.list->currentText(), QStringLiteral("Carl"));
        TypeName(f, QStringLiteral("dan"));
        f.addButton->setFocus();
        QTest::keyClick(f.addButton, Qt::Key_Space);
        QCOMPARE(f.list->currentText(), QStringLiteral("Dan"));
        f.boxes.queueAnswer(MessageAnswer::Yes);
        f.deleteButton->setFocus();
        QTest::keyClick(f.deleteButton, Qt::Key_Return);
        QVERIFY(!f.storedNames().contains(QStringLiteral("Dan")));
    }

    // The engine's refusal during an add ends the program; what it had written stays written.
    void aFailedAddEndsTheProgram()
    {
        Fixture f(TwoPersons());
        f.start();
        {
            FaultVfs faults;
            f.window.reset();
            f.start();
            f.type(QStringLiteral(" sauvé"));
            // The save point went through; the add itself meets a full disk.
            TypeName(f, QStringLiteral("Eve"));
            f.notes->setChanged(false);
            faults.failWrites(SQLITE_FULL);
            QTest::mouseClick(f.addButton, Qt::LeftButton);
            QCOMPARE(f.failures.messages().size(), 1);
            QVERIFY(
                f.failures.messages().front().endsWith(QStringLiteral("(la base de données ou le disque est plein)")));
            faults.failWrites(0);
            f.window.reset();
        }
        QVERIFY(!f.storedNames().contains(QStringLiteral("Eve")));
    }
};

QTEST_MAIN(TestPersons)
#include "tst_persons.moc"
