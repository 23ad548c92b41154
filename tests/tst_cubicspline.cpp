// The smooth curves through the tabulated equal-loudness points: they honour the table,
// bend the way the lecture's chart shows them, and never read past what they were given.

#include "loudness/cubicspline.h"
#include "loudness/loudnesscurves.h"

#include <QtTest>

#include <cmath>

class CubicSplineTest : public QObject
{
    Q_OBJECT

private slots:
    void everyCurvePassesThroughItsTable_data();
    void everyCurvePassesThroughItsTable();
    void thresholdOfHearing_data();
    void thresholdOfHearing();
    void thresholdOfHearingDipsNearThreeKilohertzAndBendsAtTheTop();
    void fewOrReplacedPoints_data();
    void fewOrReplacedPoints();
};

void CubicSplineTest::everyCurvePassesThroughItsTable_data()
{
    QTest::addColumn<int>("row");
    for (int row = 0; row < loudness::curveCount; ++row)
        QTest::addRow("%s phon", loudness::curveLabels[row]) << row;
}

void CubicSplineTest::everyCurvePassesThroughItsTable()
{
    QFETCH(int, row);
    QVector<double> frequencies(loudness::sampleCount + 1, -1), levels(loudness::sampleCount + 1, -1);
    loudness::sampleCurve(row, frequencies.data(), levels.data());
    QCOMPARE(frequencies.last(), -1.0); // nothing written past the last sample
    QCOMPARE(frequencies[0], 30.0);
    QCOMPARE(frequencies[loudness::sampleCount - 1], 14000.0);
    for (int i = 0; i < loudness::frequencyNodeCount; ++i) {
        const int sample = int(loudness::frequencyNodes[i]) - 30;
        QCOMPARE(frequencies[sample], loudness::frequencyNodes[i]);
        QVERIFY2(std::abs(levels[sample] - loudness::curveLevels[row][i]) < 1e-9,
                 qPrintable(QString::number(frequencies[sample])));
    }
    // At 1 kHz the level in decibels is the loudness level in phon, exactly.
    QCOMPARE(levels[1000 - 30], 20.0 * row);
}

void CubicSplineTest::thresholdOfHearing_data()
{
    QTest::addColumn<double>("frequency");
    QTest::addColumn<QString>("level");

    QTest::newRow("30 Hz, the first node") << 30.0 << "70.00";
    QTest::newRow("35 Hz") << 35.0 << "65.85";
    QTest::newRow("1000 Hz") << 1000.0 << "0.00";
    QTest::newRow("1200 Hz, just below the threshold") << 1200.0 << "-0.56";
    QTest::newRow("3500 Hz, in the dip") << 3500.0 << "-6.90";
    QTest::newRow("14000 Hz, the last node") << 14000.0 << "20.00";
    // Beyond the table the end pieces carry on as cubics instead of stopping at the end level.
    QTest::newRow("20 Hz, the first piece carried on") << 20.0 << "78.00";
    QTest::newRow("20000 Hz, the last piece carried on") << 20000.0 << "58.79";
}

void CubicSplineTest::thresholdOfHearing()
{
    QFETCH(double, frequency);
    QFETCH(QString, level);
    CubicSpline spline;
    spline.build(loudness::frequencyNodes, loudness::curveLevels[0], loudness::frequencyNodeCount);
    QCOMPARE(QString::number(spline.evaluate(frequency), 'f', 2), level);
}

// The ear is most sensitive around 3 kHz, the resonance of the ear canal. Only the low end
// of the curve is held straight; at 14 kHz it still bends upwards.
void CubicSplineTest::thresholdOfHearingDipsNearThreeKilohertzAndBendsAtTheTop()
{
    CubicSpline spline;
    spline.build(loudness::frequencyNodes, loudness::curveLevels[0], loudness::frequencyNodeCount);
    int lowestAt = 0;
    for (int f = 30; f <= 14000; ++f) {
        if (lowestAt == 0 || spline.evaluate(f) < spline.evaluate(lowestAt))
            lowestAt = f;
    }
    QCOMPARE(lowestAt, 3191);
    QCOMPARE(QString::number(spline.evaluate(lowestAt), 'f', 2), QStringLiteral("-7.07"));

    // Both sides of an end node lie on one cubic: the central difference is its bend.
    const auto bendAt = [&](double t, double h) {
        return (spline.evaluate(t + h) - 2 * spline.evaluate(t) + spline.evaluate(t - h)) / (h * h);
    };
    QCOMPARE(QString::number(bendAt(14000, 50), 'e', 1), QStringLiteral("8.9e-07"));
    QVERIFY(std::abs(bendAt(30, 5)) < 1e-9);
}

void CubicSplineTest::fewOrReplacedPoints_data()
{
    QTest::addColumn<bool>("curveFirst"); // the 60-phon curve built before
    QTest::addColumn<bool>("build");      // from the points x, y
    QTest::addColumn<QVector<double>>("x");
    QTest::addColumn<QVector<double>>("y");
    QTest::addColumn<bool>("release");
    QTest::addColumn<double>("t");
    QTest::addColumn<double>("expected"); // NaN: nothing built

    const double none = std::nan("");
    const QVector<double> noPoints;
    QTest::newRow("never built") << false << false << noPoints << noPoints << false << 1000.0 << none;
    QTest::newRow("released") << true << false << noPoints << noPoints << true << 1000.0 << none;
    QTest::newRow("released, never built")
        << false << false << noPoints << noPoints << true << 1000.0 << none;
    QTest::newRow("no points") << true << true << noPoints << noPoints << false << 1000.0 << none;
    QTest::newRow("one point") << true << true << QVector<double>{1000} << QVector<double>{40} << false
                               << 1000.0 << none;
    // Two points: the straight line through them, also beyond them.
    const QVector<double> twoX = {1000, 2000}, twoY = {40, 30};
    QTest::newRow("two points, between") << true << true << twoX << twoY << false << 1500.0 << 35.0;
    QTest::newRow("two points, before") << false << true << twoX << twoY << false << 0.0 << 50.0;
    QTest::newRow("two points, after") << false << true << twoX << twoY << false << 5000.0 << 0.0;
    // Three level points give a level line: nothing of the earlier curve remains.
    const QVector<double> flatX = {100, 1000, 10000}, flatY = {50, 50, 50};
    QTest::newRow("rebuilt, inside") << true << true << flatX << flatY << false << 3000.0 << 50.0;
    QTest::newRow("rebuilt, beyond") << true << true << flatX << flatY << false << 14000.0 << 50.0;
}

void CubicSplineTest::fewOrReplacedPoints()
{
    QFETCH(bool, curveFirst);
    QFETCH(bool, build);
    QFETCH(QVector<double>, x);
    QFETCH(QVector<double>, y);
    QFETCH(bool, release);
    QFETCH(double, t);
    QFETCH(double, expected);

    CubicSpline spline;
    if (curveFirst)
        spline.build(loudness::frequencyNodes, loudness::curveLevels[3], loudness::frequencyNodeCount);
    // Exactly as many points as claimed: reading past them trips the sanitizer build.
    if (build)
        spline.build(x.constData(), y.constData(), unsigned(x.size()));
    if (release)
        spline.release();

    const double value = spline.evaluate(t);
    if (std::isnan(expected))
        QVERIFY2(std::isnan(value), qPrintable(QString::number(value)));
    else
        QVERIFY2(std::abs(value - expected) < 1e-9, qPrintable(QString::number(value, 'g', 17)));
}

QTEST_GUILESS_MAIN(CubicSplineTest)
#include "tst_cubicspline.moc"
