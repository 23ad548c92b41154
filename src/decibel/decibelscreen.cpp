// The decibel scale at 1000 Hz: one vertical scale read as level, intensity and pressure,
// and the choice of an everyday sound source on it.
#include "acoustics/acoustics.h"
#include "acoustics/readouts.h"
#include "app/mainwindow.h"
#include "display/chartlayers.h"
#include "display/chartstyle.h"

#include "ui_mainwindow.h"

#include <qcustomplot.h>

#include <algorithm>
#include <iterator>

namespace {

struct SoundSource
{
    const char *name; // UTF-8, as the combo box lists it
    double level;     // dB at 1000 Hz
};

// Everyday sounds from the threshold of hearing upwards, in the order the combo box lists
// them. Ten decibels a step up to the lethal 180 dB; the last one, a weapon made of noise,
// sits at 200 dB, so nothing stands at 190.
const SoundSource soundSources[] = {
    {"порог слышимости", 0},
    {"шелест листьев", 10},
    {"шёпот", 20},
    {"тиканье часов", 30},
    {"обычная речь", 40},
    {"тихая улица", 50},
    {"громкий разговор", 60},
    {"шумная улица", 70},
    {"крик", 80},
    {"пневматический молоток", 90},
    {"метро", 100},
    {"вертолет", 110},
    {"болевой порог", 120},
    {"сирена", 130},
    {"макс.громкость на рок-концерте", 140},
    {"старт ракеты", 150},
    {"выстрел из ружья близко от уха", 160},
    {"светошумовая граната", 170},
    {"смертельная интенсивность", 180},
    {"шумовое оружие", 200},
};
constexpr int soundSourceCount = int(std::size(soundSources));

// The scale is drawn at the one frequency where level and loudness level coincide.
constexpr double scaleFrequency = 1000;
constexpr double lowestFrequency = 25;
constexpr double highestFrequency = 2000;
constexpr double lowestLevel = -10;
constexpr double highestLevel = 220;
// The caption names the source just left of the scale and just above its level line.
constexpr double captionFrequency = 850;
constexpr double captionLift = 2;

// The chart's graphs: a dot for every source, then the marker of the chosen one, whose
// yellow centre comes last so that it is drawn over its red ring.
constexpr int sourceDotCount = soundSourceCount;
constexpr int markerRing = sourceDotCount;
constexpr int markerCentre = sourceDotCount + 1;

void placeOnScale(QCPGraph *graph, double level, const QPen &pen, double size)
{
    graph->setData({scaleFrequency}, {level});
    graph->setPen(pen);
    graph->setLineStyle(QCPGraph::lsNone);
    graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, size));
}

// The red ring of the chosen source's marker, the largest thing drawn on the scale.
constexpr double markerRingSize = 21;

void placeMarker(QCustomPlot *chart, double level)
{
    placeOnScale(chart->graph(markerRing), level, QPen(Qt::red), markerRingSize);
    placeOnScale(chart->graph(markerCentre), level, QPen(Qt::yellow), 11);
}

// Where the chosen source shows at `level`: its red line across the chart, its marker, and its
// name standing above the line, with room for the antialiased edges.
QRect sourceBand(QCustomPlot *chart, const QCPItemText *caption, double level)
{
    constexpr int markerReach = int(markerRingSize) / 2 + 4;
    QCPAxis *levelAxis = chart->yAxis2;
    const int line = qRound(levelAxis->coordToPixel(level));
    const int captionBottom = qRound(levelAxis->coordToPixel(level + captionLift));
    const int captionTop = captionBottom - QFontMetrics(caption->font()).height() - 4;
    const int top = std::min(captionTop, line - markerReach);
    return QRect(0, top, chart->width(), line + markerReach + 1 - top);
}

void showReadouts(Ui::MainWindow *ui, double level)
{
    const double intensity = acoustics::levelToIntensity(level);
    ui->lineEdit_7->setText(readouts::frequency(qint64(scaleFrequency)));
    ui->lineEdit_9->setText(readouts::level(level, 0));
    ui->lineEdit_8->setText(readouts::intensity(intensity, 0));
    ui->lineEdit_10->setText(readouts::pressure(acoustics::intensityToPressure(intensity)));
}

} // namespace

void MainWindow::setUpDecibelReadouts()
{
    showReadouts(ui, soundSources[0].level);
}

