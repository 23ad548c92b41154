// The listening screen: a tone at any frequency from the slider, and the eight-tone
// sequence on its chart.
#include "acoustics/readouts.h"
#include "app/mainwindow.h"
#include "display/answeringrun.h"
#include "display/chartlayers.h"
#include "display/chartstyle.h"
#include "loudness/loudnesscurves.h"
#include "tones/tone.h"

#include "ui_mainwindow.h"

#include <qcustomplot.h>

namespace {

constexpr int lowestSliderFrequency = 40;
constexpr int highestSliderFrequency = 13500;
constexpr quint32 sliderToneMs = 1500;

// The sequence plays its tones at one level, 60 dB, spread over the audible range: on the
// chart they lie on one horizontal line, yet they cross several equal-loudness curves, so
// they do not sound equally loud.
constexpr double sequenceLevel = 60;
constexpr int sequenceLength = 8;
constexpr quint32 sequenceToneMs = 3000;
constexpr double pointsAtStart[sequenceLength] = {42, 70, 130, 560, 1000, 1800, 4300, 13500};
constexpr double pointsPlayed[sequenceLength] = {42, 70, 130, 560, 1000, 1850, 4300, 13500};

// The chart draws the quieter five curves (0 … 80 phon); louder ones lie above its range.
constexpr int listeningCurveCount = 5;
// Its graphs: the curves, then a marker per point, then (once the sequence has run) the
// yellow cores that mark the point being played.
constexpr int firstPointMarker = listeningCurveCount;
constexpr int firstHighlightCore = firstPointMarker + sequenceLength;

void placePoint(QCPGraph *graph, double frequency, const QColor &colour, double size)
{
    graph->setData({frequency}, {sequenceLevel});
    graph->setPen(QPen(colour));
    graph->setLineStyle(QCPGraph::lsNone);
    graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, size));
}

// A step of the sequence changes only point `i`, on the points' own buffered layer: that layer
// is drawn again, and only the point's square, where it was at start and where it is played, is
// composed anew and reaches the screen, rather than the whole chart being replotted with its curves.
void redrawPoint(QCustomPlot *chart, int i)
{
    // The largest disc, the highlighted one, its outline and antialiasing, and a pixel for rounding.
    constexpr int reach = 21 / 2 + 4;
    QRegion area;
    for (double frequency : {pointsAtStart[i], pointsPlayed[i]}) {
        const QPoint centre(qRound(chart->xAxis->coordToPixel(frequency)),
                            qRound(chart->yAxis2->coordToPixel(sequenceLevel)));
        area += QRect(centre - QPoint(reach, reach), QSize(2 * reach + 1, 2 * reach + 1));
    }
    // On the sequence's first run each highlight brings a yellow core, new to the layer.
    if (!chartlayers::redraw(chart->layer(QStringLiteral("points")), area, chartlayers::MaybeAdded))
        chart->replot();
}

// Plays a tone and returns when it has ended, like playTone, while the window keeps answering
// the desktop. A sink set up in place of the sound card is given the tone on this thread.
void playAnswering(quint32 frequencyHz, quint32 durationMs)
{
    if (tones::hasSink())
        playTone(frequencyHz, durationMs);
    else
        answerWhile([=] { playTone(frequencyHz, durationMs); });
}

} // namespace

void MainWindow::setUpFrequencySlider()
{
    QSlider *slider = ui->horizontalSlider;
    slider->setMinimum(lowestSliderFrequency);
    slider->setMaximum(highestSliderFrequency);
    slider->setSingleStep(1);
    slider->setPageStep(250);
    slider->setSliderPosition(1000);
    ui->lineEdit->setText(readouts::frequency(1000));
    ui->lineEdit->setReadOnly(true);
}

void MainWindow::setUpSequenceReadout()
{
    ui->lineEdit_6->setText(QStringLiteral("f ="));
}

