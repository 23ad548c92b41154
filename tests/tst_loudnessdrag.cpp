// Dragging across the equal-loudness chart redraws only the crosshair, a level example lays the
// curves from their kept strokes, a step of the tone sequence redraws only its point, a sound
// source chosen on the decibel scale redraws only its line, marker and name. The lecturer must
// see exactly the chart a full redraw would show: the crosshair over the curves and under the
// axis lines and ticks, nothing left over from an earlier size, range, selected curve, point or
// source. Run at 1 and at 2 device pixels per pixel.

// QtTest's mouse functions then go through the platform layer, so that the application
// knows which buttons are held during a drag, as with a real mouse.
#define QTEST_QPA_MOUSE_HANDLING

#include "support/loudnesschart.h"
#include "tones/tone.h"

#include <QComboBox>
#include <QDir>
#include <QtTest>

namespace {

// Where two pictures of the chart differ by more than two steps in a colour channel: the
// paint buffers are composed with premultiplied alpha, and composing the same layers in
// groups may round an antialiased edge pixel differently, by up to a step for each group.
struct Difference
{
    int pixels = 0;
    QRect where;
};

Difference differenceBetween(const QImage &a, const QImage &b)
{
    Difference difference;
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    if (x.size() != y.size()) {
        difference.pixels = -1;
        return difference;
    }
    for (int row = 0; row < x.height(); ++row) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int column = 0; column < x.width(); ++column) {
            const QRgb u = p[column];
            const QRgb v = q[column];
            if (std::abs(qRed(u) - qRed(v)) > 2 || std::abs(qGreen(u) - qGreen(v)) > 2 ||
                std::abs(qBlue(u) - qBlue(v)) > 2 || std::abs(qAlpha(u) - qAlpha(v)) > 2) {
                ++difference.pixels;
                difference.where |= QRect(column, row, 1, 1);
            }
        }
    }
    return difference;
}

// Counts the chart's paint events: a repaint at once shows as one within the mouse event.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

class LoudnessDrag : public LoudnessChartTest
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void dragShowsWhatAFullRedrawShows_data();
    void dragShowsWhatAFullRedrawShows();
    void dragAfterTheChartChangedShowsItsPresentState_data();
    void dragAfterTheChartChangedShowsItsPresentState();
    void levelExamplesShowWhatAFullRedrawShows();
    void sequenceStepsShowWhatAFullRedrawShows();
    void soundSourcesShowWhatAFullRedrawShows();

private:
    PaintCounter counter;
    int fullRedraws = 0;

    QPoint at(double frequency) const;
    void dragAcross(double from, double to);
    void verifyPictureAsFullRedraw();
};

void LoudnessDrag::init()
{
    openScreen();
    if (QTest::currentTestFailed())
        return;
    chart->installEventFilter(&counter);
    fullRedraws = 0;
    connect(chart, &QCustomPlot::beforeReplot, this, [this] { ++fullRedraws; });
}

void LoudnessDrag::cleanup()
{
    delete window;
    counter.paints = 0;
}

QPoint LoudnessDrag::at(double frequency) const
{
    return QPoint(qRound(chart->xAxis->coordToPixel(frequency)), chart->height() / 3);
}

// A press and then a move every few pixels, each handled and shown before the next.
void LoudnessDrag::dragAcross(double from, double to)
{
    QTest::mousePress(chart, Qt::LeftButton, {}, at(from));
    const QPoint start = at(from);
    const QPoint end = at(to);
    const int steps = std::max(1, std::abs(end.x() - start.x()) / 7);
    for (int step = 1; step <= steps; ++step) {
        const QPoint point(start.x() + (end.x() - start.x()) * step / steps, start.y());
        const int paintsBefore = counter.paints;
        dragTo(point);
        QVERIFY2(counter.paints > paintsBefore, "the crosshair was not shown before the next event");
    }
}

