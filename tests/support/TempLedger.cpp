#include "support/TempLedger.h"

#include "ledger/NewLedger.h"
#include "support/LedgerTestAccess.h"

#include <QFile>
#include <QProcess>
#include <QTest>
#include <sys/stat.h>

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

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

mode_t FileMode(const QString& path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return 0;
    return status.st_mode & 07777;
}

LedgerContents ReadAll(Ledger& ledger)
{
    LedgerContents contents;
    for (const QString& name : NamesOf(ledger.ListPersons()))
        contents.insert(name, ledger.ReadNotes(name).value_or(QString()));
    return contents;
}

QStringList IntegrityProblems(const QString& path)
{
    QStringList problems;
    const OtherConnection db(path);
    Statement check(db.get(), "PRAGMA integrity_check");
    while (check.step())
        problems << check.text(0);
    if (problems == QStringList{QStringLiteral("ok")})
        problems.clear();
    return problems;
}

QString PagesOfNotes(const QString& seed, qsizetype size)
{
    QString notes;
    for (int line = 0; notes.size() < size; ++line)
        notes += QStringLiteral("%1, ligne %2 : 20\u00A0€ rendus à l'ami « Zoé »\r\n").arg(seed).arg(line);
    notes.truncate(size);
    return notes;
}
