// The decibel scale as a lecturer uses it: open the screen, pick a sound source in the
// list, read the marker, the level line, the caption and the four read-outs.

#include "app/mainwindow.h"
#include "support/screens.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QtTest>
#include <qcustomplot.h>

#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <iterator>

namespace {

struct Source
{
    const char *name;
    double level;
};

// The lecture's list of everyday sounds and their levels at 1000 Hz.
const Source sources[] = {
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

// I = I0·10^(L/10) with I0 = 1e-12 W/m², and p = (Z·I)^0.5 with Z = 417 Pa·s/m for air.
double intensityOf(double level)
{
    return std::pow(10.0, level / 10) * 1e-12;
}

double pressureOf(double intensity)
{
    return std::pow(417 * intensity, 0.5);
}

QString printed(const char *format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return QString::fromLatin1(text);
}

QStringList expectedReadouts(double level)
{
    const double intensity = intensityOf(level);
    return {QStringLiteral("f = 1000 Гц"), "L = " + printed("%.0f", level) + " дБ",
            "I = " + printed("%.0E", intensity) + " Вт/м\u00b2",
            "p = " + printed("%.2E", pressureOf(intensity)) + " Па"};
}

QString at(double key, double value)
{
    return QStringLiteral("(%1, %2)").arg(key, 0, 'g', 17).arg(value, 0, 'g', 17);
}

// How a marker graph looks: colour, whether it is a bare disc, its size, and its points.
QString describe(const QCPGraph *graph)
{
    const bool disc =
        graph->scatterStyle().shape() == QCPScatterStyle::ssDisc && graph->lineStyle() == QCPGraph::lsNone;
    QString text = graph->pen().color().name() + (disc ? " disc " : " other ") +
                   QString::number(graph->scatterStyle().size());
    for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it)
        text += " " + at(it->key, it->value);
    return text;
}

// What the screen shows for a source, written out so that states compare as text.
QStringList expectedState(int row)
{
    const double level = sources[row].level;
    const QString name = QString::fromUtf8(sources[row].name);
    return expectedReadouts(level) + QStringList{name,
                                                 name,
                                                 "caption " + at(850, level + 2),
                                                 "line " + at(25, level) + " " + at(2000, level),
                                                 "#ff0000 disc 21 " + at(1000, level),
                                                 "#ffff00 disc 11 " + at(1000, level)};
}

constexpr int markerRing = 20;
constexpr int markerCentre = 21;

} // namespace

class DecibelScale : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startsAtTheThresholdOfHearing();
    void choosingASourceMovesTheScaleToIt_data();
    void choosingASourceMovesTheScaleToIt();
    void thresholdAfterTheLoudestRestoresTheStart();
    void choosingTheSameSourceAgainChangesNothing();
    void levelAndIntensityScalesLineUp_data();
    void levelAndIntensityScalesLineUp();
    void captionAndMarkerAsTheyAreDrawn_data();
    void captionAndMarkerAsTheyAreDrawn();
    void indexesThatNameNoSourceAreIgnored_data();
    void indexesThatNameNoSourceAreIgnored();

private:
    bool choose(int row);
    QStringList shownState() const;
    QCPItemText *caption() const;
    QCPCurve *levelLine() const;

    MainWindow *window = nullptr;
    QCustomPlot *chart = nullptr;
    QComboBox *list = nullptr;
};

void DecibelScale::initTestCase()
{
    // A Russian lecture room writes decimal commas; the read-outs must not. The C library
    // that derives the expected texts is held to the point.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    std::setlocale(LC_NUMERIC, "C");
}

void DecibelScale::init()
{
    window = new MainWindow;
    QVERIFY(screens::showFullHd(window));
    QVERIFY(screens::clickVisible(window, QStringLiteral("Шкала децибел")));
    QCoreApplication::processEvents(); // lets the page lay out its chart
    chart = window->findChild<QCustomPlot *>(QStringLiteral("widget_3"));
    list = window->findChild<QComboBox *>(QStringLiteral("comboBox_2"));
    QVERIFY(chart && chart->isVisible() && chart->axisRect()->height() > 100);
    QVERIFY(list && list->isVisible());
    QVERIFY(caption() && levelLine() && chart->graphCount() == 22);
}

void DecibelScale::cleanup()
{
    delete window;
    window = nullptr;
}

