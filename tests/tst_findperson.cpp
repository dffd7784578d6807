// Typing on the person list to find a person: which names a typed text finds, in which order, and the window
// driven by the keyboard while it finds them.

#include "ledger/SqliteHandles.h"
#include "persons/MatchFolding.h"
#include "persons/NameFinder.h"
#include "support/LedgerTestAccess.h"
#include "support/MainWindowFixture.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QInputMethodEvent>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QStringList FirstNames{u"Amélie"_s, u"Chloé"_s, u"Noël"_s, u"Hélène"_s, u"Jérôme"_s,
                             u"Zoé"_s,    u"André"_s, u"Léa"_s,  u"Gaëlle"_s, u"Françoise"_s,
                             u"Anaïs"_s,  u"Agnès"_s, u"Loïc"_s, u"Maëlle"_s, u"Raphaël"_s};
const QStringList LastNames{u"Dupont"_s,   u"Lefèvre"_s, u"Bénard"_s,  u"Côté"_s,     u"Émond"_s,
                            u"Grégoire"_s, u"Hébert"_s,  u"Leclère"_s, u"Mérieux"_s,  u"Pâris"_s,
                            u"Rémy"_s,     u"Séguin"_s,  u"Thérien"_s, u"Vézina"_s,   u"Zéphir"_s,
                            u"Aubé"_s,     u"Béland"_s,  u"Caron"_s,   u"Dufresne"_s, u"Gélinas"_s};
const QStringList Erics{u"Éric"_s, u"Érica"_s, u"Frédéric"_s};

// 300 accented names, none with "eric" in it, and the three that have it, added in one transaction.
void AddManyPersons(const TempLedger& file)
{
    OtherConnection batch(file.path());
    Execute(batch.get(), "BEGIN");
    for (const QString& first : FirstNames)
        for (const QString& last : LastNames)
            batch.AddPerson(first + u' ' + last, u"notes de "_s + first);
    for (const QString& eric : Erics)
        batch.AddPerson(eric, eric + u" doit 3 €"_s);
    Execute(batch.get(), "COMMIT");
}

QStringList Texts(const QAbstractItemModel& model)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, 0).data().toString();
    return texts;
}

// Where the user's key goes: the list part while it is open.
QWidget* KeyTarget(PersonList* list)
{
    return list->view()->isVisible() ? list->view() : QApplication::focusWidget();
}

} // namespace

