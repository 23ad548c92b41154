// The decibel scale at 1000 Hz: one vertical scale read as level, intensity and pressure,
// and the choice of an everyday sound source on it.
#include "app/mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::setUpDecibelReadouts() {}

void MainWindow::setUpDecibelChart() {}

void MainWindow::on_comboBox_2_activated(int) {}
