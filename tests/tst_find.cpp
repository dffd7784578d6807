#include "persons/NotesSearch.h"
#include "support/MainWindowFixture.h"
#include "ui/find/FindWindow.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <optional>
#include <tuple>

using Places = QList<std::pair<qsizetype, qsizetype>>;
using Found = QList<std::pair<QString, QString>>;

namespace {

Places PlacesOf(const std::vector<TextMatch>& matches)
{
    Places places;
    for (const TextMatch& match : matches)
        places.append({match.begin, match.length});
    return places;
}

// Runs a search of every person's notes to its end and returns what it found: name and line.
Found SearchToTheEnd(const QString& path, const QString& needle, MatchOptions options = {})
{
    NotesSearch search;
    Found found;
    QObject::connect(&search, &NotesSearch::found, [&](const QList<FoundPerson>& persons) {
        for (const FoundPerson& person : persons)
            found.append({person.person.text(), person.line});
    });
    bool finished = false;
    QObject::connect(&search, &NotesSearch::finished, [&] { finished = true; });
    search.start(path, needle, options);
    if (!QTest::qWaitFor([&] { return finished; }, 10000))
        return {{QStringLiteral("not finished"), QString()}};
    return found;
}

} // namespace

class TestFind : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void findsInText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("needle");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("matchAccents");
        QTest::addColumn<Places>("places");
        const QString eric = QStringLiteral("Éric et eric");
        QTest::newRow("case and accents ignored") << eric << "ERIC" << false << false << Places{{0, 4}, {8, 4}};
        QTest::newRow("case asked") << eric << "eric" << true << false << Places{{8, 4}};
        QTest::newRow("accents asked") << eric << "éric" << false << true << Places{{0, 4}};
        QTest::newRow("accented needle") << "ete"
                                         << "été" << false << false << Places{{0, 3}};
        QTest::newRow("mark taken with its letter") << "e\u0301te"
                                                    << "ete" << false << false << Places{{0, 4}};
        QTest::newRow("ligature, whole") << "Œdipe"
                                         << "oe" << false << false << Places{{0, 1}};
        QTest::newRow("half a ligature") << "cœur"
                                         << "o" << false << false << Places{{1, 1}};
        QTest::newRow("sharp s") << "Straße"
                                 << "STRASSE" << false << false << Places{{0, 6}};
        QTest::newRow("no overlap") << "aaaaa"
                                    << "aa" << false << false << Places{{0, 2}, {2, 2}};
        QTest::newRow("start and end") << "ab\u2029xab"
                                       << "ab" << false << false << Places{{0, 2}, {4, 2}};
        QTest::newRow("none") << "abc"
                              << "x" << false << false << Places{};
        QTest::newRow("empty needle") << "abc"
                                      << "" << false << false << Places{};
        const QString longLine(100000, u'x');
        QTest::newRow("past the first piece") << longLine + u'\u2029' + longLine + "Fin"
                                              << "fin" << false << false << Places{{2 * longLine.size() + 1, 3}};
    }
    void findsInText()
    {
        QFETCH(QString, text);
        QFETCH(QString, needle);
        QFETCH(bool, matchCase);
        QFETCH(bool, matchAccents);
        QFETCH(Places, places);
        QCOMPARE(PlacesOf(FindAllMatches(text, needle, {matchCase, matchAccents})), places);
    }

    void searchesEveryPerson_data()
    {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<bool>("matchAccents");
        QTest::addColumn<Found>("found");
        const QString long1 = QString(150, u'a') + "Éloïse" + QString(150, u'b');
        QTest::newRow("accents ignored") << "eloise" << false
                                         << Found{{"Émile", "Il doit 5 € à Éloïse"},
                                                  {"Zoé", "éloïse au début"},
                                                  {"Bob", "fin : ELOISE"},
                                                  {"Long", "…" + long1.mid(120, 100) + "…"}};
        QTest::newRow("accents asked") << "éloïse" << true
                                       << Found{{"Émile", "Il doit 5 € à Éloïse"},
                                                {"Zoé", "éloïse au début"},
                                                {"Long", "…" + long1.mid(120, 100) + "…"}};
        QTest::newRow("none") << "zzzz" << false << Found{};
        QTest::newRow("nothing to find") << "\u0301" << false << Found{};
    }
    void searchesEveryPerson()
    {
        QFETCH(QString, needle);
        QFETCH(bool, matchAccents);
        QFETCH(Found, found);
        TempLedger file;
        Ledger ledger = file.open();
        ledger.AddPerson(QStringLiteral("Émile"), QStringLiteral("rien\r\nIl doit 5 € à Éloïse\r\nrembourse"));
        ledger.AddPerson(QStringLiteral("Zoé"), QStringLiteral("éloïse au début\r\n"));
        ledger.AddPerson(QStringLiteral("Léa"), QStringLiteral("rien"));
        ledger.AddPerson(QStringLiteral("Bob"), QStringLiteral("x\r\nfin : ELOISE"));
        ledger.AddPerson(QStringLiteral("Long"), QString(150, u'a') + "Éloïse" + QString(150, u'b'));
        QCOMPARE(SearchToTheEnd(file.path(), needle, {false, matchAccents}), found);
    }

    // Stopped, nothing more comes; a search started over one running replaces it; a missing ledger is told.
    void stopsAndFails()
    {
        TempLedger file;
        file.open().AddPerson(QStringLiteral("Léa"), QStringLiteral("éloïse"));
        NotesSearch search;
        int found = 0, finished = 0;
        std::optional<LedgerFailure> failed;
        connect(&search, &NotesSearch::found, [&](const QList<FoundPerson>& persons) { found += persons.size(); });
        connect(&search, &NotesSearch::finished, [&] { ++finished; });
        connect(&search, &NotesSearch::failed, [&](const LedgerError& failure) { failed = failure.kind(); });
        search.start(file.path(), QStringLiteral("eloise"), {});
        search.stop();
        QVERIFY(!search.isRunning());
        QTest::qWait(100);
        QCOMPARE(found + finished, 0);
        search.start(file.path(), QStringLiteral("zzz"), {});
        search.start(file.path(), QStringLiteral("eloise"), {});
        QTRY_COMPARE(finished, 1);
        QCOMPARE(found, 1);
        search.start(file.path() + QStringLiteral(".absent"), QStringLiteral("a"), {});
        QTRY_VERIFY(failed.has_value());
        QCOMPARE(*failed, LedgerFailure::Missing);
        QVERIFY(!search.isRunning());
    }

    // The search holds the ledger's read lock for a batch at a time: a save with a short wait goes through while it
    // runs, and the search reads what was saved.
    void aSaveGoesThroughWhileSearching()
    {
        TempLedger file;
        {
            Ledger ledger = file.open();
            for (int person = 0; person < 40; ++person)
                ledger.AddPerson(QStringLiteral("p%1").arg(person), QString(512 * 1024, u'é'));
        }
        Ledger writer = OpenLedgerFile(file.path(), LedgerPassword, 300);
        NotesSearch search;
        int found = 0;
        connect(&search, &NotesSearch::found, [&](const QList<FoundPerson>& persons) { found += persons.size(); });
        search.start(file.path(), QStringLiteral("eeee"), {});
        QTRY_VERIFY(found > 0);
        // The last person's notes, saved before the search reaches them, no longer hold what is looked for.
        writer.SaveNotes(QStringLiteral("p39"), QStringLiteral("enregistré"));
        QTRY_VERIFY(!search.isRunning());
        QCOMPARE(found, 39);
    }

    // Ctrl+F, typing, F3 and Shift+F3 through the matches, Escape; then a person found elsewhere picked: the notes
    // shown before are saved, the person picked shown with the match selected.
    void findsThroughTheWindow()
    {
        const QString alice = QStringLiteral("Prêt à Éloïse\r\nrendu par eloise\r\nÉLOÏSE");
        Fixture f({{QStringLiteral("Alice"), alice},
                   {QStringLiteral("Bob"), QStringLiteral("rien")},
                   {QStringLiteral("Zoé"), QStringLiteral("ligne\r\ndoit à Éloïse")}});
        f.start();
        QTest::keyClick(f.notes, Qt::Key_F, Qt::ControlModifier);
        auto* window = f.window->findChild<FindWindow*>();
        QVERIFY(window);
        QTRY_COMPARE(QApplication::activeWindow(), window);
        QCOMPARE(window->windowTitle(), QStringLiteral("Rechercher"));
        QCOMPARE(QApplication::focusWidget(), window->findChild<QLineEdit*>());
        TypeText(QApplication::focusWidget(), QStringLiteral("eloise"));
        const auto selected = [&f] {
            const QTextCursor cursor = f.notes->textCursor();
            return TextMatch{cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart()};
        };
        const std::vector<TextMatch> places = FindAllMatches(f.notes->document()->toRawText(), u"eloise", {});
        QCOMPARE(places.size(), 3u);
        QCOMPARE(f.notes->extraSelections().size(), 3);
        // The caret was at the end: the search wraps round to the first match.
        for (const auto& [key, modifiers, expected] : {std::tuple{0, Qt::NoModifier, 0},
                                                       {Qt::Key_F3, Qt::NoModifier, 1},
                                                       {Qt::Key_F3, Qt::NoModifier, 2},
                                                       {Qt::Key_F3, Qt::NoModifier, 0},
                                                       {Qt::Key_F3, Qt::ShiftModifier, 2}}) {
            if (key != 0)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
            QCOMPARE(selected(), places[expected]);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        QVERIFY(f.notes->extraSelections().isEmpty());
        QTRY_COMPARE(QApplication::focusWidget(), f.notes);

        f.type(QStringLiteral(" ajouté"));
        QTest::keyClick(f.notes, Qt::Key_F, Qt::ControlModifier);
        for (QCheckBox* option : window->findChildren<QCheckBox*>())
            if (option->text().contains(QStringLiteral("toutes")))
                option->setChecked(true);
        auto* list = window->findChild<QListView*>();
        QTRY_COMPARE(list->model()->rowCount(), 2);
        list->setFocus();
        list->setCurrentIndex(list->model()->index(1, 0));
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(f.stored(QStringLiteral("Alice")), alice + QStringLiteral(" ajouté"));
        QCOMPARE(f.list->currentText(), QStringLiteral("Zoé"));
        QCOMPARE(selected(), FindAllMatches(f.notes->document()->toRawText(), u"eloise", {}).front());
        QVERIFY(!f.failures.failed());
    }
};

QTEST_MAIN(TestFind)
#include "tst_find.moc"
