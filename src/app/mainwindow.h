#ifndef TAVELIN_MAINWINDOW_H
#define TAVELIN_MAINWINDOW_H

#include <QMainWindow>
#include <QSharedPointer>

class QMouseEvent;
class QCPCurve;
class QCPItemTracer;
class QCPItemText;
class QCPAxisTicker;

namespace Ui {
class MainWindow;
}

// The one window of the demonstration. Every screen is a page of the form's stacks; every
// user action is one of the private slots below. The definition is split by subsystem:
// navigation here in src/app, the equal-loudness explorer in src/loudness, the decibel
// scale in src/decibel, the listening screens in src/tones.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

private slots:
    // The declaration order is the meta-object order, which is part of the window's
    // interface: keep it.
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();
    void on_pushButton_3_clicked();
    void on_pushButton_6_clicked();
    void on_pushButton_5_clicked();
    void on_pushButton_4_clicked();
    void slotMousePress(QMouseEvent *event);
    void slotMouseMove(QMouseEvent *event);
    void on_comboBox_activated(int index);
    void on_horizontalSlider_actionTriggered(int action);
    void on_pushButton_7_clicked();
    void on_pushButton_8_clicked();
    void on_pushButton_12_clicked();
    void on_pushButton_9_clicked();
    void on_pushButton_11_clicked();
    void on_pushButton_10_clicked();
    void on_pushButton_15_clicked();
    void on_pushButton_13_clicked();
    void on_pushButton_16_clicked();
    void on_pushButton_17_clicked();
    void on_pushButton_18_clicked();
    void on_pushButton_14_clicked();
    void on_pushButton_19_clicked();
    void on_comboBox_2_activated(int index);
    void on_pushButton_20_clicked();

private:
    // Constructor sections, in the order the constructor runs them.
    void setUpDecibelReadouts();  // src/decibel
    void setUpFrequencySlider();  // src/tones
    void setUpLoudnessReadouts(); // src/loudness
    void setUpSequenceReadout();  // src/tones
    void setUpLoudnessChart();    // src/loudness
    void setUpListeningChart();   // src/tones
    void setUpDecibelChart();     // src/decibel

    void showScreen(int index);

    Ui::MainWindow *ui;
    // Chart items, owned by the chart they were created on.
    QCPCurve *vertical = nullptr;
    QCPCurve *vertical3 = nullptr;
    QCPCurve *hLine = nullptr;
    QCPItemTracer *tracer = nullptr;
    QCPItemText *sourceText3 = nullptr;
    QCPCurve *hLine3 = nullptr;
    // The frequency last chosen with the mouse on the equal-loudness chart, in hertz.
    double chosenFrequency = 1000;
    // Whether the equal-loudness chart shows its curves, grids and axes as they now stand, so
    // that a mouse event need redraw only the crosshair.
    bool loudnessChartCurrent = false;
    // Decade tickers of the frequency and intensity axes. The listening chart sets these very
    // two on its own axes, so both charts mark frequency and intensity alike.
    QSharedPointer<QCPAxisTicker> frequencyTicker;
    QSharedPointer<QCPAxisTicker> intensityTicker;
};

#endif
