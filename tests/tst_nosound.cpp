// A lecture hall computer whose sound does not work: no ALSA device can be opened. The
// listening screen still keeps time as if the tones sounded, the highlight of each point
// lasting its three seconds. While they sound the window handles the desktop's events, yet
// nothing acts on it until the tones are over: neither input, nor a screen reader's press,
// nor a call queued to the window, nor a request to close it. Then each click or key acts
// only on what it was aimed at, if that is still on screen.

#include "app/mainwindow.h"
#include "support/screens.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>
#include <qcustomplot.h>

namespace {

// A click as the window system delivers it: to the window, at a place in it.
void clickThroughWindow(QWidget *window, QWidget *widget)
{
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                      widget->mapTo(window, widget->rect().center()));
}

void pressForScreenReader(QAbstractButton *button)
{
    QAccessible::queryAccessibleInterface(button)->actionInterface()->doAction(
        QAccessibleActionInterface::pressAction());
}

// How much longer than its tones a call may take: the screen is redrawn between tones, and a
// machine busy with other tests is slow at it.
constexpr qint64 slackMs = 400;

// Calls back on every paint of one widget.
class PaintWatch : public QObject
{
public:
    PaintWatch(QWidget *widget, std::function<void()> painted) : painted(std::move(painted))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted();
        return false;
    }

private:
    std::function<void()> painted;
};

} // namespace

class NoSound : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void sliderToneKeepsItsLength();
    void sequenceKeepsItsPaceAndTheWindowAnswersAfterwards();
    void inputActsOnlyOnWhatItWasAimedAt_data();
    void inputActsOnlyOnWhatItWasAimedAt();

private:
    QTemporaryDir alsa;
    MainWindow *window = nullptr;
};

void NoSound::initTestCase()
{
    // An ALSA configuration with no "default" device at all, as on a machine without a sound
    // card or sound server. The process reads no other.
    QVERIFY(alsa.isValid());
    QFile configuration(alsa.filePath(QStringLiteral("asound.conf")));
    QVERIFY(configuration.open(QIODevice::WriteOnly));
    configuration.write("# a machine without sound\n");
    configuration.close();
    qputenv("ALSA_CONFIG_PATH", QFile::encodeName(configuration.fileName()));
}

void NoSound::init()
{
    window = new MainWindow;
    QVERIFY(screens::showFullHd(window));
    QVERIFY(screens::clickVisible(window, QStringLiteral("Восприятие звука на различных частотах")));
    QVERIFY(screens::clickVisible(window, QStringLiteral("Я всё понял")));
    QCoreApplication::processEvents();
}

void NoSound::cleanup()
{
    delete window;
    window = nullptr;
}

// Asked to close while its tone sounds (some platforms deliver the request at once), the
// window stays on screen until the tone has ended, and closes then.
void NoSound::sliderToneKeepsItsLength()
{
    QCoreApplication::postEvent(window->windowHandle(), new QCloseEvent);
    bool shownDuringTheTone = false;
    QMetaObject::invokeMethod(
        this, [&] { shownDuringTheTone = window->isVisible(); }, Qt::QueuedConnection);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(screens::clickVisible(window, QStringLiteral("Воспроизвести")));
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= 1500 && elapsed < 1500 + slackMs, qPrintable(QString::number(elapsed)));
    QVERIFY(shownDuringTheTone);
    QVERIFY(!window->isVisible());
}

