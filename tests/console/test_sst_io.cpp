// SPDX-License-Identifier: MIT
// The input rules of the raw transaction panel and the offset entry, without widgets.

#include "console/entry_rules.h"
#include "console/sst_io.h"

#include <QTest>

using namespace zr;

namespace {

using Bytes = QList<int>;

QString refusalOf(const auto& checked)
{
    if (const auto* r = std::get_if<entry::Refusal>(&checked))
        return QString::fromStdString(r->message);
    return {};
}

QString tokens(int n)
{
    QStringList list;
    for (int i = 0; i < n; ++i)
        list << "1";
    return list.join(' ');
}

} // namespace

class TestSstIo : public QObject {
    Q_OBJECT
private slots:
    void dataBytes_data();
    void dataBytes();
    void lengths_data();
    void lengths();
    void offsetEntry_data();
    void offsetEntry();
    void firstRefusalWins();
    void receivedByteText_data();
    void receivedByteText();
};

void TestSstIo::dataBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Bytes>("bytes");
    QTest::addColumn<QString>("refusal");

    QTest::newRow("command byte") << "F7" << Bytes{247} << "";
    QTest::newRow("two spaces give an empty token") << "01  02" << Bytes{1, 0, 2} << "";
    QTest::newRow("leading space") << " 01" << Bytes{0, 1} << "";
    QTest::newRow("trailing space") << "01 " << Bytes{1, 0} << "";
    QTest::newRow("one space") << " " << Bytes{0, 0} << "";
    QTest::newRow("lower case") << "ff" << Bytes{255} << "";
    QTest::newRow("upper case") << "FF" << Bytes{255} << "";
    QTest::newRow("0x is not a prefix") << "0x1F" << Bytes{0} << "";
    QTest::newRow("stops at a non-digit") << "1G" << Bytes{1} << "";
    QTest::newRow("leading zeros") << "00FF" << Bytes{255} << "";
    QTest::newRow("not a digit") << "zz 7" << Bytes{0, 7} << "";
    QTest::newRow("61 tokens fit") << tokens(61) << Bytes(61, 1) << "";
    QTest::newRow("empty text") << "" << Bytes{} << "No command byte set";
    QTest::newRow("over FF")
        << "01 1FF" << Bytes{}
        << "Data To Send: byte 2 (\"1FF\") is more than FF; allowed are 0 to FF (hexadecimal).";
    QTest::newRow("far over FF")
        << "FFFFFFFFFFFFFFFFFFFFFFFF" << Bytes{}
        << "Data To Send: byte 1 (\"FFFFFFFFFFFFFFFFFFFFFFFF\") is more than FF; allowed are 0 "
           "to FF (hexadecimal).";
    QTest::newRow("62 tokens")
        << tokens(62) << Bytes{}
        << "Data To Send: 62 bytes; allowed are at most 61 (every space separates two bytes, so "
           "spaces in a row or at either end add zero bytes).";
    QTest::newRow("61 spaces are 62 empty tokens")
        << QString(61, ' ') << Bytes{}
        << "Data To Send: 62 bytes; allowed are at most 61 (every space separates two bytes, so "
           "spaces in a row or at either end add zero bytes).";
}

void TestSstIo::dataBytes()
{
    QFETCH(QString, text);
    QFETCH(Bytes, bytes);
    QFETCH(QString, refusal);

    const auto checked = sstio::dataBytes(text.toStdString());
    QCOMPARE(refusalOf(checked), refusal);
    if (refusal.isEmpty()) {
        const auto& got = std::get<std::vector<std::uint8_t>>(checked);
        QCOMPARE(Bytes(got.begin(), got.end()), bytes);
    }
}

void TestSstIo::lengths_data()
{
    QTest::addColumn<bool>("isRead");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("refusal");

    QTest::newRow("empty write") << false << "" << 0 << "";
    QTest::newRow("empty read") << true << "" << 0 << "";
    QTest::newRow("16") << true << "16" << 16 << "";
    QTest::newRow("half to even, down") << false << "2.5" << 2 << "";
    QTest::newRow("half to even, up") << false << "3.5" << 4 << "";
    QTest::newRow("letters") << false << "abc" << 0 << "";
    QTest::newRow("hex prefix") << false << "&H10" << 16 << "";
    QTest::newRow("blanks ignored") << true << " 1 6" << 16 << "";
    QTest::newRow("minus a little rounds to 0") << true << "-0.5" << 0 << "";
    QTest::newRow("write 255") << false << "255" << 255 << "";
    QTest::newRow("read 62") << true << "62" << 62 << "";
    QTest::newRow("write 256") << false << "256" << 0 << "Write Length: 256; allowed are 0 to 255.";
    QTest::newRow("write rounds to 256")
        << false << "255.5" << 0 << "Write Length: \"255.5\" gives 256; allowed are 0 to 255.";
    QTest::newRow("write -1") << false << "-1" << 0 << "Write Length: -1; allowed are 0 to 255.";
    QTest::newRow("read 63") << true << "63" << 0 << "Read Length: 63; allowed are 0 to 62.";
    QTest::newRow("read negative") << true << "-3" << 0 << "Read Length: -3; allowed are 0 to 62.";
    QTest::newRow("read huge") << true << "1e400" << 0
                               << "Read Length: \"1e400\" is out of range; allowed are 0 to 62.";
}

