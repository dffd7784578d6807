#include "support/JetLedgers.h"

#include "ledger/Ledger.h"
#include "support/LedgerTestAccess.h"
#include "support/TempLedger.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>
#include <sqlite3.h>

namespace {

constexpr int WriterTimeoutMs = 120000;

// The interpreter CMake found (QUENTARIL_PYTHON overrides it).
QString Python()
{
    return qEnvironmentVariable("QUENTARIL_PYTHON", QStringLiteral(QUENTARIL_PYTHON3));
}

QString Writer()
{
    return QStringLiteral(QUENTARIL_JET_WRITER);
}

QByteArray Lines(int length)
{
    QStringList lines;
    for (int line = 1; lines.size() * 62 < length; ++line)
        lines << QStringLiteral("Ligne %1 : prêté 5 € le 12/03, rendu « 2 € »")
                     .arg(line, 4, 10, QLatin1Char('0'))
                     .leftJustified(60, QLatin1Char('.'));
    return lines.join(QStringLiteral("\r\n")).left(length).toUtf8();
}

} // namespace

JetLedgers::JetLedgers() = default;

QString JetLedgers::unavailable()
{
    const QString python = Python();
    if (python.isEmpty())
        return QStringLiteral("no python3 to run the Jet writer: CMake found none (QUENTARIL_PYTHON may name one)");
    if (!QFileInfo(python).isExecutable() && QStandardPaths::findExecutable(python).isEmpty())
        return QStringLiteral("%1 cannot be run").arg(python);
    if (!QFileInfo::exists(Writer()))
        return QStringLiteral("the Jet writer %1 is missing").arg(Writer());
    return {};
}

QString JetLedgers::generate(const JetLedgerSpec& spec)
{
    error_.clear();
    if (!work_.isValid()) {
        error_ = QStringLiteral("no temporary folder: %1").arg(work_.errorString());
        return {};
    }
    const QString number = QString::number(++generated_);
    const QString rowsPath = work_.filePath(QStringLiteral("rows-%1.json").arg(number));
    const QString output = work_.filePath(QStringLiteral("ledger-%1.mdb").arg(number));
    QFile rows(rowsPath);
    if (!rows.open(QIODevice::WriteOnly) || rows.write(QJsonDocument(spec.rows).toJson(QJsonDocument::Compact)) < 0) {
        error_ = QStringLiteral("cannot write %1: %2").arg(rowsPath, rows.errorString());
        return {};
    }
    rows.close();

    QStringList arguments{Writer(),
                          QStringLiteral("--jet"),
                          QString::number(spec.jet),
                          QStringLiteral("--rows"),
                          rowsPath,
                          QStringLiteral("-o"),
                          output,
                          QStringLiteral("--layout"),
                          output + QStringLiteral(".layout.json"),
                          QStringLiteral("--table"),
                          spec.table,
                          QStringLiteral("--columns"),
                          spec.columns};
    if (!spec.password.isEmpty())
        arguments << QStringLiteral("--password") << spec.password;
    if (!spec.created.isEmpty())
        arguments << QStringLiteral("--created") << spec.created;
    if (!spec.compressedText.isEmpty())
        arguments << QStringLiteral("--compressed-text") << spec.compressedText;
    if (spec.codePage != 0)
        arguments << QStringLiteral("--code-page") << QString::number(spec.codePage);
    if (spec.pageKey)
        arguments << QStringLiteral("--encode-pages") << QString::number(*spec.pageKey);
    if (spec.ace)
        arguments << QStringLiteral("--ace");

    QProcess writer;
    writer.start(Python(), arguments);
    if (!writer.waitForFinished(WriterTimeoutMs) || writer.exitStatus() != QProcess::NormalExit ||
        writer.exitCode() != 0) {
        error_ = QStringLiteral("make_jet_ledger.py failed (%1): %2")
                     .arg(writer.errorString(), QString::fromUtf8(writer.readAllStandardError()));
        writer.kill();
        writer.waitForFinished();
        return {};
    }
    return output;
}

QString JetLedgers::generate(int jetVersion, const QJsonArray& rows, const QString& password, const QString& created)
{
    JetLedgerSpec spec;
    spec.jet = jetVersion;
    spec.rows = rows;
    spec.password = password;
    spec.created = created;
    return generate(spec);
}

