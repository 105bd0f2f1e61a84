// The main window: its layout and sizing, and the three ways its path fields
// get filled.
#include "support/ModalAnswer.h"
#include "support/TempFiles.h"
#include "ui/Fonts.h"
#include "ui/MVX.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

using namespace Qt::StringLiterals;
using mvx::test::DropFiles;
using mvx::test::ModalWatcher;
using mvx::ui::TMainForm;

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TMainForm> window;
    mvx::test::TempDir dir;

    template <typename T = QWidget> T *Child(const char *name)
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    QLineEdit *Edit(int n) { return Child<QLineEdit>(n == 1 ? "Edit1" : "Edit2"); }

    void Open(const QStringList &parameters = {})
    {
        std::vector<std::string> names;
        for (const QString &parameter : parameters)
            names.push_back(parameter.toStdString());
        window = std::make_unique<TMainForm>(names);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    QString Make(const char *name)
    {
        const std::string path = dir.File(name);
        mvx::test::WriteBytes(path, name);
        return QString::fromStdString(path);
    }

private slots:
    void initTestCase() { mvx::ui::ApplyProgramFont(); }
    void cleanup() { window.reset(); }

    void opensLaidOutAndCentredWithTheFocusOnTheSourceButton()
    {
        Open();
        QCOMPARE(window->windowTitle(), QStringLiteral("Morvatix"));
        QCOMPARE(window->size(), QSize(342, 19 + 148));
        QCOMPARE(Child<QMenuBar>("MainMenu1")->height(), 19);
        QCOMPARE(window->centralWidget()->geometry(), QRect(0, 19, 342, 148));
        const struct {
            const char *name;
            QRect geometry;
            QString text;
        } controls[] = {
            {"Button1", {8, 8, 57, 25}, QStringLiteral("比較元")},
            {"Edit1", {72, 10, 258, 20}, QString()},
            {"Button2", {8, 48, 57, 25}, QStringLiteral("比較先")},
            {"Edit2", {72, 50, 258, 20}, QString()},
            {"Button3", {152, 116, 81, 25}, QStringLiteral("チェック")},
            {"Button4", {248, 116, 81, 25}, QStringLiteral("終　了")},
            {"ProgressBar1", {8, 85, 321, 17}, QString()},
        };
        for (const auto &c : controls) {
            QWidget *w = Child(c.name);
            QVERIFY2(w != nullptr, c.name);
            QCOMPARE(w->geometry(), c.geometry);
            if (auto *button = qobject_cast<QPushButton *>(w))
                QCOMPARE(button->text(), c.text);
        }
        const auto actions = Child<QMenuBar>("MainMenu1")->actions();
        QCOMPARE(actions.size(), 2);
        QCOMPARE(actions.at(0)->text(), QStringLiteral("ヘルプ"));
        QCOMPARE(actions.at(1)->text(), QStringLiteral("バージョン情報"));
        QVERIFY(actions.at(0)->menu() == nullptr && actions.at(1)->menu() == nullptr);

        QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window->windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(window->windowFlags() & Qt::WindowCloseButtonHint);

        const auto *bar = Child<QProgressBar>("ProgressBar1");
        QCOMPARE(bar->value(), 0);
        QVERIFY(!bar->isTextVisible());

        QTRY_COMPARE(QApplication::focusWidget(), Child("Button1"));
        QStringList order{QStringLiteral("Button1")};
        for (QWidget *w = Child("Button1")->nextInFocusChain(); w != Child("Button1");
             w = w->nextInFocusChain())
            if (w->focusPolicy() & Qt::TabFocus && !w->objectName().isEmpty() && w->isVisibleTo(window.get()))
                order << w->objectName();
        // The bar comes last in the order but, showing nothing to act on, takes no focus.
        QCOMPARE(order, (QStringList{u"Button1"_s, u"Edit1"_s, u"Button2"_s, u"Edit2"_s, u"Button3"_s,
                                     u"Button4"_s}));

        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QRect frame = window->frameGeometry();
        QCOMPARE(frame.left(), (screen.width() - frame.width()) / 2);
        QCOMPARE(frame.top(), (screen.height() - frame.height()) / 2);
    }

    void keepsItsHeightAndMinimumWidthWhileFieldsStretch_data()
    {
        QTest::addColumn<QSize>("asked");
        QTest::addColumn<QSize>("got");
        QTest::newRow("narrower") << QSize(200, 167) << QSize(342, 167);
        QTest::newRow("taller") << QSize(342, 400) << QSize(342, 167);
        QTest::newRow("shorter") << QSize(342, 60) << QSize(342, 167);
        QTest::newRow("600 wide") << QSize(600, 167) << QSize(600, 167);
        QTest::newRow("wide and tall") << QSize(800, 500) << QSize(800, 167);
    }

    void keepsItsHeightAndMinimumWidthWhileFieldsStretch()
    {
        QFETCH(QSize, asked);
        QFETCH(QSize, got);
        Open();
        window->resize(asked);
        QTRY_COMPARE(window->size(), got);
        QTRY_COMPARE(Edit(1)->width(), got.width() - 84);
        QCOMPARE(Edit(2)->width(), got.width() - 84);
        QCOMPARE(Child("ProgressBar1")->width(), got.width() - 21);
        QCOMPARE(window->centralWidget()->height(), 148);
        QCOMPARE(Edit(1)->pos(), QPoint(72, 10));
        QCOMPARE(Child("Button3")->pos(), QPoint(152, 116));
        QCOMPARE(Child("Button4")->pos(), QPoint(248, 116));
        QCOMPARE(Child("Button1")->pos(), QPoint(8, 8));
    }

    void exactlyTwoParametersFillTheFields_data()
    {
        QTest::addColumn<QStringList>("parameters");
        QTest::addColumn<QString>("edit1");
        QTest::addColumn<QString>("edit2");
        QTest::newRow("none") << QStringList{} << ""
                              << "";
        QTest::newRow("one") << QStringList{u"a"_s} << ""
                             << "";
        QTest::newRow("two") << QStringList{u"a b"_s, u"ファイル.txt"_s} << "a b"
                             << "ファイル.txt";
        QTest::newRow("three") << QStringList{u"a"_s, u"b"_s, u"c"_s} << ""
                               << "";
    }

    void exactlyTwoParametersFillTheFields()
    {
        QFETCH(QStringList, parameters);
        QFETCH(QString, edit1);
        QFETCH(QString, edit2);
        const ModalWatcher watcher;
        Open(parameters);
        QCOMPARE(Edit(1)->text(), edit1);
        QCOMPARE(Edit(2)->text(), edit2);
        QTest::qWait(50);
        QVERIFY2(watcher.Seen().isEmpty(), "no check starts by itself");
        QCOMPARE(Child<QProgressBar>("ProgressBar1")->value(), 0);
    }

    void aDropSetsTheFieldToTheFirstItemAndLeavesTheFocus()
    {
        Open();
        const QString one = Make("one.txt");
        const QString two = Make("two.txt");
        const QString three = Make("three.txt");
        const QString folder = QString::fromStdString(dir.Path().string());
        QTRY_COMPARE(QApplication::focusWidget(), Child("Button1"));
        for (int n : {1, 2}) {
            QVERIFY(DropFiles(Edit(n), {two, three, one}));
            QCOMPARE(Edit(n)->text(), two);
            QVERIFY(DropFiles(Edit(n), {folder}));
            QCOMPARE(Edit(n)->text(), folder);
        }
        QCOMPARE(QApplication::focusWidget(), Child("Button1"));

        Edit(1)->setText(QStringLiteral("kept"));
        QVERIFY(!DropFiles(Child("Button3"), {one}));
        QVERIFY(!DropFiles(window->centralWidget(), {one}));
        QCOMPARE(Edit(1)->text(), QStringLiteral("kept"));
        QCOMPARE(Edit(2)->text(), folder);
    }

    void aLongDroppedPathIsTakenWhole()
    {
        Open();
        QString longName = QString::fromStdString(dir.Path().string()) + QLatin1Char('/');
        for (int i = 0; i < 30; ++i)
            longName += QStringLiteral("長い名前");
        QVERIFY(longName.toUtf8().size() > 254);
        QVERIFY(DropFiles(Edit(2), {longName}));
        QCOMPARE(Edit(2)->text(), longName);
    }

    // Qt's dialog shows a name that is not UTF-8 with U+FFFD in it and gives
    // that text back. The folder tells which file was meant, unless two names
    // look the same: then nothing is taken.
    void aDialogChoiceOfANameThatIsNotUtf8TakesItsExactBytes_data()
    {
        QTest::addColumn<bool>("lookAlikeToo");
        QTest::addColumn<QString>("field");
        QTest::newRow("one name fits") << false << "p%E9.txt";
        QTest::newRow("two names fit") << true << "kept";
    }
    void aDialogChoiceOfANameThatIsNotUtf8TakesItsExactBytes()
    {
        QFETCH(bool, lookAlikeToo);
        QFETCH(QString, field);
        Open();
        const mvx::test::TempDir folder;
        mvx::test::WriteBytes(folder.File("p\xe9.txt"), "1");
        if (lookAlikeToo)
            mvx::test::WriteBytes(folder.File("p\xe8.txt"), "2");
        const QString shown = QString::fromStdString(folder.Path().string()) + u"/p\uFFFD.txt"_s;
        Edit(1)->setText(u"kept"_s);
        const ModalWatcher watcher([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(dialog != nullptr);
            dialog->findChild<QLineEdit *>(u"fileNameEdit"_s)->setText(shown);
            static_cast<QDialog *>(dialog)->accept();
        });
        QTest::mouseClick(Child("Button1"), Qt::LeftButton);
        QCOMPARE(watcher.Seen().size(), 1);
        const QString folderText = QString::fromStdString(folder.Path().string()) + u'/';
        QCOMPARE(Edit(1)->text(), field == u"kept" ? field : folderText + field);
    }

    void theDialogRemembersTheLastNameForBothButtons()
    {
        Open();
        const QString chosen = Make("chosen.bin");
        const QString missing = QString::fromStdString(dir.File("typed but missing.bin"));

        QStringList preselected;
        auto choose = [&](const QString &name) {
            return [&, name](QWidget *modal) {
                auto *dialog = qobject_cast<QFileDialog *>(modal);
                QVERIFY(dialog != nullptr);
                QCOMPARE(dialog->fileMode(), QFileDialog::AnyFile);
                QVERIFY(dialog->nameFilters().isEmpty() ||
                        dialog->nameFilters() == QStringList{u"All Files (*)"_s});
                preselected << dialog->selectedFiles().value(0);
                if (name.isEmpty()) {
                    // Typed, then cancelled: not a name to open on next time.
                    if (auto *typed = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s))
                        typed->setText(u"typed then cancelled"_s);
                    dialog->reject();
                } else {
                    // Typed into the name field, then confirmed as the Open button does.
                    auto *typed = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
                    QVERIFY(typed != nullptr);
                    typed->setText(name);
                    static_cast<QDialog *>(dialog)->accept();
                }
            };
        };

        {
            const ModalWatcher watcher(choose(chosen));
            QTest::mouseClick(Child("Button1"), Qt::LeftButton);
            QCOMPARE(watcher.Seen().size(), 1);
        }
        QCOMPARE(Edit(1)->text(), chosen);
        // The window's own focus, which it gets back as soon as it is active
        // again. Only one field holds text: the focus stays.
        QCOMPARE(window->focusWidget(), Child("Button1"));
        {
            const ModalWatcher watcher(choose(missing));
            QTest::mouseClick(Child("Button2"), Qt::LeftButton);
        }
        QCOMPARE(preselected.last(), chosen);
        QCOMPARE(Edit(2)->text(), missing);
        QCOMPARE(window->focusWidget(), Child("Button3"));

        Child("Button1")->setFocus();
        {
            const ModalWatcher watcher(choose(QString()));
            QTest::mouseClick(Child("Button1"), Qt::LeftButton);
        }
        QCOMPARE(preselected.last(), missing);
        QCOMPARE(Edit(1)->text(), chosen); // a cancelled dialog changes nothing
        QCOMPARE(window->focusWidget(), Child("Button3"));
        {
            const ModalWatcher watcher(choose(QString()));
            QTest::mouseClick(Child("Button2"), Qt::LeftButton);
        }
        QCOMPARE(preselected.last(), missing);
        QCOMPARE(mvx::test::VisibleTopLevels(window.get()).size(), 0);
    }

    void enterOrSpaceOnTheFocusedCheckButtonStartsTheCheck()
    {
        Open();
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
            Child("Button3")->setFocus();
            const ModalWatcher watcher;
            QTest::keyClick(Child("Button3"), key);
            QTRY_COMPARE(watcher.Texts(), QStringList{u"比較元が空白です"_s});
        }
    }

    void exitClosesTheWindow()
    {
        Open();
        QTest::mouseClick(Child("Button4"), Qt::LeftButton);
        QTRY_VERIFY(!window->isVisible());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