void NoSound::sequenceKeepsItsPaceAndTheWindowAnswersAfterwards()
{
    auto *chart = window->findChild<QCustomPlot *>(QStringLiteral("widget_2"));
    auto *slider = window->findChild<QSlider *>(QStringLiteral("horizontalSlider"));
    auto *readout = window->findChild<QLineEdit *>(QStringLiteral("lineEdit"));
    QAbstractButton *menu = screens::visibleButton(window, QStringLiteral("Меню"));
    auto *exit = window->findChild<QAbstractButton *>(QStringLiteral("pushButton_12"));
    QVERIFY(chart && slider && readout && menu && exit);
    QSignalSpy exits(exit, &QAbstractButton::clicked);
    const QString listeningScreens = screens::currentPage(window, "stackedWidget");

    // The chart is repainted just before each tone (the point lights up) and just after it
    // (the point goes out): from the one repaint to the other is the tone.
    QElapsedTimer clock;
    int paints = 0;
    qint64 litAt = 0;
    QVector<qint64> tones;
    auto watch = std::make_unique<PaintWatch>(chart, [&] {
        if (paints++ % 2 == 0) {
            litAt = clock.elapsed();
            return;
        }
        tones << clock.elapsed() - litAt;
        QCOMPARE(slider->value(), 1000);
        QCOMPARE(screens::currentPage(window, "stackedWidget"), listeningScreens);
        if (tones.size() == 2) {
            // A key pressed on the slider while the tones play waits for them to end.
            slider->setFocus();
            QCoreApplication::postEvent(slider,
                                        new QKeyEvent(QEvent::KeyPress, Qt::Key_PageUp, Qt::NoModifier));
            QCoreApplication::postEvent(slider,
                                        new QKeyEvent(QEvent::KeyRelease, Qt::Key_PageUp, Qt::NoModifier));
            // So does a screen reader's press on "Меню", which reaches the window as the
            // accessibility bridge delivers it: from a call queued to an object of its own.
            QMetaObject::invokeMethod(
                this, [menu] { pressForScreenReader(menu); }, Qt::QueuedConnection);
            // A "Старт" queued to the window starts no second sequence within this one.
            QMetaObject::invokeMethod(window, "on_pushButton_9_clicked", Qt::QueuedConnection);
            // Two clicks on "Меню", an impatient lecturer's: once the press has brought the
            // menu, they must not land on "Выход", which stands where "Меню" stood.
            QMetaObject::invokeMethod(
                this,
                [&] {
                    clickThroughWindow(window, menu);
                    clickThroughWindow(window, menu);
                },
                Qt::QueuedConnection);
        }
    });

    clock.start();
    QVERIFY(screens::clickVisible(window, QStringLiteral("Старт")));
    const qint64 whole = clock.elapsed();
    watch.reset();
    QStringList lengths;
    for (qint64 tone : tones)
        lengths << QString::number(tone);
    qInfo("the eight tones took %s ms, the whole sequence %lld ms", qPrintable(lengths.join(", ")), whole);
    QCOMPARE(tones.size(), 8);
    for (int i = 0; i < 8; ++i)
        QVERIFY2(tones[i] >= 3000 && tones[i] < 3000 + slackMs,
                 qPrintable(QStringLiteral("tone %1 took %2 ms").arg(i).arg(tones[i])));
    // Besides the tones, only the sixteen redraws of the chart (slow in the sanitizer build).
    QVERIFY2(whole >= 24000 && whole < 32000, qPrintable(QString::number(whole)));
    QCOMPARE(window->findChild<QLineEdit *>(QStringLiteral("lineEdit_6"))->text(), QStringLiteral("f = "));

    // The key and the press waited; now they are taken, and the window goes on as before.
    QCOMPARE(slider->value(), 1000);
    QCoreApplication::processEvents();
    QCOMPARE(slider->value(), 1250);
    QCOMPARE(readout->text(), QStringLiteral("f = 1250 Гц"));
    QTRY_COMPARE(screens::currentPage(window, "stackedWidget"), QStringLiteral("page"));
    QCOMPARE(exits.count(), 0);
    QVERIFY(screens::clickVisible(window, QStringLiteral("Кривые равной громкости")));
    auto *curves = window->findChild<QCustomPlot *>(QStringLiteral("widget"));
    QTest::mouseClick(curves, Qt::LeftButton, {}, QPoint(qRound(curves->xAxis->coordToPixel(3191)), 300));
    QVERIFY(window->findChild<QLineEdit *>(QStringLiteral("lineEdit_2"))
                ->text()
                .startsWith(QStringLiteral("f = 31")));
    QCOMPARE(screens::currentPage(window, "stackedWidget"), QStringLiteral("page_3"));
}

void NoSound::inputActsOnlyOnWhatItWasAimedAt_data()
{
    QTest::addColumn<bool>("keyForTheSlider");
    QTest::newRow("a screen reader's press of a button the click hid") << false;
    QTest::newRow("a key for the slider the click hid") << true;
}

// During the slider's tone a click on "Меню", then input for the listening screen that the
// menu, once the click has brought it, hides: that input is dropped.
void NoSound::inputActsOnlyOnWhatItWasAimedAt()
{
    QFETCH(bool, keyForTheSlider);
    QAbstractButton *play = screens::visibleButton(window, QStringLiteral("Воспроизвести"));
    QAbstractButton *menu = screens::visibleButton(window, QStringLiteral("Меню"));
    auto *slider = window->findChild<QSlider *>(QStringLiteral("horizontalSlider"));
    auto *exit = window->findChild<QAbstractButton *>(QStringLiteral("pushButton_12"));
    QVERIFY(play && menu && slider && exit);
    QSignalSpy plays(play, &QAbstractButton::clicked);
    QSignalSpy exits(exit, &QAbstractButton::clicked);
    QMetaObject::invokeMethod(
        this,
        [&] {
            slider->setFocus();
            clickThroughWindow(window, menu);
            if (keyForTheSlider)
                QTest::keyClick(window->windowHandle(), Qt::Key_PageUp);
            else
                pressForScreenReader(play);
        },
        Qt::QueuedConnection);
    QVERIFY(screens::clickVisible(window, QStringLiteral("Воспроизвести")));
    // Long enough for the click that follows a screen reader's press.
    QTest::qWait(300);
    QCOMPARE(screens::currentPage(window, "stackedWidget"), QStringLiteral("page"));
    QCOMPARE(plays.count(), 1);
    QCOMPARE(slider->value(), 1000);
    QCOMPARE(exits.count(), 0);
}

QTEST_MAIN(NoSound)
#include "tst_nosound.moc"
