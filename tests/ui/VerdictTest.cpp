// The verdict window as the user sees it.
#include "ui/Fonts.h"
#include "ui/PKekkaForm.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

using mvx::ComparisonOutcome;
using mvx::ui::TKekkaForm;

class VerdictTest : public QObject {
    Q_OBJECT

    // Pixels between the mark's colours, where an edge was smoothed.
    static int BlendedPixels(const QImage &mark)
    {
        int blended = 0;
        for (int y = 0; y < mark.height(); ++y)
            for (int x = 0; x < mark.width(); ++x) {
                const QRgb pixel = mark.pixel(x, y);
                if (pixel != qRgb(255, 255, 255) && pixel != qRgb(0, 0, 0) && pixel != qRgb(255, 0, 0))
                    ++blended;
            }
        return blended;
    }

    static QString Shown(const ComparisonOutcome &outcome)
    {
        TKekkaForm form(outcome, nullptr);
        form.show();
        return form.findChild<QPlainTextEdit *>(QStringLiteral("Memo1"))->toPlainText();
    }

private slots:
    void initTestCase() { mvx::ui::ApplyProgramFont(); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void textsFollowTheOutcomeAndTheLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<bool>("same");
        QTest::addColumn<qint64>("elapsed");
        QTest::addColumn<QString>("text");
        const QLocale c = QLocale::c();
        const QLocale german(QLocale::German, QLocale::Germany);
        QTest::newRow("identical, 1.234 s")
            << c << true << qint64(12340) << "     同一のファイルです\n     処理時間　1.234 秒";
        QTest::newRow("different, size mismatch")
            << c << false << qint64(1) << "     異なるファイルです\n     処理時間　0.0001 秒";
        QTest::newRow("0 ms: no separator")
            << c << true << qint64(0) << "     同一のファイルです\n     処理時間　0 秒";
        QTest::newRow("comma locale")
            << german << true << qint64(25000) << "     同一のファイルです\n     処理時間　2,5 秒";
        QTest::newRow("comma locale, thousands not grouped")
            << german << false << qint64(12345670) << "     異なるファイルです\n     処理時間　1234,567 秒";
    }

    void textsFollowTheOutcomeAndTheLocale()
    {
        QFETCH(QLocale, locale);
        QFETCH(bool, same);
        QFETCH(qint64, elapsed);
        QFETCH(QString, text);
        QLocale::setDefault(locale);
        QCOMPARE(Shown({same, mvx::TenThousandths(elapsed)}), text);
    }

    // What a screen reader reads as the window opens with the focus on OK:
    // the mark by its verdict, the window's description with both lines.
    void aScreenReaderHearsTheVerdictAndTheTimeAsTheWindowOpens_data()
    {
        QTest::addColumn<bool>("same");
        QTest::addColumn<qint64>("elapsed");
        QTest::addColumn<QString>("mark");
        QTest::addColumn<QString>("description");
        QTest::newRow("identical") << true << qint64(12340) << "同一のファイルです"
                                   << "同一のファイルです\n処理時間　1.234 秒";
        QTest::newRow("different sizes") << false << qint64(1) << "異なるファイルです"
                                         << "異なるファイルです\n処理時間　0.0001 秒";
    }

    void aScreenReaderHearsTheVerdictAndTheTimeAsTheWindowOpens()
    {
        QFETCH(bool, same);
        QFETCH(qint64, elapsed);
        QFETCH(QString, mark);
        QFETCH(QString, description);
        TKekkaForm form({same, mvx::TenThousandths(elapsed)}, nullptr);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QAccessibleInterface *window = QAccessible::queryAccessibleInterface(&form);
        QAccessibleInterface *image =
            QAccessible::queryAccessibleInterface(form.findChild<QLabel *>(QStringLiteral("Image1")));
        QVERIFY(window != nullptr && image != nullptr);
        QCOMPARE(window->text(QAccessible::Name), QStringLiteral("判定結果"));
        QCOMPARE(window->text(QAccessible::Description), description);
        QCOMPARE(image->text(QAccessible::Name), mark);
        QVERIFY(window->indexOfChild(image) >= 0);
    }

    void markIsACircleOrACrossInAFramedWhiteSquare()
    {
        const QRgb white = qRgb(255, 255, 255);
        const QRgb black = qRgb(0, 0, 0);
        const QRgb red = qRgb(255, 0, 0);
        for (const bool same : {true, false}) {
            const QImage mark = TKekkaForm::DrawMark(same);
            QCOMPARE(mark.size(), QSize(80, 80));
            for (int i = 0; i < 80; ++i) {
                QCOMPARE(mark.pixel(i, 0), black);
                QCOMPARE(mark.pixel(i, 79), black);
                QCOMPARE(mark.pixel(0, i), black);
                QCOMPARE(mark.pixel(79, i), black);
            }
            QCOMPARE(mark.pixel(1, 1), white);
            QCOMPARE(mark.pixel(40, 40), same ? white : red);
            QCOMPARE(mark.pixel(40, 5), same ? red : white); // top of the circle / between the arms
            QCOMPARE(mark.pixel(5, 40), same ? red : white);
            QCOMPARE(mark.pixel(10, 10), same ? white : red); // inside the circle's corner / on an arm
            QCOMPARE(mark.pixel(70, 10), same ? white : red);
        }
    }

    // Only the mark's three colours: at one pixel per unit nothing is
    // blended, so the edges are as crisp as the window's own lines.
    void markAtOnePixelPerUnitHasNoBlendedPixels()
    {
        for (const bool same : {true, false}) {
            const QImage mark = TKekkaForm::DrawMark(same, 1.0);
            QCOMPARE(mark.devicePixelRatio(), 1.0);
            QCOMPARE(BlendedPixels(mark), 0);
        }
    }

