// A path field shows a name so that it reads well, cannot be mistaken for
// another name, and gives back the exact bytes.
#include "ui/PathText.h"

#include <QRandomGenerator>
#include <QUrl>
#include <QtTest>

using mvx::ui::PathOfUrl;
using mvx::ui::PathToText;
using mvx::ui::TextToPath;

class PathTextTest : public QObject {
    Q_OBJECT
private slots:
    void namesShowReadablyAndComeBackExact_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("UTF-8") << QByteArray("/tmp/比較 元.txt") << QStringLiteral("/tmp/比較 元.txt");
        QTest::newRow("Latin-1") << QByteArray("caf\xe9.txt") << QStringLiteral("caf%E9.txt");
        QTest::newRow("Shift_JIS") << QByteArray("\x83\x65\x83\x58\x83\x67.txt")
                                   << QStringLiteral("%83e%83X%83g.txt");
        QTest::newRow("U+FFFD itself") << QByteArray("p\xef\xbf\xbd.txt") << QStringLiteral("p\uFFFD.txt");
        QTest::newRow("percent alone") << QByteArray("100%.txt") << QStringLiteral("100%.txt");
        QTest::newRow("percent before hex digits") << QByteArray("a%41") << QStringLiteral("a%2541");
        QTest::newRow("percent before an escape") << QByteArray("%\xe9") << QStringLiteral("%%E9");
        QTest::newRow("line break") << QByteArray("a\nb") << QStringLiteral("a%0Ab");
        QTest::newRow("C1 control") << QByteArray("a\xc2\x85") << QStringLiteral("a%C2%85");
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << QStringLiteral("%C0%AF");
        QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << QStringLiteral("%ED%A0%80");
        QTest::newRow("cut short") << QByteArray("\xe6\xaf") << QStringLiteral("%E6%AF");
        QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << QStringLiteral("%F4%90%80%80");
        QTest::newRow("emoji") << QByteArray("\xf0\x9f\x98\x80") << QStringLiteral("\U0001F600");
    }
    void namesShowReadablyAndComeBackExact()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, shown);
        QCOMPARE(PathToText(name.toStdString()), shown);
        QCOMPARE(QByteArray::fromStdString(TextToPath(shown)), name);
    }

    // Any bytes at all survive the field, whatever the mix.
    void everyNameComesBackExact()
    {
        const QByteArray alphabet("a%F9\xe9\xef\xbf\xbd\xc3\xa9\x83\x65\x0a\xf0\x9f\x98\x80\xed", 20);
        auto *random = QRandomGenerator::global();
        for (int round = 0; round < 20000; ++round) {
            std::string name;
            for (int i = random->bounded(10); i > 0; --i)
                name += alphabet.at(random->bounded(alphabet.size()));
            QCOMPARE(TextToPath(PathToText(name)), name);
        }
    }

    void typedTextIsItsUtf8WithEscapesForBytes()
    {
        QCOMPARE(TextToPath(QStringLiteral("x%e9")), std::string("x\xe9"));
        QCOMPARE(TextToPath(QStringLiteral("50%-off %4")), std::string("50%-off %4"));
    }

    void aFileUrlGivesTheExactName()
    {
        QCOMPARE(PathOfUrl(QUrl(QStringLiteral("file:///tmp/caf%E9.txt"))), std::string("/tmp/caf\xe9.txt"));
        QCOMPARE(PathOfUrl(QUrl(QStringLiteral("file:///tmp/p%EF%BF%BD"))),
                 std::string("/tmp/p\xef\xbf\xbd"));
        QCOMPARE(PathOfUrl(QUrl::fromLocalFile(QStringLiteral("/tmp/100%.txt"))),
                 std::string("/tmp/100%.txt"));
        QCOMPARE(PathOfUrl(QUrl(QStringLiteral("https://example.org/a"))), std::string());
    }
};

QTEST_GUILESS_MAIN(PathTextTest)
#include "PathTextTest.moc"
