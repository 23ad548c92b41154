// What each screen shows: its texts exactly as the lecture needs them, the two lists of
// choices in their order, the images, and a window that holds together without them.

#include "app/mainwindow.h"
#include "support/screens.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>
#include <qcustomplot.h>

class Screens : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void labelsShowTheirTexts_data();
    void labelsShowTheirTexts();
    void buttonsShowTheirCaptions_data();
    void buttonsShowTheirCaptions();
    void textRunsKeepTheirFormat_data();
    void textRunsKeepTheirFormat();
    void comboBoxesListTheirEntriesInOrder();
    void windowChrome();
    void imagesComeFromTheWorkingDirectory();
    void everyScreenBuildsWithoutImages();
    void cannotShrinkBelowMinimumSize();
    void numbersReadTheSameInEveryLanguage_data();
    void numbersReadTheSameInEveryLanguage();

private:
    QString startDirectory;
};

static const char *const imageLabels[] = {"label_23", "label_62", "label_26", "label_60", "label_11",
                                          "label_15", "label_39", "label_19", "label_66", "label_67"};

void Screens::initTestCase()
{
    startDirectory = QDir::currentPath();
}

void Screens::cleanupTestCase()
{
    QDir::setCurrent(startDirectory);
}

void Screens::labelsShowTheirTexts_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");

    const QString institution = QStringLiteral("Кельмарский государственный\nтехнический университет\n"
                                               "Компьютерные демонстрации по курсу лекций\nОРНАВИЯ");
    const QString faculty = QStringLiteral("Физико-технический факультет");
    const QString department = QStringLiteral("Кафедра общей и прикладной физики");
    const QString title = QStringLiteral("Тавелин");
    const QString definitions = QStringLiteral("Основные определения");

    // Title screen and its twin, the authors screen.
    QTest::newRow("label_22") << "label_22" << institution;
    QTest::newRow("label_59") << "label_59" << institution;
    QTest::newRow("label_27") << "label_27" << faculty;
    QTest::newRow("label_63") << "label_63" << faculty;
    QTest::newRow("label_28") << "label_28" << department;
    QTest::newRow("label_61") << "label_61" << department;
    QTest::newRow("label_24") << "label_24" << title;
    QTest::newRow("label_64") << "label_64" << title;
    QTest::newRow("label_25") << "label_25" << QStringLiteral("2016 г.");
    QTest::newRow("label_68") << "label_68" << QStringLiteral("Мирена Трисова");
    QTest::newRow("label_69") << "label_69" << QStringLiteral("Всеволод Белкоров");
    QTest::newRow("label_65") << "label_65"
                              << QStringLiteral("Лекторы: проф. Е. А. Ордынцева, \nдоц. В. Н. Лазовский");

    // Listening screens; two texts end in a blank that must survive.
    QTest::newRow("label_9") << "label_9" << QStringLiteral("Восприятие звука на различных частотах ");
    QTest::newRow("label_5") << "label_5" << QStringLiteral("Проверьте, что ваши колонки включены!");
    QTest::newRow("label_2") << "label_2"
                             << QStringLiteral("ВНИМАНИЕ!!!\nВо избежание нарушения слуха \n"
                                               "НЕ ПОЛЬЗУЙТЕСЬ НАУШНИКАМИ!");
    QTest::newRow("label_37") << "label_37"
                              << QStringLiteral("Предлагаем послушать звук различных частот при "
                                                "фиксированной интенсивности.");
    QTest::newRow("label") << "label"
                           << QStringLiteral("Восприятие звука на произвольной частоте\nПереместите ползунок "
                                             "на нужную частоту и нажмите кнопку \"воспроизвести\".");
    QTest::newRow("label_35") << "label_35" << QStringLiteral("Восприятие звука на фиксированных частотах");
    QTest::newRow("label_10") << "label_10"
                              << QStringLiteral("При нажатие кнопки \"старт\" в точках, лежащих на одной "
                                                "кривой, звук будет приблизительно одинаково громким.");

    // Equal-loudness curves.
    QTest::newRow("label_8") << "label_8" << QStringLiteral("Кривые равной громкости");
    QTest::newRow("label_38") << "label_38" << QStringLiteral("Изменение частоты - мышкой.");
    QTest::newRow("label_29") << "label_29" << QStringLiteral("порог слышимости");
    QTest::newRow("label_4") << "label_4"
                             << QStringLiteral("На графике изображено семейство кривых равной громкости, "
                                               "называемых также изофонами. ");

    // The two definitions screens.
    QTest::newRow("label_7") << "label_7" << definitions;
    QTest::newRow("label_3") << "label_3" << definitions;
    QTest::newRow("label_6") << "label_6"
                             << QStringLiteral("Интенсивность звука — скалярная физическая величина, равная "
                                               "отношению падающей на поверхность звуковой мощности P к "
                                               "площади этой поверхности S.");
    QTest::newRow("label_12") << "label_12"
                              << QStringLiteral(
                                     "; единица измерения в СИ — ватт на квадратный метр (Вт/м2).");
    QTest::newRow("label_14") << "label_14"
                              << QStringLiteral(
                                     "Сила звука (измеряется в децибелах, дБ) — логарифм отношения "
                                     "интенсивности звука к стандартному порогу слышимости, "
                                     "заданному на частоте f = 1 кГц.");
    QTest::newRow("label_16") << "label_16"
                              << QStringLiteral(", где I — интенсивность звука, I0 — стандартный порог "
                                                "слышимости.");
    QTest::newRow("label_17") << "label_17" << QStringLiteral("Порог слышимости I0 = 10-12 Вт/м2.");
    QTest::newRow("label_18") << "label_18"
                              << QStringLiteral("Звуковое давление — переменное давление, возникающее в "
                                                "упругой среде при прохождении через неё звуковой волны. "
                                                "Единица измерения — паскаль (Па).");
    QTest::newRow("label_13") << "label_13" << QStringLiteral("Связь давления с интенсивностью звука:");
    QTest::newRow("label_40") << "label_40"
                              << QStringLiteral(", где I —\u00a0интенсивность звука; <p2>t — усредненное "
                                                "по времени звуковое давление; Z— удельное акустическое "
                                                "сопротивление среды.");
    QTest::newRow("label_21") << "label_21"
                              << QStringLiteral("Громкость звука характеризует субъективное восприятие силы "
                                                "звука. Громкость главным образом зависит от звукового "
                                                "давления и частоты звуковых колебаний. На громкость звука "
                                                "также влияют его спектральный состав, локализация в "
                                                "пространстве, тембр, длительность воздействия звуковых "
                                                "колебаний и другие факторы.");
    QTest::newRow("label_20") << "label_20"
                              << QStringLiteral("Уровень громкости звука Lh (измеряется в фонах) — "
                                                "относительная величина. \nУровень громкости выражается "
                                                "формулой:");
    QTest::newRow("label_30") << "label_30"
                              << QStringLiteral("Обозначения в формуле:\npf — звуковое давление, которое "
                                                "отвечает звуковому тону с частотой 1 кГц, воспринимаемому "
                                                "как звук с громкостью, равной громкости имеряемого звука;\n"
                                                "p0 — стандартное пороговое звуковое давление, равное 20 "
                                                "мкПа.\nНесложно заметить, что на частоте f = 1 кГц уровень "
                                                "громкости Lh совпадает с силой звука L.");
    QTest::newRow("label_33") << "label_33"
                              << QStringLiteral(
                                     "Наглядно зависимость уровня громкости от частоты и силы звука "
                                     "показывают кривые равной громкости. С помощью таких кривых "
                                     "мы можем узнать, при какой частоте и интенсивности мы "
                                     "воспринимаем звук одинаково громким.");

    // Decibel scale.
    QTest::newRow("label_34") << "label_34" << QStringLiteral("Шкала децибел");
    QTest::newRow("label_36") << "label_36" << QStringLiteral("Источник звука:");

    for (const char *image : imageLabels)
        QTest::newRow(image) << image << QString();
}

