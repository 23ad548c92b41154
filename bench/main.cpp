// How quickly the demonstration answers the lecturer, on the lecture machine at full-HD size:
// its start, a drag across the equal-loudness chart, the other actions that redraw a chart,
// its memory, and how soon a tone reaches the sound card. Prints one Markdown table.
//
// Without QT_QPA_PLATFORM it draws on Qt's VNC platform at 1920 × 1080: headless like the
// offscreen platform and painting the same way (raster, into memory), but with a screen of the
// lecture hall's size where the offscreen platform's is 800 × 600. Tones go through ALSA into
// a WAV file (tests/alsa/capture.conf), never to a sound card.

#include "app/mainwindow.h"
#include "figures.h"
#include "loudness/loudnesscurves.h"
#include "support/alsawrites.h"
#include "tones/tone.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <qcustomplot.h>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>

// Qt's own entry into its platform layer, as a mouse driver calls it (QtTest uses it too).
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow *window, const QPointF &local, const QPointF &global,
                                      Qt::MouseButtons state, Qt::MouseButton button, QEvent::Type type,
                                      Qt::KeyboardModifiers mods, int timestamp);

namespace {

using figures::Clock;
using figures::millisecondsBetween;

const char firstFrameMode[] = "--first-frame";
const char everyScreenMode[] = "--visit-every-screen";
const char thisScreenOption[] = "this-screen-only";
const QString highDensityScreen = QStringLiteral("4K at 200 %");

// How often each measurement is repeated; each can be set on the command line.
struct Repetitions
{
    int samplings = 300;
    int constructions = 20;
    int launches = 10;
    int moves = 1000;
    int examples = 30;
    int sources = 40;
    int sequences = 4;
    int visits = 3;
    int leakMoves = 10000;
    int tones = 10;
};

long long monotonicNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// A field of /proc/self/status in kB, such as VmRSS or VmHWM.
double statusKilobytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return std::nan("");
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toDouble();
    }
    return std::nan("");
}

QtMessageHandler standardHandler = nullptr;

// Only what may matter to the figures: the window binds two slots that no button of the form
// reaches, and Qt says so at every construction; the VNC platform announces its port.
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg ||
        message.startsWith(QLatin1String("QMetaObject::connectSlotsByName: No matching signal")) ||
        message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")) ||
        message.startsWith(QLatin1String("QVncServer created on port")))
        return;
    standardHandler(type, context, message);
}

void processEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    return true;
}

// What main() does to show the window, and then what a window manager does with it: the VNC
// platform has none, so it leaves a window that was shown before being made full screen at its
// first size.
void showAsMainDoes(MainWindow &window)
{
    window.show();
    window.showFullScreen();
    if (window.size() != window.screen()->size())
        window.setGeometry(window.screen()->geometry());
}

// The window full screen and settled on screen.
bool showFullScreen(MainWindow &window)
{
    showAsMainDoes(window);
    const QSize screen = window.screen()->size();
    const bool shown = waitUntil([&] {
        return window.windowHandle() && window.windowHandle()->isExposed() && window.size() == screen;
    });
    processEventsFor(50);
    return shown;
}

// Navigation as the buttons do it: every button's slot only picks a page.
void press(MainWindow &window, const char *slot)
{
    QMetaObject::invokeMethod(&window, slot, Qt::DirectConnection);
    QCoreApplication::processEvents();
}

// Counts the paint events of one widget: the measured handlers must show their result at
// once, not leave it to a later turn of the event loop.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// A mouse on the equal-loudness chart, driven through the platform layer like a real one, so
// that the application knows which button is held.
class ChartMouse
{
public:
    ChartMouse(MainWindow &window, QCustomPlot *chart) : window(window), chart(chart) {}

    // Column `step` of a sweep back and forth across the plot, seven pixels a move: about
    // what a hand moving briskly covers between two mouse reports.
    QPoint along(int step) const
    {
        const QRect plot = chart->axisRect()->rect();
        const int span = plot.width() - 1;
        const int travelled = (step * 7) % (2 * span);
        const int x = plot.left() + (travelled <= span ? travelled : 2 * span - travelled);
        return QPoint(x, plot.center().y());
    }

