#include "app/desktopscale.h"
#include "app/mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    followDesktopScale();
    QApplication application(argc, argv);
    MainWindow window;
    window.show();
    window.showFullScreen();
    return application.exec();
}