void Screens::labelsShowTheirTexts()
{
    QFETCH(QString, label);
    QFETCH(QString, text);

    MainWindow window;
    auto *shown = window.findChild<QLabel *>(label);
    QVERIFY(shown);
    QCOMPARE(screens::shownText(shown), text);
}

void Screens::buttonsShowTheirCaptions_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("caption");

    const QString menu = QStringLiteral("Меню");
    QTest::newRow("pushButton_7") << "pushButton_7" << QStringLiteral("Основные определения");
    QTest::newRow("pushButton_20") << "pushButton_20" << QStringLiteral("Шкала децибел");
    QTest::newRow("pushButton_2") << "pushButton_2" << QStringLiteral("Кривые равной громкости");
    QTest::newRow("pushButton") << "pushButton" << QStringLiteral("Восприятие звука на различных частотах");
    QTest::newRow("pushButton_11") << "pushButton_11" << QStringLiteral("Авторы");
    QTest::newRow("pushButton_12") << "pushButton_12" << QStringLiteral("Выход");
    QTest::newRow("pushButton_5") << "pushButton_5" << QStringLiteral("Я всё понял");
    QTest::newRow("pushButton_4") << "pushButton_4" << QStringLiteral("Воспроизвести");
    QTest::newRow("pushButton_9") << "pushButton_9" << QStringLiteral("Старт");
    QTest::newRow("pushButton_13") << "pushButton_13" << QStringLiteral("Далее");
    QTest::newRow("pushButton_16") << "pushButton_16" << QStringLiteral("Назад");
    for (const char *name : {"pushButton_15", "pushButton_3", "pushButton_6", "pushButton_8", "pushButton_17",
                             "pushButton_10", "pushButton_19"})
        QTest::newRow(name) << name << menu;
}

