#include "support/MainWindowFixture.h"
#include "ui/main/FormatStamp.h"
#include "ui/toolkit/Clock.h"
#include "ui/toolkit/NotesBox.h"
#include "ui/toolkit/PersonList.h"
#include "ui/toolkit/Translations.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>

namespace {

QDateTime At(int year, int month, int day, int hour, int minute)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute));
}

const QLocale French(QLocale::French, QLocale::France);

// The moment every window test runs at, and its stamp.
const QDateTime Now = At(2026, 12, 7, 17, 13);
const QString NowStamp = QStringLiteral("lundi le 7 décembre 26 à 17:13\r\n");

} // namespace

class TestStamp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(French); }

    void stamps_data()
    {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("French") << At(2009, 8, 22, 5, 20) << French << "samedi le 22 août 09 à 05:20\r\n";
        QTest::newRow("day unpadded, time padded")
            << At(2026, 12, 5, 9, 5) << French << "samedi le 5 décembre 26 à 09:05\r\n";
        QTest::newRow("year 2000") << At(2000, 1, 1, 0, 0) << French << "samedi le 1 janvier 00 à 00:00\r\n";
        QTest::newRow("evening") << At(2031, 3, 31, 23, 59) << French << "lundi le 31 mars 31 à 23:59\r\n";
        QTest::newRow("Finnish names and separator")
            << At(2009, 8, 22, 5, 20) << QLocale(QLocale::Finnish, QLocale::Finland)
            << "lauantaina le 22 elokuuta 09 à 05.20\r\n";
        QTest::newRow("Arabic names, ASCII digits")
            << At(2009, 8, 22, 17, 20) << QLocale(QLocale::Arabic, QLocale::Egypt)
            << "السبت le 22 أغسطس 09 à 17:20\r\n";
        QTest::newRow("C locale") << At(2009, 8, 22, 5, 20) << QLocale::c() << "Saturday le 22 August 09 à 05:20\r\n";
    }
    void stamps()
    {
        QFETCH(QDateTime, when);
        QFETCH(QLocale, locale);
        QFETCH(QString, expected);
        QCOMPARE(FormatStamp(when, locale), expected);
    }

    void theStampOfNowUsesTheClockAndTheDefaultLocale()
    {
        const ClockSeam clock(Now);
        QCOMPARE(FormatStamp(), NowStamp);
        QLocale::setDefault(QLocale(QLocale::Finnish, QLocale::Finland));
        QCOMPARE(FormatStamp(), QStringLiteral("maanantaina le 7 joulukuuta 26 à 17.13\r\n"));
    }

    // The stamp's names are French whatever the desktop's language; a French system keeps its own forms.
    void theProgramLocale_data()
    {
        QTest::addColumn<QLocale>("system");
        QTest::addColumn<QLocale>("expected");
        const QLocale france(QLocale::French, QLocale::France);
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << france;
        QTest::newRow("C, as with no LANG") << QLocale::c() << france;
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << france;
        QTest::newRow("Belgium") << QLocale(QLocale::French, QLocale::Belgium)
                                 << QLocale(QLocale::French, QLocale::Belgium);
        QTest::newRow("Canada") << QLocale(QLocale::French, QLocale::Canada)
                                << QLocale(QLocale::French, QLocale::Canada);
        QTest::newRow("Switzerland") << QLocale(QLocale::French, QLocale::Switzerland)
                                     << QLocale(QLocale::French, QLocale::Switzerland);
    }
    void theProgramLocale()
    {
        QFETCH(QLocale, system);
        QFETCH(QLocale, expected);
        QCOMPARE(ProgramLocale(system), expected);
    }

    // Started with no LANG, the program still stamps in French.
    void theStampIsFrenchAfterTheStartUpWhateverTheSystem()
    {
        QLocale::setDefault(QLocale::c());
        InstallFrenchTranslations(*QCoreApplication::instance());
        const ClockSeam clock(Now);
        QCOMPARE(FormatStamp(), NowStamp);
    }

    void theDateButton_data()
    {
        QTest::addColumn<QString>("notes");
        QTest::addColumn<QString>("before");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("abc") << "abc"
                             << "abc\r\n\r\n";
        QTest::newRow("ending in CR LF") << "abc\r\n"
                                         << "abc\r\n\r\n\r\n";
    }
    void theDateButton()
    {
        QFETCH(QString, notes);
        QFETCH(QString, before);
        const ClockSeam clock(Now);
        Fixture f({{QStringLiteral("Anne"), notes}});
        f.start();
        f.dateButton->setFocus();
        QTest::mouseClick(f.dateButton, Qt::LeftButton);
        QCOMPARE(f.notes->text(), before + NowStamp);
        QCOMPARE(f.notes->textCursor().position(), f.notes->document()->characterCount() - 1);
        QCOMPARE(QApplication::focusWidget(), f.notes);
        QVERIFY(f.notes->isChanged());
        QCOMPARE(f.stored(QStringLiteral("Anne")), std::optional<QString>(notes));

        // Saved at the next save point, like typed notes.
        const QString stamped = f.notes->text();
        f.openAndCloseTheList();
        QCOMPARE(f.stored(QStringLiteral("Anne")), std::optional<QString>(stamped));
    }

    void theDateButtonByKeyboard()
    {
        const ClockSeam clock(Now);
        Fixture f({{QStringLiteral("Anne"), QStringLiteral("x")}});
        f.start();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::AltModifier);
        // An access key presses the button as a click would, after its brief pressed look.
        QTRY_VERIFY(f.notes->text().startsWith(QStringLiteral("x\r\n\r\n")));
        f.dateButton->setFocus();
        QTest::keyClick(f.dateButton, Qt::Key_Return);
        f.dateButton->setFocus();
        QTest::keyClick(f.dateButton, Qt::Key_Space);
        QCOMPARE(f.notes->text(), QStringLiteral("x\r\n\r\n") + NowStamp + QStringLiteral("\r\n\r\n") + NowStamp +
                                      QStringLiteral("\r\n\r\n") + NowStamp);
    }

    // A stamp is an edit: switching person with the arrow keys saves it.
    void aStampIsSavedOnAQuietSwitch()
    {
        Fixture f({{QStringLiteral("Anne"), QStringLiteral("a")}, {QStringLiteral("Bob"), QStringLiteral("b")}});
        f.start();
        QTest::mouseClick(f.dateButton, Qt::LeftButton);
        const QString stamped = f.notes->text();
        f.list->setFocus();
        QTest::keyClick(f.list, Qt::Key_Down);
        QCOMPARE(f.stored(QStringLiteral("Anne")), std::optional<QString>(stamped));
    }
};

QTEST_MAIN(TestStamp)
#include "tst_stamp.moc"