// The chart as shown is compared with the same state drawn afresh, and with it drawn the way
// a chart without layers of its own draws it: everything in one pass, the crosshair last
// among the curves.
void LoudnessDrag::verifyPictureAsFullRedraw()
{
    const QImage shown = chart->grab().toImage();

    chart->replot();
    const QImage redrawn = chart->grab().toImage();

    QCPLayer *crosshair = tracer->layer();
    QCPLayer *curves = chart->layer(QStringLiteral("main"));
    tracer->setLayer(curves);
    crosshair->setMode(QCPLayer::lmLogical);
    curves->setMode(QCPLayer::lmLogical);
    chart->replot();
    const QImage inOnePass = chart->grab().toImage();
    curves->setMode(QCPLayer::lmBuffered);
    crosshair->setMode(QCPLayer::lmBuffered);
    tracer->setLayer(crosshair);
    chart->replot();

    const QString name =
        QDir::temp().filePath(QStringLiteral("tst_loudnessdrag-%1-")
                                  .arg(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_')));
    for (const auto &[reference, what] :
         {std::pair(&redrawn, "redrawn"), std::pair(&inOnePass, "in one pass")}) {
        const Difference difference = differenceBetween(shown, *reference);
        if (difference.pixels != 0) {
            shown.save(name + QStringLiteral("shown.png"));
            reference->save(name + QString::fromLatin1(what).replace(' ', '_') + QStringLiteral(".png"));
        }
        QVERIFY2(difference.pixels == 0,
                 qPrintable(QStringLiteral(
                                "%1 pixels differ from the chart %2, within (%3, %4) %5 × %6; see %7*.png")
                                .arg(difference.pixels)
                                .arg(QLatin1String(what))
                                .arg(difference.where.x())
                                .arg(difference.where.y())
                                .arg(difference.where.width())
                                .arg(difference.where.height())
                                .arg(name)));
    }
}

void LoudnessDrag::dragShowsWhatAFullRedrawShows_data()
{
    QTest::addColumn<int>("example"); // the level example chosen before the drag, or -1
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");

    QTest::newRow("onto the 1 kHz reference line") << -1 << 200.0 << 1000.3;
    QTest::newRow("into the dip below 0 dB") << -1 << 600.0 << 3191.2;
    QTest::newRow("left of the curves, into the axis margin") << -1 << 300.0 << 21.7;
    QTest::newRow("right of the curves, into the axis margin") << -1 << 5000.0 << 22222.9;
    QTest::newRow("on the pain threshold") << 6 << 14000.0 << 3191.2;
    QTest::newRow("on 60 phon, to its lower end") << 3 << 1000.0 << 26.4;
}

void LoudnessDrag::dragShowsWhatAFullRedrawShows()
{
    QFETCH(int, example);
    QFETCH(double, from);
    QFETCH(double, to);

    if (example >= 0) {
        chooseExample(example);
        verifyPictureAsFullRedraw();
    }
    fullRedraws = 0;
    dragAcross(from, to);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(fullRedraws, 0); // every event of the drag redrew the crosshair alone
    QCOMPARE(tracer->graph(), chart->graph(std::max(example, 0)));
    verifyPictureAsFullRedraw();
    QTest::mouseRelease(chart, Qt::LeftButton, {}, at(to));
}

void LoudnessDrag::dragAfterTheChartChangedShowsItsPresentState_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("window made smaller on this screen") << "resize shown";
    QTest::newRow("window made smaller on another screen") << "resize hidden";
    QTest::newRow("level example chosen twice") << "examples";
    QTest::newRow("frequency axis slid without a redraw") << "range";
}

void LoudnessDrag::dragAfterTheChartChangedShowsItsPresentState()
{
    QFETCH(QString, change);

    dragAcross(100, 2000); // the crosshair drawn alone at the full-screen size
    if (QTest::currentTestFailed())
        return;
    QTest::mouseRelease(chart, Qt::LeftButton, {}, at(2000));
    if (change == "resize shown") {
        window->resize(1092, 700);
    } else if (change == "resize hidden") {
        QVERIFY(screens::clickVisible(window, QStringLiteral("Меню")));
        window->resize(1092, 700);
        QCoreApplication::processEvents();
        QVERIFY(screens::clickVisible(window, QStringLiteral("Кривые равной громкости")));
    } else if (change == "examples") {
        chooseExample(4);
        chooseExample(1);
    } else if (change == "range") {
        chart->xAxis->setRange(chart->xAxis->range() * 1.3);
    }
    QCoreApplication::processEvents();

    dragAcross(3000, 700);
    if (QTest::currentTestFailed())
        return;
    verifyPictureAsFullRedraw();
    QTest::mouseRelease(chart, Qt::LeftButton, {}, at(700));
}

// A level example redraws the two curves it recolours and the crosshair, without a full
// redraw: from the curve chosen at start, to curves never drawn in the chosen pen, and back.
void LoudnessDrag::levelExamplesShowWhatAFullRedrawShows()
{
    for (int index : {3, 0, 6, 3, 5}) {
        const int redrawsBefore = fullRedraws;
        chooseExample(index);
        QCOMPARE(fullRedraws, redrawsBefore);
        verifyPictureAsFullRedraw();
        if (QTest::currentTestFailed())
            return;
    }
}

// Each point highlighted while its tone sounds, and taken back after it, twice over: the second
// run finds the yellow cores there already.
void LoudnessDrag::sequenceStepsShowWhatAFullRedrawShows()
{
    QMetaObject::invokeMethod(window, "on_pushButton_clicked"); // past the hearing-safety warning
    QMetaObject::invokeMethod(window, "on_pushButton_5_clicked");
    QCoreApplication::processEvents();
    auto *listening = window->findChild<QCustomPlot *>(QStringLiteral("widget_2"));
    QVERIFY(listening->isVisible());
    QStringList differing;
    const auto compare = [&](const QString &when) {
        const QImage shown = listening->grab().toImage();
        listening->replot();
        const int pixels = differenceBetween(shown, listening->grab().toImage()).pixels;
        if (pixels != 0)
            differing << QStringLiteral("%1: %2 pixels").arg(when).arg(pixels);
    };
    int tone = 0;
    tones::setSink([&](quint32 frequencyHz, quint32) {
        compare(QStringLiteral("tone %1 at %2 Hz").arg(++tone).arg(frequencyHz));
    });
    for (int run = 0; run < 2; ++run) {
        window->findChild<QAbstractButton *>(QStringLiteral("pushButton_9"))->click();
        compare(QStringLiteral("after run %1").arg(run + 1));
    }
    tones::setSink(nullptr);
    QCOMPARE(tone, 16);
    QVERIFY2(differing.isEmpty(), qPrintable(differing.join(QStringLiteral("; "))));
}

// Every source chosen in turn, from the threshold of hearing up the scale and back down to it,
// each shown after a full redraw and a redraw of the chosen source alone.
void LoudnessDrag::soundSourcesShowWhatAFullRedrawShows()
{
    QMetaObject::invokeMethod(window, "on_pushButton_20_clicked");
    QCoreApplication::processEvents();
    auto *scale = window->findChild<QCustomPlot *>(QStringLiteral("widget_3"));
    auto *sources = window->findChild<QComboBox *>(QStringLiteral("comboBox_2"));
    QVERIFY(scale->isVisible());
    QStringList differing;
    for (int step = 1; step < 2 * sources->count(); ++step) {
        const int index = step < sources->count() ? step : 2 * sources->count() - 1 - step;
        sources->setCurrentIndex(index);
        emit sources->activated(index);
        const QImage shown = scale->grab().toImage();
        scale->replot();
        const int pixels = differenceBetween(shown, scale->grab().toImage()).pixels;
        if (pixels != 0)
            differing << QStringLiteral("%1: %2 pixels").arg(sources->currentText()).arg(pixels);
    }
    QVERIFY2(differing.isEmpty(), qPrintable(differing.join(QStringLiteral("; "))));
}

QTEST_MAIN(LoudnessDrag)
#include "tst_loudnessdrag.moc"