void Screens::buttonsShowTheirCaptions()
{
    QFETCH(QString, button);
    QFETCH(QString, caption);

    MainWindow window;
    auto *shown = window.findChild<QAbstractButton *>(button);
    QVERIFY(shown);
    QCOMPARE(shown->text(), caption);
}

void Screens::textRunsKeepTheirFormat_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("run");
    QTest::addColumn<QString>("look");

    QTest::newRow("warning is red") << "label_2" << QStringLiteral("ВНИМАНИЕ!!!") << "red 20pt";
    QTest::newRow("no headphones is red") << "label_2" << QStringLiteral("НАУШНИКАМИ") << "red 20pt";
    QTest::newRow("program title is bold") << "label_24" << QStringLiteral("Тавелин") << "bold 16pt";
    QTest::newRow("definition term is bold") << "label_6" << QStringLiteral("Интенсивность звука") << "bold";
    QTest::newRow("isophones in italics") << "label_4" << QStringLiteral("изофонами") << "italic";
    QTest::newRow("square metre") << "label_12" << QStringLiteral("2") << "superscript";
    QTest::newRow("threshold exponent") << "label_17" << QStringLiteral("-12") << "superscript";
    QTest::newRow("threshold index") << "label_17" << QStringLiteral("0") << "subscript";
    QTest::newRow("pressure squared") << "label_40" << QStringLiteral("2") << "superscript";
    QTest::newRow("loudness level index") << "label_20" << QStringLiteral("h") << "subscript";
    QTest::newRow("equal-loudness lead-in")
        << "label_33" << QStringLiteral("кривые равной громкости") << "bold";
}

void Screens::textRunsKeepTheirFormat()
{
    QFETCH(QString, label);
    QFETCH(QString, run);
    QFETCH(QString, look);

    MainWindow window;
    auto *shown = window.findChild<QLabel *>(label);
    QVERIFY(shown);
    QTextCharFormat format;
    QVERIFY2(screens::formatOf(shown, run, &format), qPrintable("no run with " + run));
    if (look.contains("red"))
        QCOMPARE(format.foreground().color(), QColor(0xff, 0, 0));
    if (look.contains("20pt"))
        QCOMPARE(format.fontPointSize(), 20.0);
    if (look.contains("16pt"))
        QCOMPARE(format.fontPointSize(), 16.0);
    if (look.contains("bold"))
        QVERIFY(format.fontWeight() > QFont::Normal);
    if (look.contains("italic"))
        QVERIFY(format.fontItalic());
    if (look.contains("superscript"))
        QCOMPARE(format.verticalAlignment(), QTextCharFormat::AlignSuperScript);
    if (look.contains("subscript"))
        QCOMPARE(format.verticalAlignment(), QTextCharFormat::AlignSubScript);
}

// The slots receive the index of the chosen entry, so the order is what they read.
void Screens::comboBoxesListTheirEntriesInOrder()
{
    MainWindow window;
    auto entries = [&](const char *name) {
        QStringList list;
        auto *box = window.findChild<QComboBox *>(name);
        for (int i = 0; box && i < box->count(); ++i)
            list << box->itemText(i);
        return list;
    };
    QCOMPARE(entries("comboBox"),
             QStringList({"0 фон", "20 фон", "40 фон", "60 фон", "80 фон", "100 фон", "120 фон"}));
    QCOMPARE(entries("comboBox_2"), QStringList({"порог слышимости",
                                                 "шелест листьев",
                                                 "шёпот",
                                                 "тиканье часов",
                                                 "обычная речь",
                                                 "тихая улица",
                                                 "громкий разговор",
                                                 "шумная улица",
                                                 "крик",
                                                 "пневматический молоток",
                                                 "метро",
                                                 "вертолет",
                                                 "болевой порог",
                                                 "сирена",
                                                 "макс.громкость на рок-концерте",
                                                 "старт ракеты",
                                                 "выстрел из ружья близко от уха",
                                                 "светошумовая граната",
                                                 "смертельная интенсивность",
                                                 "шумовое оружие"}));
    QCOMPARE(window.findChild<QComboBox *>("comboBox")->currentIndex(), 0);
    QCOMPARE(window.findChild<QComboBox *>("comboBox_2")->currentIndex(), 0);
}

