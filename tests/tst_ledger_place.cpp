#include "app/LedgerPlace.h"
#include "app/UserLedgerFolder.h"
#include "ledger/Ledger.h"
#include "ledger/LedgerFile.h"
#include "ledger/WelcomeNote.h"
#include "support/LedgerTestAccess.h"
#include "support/TempLedger.h"
#include "ui/toolkit/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A user the test's user is not, for the folders that must be refused; only root can hand files over.
constexpr uid_t Stranger = 65534;

} // namespace

class TestLedgerPlace : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void placeFollowsWhereTheProgramIs_data()
    {
        QTest::addColumn<QString>("executableFolder");
        QTest::addColumn<QByteArray>("xdgDataHome");
        QTest::addColumn<QByteArray>("home");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("inUserData");
        const QByteArray home = "/home/léa";
        const QString userData = QStringLiteral("/home/léa/.local/share/quentaril");
        QTest::newRow("package") << QStringLiteral("/usr/bin") << QByteArray() << home << userData << true;
        QTest::newRow("system install") << QStringLiteral("/usr/local/bin") << QByteArray() << home << userData << true;
        QTest::newRow("data home set") << QStringLiteral("/usr/bin") << QByteArray("/srv/données/") << home
                                       << QStringLiteral("/srv/données/quentaril") << true;
        QTest::newRow("relative data home ignored")
            << QStringLiteral("/usr/bin") << QByteArray("données") << home << userData << true;
        QTest::newRow("no home") << QStringLiteral("/usr/bin") << QByteArray() << QByteArray() << QString() << true;
        QTest::newRow("relative home") << QStringLiteral("/usr/bin") << QByteArray() << QByteArray("léa") << QString()
                                       << true;
        QTest::newRow("data home not UTF-8") << QStringLiteral("/usr/bin")
                                             << QByteArray("/srv/donn\xE9"
                                                           "es")
                                             << home << QString() << true;
        QTest::newRow("build") << QStringLiteral("/home/léa/quentaril/build") << QByteArray("/srv") << home
                               << QStringLiteral("/home/léa/quentaril/build") << false;
        QTest::newRow("user install") << userData << QByteArray() << home << userData << false;
        QTest::newRow("only a name like /usr")
            << QStringLiteral("/usrlocal/bin") << QByteArray() << home << QStringLiteral("/usrlocal/bin") << false;
    }
    void placeFollowsWhereTheProgramIs()
    {
        QFETCH(QString, executableFolder);
        QFETCH(QByteArray, xdgDataHome);
        QFETCH(QByteArray, home);
        const LedgerPlace place = ChooseLedgerPlace(executableFolder, xdgDataHome, home);
        QTEST(place.folder, "folder");
        QTEST(place.inUserData, "inUserData");
    }

    // The folder as a start finds it: what is made, what is refused, and the mode it is left with.
    void userFolderMadeOrRefused_data()
    {
        QTest::addColumn<QString>("found");
        QTest::addColumn<bool>("ready");
        QTest::newRow("missing with its parents") << QStringLiteral("missing") << true;
        QTest::newRow("open to others") << QStringLiteral("open") << true;
        QTest::newRow("the user's link to the user's folder") << QStringLiteral("own link") << true;
        QTest::newRow("a file") << QStringLiteral("file") << false;
        QTest::newRow("someone else's folder") << QStringLiteral("stranger's folder") << false;
        QTest::newRow("a link to someone else's folder") << QStringLiteral("link to stranger's") << false;
        QTest::newRow("someone else's link") << QStringLiteral("stranger's link") << false;
    }
    void userFolderMadeOrRefused()
    {
        QFETCH(QString, found);
        QFETCH(bool, ready);
        if (found.contains(QStringLiteral("stranger")) && ::getuid() != 0)
            QSKIP("only root can give a folder to another user");
        QTemporaryDir scratch;
        const QString data = scratch.path() + QStringLiteral("/data");
        const QString folder = data + QStringLiteral("/quentaril");
        const QString target = scratch.path() + QStringLiteral("/elsewhere");
        const QByteArray encodedFolder = QFile::encodeName(folder);
        if (found != QStringLiteral("missing"))
            QVERIFY(QDir().mkpath(data));
        if (found == QStringLiteral("open"))
            QVERIFY(QDir().mkdir(folder, QFile::Permissions(0x7755)));
        if (found == QStringLiteral("file"))
            QVERIFY(QFile(folder).open(QIODevice::WriteOnly));
        if (found.contains(QStringLiteral("link"))) {
            QVERIFY(QDir().mkdir(target));
            QVERIFY(QFile::link(target, folder));
        }
        if (found == QStringLiteral("stranger's folder")) {
            QVERIFY(QDir().mkdir(folder));
            QCOMPARE(::chown(encodedFolder.constData(), Stranger, Stranger), 0);
        }
        if (found == QStringLiteral("link to stranger's"))
            QCOMPARE(::chown(QFile::encodeName(target).constData(), Stranger, Stranger), 0);
        if (found == QStringLiteral("stranger's link"))
            QCOMPARE(::lchown(encodedFolder.constData(), Stranger, Stranger), 0);

        const QString refusal = PrepareUserLedgerFolder(folder);
        QCOMPARE(refusal.isEmpty(), ready);
        if (!ready) {
            QVERIFY2(refusal.contains(folder), qPrintable(refusal));
            return;
        }
        QCOMPARE(FileMode(folder), mode_t(0700));
        if (found == QStringLiteral("missing"))
            QCOMPARE(FileMode(data), mode_t(0700));
        if (found == QStringLiteral("own link"))
            QCOMPARE(FileMode(target), mode_t(0700));
    }

    // A first start makes the ledger and says so; a later one, or a file of any kind in its place, changes nothing.
    void missingLedgerMadeOnce()
    {
        QTemporaryDir folder;
        const QString path = LedgerPathIn(folder.path());
        MessageBoxSeam boxes;
        MakeMissingLedger(folder.path());
        QCOMPARE(FileMode(path), mode_t(0600));
        QCOMPARE(OpenLedgerFile(path).ReadNotes(ReservedPersonName), std::optional<QString>(WelcomeNote));
        QCOMPARE(boxes.shown().size(), size_t(1));
        QVERIFY2(boxes.shown().front().text.contains(path), qPrintable(boxes.shown().front().text));

        const QByteArray made = FileBytes(path);
        MakeMissingLedger(folder.path());
        QCOMPARE(FileBytes(path), made);
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::link(folder.path() + QStringLiteral("/gone"), path));
        MakeMissingLedger(folder.path());
        QCOMPARE(QFileInfo(path).symLinkTarget(), folder.path() + QStringLiteral("/gone"));
        QCOMPARE(boxes.shown().size(), size_t(1));
    }
};

QTEST_GUILESS_MAIN(TestLedgerPlace)
#include "tst_ledger_place.moc"
