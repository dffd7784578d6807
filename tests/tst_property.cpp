#include "ledger/Ledger.h"
#include "ledger/LedgerError.h"
#include "support/LedgerTestAccess.h"
#include "support/ReplaceAllReference.h"
#include "support/TempLedger.h"
#include "text/MdCode.h"

#include <QFileInfo>
#include <QTest>
#include <map>
#include <random>

namespace {

quint32 Seed()
{
    bool given = false;
    const quint32 seed = qEnvironmentVariable("QUENTARIL_PROPERTY_SEED").toUInt(&given);
    return given ? seed : 1789u;
}

// Pieces that have broken statements, collations or conversions somewhere; texts are random mixes of them,
// always valid UTF-16 (a lone surrogate cannot become UTF-8 and back).
const QStringList Troublesome = {
    QStringLiteral("'"),
    QStringLiteral("''"),
    QStringLiteral("\""),
    QStringLiteral("\\"),
    QStringLiteral("\\'"),
    QStringLiteral("%"),
    QStringLiteral("_"),
    QStringLiteral("%_"),
    QString(QChar(0)),
    QStringLiteral("\r\n"),
    QStringLiteral("\r"),
    QStringLiteral("\n"),
    QStringLiteral("\t"),
    QStringLiteral("\u00A0"),
    QStringLiteral("\u202F"),
    QStringLiteral("e\u0301"),
    QStringLiteral("\u0301"),
    QStringLiteral("\u0327\u0308"),
    QStringLiteral("😀"),
    QStringLiteral("𝄞"),
    QStringLiteral("👨‍👩‍👧"),
    QStringLiteral("𠜎"),
    QStringLiteral("\u200F"),
    QStringLiteral("\u200E"),
    QStringLiteral("\u202E"),
    QStringLiteral("\u061C"),
    QStringLiteral("שלום"),
    QStringLiteral("عليكم"),
    QStringLiteral("é"),
    QStringLiteral("É"),
    QStringLiteral("ß"),
    QStringLiteral("€"),
    QStringLiteral("«"),
    QStringLiteral("»"),
    QStringLiteral("a"),
    QStringLiteral("Z"),
    QStringLiteral("0"),
    QStringLiteral(" "),
    QStringLiteral("\uFEFF"),
    QStringLiteral("\uFFFD"),
    QStringLiteral("\uFFFF"),
    QStringLiteral("\uFDD0"),
    QStringLiteral("\u2028"),
    QStringLiteral("\u2029"),
    QStringLiteral("\U0010FFFD"),
    QStringLiteral("\x01"),
    QStringLiteral("\x1F"),
    QStringLiteral("\x7F"),
    QStringLiteral("\u0085"),
    QStringLiteral("?"),
    QStringLiteral("?1"),
    QStringLiteral(":nom"),
    QStringLiteral("@x"),
    QStringLiteral("$x"),
    QStringLiteral("[NomPers]"),
    QStringLiteral("x'); DROP TABLE tblPlorn; --"),
};

class Random {
public:
    explicit Random(quint32 seed) : engine_(seed) {}

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(engine_); }
    bool oneIn(int n) { return below(n) == 0; }

    // Pieces from `pieces` until the text has at least `size` UTF-16 units.
    QString text(qsizetype size, const QStringList& pieces = Troublesome)
    {
        QString text = QStringLiteral("");
        while (text.size() < size)
            text += pieces.at(below(static_cast<int>(pieces.size())));
        return text;
    }

    QString name() { return text(oneIn(20) ? 1 + below(300) : 1 + below(24)); }
    QString notes()
    {
        if (oneIn(400))
            return text(100000 + below(400000));
        return text(oneIn(10) ? below(8000) : below(400));
    }

private:
    std::mt19937 engine_;
};