void TestSstIo::lengths()
{
    QFETCH(bool, isRead);
    QFETCH(QString, text);
    QFETCH(int, value);
    QFETCH(QString, refusal);

    const auto checked =
        isRead ? sstio::readLength(text.toStdString()) : sstio::writeLength(text.toStdString());
    QCOMPARE(refusalOf(checked), refusal);
    if (refusal.isEmpty())
        QCOMPARE(int(std::get<std::uint8_t>(checked)), value);
}

void TestSstIo::offsetEntry_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("refusal");

    QTest::newRow("12.5") << "12.5" << 12 << "";
    QTest::newRow("13.5") << "13.5" << 14 << "";
    QTest::newRow("letters") << "abc" << 0 << "";
    QTest::newRow("empty") << "" << 0 << "";
    QTest::newRow("space then 7") << " 7" << 7 << "";
    QTest::newRow("&H10") << "&H10" << 16 << "";
    QTest::newRow("-5") << "-5" << -5 << "";
    QTest::newRow("1000") << "1000" << 1000 << "";
    QTest::newRow("lowest") << "-512" << -512 << "";
    QTest::newRow("-512.5 rounds to even") << "-512.5" << -512 << "";
    QTest::newRow("highest") << "1023" << 1023 << "";
    QTest::newRow("1024") << "1024" << 0 << "External Offset: 1024; allowed are -512 to 1023.";
    QTest::newRow("rounds to 1024")
        << "1023.5" << 0 << "External Offset: \"1023.5\" gives 1024; allowed are -512 to 1023.";
    QTest::newRow("-513") << "-513" << 0 << "External Offset: -513; allowed are -512 to 1023.";
    QTest::newRow("beyond 32 bits")
        << "1e12" << 0
        << "External Offset: \"1e12\" gives 1000000000000; allowed are -512 to 1023.";
}

void TestSstIo::offsetEntry()
{
    QFETCH(QString, text);
    QFETCH(int, offset);
    QFETCH(QString, refusal);

    const auto checked = entry::offsetEntry(text.toStdString());
    QCOMPARE(refusalOf(checked), refusal);
    if (refusal.isEmpty())
        QCOMPARE(std::get<std::int32_t>(checked), offset);
}

void TestSstIo::firstRefusalWins()
{
    QCOMPARE(refusalOf(sstio::request("1FF", "999", "99")),
             "Data To Send: byte 1 (\"1FF\") is more than FF; allowed are 0 to FF (hexadecimal).");
    QCOMPARE(refusalOf(sstio::request("F7", "999", "99")),
             "Write Length: 999; allowed are 0 to 255.");
    const auto ok = sstio::request("F7 01", "2", "16");
    QCOMPARE(refusalOf(ok), QString());
    const auto& r = std::get<sstio::Request>(ok);
    QCOMPARE(int(r.writeLength), 2);
    QCOMPARE(int(r.readLength), 16);
    QCOMPARE(r.data, (std::vector<std::uint8_t>{247, 1}));
}

void TestSstIo::receivedByteText_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QString>("text");

    QTest::newRow("hex 0") << 0 << true << "0 ";
    QTest::newRow("hex 10") << 10 << true << "A ";
    QTest::newRow("hex 255") << 255 << true << "FF ";
    QTest::newRow("decimal 0") << 0 << false << " 0 ";
    QTest::newRow("decimal 5") << 5 << false << " 5 ";
    QTest::newRow("decimal 255") << 255 << false << " 255 ";
}

void TestSstIo::receivedByteText()
{
    QFETCH(int, value);
    QFETCH(bool, hex);
    QFETCH(QString, text);
    const auto form = hex ? sstio::ByteForm::Hex : sstio::ByteForm::Decimal;
    QCOMPARE(QString::fromStdString(sstio::receivedByteText(std::uint8_t(value), form)), text);
}

QTEST_APPLESS_MAIN(TestSstIo)
#include "test_sst_io.moc"
