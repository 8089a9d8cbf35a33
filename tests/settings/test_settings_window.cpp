// SPDX-License-Identifier: MIT
// The two settings windows, opened from the main window's menus and driven through their buttons
// against a recording board.

#include "platform/child_window.h"
#include "settings/settings_window.h"
#include "support/main_window_bench.h"
#include "window_controls.h"

#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

using namespace zr;
using namespace zr::test;

namespace {

using Reply = RecordingBoard::Reply;

Reply replyFrom(const QByteArray& bytes)
{
    Reply r{};
    std::copy(bytes.begin(), bytes.end(), r.begin());
    return r;
}

QByteArray word(int value)
{
    return QByteArray{1, char(value & 0xFF)} + char((value >> 8) & 0xFF);
}

} // namespace

class TestSettingsWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void opensWithLayoutAndInitialValues();
    void identifierBlock_data();
    void identifierBlock();
    void temperatures_data();
    void temperatures();
    void offsetRead_data();
    void offsetRead();
    void offsetWrite_data();
    void offsetWrite();
    void offsetRefused_data();
    void offsetRefused();
    void ping_data();
    void ping();
    void bothWindowsReadTheirOwnChip();
    void reopeningRestoresInitialValues();
    void lostBoardIsReportedNotThrown();
    void accessibleNamesAndKeyboardOrder();

private:
    SettingsWindow* open(Chip chip);
    std::unique_ptr<MainWindowBench> bench;
};

void TestSettingsWindow::init()
{
    bench = std::make_unique<MainWindowBench>();
}

void TestSettingsWindow::cleanup()
{
    bench.reset();
}

SettingsWindow* TestSettingsWindow::open(Chip chip)
{
    bench->trigger(chip == Chip::A ? "mSetA" : "mSetB");
    return bench->main->settingsWindow(chip);
}

void TestSettingsWindow::opensWithLayoutAndInitialValues()
{
    SettingsWindow* w = open(Chip::B);
    QVERIFY(w);
    QCOMPARE(w->objectName(), "frmSettingsB");
    QCOMPARE(w->windowTitle(), "ZR410B Settings");
    QVERIFY(bench->board.requests.empty()); // nothing happens without a button press

    const QList<QPair<QString, QString>> captions{
        {"Frame1", "Device Identifier Block"},
        {"cmdGetDIB", "Get DIB"},
        {"Label2_0", "Device Capability"},
        {"Label2_1", "Version/Revision"},
        {"Label2_2", "Vendor ID"},
        {"Label2_3", "Device ID"},
        {"Label2_4", "Device Interface"},
        {"Label2_5", "Function Interface"},
        {"Label2_6", "Client Address"},
        {"Label2_7", "Silicon Revision ID"},
        {"Frame3", "Temperatures"},
        {"cmdGetAllTemps", "Get All Temps"},
        {"Label3_0", "Internal"},
        {"Label3_1", "External"},
        {"Frame2", "External Offset"},
        {"cmdGetOffset", "Get Ext Offset"},
        {"cmdSetOffset", "Set Ext Offset"},
        {"txtOffset", "0"},
        {"Frame4", "Ping"},
        {"cmdPing", "Generate Ping"},
        {"Label1", "FCS"},
        {"txtFCS", ""},
        {"lblOffset", ""},
        {"lblTemp_0", ""},
        {"lblTemp_1", ""},
        {"Frame5", "General SST IO"},
        {"Label5", "Write Length"},
        {"Label6", "Read Length"},
        {"cmdReqSST", "Send"},
        {"Label8", "Data To Send"},
        {"Label7", "Data Recieved"},
        {"lblReceived", ""},
        {"optHex", "Hex"},
        {"optDec", "Decimal"},
        {"cmdClear", "Clear"},
    };
    for (const auto& [name, caption] : captions)
        QCOMPARE(textOf(w, name), caption);
    for (int i = 0; i < 8; ++i)
        QCOMPARE(textOf(w, QString("lblDIB_%1").arg(i)), QString());
    QVERIFY(control<QRadioButton>(w, "optHex")->isChecked());

    // Rows top to bottom 0..5, 7, 6; each value to the right of its caption.
    int lastY = -1;
    for (int i : {0, 1, 2, 3, 4, 5, 7, 6}) {
        QWidget* caption = control(w, QString("Label2_%1").arg(i));
        QWidget* value = control(w, QString("lblDIB_%1").arg(i));
        QVERIFY2(caption->y() > lastY, qPrintable(caption->objectName()));
        QVERIFY(value->x() > caption->x());
        lastY = caption->y();
    }

    QVERIFY(control<QGroupBox>(w, "Frame1")->font().bold());
    QVERIFY(!control(w, "cmdGetDIB")->font().bold());

    const QScreen* screen = childFrame(w)->screen();
    QCOMPARE(childFrame(w)->size(), QSize(twipsToPixels(9945, screen->logicalDotsPerInchX()),
                                          twipsToPixels(7830, screen->logicalDotsPerInchY())));
}