    void deliver(QPoint inChart, Qt::MouseButtons held, Qt::MouseButton button, QEvent::Type type)
    {
        QWindow *handle = window.windowHandle();
        const QPoint local = chart->mapTo(&window, inChart);
        qt_handleMouseEvent(handle, local, handle->mapToGlobal(local), held, button, type, Qt::NoModifier,
                            ++timestamp);
    }

    struct Timings
    {
        std::vector<double> handled;  // delivery → the handler's return
        std::vector<double> composed; // delivery → the screen has composed the new frame
    };

    // A drag of `moves` moves, the event loop turning between moves as it does between real
    // mouse reports; in that turn the screen composes the frame that the handler painted.
    Timings drag(int moves, int *unpainted = nullptr)
    {
        PaintCounter counter(chart);
        Timings timings;
        timings.handled.reserve(size_t(moves));
        timings.composed.reserve(size_t(moves));
        deliver(along(0), Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress);
        QCoreApplication::processEvents();
        for (int step = 1; step <= moves; ++step) {
            const int before = counter.paints;
            const auto start = Clock::now();
            deliver(along(step), Qt::LeftButton, Qt::NoButton, QEvent::MouseMove);
            timings.handled.push_back(millisecondsBetween(start, Clock::now()));
            if (unpainted && counter.paints == before)
                ++*unpainted;
            QCoreApplication::processEvents();
            timings.composed.push_back(millisecondsBetween(start, Clock::now()));
        }
        deliver(along(moves), Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease);
        QCoreApplication::processEvents();
        return timings;
    }

private:
    MainWindow &window;
    QCustomPlot *chart;
    int timestamp = 0;
};

// ---- Start-up ----

void measureCurveSampling(figures::Table &table, const Repetitions &repeat)
{
    std::vector<double> frequencies(loudness::sampleCount);
    std::vector<double> levels(loudness::sampleCount);
    std::vector<double> samples;
    for (int run = 0; run <= repeat.samplings; ++run) {
        const auto start = Clock::now();
        // Seven curves for the equal-loudness chart, the quieter five again for the listening chart.
        for (int row = 0; row < loudness::curveCount; ++row)
            loudness::sampleCurve(row, frequencies.data(), levels.data());
        for (int row = 0; row < 5; ++row)
            loudness::sampleCurve(row, frequencies.data(), levels.data());
        if (run > 0) // the first run pays for cold caches
            samples.push_back(millisecondsBetween(start, Clock::now()));
    }
    table.add(QStringLiteral("sampling all twelve curves"), samples, QStringLiteral("ms"),
              QStringLiteral("≤ 3 ms"));
}

void measureConstruction(figures::Table &table, const Repetitions &repeat)
{
    std::vector<double> samples;
    for (int run = 0; run <= repeat.constructions; ++run) {
        const auto start = Clock::now();
        auto *window = new MainWindow;
        const auto end = Clock::now();
        delete window;
        QCoreApplication::processEvents();
        if (run > 0) // the first construction loads the fonts and the style
            samples.push_back(millisecondsBetween(start, end));
    }
    table.add(QStringLiteral("constructing `MainWindow`"), samples, QStringLiteral("ms"));
}

// Notes the moment the full-screen window's first frame has been painted. The window is
// painted first and its children after it, in one pass that ends with the frame handed to
// the screen; the next turn of the event loop comes after that pass.
class FirstFrameWatch : public QObject
{
public:
    explicit FirstFrameWatch(MainWindow &window) : window(window) { window.installEventFilter(this); }
    std::function<void()> painted;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && painted && window.size() == window.screen()->size()) {
            QTimer::singleShot(0, painted);
            painted = nullptr;
        }
        return false;
    }

private:
    MainWindow &window;
};

