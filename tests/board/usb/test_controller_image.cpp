// SPDX-License-Identifier: MIT
// The firmware image as RAM writes for the board's controller, and the Intel HEX reader held
// against a real tool: objcopy turns the same files into the same memory image.

#include "board/firmware/intel_hex.h"
#include "board/usb/controller_ram.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <map>

using zr::usb::RamChunk;

namespace {

// Intel HEX data records for `count` bytes at `address` (value: the low byte of the address),
// 16 to a record, then the end record.
std::string dataRecords(std::uint32_t address, std::size_t count)
{
    std::string text;
    auto record = [&text](std::uint16_t offset, std::uint8_t type,
                          const std::vector<std::uint8_t>& data) {
        std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(data.size()),
                                        static_cast<std::uint8_t>(offset >> 8),
                                        static_cast<std::uint8_t>(offset & 0xFF), type};
        bytes.insert(bytes.end(), data.begin(), data.end());
        unsigned sum = 0;
        for (std::uint8_t b : bytes)
            sum += b;
        bytes.push_back(static_cast<std::uint8_t>(-sum));
        text += ':';
        for (std::uint8_t b : bytes)
            text += QString::asprintf("%02X", b).toStdString();
        text += '\n';
    };
    std::uint32_t upper = 0;
    for (std::size_t done = 0; done < count;) {
        const std::uint32_t at = address + static_cast<std::uint32_t>(done);
        if ((at >> 16) != upper) {
            upper = at >> 16;
            record(0, 4, {static_cast<std::uint8_t>(upper >> 8), static_cast<std::uint8_t>(upper)});
        }
        const std::size_t n = std::min<std::size_t>({16, count - done, 0x10000 - (at & 0xFFFF)});
        std::vector<std::uint8_t> data(n);
        for (std::size_t i = 0; i < n; ++i)
            data[i] = static_cast<std::uint8_t>(at + i);
        record(static_cast<std::uint16_t>(at & 0xFFFF), 0, data);
        done += n;
    }
    record(0, 1, {});
    return text;
}

QString layout(const std::vector<RamChunk>& chunks)
{
    QStringList parts;
    for (const RamChunk& c : chunks)
        parts << QString::asprintf("%04X:%zu", c.address, c.bytes.size());
    return parts.join(' ');
}

// The reader's image from its lowest to its highest address, gaps as zeros: what objcopy's
// binary output holds.
QByteArray flat(const zr::firmware::HexImage& image)
{
    if (image.segments.empty())
        return {};
    const std::uint32_t first = image.segments.front().address;
    const auto& last = image.segments.back();
    QByteArray bytes(static_cast<int>(last.address + last.bytes.size() - first), '\0');
    for (const auto& segment : image.segments)
        for (std::size_t i = 0; i < segment.bytes.size(); ++i)
            bytes[static_cast<int>(segment.address - first + i)] =
                static_cast<char>(segment.bytes[i]);
    return bytes;
}

} // namespace

class TestControllerImage : public QObject {
    Q_OBJECT

private slots:
    void splitsIntoRamWrites_data()
    {
        QTest::addColumn<QString>("hex");
        QTest::addColumn<QString>("writes");
        QTest::newRow("one byte") << QString::fromStdString(dataRecords(0, 1)) << "0000:1";
        QTest::newRow("a full chunk")
            << QString::fromStdString(dataRecords(0, 1024)) << "0000:1024";
        QTest::newRow("one byte more")
            << QString::fromStdString(dataRecords(0, 1025)) << "0000:1024 0400:1";
        QTest::newRow("unaligned start")
            << QString::fromStdString(dataRecords(0x10, 2000)) << "0010:1024 0410:976";
        QTest::newRow("last byte of the main RAM")
            << QString::fromStdString(dataRecords(0x3FFF, 1)) << "3FFF:1";
        QTest::newRow("all of the scratch RAM")
            << QString::fromStdString(dataRecords(0xE000, 512)) << "E000:512";
        QTest::newRow("gap between runs")
            << ":03000000020100FA\n:0501000075816080FE26\n:00000001FF\n"
            << "0000:3 0100:5";
    }

