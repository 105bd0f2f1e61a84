// morvatix --help and --version: answered on standard output, with status 0,
// whether or not there is a display, and only when that is the one
// parameter; every other command line is the window's.
#include "app/ProgramAnswer.h"
#include "check/Identity.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <vector>

namespace {

const QString kProgram = QStringLiteral(MVX_PROGRAM);

class ProgramAnswerTest : public QObject {
    Q_OBJECT
private slots:
    void onlyAHelpOrVersionAloneIsAnswered_data()
    {
        QTest::addColumn<QStringList>("parameters");
        QTest::addColumn<QString>("answer"); // "help", "version" or "" for the window
        QTest::newRow("help") << QStringList{QStringLiteral("--help")} << QStringLiteral("help");
        QTest::newRow("version") << QStringList{QStringLiteral("--version")} << QStringLiteral("version");
        QTest::newRow("none") << QStringList{} << QString();
        QTest::newRow("two fill the fields")
            << QStringList{QStringLiteral("--help"), QStringLiteral("--version")} << QString();
        QTest::newRow("a path beside it")
            << QStringList{QStringLiteral("--version"), QStringLiteral("a.txt")} << QString();
        QTest::newRow("short form") << QStringList{QStringLiteral("-h")} << QString();
        QTest::newRow("other case") << QStringList{QStringLiteral("--Help")} << QString();
        QTest::newRow("a file of that name") << QStringList{QStringLiteral("./--help")} << QString();
    }
    void onlyAHelpOrVersionAloneIsAnswered()
    {
        QFETCH(QStringList, parameters);
        QFETCH(QString, answer);
        std::vector<QByteArray> bytes{QByteArrayLiteral("morvatix")};
        for (const QString &parameter : parameters)
            bytes.push_back(parameter.toUtf8());
        std::vector<const char *> argv;
        argv.reserve(bytes.size());
        for (const QByteArray &b : bytes)
            argv.push_back(b.constData());
        const auto got = mvx::ProgramAnswer(static_cast<int>(argv.size()), argv.data());
        if (answer.isEmpty()) {
            QVERIFY(!got.has_value());
        } else if (answer == QStringLiteral("version")) {
            QCOMPARE(QString::fromStdString(got.value()), QString::fromUtf8(mvx::kVersionLine) + u'\n');
        } else {
            QVERIFY(got.has_value());
            QVERIFY(got->starts_with("Usage: morvatix [SOURCE TARGET]\n"));
            QVERIFY(got->find("--version") != std::string::npos);
        }
    }

    void theProgramAnswersWithOrWithoutADisplay_data()
    {
        QTest::addColumn<QString>("parameter");
        QTest::addColumn<QString>("platform"); // empty: no display of any kind
        for (const QString &platform : {QString(), QStringLiteral("offscreen")}) {
            const QByteArray where = platform.isEmpty() ? "no display" : "a display";
            QTest::newRow("--help, " + where) << QStringLiteral("--help") << platform;
            QTest::newRow("--version, " + where) << QStringLiteral("--version") << platform;
        }
    }
    void theProgramAnswersWithOrWithoutADisplay()
    {
        QFETCH(QString, parameter);
        QFETCH(QString, platform);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString &name : {QStringLiteral("DISPLAY"), QStringLiteral("WAYLAND_DISPLAY"),
                                    QStringLiteral("QT_QPA_PLATFORM")})
            environment.remove(name);
        if (!platform.isEmpty())
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        QTemporaryDir runtime;
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(kProgram, {parameter});
        // A window would stay open: the answer ends the program.
        const bool ended = process.waitForFinished(30000);
        if (!ended)
            process.kill();
        QVERIFY(ended);
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        const QByteArray parameterBytes = parameter.toUtf8();
        const std::array<const char *, 2> asked{"morvatix", parameterBytes.constData()};
        QCOMPARE(process.readAllStandardOutput(),
                 QByteArray::fromStdString(mvx::ProgramAnswer(2, asked.data()).value()));
        QCOMPARE(process.readAllStandardError(), QByteArray());
    }
};

} // namespace

QTEST_GUILESS_MAIN(ProgramAnswerTest)
#include "ProgramAnswerTest.moc"