// The child's part: what main() does, reporting when the application object stands, when the
// window is built and when the first frame of the full-screen window has been painted.
int runFirstFrame(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const long long applicationReady = monotonicNanoseconds();
    MainWindow window;
    const long long windowBuilt = monotonicNanoseconds();
    FirstFrameWatch watch(window);
    watch.painted = [&] {
        std::printf("%lld %lld %lld\n", applicationReady, windowBuilt, monotonicNanoseconds());
        std::fflush(stdout);
        QCoreApplication::exit(0);
    };
    showAsMainDoes(window);
    QTimer::singleShot(10000, [] { QCoreApplication::exit(1); });
    return application.exec();
}

void measureFirstFrame(figures::Table &table, const Repetitions &repeat)
{
    std::vector<double> application;
    std::vector<double> window;
    std::vector<double> frame;
    for (int run = 0; run <= repeat.launches; ++run) {
        QProcess child;
        child.setProgram(QCoreApplication::applicationFilePath());
        child.setArguments({QString::fromLatin1(firstFrameMode)});
        child.setWorkingDirectory(QDir::currentPath());
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const long long start = monotonicNanoseconds();
        child.start();
        if (!child.waitForFinished(20000) || child.exitCode() != 0) {
            child.kill();
            child.waitForFinished();
            std::fprintf(stderr, "start-up run %d did not paint a full-screen frame\n", run);
            continue;
        }
        const QList<QByteArray> stamps = child.readAllStandardOutput().trimmed().split(' ');
        if (run == 0 || stamps.size() != 3) // the first start fills the file caches
            continue;
        application.push_back((stamps[0].toLongLong() - start) / 1e6);
        window.push_back((stamps[1].toLongLong() - start) / 1e6);
        frame.push_back((stamps[2].toLongLong() - start) / 1e6);
    }
    table.add(QStringLiteral("process start → `QApplication` constructed"), application,
              QStringLiteral("ms"));
    table.add(QStringLiteral("process start → `MainWindow` constructed"), window, QStringLiteral("ms"));
    table.add(QStringLiteral("process start → first painted full-screen frame"), frame, QStringLiteral("ms"),
              QStringLiteral("median ≤ 150 ms"));
}

// ---- The running window ----

// The yardstick for the other rows: a full replot of the equal-loudness chart with every curve
// stroked anew. Widening the frequency axis by a part in 10^12 has them stroked again without
// moving a pixel.
const QString fullReplotRow = QStringLiteral("full replot of the equal-loudness chart, every curve stroked");

void measureFullReplot(MainWindow &window, figures::Table &table, const Repetitions &repeat)
{
    press(window, "on_pushButton_2_clicked");
    auto *chart = window.findChild<QCustomPlot *>(QStringLiteral("widget"));
    const QCPRange range = chart->xAxis->range();
    std::vector<double> samples;
    for (int run = 0; run <= repeat.examples; ++run) {
        chart->xAxis->setRange(range.lower, range.upper * (1 + (1 + run % 2) * 1e-12));
        const auto start = Clock::now();
        chart->replot();
        const auto end = Clock::now();
        QCoreApplication::processEvents();
        if (run > 0)
            samples.push_back(millisecondsBetween(start, end));
    }
    chart->xAxis->setRange(range);
    chart->replot();
    table.add(fullReplotRow, samples, QStringLiteral("ms"));
}

void measureDrag(MainWindow &window, figures::Table &table, const Repetitions &repeat)
{
    press(window, "on_pushButton_2_clicked");
    auto *chart = window.findChild<QCustomPlot *>(QStringLiteral("widget"));
    ChartMouse mouse(window, chart);
    mouse.drag(100); // warm-up

    int unpainted = 0;
    const ChartMouse::Timings moves = mouse.drag(repeat.moves, &unpainted);
    if (unpainted)
        std::fprintf(stderr, "%d moves did not repaint the chart at once\n", unpainted);

    table.add(QStringLiteral("drag move: the crosshair's layer redrawn and repainted in its bands"),
              moves.handled, QStringLiteral("ms"), QString(), fullReplotRow);
    table.add(QStringLiteral("drag move, until the screen has composed the frame"), moves.composed,
              QStringLiteral("ms"), QStringLiteral("median ≤ 4 ms, p95 ≤ 8 ms"), fullReplotRow);
}

