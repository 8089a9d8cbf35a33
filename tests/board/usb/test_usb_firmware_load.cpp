// SPDX-License-Identifier: MIT
// LoadFirmWare over real libusb code against the emulated controller: the upload sequence byte
// for byte, re-enumeration under the programmed id, and every way of failing with its reason.

#include "board/usb/usb_board.h"
#include "board/usb_stuff.h"
#include "support/recording_board.h"
#include "usb_emulator.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <sys/stat.h>
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

// Drops root's right to open any file for as long as it lives, as an ordinary user would be.
class Unprivileged {
public:
    Unprivileged()
    {
        if (geteuid() == 0)
            dropped_ = seteuid(65534) == 0;
    }
    ~Unprivileged()
    {
        if (dropped_ && seteuid(0) != 0)
            std::abort();
    }

private:
    bool dropped_ = false;
};

// A copy of a test file that the unprivileged user can read wherever the checkout lives (a
// checkout under root's mode-700 home is closed to it).
class ReadableCopy {
public:
    explicit ReadableCopy(const std::string& source)
    {
        path_ = dir_.filePath("SSTFW.hex").toStdString();
        if (!QFile::copy(QString::fromStdString(source), QString::fromStdString(path_)) ||
            ::chmod(dir_.path().toLocal8Bit().constData(), 0755) != 0 ||
            ::chmod(path_.c_str(), 0644) != 0)
            path_.clear();
    }
    const char* path() const { return path_.c_str(); }
    bool made() const { return !path_.empty(); }

private:
    QTemporaryDir dir_;
    std::string path_;
};

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

    void programmedBoardIsUsedAsItIs()
    {
        start({});
        emulator->plugProgrammed();
        // The file is not needed, so not even read.
        QCOMPARE(board->LoadFirmWare("/nonexistent/SSTFW.hex"), 0);
        QVERIFY(!board->boardLost());
        QVERIFY(emulator->transfers().empty());
        QCOMPARE(emulator->enumerations(), 1);
    }

    void withoutBoardTheReasonNamesBothIds()
    {
        start({});
        QVERIFY(board->LoadFirmWare((kData + "/small.hex").c_str()) < 0);
        QVERIFY(board->boardLost());
        QCOMPARE(board->failureReason(),
                 std::string("No evaluation board is attached: there is no USB device 04B4:8613 "
                             "(waiting for firmware) or 04B4:1004 (running it)."));
    }

    // Nothing reaches the controller before the whole file has been checked.
    void unusableFilesAreRefusedBeforeTheUpload_data()
    {
        QTest::addColumn<QString>("content"); // empty: no such file
        QTest::addColumn<QString>("problem");
        QTest::newRow("bad checksum") << ":03000000020100FA\n:0300030001020300\n:00000001FF\n"
                                      << "is not valid Intel HEX: line 2: checksum mismatch.";
        QTest::newRow("overlap") << ":03000000020100FA\n:0100010055A9\n:00000001FF\n"
                                 << "is not valid Intel HEX: line 2: data at address 0x1 "
                                    "overlaps earlier data.";
        QTest::newRow("no end record") << ":03000000020100FA\n"
                                       << "the end-of-file record is missing.";
        QTest::newRow("above the main RAM")
            << ":0140000055"
               "6A\n:00000001FF\n"
            << "does not fit the board: it has data at 0x4000, outside the controller's RAM "
               "(0x0000-0x3FFF and 0xE000-0xE1FF).";
        QTest::newRow("runs past the main RAM")
            << ":023FFF000102BD\n:00000001FF\n"
            << "does not fit the board: it has data at 0x4000, outside the controller's RAM "
               "(0x0000-0x3FFF and 0xE000-0xE1FF).";
        QTest::newRow("the CPU control register")
            << ":01E6000000"
               "19\n:00000001FF\n"
            << "does not fit the board: it has data at 0xE600, outside the controller's RAM "
               "(0x0000-0x3FFF and 0xE000-0xE1FF).";
        QTest::newRow("above 64 KiB")
            << ":020000040001F9\n:0100000055AA\n:00000001FF\n"
            << "does not fit the board: it has data at 0x10000, outside the controller's RAM "
               "(0x0000-0x3FFF and 0xE000-0xE1FF).";
        QTest::newRow("no data") << ":00000001FF\n"
                                 << "does not fit the board: it holds no data.";
        QTest::newRow("missing file") << ""
                                      << "cannot read";
    }

    void unusableFilesAreRefusedBeforeTheUpload()
    {
        QFETCH(QString, content);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        const std::string path = dir.filePath("SSTFW.hex").toStdString();
        if (!content.isEmpty())
            std::ofstream(path) << content.toStdString();
        start({});
        emulator->plugUnprogrammed();

        QVERIFY(board->LoadFirmWare(path.c_str()) < 0);

        const QString reason = QString::fromStdString(board->failureReason());
        QVERIFY2(reason.contains(problem), qPrintable(reason));
        QVERIFY2(reason.contains(QString::fromStdString(path)), qPrintable(reason));
        QVERIFY(emulator->transfers().empty());
        QCOMPARE(emulator->enumerations(), 1);
    }

    void boardThatDoesNotComeBackTimesOut()
    {
        zr::usbtest::EmulatorOptions options;
        options.comesBackAfterUpload = false;
        start(options, fastOptions(300ms));
        emulator->plugUnprogrammed();
        QVERIFY(board->LoadFirmWare((kData + "/small.hex").c_str()) < 0);
        QVERIFY(board->boardLost());
        QCOMPARE(board->failureReason(),
                 std::string("The evaluation board (USB 04B4:8613 at port 1-1) took its firmware "
                             "but did "
                             "not come back as USB 04B4:1004 within 300 ms."));
    }

    void uploadCutShortByAnUnplugIsReported()
    {
        start({});
        emulator->plugUnprogrammed();
        emulator->failTransfer(zr::usbtest::Fault::Unplug, 2);
        QVERIFY(board->LoadFirmWare((kData + "/chunked.hex").c_str()) < 0);
        QCOMPARE(board->failureReason(),
                 std::string("Loading the firmware stopped at address 0x0400: the board is no "
                             "longer on the USB bus (unplugged or reset)."));
        QVERIFY(board->boardLost());
    }

    void idsOfTheBoardAreData()
    {
        const zr::usb::UsbIds own = zr::usb::parseUsbIds("1234:0001,1234:00a2");
        zr::usbtest::EmulatorOptions options;
        options.ids = own;
        start(options);
        emulator->plugUnprogrammed();

        zr::usb::UsbBoard defaultIds(fastOptions());
        QVERIFY(defaultIds.LoadFirmWare((kData + "/small.hex").c_str()) < 0);
        QVERIFY(emulator->transfers().empty());

        zr::usb::UsbBoardOptions boardOptions = fastOptions();
        boardOptions.ids = own;
        board = std::make_unique<zr::usb::UsbBoard>(boardOptions);
        QCOMPARE(board->LoadFirmWare((kData + "/small.hex").c_str()), 0);
        QVERIFY(emulator->waitForBoard(own.programmed, 0ms));
    }

    // The path comes in the 8-bit code page; the folder on disk is named in UTF-8.
    void folderWithAccentsIsFound()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QString::fromUtf8("Mesures \u00e9t\u00e9"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::copy(QString::fromStdString(kData + "/small.hex"), folder + "/SSTFW.hex"));
        start({});
        emulator->plugUnprogrammed();
        zr::DeviceState state;
        std::string reason;
        QCOMPARE(zr::USBStuff::LoadBoardFirmware(state, *board, folder.toStdString(), &reason), 0);
        QCOMPARE(state.FirmwarePath[folder.toLatin1().indexOf('\xe9')], std::uint8_t(0xE9));
        QCOMPARE(emulator->enumerations(), 2);
    }

    // Without the udev rule the node exists but cannot be opened: the reason names the rule.
    void unopenableBoardNamesTheUdevRule_data()
    {
        QTest::addColumn<bool>("programmed");
        QTest::newRow("waiting for firmware") << false;
        QTest::newRow("running its firmware") << true;
    }

    void unopenableBoardNamesTheUdevRule()
    {
        QFETCH(bool, programmed);
        const ReadableCopy firmware(kData + "/small.hex");
        QVERIFY(firmware.made());
        start({});
        emulator->openTestbedToEveryone();
        // libusb starts while access is still allowed, as it would for any user.
        QVERIFY(board->LoadFirmWare(firmware.path()) < 0);
        programmed ? emulator->plugProgrammed() : emulator->plugUnprogrammed();
        emulator->denyAccess();
        int result = 0;
        {
            Unprivileged asUser;
            result = board->LoadFirmWare(firmware.path());
        }
        QVERIFY(result < 0);
        const std::string id = programmed ? "04B4:1004" : "04B4:8613";
        QCOMPARE(
            board->failureReason(),
            "The evaluation board (USB " + id +
                " at port 1-1) is attached, but this user may not open it. Install the udev rule " +
                ZR_UDEV_RULE_FILE +
                " (make install puts it there), then unplug the board and plug it in "
                "again.");
        QVERIFY(emulator->transfers().empty());
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

#include "test_usb_firmware_load.moc"