// The ledger as it should be: names in the engine's order (their UTF-8 bytes), with their notes.
class Model {
public:
    bool contains(const QString& name) const { return rows_.count(name.toUtf8()) != 0; }
    void set(const QString& name, const QString& notes) { rows_[name.toUtf8()] = {name, notes}; }
    void remove(const QString& name) { rows_.erase(name.toUtf8()); }
    qsizetype size() const { return static_cast<qsizetype>(rows_.size()); }
    QString nameAt(qsizetype index) const { return std::next(rows_.begin(), index)->second.first; }
    QString notesOf(const QString& name) const { return rows_.at(name.toUtf8()).second; }

    QStringList names() const
    {
        QStringList names;
        for (const auto& row : rows_)
            names << row.second.first;
        return names;
    }

private:
    std::map<QByteArray, std::pair<QString, QString>> rows_;
};

// What the user may type instead of a stored name: the same but for a detail.
QString NearMiss(const QString& name, Random& random)
{
    switch (random.below(6)) {
    case 0:
        return name + QLatin1Char(' ');
    case 1:
        return name.toUpper() == name ? name.toLower() : name.toUpper();
    case 2:
        return name.normalized(QString::NormalizationForm_D);
    case 3:
        return ReplaceAll(name, QStringLiteral("'"), QStringLiteral("\""));
    case 4:
        return name.left(name.size() - 1);
    default:
        return QChar(0) + name;
    }
}

} // namespace

