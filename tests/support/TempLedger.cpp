#include "support/TempLedger.h"

#include "ledger/NewLedger.h"
#include "support/LedgerTestAccess.h"

#include <QFile>
#include <QProcess>
#include <QTest>

TempLedger::TempLedger()
{
    if (!dir_.isValid())
        qFatal("cannot make a temporary folder");
    CreateNewLedger(path());
}

QByteArray RunSqlcipherCli(const QString& path, const QString& key, const QString& sql)
{
    QProcess cli;
    cli.start(QStringLiteral("sqlcipher"), {QStringLiteral("-batch"), QStringLiteral("-bail"), path});
    if (!cli.waitForStarted())
        qFatal("the sqlcipher command-line tool is missing");
    QByteArray script;
    if (!key.isEmpty())
        script += "PRAGMA key = '" + key.toUtf8() + "';\n";
    script += sql.toUtf8() + "\n";
    cli.write(script);
    cli.closeWriteChannel();
    cli.waitForFinished(60000);
    if (cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0)
        qFatal("sqlcipher failed: %s", cli.readAllStandardError().constData());
    return cli.readAllStandardOutput();
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

LedgerContents ReadAll(Ledger& ledger)
{
    LedgerContents contents;
    for (const QString& name : NamesOf(ledger.ListPersons()))
        contents.insert(name, ledger.ReadNotes(name).value_or(QString()));
    return contents;
}

QStringList IntegrityProblems(Ledger& ledger)
{
    QStringList problems;
    Statement check(LedgerTestAccess::connection(ledger), "PRAGMA integrity_check");
    while (check.step())
        problems << check.text(0);
    if (problems == QStringList{QStringLiteral("ok")})
        problems.clear();
    return problems;
}