QString JetLedgers::standardFixture(int jetVersion)
{
    return generate(StandardFixture(jetVersion));
}

QJsonObject JetLedgers::layout(const QString& ledger) const
{
    QFile file(ledger + QStringLiteral(".layout.json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

WrittenJetLedger::WrittenJetLedger(const JetLedgers& jet, const QString& path)
    : bytes(FileBytes(path)), layout(jet.layout(path))
{
}

QJsonObject WrittenJetLedger::field(int row, const QString& column) const
{
    return layout[QStringLiteral("rows")][row][QStringLiteral("fields")][column].toObject();
}

QJsonObject WrittenJetLedger::longValueRow(int row, const QString& column, int piece) const
{
    return field(row, column)[QStringLiteral("chain")][piece].toObject();
}

quint32 WrittenJetLedger::placeOf(const QJsonObject& row)
{
    return static_cast<quint32>(row[QStringLiteral("page")].toInteger() << 8 | row[QStringLiteral("row")].toInteger());
}

quint32 WrittenJetLedger::uint32At(qsizetype offset) const
{
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

void WrittenJetLedger::setUInt32(qsizetype offset, quint32 value)
{
    qToLittleEndian(value, bytes.data() + offset);
}

quint16 WrittenJetLedger::uint16At(qsizetype offset) const
{
    return qFromLittleEndian<quint16>(bytes.constData() + offset);
}

void WrittenJetLedger::setUInt16(qsizetype offset, quint16 value)
{
    qToLittleEndian(value, bytes.data() + offset);
}

void WrittenJetLedger::zeroPage(qsizetype page)
{
    bytes.replace(page * pageSize(), pageSize(), QByteArray(pageSize(), '\0'));
}

void WrittenJetLedger::copyPage(qsizetype from, qsizetype onto)
{
    bytes.replace(onto * pageSize(), pageSize(), bytes.mid(from * pageSize(), pageSize()));
}

void AddJetVersionRows()
{
    QTest::addColumn<int>("jetVersion");
    QTest::newRow("Jet 4") << 4;
    QTest::newRow("Jet 3") << 3;
}

char* toString(const StoredRow& row)
{
    const auto shown = [](const QByteArray& text) {
        return text.size() > 60 ? text.first(60) + "...(" + QByteArray::number(text.size()) + " bytes)" : text;
    };
    const QByteArray notes = row.notesNull ? QByteArray("NULL") : "\"" + shown(row.notes) + "\"";
    return qstrdup(QByteArray("{\"" + shown(row.name) + "\", " + notes + "}").constData());
}

QList<StoredRow> StandardFixtureRows()
{
    return {
        {"Varnokel", "Bienvenue\r\nligne 2"},
        {"Émile", "Prêt de 20 € à l\"ami"},
        {"alice", Lines(20000)},
        {"Zoé", ""},
        {"Bob", "", true},
        {"Dup", "Première fiche : 5 € à rendre"},
        {"Dup", "Seconde fiche, gardée à part :\r\n" + Lines(300)},
    };
}

JetLedgerSpec StandardFixture(int jetVersion)
{
    const QList<StoredRow> rows = StandardFixtureRows();
    // Where each Memo goes, said rather than left to the writer's thresholds.
    const QList<const char*> storage{"inline", "inline", "chain", "inline", nullptr, "inline", "lval"};
    JetLedgerSpec spec;
    spec.jet = jetVersion;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        QJsonValue notes;
        if (!rows[i].notesNull)
            notes = QJsonObject{{QStringLiteral("text"), QString::fromUtf8(rows[i].notes)},
                                {QStringLiteral("store"), QString::fromLatin1(storage[i])}};
        spec.rows.append(QJsonObject{{QStringLiteral("NomPers"), QString::fromUtf8(rows[i].name)},
                                     {QStringLiteral("LesPlorns"), notes}});
    }
    return spec;
}

QList<StoredRow> ReadLedgerRows(const QString& path)
{
    // Only a file the program opens is a ledger; its rows are then read as stored.
    OpenLedgerFile(path);
    const OtherConnection ledger(path);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(ledger.get(), "SELECT NomPers, LesPlorns FROM tblPlorn ORDER BY rowid", -1, &statement, nullptr);
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