void MainWindow::setUpDecibelChart()
{
    QCustomPlot *chart = ui->widget_3;
    const QString family = font().family();
    const QFont axisFont(family, 16);

    QCPAxis *frequencyAxis = chart->xAxis;
    frequencyAxis->setLabel(QStringLiteral("f = 1000 Гц"));
    frequencyAxis->setLabelFont(axisFont);
    frequencyAxis->setTicks(false);
    frequencyAxis->setTickLabels(false);
    frequencyAxis->setSubTicks(false);
    frequencyAxis->setLabelColor(Qt::darkGreen);
    frequencyAxis->setScaleType(QCPAxis::stLogarithmic);
    frequencyAxis->setBasePen(QPen(Qt::black, 2.5));
    frequencyAxis->grid()->setVisible(false);
    frequencyAxis->grid()->setSubGridVisible(false);
    frequencyAxis->grid()->setZeroLinePen(Qt::NoPen);

    QCPAxis *levelAxis = chart->yAxis2;
    levelAxis->setVisible(true);
    chartstyle::name(levelAxis, QStringLiteral("L, дБ"), Qt::darkCyan, axisFont, axisFont);
    chartstyle::ticks(levelAxis, QPen(Qt::darkCyan, 3), QPen(Qt::darkCyan, 2), 10, 5);
    levelAxis->setBasePen(QPen(Qt::darkCyan, 2));
    QSharedPointer<QCPAxisTicker> levelTicker(new QCPAxisTicker);
    levelTicker->setTickCount(10);
    levelAxis->setTicker(levelTicker);

    // Intensity and pressure span twenty-three and twelve decades: only a logarithmic scale
    // shows them, with every decade written as a power of ten.
    QCPAxis *intensityAxis = chart->yAxis;
    chartstyle::intensityScale(intensityAxis, axisFont);
    intensityAxis->setTicker(chartstyle::decades(6, 5));

    QCPAxis *pressureAxis = chart->axisRect()->addAxis(QCPAxis::atLeft);
    chartstyle::name(pressureAxis, QStringLiteral("p, Па"), Qt::darkYellow, axisFont, axisFont);
    chartstyle::powersOfTen(pressureAxis);
    chartstyle::ticks(pressureAxis, QPen(Qt::black, 2.5), QPen(Qt::black, 1), 8, 5);
    pressureAxis->setUpperEnding(chartstyle::arrowhead());
    pressureAxis->setBasePen(QPen(Qt::black, 2));
    pressureAxis->setTicker(chartstyle::decades(7, 5));

    // The three value ranges are one scale: 1e-13 and 1e10 W/m² are the intensities of
    // -10 dB and 220 dB, and 6e-6 to 2e6 Pa nearly the pressures of the same two levels.
    frequencyAxis->setRange(lowestFrequency, highestFrequency);
    levelAxis->setRange(lowestLevel, highestLevel);
    intensityAxis->setRange(1e-13, 1e10);
    pressureAxis->setRange(6e-6, 2e6);

    vertical3 = new QCPCurve(frequencyAxis, levelAxis);
    vertical3->setName(QStringLiteral("Vertical3"));
    vertical3->setData({scaleFrequency, scaleFrequency}, {-20, highestLevel});
    vertical3->setPen(QPen(Qt::darkBlue, 3));

    // The chosen source's name, above its line; at first the threshold of hearing's.
    sourceText3 = chartstyle::caption(frequencyAxis, levelAxis,
                                      QPointF(captionFrequency, soundSources[0].level + captionLift),
                                      Qt::AlignRight | Qt::AlignBottom,
                                      QString::fromUtf8(soundSources[0].name), QFont(family, 18));

    // What the choice of a source moves gets a buffer of its own, so that only it is redrawn.
    // Its layer lies right above the scale and below the axes, as when everything is drawn in
    // one pass: no other source's dot lies under the chosen line, and the marker covers the
    // chosen one's.
    chart->addLayer(QStringLiteral("source"), chart->layer(QStringLiteral("main")), QCustomPlot::limAbove);
    QCPLayer *chosen = chart->layer(QStringLiteral("source"));
    chosen->setMode(QCPLayer::lmBuffered);
    sourceText3->setLayer(chosen);

    hLine3 = new QCPCurve(frequencyAxis, levelAxis);
    hLine3->setLayer(chosen);
    hLine3->setName(QStringLiteral("HLine3"));
    hLine3->setPen(QPen(Qt::red, 2));
    hLine3->setData({lowestFrequency, highestFrequency}, {soundSources[0].level, soundSources[0].level});

    for (const SoundSource &source : soundSources)
        placeOnScale(chart->addGraph(frequencyAxis, levelAxis), source.level, QPen(Qt::darkBlue), 11);
    chart->addGraph(frequencyAxis, levelAxis)->setLayer(chosen);
    chart->addGraph(frequencyAxis, levelAxis)->setLayer(chosen);
    placeMarker(chart, soundSources[0].level);

    chartlayers::replotWhenShown(chart);
}

void MainWindow::on_comboBox_2_activated(int index)
{
    // The combo box only offers its twenty entries; anything else reaching the slot through
    // the meta-object names no source and leaves the scale as it is.
    if (index < 0 || index >= soundSourceCount)
        return;
    const SoundSource &source = soundSources[index];
    QCustomPlot *chart = ui->widget_3;

    const QRegion area = sourceBand(chart, sourceText3, hLine3->data()->constBegin()->value);
    hLine3->setData({lowestFrequency, highestFrequency}, {source.level, source.level});
    sourceText3->position->setCoords(captionFrequency, source.level + captionLift);
    sourceText3->setText(QString::fromUtf8(source.name));
    placeMarker(chart, source.level);
    if (!chartlayers::redraw(hLine3->layer(), area + sourceBand(chart, sourceText3, source.level)))
        chart->replot();

    showReadouts(ui, source.level);
}
