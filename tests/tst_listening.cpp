// The listening screen as a student uses it: the slider and its tone, and the eight-tone
// sequence whose points light up on the chart exactly while they sound. A recording sink
// stands in for the sound card, so nothing sounds and nothing waits.

#include "app/mainwindow.h"
#include "support/screens.h"
#include "tones/tone.h"

#include <QLineEdit>
#include <QScreen>
#include <QSlider>
#include <QtTest>
#include <qcustomplot.h>

namespace {

struct Tone
{
    quint32 frequencyHz;
    quint32 durationMs;
};

const double startPoints[] = {42, 70, 130, 560, 1000, 1800, 4300, 13500};
const double playedPoints[] = {42, 70, 130, 560, 1000, 1850, 4300, 13500};

// How a point of the sequence looks: its place, colour and size.
struct Point
{
    double frequency;
    double level;
    QColor colour;
    double size;
};

Point pointOf(QCPGraph *graph)
{
    const auto data = graph->data();
    if (data->size() != 1)
        return {qQNaN(), qQNaN(), QColor(), 0};
    return {data->constBegin()->key, data->constBegin()->value, graph->pen().color(),
            graph->scatterStyle().size()};
}

} // namespace

class Listening : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opensWithEightPlainPointsOnTheSixtyDecibelLine();
    void eachPointLightsUpWhileItsToneSounds();
    void aSecondRunLooksLikeTheFirst();
    void sliderStepsNameTheirFrequency_data();
    void sliderStepsNameTheirFrequency();
    void playButtonPlaysTheSliderFrequency();
    void readoutsCannotBeEdited();
    void mouseOnTheChartChangesNothing();

private:
    MainWindow *window = nullptr;
    QCustomPlot *chart = nullptr;
    QSlider *slider = nullptr;
    QVector<Tone> played;
    std::function<void(const Tone &)> onTone;

    QString readout(const char *name) const { return window->findChild<QLineEdit *>(name)->text(); }
    void runSequence();
    void verifyAllPointsPlain(const double (&frequencies)[8]);
};

void Listening::init()
{
    played.clear();
    onTone = nullptr;
    tones::setSink([this](quint32 frequencyHz, quint32 durationMs) {
        played.append({frequencyHz, durationMs});
        if (onTone)
            onTone(played.last());
    });
    window = new MainWindow;
    QVERIFY(screens::showFullHd(window));
    QVERIFY(screens::clickVisible(window, QStringLiteral("Восприятие звука на различных частотах")));
    QVERIFY(screens::clickVisible(window, QStringLiteral("Я всё понял")));
    QCoreApplication::processEvents();
    chart = window->findChild<QCustomPlot *>("widget_2");
    slider = window->findChild<QSlider *>("horizontalSlider");
    QVERIFY(chart && slider);
}

void Listening::cleanup()
{
    delete window;
    tones::setSink(nullptr);
}

void Listening::runSequence()
{
    QVERIFY(screens::clickVisible(window, QStringLiteral("Старт")));
}

void Listening::verifyAllPointsPlain(const double (&frequencies)[8])
{
    for (int i = 0; i < 8; ++i) {
        const Point marker = pointOf(chart->graph(5 + i));
        QCOMPARE(marker.frequency, frequencies[i]);
        QCOMPARE(marker.level, 60.0);
        QCOMPARE(marker.colour, QColor(Qt::black));
        QCOMPARE(marker.size, 15.0);
        if (chart->graphCount() > 13 + i) {
            const Point core = pointOf(chart->graph(13 + i));
            QCOMPARE(core.colour, QColor(Qt::black));
            QVERIFY(core.size < marker.size);
        }
    }
}

void Listening::opensWithEightPlainPointsOnTheSixtyDecibelLine()
{
    QCOMPARE(readout("lineEdit_6"), QStringLiteral("f ="));
    QCOMPARE(readout("lineEdit"), QStringLiteral("f = 1000 Гц"));
    QCOMPARE(slider->sliderPosition(), 1000);
    QCOMPARE(chart->graphCount(), 13);
    verifyAllPointsPlain(startPoints);

    // Five curves through their table points; the 60 phon curve meets the 60 dB line at
    // 500 Hz and 1 kHz.
    for (int k = 0; k < 5; ++k) {
        const auto curve = chart->graph(k)->data();
        QCOMPARE(curve->size(), 13971);
        QCOMPARE(curve->findBegin(1000, false)->value, 20.0 * k);
    }
    QCOMPARE(chart->graph(3)->data()->findBegin(500, false)->value, 60.0);

    // Read in intensity only: the level axis is hidden, the intensity axis has no numbers.
    QVERIFY(!chart->yAxis2->visible());
    QVERIFY(!chart->yAxis->tickLabels());
    QCOMPARE(chart->yAxis->range().lower, 1e-13);
    QCOMPARE(chart->yAxis->range().upper, 0.01);
}

