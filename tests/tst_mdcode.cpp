#include "support/ReplaceAllReference.h"
#include "text/MdCode.h"

#include <QTest>

namespace {

const QString Apostrophe = QStringLiteral("'");
const QString DoubleQuote = QStringLiteral("\"");

} // namespace

class TestMdCode : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void trailingBackslash_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("drive root") << QStringLiteral("C:\\") << QStringLiteral("C:\\");
        QTest::newRow("folder") << QStringLiteral("C:\\Programmes") << QStringLiteral("C:\\Programmes\\");
        QTest::newRow("empty") << QString() << QStringLiteral("\\");
        QTest::newRow("slash is not a backslash") << QStringLiteral("/opt/q/") << QStringLiteral("/opt/q/\\");
        QTest::newRow("only the last character counts") << QStringLiteral("a\\\\b") << QStringLiteral("a\\\\b\\");
        QTest::newRow("two at the end stay") << QStringLiteral("a\\\\") << QStringLiteral("a\\\\");
    }
    void trailingBackslash()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(EnsureTrailingBackslash(path), expected);
    }

    void apostrophes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << QStringLiteral("Jean doit 20 €") << QStringLiteral("Jean doit 20 €");
        QTest::newRow("two") << QStringLiteral("l'ami d'Anne") << QStringLiteral("l\"ami d\"Anne");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("at both ends") << QStringLiteral("'x'") << QStringLiteral("\"x\"");
        QTest::newRow("side by side") << QStringLiteral("a'''b") << QStringLiteral("a\"\"\"b");
        QTest::newRow("only apostrophes") << QStringLiteral("''") << QStringLiteral("\"\"");
        QTest::newRow("typographic apostrophe untouched") << QStringLiteral("l’ami") << QStringLiteral("l’ami");
        QTest::newRow("double quotes kept") << QStringLiteral("\"a\" 'b'") << QStringLiteral("\"a\" \"b\"");
    }
    void apostrophes()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const QString before = text;
        QCOMPARE(ReplaceAll(text, Apostrophe, DoubleQuote), expected);
        QCOMPARE(text, before);
    }

    // Far past the 32,767 characters a 16-bit position could reach.
    void longTextsAgreeWithTheReference()
    {
        QString text;
        for (int i = 0; i < 200000; ++i)
            text += (i % 97 == 0 || i == 199999) ? QChar(u'\'') : QChar(u'a' + i % 26);
        const QString replaced = ReplaceAll(text, Apostrophe, DoubleQuote);
        QCOMPARE(replaced.size(), text.size());
        QVERIFY(!replaced.contains(Apostrophe));
        QCOMPARE(replaced.count(DoubleQuote), text.count(Apostrophe));
        QCOMPARE(replaced.last(1), DoubleQuote);
        QCOMPARE(replaced, ReplaceAllReference(text, Apostrophe, DoubleQuote));
    }

    void otherSearchTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty search leaves the text") << "abc"
                                                      << ""
                                                      << "x"
                                                      << "abc";
        QTest::newRow("longer replacement") << "a'b'"
                                            << "'"
                                            << "''"
                                            << "a''b''";
        QTest::newRow("shorter replacement") << "xabyab"
                                             << "ab"
                                             << "-"
                                             << "x-y-";
        QTest::newRow("removal") << "a'b"
                                 << "'"
                                 << ""
                                 << "ab";
        QTest::newRow("non-overlapping, left to right") << "aaa"
                                                        << "aa"
                                                        << "X"
                                                        << "Xa";
        QTest::newRow("no new match is searched") << "aab"
                                                  << "ab"
                                                  << "b"
                                                  << "ab";
        QTest::newRow("search longer than text") << "ab"
                                                 << "abc"
                                                 << "x"
                                                 << "ab";
        QTest::newRow("case matters") << "Ab ab"
                                      << "ab"
                                      << "x"
                                      << "Ab x";
        QTest::newRow("surrogate pairs") << "😀'😀"
                                         << "😀"
                                         << "e"
                                         << "e'e";
    }
    void otherSearchTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, search);
        QFETCH(QString, replacement);
        QFETCH(QString, expected);
        QCOMPARE(ReplaceAll(text, search, replacement), expected);
    }
};

QTEST_APPLESS_MAIN(TestMdCode)
#include "tst_mdcode.moc"