void TestSettingsWindow::identifierBlock_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("shown"); // lblDIB 0..7

    QTest::newRow("zeros") << QByteArray(17, 0)
                           << QStringList{"0x0", "0x0", "0x0", "0x0", "0x0", "0x0", "0x0", "0x0"};
    QByteArray typical(17, 0);
    typical[1] = 1;
    typical[2] = 0x10;
    typical.replace(3, 2, word(4564));
    typical.replace(5, 2, word(0x41));
    typical[7] = 10;
    typical[8] = char(255);
    typical[15] = 3;
    typical[16] = 72;
    QTest::newRow("typical") << typical << QStringList{"0x1", "0x10", "0x11D4", "0x41",
                                                       "0xA", "0xFF", "0x48",   "0x3"};
    QByteArray widest(17, char(255));
    QTest::newRow("widest identifiers") << widest << QStringList{"0xFF", "0xFF", "0xFFFF", "0xFFFF",
                                                                 "0xFF", "0xFF", "0xFF",   "0xFF"};
}

void TestSettingsWindow::identifierBlock()
{
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, shown);
    SettingsWindow* w = open(Chip::A);
    bench->board.queueReply(replyFrom(reply));
    click(w, "cmdGetDIB");

    QCOMPARE(bench->sentFrames().size(), std::size_t(1));
    QCOMPARE(int(bench->sentFrames()[0][0]), kAddressA);
    QCOMPARE(int(bench->state.CurrentAddress), kAddressA);
    for (int i = 0; i < 8; ++i)
        QCOMPARE(textOf(w, QString("lblDIB_%1").arg(i)), shown[i]);
}

void TestSettingsWindow::temperatures_data()
{
    QTest::addColumn<int>("internalRaw");
    QTest::addColumn<int>("externalRaw");
    QTest::addColumn<QString>("internal");
    QTest::addColumn<QString>("external");

    QTest::newRow("25.5 and 30") << 1632 << 1920 << "25.5°C"
                                 << "30°C";
    QTest::newRow("below one and negative") << 48 << 65328 << ".75°C"
                                            << "-3.25°C";
    QTest::newRow("-8 counts keeps seven digits") << 0 << 65528 << "0°C"
                                                  << "-.1199951°C";
}

void TestSettingsWindow::temperatures()
{
    QFETCH(int, internalRaw);
    QFETCH(int, externalRaw);
    QFETCH(QString, internal);
    QFETCH(QString, external);
    SettingsWindow* w = open(Chip::B);
    bench->board.queueReply(replyFrom(QByteArray(1, 0) + word(internalRaw) + word(externalRaw)));
    click(w, "cmdGetAllTemps");
    QCOMPARE(int(bench->sentFrames().at(0)[0]), kAddressB);
    QCOMPARE(textOf(w, "lblTemp_0"), internal);
    QCOMPARE(textOf(w, "lblTemp_1"), external);
}

void TestSettingsWindow::offsetRead_data()
{
    QTest::addColumn<int>("raw");
    QTest::addColumn<QString>("shown");
    QTest::newRow("-12") << 64768 << "-12";
    QTest::newRow("0") << 0 << "0";
    QTest::newRow("37") << 37 * 64 << "37";
    QTest::newRow("-1") << 65472 << "-1";
}

void TestSettingsWindow::offsetRead()
{
    QFETCH(int, raw);
    QFETCH(QString, shown);
    SettingsWindow* w = open(Chip::A);
    bench->board.queueReply(replyFrom(QByteArray(1, 0) + word(raw)));
    click(w, "cmdGetOffset");
    QCOMPARE(textOf(w, "lblOffset"), shown);
}

