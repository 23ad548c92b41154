// Where the real program's controls stand on a full-HD screen, and how each screen looks
// there: the same window laid out in a process of its own, for scripts that drive the program
// under X with xdotool and check what it shows.
//
// Usage: screenplaces <folder>   (run from the images folder, on the X server the program will
// run on, so that fonts and text metrics are the same as the program's)
// Prints one line per control, "page objectName x y" (its centre in screen pixels), and writes
// <folder>/<page>.png for every screen; then the locale and every chart axis's tick labels.

#include "app/mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QSlider>
#include <QStackedWidget>
#include <QTextStream>
#include <qcustomplot.h>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc != 2)
        return 2;
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    MainWindow window;
    // Without a frame, so that all of the 1920 × 1080 is the window's own, as when the program
    // fills the screen: on Windows a frame would take its room from inside that size.
    window.setWindowFlags(window.windowFlags() | Qt::FramelessWindowHint);
    window.resize(1920, 1080);
    window.show();
    QCoreApplication::processEvents();

    auto *pages = window.findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
    auto *inner = window.findChild<QStackedWidget *>(QStringLiteral("stackedWidget_2"));
    QTextStream out(stdout);
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        const int innerPages = pages->currentWidget()->isAncestorOf(inner) ? inner->count() : 1;
        for (int j = 0; j < innerPages; ++j) {
            inner->setCurrentIndex(j);
            QCoreApplication::processEvents();
            const QString page =
                innerPages > 1 ? inner->currentWidget()->objectName() : pages->currentWidget()->objectName();
            const auto controls = pages->currentWidget()->findChildren<QWidget *>();
            for (QWidget *control : controls) {
                if (!control->isVisible() || control->objectName().isEmpty())
                    continue;
                if (!qobject_cast<QAbstractButton *>(control) && !qobject_cast<QComboBox *>(control) &&
                    !qobject_cast<QSlider *>(control) && !qobject_cast<QCustomPlot *>(control))
                    continue;
                const QPoint centre = control->mapTo(&window, control->rect().center());
                out << page << ' ' << control->objectName() << ' ' << centre.x() << ' ' << centre.y() << '\n';
            }
            window.grab().save(folder.filePath(page + QStringLiteral(".png")));
        }
    }
    // The desktop language the window was laid out in, and every chart axis's number format
    // and tick labels as that language has the charts write them, "axis chart format a|b|c".
    out << "locale " << QLocale::system().name() << '\n';
    const auto charts = window.findChildren<QCustomPlot *>();
    for (QCustomPlot *chart : charts) {
        const auto axes = chart->axisRect()->axes();
        for (QCPAxis *axis : axes) {
            if (!axis->visible() || !axis->tickLabels())
                continue;
            const auto ticks = axis->tickVectorLabels(); // a QVector in Qt 5, a QList in Qt 6
            out << "axis " << chart->objectName() << ' ' << axis->numberFormat() << ' '
                << QStringList(ticks.begin(), ticks.end()).join(QLatin1Char('|')) << '\n';
        }
    }
    return 0;
}
