// The equal-loudness explorer: its read-outs, its chart and the three slots that move
// the crosshair along the chosen curve.
#include "acoustics/acoustics.h"
#include "acoustics/readouts.h"
#include "app/mainwindow.h"
#include "display/chartlayers.h"
#include "display/chartstyle.h"
#include "loudness/loudnesscurves.h"

#include "ui_mainwindow.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <qcustomplot.h>

namespace {

// The visible level range, in dB. The intensity axis spans the same range converted, so
// that its decades fall on every tenth decibel.
constexpr double lowestLevel = -10;
constexpr double highestLevel = 130;

// The reference line at 1 kHz, where a curve's level in dB equals its loudness level in
// phon. It reaches past both ends of the level axis so it crosses the whole plot.
constexpr double referenceFrequency = 1000;
constexpr double referenceLineBottom = -20;
constexpr double referenceLineTop = 130;

const QPen curvePen(Qt::blue, 2.5);
const QPen selectedCurvePen(Qt::red, 3.0);

struct LevelExample
{
    const char *text;
    bool isLimitOfHearing; // the two ends of the range of hearing are shown in red
};

// What a curve's loudness sounds like, by combo box index (= curve row).
const LevelExample levelExamples[loudness::curveCount] = {
    {"порог слышимости", true},  {"шёпот", false}, {"обычная речь", false},
    {"громкий разговор", false}, {"крик", false},  {"метро", false},
    {"болевой порог", true},
};

void writeReadouts(Ui::MainWindow *ui, double frequency, double level)
{
    const double intensity = acoustics::levelToIntensity(level);
    ui->lineEdit_2->setText(readouts::frequency(readouts::wholeHertz(frequency)));
    ui->lineEdit_5->setText(readouts::level(level, 2));
    ui->lineEdit_4->setText(readouts::intensity(intensity, 2));
    ui->lineEdit_3->setText(readouts::pressure(acoustics::intensityToPressure(intensity)));
}

// One equal-loudness curve that keeps its stroke as pictures. Stroking a wide antialiased curve
// of thousands of points takes most of a replot, and a replot seldom changes a curve: it is stroked
// again only when the axes or the chart's size have changed, or in a pen it has not been drawn
// in since. The strokes in its last two pens are kept (a curve is plain or chosen), each cut into
// narrow columns as tall as the curve is within them, so that laying them down touches little
// more than the curve's own pixels. Their pixels are those a direct stroke gives. The curve's data
// is set once, before the first drawing.
class CachedCurve : public QCPGraph
{
public:
    using QCPGraph::QCPGraph;

    // Where the curve's kept strokes lie, each column widened by `reach` on every side, in the
    // chart's coordinates; empty when none is kept. Strokes are kept only for the present
    // ranges and size, so a stroke in another pen lies within this too, given the reach.
    QRegion keptArea(int reach) const
    {
        QRegion area;
        for (const Stroke &kept : strokes)
            for (const Piece &piece : kept.pieces)
                area += QRectF(piece.at, QSizeF(piece.image.size()) / piece.image.devicePixelRatio())
                            .toAlignedRect()
                            .adjusted(-reach, -reach, reach, reach);
        return area;
    }

protected:
    void draw(QCPPainter *painter) override
    {
        // A painter on the chart's buffers is shifted by half a pixel while it antialiases, and
        // by nothing else. Exports to a file scale it or draw vectors: those are drawn directly.
        const QTransform onBuffer =
            painter->antialiasing() ? QTransform::fromTranslate(0.5, 0.5) : QTransform();
        if (painter->transform() != onBuffer || painter->modes().testFlag(QCPPainter::pmVectorized)) {
            QCPGraph::draw(painter);
            return;
        }
        const Geometry now{keyAxis()->range(), valueAxis()->range(), clipRect(),
                           painter->device()->devicePixelRatioF()};
        if (!(now == geometry)) {
            geometry = now;
            strokes.clear();
        }
        auto kept =
            std::find_if(strokes.begin(), strokes.end(), [&](const Stroke &s) { return s.pen == pen(); });
        if (kept == strokes.end()) {
            if (strokes.size() == 2)
                strokes.erase(strokes.begin());
            strokes.push_back(stroke(painter));
            kept = strokes.end() - 1;
        }
        painter->save();
        painter->setTransform(QTransform()); // pixel on pixel
        for (const Piece &piece : kept->pieces)
            painter->drawImage(piece.at, piece.image);
        painter->restore();
    }

private:
    struct Geometry
    {
        QCPRange keys;
        QCPRange values;
        QRect clip;
        qreal ratio = 0;
        bool operator==(const Geometry &other) const
        {
            return keys == other.keys && values == other.values && clip == other.clip && ratio == other.ratio;
        }
    };
    struct Piece
    {
        QPointF at;
        QImage image;
    };
    struct Stroke
    {
        QPen pen;
        std::vector<Piece> pieces;
    };