// What the student sees at the moment each tone starts must already be on the screen: the
// test compares the screen's pixels, not only the widgets' state.
void Listening::eachPointLightsUpWhileItsToneSounds()
{
    QScreen *screen = window->windowHandle()->screen();
    auto *sequenceReadout = window->findChild<QLineEdit *>("lineEdit_6");
    int checked = 0;
    onTone = [&](const Tone &tone) {
        const int i = played.size() - 1;
        QCOMPARE(tone.frequencyHz, quint32(playedPoints[i]));
        QCOMPARE(tone.durationMs, 3000u);
        QCOMPARE(sequenceReadout->text(), QStringLiteral("f = %1 Гц").arg(tone.frequencyHz));
        for (int j = 0; j < 8; ++j) {
            const Point marker = pointOf(chart->graph(5 + j));
            const bool lit = j == i;
            QCOMPARE(marker.colour, lit ? QColor(Qt::red) : QColor(Qt::black));
            QCOMPARE(marker.size, lit ? 21.0 : 15.0);
            QCOMPARE(marker.frequency, j <= i ? playedPoints[j] : startPoints[j]);
        }
        const Point core = pointOf(chart->graph(13 + i));
        QCOMPARE(core.colour, QColor(Qt::yellow));
        QCOMPARE(core.size, 11.0);
        QCOMPARE(core.frequency, playedPoints[i]);

        const QImage shown = screen->grabWindow(window->winId()).toImage();
        const QPoint centre = chart->mapTo(window, QPoint(qRound(chart->xAxis->coordToPixel(playedPoints[i])),
                                                          qRound(chart->yAxis2->coordToPixel(60))));
        QCOMPARE(QColor(shown.pixel(centre)), QColor(Qt::yellow));
        QCOMPARE(QColor(shown.pixel(centre + QPoint(0, 8))), QColor(Qt::red));
        const QImage readoutNow = sequenceReadout->grab().toImage().convertToFormat(shown.format());
        QCOMPARE(shown.copy(QRect(sequenceReadout->mapTo(window, QPoint()), readoutNow.size())), readoutNow);
        ++checked;
    };

    runSequence();
    QCOMPARE(checked, 8);
    QCOMPARE(readout("lineEdit_6"), QStringLiteral("f = "));
    QCOMPARE(chart->graphCount(), 21);
    verifyAllPointsPlain(playedPoints);
}

void Listening::aSecondRunLooksLikeTheFirst()
{
    runSequence();
    const QImage afterFirst = chart->grab().toImage();
    played.clear();
    runSequence();
    QCOMPARE(played.size(), 8);
    QCOMPARE(chart->graphCount(), 21);
    QCOMPARE(readout("lineEdit_6"), QStringLiteral("f = "));
    verifyAllPointsPlain(playedPoints);
    QCOMPARE(chart->grab().toImage(), afterFirst);
}

void Listening::sliderStepsNameTheirFrequency_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("to");

    QTest::newRow("arrow up") << 1000 << int(Qt::Key_Right) << 1001;
    QTest::newRow("arrow down") << 1000 << int(Qt::Key_Left) << 999;
    QTest::newRow("page up") << 1000 << int(Qt::Key_PageUp) << 1250;
    QTest::newRow("page down") << 1000 << int(Qt::Key_PageDown) << 750;
    QTest::newRow("page up stops at the top") << 13400 << int(Qt::Key_PageUp) << 13500;
    QTest::newRow("page down stops at the bottom") << 100 << int(Qt::Key_PageDown) << 40;
    QTest::newRow("arrow up at the top") << 13500 << int(Qt::Key_Right) << 13500;
    QTest::newRow("home") << 1000 << int(Qt::Key_Home) << 40;
    QTest::newRow("end") << 1000 << int(Qt::Key_End) << 13500;
}

void Listening::sliderStepsNameTheirFrequency()
{
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(int, to);

    slider->setSliderPosition(from);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key(key));
    QCOMPARE(slider->sliderPosition(), to);
    QCOMPARE(readout("lineEdit"), QStringLiteral("f = %1 Гц").arg(to));
}

void Listening::playButtonPlaysTheSliderFrequency()
{
    QVERIFY(screens::clickVisible(window, QStringLiteral("Воспроизвести")));
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_PageUp);
    QVERIFY(screens::clickVisible(window, QStringLiteral("Воспроизвести")));
    QCOMPARE(played.size(), 2);
    QCOMPARE(played[0].frequencyHz, 1000u);
    QCOMPARE(played[0].durationMs, 1500u);
    QCOMPARE(played[1].frequencyHz, 1250u);
    QCOMPARE(played[1].durationMs, 1500u);
}

void Listening::readoutsCannotBeEdited()
{
    for (const char *name : {"lineEdit", "lineEdit_6"}) {
        auto *readout = window->findChild<QLineEdit *>(name);
        const QString before = readout->text();
        readout->setFocus();
        QTest::keyClicks(readout, "123");
        QTest::keyClick(readout, Qt::Key_Backspace);
        QVERIFY(readout->isReadOnly());
        QCOMPARE(readout->text(), before);
    }
}

void Listening::mouseOnTheChartChangesNothing()
{
    const QImage before = chart->grab().toImage();
    const QPoint middle = chart->rect().center();
    QTest::mousePress(chart, Qt::LeftButton, Qt::NoModifier, middle);
    QTest::mouseMove(chart, middle + QPoint(200, 50));
    QTest::mouseRelease(chart, Qt::LeftButton, Qt::NoModifier, middle + QPoint(200, 50));
    QWheelEvent wheel(middle, chart->mapToGlobal(middle), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(chart, &wheel);
    QVERIFY(played.isEmpty());
    QCOMPARE(chart->grab().toImage(), before);
}

QTEST_MAIN(Listening)
#include "tst_listening.moc"
