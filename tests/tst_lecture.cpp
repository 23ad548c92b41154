// A whole lecture in one process, as main() runs it: the application, then the window, the
// event loop until "Выход", the window destroyed before the application. On the way every
// screen is visited, the curves dragged, both lists used, the slider's tone and the eight-tone
// sequence played (into a silent sink). The program writes nothing: not in its working
// directory, not in the home directory nor in any of the places a desktop program keeps its
// files. In the sanitizer build this run is also the leak check of a full session.

// QtTest's mouse functions go through the platform layer, so a drag holds its button.
#define QTEST_QPA_MOUSE_HANDLING

#include "app/mainwindow.h"
#include "support/files.h"
#include "support/screens.h"
#include "tones/tone.h"

#include <QComboBox>
#include <QDirIterator>
#include <QLineEdit>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <qcustomplot.h>

namespace {

// Where a desktop program may leave files, each moved into one scratch folder before the
// application starts, so that Qt and the libraries under it look nowhere else.
const char *const userDirectories[] = {"HOME",           "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME",
                                       "XDG_STATE_HOME", "XDG_RUNTIME_DIR", "TMPDIR"};

QTemporaryDir *scratch = nullptr;

} // namespace

class Lecture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void wholeLectureEndsWithZeroAndWritesNothing();

private:
    void giveTheLecture();
    bool click(const char *caption) { return screens::clickVisible(window, QString::fromUtf8(caption)); }
    void choose(const char *list, int entries);

    MainWindow *window = nullptr;
    QVector<QPair<quint32, quint32>> tones;
    int steps = 0;
    QStringList failedSteps;
};

void Lecture::initTestCase()
{
    for (const char *variable : userDirectories)
        QCOMPARE(qEnvironmentVariable(variable), scratch->filePath(QString::fromLatin1(variable)));
    QVERIFY(QDir::setCurrent(scratch->filePath(QStringLiteral("lecture"))));
}

void Lecture::wholeLectureEndsWithZeroAndWritesNothing()
{
    const QStringList before = files::listing(scratch->path());
    QVERIFY(before.size() >= 8);
    tones::setSink([this](quint32 frequencyHz, quint32 durationMs) {
        tones.append({frequencyHz, durationMs});
    });

    {
        MainWindow lectureWindow;
        window = &lectureWindow;
        QVERIFY(screens::showFullHd(&lectureWindow));
        QTimer::singleShot(0, this, &Lecture::giveTheLecture);
        QTimer::singleShot(60000, [] { QCoreApplication::exit(1); }); // a lecture that never ends
        QCOMPARE(QApplication::exec(), 0);
        window = nullptr;
    }
    tones::setSink(nullptr);

    QCOMPARE(failedSteps, QStringList());
    QCOMPARE(steps, 19);
    QCOMPARE(tones.size(), 9);
    QCOMPARE(tones.first(), qMakePair(1250u, 1500u));
    QCOMPARE(tones.last(), qMakePair(13500u, 3000u));
    QCOMPARE(files::listing(scratch->path()), before);
}

// The lecture runs inside the event loop, as a lecturer's clicks would.
void Lecture::giveTheLecture()
{
    const auto step = [this](bool done, const char *what) {
        ++steps;
        if (!done)
            failedSteps << QString::fromUtf8(what);
    };
    auto *curves = window->findChild<QCustomPlot *>(QStringLiteral("widget"));
    auto *slider = window->findChild<QSlider *>(QStringLiteral("horizontalSlider"));

    step(click("Основные определения"), "open the definitions");
    step(click("Далее"), "turn to the second page");
    step(click("Назад"), "turn back");
    step(click("Меню"), "return to the menu");

    step(click("Кривые равной громкости"), "open the equal-loudness curves");
    const QPoint from(curves->width() / 4, curves->height() / 2);
    QTest::mousePress(curves, Qt::LeftButton, {}, from);
    for (int x = from.x(); x < curves->width() * 3 / 4; x += 40)
        QTest::mouseMove(curves, QPoint(x, from.y()));
    QTest::mouseRelease(curves, Qt::LeftButton, {}, QPoint(curves->width() * 3 / 4, from.y()));
    const QString frequency = window->findChild<QLineEdit *>(QStringLiteral("lineEdit_2"))->text();
    step(frequency != QStringLiteral("f = 1000 Гц"), "drag along a curve");
    choose("comboBox", 7);
    step(window->findChild<QComboBox *>(QStringLiteral("comboBox"))->currentIndex() == 6,
         "go through the examples");
    step(click("Меню"), "return to the menu");

    step(click("Шкала децибел"), "open the decibel scale");
    choose("comboBox_2", 20);
    step(window->findChild<QComboBox *>(QStringLiteral("comboBox_2"))->currentIndex() == 19,
         "go through the sources");
    step(click("Меню"), "return to the menu");

    step(click("Восприятие звука на различных частотах"), "open the listening screens");
    step(click("Я всё понял"), "pass the warning");
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_PageUp);
    step(click("Воспроизвести"), "play the slider's tone");
    step(click("Старт"), "play the sequence");
    step(click("Меню"), "return to the menu");

    step(click("Авторы"), "open the authors");
    step(click("Меню"), "return to the menu");
    step(click("Выход"), "end the lecture");
}

// Down the list with the keyboard, one entry after another.
void Lecture::choose(const char *list, int entries)
{
    auto *box = window->findChild<QComboBox *>(QLatin1String(list));
    box->setFocus();
    for (int i = 1; i < entries; ++i)
        QTest::keyClick(box, Qt::Key_Down);
}

int main(int argc, char *argv[])
{
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    scratch = &folder;
    for (const char *variable : userDirectories) {
        const QString path = folder.filePath(QString::fromLatin1(variable));
        QDir().mkpath(path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(variable, QFile::encodeName(path));
    }
    const QString lecture = folder.filePath(QStringLiteral("lecture"));
    QDir().mkpath(lecture);
    const QDir images(QStringLiteral(TAVELIN_IMAGES_DIR));
    for (const QString &image : images.entryList(QDir::Files))
        QFile::copy(images.filePath(image), lecture + '/' + image);

    QApplication application(argc, argv);
    Lecture test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_lecture.moc"
