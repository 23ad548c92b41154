// Grabs each screen of the window, as a lecturer would see it full screen at 1920 × 1080 or at the
// screen size given in pixels, into <output-dir>/<number>-<screen>.png. Run it from the images
// folder so that the pictures show; QT_SCALE_FACTOR sets the desktop's scale:
//   QT_SCALE_FACTOR=2 screenshots <output-dir> 3840x2160

#include "app/mainwindow.h"
#include "tones/tone.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextStream>

namespace {

struct Screen
{
    const char *file;
    int page;
    int innerPage; // the listening screens' own stack; -1 where it does not apply
};

const Screen screensToGrab[] = {
    {"1-title", 0, -1},    {"2-warning", 1, 1},        {"3-listening", 1, 0},
    {"4-loudness", 2, -1}, {"5-definitions", 3, -1},   {"6-more-definitions", 4, -1},
    {"7-authors", 5, -1},  {"8-decibel-scale", 6, -1},
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    QSize screen(1920, 1080);
    if (arguments.size() == 3) {
        const QStringList size = arguments.at(2).split(QLatin1Char('x'));
        screen = size.size() == 2 ? QSize(size.at(0).toInt(), size.at(1).toInt()) : QSize();
    }
    if (arguments.size() < 2 || arguments.size() > 3 || screen.isEmpty()) {
        QTextStream(stderr) << "usage: screenshots <output-dir> [<width>x<height>]\n";
        return 2;
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(output.path())) {
        QTextStream(stderr) << "cannot create " << output.path() << "\n";
        return 1;
    }

    MainWindow window;
    // The window fills the screen, which holds fewer of the window's own pixels when scaled.
    window.resize((QSizeF(screen) / application.devicePixelRatio()).toSize());
    window.show();
    QApplication::processEvents();

    auto *pages = window.findChild<QStackedWidget *>("stackedWidget");
    auto *listening = window.findChild<QStackedWidget *>("stackedWidget_2");
    for (const Screen &screen : screensToGrab) {
        pages->setCurrentIndex(screen.page);
        if (screen.innerPage >= 0)
            listening->setCurrentIndex(screen.innerPage);
        QApplication::processEvents();
        const QString file = output.filePath(QString::fromLatin1(screen.file) + ".png");
        if (!window.grab().save(file)) {
            QTextStream(stderr) << "cannot write " << file << "\n";
            return 1;
        }
    }

    // Two moments a lecturer shows: the sequence during its sixth tone, and the decibel scale
    // at the threshold of pain. The tone is caught by a sink, so nothing sounds.
    bool grabbed = true;
    tones::setSink([&](quint32 frequencyHz, quint32) {
        if (frequencyHz == 1850)
            grabbed = window.grab().save(output.filePath(QStringLiteral("9-sixth-tone.png")));
    });
    pages->setCurrentIndex(1);
    listening->setCurrentIndex(0);
    window.findChild<QPushButton *>("pushButton_9")->click();
    tones::setSink(nullptr);

    pages->setCurrentIndex(6);
    auto *sources = window.findChild<QComboBox *>("comboBox_2");
    sources->setCurrentIndex(12);
    emit sources->activated(12);
    QApplication::processEvents();
    grabbed = grabbed && window.grab().save(output.filePath(QStringLiteral("10-threshold-of-pain.png")));
    return grabbed ? 0 : 1;
}