class TestFindPerson : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void whatATypedTextFinds_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("added");
        QTest::addColumn<QString>("removed");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("accents, starts first") << u"eric"_s << QString() << QString() << Erics;
        QTest::newRow("case and accents typed") << u"ÉRIC"_s << QString() << QString() << Erics;
        QTest::newRow("inside a name") << u"dup"_s << QString() << QString() << QStringList{u"Jean Dupont"_s};
        QTest::newRow("ligature") << u"oe"_s << QString() << QString()
                                  << QStringList{u"Œdipe"_s, u"Marie-Noëlle"_s, u"Zoé"_s};
        QTest::newRow("starts first, then list order")
            << u"O"_s << QString() << QString()
            << QStringList{u"Œdipe"_s, u"Jean Dupont"_s, u"Marie-Noëlle"_s, u"Zoé"_s};
        QTest::newRow("nothing") << u"xyz"_s << QString() << QString() << QStringList();
        QTest::newRow("across two names") << u"c\nj"_s << QString() << QString() << QStringList();
        QTest::newRow("added") << u"dupont"_s << u"Dupont Anne"_s << QString()
                               << QStringList{u"Dupont Anne"_s, u"Jean Dupont"_s};
        QTest::newRow("removed") << u"eric"_s << QString() << u"Érica"_s << QStringList{u"Éric"_s, u"Frédéric"_s};
        QTest::newRow("added, removed") << u"ede"_s << u"Cédric Bède"_s << u"Frédéric"_s
                                        << QStringList{u"Cédric Bède"_s};
    }
    // The names are folded before the list changes: the finder keeps in step with it.
    void whatATypedTextFinds()
    {
        QFETCH(QString, typed);
        QFETCH(QString, added);
        QFETCH(QString, removed);
        QFETCH(QStringList, found);
        NameList names;
        names.fill([](const std::function<void(QByteArrayView)>& add) {
            for (const QString& name :
                 {u"Zoé"_s, u"Œdipe"_s, u"Jean Dupont"_s, u"Éric"_s, u"Marie-Noëlle"_s, u"Frédéric"_s, u"Érica"_s})
                add(name.toUtf8());
        });
        NameFinder finder(names);
        finder.prepare();
        if (!added.isEmpty())
            names.insert(added.toUtf8());
        if (!removed.isEmpty())
            names.removeAll(removed.toUtf8());
        QStringList texts;
        for (const int row : finder.find(typed))
            texts << names.index(row).data().toString();
        QCOMPARE(texts, found);
    }

    // Over a few thousand bytes of names, every place a text can start at is tried: the same rows as a plain search.
    void agreesWithAPlainSearch()
    {
        NameList names;
        names.fill([](const std::function<void(QByteArrayView)>& add) {
            for (const QString& first : FirstNames)
                for (const QString& last : LastNames)
                    add((first + u' ' + last).toUtf8());
        });
        NameFinder finder(names);
        for (const QString& typed : {u"é"_s, u"ne"_s, u"lle"_s, u"ber"_s, u"e g"_s, u"mond"_s, u"zephir"_s, u"q"_s}) {
            std::vector<int> starting;
            std::vector<int> containing;
            const QString folded = FoldedForMatching(typed);
            for (int row = 0; row < names.rowCount(); ++row) {
                const qsizetype at = FoldedForMatching(names.index(row).data().toString()).indexOf(folded);
                if (at >= 0)
                    (at == 0 ? starting : containing).push_back(row);
            }
            starting.insert(starting.end(), containing.begin(), containing.end());
            QCOMPARE(finder.find(typed), starting);
        }
    }

    void typingOnTheList_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QStringList>("foundBeforeKeys");
        QTest::addColumn<QString>("shown"); // empty: the person shown before
        QTest::newRow("Enter") << u"eric"_s << QList<int>{Qt::Key_Return} << Erics << Erics[0];
        QTest::newRow("Down, Enter") << u"eric"_s << QList<int>{Qt::Key_Down, Qt::Key_Return} << Erics << Erics[1];
        QTest::newRow("Escape") << u"eric"_s << QList<int>{Qt::Key_Escape} << Erics << QString();
        QTest::newRow("Backspace widens")
            << u"ericx"_s << QList<int>{Qt::Key_Backspace, Qt::Key_Return} << QStringList() << Erics[0];
        QTest::newRow("composed accent") << u"\u00e9ric"_s << QList<int>{Qt::Key_Return} << Erics << Erics[0];
        QTest::newRow("nothing, Enter, Escape")
            << u"xyz"_s << QList<int>{Qt::Key_Return, Qt::Key_Escape} << QStringList() << QString();
    }
    // The notes edited before stay as typed (saved when the list opened), a pick shows the notes of the person found
    // with one click, Escape shows no one else; no key reaches the notes.
    void typingOnTheList()
    {
        QFETCH(QString, typed);
        QFETCH(QList<int>, keys);
        QFETCH(QStringList, foundBeforeKeys);
        QFETCH(QString, shown);
        Fixture f;
        AddManyPersons(f.file);
        f.start();
        const QString before = f.list->currentText();
        f.type(u" payé"_s);
        const QString edited = f.notes->text();
        f.list->setFocus();
        QSignalSpy clicks(f.list, &PersonList::listClick);
        for (const char32_t c : typed.toUcs4()) {
            const QString character = QString::fromUcs4(&c, 1);
            // Letters beyond ASCII come as a dead key or an input method gives them.
            if (c < 0x80) {
                QTest::keyClicks(KeyTarget(f.list), character);
                continue;
            }
            QInputMethodEvent composed;
            composed.setCommitString(character);
            QApplication::sendEvent(KeyTarget(f.list), &composed);
        }
        QVERIFY(f.list->view()->isVisible());
        QCOMPARE(Texts(*f.list->view()->model()), foundBeforeKeys);
        if (foundBeforeKeys.isEmpty())
            QCOMPARE(f.list->view()->accessibleName(), u"« %1 » : aucune personne"_s.arg(typed));
        QCOMPARE(f.notes->text(), edited);
        QTRY_COMPARE(f.stored(before), std::optional<QString>(edited));
        for (const int key : keys)
            QTest::keyClick(KeyTarget(f.list), Qt::Key(key));
        QVERIFY(!f.list->view()->isVisible());
        QCOMPARE(f.list->view()->model(), f.list->model());
        QCOMPARE(f.list->currentText(), shown.isEmpty() ? before : shown);
        QCOMPARE(clicks.size(), shown.isEmpty() ? 0 : 1);
        QCOMPARE(f.notes->text(), shown.isEmpty() ? edited : shown + u" doit 3 €"_s);
        QVERIFY(!f.failures.failed());
        QVERIFY(f.boxes.shown().empty());
    }
};

QTEST_MAIN(TestFindPerson)
#include "tst_findperson.moc"