void MainWindow::setUpListeningChart()
{
    QCustomPlot *chart = ui->widget_2;
    const QString family = font().family();

    QVector<double> frequencies(loudness::sampleCount);
    QVector<double> levels(loudness::sampleCount);
    for (int k = 0; k < listeningCurveCount; ++k) {
        loudness::sampleCurve(k, frequencies.data(), levels.data());
        QCPGraph *curve = chart->addGraph(chart->xAxis, chart->yAxis2);
        curve->setData(frequencies, levels, true); // sampled at rising frequencies
        curve->setPen(QPen(Qt::blue, 3));
    }

    chartstyle::caption(chart->xAxis, chart->yAxis2, QPointF(580, 90), Qt::AlignLeft | Qt::AlignBottom,
                        QStringLiteral("Кривые равной громкости"), QFont(family, 14));

    QCPAxis *frequencyAxis = chart->xAxis;
    chartstyle::name(frequencyAxis, QStringLiteral("f, Гц"), Qt::darkGreen, QFont(family, 14),
                     QFont(family, 12));
    frequencyAxis->setScaleType(QCPAxis::stLogarithmic);
    frequencyAxis->setTicker(frequencyTicker);
    chartstyle::ticks(frequencyAxis, QPen(Qt::darkGreen, 3.5), QPen(Qt::darkGreen, 2.5), 10, 7);
    frequencyAxis->setBasePen(QPen(Qt::black, 2));
    chartstyle::dottedGrid(frequencyAxis, QColor(100, 100, 100), QColor(130, 130, 130));
    frequencyAxis->setUpperEnding(chartstyle::arrowhead());

    // The level axis only carries the plottables; the chart is read in intensity.
    chart->yAxis2->setVisible(false);

    // Intensity without numbers: the sequence's points are read against the equal-loudness
    // curves, not against the scale.
    QCPAxis *intensityAxis = chart->yAxis;
    intensityAxis->setLabel(QStringLiteral("I, Вт/м\u00b2"));
    intensityAxis->setLabelFont(QFont(family, 14));
    intensityAxis->setLabelColor(Qt::darkMagenta);
    intensityAxis->setScaleType(QCPAxis::stLogarithmic);
    intensityAxis->setTickLabels(false);
    intensityAxis->setTicker(intensityTicker);
    chartstyle::ticks(intensityAxis, QPen(Qt::darkMagenta, 2), QPen(Qt::darkMagenta, 1), 10, 5);
    intensityAxis->setUpperEnding(chartstyle::arrowhead());
    intensityAxis->setBasePen(QPen(Qt::black, 2));
    chartstyle::dottedGrid(intensityAxis, QColor(170, 170, 170), QColor(200, 200, 200));

    // -10 dB and 100 dB as intensities, so that the hidden level axis and the intensity
    // grid stay aligned.
    frequencyAxis->setRange(25, 15000);
    chart->yAxis2->setRange(-10, 100);
    intensityAxis->setRange(1e-13, 0.01);

    hLine = new QCPCurve(frequencyAxis, chart->yAxis2);
    hLine->setName(QStringLiteral("HLine"));
    hLine->setData({25, 15000}, {sequenceLevel, sequenceLevel});
    hLine->setPen(QPen(Qt::black, 2));

    // The points get a buffered layer above everything else plotted, so that a step of the
    // sequence redraws them alone. The yellow cores added when the sequence first runs land
    // on it too.
    chart->addLayer(QStringLiteral("points"), chart->layer(QStringLiteral("main")), QCustomPlot::limAbove);
    chart->layer(QStringLiteral("points"))->setMode(QCPLayer::lmBuffered);
    chart->setCurrentLayer(QStringLiteral("points"));
    for (double frequency : pointsAtStart)
        placePoint(chart->addGraph(frequencyAxis, chart->yAxis2), frequency, Qt::black, 15);

    chartlayers::replotWhenShown(chart);
}

void MainWindow::on_pushButton_4_clicked()
{
    const AnsweringRun run(this);
    playAnswering(quint32(ui->horizontalSlider->sliderPosition()), sliderToneMs);
}

// Every move of the slider (a step, a page, a drag, the wheel) names its frequency at once,
// before the slider settles on its new value.
void MainWindow::on_horizontalSlider_actionTriggered(int action)
{
    if (action == QAbstractSlider::SliderNoAction)
        return;
    ui->lineEdit->setText(readouts::frequency(ui->horizontalSlider->sliderPosition()));
}

// Plays the eight tones one after another. Each point is highlighted and named while its
// tone sounds: the screen is repainted before the tone starts, because between the tones
// the window handles no events at all.
void MainWindow::on_pushButton_9_clicked()
{
    const AnsweringRun run(this);
    QCustomPlot *chart = ui->widget_2;
    for (int i = 0; i < sequenceLength; ++i) {
        const double frequency = pointsPlayed[i];
        ui->lineEdit_6->setText(readouts::frequency(qint64(frequency)));
        placePoint(chart->graph(firstPointMarker + i), frequency, Qt::red, 21);
        if (chart->graphCount() <= firstHighlightCore + i)
            chart->addGraph(chart->xAxis, chart->yAxis2);
        QCPGraph *core = chart->graph(firstHighlightCore + i);
        placePoint(core, frequency, Qt::yellow, 11);
        redrawPoint(chart, i);
        ui->lineEdit_6->repaint();

        playAnswering(quint32(frequency), sequenceToneMs);

        if (i == sequenceLength - 1)
            ui->lineEdit_6->setText(QStringLiteral("f = "));
        placePoint(chart->graph(firstPointMarker + i), frequency, Qt::black, 15);
        core->setPen(QPen(Qt::black));
        redrawPoint(chart, i);
    }
}
