// The listening screen: a tone at any frequency from the slider, and the eight-tone
// sequence on its chart.
#include "app/mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::setUpFrequencySlider() {}

void MainWindow::setUpSequenceReadout() {}

void MainWindow::setUpListeningChart() {}

void MainWindow::on_pushButton_4_clicked() {}

void MainWindow::on_horizontalSlider_actionTriggered(int) {}

void MainWindow::on_pushButton_9_clicked() {}