void measureLevelExamples(MainWindow &window, figures::Table &table, const Repetitions &repeat)
{
    press(window, "on_pushButton_2_clicked");
    auto *examples = window.findChild<QComboBox *>(QStringLiteral("comboBox"));
    std::vector<double> samples;
    for (int run = 0; run <= repeat.examples; ++run) {
        const int index = (run + 1) % examples->count();
        examples->setCurrentIndex(index);
        const auto start = Clock::now();
        emit examples->activated(index);
        const auto end = Clock::now();
        QCoreApplication::processEvents();
        if (run > 0)
            samples.push_back(millisecondsBetween(start, end));
    }
    examples->setCurrentIndex(0);
    emit examples->activated(0);
    table.add(
        QStringLiteral(
            "level-example change (the two recoloured curves and the crosshair redrawn in their columns)"),
        samples, QStringLiteral("ms"), QStringLiteral("≤ 16 ms; 4K ≤ 33 ms"), fullReplotRow);
}

void measureSoundSources(MainWindow &window, figures::Table &table, const Repetitions &repeat)
{
    press(window, "on_pushButton_20_clicked");
    auto *sources = window.findChild<QComboBox *>(QStringLiteral("comboBox_2"));
    std::vector<double> samples;
    for (int run = 0; run <= repeat.sources; ++run) {
        const int index = (run + 1) % sources->count();
        sources->setCurrentIndex(index);
        const auto start = Clock::now();
        emit sources->activated(index);
        const auto end = Clock::now();
        QCoreApplication::processEvents();
        if (run > 0)
            samples.push_back(millisecondsBetween(start, end));
    }
    table.add(QStringLiteral("sound-source change on the decibel chart"), samples, QStringLiteral("ms"),
              QStringLiteral("≤ 16 ms"), fullReplotRow);
}

// Between two tones of the sequence the chart takes back one highlight and shows the next:
// the only silence the audience hears.
void measureSequence(MainWindow &window, figures::Table &table, const Repetitions &repeat)
{
    press(window, "on_pushButton_clicked");
    press(window, "on_pushButton_5_clicked");
    std::vector<Clock::time_point> starts;
    std::vector<Clock::time_point> ends;
    const tones::Sink previous = tones::setSink([&](quint32, quint32) {
        starts.push_back(Clock::now());
        ends.push_back(Clock::now());
    });
    auto *start = window.findChild<QAbstractButton *>(QStringLiteral("pushButton_9"));
    std::vector<double> samples;
    for (int run = 0; run <= repeat.sequences; ++run) {
        starts.clear();
        ends.clear();
        start->click();
        QCoreApplication::processEvents();
        for (size_t tone = 1; run > 0 && tone < starts.size(); ++tone)
            samples.push_back(millisecondsBetween(ends[tone - 1], starts[tone]));
    }
    tones::setSink(previous);
    table.add(
        QStringLiteral("sequence: from one tone to the next (the points' layer redrawn in two squares)"),
        samples, QStringLiteral("ms"), QStringLiteral("≤ 16 ms; 4K ≤ 33 ms"), fullReplotRow);
}

// Two drags of the same length one after the other: caches and the allocator settle once,
// in the first, while a leak grows the same in both.
void measureRssGrowth(MainWindow &window, figures::Table &table, const Repetitions &repeat)
{
    press(window, "on_pushButton_2_clicked");
    ChartMouse mouse(window, window.findChild<QCustomPlot *>(QStringLiteral("widget")));
    mouse.drag(500);
    for (const char *which : {"first", "second"}) {
        // Freed memory handed back first, so that only what is still held counts.
        malloc_trim(0);
        const double before = statusKilobytes("VmRSS");
        mouse.drag(repeat.leakMoves);
        malloc_trim(0);
        const double growth = statusKilobytes("VmRSS") - before;
        table.add(QStringLiteral("resident memory growth over %1 drag events, %2 time")
                      .arg(repeat.leakMoves)
                      .arg(QLatin1String(which)),
                  std::vector<double>{growth}, QStringLiteral("kB"), QStringLiteral("no growth"));
    }
}

// ---- Memory of a whole lecture ----

