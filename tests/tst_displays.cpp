// Every read-out shows its whole text on every lecture-hall display, from a 1024 × 768
// projector to a 4K screen, at the desktop scales a lecturer meets: 100, 125, 150 and 200 %.
// A scale is chosen when the application starts, so the test runs itself again once per scale,
// either as the desktop's font resolution (QT_FONT_DPI, what Xft.dpi is on X11) or as Qt's own
// scale factor (QT_SCALE_FACTOR). The program's own start-up decides how the window follows it.

#include "app/mainwindow.h"
#include "display/desktopscale.h"
#include "support/screens.h"
#include "tones/tone.h"

#include <QApplication>
#include <QComboBox>
#include <QImageReader>
#include <QLineEdit>
#include <QProcess>
#include <QSlider>
#include <QStyleOptionFrame>
#include <QtTest>

#include <qcustomplot.h>

#include <utility>

class Displays : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void atEveryScale_data();
    void atEveryScale();
    void readoutsFitTheirFields();
    void picturesMatchTheScreen();
};

namespace {

// What each run at one scale checks.
const char *const checksAtOneScale[] = {"readoutsFitTheirFields", "picturesMatchTheScreen"};

// What the field has room for: its rectangle less the frame and QLineEdit's own two pixels
// on either side of the text.
int roomForText(QLineEdit *field)
{
    QStyleOptionFrame frame;
    frame.initFrom(field);
    frame.lineWidth =
        field->hasFrame() ? field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, field) : 0;
    const QMargins margins = field->textMargins();
    const QRect contents = field->style()->subElementRect(QStyle::SE_LineEditContents, &frame, field);
    return contents.width() - margins.left() - margins.right() - 2 * 2;
}

// The read-outs, each on its page of the window.
const struct
{
    int page;
    int innerPage; // the listening screens' own stack; -1 where it does not apply
    const char *fields[4];
} readoutPages[] = {
    {2, -1, {"lineEdit_2", "lineEdit_5", "lineEdit_4", "lineEdit_3"}},  // equal loudness
    {6, -1, {"lineEdit_7", "lineEdit_9", "lineEdit_8", "lineEdit_10"}}, // decibel scale
    {1, 0, {"lineEdit", "lineEdit_6"}},                                 // slider, sequence
};

void showPage(QWidget *window, int page, int innerPage = -1)
{
    window->findChild<QStackedWidget *>("stackedWidget")->setCurrentIndex(page);
    if (innerPage >= 0)
        window->findChild<QStackedWidget *>("stackedWidget_2")->setCurrentIndex(innerPage);
    QApplication::processEvents();
}

} // namespace

void Displays::initTestCase()
{
    tones::setSink([](quint32, quint32) {});
}

void Displays::atEveryScale_data()
{
    QTest::addColumn<QByteArray>("variable");
    QTest::addColumn<QByteArray>("value");

    QTest::newRow("100 %") << QByteArray("QT_FONT_DPI") << QByteArray("96");
    QTest::newRow("Xft.dpi 120") << QByteArray("QT_FONT_DPI") << QByteArray("120");
    QTest::newRow("Xft.dpi 144") << QByteArray("QT_FONT_DPI") << QByteArray("144");
    QTest::newRow("Xft.dpi 192") << QByteArray("QT_FONT_DPI") << QByteArray("192");
    QTest::newRow("scale 1.25") << QByteArray("QT_SCALE_FACTOR") << QByteArray("1.25");
    QTest::newRow("scale 1.5") << QByteArray("QT_SCALE_FACTOR") << QByteArray("1.5");
    QTest::newRow("scale 2") << QByteArray("QT_SCALE_FACTOR") << QByteArray("2");
}

void Displays::atEveryScale()
{
    QFETCH(QByteArray, variable);
    QFETCH(QByteArray, value);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_FONT_DPI"));
    environment.remove(QStringLiteral("QT_SCALE_FACTOR"));
    environment.insert(QString::fromLatin1(variable), QString::fromLatin1(value));
    QProcess atScale;
    atScale.setProcessEnvironment(environment);
    atScale.setProcessChannelMode(QProcess::MergedChannels);
    QStringList arguments;
    for (const char *check : checksAtOneScale)
        arguments << QLatin1String(check);
    atScale.start(QCoreApplication::applicationFilePath(), arguments);
    QVERIFY(atScale.waitForFinished(120000));
    const bool passed = atScale.exitStatus() == QProcess::NormalExit && atScale.exitCode() == 0;
    if (!passed)
        qInfo().noquote() << atScale.readAll();
    QVERIFY(passed);
}

