// SPDX-License-Identifier: MIT
// The "General SST IO" frame of a settings window, driven through its controls against a
// recording board.

#include "settings/settings_window.h"
#include "support/main_window_bench.h"
#include "window_controls.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace zr;
using namespace zr::test;

using Ints = QList<int>;

class TestSstIoPanel : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void sendsTypedBytes_data();
    void sendsTypedBytes();
    void appendsReply_data();
    void appendsReply();
    void formChoiceAppliesToLaterBytesOnly();
    void clearKeepsLengthsAndChoice();
    void saysWhichBytesAreNotSent();
    void refusesBeforeSending_data();
    void refusesBeforeSending();
    void lostBoardIsReportedNotThrown();

private:
    void type(const QString& data, const QString& write, const QString& read);
    void send(const QString& data, const QString& write, const QString& read);
    QString received() const { return textOf(window, "lblReceived"); }

    std::unique_ptr<MainWindowBench> bench;
    SettingsWindow* window = nullptr;
};

void TestSstIoPanel::init()
{
    bench = std::make_unique<MainWindowBench>();
    bench->trigger("mSetA");
    window = bench->main->settingsWindow(Chip::A);
    QVERIFY(window);
}

void TestSstIoPanel::cleanup()
{
    bench.reset();
}

void TestSstIoPanel::type(const QString& data, const QString& write, const QString& read)
{
    setText(window, "txtToSend", data);
    setText(window, "txtWriteLength", write);
    setText(window, "txtReadLength", read);
}

void TestSstIoPanel::send(const QString& data, const QString& write, const QString& read)
{
    type(data, write, read);
    click(window, "cmdReqSST");
}

void TestSstIoPanel::sendsTypedBytes_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("write");
    QTest::addColumn<QString>("read");
    QTest::addColumn<Ints>("frame"); // bytes 1.. of the frame that reached the board
    QTest::addColumn<int>("shownBytes");

    QTest::newRow("identifier block by hand") << "F7"
                                              << "1"
                                              << "16" << Ints{1, 16, 247} << 18;
    QTest::newRow("two spaces") << "01  02"
                                << "3"
                                << "0" << Ints{3, 0, 1, 0, 2} << 2;
    QTest::newRow("leading space") << " 01"
                                   << "2"
                                   << "1" << Ints{2, 1, 0, 1} << 3;
    QTest::newRow("trailing space") << "01 "
                                    << "2"
                                    << "1" << Ints{2, 1, 1, 0} << 3;
    QTest::newRow("one space") << " "
                               << ""
                               << "" << Ints{0, 0, 0, 0} << 2;
    QTest::newRow("write length as typed") << "E0 40 01"
                                           << "7"
                                           << "0" << Ints{7, 0, 224, 64, 1} << 2;
    QTest::newRow("only four data bytes travel") << "1 2 3 4 5 6"
                                                 << "6"
                                                 << "2" << Ints{6, 2, 1, 2, 3, 4} << 4;
    QTest::newRow("longest read") << "0"
                                  << "1"
                                  << "62" << Ints{1, 62, 0} << 64;
}

void TestSstIoPanel::sendsTypedBytes()
{
    QFETCH(QString, data);
    QFETCH(QString, write);
    QFETCH(QString, read);
    QFETCH(Ints, frame);
    QFETCH(int, shownBytes);

    send(data, write, read);
    const auto frames = bench->sentFrames();
    QCOMPARE(frames.size(), std::size_t(1));
    QCOMPARE(frames[0].size(), std::size_t(7));
    QCOMPARE(int(frames[0][0]), kAddressA);
    QCOMPARE(int(bench->state.CurrentAddress), kAddressA);
    QCOMPARE(Ints(frames[0].begin() + 1, frames[0].begin() + 1 + frame.size()), frame);
    QCOMPARE(received(), QString("0 ").repeated(shownBytes));
}

void TestSstIoPanel::appendsReply_data()
{
    QTest::addColumn<bool>("decimal");
    QTest::addColumn<QString>("shown");
    QTest::newRow("hex") << false << "0 5 FF ";
    QTest::newRow("decimal") << true << " 0  5  255 ";
}

void TestSstIoPanel::appendsReply()
{
    QFETCH(bool, decimal);
    QFETCH(QString, shown);
    control<QRadioButton>(window, decimal ? "optDec" : "optHex")->click();
    bench->board.queueReply(RecordingBoard::reply({0, 5, 255, 9}));
    send("E0", "1", "1");
    QCOMPARE(received(), shown);
}