// The child's part: every screen visited and used as in a lecture, then the peak resident size.
int runEveryScreen(int argc, char *argv[])
{
    QApplication application(argc, argv);
    MainWindow window;
    if (!showFullScreen(window))
        return 1;
    QTimer::singleShot(0, [&] {
        press(window, "on_pushButton_clicked"); // the hearing-safety warning
        press(window, "on_pushButton_5_clicked");
        auto *slider = window.findChild<QAbstractSlider *>(QStringLiteral("horizontalSlider"));
        slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
        window.findChild<QAbstractButton *>(QStringLiteral("pushButton_4"))->click(); // a real tone
        const tones::Sink previous = tones::setSink([](quint32, quint32) {});
        window.findChild<QAbstractButton *>(QStringLiteral("pushButton_9"))->click(); // the sequence, silent
        tones::setSink(previous);
        press(window, "on_pushButton_3_clicked");

        press(window, "on_pushButton_2_clicked");
        ChartMouse mouse(window, window.findChild<QCustomPlot *>(QStringLiteral("widget")));
        mouse.drag(300);
        auto *examples = window.findChild<QComboBox *>(QStringLiteral("comboBox"));
        for (int index = 0; index < examples->count(); ++index)
            emit examples->activated(index);
        press(window, "on_pushButton_10_clicked");

        for (const char *slot :
             {"on_pushButton_7_clicked", "on_pushButton_13_clicked", "on_pushButton_16_clicked",
              "on_pushButton_8_clicked", "on_pushButton_11_clicked", "on_pushButton_15_clicked",
              "on_pushButton_20_clicked"})
            press(window, slot);
        auto *sources = window.findChild<QComboBox *>(QStringLiteral("comboBox_2"));
        for (int index = 0; index < sources->count(); ++index)
            emit sources->activated(index);
        press(window, "on_pushButton_19_clicked");
        press(window, "on_pushButton_12_clicked"); // the exit button
    });
    const int result = application.exec();
    std::printf("%.0f\n", statusKilobytes("VmHWM"));
    return result;
}

void measurePeakMemory(figures::Table &table, const Repetitions &repeat)
{
    std::vector<double> samples;
    for (int run = 0; run < repeat.visits; ++run) {
        QProcess child;
        child.setProgram(QCoreApplication::applicationFilePath());
        child.setArguments({QString::fromLatin1(everyScreenMode)});
        child.setWorkingDirectory(QDir::currentPath());
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start();
        if (!child.waitForFinished(120000) || child.exitCode() != 0) {
            child.kill();
            child.waitForFinished();
            std::fprintf(stderr, "the run through every screen failed\n");
            continue;
        }
        samples.push_back(child.readAllStandardOutput().trimmed().toDouble() / 1024);
    }
    table.add(QStringLiteral("peak resident memory of a run visiting every screen"), samples,
              QStringLiteral("MB"), QStringLiteral("reported"));
}

// ---- The tone layer ----

// The moment ALSA first accepted samples of the tone being measured. The capture device
// writes them to its file before accepting them, so this is when the first sample of the
// tone has been written. Taken in the call itself: a helper thread watching the file would
// itself wait to be scheduled, which on two busy cores takes a tick of the scheduler.
Clock::time_point firstSampleWritten;

void noteFirstSampleWritten(snd_pcm_t *, snd_pcm_sframes_t)
{
    if (firstSampleWritten == Clock::time_point())
        firstSampleWritten = Clock::now();
}

