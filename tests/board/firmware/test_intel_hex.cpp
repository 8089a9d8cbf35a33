// SPDX-License-Identifier: MIT
// The firmware image reader: what a well-formed Intel HEX file yields, and which line a fault
// names.

#include "board/firmware/intel_hex.h"

#include <QTemporaryDir>
#include <QTest>
#include <fstream>

using namespace zr::firmware;
using Segments = std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>>;
Q_DECLARE_METATYPE(Segments)

namespace {

// A record with its checksum computed, so that cases can be written by meaning.
QByteArray record(int type, int address, std::vector<std::uint8_t> data)
{
    std::vector<std::uint8_t> bytes{
        static_cast<std::uint8_t>(data.size()), static_cast<std::uint8_t>(address >> 8),
        static_cast<std::uint8_t>(address & 0xFF), static_cast<std::uint8_t>(type)};
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (std::uint8_t b : bytes)
        sum += b;
    bytes.push_back(static_cast<std::uint8_t>(-sum & 0xFF));
    QByteArray line = ":";
    for (std::uint8_t b : bytes)
        line += QByteArray::number(b, 16).rightJustified(2, '0').toUpper();
    return line + "\n";
}

const QByteArray kEnd = ":00000001FF\n";

Segments segmentsOf(const HexImage& image)
{
    Segments out;
    for (const HexSegment& s : image.segments)
        out.emplace_back(s.address, s.bytes);
    return out;
}

} // namespace