// Opens the list, walks down to the entry with the arrow keys and takes it with Return,
// which the combo box answers with activated() even for the entry already shown.
bool DecibelScale::choose(int row)
{
    list->setFocus();
    list->showPopup();
    QAbstractItemView *entries = list->view();
    if (!entries->isVisible())
        return false;
    QTest::keyClick(entries, Qt::Key_Home);
    for (int i = 0; i < row; ++i)
        QTest::keyClick(entries, Qt::Key_Down);
    QTest::keyClick(entries, Qt::Key_Return);
    return !entries->isVisible() && list->currentIndex() == row;
}

QCPItemText *DecibelScale::caption() const
{
    return chart->itemCount() == 1 ? qobject_cast<QCPItemText *>(chart->item(0)) : nullptr;
}

QCPCurve *DecibelScale::levelLine() const
{
    for (int i = 0; i < chart->plottableCount(); ++i) {
        if (chart->plottable(i)->name() == QLatin1String("HLine3"))
            return qobject_cast<QCPCurve *>(chart->plottable(i));
    }
    return nullptr;
}

QStringList DecibelScale::shownState() const
{
    QStringList state;
    for (const char *name : {"lineEdit_7", "lineEdit_9", "lineEdit_8", "lineEdit_10"})
        state << window->findChild<QLineEdit *>(QLatin1String(name))->text();
    QString line = QStringLiteral("line");
    for (auto it = levelLine()->data()->constBegin(); it != levelLine()->data()->constEnd(); ++it)
        line += " " + at(it->key, it->value);
    return state << list->currentText() << caption()->text()
                 << "caption " + at(caption()->position->key(), caption()->position->value()) << line
                 << describe(chart->graph(markerRing)) << describe(chart->graph(markerCentre));
}

void DecibelScale::startsAtTheThresholdOfHearing()
{
    QCOMPARE(shownState().mid(0, 4),
             QStringList({QStringLiteral("f = 1000 Гц"), QStringLiteral("L = 0 дБ"),
                          QStringLiteral("I = 1E-12 Вт/м\u00b2"), QStringLiteral("p = 2.04E-05 Па")}));
    QCOMPARE(shownState(), expectedState(0));

    // A dot for every source, ten decibels apart up to 180 and then the one at 200, and the
    // marker of the chosen source drawn over them: red ring first, yellow centre on top.
    QCOMPARE(chart->plottableCount(), 24);
    QList<QCPLayerable *> drawingOrder;
    for (int layer = 0; layer < chart->layerCount(); ++layer)
        drawingOrder += chart->layer(layer)->children();
    for (int g = 0; g < markerRing; ++g) {
        QCOMPARE(describe(chart->graph(g)),
                 QColor(Qt::darkBlue).name() + " disc 11 " + at(1000, sources[g].level));
        QVERIFY(drawingOrder.indexOf(chart->graph(g)) < drawingOrder.indexOf(chart->graph(markerRing)));
    }
    QCOMPARE(chart->graph(19)->data()->at(0)->value, 200.0);
    QVERIFY(drawingOrder.indexOf(chart->graph(markerRing)) <
            drawingOrder.indexOf(chart->graph(markerCentre)));
}

void DecibelScale::choosingASourceMovesTheScaleToIt_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("worked");

    // A few rows worked out by hand keep the derivation of the expected texts honest.
    const QHash<int, QStringList> worked = {
        {0, {"I = 1E-12 Вт/м\u00b2", "p = 2.04E-05 Па"}},  {1, {"I = 1E-11 Вт/м\u00b2", "p = 6.46E-05 Па"}},
        {10, {"I = 1E-02 Вт/м\u00b2", "p = 2.04E+00 Па"}}, {12, {"I = 1E+00 Вт/м\u00b2", "p = 2.04E+01 Па"}},
        {19, {"I = 1E+08 Вт/м\u00b2", "p = 2.04E+05 Па"}},
    };
    for (int row = 0; row < int(std::size(sources)); ++row)
        QTest::newRow(qPrintable(QString::number(row) + " " + QString::fromUtf8(sources[row].name)))
            << row << worked.value(row);
}

