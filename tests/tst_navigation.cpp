// Moving between the screens the way a lecturer does: clicking the captions on screen.

#include "app/mainwindow.h"
#include "support/screens.h"

#include <QMetaMethod>
#include <QTimer>
#include <QtTest>

class Navigation : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsOnTheTitleScreen();
    void clickingThroughTheScreens_data();
    void clickingThroughTheScreens();
    void slotsNoButtonReachesStillSelectTheirPages();
    void slotsKeepTheirMetaObjectOrder();
    void exitButtonEndsTheEventLoopWithZero();
    void closingTheWindowEndsTheEventLoop();

private:
    MainWindow *window = nullptr;
};

static const QString listening = QStringLiteral("Восприятие звука на различных частотах");

void Navigation::init()
{
    window = new MainWindow;
    QVERIFY(screens::showFullHd(window));
}

void Navigation::cleanup()
{
    delete window;
    window = nullptr;
}

void Navigation::startsOnTheTitleScreen()
{
    QCOMPARE(screens::currentPage(window, "stackedWidget"), QStringLiteral("page"));
    QCOMPARE(screens::currentPage(window, "stackedWidget_2"), QStringLiteral("page_4"));
    QVERIFY(screens::visibleButton(window, QStringLiteral("Выход")));
}

void Navigation::clickingThroughTheScreens_data()
{
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("innerPage");

    const QString menu = QStringLiteral("Меню");
    const QString definitions = QStringLiteral("Основные определения");
    const QString next = QStringLiteral("Далее");
    const QString understood = QStringLiteral("Я всё понял");

    QTest::newRow("definitions") << QStringList{definitions} << "page_6"
                                 << "";
    QTest::newRow("definitions, next") << QStringList{definitions, next} << "page_8"
                                       << "";
    QTest::newRow("definitions, next, back")
        << QStringList{definitions, next, QStringLiteral("Назад")} << "page_6"
        << "";
    QTest::newRow("definitions, menu") << QStringList{definitions, menu} << "page"
                                       << "";
    QTest::newRow("second definitions, menu") << QStringList{definitions, next, menu} << "page"
                                              << "";
    QTest::newRow("decibel scale") << QStringList{QStringLiteral("Шкала децибел")} << "page_9"
                                   << "";
    QTest::newRow("decibel scale, menu") << QStringList{QStringLiteral("Шкала децибел"), menu} << "page"
                                         << "";
    QTest::newRow("equal loudness") << QStringList{QStringLiteral("Кривые равной громкости")} << "page_3"
                                    << "";
    QTest::newRow("equal loudness, menu")
        << QStringList{QStringLiteral("Кривые равной громкости"), menu} << "page"
        << "";
    QTest::newRow("authors") << QStringList{QStringLiteral("Авторы")} << "page_7"
                             << "";
    QTest::newRow("authors, menu") << QStringList{QStringLiteral("Авторы"), menu} << "page"
                                   << "";
    QTest::newRow("listening opens on the warning") << QStringList{listening} << "page_2"
                                                    << "page_5";
    QTest::newRow("past the warning") << QStringList{listening, understood} << "page_2"
                                      << "page_4";
    QTest::newRow("listening, menu") << QStringList{listening, understood, menu} << "page"
                                     << "page_4";
    QTest::newRow("the warning again on every entry")
        << QStringList{listening, understood, menu, listening} << "page_2"
        << "page_5";
    QTest::newRow("menu on the warning does not pass it") << QStringList{listening, menu} << "page"
                                                          << "page_5";
    QTest::newRow("menu on the warning, then back in")
        << QStringList{listening, menu, listening, understood} << "page_2"
        << "page_4";
}

void Navigation::clickingThroughTheScreens()
{
    QFETCH(QStringList, captions);
    QFETCH(QString, page);
    QFETCH(QString, innerPage);

    for (const QString &caption : captions)
        QVERIFY2(screens::clickVisible(window, caption),
                 qPrintable("no single button on screen: " + caption));
    QCOMPARE(screens::currentPage(window, "stackedWidget"), page);
    if (!innerPage.isEmpty())
        QCOMPARE(screens::currentPage(window, "stackedWidget_2"), innerPage);
}

void Navigation::slotsNoButtonReachesStillSelectTheirPages()
{
    QVERIFY(!window->findChild<QObject *>("pushButton_18"));
    QVERIFY(!window->findChild<QObject *>("pushButton_14"));

    QVERIFY(QMetaObject::invokeMethod(window, "on_pushButton_18_clicked"));
    QCOMPARE(screens::currentPage(window, "stackedWidget"), QStringLiteral("page_3"));
    QVERIFY(QMetaObject::invokeMethod(window, "on_pushButton_14_clicked"));
    QCOMPARE(screens::currentPage(window, "stackedWidget"), QStringLiteral("page_9"));
}

// Whoever drives the window through its meta-object relies on this order.
void Navigation::slotsKeepTheirMetaObjectOrder()
{
    const QStringList expected = {
        "on_pushButton_clicked()",      "on_pushButton_2_clicked()",
        "on_pushButton_3_clicked()",    "on_pushButton_6_clicked()",
        "on_pushButton_5_clicked()",    "on_pushButton_4_clicked()",
        "slotMousePress(QMouseEvent*)", "slotMouseMove(QMouseEvent*)",
        "on_comboBox_activated(int)",   "on_horizontalSlider_actionTriggered(int)",
        "on_pushButton_7_clicked()",    "on_pushButton_8_clicked()",
        "on_pushButton_12_clicked()",   "on_pushButton_9_clicked()",
        "on_pushButton_11_clicked()",   "on_pushButton_10_clicked()",
        "on_pushButton_15_clicked()",   "on_pushButton_13_clicked()",
        "on_pushButton_16_clicked()",   "on_pushButton_17_clicked()",
        "on_pushButton_18_clicked()",   "on_pushButton_14_clicked()",
        "on_pushButton_19_clicked()",   "on_comboBox_2_activated(int)",
        "on_pushButton_20_clicked()",
    };
    const QMetaObject &meta = MainWindow::staticMetaObject;
    QStringList declared;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        QCOMPARE(method.access(), QMetaMethod::Private);
        declared << QString::fromLatin1(method.methodSignature());
    }
    QCOMPARE(declared, expected);
    QCOMPARE(QString::fromLatin1(meta.className()), QStringLiteral("MainWindow"));
}

void Navigation::exitButtonEndsTheEventLoopWithZero()
{
    bool clicked = false;
    QTimer::singleShot(0, window, [&] { clicked = screens::clickVisible(window, QStringLiteral("Выход")); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(clicked);
}

void Navigation::closingTheWindowEndsTheEventLoop()
{
    QTimer::singleShot(0, window, [&] { window->close(); });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(1); }); // a window that refuses to close
    QCOMPARE(QApplication::exec(), 0);
}

QTEST_MAIN(Navigation)
#include "tst_navigation.moc"