void measureTones(figures::Table &table, const Repetitions &repeat, const QString &captureDirectory)
{
    // 16-bit mono samples after the 44-byte WAV header.
    constexpr qint64 wholeTone = 44 + 2 * qint64(tones::sampleRate) * 1500 / 1000;
    std::vector<double> firstSample;
    std::vector<double> total;
    for (int run = 0; run <= repeat.tones; ++run) {
        const QString path = captureDirectory + QStringLiteral("/tone-%1.wav").arg(run);
        qputenv("TAVELIN_TONE_CAPTURE", QFile::encodeName(path));
        firstSampleWritten = Clock::time_point();
        const auto start = Clock::now();
        playTone(1000, 1500);
        const auto end = Clock::now();
        if (QFileInfo(path).size() != wholeTone || firstSampleWritten == Clock::time_point()) {
            std::fprintf(stderr, "tone %d did not reach its capture file whole\n", run);
            continue;
        }
        if (run == 0) // the first tone reads ALSA's configuration
            continue;
        firstSample.push_back(millisecondsBetween(start, firstSampleWritten));
        total.push_back(millisecondsBetween(start, end));
    }
    table.add(QStringLiteral("`playTone(1000, 1500)`: call → first sample written"), firstSample,
              QStringLiteral("ms"), QStringLiteral("≤ 5 ms"));
    table.add(QStringLiteral("`playTone(1000, 1500)`: call → return"), total, QStringLiteral("ms"),
              QStringLiteral("1500–1520 ms"));
    // Counted over all of these tones; through a sound server a gap need not show here, as
    // when the server's cycle passes without this process's sound thread (pipewire_tones).
    const tones::Counters counts = tones::counters();
    table.add(QStringLiteral("underruns of these tones"), {double(counts.underruns)}, QString(),
              QStringLiteral("0"));
    table.add(QStringLiteral("recoveries (after an underrun or a suspend)"), {double(counts.recoveries)},
              QString(), QStringLiteral("0"));
}

// ---- The whole run ----

QString cpuModel()
{
    QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
    if (cpuinfo.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : cpuinfo.readAll().split('\n')) {
            if (line.startsWith("model name"))
                return QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
        }
    }
    return QStringLiteral("unknown CPU");
}

bool parse(QStringList arguments, Repetitions &repeat, bool *thisScreenOnly)
{
    QCommandLineParser parser;
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Lists these options.")});
    parser.addOption(
        {QString::fromLatin1(thisScreenOption), QStringLiteral("Rows of this screen only, as text.")});
    struct Count
    {
        const char *name;
        const char *what;
        int *value;
    };
    const Count counts[] = {
        {"samplings", "samplings of the twelve curves", &repeat.samplings},
        {"constructions", "constructions of the window", &repeat.constructions},
        {"launches", "process starts to a first frame", &repeat.launches},
        {"moves", "timed drag moves", &repeat.moves},
        {"examples", "level-example changes and full replots", &repeat.examples},
        {"sources", "sound-source changes", &repeat.sources},
        {"sequences", "runs of the eight-tone sequence", &repeat.sequences},
        {"visits", "runs through every screen", &repeat.visits},
        {"leak-moves", "drag events watched for memory growth", &repeat.leakMoves},
        {"tones", "tones of 1500 ms through ALSA", &repeat.tones},
    };
    for (const Count &count : counts)
        parser.addOption(
            {QString::fromLatin1(count.name),
             QStringLiteral("Number of %1 (default %2).").arg(QLatin1String(count.what)).arg(*count.value),
             QStringLiteral("n")});
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        return false;
    }
    // Qt's own help text needs the application object, which would already open the screen.
    if (parser.isSet(QStringLiteral("help"))) {
        std::printf("Usage: %s [options]\nTimes the demonstration and prints one table.\n\n",
                    qPrintable(arguments.first()));
        for (const Count &count : counts)
            std::printf("  --%-14s n  number of %s (default %d)\n", count.name, count.what, *count.value);
        std::printf(
            "\nWithout QT_QPA_PLATFORM it measures on a 1920 × 1080 screen and then, in a process of\n"
            "its own, on a 3840 × 2160 screen at 200 %%, whose rows stand below their twins.\n");
        std::exit(0);
    }
    *thisScreenOnly = parser.isSet(QString::fromLatin1(thisScreenOption));
    for (const Count &count : counts) {
        if (!parser.isSet(QString::fromLatin1(count.name)))
            continue;
        bool ok = false;
        *count.value = parser.value(QString::fromLatin1(count.name)).toInt(&ok);
        if (!ok || *count.value < 1) {
            std::fprintf(stderr, "--%s needs a positive number\n", count.name);
            return false;
        }
    }
    return true;
}