void TestSstIoPanel::formChoiceAppliesToLaterBytesOnly()
{
    bench->board.defaultReply = RecordingBoard::reply({0, 5, 255});
    send("E0", "1", "1");
    control<QRadioButton>(window, "optDec")->click();
    send("E0", "1", "1");
    QCOMPARE(received(), "0 5 FF  0  5  255 ");
}

void TestSstIoPanel::clearKeepsLengthsAndChoice()
{
    bench->board.defaultReply = RecordingBoard::reply({7});
    control<QRadioButton>(window, "optDec")->click();
    send("F7 01 02 03 04", "1", "0");
    control<QPushButton>(window, "cmdClear")->click();

    QCOMPARE(control<QPlainTextEdit>(window, "txtToSend")->toPlainText(), QString());
    QCOMPARE(received(), QString());
    QCOMPARE(control<QLabel>(window, "lblNotSent")->text(), QString());
    QCOMPARE(control<QLineEdit>(window, "txtWriteLength")->text(), "1");
    QCOMPARE(control<QLineEdit>(window, "txtReadLength")->text(), "0");
    QVERIFY(control<QRadioButton>(window, "optDec")->isChecked());
}

void TestSstIoPanel::saysWhichBytesAreNotSent()
{
    auto note = [&](const QString& data) {
        control<QPlainTextEdit>(window, "txtToSend")->setPlainText(data);
        return control<QLabel>(window, "lblNotSent")->text();
    };
    QCOMPARE(note("1 2 3 4"), QString());
    QCOMPARE(note("1 2 3 4 5"), "Only the first 4 bytes are sent; byte 5 is not sent.");
    QCOMPARE(note("1 2 3 4 5 6 7"), "Only the first 4 bytes are sent; bytes 5 to 7 are not sent.");
    QCOMPARE(note("1 2 3  "), "Only the first 4 bytes are sent; byte 5 is not sent.");
    QCOMPARE(note("1 2 3 4 5 6"), "Only the first 4 bytes are sent; bytes 5 and 6 are not sent.");
}

void TestSstIoPanel::refusesBeforeSending_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("write");
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("message");

    QTest::newRow("no data") << ""
                             << "1"
                             << "1"
                             << "No command byte set";
    QTest::newRow("byte over FF")
        << "F7 100"
        << "1"
        << "1"
        << "Data To Send: byte 2 (\"100\") is more than FF; allowed are 0 to FF (hexadecimal).";
    QTest::newRow("62 bytes")
        << QString("0 ").repeated(61) + "0"
        << "1"
        << "1"
        << "Data To Send: 62 bytes; allowed are at most 61 (every space separates two bytes, so "
           "spaces in a row or at either end add zero bytes).";
    QTest::newRow("write length 256") << "F7"
                                      << "256"
                                      << "1"
                                      << "Write Length: 256; allowed are 0 to 255.";
    QTest::newRow("read length 63") << "F7"
                                    << "1"
                                    << "63"
                                    << "Read Length: 63; allowed are 0 to 62.";
    QTest::newRow("negative read length") << "F7"
                                          << "1"
                                          << "-1"
                                          << "Read Length: -1; allowed are 0 to 62.";
}

void TestSstIoPanel::refusesBeforeSending()
{
    QFETCH(QString, data);
    QFETCH(QString, write);
    QFETCH(QString, read);
    QFETCH(QString, message);

    send("F7", "1", "0");
    const QString before = received();
    bench->board.requests.clear();
    bench->state.CurrentAddress = 99;

    send(data, write, read);
    QCOMPARE(bench->prompts.messages.size(), 1);
    QCOMPARE(bench->prompts.messages[0].icon, MessageIcon::Critical);
    QCOMPARE(bench->prompts.messages[0].text, message);
    QVERIFY(bench->board.requests.empty());
    QCOMPARE(int(bench->state.CurrentAddress), 99);
    QCOMPARE(received(), before);
}

void TestSstIoPanel::lostBoardIsReportedNotThrown()
{
    bench->board.loseAfterRequests = 0;
    bench->board.reason = "device reset";
    send("F7", "1", "16");
    QCOMPARE(bench->prompts.messages.size(), 1);
    QCOMPARE(bench->prompts.messages[0].icon, MessageIcon::Critical);
    QCOMPARE(bench->prompts.messages[0].text, "The evaluation board was lost: device reset");
    QCOMPARE(received(), QString());
}

QTEST_MAIN(TestSstIoPanel)
#include "test_sst_io_panel.moc"