    void splitsIntoRamWrites()
    {
        QFETCH(QString, hex);
        QFETCH(QString, writes);
        const auto image = zr::firmware::parseIntelHex(hex.toStdString());
        const std::vector<RamChunk> chunks = zr::usb::ramChunks(image);
        QCOMPARE(layout(chunks), writes);
        // Every byte of the image is written once, at its own address.
        std::map<std::uint32_t, std::uint8_t> written;
        for (const RamChunk& c : chunks)
            for (std::size_t i = 0; i < c.bytes.size(); ++i)
                QVERIFY(written.emplace(c.address + i, c.bytes[i]).second);
        std::map<std::uint32_t, std::uint8_t> expected;
        for (const auto& segment : image.segments)
            for (std::size_t i = 0; i < segment.bytes.size(); ++i)
                expected.emplace(segment.address + i, segment.bytes[i]);
        QVERIFY(written == expected);
    }

    void refusesWhatTheRamCannotHold_data()
    {
        QTest::addColumn<quint32>("address");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("firstOutside");
        QTest::newRow("above the main RAM") << 0x4000u << 1 << "0x4000";
        QTest::newRow("running past the main RAM") << 0x3FF0u << 32 << "0x4000";
        QTest::newRow("below the scratch RAM") << 0xDFFFu << 2 << "0xDFFF";
        QTest::newRow("past the scratch RAM") << 0xE1F0u << 32 << "0xE200";
        QTest::newRow("the CPU control register") << 0xE600u << 1 << "0xE600";
        QTest::newRow("beyond 64 KiB") << 0x10000u << 1 << "0x10000";
    }

    void refusesWhatTheRamCannotHold()
    {
        QFETCH(quint32, address);
        QFETCH(int, count);
        QFETCH(QString, firstOutside);
        const auto image = zr::firmware::parseIntelHex(dataRecords(address, count));
        try {
            zr::usb::ramChunks(image);
            QFAIL("accepted");
        } catch (const zr::usb::FirmwareImageError& refused) {
            QCOMPARE(QString(refused.what()),
                     "it has data at " + firstOutside +
                         ", outside the controller's RAM (0x0000-0x3FFF and 0xE000-0xE1FF)");
        }
    }

    void refusesAnImageWithoutData()
    {
        QVERIFY_THROWS_EXCEPTION(zr::usb::FirmwareImageError,
                                 zr::usb::ramChunks(zr::firmware::parseIntelHex(":00000001FF\n")));
    }

    // objcopy is the oracle: the reader must build the very memory image objcopy builds from the
    // same file, and refuse what objcopy refuses.
    void readerAgreesWithObjcopy_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("shipped firmware") << ZR_USB_TEST_DATA "/small.hex";
        QTest::newRow("chunks, CRLF, lowercase, linear addresses")
            << ZR_USB_TEST_DATA "/chunked.hex";
        QTest::newRow("segment addresses") << ZR_USB_TEST_DATA "/segment.hex";
        QTest::newRow("generated, across 64 KiB") << "generated";
    }

    void readerAgreesWithObjcopy()
    {
        QFETCH(QString, file);
        if (QStringLiteral(ZR_OBJCOPY).isEmpty())
            QSKIP("objcopy (binutils) is not installed");
        QTemporaryDir dir;
        if (file == "generated") {
            file = dir.filePath("generated.hex");
            std::ofstream(file.toStdString()) << dataRecords(0xFFF0, 40);
        }
        const QString binary = dir.filePath("image.bin");
        QCOMPARE(QProcess::execute(ZR_OBJCOPY, {"-I", "ihex", "-O", "binary", file, binary}), 0);
        QFile out(binary);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(flat(zr::firmware::readIntelHexFile(file.toStdString())), out.readAll());
    }

    void badChecksumIsRefusedLikeObjcopyDoes()
    {
        if (QStringLiteral(ZR_OBJCOPY).isEmpty())
            QSKIP("objcopy (binutils) is not installed");
        QTemporaryDir dir;
        const QString file = dir.filePath("bad.hex");
        std::ofstream(file.toStdString()) << ":03000000020100FB\n:00000001FF\n";
        QProcess objcopy;
        objcopy.start(ZR_OBJCOPY, {"-I", "ihex", "-O", "binary", file, dir.filePath("x.bin")});
        QVERIFY(objcopy.waitForFinished());
        QVERIFY(objcopy.exitCode() != 0);
        QVERIFY_THROWS_EXCEPTION(zr::firmware::HexFormatError,
                                 zr::firmware::readIntelHexFile(file.toStdString()));
    }
};

QTEST_GUILESS_MAIN(TestControllerImage)
#include "test_controller_image.moc"
