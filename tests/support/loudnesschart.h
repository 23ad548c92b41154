#ifndef TAVELIN_TESTS_LOUDNESSCHART_H
#define TAVELIN_TESTS_LOUDNESSCHART_H

// What the tests of the equal-loudness chart start from: the window on that screen at the hall's
// full-HD size, its chart with the crosshair, the level examples and the read-outs beside it.
// A test that drags defines QTEST_QPA_MOUSE_HANDLING before any include, so that the buttons
// QtTest presses are the ones the window sees held.

#include "app/mainwindow.h"
#include "support/screens.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTest>
#include <QWindow>
#include <qcustomplot.h>

class LoudnessChartTest : public QObject
{
protected:
    MainWindow *window = nullptr;
    QCustomPlot *chart = nullptr;
    QCPItemTracer *tracer = nullptr;

    // The window built and shown on the equal-loudness screen; a test's init() stops when this
    // failed.
    void openScreen()
    {
        screens::expectUnboundSlotWarnings();
        window = new MainWindow;
        QVERIFY(screens::showFullHd(window));
        QVERIFY(screens::clickVisible(window, QStringLiteral("Кривые равной громкости")));
        QCoreApplication::processEvents();
        chart = window->findChild<QCustomPlot *>(QStringLiteral("widget"));
        tracer = chart->findChild<QCPItemTracer *>();
        QVERIFY(tracer && chart->axisRect()->width() > 1000);
    }

    // f, L, I and p as the read-outs beside the chart show them.
    QStringList readouts() const
    {
        QStringList texts;
        for (const char *name : {"lineEdit_2", "lineEdit_5", "lineEdit_4", "lineEdit_3"})
            texts << window->findChild<QLineEdit *>(QLatin1String(name))->text();
        return texts;
    }

    // The level example chosen in its list, as the lecturer picks it.
    void chooseExample(int index) const
    {
        auto *examples = window->findChild<QComboBox *>(QStringLiteral("comboBox"));
        examples->setCurrentIndex(index);
        emit examples->activated(index);
    }

    // A move with the buttons the test holds to a point of the chart, anywhere, even far outside
    // the window.
    void dragTo(const QPoint &point) const
    {
        QWindow *handle = window->windowHandle();
        const QPoint local = chart->mapTo(window, point);
        qt_handleMouseEvent(handle, local, handle->mapToGlobal(local), QTestPrivate::qtestMouseButtons,
                            Qt::NoButton, QEvent::MouseMove, Qt::NoModifier, ++QTest::lastMouseTimestamp);
    }
};

#endif
