// The equal-loudness screen as a lecturer uses it: pressing and dragging on the chart,
// choosing level examples, and reading f, L, I and p beside the chart.

// QtTest's mouse functions then go through the platform layer, so that the application
// knows which buttons are held during a drag, as with a real mouse.
#define QTEST_QPA_MOUSE_HANDLING

#include "support/loudnesschart.h"

#include <QComboBox>
#include <QLabel>
#include <QtTest>

class LoudnessChart : public LoudnessChartTest
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void thresholdCurveDipsBelowZeroDecibels();
    void pressChoosesTheFrequencyUnderThePointer_data();
    void pressChoosesTheFrequencyUnderThePointer();
    void dragFollowsThePointerOnlyWhileAButtonIsHeld();
    void levelExampleChoosesTheCurve_data();
    void levelExampleChoosesTheCurve();
    void levelExampleKeepsTheChosenFrequency();
    void indexNamingNoCurveChangesNothing();

private:
    int columnShowing(double frequency);
    QPoint at(int column) const { return QPoint(column, chart->height() / 3); }
};

static QStringList shown(const char *f, const char *level, const char *intensity, const char *pressure)
{
    return {QStringLiteral("f = %1 Гц").arg(f), QStringLiteral("L = %1 дБ").arg(level),
            QStringLiteral("I = %1 Вт/м\u00b2").arg(intensity), QStringLiteral("p = %1 Па").arg(pressure)};
}

void LoudnessChart::init()
{
    openScreen();
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(readouts(), shown("1000", "0.00", "1.00E-12", "2.04E-05"));
}

void LoudnessChart::cleanup()
{
    delete window;
}

// At full-HD size one pixel column spans about 4 Hz near 1 kHz, so no column shows a given
// frequency exactly: slide the frequency axis by less than a pixel until the nearest one does.
int LoudnessChart::columnShowing(double frequency)
{
    QCPAxis *axis = chart->xAxis;
    const int column = qRound(axis->coordToPixel(frequency));
    axis->setRange(axis->range() * (frequency / axis->pixelToCoord(column)));
    return column;
}

// The ear's best sensitivity, around 3 kHz, lies below the 1 kHz threshold.
void LoudnessChart::thresholdCurveDipsBelowZeroDecibels()
{
    const QSharedPointer<QCPGraphDataContainer> data = chart->graph(0)->data();
    QCOMPARE(data->size(), 13971);
    for (auto it = data->constBegin(); it != data->constEnd(); ++it)
        QVERIFY2((it->value < 0) == (it->key >= 1001 && it->key <= 5297),
                 qPrintable(QString::number(it->key)));
}

void LoudnessChart::pressChoosesTheFrequencyUnderThePointer_data()
{
    QTest::addColumn<double>("pointer"); // the frequency under the pressed column
    QTest::addColumn<int>("button");
    QTest::addColumn<double>("traced"); // the sample the crosshair sits on
    QTest::addColumn<QStringList>("expected");

    const QStringList oneKilohertz = shown("1000", "0.00", "1.00E-12", "2.04E-05");
    QTest::newRow("1 kHz") << 1000.3 << int(Qt::LeftButton) << 1000.0 << oneKilohertz;
    QTest::newRow("right button") << 1000.3 << int(Qt::RightButton) << 1000.0 << oneKilohertz;
    QTest::newRow("middle button") << 1000.3 << int(Qt::MiddleButton) << 1000.0 << oneKilohertz;
    QTest::newRow("999.7 Hz is shown truncated")
        << 999.7 << int(Qt::LeftButton) << 1000.0 << shown("999", "0.00", "1.00E-12", "2.04E-05");
    QTest::newRow("below the threshold at 3191 Hz")
        << 3191.2 << int(Qt::LeftButton) << 3191.0 << shown("3191", "-7.07", "1.96E-13", "9.05E-06");
    QTest::newRow("left of the curves")
        << 26.4 << int(Qt::LeftButton) << 30.0 << shown("26", "70.00", "1.00E-05", "6.46E-02");
    QTest::newRow("in the left axis margin")
        << 21.7 << int(Qt::LeftButton) << 30.0 << shown("21", "70.00", "1.00E-05", "6.46E-02");
    QTest::newRow("right of the curves")
        << 16500.5 << int(Qt::LeftButton) << 14000.0 << shown("16500", "20.00", "1.00E-10", "2.04E-04");
    QTest::newRow("in the right axis margin")
        << 22222.9 << int(Qt::LeftButton) << 14000.0 << shown("22222", "20.00", "1.00E-10", "2.04E-04");
}

void LoudnessChart::pressChoosesTheFrequencyUnderThePointer()
{
    QFETCH(double, pointer);
    QFETCH(int, button);
    QFETCH(double, traced);
    QFETCH(QStringList, expected);

    const QPoint point = at(columnShowing(pointer));
    QTest::mousePress(chart, Qt::MouseButton(button), {}, point);
    QCOMPARE(readouts(), expected);
    QCOMPARE(tracer->position->key(), traced);
    QTest::mouseRelease(chart, Qt::MouseButton(button), {}, point);
    QCOMPARE(readouts(), expected);
}