void Screens::windowChrome()
{
    MainWindow window;
    QCOMPARE(window.windowTitle(), QStringLiteral("MainWindow"));
    const auto menus = window.menuBar()->actions();
    QCOMPARE(menus.size(), 1);
    QVERIFY(menus.first()->text().isEmpty());
    auto *toolBar = window.findChild<QToolBar *>("mainToolBar");
    QVERIFY(toolBar);
    QVERIFY(toolBar->actions().isEmpty());
    QCOMPARE(window.toolBarArea(toolBar), Qt::TopToolBarArea);
    QVERIFY(window.statusBar()->currentMessage().isEmpty());
}

void Screens::imagesComeFromTheWorkingDirectory()
{
    QVERIFY(QDir::setCurrent(QStringLiteral(TAVELIN_IMAGES_DIR)));
    MainWindow window;
    for (const char *name : imageLabels) {
        auto *label = window.findChild<QLabel *>(name);
        QVERIFY(label);
        QVERIFY2(!label->pixmap(Qt::ReturnByValue).isNull(), name);
    }
}

void Screens::everyScreenBuildsWithoutImages()
{
    QTemporaryDir empty;
    QVERIFY(QDir::setCurrent(empty.path()));
    MainWindow window;
    QVERIFY(screens::showFullHd(&window));

    for (const char *name : imageLabels) {
        auto *label = window.findChild<QLabel *>(name);
        QVERIFY(label);
        QVERIFY2(label->pixmap(Qt::ReturnByValue).isNull(), name);
    }
    // Every screen still comes up with its texts.
    auto *pages = window.findChild<QStackedWidget *>("stackedWidget");
    QCOMPARE(pages->count(), 7);
    QCOMPARE(window.findChild<QStackedWidget *>("stackedWidget_2")->count(), 2);
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        QVERIFY(!pages->currentWidget()->grab().isNull());
    }
    QCOMPARE(screens::shownText(window.findChild<QLabel *>("label_24")), QStringLiteral("Тавелин"));
}

void Screens::cannotShrinkBelowMinimumSize()
{
    MainWindow window;
    window.show();
    window.resize(300, 300);
    QCOMPARE(window.minimumSize(), QSize(500, 700));
    QVERIFY(window.width() >= 500);
    QVERIFY(window.height() >= 700);
}

// Every number the window shows at its start, under the given desktop language: every read-out,
// and every tick label of every chart. An axis of powers of ten must write "1e-12", whose
// lower-case 'e' the chart raises into 10⁻¹²: an upper-case E would stand on the axis as it is.
static QStringList numbersUnder(const QLocale &language)
{
    QLocale::setDefault(language);
    screens::expectUnboundSlotWarnings();
    MainWindow window;
    screens::showFullHd(&window);
    QStringList labels;
    const auto readouts = window.findChildren<QLineEdit *>();
    for (const QLineEdit *readout : readouts)
        labels << readout->objectName() + QStringLiteral(": ") + readout->text();
    const auto charts = window.findChildren<QCustomPlot *>();
    for (QCustomPlot *chart : charts) {
        chart->replot();
        const auto axes = chart->axisRect()->axes();
        for (QCPAxis *axis : axes) {
            const QString where = chart->objectName() + QLatin1Char(' ') + axis->label();
            const auto ticks = axis->tickVectorLabels(); // a QVector in Qt 5, a QList in Qt 6
            const QStringList tickLabels(ticks.begin(), ticks.end());
            if (axis->numberFormat() == QLatin1String("eb")) {
                for (const QString &label : tickLabels) {
                    if (!label.startsWith(QLatin1String("1e")))
                        labels << where + QStringLiteral(": not a power of ten: ") + label;
                }
            }
            labels << where + QStringLiteral(": ") + tickLabels.join(QLatin1Char(' '));
        }
    }
    QLocale::setDefault(QLocale::c());
    return labels;
}

void Screens::numbersReadTheSameInEveryLanguage_data()
{
    QTest::addColumn<QLocale>("language");
    QTest::newRow("C") << QLocale::c();
    QTest::newRow("ru_RU") << QLocale(QLocale::Russian, QLocale::Russia);
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany);
    QTest::newRow("ar_EG") << QLocale(QLocale::Arabic, QLocale::Egypt);
}

void Screens::numbersReadTheSameInEveryLanguage()
{
    QFETCH(QLocale, language);
    const QStringList inC = numbersUnder(QLocale::c());
    QVERIFY(inC.filter(QStringLiteral("not a power of ten")).isEmpty());
    const QStringList there = numbersUnder(language);
    QCOMPARE(there.filter(QStringLiteral("not a power of ten")), QStringList());
    QCOMPARE(there, inC);
}

QTEST_MAIN(Screens)
#include "tst_screens.moc"
