// SPDX-License-Identifier: MIT
// The About window: its version line, its place in the main window, and its two links.

#include "platform/readable_colour.h"
#include "shell/about_window.h"
#include "shell/about_window_link.h"
#include "shell/about_window_maker.h"
#include "shell/about_window_rules.h"
#include "shell/main_window.h"
#include "support/main_window_bench.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace zr;
using namespace zr::test;

class TestAboutWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void versionLine_data();
    void versionLine();
    void position_data();
    void position();
    void opensCentredAboveTheMiddle_data();
    void opensCentredAboveTheMiddle();
    void fixedBorderAndTexts();
    void opensWithTheFocusOnOk();
    void linksOpenTheirPagesAndTurnPurple();
    void linksStayReadableOnAnyBackground_data();
    void linksStayReadableOnAnyBackground();
    void newWindowShowsBlueLinksAgain();

private:
    AboutWindow* openAbout();
    QMdiSubWindow* frameOf(QWidget* w) { return qobject_cast<QMdiSubWindow*>(w->parentWidget()); }
    LinkLabel* link(const char* name) { return main->aboutWindow()->findChild<LinkLabel*>(name); }

    std::unique_ptr<MainWindowBench> bench;
    MainWindow* main = nullptr;
};

void TestAboutWindow::init()
{
    bench = std::make_unique<MainWindowBench>();
    main = bench->main.get();
    main->resize(1000, 720);
}

void TestAboutWindow::cleanup()
{
    main = nullptr;
    bench.reset();
}

AboutWindow* TestAboutWindow::openAbout()
{
    main->findChild<QAction*>("mAbout")->trigger();
    return main->aboutWindow();
}

void TestAboutWindow::versionLine_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("revision");
    QTest::addColumn<QString>("line");
    QTest::newRow("this program") << 1 << 0 << 2 << "ZR410A/B Evaluation Software Version 1.0.2";
    QTest::newRow("several digits")
        << 12 << 34 << 567 << "ZR410A/B Evaluation Software Version 12.34.567";
}

void TestAboutWindow::versionLine()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, revision);
    QFETCH(QString, line);
    QCOMPARE(zr::versionLine(major, minor, revision), line);
}

void TestAboutWindow::position_data()
{
    QTest::addColumn<QSize>("mainWindow");
    QTest::addColumn<QSize>("about");
    QTest::addColumn<double>("dpi");
    QTest::addColumn<QPoint>("topLeft");

    QTest::newRow("roomy") << QSize(1000, 700) << QSize(400, 200) << 96.0 << QPoint(300, 150);
    QTest::newRow("1500 twips at 192 dpi")
        << QSize(1000, 700) << QSize(400, 200) << 192.0 << QPoint(300, 50);
    QTest::newRow("short main window: negative top")
        << QSize(800, 300) << QSize(400, 250) << 96.0 << QPoint(200, -75);
    QTest::newRow("narrow main window: negative left")
        << QSize(300, 700) << QSize(400, 200) << 96.0 << QPoint(-50, 150);
    QTest::newRow("odd sizes") << QSize(1001, 700) << QSize(400, 201) << 96.0 << QPoint(300, 149);
}

void TestAboutWindow::position()
{
    QFETCH(QSize, mainWindow);
    QFETCH(QSize, about);
    QFETCH(double, dpi);
    QFETCH(QPoint, topLeft);
    QCOMPARE(aboutWindowPosition(mainWindow, about, dpi), topLeft);
}

void TestAboutWindow::opensCentredAboveTheMiddle_data()
{
    QTest::addColumn<QSize>("mainSize");
    QTest::newRow("roomy") << QSize(1000, 720);
    QTest::newRow("too short, opens above the client area") << QSize(420, 260);
}

void TestAboutWindow::opensCentredAboveTheMiddle()
{
    QFETCH(QSize, mainSize);
    main->resize(mainSize);
    QCoreApplication::processEvents();
    AboutWindow* about = openAbout();
    QVERIFY(about);
    QMdiSubWindow* frame = frameOf(about);
    // From the outer sizes of both windows, not from the client area's size.
    const QPoint expected = aboutWindowPosition(main->frameGeometry().size(), frame->size(),
                                                frame->screen()->logicalDotsPerInchY());
    QCOMPARE(frame->pos(), expected);
    if (mainSize.height() < 300)
        QVERIFY(frame->y() < 0); // kept, not corrected
}