void DecibelScale::choosingASourceMovesTheScaleToIt()
{
    QFETCH(int, row);
    QFETCH(QStringList, worked);

    if (!worked.isEmpty())
        QCOMPARE(expectedReadouts(sources[row].level).mid(2), worked);
    // Start from a source elsewhere on the scale so that every row has to move everything.
    QVERIFY(choose(row == 15 ? 4 : 15));
    QVERIFY(choose(row));
    QCOMPARE(shownState(), expectedState(row));
}

void DecibelScale::thresholdAfterTheLoudestRestoresTheStart()
{
    const QStringList atStart = shownState();
    QVERIFY(choose(19));
    QVERIFY(choose(0));
    QCOMPARE(shownState(), atStart);
}

void DecibelScale::choosingTheSameSourceAgainChangesNothing()
{
    QVERIFY(choose(12));
    const QStringList once = shownState();
    QSignalSpy activated(list, QOverload<int>::of(&QComboBox::activated));
    QVERIFY(choose(12));
    QCOMPARE(activated.count(), 1);
    QCOMPARE(shownState(), once);
}

void DecibelScale::levelAndIntensityScalesLineUp_data()
{
    QTest::addColumn<double>("level");
    for (double level : {-10.0, 0.0, 37.5, 120.0, 200.0, 220.0})
        QTest::newRow(qPrintable(QString::number(level) + " dB")) << level;
}

// One pixel row reads as one level and one intensity.
void DecibelScale::levelAndIntensityScalesLineUp()
{
    QFETCH(double, level);
    QVERIFY(std::abs(chart->yAxis2->coordToPixel(level) - chart->yAxis->coordToPixel(intensityOf(level))) <
            0.5);
}

void DecibelScale::captionAndMarkerAsTheyAreDrawn_data()
{
    QTest::addColumn<int>("row");
    QTest::newRow("threshold of hearing") << 0;
    QTest::newRow("threshold of pain") << 12;
    QTest::newRow("noise weapon") << 19;
}

// The caption's bottom stands 2 dB above the level line and ends left of the marker; the
// marker reads as a red ring around a yellow centre, on the chart as it is painted.
void DecibelScale::captionAndMarkerAsTheyAreDrawn()
{
    QFETCH(int, row);
    QVERIFY(choose(row));
    QCPAxis *levelAxis = chart->yAxis2;
    QCPAxis *frequencyAxis = chart->xAxis;

    const double lineRow = levelAxis->coordToPixel(levelLine()->data()->at(0)->value);
    const double twoDecibels = levelAxis->coordToPixel(0) - levelAxis->coordToPixel(2);
    const QPointF corner = caption()->bottomRight->pixelPosition();
    QVERIFY(std::abs(corner.y() - (lineRow - twoDecibels)) < 0.5);
    QVERIFY(std::abs(corner.x() - frequencyAxis->coordToPixel(850)) < 0.5);
    QVERIFY(corner.x() < frequencyAxis->coordToPixel(1000) - 21 / 2.0);
    QVERIFY(chart->axisRect()->rect().contains(caption()->topLeft->pixelPosition().toPoint()));

    const QImage shown = chart->grab().toImage();
    const QPoint centre(qRound(frequencyAxis->coordToPixel(1000)),
                        qRound(levelAxis->coordToPixel(sources[row].level)));
    QCOMPARE(shown.pixelColor(centre), QColor(Qt::yellow));
    QCOMPARE(shown.pixelColor(centre + QPoint(6, -6)), QColor(Qt::red));
    QCOMPARE(shown.pixelColor(centre + QPoint(-6, 6)), QColor(Qt::red));
}

void DecibelScale::indexesThatNameNoSourceAreIgnored_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("-1, no entry chosen") << -1;
    QTest::newRow("one past the list") << 20;
    QTest::newRow("lowest int") << INT_MIN;
    QTest::newRow("highest int") << INT_MAX;
}

// Only the list's own entries reach the slot from the screen; anything else arriving
// through the meta-object must neither read outside the source table nor disturb the scale.
void DecibelScale::indexesThatNameNoSourceAreIgnored()
{
    QFETCH(int, index);
    QVERIFY(choose(12));
    QVERIFY(QMetaObject::invokeMethod(window, "on_comboBox_2_activated", Q_ARG(int, index)));
    QCOMPARE(shownState(), expectedState(12));
}

QTEST_MAIN(DecibelScale)
#include "tst_decibelscale.moc"
