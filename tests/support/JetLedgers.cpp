#include "support/JetLedgers.h"

#include "ledger/Ledger.h"
#include "ledger/LedgerFile.h"
#include "ledger/jet/JetHeader.h"
#include "ledger/jet/Rc4.h"
#include "support/LedgerTestAccess.h"
#include "support/TempLedger.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QtEndian>
#include <sqlite3.h>

namespace {

QString TestData()
{
    const QString folder = qEnvironmentVariable("QUENTARIL_TESTDATA");
    if (folder.isEmpty() || !QDir(folder).exists())
        qFatal("QUENTARIL_TESTDATA does not name the test data folder");
    return folder;
}

QString CopyInto(const QString& source, const QString& folder)
{
    const QString copy = QDir(folder).filePath(QFileInfo(source).fileName());
    QFile::remove(copy);
    if (!QFile::copy(source, copy))
        qFatal("cannot copy %s", qPrintable(source));
    QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return copy;
}

} // namespace

JetLedgers::JetLedgers()
{
    if (!work_.isValid())
        qFatal("cannot make a temporary folder");
    const QDir ledgers(TestData() + QStringLiteral("/jet-ledgers"));
    for (const QString& name : ledgers.entryList(QDir::Files))
        CopyInto(ledgers.filePath(name), work_.path());
}

QString JetLedgers::fixture(const QString& name) const
{
    return QDir(work_.path()).filePath(name);
}

QString JetLedgers::sample(const QString& name) const
{
    return CopyInto(TestData() + QStringLiteral("/jet/samples/") + name, work_.path());
}

QString JetLedgers::generate(int jetVersion, const QJsonArray& rows, const QString& password, const QString& created)
{
    const QString number = QString::number(++generated_);
    const QString rowsPath = fixture(QStringLiteral("rows-%1.json").arg(number));
    WriteFile(rowsPath, QJsonDocument(rows).toJson(QJsonDocument::Compact));
    const QString output = fixture(QStringLiteral("generated-%1.mdb").arg(number));
    QStringList arguments{fixture(QStringLiteral("gen_jet_mdb.py")),
                          QStringLiteral("--jet"),
                          QString::number(jetVersion),
                          QStringLiteral("--password"),
                          password,
                          QStringLiteral("--rows"),
                          rowsPath,
                          QStringLiteral("-o"),
                          output};
    if (!created.isEmpty())
        arguments << QStringLiteral("--created") << created;
    QProcess generator;
    const QString python = qEnvironmentVariable("QUENTARIL_PYTHON", QStringLiteral("python3"));
    generator.start(python, arguments);
    if (!generator.waitForFinished(120000) || generator.exitStatus() != QProcess::NormalExit ||
        generator.exitCode() != 0)
        qFatal("gen_jet_mdb.py failed: %s", generator.readAllStandardError().constData());
    return output;
}

char* toString(const StoredRow& row)
{
    const auto shown = [](const QByteArray& text) {
        return text.size() > 60 ? text.first(60) + "...(" + QByteArray::number(text.size()) + " bytes)" : text;
    };
    const QByteArray notes = row.notesNull ? QByteArray("NULL") : "\"" + shown(row.notes) + "\"";
    return qstrdup(QByteArray("{\"" + shown(row.name) + "\", " + notes + "}").constData());
}

QList<StoredRow> ReadExpectedRows(const QString& path)
{
    const QByteArray bytes = FileBytes(path);
    QList<StoredRow> rows;
    qsizetype at = 0;
    const auto take = [&](qint32 length) {
        if (length < 0 || at + length > bytes.size())
            qFatal("%s is cut short", qPrintable(path));
        const QByteArray part = bytes.mid(at, length);
        at += length;
        return part;
    };
    const auto length = [&] {
        return qFromLittleEndian<qint32>(take(4).constData());
    };
    while (at < bytes.size()) {
        StoredRow row;
        row.name = take(length());
        const qint32 notesLength = length();
        row.notesNull = notesLength < 0;
        row.notes = take(qMax(notesLength, 0));
        rows.append(row);
    }
    return rows;
}

QList<StoredRow> ReadLedgerRows(const QString& path)
{
    Ledger ledger = OpenLedgerFile(path);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(LedgerTestAccess::connection(ledger), "SELECT NomPers, LesPlorns FROM tblPlorn ORDER BY rowid",
                       -1, &statement, nullptr);
    QList<StoredRow> rows;
    const auto text = [&](int index) {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
        return QByteArray(bytes, sqlite3_column_bytes(statement, index));
    };
    while (sqlite3_step(statement) == SQLITE_ROW)
        rows.append({text(0), text(1), sqlite3_column_type(statement, 1) == SQLITE_NULL});
    sqlite3_finalize(statement);
    return rows;
}

QMap<QString, QByteArray> FolderSnapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        files.insert(name, FileBytes(dir.filePath(name)));
    return files;
}

void PlaceAsLedger(const QString& source, const QString& folder)
{
    WriteFile(LedgerPathIn(folder), FileBytes(source));
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray EncodeJetPages(const QByteArray& file, quint32 databaseKey)
{
    const bool jet4 = file.at(0x14) == 1;
    const qsizetype pageSize = jet4 ? 4096 : 2048;
    const qsizetype maskedLength = jet4 ? 128 : 126;
    const QByteArray headerKey("\xC7\xDA\x39\x6B", 4);
    // The database key sits in the masked part of the header, at 0x3E.
    QByteArray header = Rc4(headerKey, QByteArrayView(file).sliced(JetHeaderMaskedOffset, maskedLength));
    qToLittleEndian(databaseKey, header.data() + 0x3E - JetHeaderMaskedOffset);

    QByteArray encoded = file;
    encoded.replace(JetHeaderMaskedOffset, maskedLength, Rc4(headerKey, header));
    for (qsizetype page = 1; page * pageSize < file.size(); ++page) {
        QByteArray pageKey(4, Qt::Uninitialized);
        qToLittleEndian(databaseKey ^ static_cast<quint32>(page), pageKey.data());
        encoded.replace(page * pageSize, pageSize,
                        Rc4(pageKey, QByteArrayView(file).sliced(page * pageSize, pageSize)));
    }
    return encoded;
}
