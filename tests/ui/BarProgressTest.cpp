// The progress bar during a long comparison, drawn by Qt's own style: it
// hears of far fewer positions than there are blocks, yet looks at every step
// as if it heard of them all.
#include "ui/BarProgress.h"

#include <QProgressBar>
#include <QSignalSpy>
#include <QtTest>

#include <cstdint>

using mvx::ui::BarProgress;

class BarProgressTest : public QObject {
    Q_OBJECT

    // Two bars side by side: one fed through BarProgress, one told every position.
    struct Pair {
        QWidget window;
        QProgressBar *fed = new QProgressBar(&window);
        QProgressBar *told = new QProgressBar(&window);
        explicit Pair(int width, bool text)
        {
            for (QProgressBar *bar : {fed, told}) {
                bar->setTextVisible(text);
                bar->resize(width, 17);
            }
            told->move(0, 20);
            window.show();
        }
    };

    // The bar drawn by one block's position after another, compared pixel by
    // pixel with a bar that was told each position. Returns the positions fed.
    static int Run(Pair &pair, std::int64_t blocks, int block, int widenAt = -1)
    {
        BarProgress progress(*pair.fed);
        const int maximum = static_cast<int>(blocks * block);
        progress.Progress(0, maximum);
        pair.told->setRange(0, maximum);
        pair.told->setValue(0);
        QSignalSpy fed(pair.fed, &QProgressBar::valueChanged);
        for (std::int64_t i = 1; i <= blocks; ++i) {
            if (i == widenAt) {
                pair.fed->resize(pair.fed->width() * 3, pair.fed->height());
                pair.told->resize(pair.told->width() * 3, pair.told->height());
            }
            const int position = static_cast<int>(i * block);
            progress.Progress(position, maximum);
            pair.told->setValue(position);
            if (pair.fed->grab().toImage() != pair.told->grab().toImage()) {
                qWarning("the bars look different after block %lld", static_cast<long long>(i));
                return -1;
            }
        }
        if (pair.fed->value() != maximum)
            return -1;
        return static_cast<int>(fed.count());
    }

private slots:
    void aNarrowBarHearsOfFewPositionsAndLooksTheSame()
    {
        Pair pair(60, false);
        const int fed = Run(pair, 1000, 1024);
        QVERIFY(fed > 0);
        // Half-pixel steps across at most the bar's width, and the end.
        QVERIFY2(fed <= 2 * 60 + 1, qPrintable(QString::number(fed)));
    }

    void aBarThatGrowsDuringTheRunStaysExact()
    {
        Pair pair(40, false);
        QVERIFY(Run(pair, 900, 4096, 450) > 0);
    }

    void aBarWithTextHearsOfEveryPosition()
    {
        Pair pair(60, true);
        QCOMPARE(Run(pair, 300, 1024), 300);
    }
};

QTEST_MAIN(BarProgressTest)
#include "BarProgressTest.moc"