    void markOnAScaledScreenHasTheScreensPixelsAndSmoothEdges_data()
    {
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<int>("pixels");
        QTest::newRow("2x") << 2.0 << 160;
        QTest::newRow("1.5x") << 1.5 << 120;
        QTest::newRow("1.25x") << 1.25 << 100;
    }

    void markOnAScaledScreenHasTheScreensPixelsAndSmoothEdges()
    {
        QFETCH(qreal, ratio);
        QFETCH(int, pixels);
        const QRgb white = qRgb(255, 255, 255);
        const QRgb black = qRgb(0, 0, 0);
        const QRgb red = qRgb(255, 0, 0);
        const auto at = [ratio](int unit) { return int(unit * ratio); };
        for (const bool same : {true, false}) {
            const QImage mark = TKekkaForm::DrawMark(same, ratio);
            QCOMPARE(mark.size(), QSize(pixels, pixels));
            QCOMPARE(mark.devicePixelRatio(), ratio);
            QCOMPARE(mark.deviceIndependentSize(), QSizeF(80, 80));
            // The frame reaches the image's last pixel on every side.
            for (const QPoint corner :
                 {QPoint(0, 0), QPoint(pixels - 1, 0), QPoint(0, pixels - 1), QPoint(pixels - 1, pixels - 1)})
                QCOMPARE(mark.pixel(corner), black);
            QCOMPARE(mark.pixel(at(20), at(2)), white); // between the frame and the mark
            QCOMPARE(mark.pixel(at(40), at(40)), same ? white : red);
            QCOMPARE(mark.pixel(at(40), at(5)), same ? red : white);
            QCOMPARE(mark.pixel(at(10), at(10)), same ? white : red);
            // A 1x image blown up has none of these.
            QVERIFY2(BlendedPixels(mark) > pixels, "the mark's edges are not smoothed");
        }
    }

    // The window draws the mark for the screen it is on (the second run of
    // these tests is on a screen scaled by 2).
    void windowShowsTheMarkAtItsScreensPixelRatio()
    {
        const qreal expected = qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                                   ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
                                   : 1.0;
        TKekkaForm form({false, mvx::TenThousandths{0}}, nullptr);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.devicePixelRatioF(), expected);
        const auto *image = form.findChild<QLabel *>(QStringLiteral("Image1"));
        const QPixmap shown = image->pixmap();
        QCOMPARE(shown.devicePixelRatio(), expected);
        QCOMPARE(shown.size(), QSize(80, 80) * expected);
        QCOMPARE(image->size(), QSize(80, 80));
        QCOMPARE(shown.toImage().convertToFormat(QImage::Format_RGB32),
                 TKekkaForm::DrawMark(false, expected));
    }

    void windowMatchesItsLayoutAndOpensCentredWithOkFocused()
    {
        TKekkaForm form({true, mvx::TenThousandths(0)}, nullptr);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), QStringLiteral("判定結果"));
        QCOMPARE(form.size(), QSize(215, 189));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        const Qt::WindowFlags flags = form.windowFlags();
        QVERIFY(
            !(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint | Qt::WindowSystemMenuHint)));

        const auto *image = form.findChild<QLabel *>(QStringLiteral("Image1"));
        const auto *memo = form.findChild<QPlainTextEdit *>(QStringLiteral("Memo1"));
        const auto *ok = form.findChild<QPushButton *>(QStringLiteral("ButOk"));
        QCOMPARE(image->geometry(), QRect(67, 8, 80, 80));
        QCOMPARE(memo->geometry(), QRect(15, 100, 185, 41));
        QCOMPARE(ok->geometry(), QRect(55, 152, 105, 25));
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QCOMPARE(memo->font().pixelSize(), 16);
        QVERIFY(!memo->isReadOnly());
        QCOMPARE(image->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
                 TKekkaForm::DrawMark(true, form.devicePixelRatioF()));
        QTRY_VERIFY(ok->hasFocus());

        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QRect frame = form.frameGeometry();
        QCOMPARE(frame.left(), (screen.width() - frame.width()) / 2);
        QCOMPARE(frame.top(), (screen.height() - frame.height()) / 2);
    }

    void enterOrSpaceClosesIt()
    {
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
            TKekkaForm form({false, mvx::TenThousandths(1)}, nullptr);
            auto *ok = form.findChild<QPushButton *>(QStringLiteral("ButOk"));
            QTimer press;
            QElapsedTimer waited;
            waited.start();
            connect(&press, &QTimer::timeout, &form, [&] {
                if (QApplication::focusWidget() == ok)
                    QTest::keyClick(ok, key);
                else if (waited.elapsed() > 5000)
                    form.reject(); // OK never got the focus
            });
            press.start(10);
            QCOMPARE(form.exec(), int(QDialog::Accepted));
        }
    }

    void onlyOkClosesItAndTabLeavesTheText()
    {
        TKekkaForm form({true, mvx::TenThousandths(0)}, nullptr);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto *memo = form.findChild<QPlainTextEdit *>(QStringLiteral("Memo1"));
        auto *ok = form.findChild<QPushButton *>(QStringLiteral("ButOk"));
        QTest::keyClick(&form, Qt::Key_Escape);
        QVERIFY(form.isVisible());
        memo->setFocus();
        const QString before = memo->toPlainText();
        QTest::keyClick(memo, Qt::Key_Tab);
        QCOMPARE(memo->toPlainText(), before);
        QCOMPARE(form.focusWidget(), ok);
    }
};

QTEST_MAIN(VerdictTest)
#include "VerdictTest.moc"