// At the scale this process started with, the window fills each screen as the program's
// full-screen window does, and each read-out has room for every text the lecture brings into it.
void Displays::readoutsFitTheirFields()
{
    screens::expectUnboundSlotWarnings();
    MainWindow window;
    const qreal scale = qApp->devicePixelRatio();
    window.resize((QSizeF(1920, 1080) / scale).toSize().expandedTo(window.minimumSize()));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QHash<QString, QStringList> texts;
    const auto note = [&](const char *name) {
        texts[QLatin1String(name)] << window.findChild<QLineEdit *>(QLatin1String(name))->text();
    };
    // The equal-loudness read-outs where the chart starts, and at both ends of the quietest and
    // the loudest curve: the lowest and highest levels, the longest exponents.
    showPage(&window, 2);
    auto *chart = window.findChild<QCustomPlot *>("widget");
    auto *curves = window.findChild<QComboBox *>("comboBox");
    for (const char *name : readoutPages[0].fields)
        note(name);
    for (int curve : {0, curves->count() - 1}) {
        curves->setCurrentIndex(curve);
        emit curves->activated(curve);
        for (int x : {1, chart->width() - 2}) {
            QTest::mouseClick(chart, Qt::LeftButton, {}, QPoint(x, chart->height() / 2));
            for (const char *name : readoutPages[0].fields)
                note(name);
        }
    }
    // The decibel read-outs with every source.
    auto *sources = window.findChild<QComboBox *>("comboBox_2");
    for (int source = 0; source < sources->count(); ++source) {
        emit sources->activated(source);
        for (const char *name : readoutPages[1].fields)
            note(name);
    }
    // The slider's read-out at both ends, and the sequence's read-out at each of its tones.
    showPage(&window, 1, 0);
    auto *slider = window.findChild<QSlider *>("horizontalSlider");
    for (auto end : {QAbstractSlider::SliderToMinimum, QAbstractSlider::SliderToMaximum}) {
        slider->triggerAction(end);
        note("lineEdit");
    }
    tones::setSink([&](quint32, quint32) { note("lineEdit_6"); });
    QVERIFY(screens::clickVisible(&window, QStringLiteral("Старт")));
    tones::setSink([](quint32, quint32) {});

    QStringList faults;
    for (QSize screen : {QSize(1024, 768), QSize(1920, 1080), QSize(3840, 2160)}) {
        const QSize logicalScreen = (QSizeF(screen) / scale).toSize();
        // A 1024 x 768 projector above 100 %, or full HD at 200 %, holds less than the window's
        // least size, which scales too: no layout shows every screen whole there.
        if (!QRect(QPoint(), logicalScreen).contains(QRect(QPoint(), window.minimumSize()))) {
            qInfo("%d x %d at scale %g: smaller than the window can be", screen.width(), screen.height(),
                  scale);
            continue;
        }
        window.resize(logicalScreen);
        for (const auto &readouts : readoutPages) {
            showPage(&window, readouts.page, readouts.innerPage);
            for (const char *name : readouts.fields) {
                if (!name)
                    continue;
                auto *field = window.findChild<QLineEdit *>(QLatin1String(name));
                const QString where =
                    QStringLiteral("%1 x %2, %3").arg(screen.width()).arg(screen.height()).arg(name);
                for (const QString &text : texts.value(QLatin1String(name))) {
                    const int needs = QFontMetrics(field->font()).horizontalAdvance(text);
                    if (needs > roomForText(field))
                        faults << QStringLiteral("%1: \"%2\" needs %3 px, has %4")
                                      .arg(where, text)
                                      .arg(needs)
                                      .arg(roomForText(field));
                }
                const QRect onWindow(field->mapTo(&window, QPoint(0, 0)), field->size());
                if (!field->isVisible() || !QRect(QPoint(), logicalScreen).contains(onWindow))
                    faults << where + QStringLiteral(": off the screen");
            }
        }
    }
    faults.removeDuplicates();
    for (const QString &fault : std::as_const(faults))
        qWarning().noquote() << fault;
    QVERIFY2(faults.isEmpty(), qPrintable(QStringLiteral("at scale %1").arg(scale)));
}

// Above 100 % each picture comes from its variant with twice the pixels, brought to the screen's
// own pixels, and still takes the room of the bare picture on the screen.
void Displays::picturesMatchTheScreen()
{
    const QDir images(QStringLiteral(TAVELIN_IMAGES_DIR));
    QVERIFY(QDir::setCurrent(images.path()));
    screens::expectUnboundSlotWarnings();
    MainWindow window;
    const qreal scale = qApp->devicePixelRatio();
    const QPair<const char *, const char *> pictures[] = {
        {"label_23", "kelmar.png"}, {"label_26", "dorvin.png"}, {"label_11", "I.png"},
        {"label_15", "L.png"},      {"label_39", "P.png"},      {"label_19", "Lh.png"},
        {"label_66", "trisa.jpg"},  {"label_67", "belkor.jpg"},
    };
    for (const auto &shown : pictures) {
        const QPixmap picture = window.findChild<QLabel *>(shown.first)->pixmap(Qt::ReturnByValue);
        QCOMPARE(picture.devicePixelRatio(), scale > 1 ? scale : 1.0);
        const QSize bare = QImageReader(images.filePath(shown.second)).size();
        QVERIFY2(qAbs(picture.width() / scale - bare.width()) < 1 &&
                     qAbs(picture.height() / scale - bare.height()) < 1,
                 shown.second);
    }
}

int main(int argc, char *argv[])
{
    followDesktopScale();
    QApplication application(argc, argv);
    Displays test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_displays.moc"