class TestProperty : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        qInfo("seed %u (QUENTARIL_PROPERTY_SEED)", Seed());
        // Thousands of operations, each committed and synced on its own: the ledgers live in memory where the
        // system has a tmpfs for it, so that they do not each wait for the disk.
        if (QFileInfo(QStringLiteral("/dev/shm")).isWritable())
            qputenv("TMPDIR", "/dev/shm");
    }

    // Random names and notes go in and come back exactly; a deletion takes that row and no other; a name
    // that differs in any detail is another name.
    void randomNamesAndNotes()
    {
        Random random(Seed());
        TempLedger file;
        Model model;
        model.set(ReservedPersonName, WelcomeNoteOf(file));

        constexpr int Persons = 3000;
        int added = 0, saved = 0, deleted = 0, refused = 0, missed = 0;
        Ledger ledger = file.open();
        for (int operation = 1; added < Persons; ++operation) {
            const int kind = random.below(100);
            if (kind < 55 || model.size() < 2) {
                const QString name = random.name();
                const QString notes = random.notes();
                if (model.contains(name)) {
                    QVERIFY_THROWS_EXCEPTION(LedgerError, ledger.AddPerson(name, notes));
                    ++refused;
                    continue;
                }
                ledger.AddPerson(name, notes);
                model.set(name, notes);
                QCOMPARE(ledger.ReadNotes(name), std::optional<QString>(notes));
                ++added;
            } else if (kind < 75) {
                const QString name = model.nameAt(random.below(static_cast<int>(model.size())));
                const QString notes = random.notes();
                ledger.SaveNotes(name, notes);
                model.set(name, notes);
                const std::optional<QString> read = ledger.ReadNotes(name);
                QVERIFY(read && !read->isNull());
                QCOMPARE(*read, notes);
                ++saved;
            } else if (kind < 88) {
                const QString name = model.nameAt(random.below(static_cast<int>(model.size())));
                if (name == ReservedPersonName)
                    continue;
                ledger.DeletePerson(name);
                model.remove(name);
                QCOMPARE(NamesOf(ledger.ListPersons()), model.names());
                ++deleted;
            } else if (kind < 93) {
                const QString name = model.nameAt(random.below(static_cast<int>(model.size())));
                try {
                    ledger.AddPerson(name, random.notes());
                    QFAIL("a name went in twice");
                } catch (const LedgerError& error) {
                    QCOMPARE(error.engineCode(), SQLITE_CONSTRAINT);
                    QVERIFY2(error.message().contains(QStringLiteral("UNIQUE")), qPrintable(error.message()));
                }
                QCOMPARE(ledger.ReadNotes(name), std::optional<QString>(model.notesOf(name)));
                ++refused;
            } else {
                const QString name = model.nameAt(random.below(static_cast<int>(model.size())));
                const QString other = NearMiss(name, random);
                if (model.contains(other))
                    continue;
                QCOMPARE(ledger.ReadNotes(other), std::nullopt);
                ledger.SaveNotes(other, QStringLiteral("ne doit aller nulle part"));
                ledger.DeletePerson(other);
                QCOMPARE(ledger.ReadNotes(name), std::optional<QString>(model.notesOf(name)));
                QCOMPARE(NamesOf(ledger.ListPersons()).size(), model.size());
                ++missed;
            }
        }
        ledger.Close();

        // All of it again from the file, on a fresh connection.
        Ledger reopened = file.open();
        QCOMPARE(NamesOf(reopened.ListPersons()), model.names());
        for (const QString& name : model.names())
            QCOMPARE(reopened.ReadNotes(name), std::optional<QString>(model.notesOf(name)));
        qInfo("%d added, %d saved, %d deleted, %d refused twice-used names, %d near-miss names that touched "
              "nothing; %lld persons at the end",
              added, saved, deleted, refused, missed, model.size());
    }

    // Every troublesome piece at both ends of a name and of notes, where conversions trim and strip.
    void piecesAtTheEdges()
    {
        TempLedger file;
        Ledger ledger = file.open();
        for (const QString& piece : Troublesome) {
            const QString name = piece + QStringLiteral("nom") + piece;
            const QString notes = piece + QStringLiteral("notes") + piece;
            ledger.AddPerson(name, notes);
            QVERIFY2(NamesOf(ledger.ListPersons()).contains(name), name.toUtf8().toHex().constData());
            QCOMPARE(ledger.ReadNotes(name), std::optional<QString>(notes));
            ledger.SaveNotes(name, piece);
            QCOMPARE(ledger.ReadNotes(name), std::optional<QString>(piece));
            ledger.DeletePerson(name);
            QCOMPARE(ledger.ReadNotes(name), std::nullopt);
        }
        QCOMPARE(NamesOf(ledger.ListPersons()), QStringList{ReservedPersonName});
    }

    // The single pass agrees with the plain definition, the one-character fast path included.
    void replaceAllAgreesWithThePlainDefinition()
    {
        Random random(Seed());
        // Few pieces, so that matches are frequent, side by side and overlapping.
        const QStringList pieces = {QStringLiteral("a"),  QStringLiteral("b"),    QStringLiteral("'"),
                                    QStringLiteral("\""), QStringLiteral("é"),    QStringLiteral("😀"),
                                    QStringLiteral("aa"), QStringLiteral("\r\n"), QStringLiteral("ab")};
        constexpr int Cases = 20000;
        int fastPath = 0;
        for (int i = 0; i < Cases; ++i) {
            const QString text = random.text(random.oneIn(4) ? random.below(300) : random.below(40), pieces);
            QString search = random.oneIn(10) ? QString() : random.text(1 + random.below(4), pieces);
            QString replacement = random.text(random.below(5), pieces);
            if (random.oneIn(3)) {
                search = search.left(1);
                replacement = replacement.isEmpty() ? QStringLiteral("\"") : replacement.left(1);
                fastPath += !search.isEmpty();
            }
            const QString expected = ReplaceAllReference(text, search, replacement);
            if (ReplaceAll(text, search, replacement) != expected)
                QFAIL(qPrintable(QStringLiteral("text «%1», search «%2», replacement «%3»: «%4», not «%5»")
                                     .arg(text, search, replacement, ReplaceAll(text, search, replacement), expected)));
        }
        qInfo("%d random replacements, %d of one character by one", Cases, fastPath);
    }

private:
    static QString WelcomeNoteOf(const TempLedger& file)
    {
        return file.open().ReadNotes(ReservedPersonName).value_or(QString());
    }
};

QTEST_GUILESS_MAIN(TestProperty)
#include "tst_property.moc"