// Everything measured on the present screen: the start, the running window, its memory.
bool measureOnScreen(figures::Table &table, const Repetitions &repeat)
{
    measureFirstFrame(table, repeat);
    MainWindow window;
    if (!showFullScreen(window)) {
        std::fprintf(stderr, "the window did not come up full screen\n");
        return false;
    }
    table.section(QStringLiteral("The equal-loudness chart, full screen"));
    measureFullReplot(window, table, repeat);
    table.section(QStringLiteral("Equal-loudness drag: delivery of a move → handler's return"));
    measureDrag(window, table, repeat);
    table.section(QStringLiteral("Other actions: call → slot's return, chart repainted"));
    measureLevelExamples(window, table, repeat);
    measureSoundSources(window, table, repeat);
    measureSequence(window, table, repeat);
    table.section(QStringLiteral("Memory"));
    measureRssGrowth(window, table, repeat);
    measurePeakMemory(table, repeat);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    alsawrites::observe(noteFirstSampleWritten);
    standardHandler = qInstallMessageHandler(quietHandler);
    const bool ownScreen = qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (ownScreen)
        qputenv("QT_QPA_PLATFORM", "vnc:size=1920x1080:port=0"); // any free port: children run alongside
    // Never a real sound card, in this process or in the ones it starts.
    qputenv("ALSA_CONFIG_PATH", TAVELIN_CAPTURE_CONF);
    QTemporaryDir captures;
    qputenv("TAVELIN_TONE_CAPTURE", QFile::encodeName(captures.filePath(QStringLiteral("tone.wav"))));

    if (argc == 2 && qstrcmp(argv[1], firstFrameMode) == 0)
        return runFirstFrame(argc, argv);
    if (argc == 2 && qstrcmp(argv[1], everyScreenMode) == 0)
        return runEveryScreen(argc, argv);

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    Repetitions repeat;
    bool thisScreenOnly = false;
    if (!parse(arguments, repeat, &thisScreenOnly))
        return 2;

    // The program reads its pictures by bare name from its working directory.
    if (!QDir::setCurrent(QStringLiteral(TAVELIN_IMAGES_DIR))) {
        std::fprintf(stderr, "no images at %s\n", TAVELIN_IMAGES_DIR);
        return 1;
    }
    QApplication application(argc, argv);
    figures::Table table;
    if (thisScreenOnly) {
        if (!measureOnScreen(table, repeat))
            return 1;
        std::printf("%s", qPrintable(table.rowsAsText()));
        return 0;
    }
    const QSize screen = QGuiApplication::primaryScreen()->size();
    std::printf("Platform %s, screen %d × %d%s; %d cores, %s; Qt %s, QCustomPlot %s.\n\n",
                qPrintable(QGuiApplication::platformName()), screen.width(), screen.height(),
                ownScreen ? " and, in rows marked so, 3840 × 2160 at 200 %" : "",
                int(sysconf(_SC_NPROCESSORS_ONLN)), qPrintable(cpuModel()), qVersion(),
                QCUSTOMPLOT_VERSION_STR);
    std::fflush(stdout);
    table.section(QStringLiteral("Start-up"));
    measureCurveSampling(table, repeat);
    measureConstruction(table, repeat);
    if (!measureOnScreen(table, repeat))
        return 1;
    if (ownScreen) {
        // The same again on a 4K screen at 200 %, in a process of its own, since the screen
        // and its scale are chosen when the application starts.
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("vnc:size=3840x2160:port=0"));
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
        child.setProcessEnvironment(environment);
        child.setProgram(QCoreApplication::applicationFilePath());
        child.setArguments(QStringList(arguments.mid(1))
                           << QStringLiteral("--%1").arg(QLatin1String(thisScreenOption)));
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start();
        if (child.waitForFinished(-1) && child.exitCode() == 0)
            table.addBeside(QString::fromUtf8(child.readAllStandardOutput()), highDensityScreen);
        else
            std::fprintf(stderr, "the run on a 4K screen failed\n");
    }
    table.section(QStringLiteral("Tone layer through ALSA's capture route"));
    measureTones(table, repeat, captures.path());

    std::printf("%s", qPrintable(table.markdown()));
    return 0;
}