void TestSettingsWindow::offsetWrite_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("degrees"); // what the register is written with

    QTest::newRow("12.5") << "12.5" << 12;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("-5") << "-5" << -5;
    QTest::newRow("1000 as -24") << "1000" << -24;
}

void TestSettingsWindow::offsetWrite()
{
    QFETCH(QString, entry);
    QFETCH(int, degrees);
    SettingsWindow* w = open(Chip::A);
    setText(w, "txtOffset", entry);
    click(w, "cmdSetOffset");

    const auto frames = bench->sentFrames();
    QCOMPARE(frames.size(), std::size_t(1));
    const int v = (degrees * 64) & 0xFFFF;
    QCOMPARE(std::vector<int>(frames[0].begin(), frames[0].begin() + 6),
             (std::vector<int>{kAddressA, 3, 0, 224, v & 0xFF, v >> 8}));
    QCOMPARE(textOf(w, "lblOffset"), QString()); // nothing is shown until the next read
}

void TestSettingsWindow::offsetRefused_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("message");
    QTest::newRow("1024") << "1024"
                          << "External Offset: 1024; allowed are -512 to 1023.";
    QTest::newRow("-513") << "-513"
                          << "External Offset: -513; allowed are -512 to 1023.";
    QTest::newRow("rounds out")
        << "1023.5"
        << "External Offset: \"1023.5\" gives 1024; allowed are -512 to 1023.";
}

void TestSettingsWindow::offsetRefused()
{
    QFETCH(QString, entry);
    QFETCH(QString, message);
    SettingsWindow* w = open(Chip::A);
    bench->state.CurrentAddress = 99;
    setText(w, "txtOffset", entry);
    click(w, "cmdSetOffset");

    QCOMPARE(bench->prompts.messages.size(), 1);
    QCOMPARE(bench->prompts.messages[0].text, message);
    QCOMPARE(bench->prompts.messages[0].icon, MessageIcon::Critical);
    QVERIFY(bench->board.requests.empty());
    QCOMPARE(int(bench->state.CurrentAddress), 99);
}

void TestSettingsWindow::ping_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("shown");
    QTest::newRow("165") << 165 << "0xA5";
    QTest::newRow("0") << 0 << "0x0";
}

void TestSettingsWindow::ping()
{
    QFETCH(int, status);
    QFETCH(QString, shown);
    SettingsWindow* w = open(Chip::B);
    bench->board.queueReply(RecordingBoard::reply({std::uint8_t(status)}));
    click(w, "cmdPing");
    const auto frame = bench->sentFrames().at(0);
    QCOMPARE(std::vector<int>(frame.begin(), frame.begin() + 4),
             (std::vector<int>{kAddressB, 0, 0, 0}));
    QCOMPARE(textOf(w, "txtFCS"), shown);
}

void TestSettingsWindow::bothWindowsReadTheirOwnChip()
{
    // Each chip answers with its own address as client address.
    bench->board.responder = [](const std::vector<std::uint8_t>& frame) {
        Reply r{};
        r[16] = frame[0];
        return r;
    };
    SettingsWindow* a = open(Chip::A);
    SettingsWindow* b = open(Chip::B);
    QVERIFY(a && b && a != b);
    QCOMPARE(bench->state.AddressA, kAddressA);
    click(a, "cmdGetDIB");
    click(b, "cmdGetDIB");
    click(a, "cmdGetDIB");
    QCOMPARE(textOf(a, "lblDIB_6"), "0x48");
    QCOMPARE(textOf(b, "lblDIB_6"), "0x4C");
    const auto frames = bench->sentFrames();
    QCOMPARE(frames.size(), std::size_t(3));
    QCOMPARE(int(frames[0][0]), kAddressA);
    QCOMPARE(int(frames[1][0]), kAddressB);
    QCOMPARE(int(frames[2][0]), kAddressA);
}

