#include "app/mainwindow.h"

#include "ui_mainwindow.h"

namespace {

// Pages of the outer stack, in the order the form adds them.
enum Screen {
    TitleScreen = 0,
    ListeningScreens = 1,
    LoudnessScreen = 2,
    DefinitionsScreen = 3,
    MoreDefinitionsScreen = 4,
    AuthorsScreen = 5,
    DecibelScreen = 6,
};

// Pages of the inner stack on the listening screens.
enum ListeningPage {
    ListeningControls = 0,
    HearingSafetyWarning = 1,
};

} // namespace

// The charts write their numbers as the C locale does, whatever the desktop's language. QCustomPlot
// raises an exponent only where it finds the lower-case 'e' of "1e-12", and a Russian or English
// locale writes "1E-12", which then stood on the intensity and pressure axes as it is; the
// powers of ten are the lecture's notation in every language.
static void useCNotationOnCharts(QWidget *window)
{
    const auto charts = window->findChildren<QCustomPlot *>();
    for (QCustomPlot *chart : charts)
        chart->setLocale(QLocale::c());
}

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    useCNotationOnCharts(this);
    setUpDecibelReadouts();
    showScreen(TitleScreen);
    setUpFrequencySlider();
    setUpLoudnessReadouts();
    setUpSequenceReadout();
    setUpLoudnessChart();
    setUpListeningChart();
    setUpDecibelChart();
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::showScreen(int index)
{
    ui->stackedWidget->setCurrentIndex(index);
}

// Every entry to the listening screens passes the hearing-safety warning first, however
// the previous visit ended.
void MainWindow::on_pushButton_clicked()
{
    showScreen(ListeningScreens);
    ui->stackedWidget_2->setCurrentIndex(HearingSafetyWarning);
}

void MainWindow::on_pushButton_5_clicked()
{
    ui->stackedWidget_2->setCurrentIndex(ListeningControls);
}

void MainWindow::on_pushButton_2_clicked()
{
    showScreen(LoudnessScreen);
}
void MainWindow::on_pushButton_7_clicked()
{
    showScreen(DefinitionsScreen);
}
void MainWindow::on_pushButton_13_clicked()
{
    showScreen(MoreDefinitionsScreen);
}
void MainWindow::on_pushButton_16_clicked()
{
    showScreen(DefinitionsScreen);
}
void MainWindow::on_pushButton_11_clicked()
{
    showScreen(AuthorsScreen);
}
void MainWindow::on_pushButton_20_clicked()
{
    showScreen(DecibelScreen);
}

// No button reaches these two; they stay reachable through the meta-object only.
void MainWindow::on_pushButton_18_clicked()
{
    showScreen(LoudnessScreen);
}
void MainWindow::on_pushButton_14_clicked()
{
    showScreen(DecibelScreen);
}

// The "Меню" buttons of every screen.
void MainWindow::on_pushButton_3_clicked()
{
    showScreen(TitleScreen);
}
void MainWindow::on_pushButton_6_clicked()
{
    showScreen(TitleScreen);
}
void MainWindow::on_pushButton_8_clicked()
{
    showScreen(TitleScreen);
}
void MainWindow::on_pushButton_10_clicked()
{
    showScreen(TitleScreen);
}
void MainWindow::on_pushButton_15_clicked()
{
    showScreen(TitleScreen);
}
void MainWindow::on_pushButton_17_clicked()
{
    showScreen(TitleScreen);
}
void MainWindow::on_pushButton_19_clicked()
{
    showScreen(TitleScreen);
}

void MainWindow::on_pushButton_12_clicked()
{
    QCoreApplication::exit(0);
}
