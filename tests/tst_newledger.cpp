#include "ledger/Ledger.h"
#include "ledger/LedgerError.h"
#include "ledger/NewLedger.h"
#include "ledger/WelcomeNote.h"
#include "support/LedgerTestAccess.h"
#include "support/TempLedger.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

namespace {

int RunTool(const QStringList& arguments)
{
    QProcess tool;
    tool.start(qEnvironmentVariable("QUENTARIL_NEWLEDGER"), arguments);
    tool.waitForFinished();
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

} // namespace

class TestNewLedger : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aNewLedger()
    {
        QTemporaryDir folder;
        const QString path = LedgerPathIn(folder.path());
        CreateNewLedger(path);
        QCOMPARE(FileMode(path), mode_t(0600));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{LedgerFileName});

        Ledger ledger = OpenLedgerFile(path);
        QCOMPARE(NamesOf(ledger.ListPersons()), QStringList{ReservedPersonName});
        QCOMPARE(ledger.ReadNotes(ReservedPersonName), std::optional<QString>(WelcomeNote));
        QVERIFY(WelcomeNote.contains(QStringLiteral("\r\n")));
        QVERIFY(!WelcomeNote.contains(QLatin1Char('\'')));
        // What a newcomer needs: what a plorn is, that the reserved entry keeps its notes unsaved, where the
        // ledger and its backups are.
        for (const QString& needed :
             {QStringLiteral("Un plorn, c’est"), QStringLiteral("« Varnokel »"), QStringLiteral("n’est pas enregistré"),
              QStringLiteral("BDPLORN.mdb"), QStringLiteral("BDPLORN-sauvegardes")})
            QVERIFY2(WelcomeNote.contains(needed), qPrintable(needed));
        const QByteArray schema = RunSqlcipherCli(
            path, LedgerPassword, QStringLiteral("SELECT sql FROM sqlite_master WHERE name='tblPlorn';"));
        QVERIFY2(schema.contains("NomPers TEXT NOT NULL UNIQUE") && schema.contains("LesPlorns TEXT"), schema);
    }

    void neverOverwrites()
    {
        QTemporaryDir folder;
        const QString path = LedgerPathIn(folder.path());
        QFile existing(path);
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("a user's ledger");
        existing.close();
        QVERIFY_THROWS_EXCEPTION(LedgerError, CreateNewLedger(path));
        QCOMPARE(FileBytes(path), QByteArray("a user's ledger"));

        const QString dangling = LedgerPathIn(folder.path() + QStringLiteral("/lien"));
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("lien")));
        QVERIFY(QFile::link(folder.path() + QStringLiteral("/nulle-part"), dangling));
        QVERIFY_THROWS_EXCEPTION(LedgerError, CreateNewLedger(dangling));
        QVERIFY(!QFile::exists(folder.path() + QStringLiteral("/nulle-part")));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{LedgerFileName});
    }

    void aFolderThatIsNotThere()
    {
        QVERIFY_THROWS_EXCEPTION(LedgerError, CreateNewLedger(QStringLiteral("/nonexistent/folder/BDPLORN.mdb")));
    }

    void theTool()
    {
        QTemporaryDir folder;
        const QString path = LedgerPathIn(folder.path());
        QCOMPARE(RunTool({path}), 0);
        const QByteArray made = FileBytes(path);
        QVERIFY(!made.isEmpty());
        QCOMPARE(RunTool({path}), 1);
        QCOMPARE(RunTool({QStringLiteral("--if-missing"), path}), 0);
        QCOMPARE(FileBytes(path), made);
        QCOMPARE(RunTool({}), 2);
        QCOMPARE(NamesOf(OpenLedgerFile(path).ListPersons()), QStringList{ReservedPersonName});
    }
};

QTEST_GUILESS_MAIN(TestNewLedger)
#include "tst_newledger.moc"