void TestSettingsWindow::reopeningRestoresInitialValues()
{
    bench->board.defaultReply = RecordingBoard::reply({5, 1, 2, 3, 4});
    SettingsWindow* w = open(Chip::A);
    for (const char* button : {"cmdGetDIB", "cmdGetAllTemps", "cmdGetOffset", "cmdPing"})
        click(w, button);
    setText(w, "txtOffset", "12");
    QVERIFY(!textOf(w, "lblTemp_0").isEmpty());

    closeAndDestroy(w);
    QVERIFY(!bench->main->settingsWindow(Chip::A));
    w = open(Chip::A);
    for (const char* name :
         {"lblDIB_0", "lblDIB_6", "lblTemp_0", "lblTemp_1", "lblOffset", "txtFCS", "lblReceived"})
        QCOMPARE(textOf(w, name), QString());
    QCOMPARE(textOf(w, "txtOffset"), "0");
}

void TestSettingsWindow::lostBoardIsReportedNotThrown()
{
    SettingsWindow* w = open(Chip::A);
    bench->board.lost = true;
    bench->board.reason = "cable pulled";
    click(w, "cmdGetAllTemps");
    QCOMPARE(bench->prompts.messages.size(), 1);
    QCOMPARE(bench->prompts.messages[0].icon, MessageIcon::Critical);
    QCOMPARE(bench->prompts.messages[0].text, "The evaluation board was lost: cable pulled");
    QCOMPARE(textOf(w, "lblTemp_0"), QString());
}

void TestSettingsWindow::accessibleNamesAndKeyboardOrder()
{
    SettingsWindow* w = open(Chip::A);
    auto name = [&](const QString& control) {
        return QAccessible::queryAccessibleInterface(::control(w, control))
            ->text(QAccessible::Name);
    };
    QCOMPARE(name("cmdGetDIB"), "Get DIB");
    QCOMPARE(name("optDec"), "Decimal");
    QCOMPARE(name("txtFCS"), "FCS");
    QCOMPARE(name("txtWriteLength"), "Write Length");
    QCOMPARE(name("txtToSend"), "Data To Send");
    QVERIFY(!name("txtOffset").isEmpty());

    bench->board.queueReply(RecordingBoard::reply({0, 0, 0, 0xD4, 0x11}));
    click(w, "cmdGetDIB");
    // A value label is named by its caption and offers the value it shows as its text.
    QAccessibleInterface* vendor = QAccessible::queryAccessibleInterface(control(w, "lblDIB_2"));
    QCOMPARE(vendor->text(QAccessible::Name), "Vendor ID");
    QVERIFY(vendor->textInterface());
    QCOMPARE(vendor->textInterface()->text(0, vendor->textInterface()->characterCount()), "0x11D4");
    QCOMPARE(name("lblTemp_1"), "External temperature");
    QCOMPARE(name("lblReceived"), "Data Recieved");

    QStringList order;
    QWidget* first = control(w, "cmdGetDIB");
    QWidget* current = first;
    do {
        if ((current->focusPolicy() & Qt::TabFocus) && w->isAncestorOf(current))
            order << current->objectName();
        current = current->nextInFocusChain();
    } while (current != first);
    const QStringList expected{"cmdGetDIB", "lblDIB_0",     "lblDIB_1",       "lblDIB_2",
                               "lblDIB_3",  "lblDIB_4",     "lblDIB_5",       "lblDIB_7",
                               "lblDIB_6",  "cmdGetOffset", "lblOffset",      "cmdSetOffset",
                               "txtOffset", "cmdPing",      "txtFCS",         "cmdGetAllTemps",
                               "lblTemp_0", "lblTemp_1",    "txtWriteLength", "txtReadLength",
                               "cmdReqSST", "txtToSend",    "lblReceived",    "optHex",
                               "optDec",    "cmdClear"};
    QCOMPARE(order, expected);

    // Every value label the Tab key reaches shows that it has the focus.
    w->window()->show();
    QVERIFY(QTest::qWaitForWindowActive(w->window()));
    for (qsizetype i = 1; i < expected.size(); ++i) {
        auto* label = qobject_cast<QLabel*>(control(w, expected[i]));
        if (!label)
            continue;
        QWidget* before = control(w, expected[i - 1]);
        before->setFocus();
        const QImage unfocused = label->grab().toImage();
        QTest::keyClick(before, Qt::Key_Tab);
        QVERIFY(label->hasFocus());
        QVERIFY2(label->grab().toImage() != unfocused, qPrintable(expected[i]));
    }
}

QTEST_MAIN(TestSettingsWindow)
#include "test_settings_window.moc"