    // Into an image just as large as the curve, with the painter's settings and the clip its
    // layer gives it, then cut into columns.
    Stroke stroke(QCPPainter *painter)
    {
        QVector<QPointF> points;
        getLines(&points, QCPDataRange(0, dataCount()));
        const int margin = int(std::ceil(pen().widthF())) + 2;
        const QRect clip = clipRect().translated(0, -1);
        const QRect area =
            QPolygonF(points).boundingRect().toAlignedRect().adjusted(-margin, -margin, margin, margin) &
            clip;
        Stroke result{pen(), {}};
        if (area.isEmpty())
            return result;
        const qreal ratio = geometry.ratio;
        QImage image(area.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        image.setDevicePixelRatio(ratio);
        {
            QCPPainter imagePainter(&image);
            imagePainter.setRenderHints(painter->renderHints() & ~QPainter::Antialiasing);
            imagePainter.setModes(painter->modes());
            imagePainter.translate(-area.topLeft());
            imagePainter.setClipRect(clip);
            imagePainter.setAntialiasing(painter->antialiasing());
            QCPGraph::draw(&imagePainter);
        }

        constexpr int columnWidth = 32; // in device pixels
        for (int left = 0; left < image.width(); left += columnWidth) {
            const int width = std::min(columnWidth, image.width() - left);
            int top = image.height();
            int bottom = -1;
            for (int row = 0; row < image.height(); ++row) {
                const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(row)) + left;
                if (std::any_of(line, line + width, [](QRgb pixel) { return pixel != 0; })) {
                    top = std::min(top, row);
                    bottom = row;
                }
            }
            if (bottom < 0)
                continue;
            QImage column = image.copy(left, top, width, bottom - top + 1);
            column.setDevicePixelRatio(ratio);
            result.pieces.push_back({QPointF(area.topLeft()) + QPointF(left, top) / ratio, column});
        }
        return result;
    }

    Geometry geometry;
    std::vector<Stroke> strokes;
};

// A drag moves only the crosshair. It lies on a buffered layer of its own, so only that layer is
// drawn again, and only the bands of the old and the new crosshair are composed and reach the
// screen; they are repainted at once, so that the crosshair stands where the read-outs say
// before the next mouse event is taken. Anything else changed since the last full replot asks
// for another.
QRegion crosshairBands(QCPItemTracer *tracer)
{
    // Beyond half the pen's width, a pixel more for antialiasing and one for rounding.
    const int reach = int(std::ceil(tracer->pen().widthF() / 2)) + 2;
    const QRect plot = tracer->clipAxisRect()->rect().adjusted(-reach, -reach, reach, reach);
    const QPoint centre = tracer->position->pixelPosition().toPoint();
    return QRegion(plot.left(), centre.y() - reach, plot.width(), 2 * reach + 1) +
           QRegion(centre.x() - reach, plot.top(), 2 * reach + 1, plot.height());
}

} // namespace

// The chart starts at 1 kHz on the threshold of hearing: 0 dB, the reference intensity.
void MainWindow::setUpLoudnessReadouts()
{
    writeReadouts(ui, chosenFrequency, 0);
    ui->lineEdit_2->setReadOnly(true);
}