void TestAboutWindow::fixedBorderAndTexts()
{
    AboutWindow* about = openAbout();
    QMdiSubWindow* frame = frameOf(about);
    QCOMPARE(frame->windowTitle(), "About the  ZR410A/B Software");
    QVERIFY(
        !(frame->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(frame->minimumSize(), frame->maximumSize());

    auto text = [&](const char* name) { return about->findChild<QLabel*>(name)->text(); };
    QCOMPARE(text("Label1"), "ZR410A/B Evaluation Software Version 1.0.2");
    QCOMPARE(text("Label4"), "For information on Systems Management devices click");
    QCOMPARE(text("lblSensorInfo"), "here");
    QCOMPARE(text("Label5"), "Visit the QLN website at");
    QCOMPARE(text("Label6"), maker::kHomePageShown);
    QVERIFY(about->findChild<QLabel*>("Label1")->font().bold());

    about->findChild<QPushButton*>("cmdOK")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!main->aboutWindow());
}

void TestAboutWindow::opensWithTheFocusOnOk()
{
    // Enter right after opening closes the window; it opens no web page.
    QApplication::setActiveWindow(main);
    AboutWindow* about = openAbout();
    QTRY_COMPARE(QApplication::focusWidget(), about->findChild<QPushButton*>("cmdOK"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(!main->aboutWindow());
    QVERIFY(bench->urls.opened.isEmpty());
}

void TestAboutWindow::linksOpenTheirPagesAndTurnPurple()
{
    openAbout();
    QCOMPARE(link("lblSensorInfo")->textColor(), QColor(0, 0, 192));
    QCOMPARE(link("Label6")->textColor(), QColor(0, 0, 192));

    QTest::mouseClick(link("lblSensorInfo"), Qt::LeftButton);
    QCOMPARE(bench->urls.opened, QStringList{maker::kSensorInfoPage});
    QCOMPARE(link("lblSensorInfo")->textColor(), QColor(128, 0, 128));
    QCOMPARE(link("Label6")->textColor(), QColor(0, 0, 192));

    QTest::mouseClick(link("lblSensorInfo"), Qt::LeftButton);
    QCOMPARE(bench->urls.opened.size(), 2); // each click opens the page again
    QCOMPARE(link("lblSensorInfo")->textColor(), QColor(128, 0, 128));

    link("Label6")->setFocus();
    QTest::keyClick(link("Label6"), Qt::Key_Space);
    QCOMPARE(bench->urls.opened.last(), maker::kHomePage);
    QCOMPARE(link("Label6")->textColor(), QColor(128, 0, 128));

    // A screen reader sees a link it can press.
    QAccessibleInterface* sensorInfo = QAccessible::queryAccessibleInterface(link("lblSensorInfo"));
    QCOMPARE(sensorInfo->role(), QAccessible::Link);
    QCOMPARE(sensorInfo->text(QAccessible::Name), "here");
    sensorInfo->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(bench->urls.opened.last(), maker::kSensorInfoPage);

    openAbout(); // already open: brought to the front, colours kept
    QCOMPARE(link("Label6")->textColor(), QColor(128, 0, 128));
}

void TestAboutWindow::linksStayReadableOnAnyBackground_data()
{
    QTest::addColumn<QColor>("background");
    QTest::addColumn<bool>("visited");
    QTest::newRow("light, blue") << QColor(240, 240, 240) << false;
    QTest::newRow("light, purple") << QColor(240, 240, 240) << true;
    QTest::newRow("dark, blue") << QColor(53, 53, 53) << false;
    QTest::newRow("dark, purple") << QColor(53, 53, 53) << true;
    QTest::newRow("black, blue") << QColor(0, 0, 0) << false;
}

void TestAboutWindow::linksStayReadableOnAnyBackground()
{
    QFETCH(QColor, background);
    QFETCH(bool, visited);
    const QPalette original = QApplication::palette();
    QPalette themed = original;
    themed.setColor(QPalette::Window, background);
    QApplication::setPalette(themed);
    QApplication::processEvents(); // the open main window takes the palette
    openAbout();
    if (visited)
        QTest::mouseClick(link("Label6"), Qt::LeftButton);
    const QColor shown = link("Label6")->textColor();
    QApplication::setPalette(original);

    const QColor given = visited ? QColor(128, 0, 128) : QColor(0, 0, 192);
    QVERIFY2(contrastRatio(shown, background) >= 3.0, qPrintable(shown.name()));
    if (contrastRatio(given, background) >= 3.0)
        QCOMPARE(shown, given); // the light palette keeps the colours as they are
    else
        QVERIFY(std::abs(shown.hsvHue() - given.hsvHue()) <= 2); // the same hue, lightened
}

void TestAboutWindow::newWindowShowsBlueLinksAgain()
{
    openAbout();
    QTest::mouseClick(link("Label6"), Qt::LeftButton);
    frameOf(main->aboutWindow())->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    openAbout();
    QCOMPARE(link("Label6")->textColor(), QColor(0, 0, 192));
    QCOMPARE(link("lblSensorInfo")->textColor(), QColor(0, 0, 192));
}

QTEST_MAIN(TestAboutWindow)
#include "test_about_window.moc"