class TestIntelHex : public QObject {
    Q_OBJECT

private slots:
    void wellFormed_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<Segments>("segments");
        QTest::newRow("shipped style")
            << QByteArray(":03000000020100FA\n:00000001FF\n") << Segments{{0, {0x02, 0x01, 0x00}}};
        QTest::newRow("lower case, CRLF, no final newline")
            << QByteArray(":0300000002010 0fa\r\n:00000001ff").replace(" ", "")
            << Segments{{0, {0x02, 0x01, 0x00}}};
        QTest::newRow("blank lines and trailing spaces")
            << QByteArray("\n:03000000020100FA  \n\n:00000001FF\n\n")
            << Segments{{0, {0x02, 0x01, 0x00}}};
        QTest::newRow("adjacent records merge, out of order")
            << record(0, 0x102, {3, 4}) + record(0, 0x100, {1, 2}) + kEnd
            << Segments{{0x100, {1, 2, 3, 4}}};
        QTest::newRow("gap splits") << record(0, 0x10, {1}) + record(0, 0x20, {2}) + kEnd
                                    << Segments{{0x10, {1}}, {0x20, {2}}};
        QTest::newRow("extended segment address")
            << record(2, 0, {0x12, 0x34}) + record(0, 0x0010, {9}) + kEnd
            << Segments{{0x12340 + 0x10, {9}}};
        QTest::newRow("extended linear address")
            << record(4, 0, {0x00, 0x01}) + record(0, 0x0000, {7}) + record(4, 0, {0, 0}) +
                   record(0, 0x0000, {6}) + kEnd
            << Segments{{0, {6}}, {0x10000, {7}}};
        QTest::newRow("start addresses are accepted")
            << record(3, 0, {0, 0, 1, 0}) + record(5, 0, {0, 0, 0, 0}) + record(0, 0, {5}) + kEnd
            << Segments{{0, {5}}};
        QTest::newRow("empty data record") << record(0, 0, {}) + kEnd << Segments{};
        QTest::newRow("segment data wraps within its 64K")
            << record(2, 0, {0x10, 0x00}) + record(0, 0xFFFF, {1, 2}) + kEnd
            << Segments{{0x10000, {2}}, {0x1FFFF, {1}}};
    }
    void wellFormed()
    {
        QFETCH(QByteArray, text);
        QFETCH(Segments, segments);
        const HexImage image = parseIntelHex(text.toStdString());
        QCOMPARE(segmentsOf(image), segments);
        std::size_t count = 0;
        for (const auto& s : segments)
            count += s.second.size();
        QCOMPARE(image.byteCount(), count);
    }

    void faults_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("problem");
        QTest::newRow("checksum") << QByteArray(":03000000020100FA\n:0501000075816080FE27\n") + kEnd
                                  << 2 << "checksum mismatch";
        QTest::newRow("checksum after CRLF")
            << QByteArray(":03000000020100FA\r\n\r\n:03000000020100FB\r\n") + kEnd << 3
            << "checksum mismatch";
        QTest::newRow("no colon") << QByteArray("03000000020100FA\n") + kEnd << 1
                                  << "must start with ':'";
        QTest::newRow("odd digits")
            << QByteArray(":03000000020100F\n") + kEnd << 1 << "odd number of digits";
        QTest::newRow("too short") << QByteArray(":00000001\n") << 1 << "too short";
        QTest::newRow("not hex") << QByteArray(":0300000002G100FA\n") + kEnd << 1
                                 << "'G1' is not a hexadecimal byte";
        QTest::newRow("length field") << QByteArray(":04000000020100F9\n") + kEnd << 1
                                      << "says 4 data bytes but the record holds 3";
        QTest::newRow("unknown type") << record(6, 0, {}) + kEnd << 1 << "unknown record type 6";
        QTest::newRow("end record with data")
            << record(0, 0, {1}) + record(1, 0, {1}) << 2 << "end-of-file record carries data";
        QTest::newRow("segment record size")
            << record(2, 0, {1}) + kEnd << 1 << "extended segment address record needs 2 bytes";
        QTest::newRow("linear record size") << record(4, 0, {1, 2, 3}) + kEnd << 1
                                            << "extended linear address record needs 2 bytes";
        QTest::newRow("start record size")
            << record(5, 0, {1, 2}) + kEnd << 1 << "start address record needs 4 bytes";
        QTest::newRow("overlap") << record(0, 0x100, {1, 2, 3}) + record(0, 0x102, {4}) + kEnd << 2
                                 << "data at address 0x102 overlaps earlier data";
        QTest::newRow("overlap through extended address")
            << record(0, 0x10, {1}) + record(2, 0, {0x00, 0x01}) + record(0, 0x0000, {2}) + kEnd
            << 3 << "data at address 0x10 overlaps";
        QTest::newRow("missing end")
            << record(0, 0, {1}) + record(0, 1, {2}) << 2 << "end-of-file record is missing";
        QTest::newRow("missing end, blank lines after") << record(0, 0, {1}) + "\n\n"
                                                        << 1 << "end-of-file record is missing";
        QTest::newRow("empty file") << QByteArray() << 1 << "end-of-file record is missing";
        QTest::newRow("record after end")
            << kEnd + "\n" + record(0, 0, {1}) << 3 << "follows the end-of-file record";
    }
    void faults()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, line);
        QFETCH(QString, problem);
        try {
            parseIntelHex(text.toStdString());
            QFAIL("accepted");
        } catch (const HexFormatError& error) {
            QCOMPARE(error.line(), line);
            const QString message = error.what();
            QVERIFY2(message.startsWith("line " + QString::number(line) + ": "),
                     qPrintable(message));
            QVERIFY2(message.contains(problem), qPrintable(message));
        }
    }

    void readsFiles()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath("fw.hex").toStdString();
        std::ofstream(path, std::ios::binary) << ":03000000020100FA\r\n:00000001FF\r\n";
        QCOMPARE(readIntelHexFile(path).byteCount(), 3u);
    }

    void unreadableFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "absent.hex"
                                 << "No such file or directory";
        QTest::newRow("folder") << ""
                                << "Is a directory";
    }
    void unreadableFiles()
    {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const std::string path = (name.isEmpty() ? dir.path() : dir.filePath(name)).toStdString();
        try {
            readIntelHexFile(path);
            QFAIL("read");
        } catch (const HexFormatError&) {
            QFAIL("a file that cannot be read is not a format error");
        } catch (const std::runtime_error& error) {
            QCOMPARE(QString(error.what()),
                     "cannot read " + QString::fromStdString(path) + ": " + reason);
        }
    }
};

QTEST_GUILESS_MAIN(TestIntelHex)
#include "test_intel_hex.moc"