void MainWindow::setUpLoudnessChart()
{
    QCustomPlot *chart = ui->widget;
    const QString family = font().family();

    vertical = new QCPCurve(chart->xAxis, chart->yAxis2);
    vertical->setName(QStringLiteral("Vertical"));
    vertical->setData(QVector<double>{referenceFrequency, referenceFrequency},
                      QVector<double>{referenceLineBottom, referenceLineTop});
    vertical->setPen(QPen(Qt::darkBlue, 2));

    connect(chart, &QCustomPlot::mousePress, this, &MainWindow::slotMousePress);
    connect(chart, &QCustomPlot::mouseMove, this, &MainWindow::slotMouseMove);

    QVector<double> frequencies(loudness::sampleCount);
    QVector<double> levels(loudness::sampleCount);
    for (int k = 0; k < loudness::curveCount; ++k) {
        loudness::sampleCurve(k, frequencies.data(), levels.data());

        // Just below the point where the curve crosses 1 kHz, where its loudness level reads.
        chartstyle::caption(chart->xAxis, chart->yAxis2, QPointF(1030, 20 * k - 1), Qt::AlignLeft,
                            QString::fromLatin1(loudness::curveLabels[k]), QFont(family, 14));

        auto *curve = new CachedCurve(chart->xAxis, chart->yAxis2);
        curve->setData(frequencies, levels, true); // sampled at rising frequencies
        curve->setPen(curvePen);
    }

    chartstyle::caption(chart->xAxis, chart->yAxis2, QPointF(1030, 122), Qt::AlignLeft | Qt::AlignBottom,
                        QStringLiteral("L\u2095, фон"), QFont(family, 16));

    const QFont axisFont(family, 16);

    QCPAxis *frequencyAxis = chart->xAxis;
    chartstyle::name(frequencyAxis, QStringLiteral("f, Гц"), Qt::darkGreen, axisFont, axisFont);
    frequencyAxis->setScaleType(QCPAxis::stLogarithmic);
    chartstyle::ticks(frequencyAxis, QPen(Qt::darkGreen, 3.5), QPen(Qt::darkGreen, 2.5), 10, 5);
    frequencyAxis->setBasePen(QPen(Qt::black, 2.5));
    chartstyle::dottedGrid(frequencyAxis, QColor(140, 140, 140), QColor(170, 170, 170));
    frequencyTicker = chartstyle::decades(10, 10);
    frequencyAxis->setTicker(frequencyTicker);

    QCPAxis *levelAxis = chart->yAxis2;
    levelAxis->setVisible(true);
    chartstyle::name(levelAxis, QStringLiteral("L, дБ"), Qt::darkCyan, axisFont, axisFont);
    chartstyle::ticks(levelAxis, QPen(Qt::darkCyan, 3), QPen(Qt::darkCyan, 2), 10, 5);
    levelAxis->setBasePen(QPen(Qt::darkCyan, 2));
    auto levelSteps = QSharedPointer<QCPAxisTicker>::create();
    levelSteps->setTickCount(8);
    levelAxis->setTicker(levelSteps);

    QCPAxis *intensityAxis = chart->yAxis;
    chartstyle::intensityScale(intensityAxis, axisFont);
    intensityTicker = chartstyle::decades(7, 5);
    intensityAxis->setTicker(intensityTicker);

    frequencyAxis->setRange(25, 20000);
    levelAxis->setRange(lowestLevel, highestLevel);
    // -10 dB and 130 dB as intensities, so that each decade falls on a tenth decibel.
    intensityAxis->setRange(1e-13, 10);

    tracer = new QCPItemTracer(chart);
    tracer->setGraphKey(chosenFrequency);
    tracer->setGraph(chart->graph(0));
    tracer->setPen(QPen(Qt::red, 1.5));

    // The curves and their labels, too, so that a level example redraws only the two curves it
    // recolours.
    chart->layer(QStringLiteral("main"))->setMode(QCPLayer::lmBuffered);

    // The crosshair gets a buffer of its own so that it can be redrawn alone. Its layer lies
    // right above the curves and below the axes, so that the axis lines and ticks still cover
    // it where they cross, as when everything is drawn in one pass.
    chart->addLayer(QStringLiteral("crosshair"), chart->layer(QStringLiteral("main")), QCustomPlot::limAbove);
    QCPLayer *crosshair = chart->layer(QStringLiteral("crosshair"));
    crosshair->setMode(QCPLayer::lmBuffered);
    tracer->setLayer(crosshair);

    // What lies under and over the crosshair is up to date after every full replot, including
    // the one the chart makes itself when it is resized, and stale once an axis range changes
    // without one.
    connect(chart, &QCustomPlot::afterReplot, this, [this] { loudnessChartCurrent = true; });
    for (QCPAxis *axis : chart->axisRect()->axes())
        connect(axis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this,
                [this] { loudnessChartCurrent = false; });

    // The threshold of hearing is the curve traced at start.
    chart->graph(0)->setPen(selectedCurvePen);
    chartlayers::replotWhenShown(chart);
}