void LoudnessChart::dragFollowsThePointerOnlyWhileAButtonIsHeld()
{
    int moves = 0;
    connect(chart, &QCustomPlot::mouseMove, this, [&] { ++moves; });
    QCPAxis *axis = chart->xAxis;
    QTest::mousePress(chart, Qt::LeftButton, {}, at(qRound(axis->coordToPixel(200))));
    for (double towards : {400.0, 3000.0, 12000.0}) {
        const int column = qRound(axis->coordToPixel(towards));
        dragTo(at(column));
        QCOMPARE(readouts().first(), QStringLiteral("f = %1 Гц").arg(qint64(axis->pixelToCoord(column))));
        QCOMPARE(tracer->position->key(), std::round(axis->pixelToCoord(column)));
    }
    // A million pixels away the axis gives infinity to the right and zero to the left; the
    // frequency read-out saturates instead of overflowing, the crosshair rests on the ends.
    dragTo(at(1000000));
    QCOMPARE(readouts(), shown("9223372036854775807", "20.00", "1.00E-10", "2.04E-04"));
    dragTo(at(-1000000));
    QCOMPARE(readouts(), shown("0", "70.00", "1.00E-05", "6.46E-02"));

    const int released = columnShowing(3191.2);
    dragTo(at(released));
    QTest::mouseRelease(chart, Qt::LeftButton, {}, at(released));
    const QStringList afterDrag = shown("3191", "-7.07", "1.96E-13", "9.05E-06");
    QCOMPARE(readouts(), afterDrag);
    const int movesWhileHeld = moves;
    for (double over : {100.0, 1000.0, 10000.0}) {
        QTest::mouseMove(chart, at(qRound(axis->coordToPixel(over))));
        QCOMPARE(readouts(), afterDrag);
        QCOMPARE(tracer->position->key(), 3191.0);
    }
    QCOMPARE(moves, movesWhileHeld + 3); // the chart reported them; the window let them pass
}

void LoudnessChart::levelExampleChoosesTheCurve_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("example");
    QTest::addColumn<QString>("colour");
    QTest::addColumn<QStringList>("expected");

    // Before any press the chosen frequency is 1 kHz, where decibels equal phons.
    QTest::newRow("0 phon, already chosen") << 0 << "порог слышимости"
                                            << "red" << shown("1000", "0.00", "1.00E-12", "2.04E-05");
    QTest::newRow("20 phon") << 1 << "шёпот"
                             << "blue" << shown("1000", "20.00", "1.00E-10", "2.04E-04");
    QTest::newRow("40 phon") << 2 << "обычная речь"
                             << "blue" << shown("1000", "40.00", "1.00E-08", "2.04E-03");
    QTest::newRow("60 phon") << 3 << "громкий разговор"
                             << "blue" << shown("1000", "60.00", "1.00E-06", "2.04E-02");
    QTest::newRow("80 phon") << 4 << "крик"
                             << "blue" << shown("1000", "80.00", "1.00E-04", "2.04E-01");
    QTest::newRow("100 phon") << 5 << "метро"
                              << "blue" << shown("1000", "100.00", "1.00E-02", "2.04E+00");
    QTest::newRow("120 phon") << 6 << "болевой порог"
                              << "red" << shown("1000", "120.00", "1.00E+00", "2.04E+01");
}

void LoudnessChart::levelExampleChoosesTheCurve()
{
    QFETCH(int, index);
    QFETCH(QString, example);
    QFETCH(QString, colour);
    QFETCH(QStringList, expected);

    chooseExample(index);
    QCOMPARE(readouts(), expected);
    QCOMPARE(tracer->graph(), chart->graph(index));
    for (int k = 0; k < chart->graphCount(); ++k)
        QCOMPARE(chart->graph(k)->pen(), k == index ? QPen(Qt::red, 3.0) : QPen(Qt::blue, 2.5));

    // The label as drawn: its glyphs in the example's colour and in no other.
    auto *label = window->findChild<QLabel *>(QStringLiteral("label_29"));
    QCOMPARE(screens::shownText(label), example);
    const QImage drawn = label->grab().toImage();
    int red = 0, blue = 0;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            const QColor c = drawn.pixelColor(x, y);
            red += c.red() > 180 && c.green() < 90 && c.blue() < 90;
            blue += c.blue() > 180 && c.red() < 90 && c.green() < 90;
        }
    }
    QVERIFY2(colour == "red" ? red > 20 && blue == 0 : blue > 20 && red == 0,
             qPrintable(QStringLiteral("%1 red, %2 blue pixels").arg(red).arg(blue)));
}

void LoudnessChart::levelExampleKeepsTheChosenFrequency()
{
    QTest::mouseClick(chart, Qt::LeftButton, {}, at(columnShowing(3191.2)));
    auto *examples = window->findChild<QComboBox *>(QStringLiteral("comboBox"));
    examples->setFocus();
    QTest::keyClick(examples, Qt::Key_End); // straight to the pain threshold
    QCOMPARE(tracer->graph(), chart->graph(6));
    QCOMPARE(tracer->position->key(), 3191.0);
    QCOMPARE(readouts().first(), QStringLiteral("f = 3191 Гц"));

    QTest::keyClick(examples, Qt::Key_Home);
    QCOMPARE(readouts(), shown("3191", "-7.07", "1.96E-13", "9.05E-06"));
}

// Only the meta-object can deliver an index the combo box does not have; it must not pick a
// curve that is not there.
void LoudnessChart::indexNamingNoCurveChangesNothing()
{
    auto *example = window->findChild<QLabel *>(QStringLiteral("label_29"));
    const QImage before = chart->grab().toImage();
    for (int index : {-1, 7, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}) {
        QVERIFY(QMetaObject::invokeMethod(window, "on_comboBox_activated", Q_ARG(int, index)));
        QCOMPARE(tracer->graph(), chart->graph(0));
        QCOMPARE(readouts(), shown("1000", "0.00", "1.00E-12", "2.04E-05"));
        QCOMPARE(screens::shownText(example), QStringLiteral("порог слышимости"));
    }
    QCOMPARE(chart->grab().toImage(), before);
}

QTEST_MAIN(LoudnessChart)
#include "tst_loudnesschart.moc"
