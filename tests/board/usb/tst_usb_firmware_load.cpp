// LoadFirmWare over real libusb code against the emulated controller: the upload sequence byte
// for byte, re-enumeration under the programmed id, and every way of failing with its reason.

#include "board/usb/usb_board.h"
#include "support/recording_board.h"
#include "usb_emulator.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <unistd.h>

using namespace std::chrono_literals;
using zr::usbtest::ControlTransfer;
using zr::usbtest::UsbEmulator;

namespace {

const std::string kData = ZR_USB_TEST_DATA;

zr::usb::UsbBoardOptions fastOptions(std::chrono::milliseconds reenumeration = 3000ms)
{
    zr::usb::UsbBoardOptions options;
    options.transferTimeout = 300ms;
    options.reenumerationTimeout = reenumeration;
    return options;
}

// The bytes of chunked.hex, made the way the file was made.
std::vector<std::uint8_t> chunkedMain()
{
    std::vector<std::uint8_t> bytes(1100);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return bytes;
}

std::vector<std::uint8_t> chunkedScratch()
{
    std::vector<std::uint8_t> bytes(32);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(0xE0 + i);
    return bytes;
}

ControlTransfer ramWrite(std::uint16_t address, std::vector<std::uint8_t> bytes)
{
    ControlTransfer t;
    t.requestType = 0x40;
    t.request = 0xA0;
    t.value = address;
    t.length = static_cast<std::uint16_t>(bytes.size());
    t.data = std::move(bytes);
    return t;
}

std::string describe(const ControlTransfer& t)
{
    char head[96];
    std::snprintf(head, sizeof head,
                  "type %02X request %02X value %04X index %04X length %u:", t.requestType,
                  t.request, t.value, t.index, t.length);
    std::string text = head;
    for (std::size_t i = 0; i < t.data.size() && i < 8; ++i) {
        char b[4];
        std::snprintf(b, sizeof b, " %02X", t.data[i]);
        text += b;
    }
    return text + (t.data.size() > 8 ? " ..." : "");
}

} // namespace

class TestUsbFirmwareLoad : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        board.reset();
        emulator.reset();
    }

    void uploadsTheImageAndOpensTheReturningBoard_data()
    {
        QTest::addColumn<bool>("releaseFails");
        QTest::newRow("release acknowledged") << false;
        QTest::newRow("device leaves before acknowledging") << true;
    }

    void uploadsTheImageAndOpensTheReturningBoard()
    {
        QFETCH(bool, releaseFails);
        zr::test::RecordingBoard backend;
        zr::usbtest::EmulatorOptions options;
        options.board = &backend;
        options.releaseFails = releaseFails;
        start(options);
        emulator->plugUnprogrammed();
        const std::string controllerNode = emulator->devnode();

        QCOMPARE(board->LoadFirmWare((kData + "/chunked.hex").c_str()), 0);
        QVERIFY2(!board->boardLost(), board->failureReason().c_str());

        const std::vector<std::uint8_t> main = chunkedMain();
        const std::vector<ControlTransfer> expected = {
            ramWrite(0xE600, {1}),
            ramWrite(0x0000, {main.begin(), main.begin() + 1024}),
            ramWrite(0x0400, {main.begin() + 1024, main.end()}),
            ramWrite(0xE000, chunkedScratch()),
            ramWrite(0xE600, {0}),
        };
        const std::vector<ControlTransfer> seen = emulator->transfers();
        QCOMPARE(seen.size(), expected.size());
        for (std::size_t i = 0; i < seen.size(); ++i) {
            QCOMPARE(describe(seen[i]), describe(expected[i]));
            QVERIFY(seen[i].data == expected[i].data);
            QCOMPARE(seen[i].devnode, controllerNode);
        }
        const std::vector<std::uint8_t> ram = emulator->ram();
        QVERIFY(std::equal(main.begin(), main.end(), ram.begin()));

        // The board came back as a new device under the programmed id, and it is the one in use.
        QCOMPARE(emulator->enumerations(), 2);
        QVERIFY(emulator->devnode() != controllerNode);
        emulator->clearTransfers();
        std::uint8_t frame[7] = {72, 1, 2, 0, 0, 0, 0};
        QCOMPARE(board->VendorIORequest(218, 0, 0, 0, 7, frame), 7);
        QCOMPARE(emulator->transfers().at(0).devnode, emulator->devnode());
    }

private:
    void start(zr::usbtest::EmulatorOptions options,
               zr::usb::UsbBoardOptions boardOptions = fastOptions())
    {
        emulator = std::make_unique<UsbEmulator>(options);
        board = std::make_unique<zr::usb::UsbBoard>(boardOptions);
    }

    std::unique_ptr<UsbEmulator> emulator;
    std::unique_ptr<zr::usb::UsbBoard> board;
};

int main(int argc, char** argv)
{
    if (!UsbEmulator::inMockEnvironment())
        return 77;
    QCoreApplication app(argc, argv);
    TestUsbFirmwareLoad test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_usb_firmware_load.moc"