// Only the column matters: the crosshair stays on the chosen curve whatever the height of
// the pointer, and any button chooses. Frequencies outside the plotted range are kept as
// they are; the crosshair then rests on the nearer end of the curve.
void MainWindow::slotMousePress(QMouseEvent *event)
{
    const QRegion before = crosshairBands(tracer);
    chosenFrequency = ui->widget->xAxis->pixelToCoord(event->pos().x());
    tracer->setGraphKey(chosenFrequency);
    tracer->updatePosition();
    writeReadouts(ui, chosenFrequency, tracer->position->value());
    if (!loudnessChartCurrent || !chartlayers::redraw(tracer->layer(), before + crosshairBands(tracer)))
        ui->widget->replot();
}

void MainWindow::slotMouseMove(QMouseEvent *event)
{
    if (QGuiApplication::mouseButtons() != Qt::NoButton)
        slotMousePress(event);
}

void MainWindow::on_comboBox_activated(int index)
{
    QCustomPlot *chart = ui->widget;
    if (index < 0 || index >= loudness::curveCount)
        return;

    // Only the two curves whose pens change are drawn again, within their own columns, and the
    // crosshair, which moves onto the new one; a curve never drawn in its new pen is stroked.
    // Anything else changed since the last full replot asks for another.
    const auto keptArea = [](QCPGraph *graph) {
        const auto *curve = dynamic_cast<CachedCurve *>(graph);
        return curve ? curve->keptArea(int(std::ceil(selectedCurvePen.widthF())) + 2) : QRegion();
    };
    const QRegion previous = keptArea(tracer->graph());
    const QRegion chosen = keptArea(chart->graph(index));
    const QRegion crosshairBefore = crosshairBands(tracer);
    tracer->setGraph(chart->graph(index));
    for (int k = 0; k < loudness::curveCount; ++k)
        chart->graph(k)->setPen(curvePen);
    chart->graph(index)->setPen(selectedCurvePen);
    tracer->updatePosition();
    if (!loudnessChartCurrent || previous.isEmpty() || chosen.isEmpty() ||
        !chartlayers::redraw(chart->layer(QStringLiteral("main")), previous + chosen) ||
        !chartlayers::redraw(tracer->layer(), crosshairBefore + crosshairBands(tracer)))
        chart->replot();

    const LevelExample &example = levelExamples[index];
    ui->label_29->setText(QString::fromUtf8(example.text));
    ui->label_29->setStyleSheet(example.isLimitOfHearing ? QStringLiteral("QLabel { color : red; }")
                                                         : QStringLiteral("QLabel { color : blue; }"));

    // A replot normally brings the crosshair onto the new curve already; asking again keeps
    // the read-outs right even when the chart has not been laid out to draw.
    tracer->updatePosition();
    writeReadouts(ui, chosenFrequency, tracer->position->value());
}
